// Network messages seen by the echo filter, read as trees of named fields.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Event.h"
#include "platform/Variant.h"

namespace mellox::platform {

class NetworkMessageMember {
 public:
  virtual ~NetworkMessageMember() = default;
  virtual Variant Value(const std::string& name) = 0;        // empty when absent
  virtual std::string RawValue(const std::string& name) = 0;  // the field's bytes
  virtual std::shared_ptr<NetworkMessageMember> Struct(const std::string& name) = 0;  // null when absent
  virtual std::shared_ptr<NetworkMessageMember> Element(std::int32_t index) = 0;     // array element
  virtual std::int32_t Count() = 0;  // array elements held
};

class NetworkMessage : public NetworkMessageMember {
 public:
  virtual std::int32_t Type() = 0;
};

class EchoFilter2 {
 public:
  virtual ~EchoFilter2() = default;
  Event<const std::shared_ptr<NetworkMessage>&> EchoServer;
  Event<const std::shared_ptr<NetworkMessage>&> EchoClient;
};

}  // namespace mellox::platform
