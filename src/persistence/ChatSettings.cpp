#include "persistence/ChatSettings.h"

#include <array>

#include "core/Globals.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "persistence/AttributeReader.h"
#include "persistence/DataFile.h"
#include "persistence/PersistenceLinks.h"
#include "persistence/XmlFiles.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

using persistence::AddElement;
using persistence::SetAttr;
using persistence::VariantText;

constexpr std::int32_t kFirstChatIcon = 101;
constexpr std::array<const char*, 14> kChatColors = {
    "White",       "Grey",   "Red",    "Light Red", "Blue", "Light Blue", "Turquoise",
    "Green",       "Yellow", "Dark Yellow", "Purple", "Pink", "Orange", "Default",
};

// A colour cell's icon; a cell that holds no number names no colour.
std::int32_t IconOf(const platform::Variant& cell) {
  try {
    return persistence::VariantLong(cell);
  } catch (const VBError&) {
    return 0;
  }
}

std::string CellText(platform::ListControl& list, std::int32_t column, std::int32_t row) {
  return VariantText(list.DataGet(column, row, 0));
}

// A rule added by a command may leave its box empty: it is not ticked.
std::string CheckCell(platform::ListControl& list, std::int32_t column, std::int32_t row) {
  return persistence::CheckText(list.DataGet(column, row, 0));
}

void SetColorCell(platform::ListControl& list, std::int32_t column, std::int32_t row, const std::string& name) {
  list.DataLet(column, row, 0, PluginModuleHandle);
  list.DataLet(column, row, 1, ChatSettings::IconFromColor(name));
}

std::int32_t NewRow(platform::ListControl& list) {
  const std::int32_t row = list.AddRow();
  // Rows are numbered with 16 bits; one past that range cannot be addressed.
  if (row > 32767) {
    list.DeleteRow(row);
    Raise(6);
  }
  return row;
}

// The row of a named list, or -1 when the element names none.
std::int32_t NamedRow(ControlHandler& ch, const AttributeReader& r, const char* listName) {
  return ch.FindName(r.Text("name", ""), listName);
}

void ApplyChatLog(ControlHandler& ch, const AttributeReader& r) {
  // The shipped limit: for a file without one, and in place of one refused.
  constexpr const char* kShippedLimit = "100";
  ch.ChatLogEnable->CheckedLet(r.Bool("enabled", false));
  ch.ChatLogMax->TextLet(r.Text("max", kShippedLimit));
  ch.ChatLogAuto->CheckedLet(r.Bool("auto", false));
  ch.ChatLogTimestamp->CheckedLet(r.Bool("timestamp", false));
  ch.ChatLogXML->CheckedLet(r.Bool("xml", false));
  ch.ChatLogByDate->CheckedLet(r.Bool("bydate", false));
  ch.ChatLogAFKMessage->TextLet(r.Text("afkmsg", "I am currently away from the keyboard."));

  // A limit that is no number, too large or negative gives the shipped one:
  // the limit in force may be another character's.
  const std::string max = ch.ChatLogMax->TextGet();
  std::int32_t lines = -1;
  int fault = 13;
  if (vb::IsNumeric(max)) {
    try {
      lines = vb::CLng(max);
      fault = 5;
    } catch (const VBError& e) {
      fault = e.Number();
    }
  }
  if (lines < 0) {
    r.ReportBad(fault, "max", max, kShippedLimit);
    ch.ChatLogMax->TextLet(kShippedLimit);
    lines = vb::CLng(kShippedLimit);
  }
  if (Links().SetLogMaxLines) {
    Links().SetLogMaxLines(lines);
    DataFile::LogLimitSetBySettings();
  }
  // Automatic logging opens the text file of the name the log holds now (at a
  // login none yet: the login's own step names and opens it).
  if (ch.ChatLogAuto->CheckedGet() && Links().InitFileLog) Links().InitFileLog();
}

}  // namespace

std::string ChatSettings::ColorFromIcon(std::int32_t icon) {
  const std::int32_t i = icon - kFirstChatIcon;
  if (i < 0 || i >= static_cast<std::int32_t>(kChatColors.size())) return "Default";
  return kChatColors[static_cast<std::size_t>(i)];
}

std::int32_t ChatSettings::IconFromColor(const std::string& name) {
  for (std::size_t i = 0; i < kChatColors.size(); ++i) {
    if (name == kChatColors[i]) return kFirstChatIcon + static_cast<std::int32_t>(i);
  }
  return kFirstChatIcon;
}

bool ChatSettings::Apply(ControlHandler& ch, pugi::xml_node element, const std::string& procedure) {
  const std::string_view name = element.name();
  const AttributeReader r(element, procedure);
  if (name == "Chat_Option") {
    const std::int32_t row = NamedRow(ch, r, "ChatOptions");
    if (row >= 0) ch.ChatOptions->DataLet(0, row, 0, r.Bool("enabled", false));
  } else if (name == "Chat_Color") {
    const std::int32_t row = NamedRow(ch, r, "ChatColor");
    if (row >= 0) {
      platform::ListControl& list = *ch.ChatColor;
      list.DataLet(0, row, 0, r.Bool("enabled", false));
      list.DataLet(2, row, 0, r.Text("window", "D"));
      SetColorCell(list, 3, row, r.TextOrFalse("color"));
      list.DataLet(4, row, 0, r.TextOrFalse("sound"));
    }
  } else if (name == "Chat_Log_Option") {
    const std::int32_t row = NamedRow(ch, r, "ChatLog");
    if (row >= 0) {
      ch.ChatLogOptions->DataLet(2, row, 0, r.Bool("view", false));
      ch.ChatLogOptions->DataLet(4, row, 0, r.Bool("file", false));
    }
  } else if (name == "Chat_Filter") {
    platform::ListControl& list = *ch.ChatFilter;
    const std::int32_t row = NewRow(list);
    list.DataLet(0, row, 0, r.Bool("enabled", false));
    list.DataLet(1, row, 0, r.TextOrFalse("name"));
    list.DataLet(2, row, 0, r.TextOrFalse("matching"));
    list.DataLet(3, row, 0, r.TextOrFalse("action"));
    list.DataLet(4, row, 1, kDeleteIcon);
  } else if (name == "Chat_Alias") {
    platform::ListControl& list = *ch.ChatAlias;
    const std::int32_t row = NewRow(list);
    list.DataLet(0, row, 0, r.Bool("enabled", false));
    list.DataLet(1, row, 0, r.TextOrFalse("abbr"));
    list.DataLet(2, row, 0, r.TextOrFalse("full"));
    list.DataLet(3, row, 1, kDeleteIcon);
  } else if (name == "Chat_Custom") {
    platform::ListControl& list = *ch.ChatCustom;
    const std::int32_t row = NewRow(list);
    list.DataLet(0, row, 0, r.Bool("enabled", false));
    list.DataLet(1, row, 0, r.Text("text", ""));
    list.DataLet(3, row, 0, r.TextOrFalse("type"));
    list.DataLet(2, row, 0, r.Text("window", ""));
    SetColorCell(list, 4, row, r.TextOrFalse("color"));
    list.DataLet(5, row, 0, r.TextOrFalse("sound"));
    list.DataLet(6, row, 0, r.Text("action", ""));
  } else if (name == "Chat_Log") {
    ApplyChatLog(ch, r);
  } else {
    return false;
  }
  return true;
}

void ChatSettings::Write(ControlHandler& ch, pugi::xml_node root) {
  {
    platform::ListControl& list = *ch.ChatOptions;
    for (std::int32_t row = 0, n = list.Count(); row < n; ++row) {
      pugi::xml_node e = AddElement(root, "Chat_Option");
      SetAttr(e, "name", CellText(list, 1, row));
      SetAttr(e, "enabled", CheckCell(list, 0, row));
    }
  }
  {
    platform::ListControl& list = *ch.ChatFilter;
    for (std::int32_t row = 0, n = list.Count(); row < n; ++row) {
      pugi::xml_node e = AddElement(root, "Chat_Filter");
      SetAttr(e, "name", CellText(list, 1, row));
      SetAttr(e, "enabled", CheckCell(list, 0, row));
      SetAttr(e, "matching", CellText(list, 2, row));
      SetAttr(e, "action", CellText(list, 3, row));
    }
  }
  {
    platform::ListControl& list = *ch.ChatAlias;
    for (std::int32_t row = 0, n = list.Count(); row < n; ++row) {
      pugi::xml_node e = AddElement(root, "Chat_Alias");
      SetAttr(e, "abbr", CellText(list, 1, row));
      SetAttr(e, "full", CellText(list, 2, row));
      SetAttr(e, "enabled", CheckCell(list, 0, row));
    }
  }
  {
    platform::ListControl& list = *ch.ChatColor;
    for (std::int32_t row = 0, n = list.Count(); row < n; ++row) {
      pugi::xml_node e = AddElement(root, "Chat_Color");
      SetAttr(e, "name", CellText(list, 1, row));
      SetAttr(e, "enabled", CheckCell(list, 0, row));
      SetAttr(e, "window", CellText(list, 2, row));
      SetAttr(e, "color", ColorFromIcon(IconOf(list.DataGet(3, row, 1))));
      SetAttr(e, "sound", CellText(list, 4, row));
    }
  }
  {
    platform::ListControl& list = *ch.ChatCustom;
    for (std::int32_t row = 0, n = list.Count(); row < n; ++row) {
      pugi::xml_node e = AddElement(root, "Chat_Custom");
      SetAttr(e, "text", CellText(list, 1, row));
      SetAttr(e, "enabled", CheckCell(list, 0, row));
      SetAttr(e, "type", CellText(list, 3, row));
      SetAttr(e, "window", CellText(list, 2, row));
      SetAttr(e, "color", ColorFromIcon(IconOf(list.DataGet(4, row, 1))));
      SetAttr(e, "sound", CellText(list, 5, row));
      SetAttr(e, "action", CellText(list, 6, row));
    }
  }
  {
    pugi::xml_node e = AddElement(root, "Chat_Log");
    SetAttr(e, "enabled", ch.ChatLogEnable->CheckedGet());
    SetAttr(e, "max", ch.ChatLogMax->TextGet());
    SetAttr(e, "auto", ch.ChatLogAuto->CheckedGet());
    SetAttr(e, "timestamp", ch.ChatLogTimestamp->CheckedGet());
    SetAttr(e, "xml", ch.ChatLogXML->CheckedGet());
    SetAttr(e, "bydate", ch.ChatLogByDate->CheckedGet());
    SetAttr(e, "afkmsg", ch.ChatLogAFKMessage->TextGet());
  }
  {
    platform::ListControl& list = *ch.ChatLogOptions;
    for (std::int32_t row = 0, n = list.Count(); row < n; ++row) {
      pugi::xml_node e = AddElement(root, "Chat_Log_Option");
      SetAttr(e, "name", CellText(list, 0, row));
      SetAttr(e, "view", CheckCell(list, 2, row));
      SetAttr(e, "file", CheckCell(list, 4, row));
    }
  }
}

}  // namespace mellox
