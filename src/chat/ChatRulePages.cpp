#include "chat/ChatRulePages.h"

#include <array>
#include <string>

#include "chat/CellValue.h"
#include "chat/ChatTextHandler.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/VB.h"
#include "settings_view/ControlHandler.h"
#include "settings_view/OptionLists.h"

namespace mellox {

namespace {

namespace ol = OptionLists;

constexpr std::int32_t kIconDelete = 0x060011F8;
constexpr std::int32_t kCustomColumns = 7;
constexpr std::int32_t kCustomColourColumn = 4;

bool ValidRow(platform::ListControl& list, std::int32_t row) { return row >= 0 && row < list.Count(); }

std::string Text(platform::ListControl& list, std::int32_t column, std::int32_t row) {
  return CellText(list.DataGet(column, row, 0));
}

std::int32_t Icon(platform::ListControl& list, std::int32_t column, std::int32_t row) {
  return CellLong(list.DataGet(column, row, 1));
}

// Column 1 of the selected row is highlighted, every other row's is plain
// (row -1: none is highlighted).
void Highlight(platform::ListControl& list, std::int32_t row) {
  for (std::int32_t r = 0, n = list.Count(); r < n; ++r) {
    list.ColorLet(1, r, r == row ? ol::kRowHighlightColor : ol::kRowPlainColor);
  }
}

// Selects the first entry with that text; without one the selection stays.
void SelectText(platform::ChoiceControl& choice, const std::string& text) {
  for (std::int32_t i = 0, n = choice.ChoiceCount(); i < n; ++i) {
    if (choice.TextGet(i) == text) {
      choice.SelectedLet(i);
      return;
    }
  }
}

std::string SelectedText(platform::ChoiceControl& choice, const char* none) {
  const std::int32_t index = choice.SelectedGet();
  return index < 0 ? std::string(none) : choice.TextGet(index);
}

void Preview(const std::string& sound) {
  if (sound != "None") Hub::PlayWavFile(sound);
}

void SetColourIcon(platform::ListControl& list, std::int32_t column, std::int32_t row, std::int32_t icon) {
  list.DataLet(column, row, 0, PluginModuleHandle);
  list.DataLet(column, row, 1, icon);
}

// Every cell of a custom rule (the colour column by its icon id).
using RuleCells = std::array<platform::Variant, kCustomColumns>;

RuleCells ReadRule(platform::ListControl& list, std::int32_t row) {
  RuleCells cells;
  for (std::int32_t c = 0; c < kCustomColumns; ++c) {
    cells[static_cast<std::size_t>(c)] = list.DataGet(c, row, c == kCustomColourColumn ? 1 : 0);
  }
  return cells;
}

void WriteRule(platform::ListControl& list, std::int32_t row, const RuleCells& cells) {
  for (std::int32_t c = 0; c < kCustomColumns; ++c) {
    const platform::Variant& value = cells[static_cast<std::size_t>(c)];
    if (c == kCustomColourColumn) {
      list.DataLet(c, row, 0, PluginModuleHandle);
      list.DataLet(c, row, 1, value);
    } else {
      list.DataLet(c, row, 0, value);
    }
  }
}

}  // namespace

// --- Chat colour rows --------------------------------------------------------------

void ChatRulePages::ChatColor_Change(std::int32_t id, std::int32_t column, std::int32_t row) {
  if (!PluginActive || id == -1) return;
  platform::ListControl& list = *ch_.ChatColor;
  if (!ValidRow(list, row)) return;
  if (column >= 0 && column <= 3) {
    // While the choices follow the row, their own handlers write nothing back.
    colorRow_ = -1;
    Highlight(list, row);
    SelectText(*ch_.ChatColorColor, ChatTextHandler::GetColorFromIcon(Icon(list, 3, row)));
    SelectText(*ch_.ChatColorSound, Text(list, 4, row));
    SelectText(*ch_.ChatColorWindow, Text(list, 2, row));
    colorRow_ = row;
  } else if (column == 4) {
    Preview(Text(list, 4, row));
  }
  ch_.Settings_Save(0);
}

void ChatRulePages::ChatColorSound_Change(std::int32_t index) {
  if (!PluginActive || index < 0) return;
  platform::ListControl& list = *ch_.ChatColor;
  if (!ValidRow(list, colorRow_)) return;
  const std::string sound = ch_.ChatColorSound->TextGet(index);
  list.DataLet(4, colorRow_, 0, sound);
  list.DataLet(0, colorRow_, 0, true);
  Preview(sound);
  ch_.Settings_Save(0);
}

void ChatRulePages::ChatColorColor_Change(std::int32_t index) {
  if (!PluginActive || index < 0) return;
  platform::ListControl& list = *ch_.ChatColor;
  if (!ValidRow(list, colorRow_)) return;
  SetColourIcon(list, 3, colorRow_, ChatTextHandler::GetIconFromColor(ch_.ChatColorColor->TextGet(index)));
  list.DataLet(0, colorRow_, 0, true);
  ch_.Settings_Save(0);
}

void ChatRulePages::ChatColorWindow_Change(std::int32_t index) {
  if (!PluginActive || index < 0) return;
  platform::ListControl& list = *ch_.ChatColor;
  if (!ValidRow(list, colorRow_)) return;
  list.DataLet(2, colorRow_, 0, ch_.ChatColorWindow->TextGet(index));
  list.DataLet(0, colorRow_, 0, true);
  ch_.Settings_Save(0);
}

// --- Custom rules --------------------------------------------------------------------

std::int32_t ChatRulePages::CustomSelection() {
  if (!ValidRow(*ch_.ChatCustom, customRow_)) customRow_ = -1;
  return customRow_;
}

void ChatRulePages::ChatCustom_Change(std::int32_t id, std::int32_t column, std::int32_t row) {
  if (!PluginActive || id == -1) return;
  platform::ListControl& list = *ch_.ChatCustom;
  if (!ValidRow(list, row)) return;
  if (column >= 0 && column <= 3) {
    customRow_ = -1;
    Highlight(list, row);
    SelectText(*ch_.ChatCustomColor, ChatTextHandler::GetColorFromIcon(Icon(list, 4, row)));
    SelectText(*ch_.ChatCustomSound, Text(list, 5, row));
    SelectText(*ch_.ChatCustomType, Text(list, 3, row));
    ch_.ChatCustomText->TextLet(Text(list, 1, row));
    ch_.ChatCustomWindow->TextLet(Text(list, 2, row));
    ch_.ChatCustomAction->TextLet(Text(list, 6, row));
    customRow_ = row;
  } else if (column == 4) {
    // The rule as the line that adds it again: text, type, window, colour, sound, action.
    Hub::wtcw("/x chatcustom " + Text(list, 1, row) + "|" + Text(list, 3, row) + "|" + Text(list, 2, row) + "|" +
              ChatTextHandler::GetColorFromIcon(Icon(list, 4, row)) + "|" + Text(list, 5, row) + "|" +
              Text(list, 6, row));
  } else if (column == 5) {
    Preview(Text(list, 5, row));
  }
  ch_.Settings_Save(0);
}

void ChatRulePages::ChatCustomSound_Change(std::int32_t index) {
  if (!PluginActive || index < 0 || CustomSelection() == -1) return;
  // Only a preview: the sound reaches the rule through Add or Edit.
  Preview(ch_.ChatCustomSound->TextGet(index));
}

void ChatRulePages::WriteRuleFromEditor(std::int32_t row) {
  platform::ListControl& list = *ch_.ChatCustom;
  list.DataLet(1, row, 0, ch_.ChatCustomText->TextGet());
  list.DataLet(2, row, 0, ch_.ChatCustomWindow->TextGet());
  list.DataLet(3, row, 0, SelectedText(*ch_.ChatCustomType, "All"));
  SetColourIcon(list, 4, row, ChatTextHandler::GetIconFromColor(SelectedText(*ch_.ChatCustomColor, "Default")));
  list.DataLet(5, row, 0, SelectedText(*ch_.ChatCustomSound, "None"));
  list.DataLet(6, row, 0, ch_.ChatCustomAction->TextGet());
}

void ChatRulePages::ChatCustomAdd_Accepted() {
  if (!PluginActive) return;
  if (ch_.ChatCustomText->TextGet().empty()) return;
  platform::ListControl& list = *ch_.ChatCustom;
  const std::int32_t row = list.AddRow();
  list.DataLet(0, row, 0, true);
  WriteRuleFromEditor(row);
  Highlight(list, row);
  customRow_ = row;
  ch_.Settings_Save(0);
}

void ChatRulePages::ChatCustomEdit_Accepted() {
  if (!PluginActive) return;
  if (ch_.ChatCustomText->TextGet().empty()) return;
  const std::int32_t row = CustomSelection();
  if (row == -1) return;
  WriteRuleFromEditor(row);
  ch_.Settings_Save(0);
}

void ChatRulePages::ChatCustomDelete_Accepted() {
  if (!PluginActive) return;
  const std::int32_t row = CustomSelection();
  if (row == -1) return;
  ch_.ChatCustom->DeleteRow(row);
  customRow_ = -1;
  ch_.Settings_Save(0);
}

void ChatRulePages::ChatCustomDown_Accepted() {
  if (!PluginActive) return;
  const std::int32_t s = CustomSelection();
  if (s == -1) return;
  platform::ListControl& list = *ch_.ChatCustom;
  if (s < list.Count() - 1) {
    const RuleCells cells = ReadRule(list, s);
    list.DeleteRow(s);
    list.InsertRow(s + 1);
    WriteRule(list, s + 1, cells);
    Highlight(list, s + 1);
    customRow_ = s + 1;
  }
  ch_.Settings_Save(0);
}

void ChatRulePages::ChatCustomUp_Accepted() {
  if (!PluginActive) return;
  const std::int32_t s = CustomSelection();
  if (s == -1) return;
  platform::ListControl& list = *ch_.ChatCustom;
  if (s > 0) {
    // The neighbour above moves below the selected rule.
    const RuleCells cells = ReadRule(list, s - 1);
    list.DeleteRow(s - 1);
    list.InsertRow(s);
    WriteRule(list, s, cells);
    Highlight(list, s - 1);
    customRow_ = s - 1;
  }
  ch_.Settings_Save(0);
}

// --- Word filters and aliases ----------------------------------------------------------

void ChatRulePages::ChatFilter_Change(std::int32_t column, std::int32_t row) {
  if (!PluginActive) return;
  platform::ListControl& list = *ch_.ChatFilter;
  if (!ValidRow(list, row)) return;
  if (column >= 1 && column <= 3) {
    ch_.FilterBox->TextLet(Text(list, 1, row));
    ch_.ChatFilterMatching->CheckedLet(Text(list, 2, row) == "Whole");
    ch_.ChatFilterAction->CheckedLet(Text(list, 3, row) == "Replace");
  } else if (column == 4) {
    list.DeleteRow(row);
  }
  ch_.Settings_Save(0);
}

void ChatRulePages::FilterAdd_Accepted() {
  if (!PluginActive) return;
  const std::string word = ch_.FilterBox->TextGet();
  if (word.empty()) return;
  platform::ListControl& list = *ch_.ChatFilter;
  // The same word (same case) is updated in place.
  std::int32_t row = -1;
  for (std::int32_t r = list.Count() - 1; r >= 0; --r) {
    if (Text(list, 1, r) == word) {
      row = r;
      break;
    }
  }
  if (row == -1) row = list.AddRow();
  list.DataLet(0, row, 0, true);
  list.DataLet(1, row, 0, word);
  list.DataLet(2, row, 0, ch_.ChatFilterMatching->CheckedGet() ? "Whole" : "Part");
  list.DataLet(3, row, 0, ch_.ChatFilterAction->CheckedGet() ? "Replace" : "Block");
  list.DataLet(4, row, 1, kIconDelete);
  ch_.Settings_Save(0);
}

void ChatRulePages::ChatAlias_Change(std::int32_t column, std::int32_t row) {
  if (!PluginActive) return;
  platform::ListControl& list = *ch_.ChatAlias;
  if (!ValidRow(list, row)) return;
  if (column == 1 || column == 2) {
    ch_.AliasAbbr->TextLet(Text(list, 1, row));
    ch_.AliasFull->TextLet(Text(list, 2, row));
  } else if (column == 3) {
    list.DeleteRow(row);
  }
  ch_.Settings_Save(0);
}

void ChatRulePages::AliasAdd_Accepted() {
  if (!PluginActive) return;
  const std::string abbreviation = vb::Trim(ch_.AliasAbbr->TextGet());
  const std::string full = ch_.AliasFull->TextGet();
  if (abbreviation.empty() || full.empty()) return;
  platform::ListControl& list = *ch_.ChatAlias;
  std::int32_t row = -1;
  for (std::int32_t r = 0, n = list.Count(); r < n; ++r) {
    if (Text(list, 1, r) == abbreviation) {
      row = r;
      break;
    }
  }
  if (row == -1) row = list.AddRow();
  list.DataLet(0, row, 0, true);
  list.DataLet(1, row, 0, abbreviation);
  list.DataLet(2, row, 0, full);
  list.DataLet(3, row, 1, kIconDelete);
  ch_.Settings_Save(0);
}

void ChatRulePages::ChatOptions_Change() {
  if (PluginActive) ch_.Settings_Save(0);
}

}  // namespace mellox
