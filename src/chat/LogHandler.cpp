#include "chat/LogHandler.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <string_view>
#include <system_error>

#include <pugixml.hpp>

#include "chat/CellValue.h"
#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/TimeModule.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "persistence/PersistenceLinks.h"
#include "persistence/XmlFiles.h"
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

LogHandler::LogHandler() : file_(std::make_unique<FileState>()) {
  Trap("Class_Initialize", kClass, [] { Hub::wtcw_debug("Log Handler Init"); });
  // The folder itself is made when a line is first written to a log, so a
  // folder that cannot be made is told to the player who logs, not at every start.
  Trap("Class_Initialize", kClass, [&] {
    logPath_ = (std::filesystem::path(Hub::GetMyDoc()) / Hub::kGameFolderName / "Logs" / "").string();
  });
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
  links.ClearLog = [this] {
    log_.clear();
    DisplayLog();
  };
}

LogHandler::~LogHandler() {
  // Lines logged since the last tick would otherwise be lost.
  WriteFileLog();
  auto& links = Links();
  links.SetLogMaxLines = nullptr;
  links.LogMaxLines = nullptr;
  links.InitFileLog = nullptr;
  links.ForEachLogItem = nullptr;
  links.AddToLogFromData = nullptr;
  links.DisplayLog = nullptr;
  links.ClearLog = nullptr;
  Trap("Class_Terminate", kClass, [] { Hub::wtcw_debug("Log Handler Terminate"); });
}

// --- File side -------------------------------------------------------------------

struct LogHandler::FileState {
  // The text log, open for appending from its first line to the next InitFileLog.
  std::unique_ptr<std::ofstream> stream;
  // The XML log in memory and the element new lines go into (null: none).
  pugi::xml_document document;
  pugi::xml_node root;
};

namespace {

constexpr const char* kStyleSheet = "type=\"text/xsl\" href=\"style/melloxlog.xsl\"";
// Whole documents are kept as read: the style-sheet instruction, and the CR
// and TAB texts between the lines, survive a load and save.
constexpr unsigned kXmlParseFlags =
    (pugi::parse_full | pugi::parse_ws_pcdata) & ~static_cast<unsigned>(pugi::parse_eol);

// The colour text of a chat colour code; codes outside the table take the
// colour own lines are shown in, as the view does.
const std::string& HexColour(std::int32_t code) {
  if (code < 0 || code >= static_cast<std::int32_t>(ChatColorHex.size())) code = 5;
  return ChatColorHex[static_cast<std::size_t>(code)];
}

std::string LineTime(const LogItem& item) {
  return vb::FormatDate(TimeModule::UnixToLocal(item.msgdate()), "General Date");
}

}  // namespace

std::string LogHandler::AutomaticName(bool byDate) {
  if (!FilterHandlerInstance) Raise(91);
  std::string name = FilterHandlerInstance->GetMyServer() + "_" + FilterHandlerInstance->GetMyCharName();
  if (byDate) name += "_" + vb::FormatDate(platform::Sys().Now(), "yyyy-mm-dd");
  return name;
}

std::filesystem::path LogHandler::LogFilePath(const char* extension) const {
  return std::filesystem::path(logPath_ + logfile_ + extension);
}

void LogHandler::EnsureLogFolder() const {
  const std::filesystem::path folder = std::filesystem::path(logPath_).parent_path();
  // Only a whole path names the folder; anything else would land wherever
  // the game happens to run from.
  if (logPath_.empty() || !folder.is_absolute()) {
    Raise(76, "Path not found: the chat-log folder \"" + logPath_ + "\" is not a full path");
  }
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return;
  std::filesystem::create_directories(folder, ec);
  if (ec || !std::filesystem::is_directory(folder, ec)) {
    Raise(76, "Path not found: the chat-log folder " + folder.string() + " cannot be made");
  }
}

void LogHandler::InitFileLog() {
  // The file of the current name is opened (and made) with the first line
  // written to it, so no empty or nameless file is ever left behind.
  file_->stream.reset();
}

void LogHandler::OpenTextFile() {
  EnsureLogFolder();
  const std::filesystem::path path = LogFilePath(".txt");
  auto stream = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::app);
  if (!stream->is_open()) Raise(75, "Path/File access error: " + path.string() + " cannot be opened");
  file_->stream = std::move(stream);
}

void LogHandler::DropDocument() {
  file_->document.reset();
  file_->root = pugi::xml_node();
}

void LogHandler::LoadDocument() {
  DropDocument();
  const std::filesystem::path path = LogFilePath(".xml");
  pugi::xml_document& doc = file_->document;
  // A file that does not parse is moved aside (and the user told) rather
  // than replaced; one that cannot be read is kept from being saved over.
  if (persistence::LoadXmlFile(path, doc) == persistence::LoadOutcome::Loaded) {
    std::string bytes;
    pugi::xml_document whole;
    if (ReadWholeFile(path, bytes) &&
        persistence::ParseXml(bytes, whole, kXmlParseFlags) &&
        whole.document_element()) {
      doc.reset(whole);
    }
  } else {
    doc.reset();
  }
  file_->root = doc.document_element();
  if (file_->root) return;
  file_->root = doc.append_child("Log");
  pugi::xml_node style = doc.prepend_child(pugi::node_pi);
  style.set_name("xml-stylesheet");
  style.set_value(kStyleSheet);
  file_->root.append_child(pugi::node_pcdata).set_value("\r");
}

void LogHandler::FileLogging(bool value) {
  fileLogging_ = value;
  if (!value && ControlHandlerInstance && ControlHandlerInstance->ChatLogXML->CheckedGet()) DropDocument();
}

void LogHandler::logfile(const std::string& name) {
  std::string base = persistence::FileNamePart(vb::Replace(vb::Replace(name, ".txt", ""), ".xml", ""));
  // "/x log .txt" names no file at all.
  if (base.empty() && !name.empty()) Raise(52, "Bad file name or number: \"" + name + "\"");
  logfile_ = std::move(base);
  if (logfile_.empty()) {
    DropDocument();
    return;
  }
  if (Controls().ChatLogXML->CheckedGet()) {
    LoadDocument();
  } else {
    DropDocument();
    InitFileLog();
  }
}

void LogHandler::WriteText(const std::deque<LogItem>& lines) {
  if (!file_->stream) OpenTextFile();
  auto& controls = Controls();
  std::string block;
  for (const LogItem& item : lines) {
    if (controls.ChatLogTimestamp->CheckedGet()) block += "<" + LineTime(item) + "> ";
    block += item.message();
    block += "\r\n";
  }
  std::ofstream& out = *file_->stream;
  out.write(block.data(), static_cast<std::streamsize>(block.size()));
  out.flush();
  if (!out) Raise(75, "Path/File access error: " + LogFilePath(".txt").string() + " cannot be written");
}

void LogHandler::WriteXml(const std::deque<LogItem>& lines) {
  if (!file_->root) LoadDocument();
  pugi::xml_node root = file_->root;
  for (const LogItem& item : lines) {
    root.append_child(pugi::node_pcdata).set_value("\r\t");
    pugi::xml_node message = root.append_child("Message");
    persistence::SetAttr(message, "type", item.msgtype());
    message.append_attribute("color").set_value(HexColour(item.msgcolor()).c_str());
    persistence::SetAttr(message, "tag", item.msgtag());
    message.append_attribute("date").set_value(LineTime(item).c_str());
    const std::string text = persistence::XmlSafe(item.message());
    message.append_child(pugi::node_pcdata).set_value(text.c_str());
    root.append_child(pugi::node_pcdata).set_value("\r");
  }
  const std::string bytes = persistence::SerializeXml(file_->document);
  EnsureLogFolder();
  persistence::SaveXmlFile(LogFilePath(".xml"), bytes);
}

void LogHandler::WriteFileLog() {
  if (fileQueue_.empty()) return;
  // Taken off the queue first: a line reported while writing (an error
  // message is chat too) waits for the next tick.
  std::deque<LogItem> lines;
  lines.swap(fileQueue_);
  // Without a name there is no file: nothing is written (no stray ".txt").
  if (logfile_.empty()) return;
  const bool written = Trap("WriteFileLog", kClass, [&] {
    if (Controls().ChatLogXML->CheckedGet()) {
      WriteXml(lines);
    } else {
      WriteText(lines);
    }
  });
  if (written) return;
  fileLogging_ = false;
  fileQueue_.clear();
  file_->stream.reset();
  DropDocument();
  Hub::wtcw("The chat log file could not be written; logging to the file is off.");
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
  // A negative limit would keep no line at all.
  if (!std::isfinite(value) || value < 0 || value > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace mellox
