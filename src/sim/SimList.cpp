#include "sim/SimList.h"

#include "core/VBError.h"

namespace mellox::sim {

SimList::Cell& SimList::At(std::int32_t column, std::int32_t row) {
  if (row < 0 || row >= Count() || column < 0 || column >= static_cast<std::int32_t>(columns_.size()))
    throw VBError(9);
  return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

std::uint64_t SimList::NextDataVersion() {
  static std::uint64_t counter = 0;
  return ++counter;
}

std::int32_t SimList::AddRow() {
  rows_.push_back(NewRow());
  RowsChanged();
  return Count() - 1;
}

void SimList::InsertRow(std::int32_t row) {
  if (row < 0 || row > Count()) throw VBError(9);
  rows_.insert(rows_.begin() + row, NewRow());
  RowsChanged();
}

void SimList::DeleteRow(std::int32_t row) {
  if (row < 0 || row >= Count()) throw VBError(9);
  rows_.erase(rows_.begin() + row);
  RowsChanged();
}

platform::Variant SimList::DataGet(std::int32_t column, std::int32_t row, std::int32_t subvalue) {
  const Cell& cell = At(column, row);
  auto it = cell.values.find(subvalue);
  return it == cell.values.end() ? platform::Variant() : it->second;
}

void SimList::DataLet(std::int32_t column, std::int32_t row, std::int32_t subvalue, const platform::Variant& value) {
  At(column, row).values[subvalue] = value;
  dataVersion_ = NextDataVersion();
}

void SimList::Clear() {
  rows_.clear();
  RowsChanged();
}

void SimList::ColorLet(std::int32_t column, std::int32_t row, std::int32_t color) {
  At(column, row).color = color;
  dataVersion_ = NextDataVersion();
}

std::optional<std::int32_t> SimList::ColorGet(std::int32_t column, std::int32_t row) { return At(column, row).color; }

void SimList::UserClick(std::int32_t column, std::int32_t row) {
  Cell& cell = At(column, row);
  if (columns_[static_cast<std::size_t>(column)].kind == ColumnKind::Check) {
    const auto& current = cell.values[0].value;
    bool on = false;
    if (auto* b = std::get_if<bool>(&current)) on = *b;
    if (auto* i = std::get_if<std::int64_t>(&current)) on = *i != 0;
    cell.values[0] = platform::Variant(!on);
    dataVersion_ = NextDataVersion();
  }
  Change.Emit(Id(), column, row);
}

}  // namespace mellox::sim
