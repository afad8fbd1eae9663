// The per-character data file: the global-settings choice, tracked corpses,
// spells on items and the chat-log lines, read at login and rewritten whole.
// Chat-log lines logged between whole writes go to a companion file beside
// it, one line each, so keeping them costs what they are, not what the log
// holds (and so do the item spells' seconds left, stored each minute, and
// the corpses and the global-settings choice while whole writes fail): its
// first line names the data file it extends (size and digest of its bytes),
// so once the data file is written whole the companion no longer counts,
// even when a crash kept it from being removed. A companion whose lines were
// not all read is never removed: it is kept aside, and the user told; so is
// one written beside another data file that lacks what it holds. While no
// name is free to keep such a one aside under, a login stores its lines
// after it, following a line naming its own data file: the next login reads
// what follows the last such line as its own, and only what stands before
// it goes aside.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace mellox {

class ControlHandler;

class DataFile {
 public:
  // "<common application data>/Mellox/Data".
  static std::filesystem::path Folder();
  // The file of the logged-in character: "Mellox_Data_<server>_<character>.xml".
  static std::filesystem::path Path();
  // The companion: "Mellox_Data_<server>_<character>.lines".
  static std::filesystem::path LinesPath();
  // The companion's first line, naming a data file of these bytes.
  static std::string LinesFirstLine(std::string_view dataBytes);

  // Reads the file into the handlers and writes it back in its canonical form.
  // A missing or damaged file (moved aside) starts a fresh one.
  static void Load(ControlHandler& ch, std::int16_t action);
  // Writes the whole file; true only when it was written. Nothing is written
  // before the file of this login was read, nor over a file that could not be
  // read, nor while a companion not wholly read could not be copied aside.
  // When a whole write fails, what the companion can take of it (the lines
  // logged since, the item spells' seconds left, the corpses, the
  // global-settings choice) goes there at
  // once, and before each whole write after it, so a logoff, the game's
  // close or the minute on a nearly full disk keeps them.
  static bool Save(ControlHandler& ch);
  // The logoff: nothing is written until the next login has read its file.
  static void Close();
  static std::string Build(ControlHandler& ch);
  // Appends the chat-log lines logged since the last save to the companion,
  // and the item spells (with their seconds left), corpses and
  // global-settings choice as they are now when they changed; the minute
  // calls it with no new line to store the seconds left.
  // Writes the whole file instead when the log changed otherwise, when the
  // companion would grow as large as the data file (so whole writes cost a
  // constant per line), or when either file is not as this login left it.
  // After a failed whole write, only the minute (and the logoff) write whole
  // again; until then the lines are appended when the files allow it. True
  // when the lines are on disk, or at such a minute when the whole write was made.
  static bool SaveNewLines(ControlHandler& ch, bool minute = false);

  // The chat log keeps every stored line while the settings are not yet
  // loaded; the settings' own limit (or the old one) applies afterwards.
  static void LogLimitSetBySettings();
  static void RestoreLogLimitIfRaised();

  static void ResetForTesting();
};

}  // namespace mellox
