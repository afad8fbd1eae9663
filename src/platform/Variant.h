// A value as the host hands it over (message fields, properties): empty, a
// whole number, a real number, a truth value or text. Conversions with the
// runtime's rules live in the core's helpers.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace mellox::platform {

struct Variant {
  std::variant<std::monostate, std::int64_t, double, bool, std::string> value;

  Variant() = default;
  Variant(std::int64_t v) : value(v) {}
  Variant(int v) : value(static_cast<std::int64_t>(v)) {}
  Variant(double v) : value(v) {}
  Variant(bool v) : value(v) {}
  Variant(std::string v) : value(std::move(v)) {}
  Variant(const char* v) : value(std::string(v)) {}

  bool IsEmpty() const { return std::holds_alternative<std::monostate>(value); }
};

}  // namespace mellox::platform
