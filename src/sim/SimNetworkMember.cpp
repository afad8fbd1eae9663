#include "sim/SimNetworkMember.h"

#include <cstring>

namespace mellox::sim {

namespace {
bool IsIndex(const std::string& s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string LittleEndian(std::uint64_t bits) {
  std::string out(8, '\0');
  for (int i = 0; i < 8; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  return out;
}
}  // namespace

std::shared_ptr<SimNetworkNode> SimNetworkNode::Child(const std::shared_ptr<SimNetworkNode>& node,
                                                      const std::string& name) {
  auto it = node->children.find(name);
  return it == node->children.end() ? nullptr : it->second;
}

std::shared_ptr<SimNetworkNode> SimNetworkNode::Walk(const std::string& path, bool create) {
  SimNetworkNode* at = this;
  std::shared_ptr<SimNetworkNode> found;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = path.find('.', start);
    const std::string part = path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    auto it = at->children.find(part);
    if (it != at->children.end()) {
      found = it->second;
    } else {
      if (!create) return nullptr;
      found = std::make_shared<SimNetworkNode>();
      at->children.emplace(part, found);
    }
    at = found.get();
    if (dot == std::string::npos) return found;
    start = dot + 1;
  }
}

std::int32_t SimNetworkNode::ElementCount() const {
  std::int32_t n = 0;
  for (const auto& [name, child] : children)
    if (IsIndex(name)) ++n;
  return n;
}

platform::Variant SimNetworkMember::ValueOf(const std::shared_ptr<SimNetworkNode>& field) {
  if (!field) return {};
  if (field->value) return *field->value;
  if (field->raw) return platform::Variant(*field->raw);
  return {};
}

std::string SimNetworkMember::RawOf(const std::shared_ptr<SimNetworkNode>& field) {
  if (!field) return {};
  if (field->raw) return *field->raw;
  if (!field->value) return {};
  const auto& v = field->value->value;
  if (auto* i = std::get_if<std::int64_t>(&v)) return LittleEndian(static_cast<std::uint64_t>(*i));
  if (auto* d = std::get_if<double>(&v)) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, d, sizeof bits);
    return LittleEndian(bits);
  }
  if (auto* b = std::get_if<bool>(&v)) return LittleEndian(*b ? 1 : 0);
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  return {};
}

platform::Variant SimNetworkMember::Value(const std::string& name) {
  return ValueOf(SimNetworkNode::Child(node_, name));
}

std::string SimNetworkMember::RawValue(const std::string& name) { return RawOf(SimNetworkNode::Child(node_, name)); }

std::shared_ptr<platform::NetworkMessageMember> SimNetworkMember::Struct(const std::string& name) {
  auto child = SimNetworkNode::Child(node_, name);
  if (!child) return nullptr;
  return std::make_shared<SimNetworkMember>(child);
}

std::shared_ptr<platform::NetworkMessageMember> SimNetworkMember::Element(std::int32_t index) {
  return Struct(std::to_string(index));
}

}  // namespace mellox::sim
