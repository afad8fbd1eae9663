// The settings files (defaults, global, per character): one XML layout,
// written whole from the settings view after every change and applied back
// to it element by element when loaded.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mellox {

class ControlHandler;

class SettingsFile {
 public:
  static constexpr const char* kFormatVersion = "1.1.0.1";
  static constexpr const char* kDefaultFileName = "Mellox_Settings.xml";
  static constexpr const char* kGlobalFileName = "Mellox_Global_Settings.xml";

  // "<common application data>/Mellox/Settings".
  static std::filesystem::path Folder();
  // "Mellox_Settings_<server>_<character>.xml".
  static std::string CharacterFileName();
  // Action 1: the defaults file; otherwise the global or the character's
  // file as the global-settings box says.
  static std::filesystem::path PathFor(ControlHandler& ch, std::int16_t action);

  // The whole document from the settings view and the HUD windows.
  static std::string Build(ControlHandler& ch);
  // Writes the file of the action. Nothing is written unless the settings
  // are applied (state 2); after a load that failed to apply its file the
  // active plug-in tells the user so (not while a load runs);
  // true only when the file was written.
  // A refused save of the global or the character's file is owed
  // (ControlHandler::SettingsOwed) until a save of that file holds.
  static bool Save(ControlHandler& ch, std::int16_t action);
  // Writes the saves owed, telling nothing either way; with loginEnds what
  // still cannot be written is given up.
  static void SaveOwed(ControlHandler& ch, bool loginEnds);
  // Loads the file of the action (falling back to the defaults), applies it,
  // and saves it straight back. SettingsState ends at 2 when it was applied;
  // when no file could be loaded it stays as it was. True when applied.
  static bool Load(ControlHandler& ch, std::int16_t action);

  // The loaded file's "Version" split at "." (for the appliers that convert older files).
  static const std::vector<std::string>& VersionParts();

  // Puts the shipped defaults file into the settings folder under
  // commonDataFolder when none is there. False when it could not.
  static bool PlaceDefaults(const std::filesystem::path& shippedFile, const std::filesystem::path& commonDataFolder);
};

}  // namespace mellox
