// A game message as the echo filter hands it over, built by tests and
// scripts field by field.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/EchoFilter.h"

namespace mellox::sim {

struct SimNetworkNode;

class SimNetworkMessage : public platform::NetworkMessage {
 public:
  explicit SimNetworkMessage(std::int32_t type);

  // Decimal or 0x-hex integers become whole numbers, other numeric text a
  // real number, anything else text.
  static platform::Variant ParseValue(const std::string& text);

  // path "a.b.c"; a numeric segment is an array element ("spells.0.spell").
  SimNetworkMessage& Set(const std::string& path, const platform::Variant& value);
  SimNetworkMessage& SetRaw(const std::string& path, const std::string& bytes);

  std::int32_t Type() override { return type_; }
  platform::Variant Value(const std::string& name) override;
  std::string RawValue(const std::string& name) override;
  std::shared_ptr<platform::NetworkMessageMember> Struct(const std::string& name) override;
  std::shared_ptr<platform::NetworkMessageMember> Element(std::int32_t index) override;
  std::int32_t Count() override;

 private:
  std::int32_t type_;
  std::shared_ptr<SimNetworkNode> root_;
};

}  // namespace mellox::sim
