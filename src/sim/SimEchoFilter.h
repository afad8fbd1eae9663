// The echo filter: hands every server and client message to its handlers.
#pragma once

#include <memory>

#include "platform/EchoFilter.h"

namespace mellox::sim {

class SimEchoFilter : public platform::EchoFilter2 {
 public:
  void Server(const std::shared_ptr<platform::NetworkMessage>& message) { EchoServer.Emit(message); }
  void Client(const std::shared_ptr<platform::NetworkMessage>& message) { EchoClient.Emit(message); }
};

}  // namespace mellox::sim
