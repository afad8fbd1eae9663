// Types into the game with synthetic key presses, one queued entry every
// 20 ms, waiting for the chat bar when asked to.
#pragma once

#include <deque>
#include <string>

#include "core/ObjRef.h"
#include "platform/HostTimer.h"

namespace mellox {

class KeyboardAC {
 public:
  KeyboardAC();
  ~KeyboardAC();
  KeyboardAC(const KeyboardAC&) = delete;
  KeyboardAC& operator=(const KeyboardAC&) = delete;

 private:
  std::deque<std::string> KeyBuffer;
  bool WaitingForChat = false;
  ObjRef<platform::HostTimer> WriteBuffer;
  ObjRef<platform::HostTimer> WaitChat;
};

}  // namespace mellox
