#include "chat/ListCache.h"

#include <algorithm>

#include "chat/CellValue.h"
#include "settings_view/ControlHandler.h"
#include "settings_view/IndexedListControl.h"

namespace mellox {

void NamedRowCache::Refresh(platform::ListControl& list) {
  std::fill(rows_.begin(), rows_.end(), kUnknown);
  flags_.assign(static_cast<std::size_t>(std::max(list.Count(), 0)), {});
  key_.Take(list);
}

std::int32_t NamedRowCache::Row(ControlHandler& controls, IndexedListControl* bound, const char* listName,
                                std::size_t slot, std::string_view rowName) {
  if (!bound) return controls.FindName(std::string(rowName), listName);
  IndexedListControl& list = *bound;
  if (!key_.Current(list)) Refresh(list);
  if (list.NameWrites() != nameWrites_) {
    std::fill(rows_.begin(), rows_.end(), kUnknown);
    nameWrites_ = list.NameWrites();
  }
  std::int32_t& cached = rows_.at(slot);
  if (cached == kUnknown) {
    cached = kLive;
    try {
      const std::int32_t row = list.FindRow(std::string(rowName));
      if (row <= 32767 && (row >= 0 || list.Count() <= 32768)) cached = row;
    } catch (const VBError&) {
      // Left to FindName, which reports it.
    }
  }
  if (cached != kLive) return cached;
  return controls.FindName(std::string(rowName), listName);
}

std::int32_t NamedRowCache::Row(ControlHandler& controls, IndexedListControl* list, const char* listName,
                                std::string_view rowName) {
  std::size_t slot = 0;
  while (slot < named_.size() && named_[slot] != rowName) ++slot;
  if (slot == named_.size()) {
    named_.emplace_back(rowName);
    rows_.push_back(kUnknown);
  }
  return Row(controls, list, listName, fixedSlots_ + slot, rowName);
}

bool NamedRowCache::Flag(platform::ListControl& list, std::int32_t column, std::int32_t row) {
  if (!key_.Current(list)) Refresh(list);
  if (row < 0 || static_cast<std::size_t>(row) >= flags_.size() || column < 0 ||
      static_cast<std::size_t>(column) >= kFlagColumns) {
    return CellBool(list.DataGet(column, row, 0));
  }
  FlagCell& cell = flags_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  if (!cell.known) {
    cell.value = Cached<bool>::Read([&] { return CellBool(list.DataGet(column, row, 0)); });
    cell.known = true;
  }
  return cell.value.Get();
}

}  // namespace mellox
