#include "sim/SimNetworkMessage.h"

#include <cerrno>
#include <cstdlib>

#include "sim/SimNetworkMember.h"

namespace mellox::sim {

namespace {
bool AllOf(const std::string& s, std::size_t from, bool hex) {
  if (from >= s.size()) return false;
  for (std::size_t i = from; i < s.size(); ++i) {
    const char c = s[i];
    const bool digit = c >= '0' && c <= '9';
    const bool hexLetter = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!digit && !(hex && hexLetter)) return false;
  }
  return true;
}
}  // namespace

platform::Variant SimNetworkMessage::ParseValue(const std::string& text) {
  const std::size_t sign = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  const bool negative = sign && text[0] == '-';
  if (text.size() > sign + 2 && text[sign] == '0' && (text[sign + 1] == 'x' || text[sign + 1] == 'X') &&
      AllOf(text, sign + 2, true) && text.size() - sign - 2 <= 16) {
    const std::uint64_t bits = std::strtoull(text.c_str() + sign + 2, nullptr, 16);
    return static_cast<std::int64_t>(negative ? 0 - bits : bits);
  }
  if (AllOf(text, sign, false)) {
    errno = 0;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == 0) return static_cast<std::int64_t>(v);
  }
  // Real numbers: digits with one point and an optional exponent, nothing else
  // (no "inf", "nan" or hex floats that strtod would take).
  bool digits = false, point = false, exponent = false;
  std::size_t i = sign;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point && !exponent) {
      point = true;
    } else if ((c == 'e' || c == 'E') && digits && !exponent) {
      exponent = true;
      digits = false;
      if (i + 1 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-')) ++i;
    } else {
      break;
    }
  }
  if (digits && i == text.size()) return std::strtod(text.c_str(), nullptr);
  return text;
}

SimNetworkMessage::SimNetworkMessage(std::int32_t type) : type_(type), root_(std::make_shared<SimNetworkNode>()) {}

SimNetworkMessage& SimNetworkMessage::Set(const std::string& path, const platform::Variant& value) {
  root_->Walk(path, true)->value = value;
  return *this;
}

SimNetworkMessage& SimNetworkMessage::SetRaw(const std::string& path, const std::string& bytes) {
  root_->Walk(path, true)->raw = bytes;
  return *this;
}

platform::Variant SimNetworkMessage::Value(const std::string& name) {
  return SimNetworkMember::ValueOf(SimNetworkNode::Child(root_, name));
}

std::string SimNetworkMessage::RawValue(const std::string& name) {
  return SimNetworkMember::RawOf(SimNetworkNode::Child(root_, name));
}

std::shared_ptr<platform::NetworkMessageMember> SimNetworkMessage::Struct(const std::string& name) {
  return SimNetworkMember(root_).Struct(name);
}

std::shared_ptr<platform::NetworkMessageMember> SimNetworkMessage::Element(std::int32_t index) {
  return SimNetworkMember(root_).Element(index);
}

std::int32_t SimNetworkMessage::Count() { return root_->ElementCount(); }

}  // namespace mellox::sim
