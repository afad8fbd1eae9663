#include "chat/CellValue.h"

#include <limits>
#include <type_traits>

#include "core/VB.h"
#include "core/VBError.h"

namespace mellox {

bool CellBool(const platform::Variant& value) {
  return std::visit(
      [](const auto& v) -> bool {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return false;
        } else if constexpr (std::is_same_v<T, bool>) {
          return v;
        } else if constexpr (std::is_same_v<T, std::string>) {
          return vb::CBool(v);
        } else {
          return v != 0;
        }
      },
      value.value);
}

std::string CellText(const platform::Variant& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return {};
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? "True" : "False";
        } else if constexpr (std::is_same_v<T, std::string>) {
          return v;
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          return vb::CStr(v);
        } else {
          return vb::CStr(static_cast<double>(v));
        }
      },
      value.value);
}

std::int32_t CellLong(const platform::Variant& value) {
  return std::visit(
      [](const auto& v) -> std::int32_t {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return 0;
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? -1 : 0;
        } else if constexpr (std::is_same_v<T, std::string>) {
          return vb::CLng(std::string_view(v));
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) Raise(6);
          return static_cast<std::int32_t>(v);
        } else {
          return vb::CLng(static_cast<double>(v));
        }
      },
      value.value);
}

}  // namespace mellox
