// Operating-system services and creatable framework objects. The backend
// (the simulated host here) installs one System; feature code reaches it
// through Sys().
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Geometry.h"

namespace mellox::platform {

class HostTimer;
class HotkeyEntry;
class DirectX8;

struct TimeZoneInformation {
  std::int32_t Bias = 0;          // minutes: UTC = local + Bias
  std::int32_t StandardBias = 0;  // added during standard time
  std::int32_t DaylightBias = 0;  // added during daylight time
};

inline constexpr std::int32_t TIME_ZONE_ID_UNKNOWN = 0;
inline constexpr std::int32_t TIME_ZONE_ID_STANDARD = 1;
inline constexpr std::int32_t TIME_ZONE_ID_DAYLIGHT = 2;
inline constexpr std::int32_t CSIDL_PERSONAL = 5;
inline constexpr std::int32_t CSIDL_COMMON_APPDATA = 35;

class System {
 public:
  virtual ~System() = default;

  // Folders: 0 on success with the path, else a failure code.
  virtual std::int32_t SHGetFolderPathA(std::int32_t folder, std::string& path) = 0;
  virtual std::string AppPath() = 0;  // the plug-in's install folder

  // Time.
  virtual double Now() = 0;                 // local time as a date
  virtual float Timer() = 0;                // seconds since local midnight
  virtual std::int64_t MonotonicMs() = 0;   // never goes back
  virtual std::int32_t GetTimeZoneInformation(TimeZoneInformation& info) = 0;

  // Sound: play a wave file once, asynchronously.
  virtual bool sndPlaySoundA(const std::string& path, std::int32_t flags) = 0;

  // Keyboard.
  virtual void keybd_event(std::uint8_t vk, std::uint8_t scan, std::int32_t flags, std::intptr_t extra) = 0;
  virtual std::int16_t VkKeyScanA(char ch) = 0;
  virtual std::uint32_t MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) = 0;
  virtual std::int16_t GetKeyState(std::int32_t vk) = 0;
  virtual std::int16_t GetAsyncKeyState(std::int32_t vk) = 0;

  // Mouse and cursor.
  virtual bool GetCursorPos(Point& point) = 0;
  virtual bool SetCursorPos(std::int32_t x, std::int32_t y) = 0;
  virtual bool ClientToScreen(std::intptr_t hwnd, Point& point) = 0;
  virtual bool ScreenToClient(std::intptr_t hwnd, Point& point) = 0;
  virtual void mouse_event(std::int32_t flags, std::int32_t dx, std::int32_t dy, std::int32_t data,
                           std::intptr_t extra) = 0;

  // Creatable objects.
  virtual std::shared_ptr<HostTimer> CreateTimer() = 0;
  virtual std::shared_ptr<HotkeyEntry> CreateHotkeyEntry() = 0;
  // Raises an error when no sound device exists.
  virtual std::shared_ptr<DirectX8> CreateDirectX8() = 0;
};

// The installed backend; raises "object not set" when none is installed.
System& Sys();
void SetSystem(System* system);
bool HasSystem();

}  // namespace mellox::platform
