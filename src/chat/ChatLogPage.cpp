#include "chat/ChatLogPage.h"

#include "chat/CellValue.h"
#include "chat/LogHandler.h"
#include "core/Globals.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

constexpr const char* kClass = "ControlHandler";

LogHandler& Log() {
  if (!LogHandlerInstance) Raise(91);
  return *LogHandlerInstance;
}

}  // namespace

void ChatLogPage::ChatLogAFK_Change(bool ticked) {
  if (!PluginActive) return;
  if (!ticked) return;
  if (!FilterHandlerInstance) Raise(91);
  FilterHandlerInstance->SendCommand("*afk*");
}

void ChatLogPage::ChatLogAuto_Change(bool ticked) {
  if (!PluginActive) return;
  // A log that cannot be opened is reported and stays off; the box is saved either way.
  Trap("ChatLogAuto_Change", kClass, [&] {
    LogHandler& log = Log();
    // A log already running (the chat command's among them) keeps its name.
    if (!ticked || log.FileLogging()) return;
    // The name opens the log in the form the XML box chooses.
    log.logfile(LogHandler::AutomaticName(ch_.ChatLogByDate->CheckedGet()));
    log.FileLogging(true);
  });
  ch_.Settings_Save(0);
}

void ChatLogPage::ChatLogByDate_Change() {
  if (!PluginActive) return;
  Trap("ChatLogByDate_Change", kClass, [&] {
    LogHandler& log = Log();
    log.logfile(LogHandler::AutomaticName(ch_.ChatLogByDate->CheckedGet()));
  });
  ch_.Settings_Save(0);
}

void ChatLogPage::ChatLogClear_Accepted() {
  if (PluginActive) Log().Clear();
}

void ChatLogPage::ChatLogDir_Accepted() {
  if (!PluginActive) return;
  const bool ascending = ch_.ChatLogDir->TextGet() == "D";
  ch_.ChatLogDir->TextLet(ascending ? "A" : "D");
  Log().SortAsc(ascending);
}

void ChatLogPage::ChatLogFilter_Change(std::int32_t index) {
  if (PluginActive) Log().FilterMode(index);
}

void ChatLogPage::ChatLogMax_End() {
  if (!PluginActive) return;
  LogHandler& log = Log();
  if (const auto lines = LogHandler::MaxLinesFromText(ch_.ChatLogMax->TextGet())) {
    log.MaxLines(*lines);
  } else {
    ch_.ChatLogMax->TextLet(vb::CStr(static_cast<std::int64_t>(log.MaxLines())));
  }
  ch_.Settings_Save(0);
}

void ChatLogPage::ChatLogSearch_Change(const std::string& text) {
  if (PluginActive) Log().SearchString(text);
}

void ChatLogPage::ChatLogXML_Change() {
  if (!PluginActive) return;
  Trap("ChatLogXML_Change", kClass, [&] {
    LogHandler& log = Log();
    const std::string name = log.logfile();
    log.logfile(name);
  });
  ch_.Settings_Save(0);
}

void ChatLogPage::ChatLogView_Change(std::int32_t id, std::int32_t column, std::int32_t row) {
  if (!PluginActive) return;
  if (id == -1 || column != 0) return;
  Log().PrintDetails(CellLong(ch_.ChatLogView->DataGet(1, row, 0)));
}

void ChatLogPage::ChatLogOptions_Change(std::int32_t id) {
  if (PluginActive && id != -1) ch_.Settings_Save(0);
}

void ChatLogPage::SaveOnly_Change() {
  if (PluginActive) ch_.Settings_Save(0);
}

}  // namespace mellox
