// Caches of what the chat stages read from the settings view's lists on every
// line. The view stays the only store of options: a cache is tied to one list
// object and its DataVersion, and anything the list changes drops it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/VBError.h"
#include "platform/HostView.h"

namespace mellox {

class ControlHandler;
class IndexedListControl;

// A value read and converted from a cell, or the error doing so raised. The
// error is raised again on every use, so a cached read fails exactly where
// and how the live read would.
template <class T>
class Cached {
 public:
  template <class F>
  static Cached Read(F&& read) {
    Cached cell;
    try {
      cell.value_ = std::forward<F>(read)();
    } catch (const VBError& e) {
      cell.error_ = e;
    }
    return cell;
  }
  const T& Get() const {
    if (error_) throw *error_;
    return value_;
  }
  bool Ok() const { return !error_; }

 private:
  T value_{};
  std::optional<VBError> error_;
};

// Whether a cache built from a list still describes that list.
class ListKey {
 public:
  bool Current(const platform::ListControl& list) const {
    return list_ == &list && version_ == list.DataVersion();
  }
  void Take(const platform::ListControl& list) {
    list_ = &list;
    version_ = list.DataVersion();
  }

 private:
  const platform::ListControl* list_ = nullptr;
  std::uint64_t version_ = 0;
};

// Rows of one of ControlHandler's indexed lists found by name (a fixed set of
// names, one slot each) and check cells of those rows.
class NamedRowCache {
 public:
  explicit NamedRowCache(std::size_t slots = 0) : rows_(slots, kUnknown), fixedSlots_(slots) {}

  // What controls.FindName(rowName, listName) gives, list being the bound
  // list of that name (null when unbound). Kept while the list's DataVersion
  // and NameWrites hold. A look-up that errs or runs past FindName's 16-bit
  // range is not kept, so FindName runs and reports as it always did.
  std::int32_t Row(ControlHandler& controls, IndexedListControl* list, const char* listName, std::size_t slot,
                   std::string_view rowName);
  // The same for a name without a fixed slot: the first use of a name gives
  // it one (for the few names a stage asks for).
  std::int32_t Row(ControlHandler& controls, IndexedListControl* list, const char* listName,
                   std::string_view rowName);
  // CellBool(list.DataGet(column, row, 0)).
  bool Flag(platform::ListControl& list, std::int32_t column, std::int32_t row);

 private:
  static constexpr std::int32_t kUnknown = -2;
  static constexpr std::int32_t kLive = -3;
  static constexpr std::size_t kFlagColumns = 8;
  struct FlagCell {
    bool known = false;
    Cached<bool> value;
  };
  void Refresh(platform::ListControl& list);

  ListKey key_;
  std::uint64_t nameWrites_ = 0;  // the list's NameWrites when rows_ was filled
  std::vector<std::int32_t> rows_;
  std::size_t fixedSlots_;
  std::vector<std::string> named_;  // names of the slots after the fixed ones
  std::vector<std::array<FlagCell, kFlagColumns>> flags_;
};

}  // namespace mellox
