#include "core/KeyboardAC.h"

#include <iterator>

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "platform/System.h"

namespace mellox {

namespace {

constexpr const char* kClass = "KeyboardAC";
constexpr std::int32_t kVkEnter = 13;
constexpr std::int32_t kKeyUpFlag = 2;
// The modifier bits of a key lookup's high byte, and the keys that give them.
struct Modifier {
  std::int32_t bit;
  std::int32_t vk;
};
constexpr Modifier kModifiers[] = {{1, 0x10 /* Shift */}, {2, 0x11 /* Ctrl */}, {4, 0x12 /* Alt */}};

// One key transition; the key and its scan code travel as bytes.
void KeyEvent(std::int32_t key, bool up) {
  if (key < 0 || key > 255) Raise(6);
  auto& sys = platform::Sys();
  const std::uint32_t scan = sys.MapVirtualKeyA(static_cast<std::uint32_t>(key), 0);
  if (scan > 255) Raise(6);
  sys.keybd_event(static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(scan), up ? kKeyUpFlag : 0, 0);
}

}  // namespace

KeyboardAC::KeyboardAC() {
  Trap("Class_Initialize", kClass, [&] {
    Hub::wtcw_debug("KeyboardAC Init");
    WriteBuffer = platform::Sys().CreateTimer();
    WaitChat = platform::Sys().CreateTimer();
    writeTimeout_ = WriteBuffer->Timeout.Connect([this] { WriteBuffer_Timeout(); });
    waitTimeout_ = WaitChat->Timeout.Connect([this] { WaitChat_Timeout(); });
  });
}

KeyboardAC::~KeyboardAC() {
  writeTimeout_.Disconnect();
  waitTimeout_.Disconnect();
  Trap("Class_Terminate", kClass, [&] {
    Hub::wtcw_debug("KeyboardAC Terminate");
    if (WriteBuffer) WriteBuffer->Stop();
    if (WaitChat) WaitChat->Stop();
  });
  WriteBuffer.reset();
  WaitChat.reset();
  login_.KeyBuffer.clear();
}

void KeyboardAC::Run() { WriteBuffer->Start(kWriteIntervalMs); }

void KeyboardAC::PressKey(std::int32_t key) {
  if (key < 0 || key > 255) Raise(6);
  KeyEvent(key, false);
  KeyEvent(key, true);
}

void KeyboardAC::SendKey(std::int32_t key) {
  Trap("SendKey", kClass, [&] { PressKey(key); });
}

void KeyboardAC::SendChar(const std::string& entry) {
  Trap("SendChar", kClass, [&] {
    Hub::wtcw_debug(entry);
    if (entry == kEnterToken) {
      SendKey(kVkEnter);
      return;
    }
    if (entry == kChatToken) {
      SendKey(kVkEnter);
      login_.WaitingForChat = true;
      login_.chatPolls = 0;
      WaitChat->Start(kChatPollIntervalMs);
      return;
    }
    if (entry.empty()) Raise(5);
    const std::int16_t lookup = platform::Sys().VkKeyScanA(entry[0]);
    if (lookup == -1) {
      // No key of the layout gives it: pressing the lookup's "not found" code would type nothing useful.
      Hub::wtcw_debug("No key types this character");
      return;
    }
    const std::int32_t key = lookup & 0xFF;
    const std::int32_t mods = (lookup >> 8) & 0xFF;
    // The key alone gives its unshifted character: hold what the character needs around it.
    for (const Modifier& m : kModifiers) {
      if (mods & m.bit) KeyEvent(m.vk, false);
    }
    SendKey(key);
    for (auto it = std::rbegin(kModifiers); it != std::rend(kModifiers); ++it) {
      if (mods & it->bit) KeyEvent(it->vk, true);
    }
  });
}

void KeyboardAC::SendString(const std::string& text, bool /*yield*/) {
  Trap("SendString", kClass, [&] {
    for (char c : text) login_.KeyBuffer.emplace_back(1, c);
  });
}

void KeyboardAC::SendEnter() { login_.KeyBuffer.emplace_back(kEnterToken); }

void KeyboardAC::AddWaitforChat() { login_.KeyBuffer.emplace_back(kChatToken); }

void KeyboardAC::Cancel() {
  WaitChat->Stop();
  WriteBuffer->Stop();
  login_ = {};
}

bool KeyboardAC::CheckEnter() { return platform::Sys().GetKeyState(kVkEnter) == 0; }

void KeyboardAC::WriteBuffer_Timeout() {
  Trap("WriteBuffer_Timeout", kClass, [&] {
    if (login_.WaitingForChat) return;
    if (login_.KeyBuffer.empty()) {
      WriteBuffer->Stop();
      return;
    }
    const std::string entry = login_.KeyBuffer.front();
    // SendChar reports its own failures: a bad entry is skipped, typing goes on.
    SendChar(entry);
    if (!login_.KeyBuffer.empty()) login_.KeyBuffer.pop_front();
  });
}

void KeyboardAC::WaitChat_Timeout() {
  Trap("WaitChat_Timeout", kClass, [&] {
    if (!FilterHandlerInstance) Raise(91);
    if (FilterHandlerInstance->ChatState()) {
      login_.WaitingForChat = false;
      WaitChat->Stop();
      return;
    }
    if (++login_.chatPolls * kChatPollIntervalMs >= kChatWaitLimitMs) {
      // Letters typed outside the chat bar would act as the game's key commands.
      Cancel();
      Hub::wtcw_error("The chat bar did not open; the queued text was not typed.");
      return;
    }
    SendKey(kVkEnter);
  });
}

}  // namespace mellox
