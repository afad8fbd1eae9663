// A list control of the settings view whose rows are looked up by name on every
// chat line and tick. It forwards everything to the host's control and keeps a
// name-to-row index, rebuilt only after the rows or a name cell changed.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "platform/Event.h"
#include "platform/HostView.h"

namespace mellox {

class IndexedListControl : public platform::ListControl {
 public:
  // inner must outlive this object (the binder keeps the view alive with it).
  IndexedListControl(platform::ListControl& inner, std::int32_t nameColumn);

  std::int32_t Id() const override { return inner_.Id(); }
  const std::string& Name() const override { return inner_.Name(); }
  std::int32_t AddRow() override { return inner_.AddRow(); }
  void InsertRow(std::int32_t row) override { inner_.InsertRow(row); }
  void DeleteRow(std::int32_t row) override { inner_.DeleteRow(row); }
  platform::Variant DataGet(std::int32_t column, std::int32_t row, std::int32_t subvalue) override {
    return inner_.DataGet(column, row, subvalue);
  }
  void DataLet(std::int32_t column, std::int32_t row, std::int32_t subvalue,
               const platform::Variant& value) override;
  std::int32_t Count() override { return inner_.Count(); }
  void Clear() override { inner_.Clear(); }
  void ColorLet(std::int32_t column, std::int32_t row, std::int32_t color) override {
    inner_.ColorLet(column, row, color);
  }
  std::int32_t ScrollPositionGet() override { return inner_.ScrollPositionGet(); }
  void ScrollPositionLet(std::int32_t position) override { inner_.ScrollPositionLet(position); }
  std::uint64_t RowsVersion() const override { return inner_.RowsVersion(); }
  std::uint64_t DataVersion() const override { return inner_.DataVersion(); }

  std::int32_t NameColumn() const { return nameColumn_; }
  // The first row whose name cell equals name exactly (case-sensitive), -1
  // when none. Raises error 13 when a name cell holds a value that cannot be
  // compared with text, as the plain scan would.
  std::int32_t FindRow(const std::string& name);

  platform::ListControl& Inner() { return inner_; }
  // Writes into the name column made through this object. FindRow's answers
  // stay the same while this and DataVersion do.
  std::uint64_t NameWrites() const { return nameWrites_; }

 private:
  bool IndexCurrent() const;
  void Rebuild();
  std::int32_t Scan(const std::string& name);

  platform::ListControl& inner_;
  std::int32_t nameColumn_;
  platform::Connection forward_;

  // Bumped by every write into the name column made through this object.
  std::uint64_t nameWrites_ = 0;
  bool built_ = false;
  // False when some name cell is not text: such a list is searched cell by cell.
  bool indexable_ = false;
  std::uint64_t builtRowsVersion_ = 0;
  std::uint64_t builtNameWrites_ = 0;
  std::unordered_map<std::string, std::int32_t> index_;
};

// Compares a list cell with a row name the way the runtime compares a cell
// value with text: text exactly, an empty cell as "", a number numerically
// when the name is numeric. Raises error 13 otherwise.
bool CellEqualsText(const platform::Variant& cell, const std::string& text);

}  // namespace mellox
