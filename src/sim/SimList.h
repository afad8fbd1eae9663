// A list control: rows of cells, one per column; each cell holds sub-values
// (0 the text or check state, 1 an icon, ...) and an optional colour.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <vector>

#include "sim/SimControl.h"

namespace mellox::sim {

class SimList : public SimControl<platform::ListControl> {
 public:
  enum class ColumnKind { Text, Check, Icon };
  struct Column {
    ColumnKind kind = ColumnKind::Text;
    std::int32_t width = 0;
  };

  SimList(std::int32_t id, std::string name, std::vector<Column> columns)
      : SimControl(id, std::move(name)), columns_(std::move(columns)), dataVersion_(NextDataVersion()) {}

  std::int32_t AddRow() override;
  void InsertRow(std::int32_t row) override;  // 0..Count; raises 9 otherwise
  void DeleteRow(std::int32_t row) override;  // raises 9 out of range
  // Raises 9 for a missing column or row; a cell's unset sub-value is empty.
  platform::Variant DataGet(std::int32_t column, std::int32_t row, std::int32_t subvalue) override;
  void DataLet(std::int32_t column, std::int32_t row, std::int32_t subvalue, const platform::Variant& value) override;
  std::int32_t Count() override { return static_cast<std::int32_t>(rows_.size()); }
  void Clear() override;
  void ColorLet(std::int32_t column, std::int32_t row, std::int32_t color) override;
  std::int32_t ScrollPositionGet() override { return scroll_; }
  void ScrollPositionLet(std::int32_t position) override { scroll_ = position; }
  std::uint64_t RowsVersion() const override { return rowsVersion_; }
  std::uint64_t DataVersion() const override { return dataVersion_; }

  // Sim.
  const std::vector<Column>& Columns() const { return columns_; }
  std::optional<std::int32_t> ColorGet(std::int32_t column, std::int32_t row);
  // The user clicks a cell: a check column's sub-value 0 toggles first, then Change(id, column, row).
  void UserClick(std::int32_t column, std::int32_t row);

 private:
  struct Cell {
    std::map<std::int32_t, platform::Variant> values;
    std::optional<std::int32_t> color;
  };
  using Row = std::vector<Cell>;
  Cell& At(std::int32_t column, std::int32_t row);
  Row NewRow() const { return Row(columns_.size()); }
  // Versions come from one counter shared by all lists, so no two lists (nor
  // a list made where a destroyed one lived) ever report the same value.
  static std::uint64_t NextDataVersion();
  void RowsChanged() {
    ++rowsVersion_;
    dataVersion_ = NextDataVersion();
  }

  std::vector<Column> columns_;
  // A deque, so rows entered or removed at either end (the chat log's newest
  // line at the top, its oldest at the bottom) cost the same however long the list.
  std::deque<Row> rows_;
  std::int32_t scroll_ = 0;
  std::uint64_t rowsVersion_ = 0;
  std::uint64_t dataVersion_;
};

}  // namespace mellox::sim
