#include "chat/LogHandler.h"

#include <cmath>
#include <limits>
#include <string_view>

#include "chat/CellValue.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/TimeModule.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "persistence/PersistenceLinks.h"
#include "platform/HostView.h"
#include "platform/System.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

constexpr const char* kClass = "LogHandler";
constexpr std::int32_t kViewColumn = 2;
constexpr std::int32_t kFileColumn = 4;

bool TypeIn(std::int32_t type, std::initializer_list<std::int32_t> types) {
  for (const std::int32_t t : types) {
    if (t == type) return true;
  }
  return false;
}

// The fixed patterns of the categories, compiled once.
const vb::LikePattern kYourPatron("Your patron*");
const vb::LikePattern kSayToPatron("You say to your Patron*");
const vb::LikePattern kCoVassals("[[]Co-Vassals[]]*");
const vb::LikePattern kSayToVassals("You say to your Vassals*");
const vb::LikePattern kYourVassal("Your vassal*");
const vb::LikePattern kVitae("Your experience has reduced your Vitae penalty!*");
const vb::LikePattern kDiscovered("* has discovered *");
const vb::LikePattern kBaseIsNow("Your base*is now*");

struct Category {
  std::int32_t tag;
  const char* rowName;
  bool (*test)(const std::string& line, std::int32_t type);
};

// In the order they are tried ("Vitae" before "Magic", "Stat Raises" before
// "Level"); a category whose box is off lets the line go on to later tries.
const Category kCategories[] = {
    {1, "Open Chat", [](const std::string&, std::int32_t t) { return TypeIn(t, {2, 12}); }},
    {2, "Tells", [](const std::string&, std::int32_t t) { return TypeIn(t, {3, 4}); }},
    {3, "Fellowship", [](const std::string&, std::int32_t t) { return t == 19; }},
    {4, "Patron/Covassal",
     [](const std::string& s, std::int32_t t) {
       return (t == 10 && kYourPatron.Match(s)) || (t == 11 && kSayToPatron.Match(s)) ||
              (t == 10 && kCoVassals.Match(s));
     }},
    {5, "Vassal",
     [](const std::string& s, std::int32_t t) {
       return (t == 11 && kSayToVassals.Match(s)) || (t == 10 && kYourVassal.Match(s));
     }},
    {6, "Allegiance", [](const std::string&, std::int32_t t) { return t == 18; }},
    {7, "Channels", [](const std::string&, std::int32_t t) { return TypeIn(t, {27, 28, 29, 30}); }},
    {17, "Vitae",
     [](const std::string& s, std::int32_t t) {
       return t == 7 && kVitae.Match(s);
     }},
    {8, "Magic", [](const std::string&, std::int32_t t) { return t == 7; }},
    {9, "Spellwords", [](const std::string&, std::int32_t t) { return t == 17; }},
    {10, "Combat", [](const std::string&, std::int32_t t) { return TypeIn(t, {21, 22, 6}); }},
    {11, "System", [](const std::string&, std::int32_t t) { return t == 0; }},
    {12, "Recalls", [](const std::string&, std::int32_t t) { return t == 23; }},
    {13, "Tinkers", [](const std::string&, std::int32_t t) { return t == 24; }},
    {14, "Rares", [](const std::string& s, std::int32_t t) { return t == 5 && kDiscovered.Match(s); }},
    {15, "Stat Raises", [](const std::string& s, std::int32_t t) { return t == 13 && kBaseIsNow.Match(s); }},
    {16, "Level", [](const std::string&, std::int32_t t) { return t == 13; }},
    {18, "Mellox", [](const std::string&, std::int32_t t) { return t == 32; }},
    {19, "Other", [](const std::string&, std::int32_t) { return true; }},
};

ControlHandler& Controls() {
  if (!ControlHandlerInstance) Raise(91);
  return *ControlHandlerInstance;
}

// The view colour of a chat colour code. The colour table covers the game's
// codes 0..31 only; anything else (the plug-in's own 32 among them) is shown
// in the colour the pipeline writes own lines in.
std::int32_t ViewColour(std::int32_t code) {
  if (code < 0 || code >= static_cast<std::int32_t>(ChatColors.size())) code = 5;
  return ChatColors[static_cast<std::size_t>(code)];
}

std::int32_t NowUnix() { return TimeModule::LocalToUnix(platform::Sys().Now()); }

}  // namespace

LogHandler::LogHandler() {
  Trap("Class_Initialize", kClass, [] { Hub::wtcw_debug("Log Handler Init"); });
  auto& links = Links();
  links.SetLogMaxLines = [this](std::int32_t lines) { MaxLines(lines); };
  links.LogMaxLines = [this] { return maxLines_; };
  links.InitFileLog = [this] { InitFileLog(); };
  links.ForEachLogItem = [this](const std::function<void(const LogItem&)>& visit) {
    for (const LogItem& item : log_) visit(item);
  };
  links.AddToLogFromData = [this](const std::string& message, std::int32_t msgtype, std::int32_t msgcolor,
                                  std::int32_t msgtag, std::int32_t msgdate) {
    AddToLogFromData(message, msgtype, msgcolor, msgtag, msgdate);
  };
  links.DisplayLog = [this] { DisplayLog(); };
}

LogHandler::~LogHandler() {
  auto& links = Links();
  links.SetLogMaxLines = nullptr;
  links.LogMaxLines = nullptr;
  links.InitFileLog = nullptr;
  links.ForEachLogItem = nullptr;
  links.AddToLogFromData = nullptr;
  links.DisplayLog = nullptr;
  Trap("Class_Terminate", kClass, [] { Hub::wtcw_debug("Log Handler Terminate"); });
}

// --- File side -------------------------------------------------------------------

void LogHandler::InitFileLog() {
  // Without a name there is no file to open (no stray ".txt").
  if (logfile_.empty()) return;
  // Opening LogPath + logfile + ".txt" for appending comes with the chat-log files.
}

void LogHandler::WriteFileLog() {
  if (fileQueue_.empty()) return;
  // Writing the queued lines to the text or XML file comes with the chat-log
  // files; until then the queue is emptied so it cannot grow without end.
  fileQueue_.clear();
}

void LogHandler::FileLogging(bool value) { fileLogging_ = value; }

void LogHandler::logfile(const std::string& name) {
  logfile_ = vb::Replace(vb::Replace(name, ".txt", ""), ".xml", "");
  // Opening the file of the new name (text or XML) comes with the chat-log files.
}

// --- In-memory log -----------------------------------------------------------------

std::int32_t LogHandler::Classify(const std::string& message, std::int32_t msgtype, std::int32_t column) {
  auto& controls = Controls();
  for (std::size_t c = 0; c < std::size(kCategories); ++c) {
    const Category& category = kCategories[c];
    if (!category.test(message, msgtype)) continue;
    const std::int32_t row = optionRows_.Row(controls, controls.ChatLogOptions.get(), "ChatLog", c, category.rowName);
    if (row < 0) Raise(9);
    if (optionRows_.Flag(*controls.ChatLogOptions, column, row)) return category.tag;
  }
  return 0;
}

std::int32_t LogHandler::ClassifyToView(const std::string& message, std::int32_t msgtype) {
  std::int32_t tag = 0;
  Trap("ClassifyToView", kClass, [&] { tag = Classify(message, msgtype, kViewColumn); });
  return tag;
}

std::int32_t LogHandler::ClassifyToFile(const std::string& message, std::int32_t msgtype) {
  std::int32_t tag = 0;
  Trap("ClassifyToFile", kClass, [&] { tag = Classify(message, msgtype, kFileColumn); });
  return tag;
}

void LogHandler::AddToLog(const std::string& message, std::int32_t msgtype, std::int32_t msgcolor) {
  Trap("AddToLog", kClass, [&] {
    auto& controls = Controls();
    if (controls.ChatLogEnable->CheckedGet()) {
      const std::int32_t tag = ClassifyToView(message, msgtype);
      if (tag > 0) {
        const std::int32_t id = nextMsgId_++;
        log_.emplace_back(message, msgtype, msgcolor, NowUnix(), tag, id);
        // Lines leaving the front are counted as they go (the new line itself
        // when the limit leaves no room for it).
        std::int32_t removedRows = 0;
        bool addedRemoved = false;
        while (static_cast<std::int64_t>(log_.size()) > maxLines_ && !log_.empty()) {
          if (log_.size() == 1 && log_.front().MsgID() == id) {
            addedRemoved = true;
          } else if (DisplayItem(log_.front())) {
            ++removedRows;
          }
          log_.pop_front();
        }
        MarkDataDirty();
        UpdateView(removedRows, addedRemoved ? nullptr : &log_.back());
      }
    }
    if (fileLogging_) {
      const std::int32_t tag = ClassifyToFile(message, msgtype);
      if (tag > 0) fileQueue_.emplace_back(message, msgtype, msgcolor, NowUnix(), tag, 0);
    }
  });
}

void LogHandler::AddToLogFromData(const std::string& message, std::int32_t msgtype, std::int32_t msgcolor,
                                  std::int32_t msgtag, std::int32_t msgdate) {
  Trap("AddToLogFromData", kClass, [&] {
    log_.emplace_back(message, msgtype, msgcolor, msgdate, msgtag, nextMsgId_++);
    CheckSize();
  });
}

void LogHandler::CheckSize() {
  Trap("CheckSize", kClass, [&] {
    while (static_cast<std::int64_t>(log_.size()) > maxLines_ && !log_.empty()) log_.pop_front();
  });
}

void LogHandler::Clear() {
  Trap("Clear", kClass, [&] {
    log_.clear();
    MarkDataDirty();
    DisplayLog();
  });
}

bool LogHandler::TakeDataSaveRequest() {
  const bool pending = dataSavePending_;
  dataSavePending_ = false;
  return pending;
}

// --- The view ------------------------------------------------------------------------

void LogHandler::AddViewRow(std::int32_t row, const LogItem& item) {
  auto& view = *Controls().ChatLogView;
  view.DataLet(0, row, 0, item.message());
  view.DataLet(1, row, 0, item.MsgID());
  view.ColorLet(0, row, ViewColour(item.msgcolor()));
}

void LogHandler::DisplayLog() {
  Trap("DisplayLog", kClass, [&] {
    auto& view = *Controls().ChatLogView;
    viewKnown_ = false;
    const std::int32_t scroll = view.ScrollPositionGet();
    view.Clear();
    viewRows_ = 0;
    auto show = [&](const LogItem& item) {
      if (!DisplayItem(item)) return;
      AddViewRow(view.AddRow(), item);
      ++viewRows_;
    };
    if (sortAsc_) {
      for (const LogItem& item : log_) show(item);
    } else {
      for (auto it = log_.rbegin(); it != log_.rend(); ++it) show(*it);
    }
    view.ScrollPositionLet(scroll);
    viewVersion_ = view.RowsVersion();
    viewKnown_ = true;
  });
}

void LogHandler::UpdateView(std::int32_t removedRows, const LogItem* added) {
  auto& view = *Controls().ChatLogView;
  if (!viewKnown_ || view.RowsVersion() != viewVersion_ || view.Count() != viewRows_) {
    DisplayLog();
    return;
  }
  const bool addRow = added != nullptr && DisplayItem(*added);
  if (removedRows == 0 && !addRow) return;

  // The same rows a full refill would give: the oldest lines are the top rows
  // in ascending order and the bottom rows otherwise.
  viewKnown_ = false;
  const std::int32_t scroll = view.ScrollPositionGet();
  for (std::int32_t i = 0; i < removedRows; ++i) {
    view.DeleteRow(sortAsc_ ? 0 : viewRows_ - 1);
    --viewRows_;
  }
  if (addRow) {
    std::int32_t row = 0;
    if (sortAsc_) {
      row = view.AddRow();
    } else {
      view.InsertRow(0);
    }
    AddViewRow(row, *added);
    ++viewRows_;
  }
  view.ScrollPositionLet(scroll);
  viewVersion_ = view.RowsVersion();
  viewKnown_ = true;
}

void LogHandler::ParseSearch() {
  searchTerms_.clear();
  if (searchString_.empty()) return;
  const std::string expanded = vb::Replace(vb::Replace(searchString_, "+", " AND "), "|", " OR ");
  for (const std::string& alternative : vb::Split(expanded, "OR")) {
    std::vector<std::string> terms;
    for (const std::string& term : vb::Split(alternative, "AND")) terms.push_back(vb::LCase(vb::Trim(term)));
    searchTerms_.push_back(std::move(terms));
  }
}

bool LogHandler::Matches(const LogItem& item) const {
  if (!searchString_.empty()) {
    const std::string lower = vb::LCase(item.message());
    bool any = false;
    for (const auto& terms : searchTerms_) {
      bool all = true;
      for (const std::string& term : terms) {
        if (!term.empty() && lower.find(term) == std::string::npos) {
          all = false;
          break;
        }
      }
      if (all) {
        any = true;
        break;
      }
    }
    if (!any) return false;
  }
  if (filterMode_ == 0) return true;
  if (filterMode_ >= 1 && filterMode_ <= 7) return item.msgtag() == filterMode_;
  return false;
}

bool LogHandler::DisplayItem(const LogItem& item) {
  bool shown = false;
  Trap("DisplayItem", kClass, [&] { shown = Matches(item); });
  return shown;
}

void LogHandler::PrintDetails(std::int32_t msgId) {
  Trap("PrintDetails", kClass, [&] {
    for (const LogItem& item : log_) {
      if (item.MsgID() != msgId) continue;
      const std::string when = vb::FormatDate(TimeModule::UnixToLocal(item.msgdate()), "General Date");
      if (!FilterHandlerInstance) Raise(91);
      FilterHandlerInstance->WriteToChatWindow("---<" + when + "> " + item.message(), item.msgcolor(), 1);
      return;
    }
  });
}

// --- Properties ----------------------------------------------------------------------

void LogHandler::SetScrollTop() { Controls().ChatLogView->ScrollPositionLet(0); }

void LogHandler::SearchString(const std::string& value) {
  searchString_ = value;
  ParseSearch();
  DisplayLog();
}

void LogHandler::FilterMode(std::int32_t value) {
  SetScrollTop();
  filterMode_ = value;
  DisplayLog();
}

void LogHandler::MaxLines(std::int32_t value) {
  SetScrollTop();
  maxLines_ = value;
  CheckSize();
  DisplayLog();
}

void LogHandler::SortAsc(bool value) {
  SetScrollTop();
  sortAsc_ = value;
  DisplayLog();
}

std::optional<std::int32_t> LogHandler::MaxLinesFromText(const std::string& text) {
  if (!vb::IsNumeric(text)) return std::nullopt;
  const double value = vb::Round(vb::CDbl(text));
  if (!std::isfinite(value) || value < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
      value > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace mellox
