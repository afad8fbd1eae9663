#include "core/Hub.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <system_error>
#include <utility>

#include "chat/ChatTextHandler.h"
#include "core/Globals.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "platform/HostView.h"
#include "platform/PluginSite.h"
#include "platform/System.h"
#include "settings_view/ControlHandler.h"

namespace mellox::Hub {

namespace {

constexpr const char* kCrLf = "\r\n";
const std::string kDashLine(80, '-');
// A count of repeats has no description of its own.
const std::string kNoDescription;

// True while LogError is echoing a message into chat. A report raised by that
// echo (the chat writer failing) is not echoed again, so a writer that keeps
// failing cannot make reporting recurse.
bool g_echoBusy = false;
// True while a ChatQuiet lives.
bool g_chatQuiet = false;

class FlagGuard {
 public:
  explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagGuard() { flag_ = false; }
  FlagGuard(const FlagGuard&) = delete;
  FlagGuard& operator=(const FlagGuard&) = delete;

 private:
  bool& flag_;
};

std::string FolderPath(std::int32_t folderId) {
  std::string path;
  const std::int32_t result = platform::Sys().SHGetFolderPathA(folderId, path);
  if (result == 0) {
    // The path ends at its first NUL, as the system's buffer does.
    const auto nul = path.find('\0');
    if (nul != std::string::npos) path.resize(nul);
    if (path.empty()) Raise(76, "Folder Not Valid on this OS");
    return path;
  }
  if (result == 1) Raise(76, "Folder Does Not Exist");
  Raise(76, "Folder Not Valid on this OS");
}

// A fault is the whole report: its message (procedure, class, number, line)
// and its description. Each is told in full for its first few occurrences and
// then only counted; the count is told at most once a minute (with the next
// occurrence) and at termination.
struct Fault {
  std::string procName;
  // A chat notice of its own (a missing sound file), not an errors-file report.
  bool notice = false;
  // Last reported under a ChatQuiet: its count is not echoed either.
  bool quiet = false;
  // Full tells since its allowance was last whole.
  std::int32_t fullTold = 0;
  std::int64_t untold = 0;
  // Monotonic ms of the last tell (full or count) and of the last occurrence.
  std::int64_t toldMs = 0;
  std::int64_t seenMs = 0;
  // The errors file (see g_errorsFileGeneration) that holds its full report.
  std::uint64_t generation = 0;
};
using FaultKey = std::pair<std::string, std::string>;
std::map<FaultKey, Fault> g_faults;
// Counts the errors files begun this run (a rotation, or a file the user
// removed): a counted fault is written in full again to a file that lacks it.
std::uint64_t g_errorsFileGeneration = 0;
std::int64_t g_sweptMs = 0;

std::int64_t MonotonicNow() { return platform::HasSystem() ? platform::Sys().MonotonicMs() : 0; }

std::string RepeatedText(const std::string& message, std::int64_t count) {
  std::string text = message;
  const bool stop = !text.empty() && text.back() == '.';
  if (stop) text.pop_back();
  text += ", repeated " + (count == 1 ? std::string("once") : std::to_string(count) + " times");
  return stop ? text + '.' : text;
}

// What one occurrence of a fault asks for: a count of earlier occurrences
// not yet told (0: none), then (or only) the full report.
struct Occurrence {
  std::int64_t count = 0;
  bool full = false;
};

Occurrence Occur(FaultKey key, const std::string& procName, bool notice, bool quiet = false) {
  const std::int64_t now = MonotonicNow();
  // Faults idle for a minute with nothing untold are whole again: forgotten,
  // so faults of ever-new descriptions do not pile up for the whole run.
  if (now - g_sweptMs >= kRepeatTellMs) {
    g_sweptMs = now;
    std::erase_if(g_faults, [&](const auto& entry) {
      return entry.second.untold == 0 && now - entry.second.seenMs >= kRepeatTellMs;
    });
  }
  const auto [it, first] = g_faults.try_emplace(std::move(key));
  Fault& f = it->second;
  Occurrence o;
  if (first) {
    f.procName = procName;
    f.notice = notice;
  } else if (now - f.seenMs >= kRepeatTellMs) {
    // Quiet for a minute: what was counted is told, and the allowance is whole again.
    o.count = f.untold;
    f.untold = 0;
    f.fullTold = 0;
  }
  f.seenMs = now;
  f.quiet = quiet;
  const bool fileLacksIt = !f.notice && f.generation != g_errorsFileGeneration;
  if (first || f.fullTold < kFullTells || fileLacksIt) {
    if (f.fullTold < kFullTells) ++f.fullTold;
    f.toldMs = now;
    o.full = true;
    return o;
  }
  ++f.untold;
  if (now - f.toldMs >= kRepeatTellMs) {
    o.count = f.untold;
    f.untold = 0;
    f.toldMs = now;
  }
  return o;
}

// An entry longer than kEntryBound is cut to it, with a mark saying so.
std::string CutEntry(std::string text) {
  if (text.size() <= kEntryBound) return text;
  const std::string mark = " [cut: " + std::to_string(text.size()) + " bytes in all]";
  text.resize(kEntryBound - mark.size());
  return text + mark;
}

// Keeps a file within kLogFileBound: when adding bytes would take it past the
// bound, the file becomes the old file (replacing an older one) and a new one
// is begun. Returns the size the file has now. A file that cannot be moved
// raises 75, so the entry is lost rather than the bound.
std::uintmax_t MakeRoom(const std::filesystem::path& path, const char* oldName, std::size_t adding) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size == 0) return 0;
  if (size + adding <= kLogFileBound) return size;
  std::filesystem::rename(path, path.parent_path() / oldName, ec);
  if (ec) Raise(75, "Path/File access error");
  return 0;
}

// Appends text to a file that must already have its folder; raises 76 when it
// cannot be opened or written.
void AppendToFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  if (!out) Raise(76, "Path not found");
  out << text;
  out.flush();
  if (!out) Raise(57);
}

bool EndsWithWav(std::string_view name) {
  return name.size() >= 4 && vb::TextEqual(name.substr(name.size() - 4), ".wav");
}

}  // namespace

// --- Chat messages, debug lines, error reports ------------------------------

void wtcw(const std::string& text) {
  TrapModule("wtcw", "Hub", [&] { wtcw_raw(kOwnPrefix + text); });
}

void wtcw_raw(const std::string& text) {
  TrapModule("wtcw_raw", "Hub", [&] {
    if (ChatTextHandlerInstance) ChatTextHandlerInstance->IncomingText(text, 32, 0, true, false);
  });
}

void wtcw_error(const std::string& text) {
  TrapModule("wtcw_error", "Hub", [&] {
    if (FilterHandlerInstance) FilterHandlerInstance->WriteToChatWindow(kOwnPrefix + text, 6, 1);
  });
}

void wtcw_debug(const std::string& text) {
  if (!DebugMode) return;
  TrapModule("wtcw_debug", "Hub", [&] {
    LogDebug(text);
    if (FilterHandlerInstance && !DebugSilent) FilterHandlerInstance->WriteToChatWindow(kDebugPrefix + text, 32, 1);
  });
}

std::string ErrorMessage(const std::string& procName, const std::string& moduleName, std::int32_t errNumber,
                         std::int32_t lineNumber) {
  std::string moduleText;
  if (!moduleName.empty() && moduleName.front() == '!') {
    moduleText = "' of module '" + moduleName.substr(1);
  } else if (!moduleName.empty() && moduleName.front() == '@') {
    moduleText = "' of form '" + moduleName.substr(1);
  } else {
    moduleText = "' of class '" + moduleName;
  }
  std::string message = "Error #" + std::to_string(errNumber) + " occured in '" + procName + moduleText + "'";
  if (lineNumber > 0) message += " at line " + std::to_string(lineNumber);
  return message;
}

std::string StampLine() {
  return std::string(kProgramTitle) + " v" + kVersion + " (" + vb::FormatDate(platform::Sys().Now(), "General Date") +
         ")";
}

std::filesystem::path ErrorsFilePath() {
  return std::filesystem::path(GetMyDoc()) / kGameFolderName / kErrorsFileName;
}

std::filesystem::path DebugFilePath() { return std::filesystem::path(GetMyDoc()) / kGameFolderName / kDebugFileName; }

namespace {

// The chat echo, debug line and errors-file block of one report.
void WriteReport(const std::string& procName, const std::string& message, const std::string& errDescription,
                 bool echo) noexcept {
  if (echo && procName != "Debug" && ChatTextHandlerInstance && !g_echoBusy) {
    FlagGuard echo(g_echoBusy);
    try {
      wtcw_error(message);
    } catch (...) {
    }
  }

  if (DebugMode) {
    try {
      LogDebug(message + ", " + errDescription);
    } catch (...) {
    }
  }

  if (ErrorLogBusy) return;
  FlagGuard busy(ErrorLogBusy);
  try {
    const auto path = ErrorsFilePath();
    std::string block = StampLine() + kCrLf;
    block += CutEntry(errDescription.empty() ? message : message + kCrLf + errDescription) + kCrLf;
    block += kDashLine + kCrLf;
    // A new file starts with a dash line.
    const bool begun = MakeRoom(path, kErrorsOldFileName, kDashLine.size() + 2 + block.size()) == 0;
    if (begun) block = kDashLine + kCrLf + block;
    AppendToFile(path, block);
    if (begun) ++g_errorsFileGeneration;
  } catch (...) {
    // The report is lost; reporting it would re-enter this writer.
  }
}

}  // namespace

void LogError(const std::string& procName, const std::string& moduleName, std::int32_t errNumber,
              const std::string& errDescription, std::int32_t lineNumber) noexcept {
  std::string text;
  Occurrence o;
  try {
    text = ErrorMessage(procName, moduleName, errNumber, lineNumber);
    o = Occur(FaultKey{text, errDescription}, procName, false, g_chatQuiet);
    if (o.count != 0) WriteReport(procName, RepeatedText(text, o.count), kNoDescription, !g_chatQuiet);
  } catch (...) {
    return;
  }
  if (!o.full) return;
  WriteReport(procName, text, errDescription, !g_chatQuiet);
  try {
    g_faults.at(FaultKey{text, errDescription}).generation = g_errorsFileGeneration;
  } catch (...) {
  }
}

void TellRepeatedErrors() noexcept {
  std::map<FaultKey, Fault> faults;
  faults.swap(g_faults);
  for (const auto& [key, f] : faults) {
    if (f.untold == 0) continue;
    std::string text;
    try {
      text = RepeatedText(key.first, f.untold);
    } catch (...) {
      continue;
    }
    if (f.notice) {
      wtcw_error(text);
    } else {
      // A file begun since its full report lacks the description: the count carries it.
      WriteReport(f.procName, text, f.generation == g_errorsFileGeneration ? kNoDescription : key.second, !f.quiet);
    }
  }
}

ChatQuiet::ChatQuiet() : outer_(g_chatQuiet) { g_chatQuiet = true; }

ChatQuiet::~ChatQuiet() { g_chatQuiet = outer_; }

void LogDebug(const std::string& text) noexcept {
  if (DebugLogBusy) return;
  FlagGuard busy(DebugLogBusy);
  try {
    const auto path = DebugFilePath();
    const std::string line = StampLine() + " - " + CutEntry(text) + kCrLf;
    MakeRoom(path, kDebugOldFileName, line.size());
    AppendToFile(path, line);
  } catch (...) {
  }
}

void InstallErrorSink() {
  SetErrorSink([](int number, const std::string& description, const std::string& procedure, const std::string& owner,
                  bool isModule) { LogError(procedure, isModule ? "!" + owner : owner, number, description, 0); });
}

// --- Folders -----------------------------------------------------------------

std::string GetDataFolder() { return FolderPath(platform::CSIDL_COMMON_APPDATA); }

std::string GetMyDoc() { return FolderPath(platform::CSIDL_PERSONAL); }

// --- Sounds ------------------------------------------------------------------

std::filesystem::path SoundFolder() { return std::filesystem::path(platform::Sys().AppPath()) / "Sounds"; }

bool IsBareFileName(std::string_view name) {
  if (name.empty() || name == "." || name.find("..") != std::string_view::npos) return false;
  return name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

std::filesystem::path ResolveSoundPath(std::string_view soundName) {
  std::filesystem::path folder = SoundFolder();
  std::string_view rest = soundName;
  if (rest.size() > 5 && vb::TextEqual(rest.substr(0, 4), "Loop") && (rest[4] == '\\' || rest[4] == '/')) {
    folder /= "Loop";
    rest.remove_prefix(5);
  }
  if (!IsBareFileName(rest)) Raise(52, "Bad file name or number: " + std::string(soundName));
  return folder / std::string(rest);
}

void PlayWavFile(const std::string& file) {
  TrapModule("PlayWavFile", "Hub", [&] {
    wtcw_debug("Playing Sound " + (SoundFolder() / "").string() + file);
    const auto path = ResolveSoundPath(file);
    std::error_code ec;
    const bool found = std::filesystem::is_regular_file(path, ec) && path.filename().string().front() != '.';
    if (!found) {
      // A rule matching every line would otherwise fill the chat with it.
      const std::string text = "PlaySoundError: " + file + " was not found in your install directory.";
      const Occurrence o = Occur(FaultKey{text, std::string()}, "PlayWavFile", true);
      if (o.count != 0) wtcw_error(RepeatedText(text, o.count));
      if (o.full) wtcw_error(text);
      return;
    }
    // Asynchronous, and no default sound when the file cannot be played.
    platform::Sys().sndPlaySoundA(path.string(), 3);
  });
}

std::vector<std::string> ListWaveFiles(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) return names;  // a missing folder lists nothing
  for (const auto& entry : it) {
    std::error_code typeEc;
    if (entry.is_directory(typeEc)) continue;
    std::string name = entry.path().filename().string();
    if (name.empty() || name.front() == '.' || !EndsWithWav(name)) continue;
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const int c = vb::TextCompare(a, b);
    return c != 0 ? c < 0 : a < b;
  });
  return names;
}

void FillSoundChoices(const std::filesystem::path& folder, const std::vector<platform::ChoiceControl*>& targets) {
  for (auto* target : targets) {
    if (!target) Raise(91);
    target->Clear();
    target->AddChoice("None", platform::Variant());
  }
  const auto names = ListWaveFiles(folder);
  for (const auto& name : names)
    for (auto* target : targets) target->AddChoice(name, platform::Variant());
  for (auto* target : targets) target->SelectedLet(0);
}

void GetSoundList() {
  TrapModule("GetSoundList", "Hub", [&] {
    if (!ControlHandlerInstance) Raise(91);
    auto& ch = *ControlHandlerInstance;
    FillSoundChoices(SoundFolder(), {ch.ChatColorSound.get(), ch.ChatCustomSound.get()});
  });
}

void GetSoundLoopList() {
  TrapModule("GetSoundLoopList", "Hub", [&] {
    if (!ControlHandlerInstance) Raise(91);
    auto& ch = *ControlHandlerInstance;
    FillSoundChoices(SoundFolder() / "Loop",
                     {ch.AlarmHealthSound.get(), ch.AlarmStaminaSound.get(), ch.AlarmManaSound.get()});
  });
}

void SendClick(std::int32_t x, std::int32_t y) {
  TrapModule("SendClick", "Hub", [&] {
    auto& sys = platform::Sys();
    platform::Point saved;
    sys.GetCursorPos(saved);
    if (!Site) Raise(91);
    const auto window = Site->GetGameWindow();
    if (!window) Raise(91);
    PressPos = platform::Point{x, y};
    sys.ClientToScreen(window->hWnd(), PressPos);
    sys.SetCursorPos(PressPos.x, PressPos.y);
    sys.mouse_event(2, 0, 0, 0, 0);
    sys.mouse_event(4, 0, 0, 0, 0);
    sys.SetCursorPos(saved.x, saved.y);
  });
}

}  // namespace mellox::Hub
