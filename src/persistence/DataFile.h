// The per-character data file: the global-settings choice, tracked corpses,
// spells on items and the chat-log lines, read at login and rewritten whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace mellox {

class ControlHandler;

class DataFile {
 public:
  // "<common application data>/Mellox/Data".
  static std::filesystem::path Folder();
  // The file of the logged-in character: "Mellox_Data_<server>_<character>.xml".
  static std::filesystem::path Path();

  // Reads the file into the handlers and writes it back in its canonical form.
  // A missing or damaged file (moved aside) starts a fresh one.
  static void Load(ControlHandler& ch, std::int16_t action);
  // Writes the whole file; true only when it was written. Nothing is written
  // before the file of this login was read, nor over a file that could not be read.
  static bool Save(ControlHandler& ch);
  // The logoff: nothing is written until the next login has read its file.
  static void Close();
  static std::string Build(ControlHandler& ch);

  // The chat log keeps every stored line while the settings are not yet
  // loaded; the settings' own limit (or the old one) applies afterwards.
  static void LogLimitSetBySettings();
  static void RestoreLogLimitIfRaised();

  static void ResetForTesting();
};

}  // namespace mellox
