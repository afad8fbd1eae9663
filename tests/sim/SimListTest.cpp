// The simulated list's versions, which caches of list cells rely on.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "core/VBError.h"
#include "settings_view/IndexedListControl.h"
#include "sim/SimList.h"

namespace mellox::sim {
namespace {

using Kind = SimList::ColumnKind;

TEST(SimListVersion, EveryChangeGivesANewDataVersionNeverSeenBefore) {
  SimList list(1, "L", {{Kind::Text, 10}, {Kind::Check, 10}});
  list.AddRow();
  list.AddRow();
  std::set<std::uint64_t> seen{list.DataVersion()};
  const struct {
    const char* what;
    bool rows;  // also a row change
    std::function<void()> change;
  } changes[] = {
      {"DataLet", false, [&] { list.DataLet(0, 0, 0, "x"); }},
      {"DataLet same value", false, [&] { list.DataLet(0, 0, 0, "x"); }},
      {"ColorLet", false, [&] { list.ColorLet(0, 1, 5); }},
      {"UserClick on a check", false, [&] { list.UserClick(1, 1); }},
      {"AddRow", true, [&] { list.AddRow(); }},
      {"InsertRow", true, [&] { list.InsertRow(0); }},
      {"DeleteRow", true, [&] { list.DeleteRow(2); }},
      {"Clear", true, [&] { list.Clear(); }},
  };
  for (const auto& c : changes) {
    const std::uint64_t rowsBefore = list.RowsVersion();
    c.change();
    EXPECT_TRUE(seen.insert(list.DataVersion()).second) << c.what;
    EXPECT_EQ(list.RowsVersion() != rowsBefore, c.rows) << c.what;
  }
  // Reads, scrolling and a click on a text cell change nothing.
  list.AddRow();
  const std::uint64_t version = list.DataVersion();
  list.DataGet(0, 0, 0);
  list.ScrollPositionLet(3);
  list.UserClick(0, 0);
  EXPECT_EQ(list.DataVersion(), version);
  // A failed write changes nothing either.
  EXPECT_THROW(list.DataLet(0, 9, 0, "x"), VBError);
  EXPECT_EQ(list.DataVersion(), version);

  // Another list starts on a value no list reported; the indexed wrapper
  // reports its list's value.
  SimList other(2, "M", {{Kind::Text, 10}});
  EXPECT_TRUE(seen.insert(other.DataVersion()).second);
  IndexedListControl indexed(other, 0);
  EXPECT_EQ(indexed.DataVersion(), other.DataVersion());
  indexed.AddRow();
  indexed.DataLet(0, 0, 0, "name");
  EXPECT_EQ(indexed.DataVersion(), other.DataVersion());
  EXPECT_TRUE(seen.insert(other.DataVersion()).second);
}

}  // namespace
}  // namespace mellox::sim
