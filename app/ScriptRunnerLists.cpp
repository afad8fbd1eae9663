// The verbs that read the settings view's lists: a row count and a cell, as
// the player sees them.
#include <string>

#include "ScriptArgs.h"
#include "ScriptRunner.h"
#include "chat/CellValue.h"
#include "core/TextEncoding.h"
#include "sim/SimList.h"
#include "sim/SimView.h"

namespace mellox::app {

sim::SimList& ScriptRunner::ViewList(const std::string& name) {
  if (!host_.View()) Fail("no settings view");
  auto* control = host_.View()->Control(TextEncoding::FromUtf8(name));
  if (!control) Fail("the view has no control " + name);
  auto* list = dynamic_cast<sim::SimList*>(control);
  if (!list) Fail("control " + name + " is not a list");
  return *list;
}

void ScriptRunner::AddListVerbs() {
  verbs_["expect-rows"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string name = NextWord(rest);
    const auto rows = ParseSignedInt32(NextWord(rest), "row count");
    NoMore(rest, "expect-rows NAME N");
    const auto count = ViewList(name).Count();
    if (count != rows)
      Fail("list " + name + " has " + std::to_string(count) + " rows, expected " + std::to_string(rows));
  };
  verbs_["expect-cell"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string name = NextWord(rest);
    const auto column = ParseSignedInt32(NextWord(rest), "column");
    const auto row = ParseSignedInt32(NextWord(rest), "row");
    auto& list = ViewList(name);
    const auto columns = static_cast<std::int32_t>(list.Columns().size());
    if (column < 0 || column >= columns || row < 0 || row >= list.Count())
      Fail("list " + name + " has no cell " + std::to_string(column) + " " + std::to_string(row) + ": it has " +
           std::to_string(columns) + " columns and " + std::to_string(list.Count()) + " rows");
    const auto value = list.DataGet(column, row, 0);
    // A check cell reads as a check box does.
    const std::string actual = list.Columns()[static_cast<std::size_t>(column)].kind == sim::SimList::ColumnKind::Check
                                   ? (CellBool(value) ? "on" : "off")
                                   : TextEncoding::ToUtf8(CellText(value));
    if (actual != rest)
      Fail("list " + name + " cell " + std::to_string(column) + " " + std::to_string(row) + " holds '" + actual +
           "', expected '" + rest + "'");
  };
}

}  // namespace mellox::app
