#include "chat/LogHandler.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <string_view>
#include <system_error>

#include <pugixml.hpp>

#include "chat/CellValue.h"
#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/TimeModule.h"
#include "core/TextEncoding.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "persistence/LoadDamage.h"
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

std::int64_t NowUnix() { return TimeModule::LocalToUnix(platform::Sys().Now()); }

// The head of a message about lines of the file log: "One line ...", "2 lines ...".
std::string LinesOfTheLog(std::int64_t count) {
  return count == 1 ? std::string("One line of the chat log") : std::to_string(count) + " lines of the chat log";
}

}  // namespace

LogHandler::LogHandler() : file_(std::make_unique<FileState>()) {
  Trap("Class_Initialize", kClass, [] { Hub::wtcw_debug("Log Handler Init"); });
  Trap("Class_Initialize", kClass, [&] {
    logPath_ = (std::filesystem::path(Hub::GetMyDoc()) / Hub::kGameFolderName / "Logs" / "").string();
    EnsureLogFolder();
  });
  auto& links = Links();
  links.SetLogMaxLines = [this](std::int32_t lines) { MaxLines(lines); };
  links.LogMaxLines = [this] { return maxLines_; };
  links.InitFileLog = [this] { InitFileLog(); };
  links.ForEachLogItem = [this](const std::function<void(const LogItem&)>& visit) {
    for (const LogItem& item : log_) visit(item);
  };
  links.AddToLogFromData = [this](const std::string& message, std::int32_t msgtype, std::int32_t msgcolor,
                                  std::int32_t msgtag, std::int64_t msgdate) {
    AddToLogFromData(message, msgtype, msgcolor, msgtag, msgdate);
  };
  links.DisplayLog = [this] { DisplayLog(); };
  links.ClearLog = [this] {
    log_.clear();
    unsavedLines_ = 0;
    dataWhole_ = true;
    DisplayLog();
  };
  links.ForEachNewLogItem = [this](const std::function<void(const LogItem&)>& visit) {
    // Lines that already left the front again are not kept, so not stored.
    const auto fresh = static_cast<std::size_t>(std::min<std::int64_t>(unsavedLines_, std::ssize(log_)));
    for (auto it = log_.end() - static_cast<std::ptrdiff_t>(fresh); it != log_.end(); ++it) visit(*it);
    return !dataWhole_;
  };
  links.LogSaved = [this] {
    unsavedLines_ = 0;
    dataWhole_ = false;
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
  links.ForEachNewLogItem = nullptr;
  links.LogSaved = nullptr;
  Trap("Class_Terminate", kClass, [] { Hub::wtcw_debug("Log Handler Terminate"); });
}

// --- File side -------------------------------------------------------------------

// The XML log. The text log needs no state: each write appends to the file.
struct LogHandler::FileState {
  // The name of the log the document is of.
  std::string name;
  // A log written whole at every write: the document and the element new lines
  // go into (null: none).
  pugi::xml_document document;
  pugi::xml_node root;
  // The document is the plug-in's own new log: once it is on disk, its lines
  // are appended.
  bool ownLayout = false;
  // Set while the file holds exactly this many bytes in the plug-in's own
  // layout, ending in appendEnd: new lines then go in place of that end, and
  // the file is never rewritten.
  std::optional<std::uint64_t> appendSize;
  // What follows the last whole line: the CR and the root's end tag, or a torn
  // line the repair could not yet cut back.
  std::string appendEnd;
  // A log written whole keeps the encoding it was read in.
  persistence::FileEncoding encoding;
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

// Per line: CR TAB, the Message element, CR.
void AppendMessages(pugi::xml_node root, const std::vector<const LogItem*>& lines) {
  for (const LogItem* line : lines) {
    const LogItem& item = *line;
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
}

// What follows the last whole line in a log of the plug-in's own.
constexpr std::string_view kClose = "\r</Log>";

// The bytes are exactly what writing the document whole gives. Compared as
// the file's UTF-8, not as the game's text: a character the game's code page
// lacks (a line another program added) is then no reason to rewrite the file
// whole, which would lose it.
bool IsOwnLayout(const pugi::xml_document& doc, const std::string& bytes) {
  return persistence::SerializeRaw(doc) == bytes;
}

// Bytes the writer could have written, parsed as they are (no conversion to the game's text).
bool ParseAsWritten(pugi::xml_document& doc, const std::string& bytes) {
  return TextEncoding::IsValidUtf8(bytes) &&
         doc.load_buffer(bytes.data(), bytes.size(), kXmlParseFlags, pugi::encoding_utf8) &&
         doc.document_element();
}

// Reads length bytes at offset; false when the file has fewer.
bool ReadAt(std::ifstream& in, std::uint64_t offset, std::uint64_t length, std::string& out) {
  out.assign(static_cast<std::size_t>(length), '\0');
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  return static_cast<bool>(in.read(out.data(), static_cast<std::streamsize>(length)));
}

// The end of a log as the plug-in writes it.
struct OwnEnd {
  std::uint64_t size = 0;
  // The bytes after the last whole element (or after the root's start tag
  // when there is none): kClose, or a line the writer was writing when it was
  // torn off (the game stopped, or the disk filled up, while lines were appended).
  std::string end;
};

// Only the head and the end of the file are read, so opening a long log costs
// what opening a short one does: the head must be the one the writer starts a
// log with, and the last whole element, followed by the end, as the writer
// writes them. The lines in between were appended by the writer and are not
// looked at. Nothing for any other file (which is then loaded whole).
std::optional<OwnEnd> FindOwnEnd(const std::filesystem::path& path) {
  static const std::string head = "<?xml-stylesheet " + std::string(kStyleSheet) + "?><Log>\r";
  // The writer escapes '>' in texts and its attributes (numbers, colour,
  // date) never hold one, so the last of these ends a whole element.
  constexpr std::string_view kElementEnd = "</Message>";
  constexpr std::string_view kEmptyEnd = "/>";
  constexpr std::string_view kElementStart = "\r\t<Message ";
  constexpr std::string_view kNext = "\r\r\t<Message type=\"";
  // The window read from the end grows until it holds the last whole element;
  // a line longer than the largest one is no chat line the writer wrote.
  constexpr std::uint64_t kFirstWindow = 16 * 1024;
  constexpr std::uint64_t kLargestWindow = 4 * 1024 * 1024;

  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  in.seekg(0, std::ios::end);
  const std::streamoff length = in.tellg();
  if (length < static_cast<std::streamoff>(head.size())) return std::nullopt;
  const auto size = static_cast<std::uint64_t>(length);
  std::string tail;
  if (!ReadAt(in, 0, head.size(), tail) || tail != head) return std::nullopt;

  for (std::uint64_t window = kFirstWindow;; window *= 4) {
    // A window that would stop inside the head takes the whole file.
    const std::uint64_t from = size > window + head.size() ? size - window : 0;
    if (!ReadAt(in, from, size - from, tail)) return std::nullopt;
    const bool whole = from == 0;
    const std::size_t body = whole ? head.size() : 0;
    const bool larger = !whole && window < kLargestWindow;

    std::size_t cut = 0;
    const std::size_t closed = tail.rfind(kElementEnd);
    if (closed != std::string::npos && closed >= body) cut = closed + kElementEnd.size();
    const std::size_t empty = tail.rfind(kEmptyEnd);
    if (empty != std::string::npos && empty >= body) cut = std::max(cut, empty + kEmptyEnd.size());
    std::size_t start = std::string::npos;
    if (cut != 0) {
      start = tail.rfind(kElementStart, cut);
      if (start == std::string::npos || start < std::max<std::size_t>(body, 1)) {
        if (larger) continue;
        return std::nullopt;
      }
    } else if (whole) {
      // No element yet: right after the root's start tag.
      cut = head.size() - 1;
    } else if (larger) {
      continue;
    } else {
      return std::nullopt;
    }

    // What follows a whole element: the CR and the root's end tag, or the
    // next line's CR, CR TAB and element start, torn anywhere.
    const std::string_view torn = std::string_view(tail).substr(cut);
    const bool writerTail =
        kClose.starts_with(torn) || (torn.size() < kNext.size() ? kNext.starts_with(torn) : torn.starts_with(kNext));
    if (!writerTail) return std::nullopt;
    if (start != std::string::npos) {
      // The last element as the writer writes it, after the CR that ends the line before.
      if (tail[start - 1] != '\r') return std::nullopt;
      const std::string last = "<Log>\r" + tail.substr(start, cut - start) + std::string(kClose);
      pugi::xml_document doc;
      if (!ParseAsWritten(doc, last)) return std::nullopt;
      if (!IsOwnLayout(doc, last)) {
        // The writer gives a line without text an empty text, which a load
        // drops: written with start and end tag, not self-closed.
        pugi::xml_node message = doc.document_element().child("Message");
        if (message.first_child() || !message.append_child(pugi::node_pcdata) || !IsOwnLayout(doc, last)) {
          return std::nullopt;
        }
      }
    }
    return OwnEnd{size, std::string(torn)};
  }
}

// What a text log needs before new lines so they start a line of their own:
// one whose last line was torn off (a crash, an outside edit) keeps that line
// as it is, and gets the line break it lacks.
std::string TextLineBreakNeeded(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  const std::streamoff size = in.tellg();
  if (size <= 0) return {};
  in.seekg(size - 1);
  char last = '\n';
  if (!in.get(last) || last == '\n') return {};
  return last == '\r' ? "\n" : "\r\n";
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

std::string LogHandler::LogFile::FileName() const { return name + (xml ? ".xml" : ".txt"); }

std::filesystem::path LogHandler::PathOf(const LogFile& file) const {
  return std::filesystem::path(logPath_ + file.FileName());
}

LogHandler::LogFile LogHandler::CurrentFile() const {
  return {logfile_, ControlHandlerInstance && ControlHandlerInstance->ChatLogXML->CheckedGet()};
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
  // One level only: the game's own folder is the game's to make.
  std::filesystem::create_directory(folder, ec);
  if (ec || !std::filesystem::is_directory(folder, ec)) {
    Raise(76, "Path not found: the chat-log folder " + folder.string() + " cannot be made");
  }
}

void LogHandler::InitFileLog() {
  // Without a name there is no file (no stray ".txt").
  if (logfile_.empty()) return;
  // A file that cannot be made counts as a failed write: told once, and the
  // lines wait for the folder as they do at every tick.
  const LogFile text{logfile_, false};
  ForgetIdleRefusals();
  const bool made = FileWrite("InitFileLog", text, [&] {
    EnsureLogFolder();
    ReplaceFileEnd(PathOf(text), "", "");
  });
  if (made) FileTook(text);
}

void LogHandler::DropDocument() {
  // Replaced whole (in place: callers hold it): nothing of the last document,
  // its encoding among it, is left for the next log.
  *file_ = FileState{};
}

void LogHandler::OpenXml(const std::string& name) {
  DropDocument();
  FileState& f = *file_;
  f.name = name;
  const std::filesystem::path path = PathOf({name, true});
  // Missing and unreadable files are left to the whole-document load below.
  if (std::optional<OwnEnd> own = FindOwnEnd(path)) {
    f.appendSize = own->size;
    f.appendEnd = std::move(own->end);
    if (f.appendEnd != kClose) {
      Hub::wtcw_error(path.filename().string() +
                      " ended in the middle of a line; it was cut back to its last whole line and closed.");
      try {
        if (const std::optional<std::uint64_t> size = ReplaceFileEnd(path, f.appendEnd, kClose, f.appendSize)) {
          f.appendSize = *size;
          f.appendEnd = kClose;
        }
      } catch (const VBError&) {
        // The next lines take the torn line's place instead.
      }
    }
    return;
  }

  pugi::xml_document& doc = f.document;
  std::string bytes;
  // A file that does not parse is moved aside (and the user told) rather
  // than replaced; one that cannot be read is kept from being saved over.
  if (persistence::LoadXmlFile(path, doc, pugi::parse_default, &bytes) == persistence::LoadOutcome::Loaded) {
    // Read again from the bytes as loaded, keeping the texts between the
    // lines; the texts that read had to repair are the ones the file loses.
    pugi::xml_document whole;
    persistence::TextRepairs repairs;
    if (persistence::ParseXml(bytes, whole, kXmlParseFlags, &repairs) && whole.document_element()) {
      doc.reset(whole);
      persistence::TakeTextRepairs(path);
      persistence::AddTextRepairs(path, repairs);
    }
    f.encoding = persistence::EncodingToWrite(bytes);
    // Told now; the file as it is gets kept aside before it is written over.
    LoadDamage(path, std::move(bytes), kClass).Finish();
  } else {
    doc.reset();
  }
  f.root = doc.document_element();
  if (f.root) return;
  f.root = doc.append_child("Log");
  pugi::xml_node style = doc.prepend_child(pugi::node_pi);
  style.set_name("xml-stylesheet");
  style.set_value(kStyleSheet);
  f.root.append_child(pugi::node_pcdata).set_value("\r");
  f.ownLayout = true;
}

void LogHandler::FileLogging(bool value) {
  fileLogging_ = value;
  if (!value && ControlHandlerInstance && ControlHandlerInstance->ChatLogXML->CheckedGet()) DropDocument();
}

void LogHandler::logfile(const std::string& name, bool linesFollow) {
  std::string base = persistence::FileNamePart(vb::Replace(vb::Replace(name, ".txt", ""), ".xml", ""));
  // "/x log .txt" names no file at all.
  if (base.empty() && !name.empty()) Raise(52, "Bad file name or number: \"" + name + "\"");
  const bool xml = Controls().ChatLogXML->CheckedGet();
  if (linesFollow) {
    for (FileLine& line : fileQueue_) {
      if (line.file.name == logfile_) line.file.name = base;
    }
  }
  logfile_ = std::move(base);
  if (logfile_.empty()) {
    DropDocument();
    return;
  }
  if (xml) {
    OpenXml(logfile_);
  } else {
    DropDocument();
    InitFileLog();
  }
}

void LogHandler::WriteText(const LogFile& file, const Lines& lines) {
  auto& controls = Controls();
  std::string block;
  for (const LogItem* item : lines) {
    if (controls.ChatLogTimestamp->CheckedGet()) block += "<" + LineTime(*item) + "> ";
    block += item->message();
    block += "\r\n";
  }
  EnsureLogFolder();
  const std::filesystem::path path = PathOf(file);
  ReplaceFileEnd(path, "", TextLineBreakNeeded(path) + block);
}

void LogHandler::WriteXml(const LogFile& file, const Lines& lines) {
  FileState& f = *file_;
  // The document held is of another log when lines wait for a file the log
  // has left since.
  if (f.name != file.name || (!f.root && !f.appendSize)) OpenXml(file.name);
  if (f.appendSize && AppendXml(file, lines)) return;
  if (f.appendSize) {
    // The file is no longer as last written (edited, replaced, or an end a
    // failed write could not put back): it is read again, and repaired.
    OpenXml(file.name);
    if (f.appendSize) {
      if (AppendXml(file, lines)) return;
      Raise(75, "Path/File access error: " + PathOf(file).string() + " changed while it was written");
    }
  }

  pugi::xml_node root = f.root;
  const pugi::xml_node before = root.last_child();
  AppendMessages(root, lines);
  const std::string bytes = persistence::SerializeXml(f.document, f.encoding);
  try {
    EnsureLogFolder();
    persistence::SaveXmlFile(PathOf(file), bytes);
  } catch (...) {
    // The lines stay queued for the next try, so they leave the document again.
    while (root.last_child() != before) root.remove_child(root.last_child());
    throw;
  }
  if (f.ownLayout) {
    // From now on only the new lines are written.
    f.document.reset();
    f.root = pugi::xml_node();
    f.ownLayout = false;
    f.appendSize = bytes.size();
    f.appendEnd = kClose;
  }
}

bool LogHandler::AppendXml(const LogFile& file, const Lines& lines) {
  // The new elements are made and printed as in the whole document, so the
  // file ends up with the very bytes a whole rewrite would give it.
  pugi::xml_document scratch;
  AppendMessages(scratch.append_child("Log"), lines);
  std::string bytes = persistence::SerializeXml(scratch);
  // The CR after the last whole line, then the new lines and the root's end.
  bytes.replace(0, std::string_view("<Log>").size(), "\r");
  const std::optional<std::uint64_t> size =
      ReplaceFileEnd(PathOf(file), file_->appendEnd, bytes, file_->appendSize);
  if (!size) return false;
  file_->appendSize = *size;
  file_->appendEnd = kClose;
  return true;
}

bool LogHandler::Waits(const LogFile& file) const {
  return std::any_of(fileQueue_.begin(), fileQueue_.end(), [&](const FileLine& line) { return line.file == file; });
}

void LogHandler::ForgetIdleRefusals() {
  const LogFile current = CurrentFile();
  std::erase_if(refusing_, [&](const LogFile& file) { return file != current && !Waits(file); });
}

bool LogHandler::FileWrite(const char* procedure, const LogFile& file, const std::function<void()>& write) {
  bool written = false;
  if (refusing_.empty()) {
    written = Trap(procedure, kClass, write);
  } else {
    // Reported when the run of failures began.
    try {
      write();
      written = true;
    } catch (...) {
    }
  }
  if (written) return true;
  if (refusing_.empty()) {
    Hub::wtcw("The chat log file could not be written; its lines are kept and written as soon as it can be.");
  }
  refusing_.insert(file);
  return false;
}

void LogHandler::FileTook(const LogFile& file) {
  // Another file taking its own lines ends nothing, nor does this one while
  // lines still wait for it.
  if (Waits(file) || refusing_.erase(file) == 0) return;
  ForgetIdleRefusals();
  if (!refusing_.empty()) return;
  std::int64_t dropped = 0;
  for (const auto& [from, count] : droppedLines_) dropped += count;
  droppedLines_.clear();
  std::string text = "The chat log file is written again.";
  if (dropped > 0) {
    text += dropped == 1 ? " One of the lines that waited for it was dropped."
                         : " " + std::to_string(dropped) + " of the lines that waited for it were dropped.";
  }
  Hub::wtcw(text);
}

void LogHandler::LimitFileQueue() {
  if (refusing_.empty()) return;
  const std::size_t limit = static_cast<std::size_t>(std::max<std::int32_t>(maxLines_, kFileQueueFloor));
  if (fileQueue_.size() <= limit) return;
  const bool first = droppedLines_.empty();
  while (fileQueue_.size() > limit) {
    ++droppedLines_[fileQueue_.front().file];
    fileQueue_.pop_front();
  }
  // Said after the count, as the message itself joins the queue.
  if (first) Hub::wtcw("The chat log file still cannot be written; the oldest of its waiting lines are being dropped.");
}

void LogHandler::WriteFileLog() {
  if (fileQueue_.empty()) return;
  ForgetIdleRefusals();
  // Taken off the queue first: a line said while writing (a report is chat
  // too) waits for the next tick.
  std::deque<FileLine> waiting;
  waiting.swap(fileQueue_);
  // Each file takes its own lines in one write, the files in the order of
  // their oldest line.
  std::vector<std::pair<LogFile, Lines>> files;
  for (const FileLine& line : waiting) {
    auto it = std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.first == line.file; });
    if (it == files.end()) it = files.insert(files.end(), {line.file, {}});
    it->second.push_back(&line);
  }
  std::set<LogFile> refused;
  std::vector<LogFile> took;
  for (const auto& entry : files) {
    // Named, not a structured binding: clang 14 cannot capture one in the lambda below.
    const LogFile& file = entry.first;
    const Lines& lines = entry.second;
    // Without a name there is no file: nothing is written (no stray ".txt").
    if (file.name.empty()) continue;
    const bool written = FileWrite("WriteFileLog", file, [&] {
      if (file.xml) {
        WriteXml(file, lines);
      } else {
        WriteText(file, lines);
      }
    });
    if (written) {
      took.push_back(file);
    } else {
      refused.insert(file);
    }
  }
  // Tried again at the next tick, ahead of the lines said meanwhile.
  std::deque<FileLine> again;
  for (FileLine& line : waiting) {
    if (refused.contains(line.file)) again.push_back(std::move(line));
  }
  again.insert(again.end(), std::make_move_iterator(fileQueue_.begin()), std::make_move_iterator(fileQueue_.end()));
  fileQueue_.swap(again);
  for (const LogFile& file : took) FileTook(file);
  LimitFileQueue();
}

void LogHandler::EndFileLog(const std::string& character) {
  const std::map<LogFile, std::int64_t> lost = std::exchange(droppedLines_, {});
  std::map<LogFile, std::size_t> kept;
  auto& keep = keptLines_[character];
  for (FileLine& line : fileQueue_) {
    if (line.file.name.empty()) continue;
    ++kept[line.file];
    keep.push_back(std::move(line));
  }
  if (keep.empty()) keptLines_.erase(character);
  fileQueue_.clear();
  refusing_.clear();
  FileLogging(false);
  logfile("");
  for (const auto& [file, count] : kept) {
    Hub::wtcw_error(LinesOfTheLog(static_cast<std::int64_t>(count)) + " could not be written to " + file.FileName() +
                    (count == 1 ? "; it is" : "; they are") + " kept for this character's next login.");
  }
  for (const auto& [file, count] : lost) {
    Hub::wtcw_error(LinesOfTheLog(count) + " could not be written to " + file.FileName() +
                    (count == 1 ? " and is" : " and are") + " lost.");
  }
}

void LogHandler::ResumeFileLog(const std::string& character) {
  const auto it = keptLines_.find(character);
  if (it == keptLines_.end()) return;
  // Each to its own file, whether or not this login logs.
  fileQueue_.insert(fileQueue_.begin(), std::make_move_iterator(it->second.begin()),
                    std::make_move_iterator(it->second.end()));
  keptLines_.erase(it);
}

// The XML document is not among it: every end of a login drops it already
// (the log file's end names no file), and every log opened drops it first.
void LogHandler::ResetForLogin() { login_ = {}; }

void LogHandler::TellKeptLinesLost() {
  for (const auto& [character, lines] : keptLines_) {
    Hub::wtcw_error(LinesOfTheLog(lines.size()) + " kept for " + character + " could not be written and" +
                    (lines.size() == 1 ? " is" : " are") + " lost.");
  }
  keptLines_.clear();
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
        if (!addedRemoved) ++unsavedLines_;
        RequestDataSave();
        UpdateView(removedRows, addedRemoved ? nullptr : &log_.back());
      }
    }
    if (fileLogging_) {
      const std::int32_t tag = ClassifyToFile(message, msgtype);
      if (tag > 0) {
        fileQueue_.push_back({LogItem(message, msgtype, msgcolor, NowUnix(), tag, 0), CurrentFile()});
        LimitFileQueue();
      }
    }
  });
}

void LogHandler::AddToLogFromData(const std::string& message, std::int32_t msgtype, std::int32_t msgcolor,
                                  std::int32_t msgtag, std::int64_t msgdate) {
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
    unsavedLines_ = 0;
    MarkDataWhole();
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
    if (login_.sortAsc) {
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
    view.DeleteRow(login_.sortAsc ? 0 : viewRows_ - 1);
    --viewRows_;
  }
  if (addRow) {
    std::int32_t row = 0;
    if (login_.sortAsc) {
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
  login_.searchTerms.clear();
  if (login_.searchString.empty()) return;
  const std::string expanded = vb::Replace(vb::Replace(login_.searchString, "+", " AND "), "|", " OR ");
  for (const std::string& alternative : vb::Split(expanded, "OR")) {
    std::vector<std::string> terms;
    for (const std::string& term : vb::Split(alternative, "AND")) terms.push_back(vb::LCase(vb::Trim(term)));
    login_.searchTerms.push_back(std::move(terms));
  }
}

bool LogHandler::Matches(const LogItem& item) const {
  if (!login_.searchString.empty()) {
    const std::string lower = vb::LCase(item.message());
    bool any = false;
    for (const auto& terms : login_.searchTerms) {
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
  if (login_.filterMode == 0) return true;
  if (login_.filterMode >= 1 && login_.filterMode <= 7) return item.msgtag() == login_.filterMode;
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
  login_.searchString = value;
  ParseSearch();
  DisplayLog();
}

void LogHandler::FilterMode(std::int32_t value) {
  SetScrollTop();
  login_.filterMode = value;
  DisplayLog();
}

void LogHandler::MaxLines(std::int32_t value) {
  SetScrollTop();
  maxLines_ = value;
  const std::size_t before = log_.size();
  CheckSize();
  // The lines cut off leave the stored files with the next tick's whole write.
  if (log_.size() != before) MarkDataWhole();
  DisplayLog();
}

void LogHandler::SortAsc(bool value) {
  SetScrollTop();
  login_.sortAsc = value;
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
