// The settings view and its controls, built by the framework from the view
// description. Values set by code raise no event; a user's change does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Event.h"
#include "platform/Geometry.h"
#include "platform/Variant.h"

namespace mellox::platform {

class HostControl {
 public:
  virtual ~HostControl() = default;
  virtual std::int32_t Id() const = 0;
  virtual const std::string& Name() const = 0;
};

class CheckBoxControl : public HostControl {
 public:
  virtual bool CheckedGet() = 0;
  virtual void CheckedLet(bool checked) = 0;
  Event<std::int32_t, bool> Change;  // id, state
};

class ChoiceControl : public HostControl {
 public:
  virtual void AddChoice(const std::string& text, const Variant& data) = 0;
  virtual std::int32_t ChoiceCount() = 0;
  virtual Variant DataGet(std::int32_t index) = 0;
  virtual std::string TextGet(std::int32_t index) = 0;
  virtual std::int32_t SelectedGet() = 0;  // -1 none
  virtual void SelectedLet(std::int32_t index) = 0;
  virtual void Clear() = 0;
  Event<std::int32_t, std::int32_t> Change;  // id, index
};

class EditControl : public HostControl {
 public:
  virtual std::string TextGet() = 0;
  virtual void TextLet(const std::string& text) = 0;
  Event<std::int32_t, const std::string&> Change;  // id, text
  Event<std::int32_t, bool> End;                   // id, success
};

class ListControl : public HostControl {
 public:
  virtual std::int32_t AddRow() = 0;  // appends a row, gives its index
  virtual void InsertRow(std::int32_t row) = 0;
  virtual void DeleteRow(std::int32_t row) = 0;
  virtual Variant DataGet(std::int32_t column, std::int32_t row, std::int32_t subvalue) = 0;
  virtual void DataLet(std::int32_t column, std::int32_t row, std::int32_t subvalue, const Variant& value) = 0;
  virtual std::int32_t Count() = 0;
  virtual void Clear() = 0;
  virtual void ColorLet(std::int32_t column, std::int32_t row, std::int32_t color) = 0;
  virtual std::int32_t ScrollPositionGet() = 0;
  virtual void ScrollPositionLet(std::int32_t position) = 0;
  // Bumped whenever rows are added, inserted, deleted or cleared, so callers
  // can cache row look-ups.
  virtual std::uint64_t RowsVersion() const = 0;
  // Changes on every cell write (value or colour) and every row change, and a
  // value one list reported is never reported by another list, so the pair
  // (list, DataVersion) can key caches of parsed cells that cannot go stale.
  virtual std::uint64_t DataVersion() const = 0;
  Event<std::int32_t, std::int32_t, std::int32_t> Change;  // id, column, row
};

class PushButtonControl : public HostControl {
 public:
  virtual std::string TextGet() = 0;
  virtual void TextLet(const std::string& text) = 0;
  Event<std::int32_t> Accepted;  // id
};

class StaticTextControl : public HostControl {
 public:
  virtual std::string TextGet() = 0;
  virtual void TextLet(const std::string& text) = 0;
};

class SliderControl : public HostControl {
 public:
  virtual std::int32_t SliderPositionGet() = 0;
  virtual void SliderPositionLet(std::int32_t position) = 0;
  Event<std::int32_t, std::int32_t> Change;  // id, position
};

class NotebookControl : public HostControl {};

class ProgressControl : public HostControl {
 public:
  virtual std::int32_t ValueGet() = 0;
  virtual void ValueLet(std::int32_t value) = 0;  // 0 to 100
};

class HostView {
 public:
  virtual ~HostView() = default;
  // The control of that view name, or null.
  virtual HostControl* Control(const std::string& name) = 0;
  virtual Rect PositionGet() = 0;
  virtual void PositionLet(const Rect& rect) = 0;
  virtual std::string Title() = 0;
};

}  // namespace mellox::platform
