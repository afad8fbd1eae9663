#include "core/KeyboardAC.h"

#include "core/Hub.h"
#include "core/Trap.h"
#include "platform/System.h"

namespace mellox {

KeyboardAC::KeyboardAC() {
  Trap("Class_Initialize", "KeyboardAC", [&] {
    Hub::wtcw_debug("KeyboardAC Init");
    WriteBuffer = platform::Sys().CreateTimer();
    WaitChat = platform::Sys().CreateTimer();
  });
}

KeyboardAC::~KeyboardAC() {
  Trap("Class_Terminate", "KeyboardAC", [&] {
    Hub::wtcw_debug("KeyboardAC Terminate");
    if (WriteBuffer) WriteBuffer->Stop();
    if (WaitChat) WaitChat->Stop();
  });
  WriteBuffer.reset();
  WaitChat.reset();
  KeyBuffer.clear();
}

}  // namespace mellox
