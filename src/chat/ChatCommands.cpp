#include "chat/ChatCommands.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "chat/AliasHandler.h"
#include "chat/ChatTextHandler.h"
#include "chat/LogHandler.h"
#include "chat/ReportCommands.h"
#include "core/EventQueue.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/KeyboardAC.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "hud/HUDMainHandler.h"
#include "settings_view/ControlHandler.h"
#include "tracking/SpellFilterHandler.h"
#include "tracking/Statistics.h"

namespace mellox {

namespace {

constexpr const char* kClass = "ChatTextHandler";

template <class T>
T& Instance(T* instance) {
  if (!instance) Raise(91);
  return *instance;
}

FilterHandler& Filter() { return Instance(FilterHandlerInstance); }
EventQueue& Events() { return Instance(EventQueueInstance); }
ChatTextHandler& Chat() { return Instance(ChatTextHandlerInstance); }

std::string BoolText(bool value) { return value ? "True" : "False"; }

// The command text less the command word's length, trimmed, in the case typed.
std::string Argument(const std::string& command, long wordLength) {
  return vb::Trim(vb::Mid(command, wordLength + 1));
}

// Set while the plug-in hands one of its own lines to the game.
bool sendingToGame = false;

class SendingScope {
 public:
  SendingScope() : old_(sendingToGame) { sendingToGame = true; }
  ~SendingScope() { sendingToGame = old_; }
  SendingScope(const SendingScope&) = delete;
  SendingScope& operator=(const SendingScope&) = delete;

 private:
  bool old_;
};

// --- Actions -------------------------------------------------------------------

void Help(const std::string&) {
  Hub::wtcw(std::string(kPluginName) + " Version: 1.1.0.1 by Quarnel of Dunmorrow.");
  Hub::wtcw("Location: \"/x \" + loc, floc, aloc, ploc, vloc, cloc, rloc, oloc");
  Hub::wtcw("Corpse: \"/x \" + corpse, fcorpse, acorpse, vcorpse, ccorpse, rcorpse, ocorpse ");
  Hub::wtcw("XP Report: \"/x \" + xp, fxp, axp, pxp, vxp, cxp, rxp, oxp");
  Hub::wtcw("Level Report: \"/x \" + level, flevel, alevel, plevel, vlevel, clevel, rlevel, olevel");
  Hub::wtcw(
      "Misc: \"/x \" + resetxp, resethuds, chatcolors, chattypes, guid, find <search name>, runevents, "
      "clearevents");
}

void Guid(const std::string&) {
  const std::int32_t id = Filter().GetCurrentSelection();
  const std::string name = Filter().GetName(id);
  Hub::wtcw(name + ", GUID: " + std::to_string(Filter().GetCurrentSelection()));
}

void ResetXP(const std::string&) {
  Instance(StatisticsInstance).ResetSession();
  Instance(HUDMainHandlerInstance).UpdateHUD();
}

void ClearEvents(const std::string&) {
  Hub::wtcw("Event Queue Cleared");
  Events().Clear();
}

// "/x chatcustom " + trigger|type|window|colour|sound|action: a new custom
// rule row, its enabled box left as a new row has it. Nothing is saved here.
void ChatCustom(const std::string& command) {
  const std::vector<std::string> fields = vb::Split(Argument(command, 10), "|");
  if (fields.size() < 6) {
    Hub::wtcw("Invalid Custom Chat Entry");
    return;
  }
  platform::ListControl& list = *Instance(ControlHandlerInstance).ChatCustom;
  const std::int32_t row = list.AddRow();
  list.DataLet(1, row, 0, fields[0]);
  list.DataLet(3, row, 0, fields[1]);
  list.DataLet(2, row, 0, fields[2]);
  list.DataLet(4, row, 0, PluginModuleHandle);
  list.DataLet(4, row, 1, ChatTextHandler::GetIconFromColor(fields[3]));
  list.DataLet(5, row, 0, fields[4]);
  list.DataLet(6, row, 0, fields[5]);
}

// "/x log NAME" opens the chat-log file NAME; "/x log" closes it.
void Log(const std::string& command) {
  const std::string name = Argument(command, 3);
  LogHandler& log = Instance(LogHandlerInstance);
  if (name.empty()) {
    log.FileLogging(false);
    Hub::wtcw("Closing log file");
    return;
  }
  if (log.FileLogging()) {
    Hub::wtcw("Logging is currently in progress, close the current file before opening a new one");
    return;
  }
  log.logfile(name);
  Hub::wtcw("Now logging to " + log.LogPath() + log.logfile());
  log.FileLogging(true);
}

void ChatTypes(const std::string&) {
  ChatTextHandler& chat = Chat();
  chat.ShowChatTypes = !chat.ShowChatTypes;
  Hub::wtcw("Chat Types: " + BoolText(chat.ShowChatTypes));
}

void Debug(const std::string&) {
  DebugMode = !DebugMode;
  Hub::wtcw("Debug mode toggled! " + BoolText(DebugMode));
}

void DebugSilentToggle(const std::string&) {
  DebugSilent = !DebugSilent;
  DebugMode = DebugSilent;
  Hub::wtcw("Debug mode toggled! " + BoolText(DebugMode));
}

// The flag is set first and stays set when the guardian is not around.
void Temple(bool& pending, const char* guardian) {
  pending = true;
  const std::int32_t id = Filter().GetID(guardian);
  Filter().UseItem(id, 0);
}

void Dev(const std::string&) {
  FilterHandler& filter = Filter();
  filter.Dev = !filter.Dev;
  Hub::wtcw("Devmode toggled! " + BoolText(filter.Dev));
}

// "/x listxp" levels 3 to 275; "/x listxp A, B" A to B; "/x listxp A" A alone.
void ListXP(const std::string& command) {
  const std::string argument = Argument(command, 6);
  if (argument.empty()) {
    ReportCommands::XPList(3, 275);
    return;
  }
  const std::vector<std::string> parts = vb::Split(argument, ",");
  const std::int32_t first = vb::CLng(vb::Trim(parts[0]));
  const std::int32_t last = parts.size() >= 2 ? vb::CLng(vb::Trim(parts[1])) : first;
  ReportCommands::XPList(first, last);
}

// --- The command table ---------------------------------------------------------

struct CommandRow {
  // Matched against the lower-cased command text; a row matches when any of
  // its patterns does.
  std::vector<std::string> patterns;
  std::function<void(const std::string&)> action;
};

void AddReportRows(std::vector<CommandRow>& rows, std::vector<std::string> words,
                   ReportCommands::Report report) {
  static constexpr char kChannels[] = {0, 'f', 'a', 'p', 'v', 'c', 'r', 'o'};
  for (const char channel : kChannels) {
    CommandRow row;
    for (const auto& word : words) row.patterns.push_back(channel ? channel + word : word);
    row.action = [report, channel](const std::string&) { ReportCommands::Run(report, channel); };
    rows.push_back(std::move(row));
  }
}

// Tried in this order; the first matching row runs. "*help*" comes first and
// wins for any text holding "help"; patterns ending in * take anything right
// after the command word.
std::vector<CommandRow> BuildTable() {
  using Report = ReportCommands::Report;
  std::vector<CommandRow> rows;
  auto add = [&rows](std::string pattern, std::function<void(const std::string&)> action) {
    rows.push_back({{std::move(pattern)}, std::move(action)});
  };
  add("*help*", Help);
  add("find*", [](const std::string& c) { Filter().Find(Argument(c, 4)); });
  add("guid", Guid);
  add("resetxp", ResetXP);
  add("runevents", [](const std::string&) { Events().Run(); });
  add("clearevents", ClearEvents);
  add("resethuds", [](const std::string&) { Filter().ResetHUDsPos(); });
  add("chatcolors", [](const std::string&) { Chat().ChatColors(); });
  add("chatcustom*", ChatCustom);
  add("log*", Log);
  AddReportRows(rows, {"loc"}, Report::Location);
  AddReportRows(rows, {"corpse"}, Report::Corpse);
  AddReportRows(rows, {"xp", "exp"}, Report::XP);
  AddReportRows(rows, {"level"}, Report::Level);
  add("chattypes", ChatTypes);
  add("debug", Debug);
  add("debugsilent", DebugSilentToggle);
  add("searchinv*", [](const std::string& c) { Filter().Find_in_Pack(Argument(c, 9)); });
  add("templeforget*", [](const std::string&) {
    Temple(Chat().TempleForgetPending, "Guardian of the Temple of Forgetfulness");
  });
  add("templeenlight*", [](const std::string&) {
    Temple(Chat().TempleEnlightenPending, "Guardian of the Temple of Enlightenment");
  });
  add("sellpeas", [](const std::string&) { Filter().StartPeas(); });
  add("stopsellpeas", [](const std::string&) { Filter().StopPeas(); });
  add("dev", Dev);
  add("fillmana", [](const std::string&) { Filter().Fill_Mana(false); });
  add("augs", [](const std::string&) { Filter().Augs(); });
  add("testcolors", [](const std::string&) { Chat().ColorsTest(); });
  add("listcolors", [](const std::string&) { Chat().Colors(); });
  add("listspells", [](const std::string&) { Instance(SpellFilterHandlerInstance).SpellExport(); });
  add("listxp*", ListXP);
  add("listenchant", [](const std::string&) { Filter().ExportEnchantments(); });
  return rows;
}

const std::vector<CommandRow>& CommandTable() {
  static const std::vector<CommandRow> table = BuildTable();
  return table;
}

}  // namespace

bool ChatCommands::IsCommand(const std::string& line) { return vb::Like(vb::LCase(line), "[/@]x *"); }

bool ChatCommands::OutgoingText(const std::string& typed) {
  if (!PluginActive) return true;
  // The host handing back a line the plug-in itself is sending: it has been
  // through the commands and aliases already.
  if (sendingToGame) return true;
  bool result = true;
  Trap("OutgoingText", kClass, [&] {
    if (IsCommand(typed)) {
      Run(typed);
      result = false;
    } else {
      result = AliasHandler::Apply(typed);
    }
  });
  return result;
}

void ChatCommands::Run(const std::string& typed) {
  const std::string command = vb::Trim(vb::Mid(typed, 3));
  const std::string lowered = vb::LCase(command);
  for (const CommandRow& row : CommandTable()) {
    for (const std::string& pattern : row.patterns) {
      if (!vb::Like(lowered, pattern)) continue;
      row.action(command);
      return;
    }
  }
}

std::vector<std::string> ChatCommands::Patterns() {
  std::vector<std::string> patterns;
  for (const CommandRow& row : CommandTable()) patterns.insert(patterns.end(), row.patterns.begin(), row.patterns.end());
  return patterns;
}

void ChatCommands::SendToGame(const std::string& line) {
  SendingScope sending;
  Filter().SendCommand(line);
}

void ChatCommands::TypeIntoChatBar(const std::string& line) {
  KeyboardAC& keyboard = Instance(KeyboardACInstance);
  keyboard.AddWaitforChat();
  keyboard.SendString(line, true);
  keyboard.Run();
}

}  // namespace mellox
