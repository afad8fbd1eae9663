// Reads the game's network messages: experience totals, identify results,
// target health and effects, kill messages and the chat-window options.
#pragma once

#include "core/ObjRef.h"
#include "platform/EchoFilter.h"

namespace mellox {

class NetEchoHandler {
 public:
  NetEchoHandler();
  ~NetEchoHandler();
  NetEchoHandler(const NetEchoHandler&) = delete;
  NetEchoHandler& operator=(const NetEchoHandler&) = delete;

 private:
  ObjRef<platform::EchoFilter2> NetEcho;
};

}  // namespace mellox
