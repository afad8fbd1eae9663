#include "sim/SimSystem.h"

#include <cmath>

#include "core/VBError.h"
#include "sim/SimClock.h"
#include "sim/SimDirectX8.h"
#include "sim/SimHotkeyEntry.h"
#include "sim/SimRecorder.h"
#include "sim/SimSoundBuffer.h"
#include "sim/SimTimer.h"
#include "sim/SimWindow.h"

namespace mellox::sim {

namespace {
constexpr std::int16_t kDown = static_cast<std::int16_t>(0x8000);
constexpr std::int16_t kShift = 0x100;

struct ScanEntry {
  std::uint8_t vk;
  std::uint8_t scan;
};
// A US keyboard's set-1 scan codes for the keys that have one here.
constexpr ScanEntry kScanCodes[] = {
    {0x1B, 0x01}, {0x08, 0x0E}, {0x09, 0x0F}, {0x0D, 0x1C}, {0x10, 0x2A}, {0x11, 0x1D}, {0x12, 0x38},
    {0x14, 0x3A}, {0x20, 0x39}, {0x21, 0x49}, {0x22, 0x51}, {0x23, 0x4F}, {0x24, 0x47}, {0x25, 0x4B},
    {0x26, 0x48}, {0x27, 0x4D}, {0x28, 0x50}, {0x2C, 0x54}, {0x2D, 0x52}, {0x2E, 0x53}, {0x30, 0x0B},
    {0x31, 0x02}, {0x32, 0x03}, {0x33, 0x04}, {0x34, 0x05}, {0x35, 0x06}, {0x36, 0x07}, {0x37, 0x08},
    {0x38, 0x09}, {0x39, 0x0A}, {'A', 0x1E}, {'B', 0x30}, {'C', 0x2E}, {'D', 0x20}, {'E', 0x12},
    {'F', 0x21}, {'G', 0x22}, {'H', 0x23}, {'I', 0x17}, {'J', 0x24}, {'K', 0x25}, {'L', 0x26},
    {'M', 0x32}, {'N', 0x31}, {'O', 0x18}, {'P', 0x19}, {'Q', 0x10}, {'R', 0x13}, {'S', 0x1F},
    {'T', 0x14}, {'U', 0x16}, {'V', 0x2F}, {'W', 0x11}, {'X', 0x2D}, {'Y', 0x15}, {'Z', 0x2C},
    {0x70, 0x3B}, {0x71, 0x3C}, {0x72, 0x3D}, {0x73, 0x3E}, {0x74, 0x3F}, {0x75, 0x40}, {0x76, 0x41},
    {0x77, 0x42}, {0x78, 0x43}, {0x79, 0x44}, {0x7A, 0x57}, {0x7B, 0x58}, {0xBA, 0x27}, {0xBB, 0x0D},
    {0xBC, 0x33}, {0xBD, 0x0C}, {0xBE, 0x34}, {0xBF, 0x35}, {0xC0, 0x29}, {0xDB, 0x1A}, {0xDC, 0x2B},
    {0xDD, 0x1B}, {0xDE, 0x28},
};

struct CharEntry {
  char ch;
  std::int16_t code;
};
constexpr CharEntry kPunctuation[] = {
    {' ', 0x20},          {'\t', 0x09},         {'\r', 0x0D},         {'\b', 0x08},         {'\x1b', 0x1B},
    {')', 0x30 | kShift}, {'!', 0x31 | kShift}, {'@', 0x32 | kShift}, {'#', 0x33 | kShift}, {'$', 0x34 | kShift},
    {'%', 0x35 | kShift}, {'^', 0x36 | kShift}, {'&', 0x37 | kShift}, {'*', 0x38 | kShift}, {'(', 0x39 | kShift},
    {';', 0xBA},          {':', 0xBA | kShift}, {'=', 0xBB},          {'+', 0xBB | kShift}, {',', 0xBC},
    {'<', 0xBC | kShift}, {'-', 0xBD},          {'_', 0xBD | kShift}, {'.', 0xBE},          {'>', 0xBE | kShift},
    {'/', 0xBF},          {'?', 0xBF | kShift}, {'`', 0xC0},          {'~', 0xC0 | kShift}, {'[', 0xDB},
    {'{', 0xDB | kShift}, {'\\', 0xDC},         {'|', 0xDC | kShift}, {']', 0xDD},          {'}', 0xDD | kShift},
    {'\'', 0xDE},         {'"', 0xDE | kShift},
};

std::string FileName(const std::string& path) {
  const auto cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}
}  // namespace

SimSystem::SimSystem(std::filesystem::path home, SimClock& clock, SimRecorder& recorder)
    : home_(std::move(home)), clock_(clock), recorder_(recorder) {}

std::int32_t SimSystem::SHGetFolderPathA(std::int32_t folder, std::string& path) {
  path.clear();
  if (failFolders_) return kFolderFailure;
  std::filesystem::path dir;
  if (folder == platform::CSIDL_PERSONAL)
    dir = home_ / "Documents";
  else if (folder == platform::CSIDL_COMMON_APPDATA)
    dir = home_ / "ProgramData";
  else
    return kFolderFailure;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) return kFolderFailure;
  path = dir.string();
  return 0;
}

std::string SimSystem::AppPath() { return (home_ / "Plugin").string(); }

double SimSystem::Now() { return clock_.LocalSecond(); }

float SimSystem::Timer() {
  const double date = clock_.LocalDate();
  // Whole milliseconds keep the value free of the date's rounding noise.
  const double msOfDay = std::round((date - std::floor(date)) * 86'400'000.0);
  return static_cast<float>(std::fmod(msOfDay, 86'400'000.0) / 1000.0);
}

std::int64_t SimSystem::MonotonicMs() { return clock_.NowMs(); }

std::int32_t SimSystem::GetTimeZoneInformation(platform::TimeZoneInformation& info) {
  info = clock_.TimeZone();
  return clock_.TimeZoneId();
}

bool SimSystem::sndPlaySoundA(const std::string& path, std::int32_t) {
  const bool ok = SimSoundBuffer::ReadWave(path).has_value();
  recorder_.Emit(std::string(ok ? "sound: play " : "sound: fail ") + FileName(path));
  return ok;
}

void SimSystem::keybd_event(std::uint8_t vk, std::uint8_t, std::int32_t flags, std::intptr_t) {
  const bool up = (flags & 2) != 0;
  SetKeyHeld(vk, !up);
  recorder_.Emit(std::string(up ? "key: up " : "key: down ") + std::to_string(vk));
  if (!up && keyDownSink_) keyDownSink_(vk);
}

std::int16_t SimSystem::VkKeyScanA(char ch) {
  if (ch >= 'a' && ch <= 'z') return static_cast<std::int16_t>(ch - 'a' + 'A');
  if (ch >= 'A' && ch <= 'Z') return static_cast<std::int16_t>(ch | kShift);
  if (ch >= '0' && ch <= '9') return static_cast<std::int16_t>(ch);
  for (const auto& e : kPunctuation)
    if (e.ch == ch) return e.code;
  return -1;
}

char SimSystem::KeyCharacter(std::int32_t vk, bool shift) {
  // The layout read backwards: the printable character whose key and Shift state these are.
  for (const bool shifted : {shift, false}) {
    const std::int32_t wanted = vk | (shifted ? kShift : 0);
    for (int code = 0x20; code < 0x80; ++code) {
      const char ch = static_cast<char>(code);
      if (VkKeyScanA(ch) == wanted) return ch;
    }
  }
  return 0;
}

std::uint32_t SimSystem::MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) {
  if (mapType != 0) return 0;
  for (const auto& e : kScanCodes)
    if (e.vk == code) return e.scan;
  return 0;
}

std::int16_t SimSystem::GetKeyState(std::int32_t vk) { return KeyHeld(vk) ? kDown : 0; }

std::int16_t SimSystem::GetAsyncKeyState(std::int32_t vk) { return KeyHeld(vk) ? kDown : 0; }

void SimSystem::SetKeyHeld(std::int32_t vk, bool held) {
  if (held)
    heldKeys_.insert(vk);
  else
    heldKeys_.erase(vk);
}

bool SimSystem::GetCursorPos(platform::Point& point) {
  point = cursor_;
  return true;
}

bool SimSystem::SetCursorPos(std::int32_t x, std::int32_t y) {
  cursor_ = {x, y};
  return true;
}

bool SimSystem::ClientToScreen(std::intptr_t, platform::Point& point) {
  point.x += SimWindow::kClientLeft;
  point.y += SimWindow::kClientTop;
  return true;
}

bool SimSystem::ScreenToClient(std::intptr_t, platform::Point& point) {
  point.x -= SimWindow::kClientLeft;
  point.y -= SimWindow::kClientTop;
  return true;
}

void SimSystem::mouse_event(std::int32_t flags, std::int32_t, std::int32_t, std::int32_t, std::intptr_t) {
  const std::string at = " " + std::to_string(cursor_.x - SimWindow::kClientLeft) + " " +
                         std::to_string(cursor_.y - SimWindow::kClientTop);
  if (flags & 2) recorder_.Emit("mouse: down" + at);
  if (flags & 4) recorder_.Emit("mouse: up" + at);
}

std::shared_ptr<platform::HostTimer> SimSystem::CreateTimer() { return std::make_shared<SimTimer>(clock_); }

std::shared_ptr<platform::HotkeyEntry> SimSystem::CreateHotkeyEntry() { return std::make_shared<SimHotkeyEntry>(); }

std::shared_ptr<platform::DirectX8> SimSystem::CreateDirectX8() {
  if (noSoundDevice_) throw VBError(429, "ActiveX component can't create object: no sound device");
  return std::make_shared<SimDirectX8>(clock_, recorder_);
}

}  // namespace mellox::sim
