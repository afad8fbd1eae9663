// Operating-system services of the simulated host: folders, time, sound,
// keyboard, mouse and the creatable framework objects.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "platform/System.h"

namespace mellox::sim {

class SimClock;
class SimRecorder;

class SimSystem : public platform::System {
 public:
  static constexpr std::int32_t kFolderFailure = static_cast<std::int32_t>(0x80070003u);

  SimSystem(std::filesystem::path home, SimClock& clock, SimRecorder& recorder);

  std::int32_t SHGetFolderPathA(std::int32_t folder, std::string& path) override;
  std::string AppPath() override;

  double Now() override;
  float Timer() override;
  std::int64_t MonotonicMs() override;
  std::int32_t GetTimeZoneInformation(platform::TimeZoneInformation& info) override;

  bool sndPlaySoundA(const std::string& path, std::int32_t flags) override;

  void keybd_event(std::uint8_t vk, std::uint8_t scan, std::int32_t flags, std::intptr_t extra) override;
  std::int16_t VkKeyScanA(char ch) override;
  std::uint32_t MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) override;
  std::int16_t GetKeyState(std::int32_t vk) override;
  std::int16_t GetAsyncKeyState(std::int32_t vk) override;

  bool GetCursorPos(platform::Point& point) override;
  bool SetCursorPos(std::int32_t x, std::int32_t y) override;
  bool ClientToScreen(std::intptr_t hwnd, platform::Point& point) override;
  bool ScreenToClient(std::intptr_t hwnd, platform::Point& point) override;
  void mouse_event(std::int32_t flags, std::int32_t dx, std::int32_t dy, std::int32_t data,
                   std::intptr_t extra) override;

  std::shared_ptr<platform::HostTimer> CreateTimer() override;
  std::shared_ptr<platform::HotkeyEntry> CreateHotkeyEntry() override;
  std::shared_ptr<platform::DirectX8> CreateDirectX8() override;

  // Sim controls.
  void FailFolders(bool fail) { failFolders_ = fail; }
  void NoSoundDevice(bool none) { noSoundDevice_ = none; }
  void SetKeyHeld(std::int32_t vk, bool held);
  bool KeyHeld(std::int32_t vk) const { return heldKeys_.count(vk) != 0; }
  // Where a synthesised key going down goes (the game window); none: nowhere.
  void SetKeyDownSink(std::function<void(std::int32_t vk)> sink) { keyDownSink_ = std::move(sink); }
  // The character a key types, shifted or not; 0 when it types none.
  char KeyCharacter(std::int32_t vk, bool shift);

 private:
  std::filesystem::path home_;
  SimClock& clock_;
  SimRecorder& recorder_;
  bool failFolders_ = false;
  bool noSoundDevice_ = false;
  std::set<std::int32_t> heldKeys_;
  std::function<void(std::int32_t)> keyDownSink_;
  platform::Point cursor_{};  // screen coordinates
};

}  // namespace mellox::sim
