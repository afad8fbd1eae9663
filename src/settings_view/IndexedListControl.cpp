#include "settings_view/IndexedListControl.h"

#include <variant>

#include "core/VB.h"
#include "core/VBError.h"

namespace mellox {

IndexedListControl::IndexedListControl(platform::ListControl& inner, std::int32_t nameColumn)
    : inner_(inner), nameColumn_(nameColumn) {
  // The host raises its clicks on its own control; handlers subscribe here.
  forward_ = inner_.Change.Connect(
      [this](std::int32_t id, std::int32_t column, std::int32_t row) { Change.Emit(id, column, row); });
}

void IndexedListControl::DataLet(std::int32_t column, std::int32_t row, std::int32_t subvalue,
                                 const platform::Variant& value) {
  if (column == nameColumn_) ++nameWrites_;
  inner_.DataLet(column, row, subvalue, value);
}

bool IndexedListControl::IndexCurrent() const {
  return built_ && builtRowsVersion_ == inner_.RowsVersion() && builtNameWrites_ == nameWrites_;
}

void IndexedListControl::Rebuild() {
  built_ = false;
  index_.clear();
  indexable_ = true;
  const std::uint64_t version = inner_.RowsVersion();
  const std::int32_t count = inner_.Count();
  for (std::int32_t row = 0; row < count; ++row) {
    platform::Variant cell = inner_.DataGet(nameColumn_, row, 0);
    if (auto* text = std::get_if<std::string>(&cell.value)) {
      index_.emplace(std::move(*text), row);  // keeps the lowest row of a duplicate name
    } else if (cell.IsEmpty()) {
      index_.emplace(std::string(), row);
    } else {
      indexable_ = false;
      index_.clear();
      break;
    }
  }
  builtRowsVersion_ = version;
  builtNameWrites_ = nameWrites_;
  built_ = true;
}

std::int32_t IndexedListControl::Scan(const std::string& name) {
  const std::int32_t count = inner_.Count();
  for (std::int32_t row = 0; row < count; ++row) {
    if (CellEqualsText(inner_.DataGet(nameColumn_, row, 0), name)) return row;
  }
  return -1;
}

std::int32_t IndexedListControl::FindRow(const std::string& name) {
  if (!IndexCurrent()) Rebuild();
  if (!indexable_) return Scan(name);
  auto it = index_.find(name);
  return it == index_.end() ? -1 : it->second;
}

bool CellEqualsText(const platform::Variant& cell, const std::string& text) {
  return std::visit(
      [&](const auto& v) -> bool {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return v == text;
        } else if constexpr (std::is_same_v<T, std::monostate>) {
          return text.empty();
        } else {
          if (!vb::IsNumeric(text)) Raise(13);
          double number = 0;
          if constexpr (std::is_same_v<T, bool>) {
            number = v ? -1.0 : 0.0;
          } else {
            number = static_cast<double>(v);
          }
          return number == vb::CDbl(text);
        }
      },
      cell.value);
}

}  // namespace mellox
