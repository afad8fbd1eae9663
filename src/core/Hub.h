// The shared procedures every part of the plug-in uses: its own chat
// messages, debug lines, error reports, folders and sounds. The number,
// duration and colour conversions of the same module are in HubConvert.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/HubConvert.h"

namespace mellox::platform {
class ChoiceControl;
}

namespace mellox::Hub {

inline constexpr const char* kOwnPrefix = "<Mellox> ";
inline constexpr const char* kDebugPrefix = "<Mellox-Debug> ";
// Program title and version as the errors and debug files stamp them.
inline constexpr const char* kProgramTitle = "Mellox";
inline constexpr const char* kVersion = "1.1.1";
inline constexpr const char* kErrorsFileName = "Mellox Errors.txt";
inline constexpr const char* kDebugFileName = "Mellox Debug.txt";
// Where a full errors or debug file goes when the next entry would take it
// past kLogFileBound bytes; an older one there is replaced.
inline constexpr const char* kErrorsOldFileName = "Mellox Errors.old.txt";
inline constexpr const char* kDebugOldFileName = "Mellox Debug.old.txt";
inline constexpr std::uintmax_t kLogFileBound = 1024 * 1024;
// A fault is told in full this many times, then counted; the count is told
// at most once a minute. A minute without it makes its allowance whole again.
inline constexpr std::int32_t kFullTells = 3;
inline constexpr std::int64_t kRepeatTellMs = 60'000;
// No single entry of the errors or debug file is longer (it is cut, and says so).
inline constexpr std::size_t kEntryBound = 64 * 1024;
inline constexpr const char* kGameFolderName = "Asheron's Call";

// --- Chat messages, debug lines, error reports ------------------------------

// An own message through the chat pipeline (shown only while the plug-in is active).
void wtcw(const std::string& text);
// A line into the chat pipeline as the plug-in's own (chat type 32, window 0).
void wtcw_raw(const std::string& text);
// An own message straight into the main chat window, in the error colour.
void wtcw_error(const std::string& text);
// A debug line: debug file and (unless silent) main chat window, in debug mode only.
void wtcw_debug(const std::string& text);

// The error reporter: echo in chat (unless procName is "Debug"), debug line,
// errors-file block. moduleName "!X" names a module, "@X" a form, anything
// else a class. A fault (the whole report: message and description) is told
// in full kFullTells times, then counted; the count is reported once a
// minute at most (with the next occurrence) and by TellRepeatedErrors. A new
// errors file gets the next occurrence of each fault in full. Never throws.
void LogError(const std::string& procName, const std::string& moduleName, std::int32_t errNumber,
              const std::string& errDescription, std::int32_t lineNumber = 0) noexcept;
// While one lives, the errors reported are written to the errors and debug
// files but not echoed in chat, nor are their counts later: the caller tells
// the chat once for them all (a load's damage, however many values).
class ChatQuiet {
 public:
  ChatQuiet();
  ~ChatQuiet();
  ChatQuiet(const ChatQuiet&) = delete;
  ChatQuiet& operator=(const ChatQuiet&) = delete;

 private:
  bool outer_;
};
// Reports every repeat count not yet told and forgets the faults: the run
// ends (termination) or begins anew. Never throws.
void TellRepeatedErrors() noexcept;
// Appends one stamped line to the debug file. Never throws.
void LogDebug(const std::string& text) noexcept;

// "Error #N occured in 'proc' of class 'X'" (the reporter's message).
std::string ErrorMessage(const std::string& procName, const std::string& moduleName, std::int32_t errNumber,
                         std::int32_t lineNumber);
// "Mellox v1.1.1 (date time)".
std::string StampLine();

// Routes every trapped error (Trap/TrapModule) to LogError.
void InstallErrorSink();

std::filesystem::path ErrorsFilePath();
std::filesystem::path DebugFilePath();

// --- Folders -----------------------------------------------------------------

// The common application data folder. Raises error 76 when the system cannot
// give it, so no failure text is ever used as a path.
std::string GetDataFolder();
// The user's My Documents folder; raises error 76 likewise.
std::string GetMyDoc();

// --- Sounds ------------------------------------------------------------------

// The install folder's "Sounds" folder.
std::filesystem::path SoundFolder();
// A sound name as settings store it: a bare file name, or "Loop\" (or
// "Loop/") and a bare file name for the looped sounds. Anything else (empty,
// "..", separators, drive marks) raises error 52.
std::filesystem::path ResolveSoundPath(std::string_view soundName);
bool IsBareFileName(std::string_view name);

// Plays a sound of the Sounds folder once without waiting; a missing file is
// told to the user, by the error reporter's rule of full tells and counts.
void PlayWavFile(const std::string& file);
// Refill the sound choices of the settings view from the Sounds and
// Sounds/Loop folders.
void GetSoundList();
void GetSoundLoopList();
// "None" first, then the ".wav" files (any case) directly in the folder,
// sorted by name; sub-folders are skipped. Selects "None".
void FillSoundChoices(const std::filesystem::path& folder, const std::vector<platform::ChoiceControl*>& targets);
// The ".wav" file names directly in the folder, sorted by name.
std::vector<std::string> ListWaveFiles(const std::filesystem::path& folder);

// A left click at (x, y) of the game window's client area; the cursor is put back.
void SendClick(std::int32_t x, std::int32_t y);

}  // namespace mellox::Hub
