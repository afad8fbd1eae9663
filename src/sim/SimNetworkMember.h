// One node of a network message's field tree: a value, raw bytes, or both,
// and named children (array elements are children named 0, 1, ...).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/EchoFilter.h"

namespace mellox::sim {

struct SimNetworkNode {
  std::optional<platform::Variant> value;
  std::optional<std::string> raw;
  std::map<std::string, std::shared_ptr<SimNetworkNode>> children;

  // The node at path "a.b.c" below this one, created on the way when asked.
  std::shared_ptr<SimNetworkNode> Walk(const std::string& path, bool create);
  static std::shared_ptr<SimNetworkNode> Child(const std::shared_ptr<SimNetworkNode>& node,
                                              const std::string& name);
  std::int32_t ElementCount() const;
};

class SimNetworkMember : public platform::NetworkMessageMember {
 public:
  explicit SimNetworkMember(std::shared_ptr<SimNetworkNode> node) : node_(std::move(node)) {}

  platform::Variant Value(const std::string& name) override;
  std::string RawValue(const std::string& name) override;
  std::shared_ptr<platform::NetworkMessageMember> Struct(const std::string& name) override;
  std::shared_ptr<platform::NetworkMessageMember> Element(std::int32_t index) override;
  std::int32_t Count() override { return node_->ElementCount(); }

  // Shared by the message itself.
  static platform::Variant ValueOf(const std::shared_ptr<SimNetworkNode>& field);
  static std::string RawOf(const std::shared_ptr<SimNetworkNode>& field);

 private:
  std::shared_ptr<SimNetworkNode> node_;
};

}  // namespace mellox::sim
