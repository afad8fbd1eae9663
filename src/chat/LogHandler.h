// The chat log: recent chat lines kept in memory for the chat-log page (sorted
// into 19 categories, limited to MaxLines, searchable and filterable) and the
// queue of lines for the chat-log file.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <set>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chat/ListCache.h"
#include "chat/LogItem.h"

namespace mellox {

class LogHandler {
 public:
  // Log categories (tags), in the order of the rows of the chat-log options list.
  static constexpr std::int32_t kCategoryCount = 19;

  LogHandler();
  ~LogHandler();
  LogHandler(const LogHandler&) = delete;
  LogHandler& operator=(const LogHandler&) = delete;

  // --- File side: the chat-log file (text or XML, both appended) ------------
  // The file a line is logged for: the log's name and the form the XML box
  // chose when the line was logged. It keeps it while it waits.
  struct LogFile {
    std::string name;
    bool xml = false;
    auto operator<=>(const LogFile&) const = default;
    // "name.txt" or "name.xml".
    std::string FileName() const;
  };
  struct FileLine : LogItem {
    LogFile file;
  };

  // Opens LogPath + logfile + ".txt" for appending: the log folder (one level,
  // as when the handler is made) and the file are made when missing (nothing
  // without a name). A failure counts as a failed write.
  void InitFileLog();
  // Called every core tick: writes each queued line to its own file, in the
  // order the lines were logged, and empties the queue. A failed write (a log
  // folder or file that cannot be used, a full disk) leaves that file as it
  // was and keeps its lines for the next tick; the first failure of a run is
  // reported, and told, and the run is told over once every file that refused
  // has taken its lines. While writes fail the queue keeps only its newest
  // lines (at least MaxLines) and counts the rest.
  void WriteFileLog();
  // A logoff of `character`: closes the file. Lines their files still would
  // not take are kept for that character's next login, never left for
  // another character; lines already dropped are told lost.
  void EndFileLog(const std::string& character);
  // A login of `character`: the lines its last logoff kept wait in the queue
  // again, ahead of this login's, each for the file it was logged for.
  void ResumeFileLog(const std::string& character);
  // Termination: lines still kept for a character's next login are told lost.
  void TellKeptLinesLost();
  // A login's start: the page unsearched, unfiltered and newest first, no
  // XML document (the file side was ended by the last login's EndFileLog).
  void ResetForLogin();

  // --- In-memory log ---------------------------------------------------------
  // Empties the log (the file queue and the id counter stay) and shows it.
  void Clear();
  // One line the pipeline showed or handled: kept when its category is ticked
  // for the view (and the log is enabled), queued when it is ticked for the
  // file and file logging is on.
  void AddToLog(const std::string& message, std::int32_t msgtype, std::int32_t msgcolor);
  // One stored line from the data file; neither saves nor redisplays.
  void AddToLogFromData(const std::string& message, std::int32_t msgtype, std::int32_t msgcolor,
                        std::int32_t msgtag, std::int64_t msgdate);
  // Refills the log view, keeping its scroll position.
  void DisplayLog();
  // Writes "---<time> message" of the line with that id to the main window.
  void PrintDetails(std::int32_t msgId);

  // Oldest line first; the list itself (the data file reads it).
  const std::deque<LogItem>& Log() const { return log_; }
  const std::deque<FileLine>& FileQueue() const { return fileQueue_; }

  const std::string& SearchString() const { return login_.searchString; }
  void SearchString(const std::string& value);
  std::int32_t FilterMode() const { return login_.filterMode; }
  void FilterMode(std::int32_t value);
  std::int32_t MaxLines() const { return maxLines_; }
  void MaxLines(std::int32_t value);
  bool SortAsc() const { return login_.sortAsc; }
  void SortAsc(bool value);
  bool FileLogging() const { return fileLogging_; }
  // Switching off in the XML form closes the XML log; lines still queued
  // are still written to their file.
  void FileLogging(bool value);
  const std::string& logfile() const { return logfile_; }
  // Stores the name without any ".txt" and ".xml" in it, path separators and
  // NUL replaced by "_" so the file stays in the log folder, and opens the log
  // of that name in the current form (XML: reads the file, repairing a torn
  // end, or starts a log with the style-sheet reference; text: InitFileLog).
  // A name that is left empty raises error 52 and changes nothing; an empty
  // name stores "" and opens nothing. The lines waiting keep their files,
  // unless linesFollow: the move to a new date takes the lines waiting for
  // the old name along.
  void logfile(const std::string& name, bool linesFollow = false);
  // The log folder, ending in a path separator.
  const std::string& LogPath() const { return logPath_; }
  void LogPath(const std::string& value) { logPath_ = value; }

  // The name automatic logging uses: server "_" character, and "_" and today
  // as "yyyy-mm-dd" when byDate.
  static std::string AutomaticName(bool byDate);
  // The log file of the current name with that extension (".txt", ".xml").
  std::filesystem::path LogFilePath(const char* extension) const;

  // The line limit typed into the page or stored in the settings: the number
  // when the text is numeric, not negative and fits a 32-bit number, else
  // nothing (such a text is treated as not numeric and leaves the limit alone).
  static std::optional<std::int32_t> MaxLinesFromText(const std::string& text);

  // --- Coalesced data-file save -------------------------------------------------
  // Logging a line only marks the data file for saving; the core tick writes
  // the lines logged since (ControlHandler.Data_SaveNewLines), logoff the
  // whole file (ControlHandler.Data_Save), and each clears the mark.
  bool DataSavePending() const { return dataSavePending_; }
  // Returns whether a save was pending and clears the mark.
  bool TakeDataSaveRequest();
  // Something else the data file holds changed (a spell cast on an item):
  // stored by the same tick as the lines, so a crash after it loses neither.
  void RequestDataSave() { dataSavePending_ = true; }

 private:
  std::int32_t ClassifyToView(const std::string& message, std::int32_t msgtype);
  std::int32_t ClassifyToFile(const std::string& message, std::int32_t msgtype);
  std::int32_t Classify(const std::string& message, std::int32_t msgtype, std::int32_t column);
  void CheckSize();
  bool DisplayItem(const LogItem& item);
  bool Matches(const LogItem& item) const;
  void ParseSearch();
  void SetScrollTop();
  // Brings the view up to date after a line entered at the end (added, null
  // when none stayed) and lines left the front of the log (removedRows of
  // them shown), touching only the rows that changed.
  void UpdateView(std::int32_t removedRows, const LogItem* added);
  void AddViewRow(std::int32_t row, const LogItem& item);
  // The log changed other than by lines at its end: only a whole data file holds it.
  void MarkDataWhole() {
    dataSavePending_ = true;
    dataWhole_ = true;
  }

  // File side.
  struct FileState;
  // While writes fail, the queue keeps at least this many of its newest lines.
  static constexpr std::int32_t kFileQueueFloor = 10000;
  void EnsureLogFolder() const;
  // Opens the XML log of that name: a file in the plug-in's own layout
  // (told by its head and its end, the only parts read) is appended to, after
  // its torn end, if any, is cut back; any other file is loaded to be written
  // whole in the encoding it was read in (the texts the load had to repair
  // are told, and the file kept aside before it is first written over); a
  // missing one starts a new log.
  void OpenXml(const std::string& name);
  void DropDocument();
  std::filesystem::path PathOf(const LogFile& file) const;
  // The lines of one file, oldest first.
  using Lines = std::vector<const LogItem*>;
  void WriteText(const LogFile& file, const Lines& lines);
  void WriteXml(const LogFile& file, const Lines& lines);
  // Appends in place; false when the file is no longer as last written.
  bool AppendXml(const LogFile& file, const Lines& lines);
  // Runs a write of that file; true when it went through. A failure that
  // begins a run of failures is reported and told.
  bool FileWrite(const char* procedure, const LogFile& file, const std::function<void()>& write);
  // That file took a write: the run of failures is told over once no file
  // that refused has lines waiting for it.
  void FileTook(const LogFile& file);
  // Files that refused but that no line waits for, nor the log writes now,
  // no longer keep the run of failures going.
  void ForgetIdleRefusals();
  bool Waits(const LogFile& file) const;
  LogFile CurrentFile() const;
  // While writes fail: drops the oldest queued lines beyond the limit.
  void LimitFileQueue();

  std::deque<LogItem> log_;
  std::deque<FileLine> fileQueue_;
  std::int32_t nextMsgId_ = 0;
  // How the login shows the log on its page: replaced whole at its start.
  struct LoginState {
    std::string searchString;
    // The search split into alternatives of lower-cased terms.
    std::vector<std::vector<std::string>> searchTerms;
    std::int32_t filterMode = 0;
    bool sortAsc = false;
  };
  LoginState login_;
  std::int32_t maxLines_ = 100;
  bool fileLogging_ = false;
  std::string logPath_;
  std::string logfile_;
  bool dataSavePending_ = false;
  // Since the data file last took the log: lines that entered it, and
  // whether it changed otherwise.
  std::int64_t unsavedLines_ = 0;
  bool dataWhole_ = false;
  // The files whose writes fail at present (a run of failures while any
  // does), and the queued lines dropped meanwhile, by file.
  std::set<LogFile> refusing_;
  std::map<LogFile, std::int64_t> droppedLines_;
  // Lines of characters logged off, by character, for their next login.
  std::map<std::string, std::deque<FileLine>> keptLines_;
  // Rows of the categories in the chat-log options list and their boxes.
  NamedRowCache optionRows_{kCategoryCount};

  // What this object last put into the view: its row count and the list's
  // row version after that. Anything else touching the rows forces a refill.
  bool viewKnown_ = false;
  std::int32_t viewRows_ = 0;
  std::uint64_t viewVersion_ = 0;

  // The XML log being written.
  std::unique_ptr<FileState> file_;
};

}  // namespace mellox
