#include "persistence/SettingsFile.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <set>
#include <string_view>
#include <system_error>

#include <pugixml.hpp>

#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "hud/HudRoster.h"
#include "persistence/AttributeReader.h"
#include "persistence/ChatSettings.h"
#include "persistence/DataFile.h"
#include "persistence/GeneralSettings.h"
#include "persistence/HudSettings.h"
#include "persistence/LoadDamage.h"
#include "persistence/PersistenceLinks.h"
#include "persistence/UtilitySettings.h"
#include "persistence/XmlFiles.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

constexpr const char* kClass = "ControlHandler";
constexpr const char* kOldestVersion = "0.0.0.0";

std::vector<std::string>& Parts() {
  static std::vector<std::string> parts;
  return parts;
}

std::string CurrentName(const std::function<std::string()>& getter) {
  if (!getter) Raise(91);
  return persistence::FileNamePart(getter());
}

// The "Version" attribute split at "."; a major part that is no number is
// damaged and read as the oldest format.
std::vector<std::string> ReadVersion(pugi::xml_node root, const std::string& procedure) {
  const AttributeReader r(root, procedure);
  const std::string version = r.Text("Version", kOldestVersion);
  std::vector<std::string> parts = vb::Split(version, ".");
  bool valid = !parts.empty() && vb::IsNumeric(parts[0]);
  if (valid) {
    try {
      vb::CLng(parts[0]);
    } catch (const VBError&) {
      valid = false;
    }
  }
  if (!valid) {
    r.ReportBad(13, "Version", version, kOldestVersion);
    parts = vb::Split(kOldestVersion, ".");
  }
  return parts;
}

bool ApplyElement(ControlHandler& ch, pugi::xml_node element, const std::string& procedure) {
  return GeneralSettings::Apply(ch, element, procedure) || UtilitySettings::Apply(ch, element, procedure) ||
         ChatSettings::Apply(ch, element, procedure) || HudSettings::Apply(ch, element, procedure);
}

void SelectByText(platform::ChoiceControl& choice, const std::string& text) {
  for (std::int32_t i = 0, n = choice.ChoiceCount(); i < n; ++i) {
    if (choice.TextGet(i) == text) {
      choice.SelectedLet(i);
      return;
    }
  }
}

std::int32_t IconOf(const platform::Variant& cell) {
  try {
    return persistence::VariantLong(cell);
  } catch (const VBError&) {
    return 0;
  }
}

// The drop-downs that mirror row 0 of their lists show that row again.
void ReselectChoices(ControlHandler& ch, const std::string& procedure) {
  struct Mirror {
    const char* label;
    std::function<platform::ListControl&()> list;
    std::function<std::string(platform::ListControl&)> value;
    std::function<platform::ChoiceControl&()> choice;
  };
  auto cell = [](std::int32_t column) {
    return [column](platform::ListControl& l) { return persistence::VariantText(l.DataGet(column, 0, 0)); };
  };
  auto hudColor = [](std::int32_t column) {
    return [column](platform::ListControl& l) { return Hub::GetColorFromHUDIcon(IconOf(l.DataGet(column, 0, 1))); };
  };
  const Mirror mirrors[] = {
      {"ChatColorColor", [&]() -> platform::ListControl& { return *ch.ChatColor; },
       [](platform::ListControl& l) { return ChatSettings::ColorFromIcon(IconOf(l.DataGet(3, 0, 1))); },
       [&]() -> platform::ChoiceControl& { return *ch.ChatColorColor; }},
      {"ChatColorSound", [&]() -> platform::ListControl& { return *ch.ChatColor; }, cell(4),
       [&]() -> platform::ChoiceControl& { return *ch.ChatColorSound; }},
      {"ChatColorWindow", [&]() -> platform::ListControl& { return *ch.ChatColor; }, cell(2),
       [&]() -> platform::ChoiceControl& { return *ch.ChatColorWindow; }},
      {"HudMainColor", [&]() -> platform::ListControl& { return *ch.HudList; }, hudColor(2),
       [&]() -> platform::ChoiceControl& { return *ch.HudMainColor; }},
      {"HudGeneralFont", [&]() -> platform::ListControl& { return *ch.HudGeneral; }, cell(2),
       [&]() -> platform::ChoiceControl& { return *ch.HudGeneralFont; }},
      {"HudGeneralSize", [&]() -> platform::ListControl& { return *ch.HudGeneral; }, cell(3),
       [&]() -> platform::ChoiceControl& { return *ch.HudGeneralSize; }},
      {"HudGeneralBGAlpha", [&]() -> platform::ListControl& { return *ch.HudGeneral; }, cell(5),
       [&]() -> platform::ChoiceControl& { return *ch.HudGeneralBGAlpha; }},
      {"HudGeneralBGColor", [&]() -> platform::ListControl& { return *ch.HudGeneral; }, hudColor(4),
       [&]() -> platform::ChoiceControl& { return *ch.HudGeneralBGColor; }},
      {"HudClockColor", [&]() -> platform::ListControl& { return *ch.HudClockList; }, hudColor(4),
       [&]() -> platform::ChoiceControl& { return *ch.HudClockColor; }},
  };
  for (const Mirror& m : mirrors) {
    GuardStep(procedure, std::string(" (") + m.label + ")", [&] {
      platform::ListControl& list = m.list();
      if (list.Count() == 0) return;
      SelectByText(m.choice(), m.value(list));
    });
  }
}

// A file trimmed by hand gets the settings it lacks from the defaults file,
// never from what an earlier login left in the view: those elements are
// applied, so what follows from them and lives outside the view (chat
// routing, the log limit, the view's place, the HUD windows) follows the
// defaults too. An element the defaults file lacks as well is applied as the
// controls now stand. Only the one-of-a-kind elements: a row element applied
// again would add its rows twice.
void ApplyMissingElements(ControlHandler& ch, const std::set<std::string, std::less<>>& present,
                          const std::string& procedure) {
  static constexpr std::string_view kSingles[] = {
      "Location",   "Exp",      "Util",      "Vital_Alarm", "Output_Windows", "Spells",    "Corpses",
      "HUD_All",    "HUD_Main", "HUD_Clock", "HUD_Items",   "HUD_Status",     "HUD_Target", "Chat_Log",
      "One_Touch"};
  const bool anyMissing = std::any_of(std::begin(kSingles), std::end(kSingles),
                                      [&](std::string_view name) { return !present.contains(name); });
  if (!anyMissing) return;
  // The elements are written in today's format, whatever the file's version.
  const std::vector<std::string> fileParts = Parts();
  Parts() = vb::Split(SettingsFile::kFormatVersion, ".");
  pugi::xml_document shipped;
  // Read only: the defaults file is not the one this load reports on or keeps aside.
  std::string shippedBytes;
  if (ReadWholeFile(SettingsFile::Folder() / SettingsFile::kDefaultFileName, shippedBytes))
    persistence::ParseXml(shippedBytes, shipped);
  GuardStep(procedure, " (defaults)", [&] {
    pugi::xml_document standing;
    if (!persistence::ParseXml(SettingsFile::Build(ch), standing)) Raise(5);
    for (pugi::xml_node standingChild : standing.document_element().children()) {
      const std::string_view name = standingChild.name();
      if (present.contains(name) ||
          std::find(std::begin(kSingles), std::end(kSingles), name) == std::end(kSingles)) {
        continue;
      }
      pugi::xml_document one;
      const pugi::xml_node fromFile = shipped.document_element().child(standingChild.name());
      const pugi::xml_node child = one.append_copy(fromFile ? fromFile : standingChild);
      // A HUD without its element starts where the shipped defaults start it,
      // not on top of the others at its engine's first place.
      const std::optional<HudId> hud = name == "HUD_Main"    ? std::optional(HudId::Main)
                                       : name == "HUD_Clock" ? std::optional(HudId::Clock)
                                       : name == "HUD_Items" ? std::optional(HudId::Items)
                                                             : std::nullopt;
      if (const auto place = hud ? HudRoster::ResetPlace(*hud) : std::nullopt) {
        child.attribute("x").set_value(place->x);
        child.attribute("y").set_value(place->y);
      }
      GuardElement(procedure, child.name(), [&] { ApplyElement(ch, child, procedure); });
    }
  });
  Parts() = fileParts;
}

// Writes what a refused save owes the file, if anything. A refusal again is
// not told: the first was, and the next try comes at the minute.
void WriteOwed(ControlHandler& ch, const std::filesystem::path& path) {
  const auto owed = ch.SettingsOwed.find(path);
  if (owed == ch.SettingsOwed.end()) return;
  try {
    persistence::SaveXmlFile(path, owed->second);
  } catch (const VBError&) {
    return;
  }
  ch.SettingsOwed.erase(owed);
}

// True while a load runs: the saves its appliers set off are refused in silence.
bool& Loading() {
  static bool loading = false;
  return loading;
}

struct LoadingFlag {
  LoadingFlag() : outer(Loading()) { Loading() = true; }
  ~LoadingFlag() { Loading() = outer; }
  LoadingFlag(const LoadingFlag&) = delete;
  LoadingFlag& operator=(const LoadingFlag&) = delete;
  bool outer;
};

// Applies a document loaded from path: state 1 while it runs, 2 and a save at
// its end. True when it ran to its end.
bool ApplyDocument(ControlHandler& ch, const pugi::xml_document& doc, const std::filesystem::path& path,
                   std::string bytes) {
  SettingsState = 1;
  const std::string procedure = "Settings_Load 1";
  const pugi::xml_node root = doc.document_element();
  LoadDamage damage(path, std::move(bytes));
  // Settings outside the root (two files pasted into one) are not applied:
  // the file is kept aside and told, as one holding values that cannot be used.
  for (pugi::xml_node node : doc.children()) {
    const bool content = node.type() == pugi::node_element || node.type() == pugi::node_pcdata ||
                         node.type() == pugi::node_cdata;
    if (node != root && content) {
      LoadDamage::Report("outside the root", 5, "A second root element, or text outside the root, was not read",
                         procedure);
    }
  }

  Parts() = ReadVersion(root, procedure);
  ch.Init_Lists(Parts());
  GuardStep(procedure, " (One_Touch_Exception)", [&] { UtilitySettings::ResetExceptions(ch); });
  HudSettings::BeginLoad();

  // One damaged element costs only itself.
  std::set<std::string, std::less<>> present;
  for (pugi::xml_node child : root.children()) {
    if (child.type() != pugi::node_element) continue;
    present.emplace(child.name());
    GuardElement(procedure, child.name(), [&] { ApplyElement(ch, child, procedure); });
  }
  ApplyMissingElements(ch, present, procedure);
  damage.Finish();
  // The file as loaded is kept now: the save below may write another file
  // (the defaults were loaded in place of the character's).
  GuardStep(procedure, " (SetAside)", [&] { persistence::SetAsideIfPending(path); });

  ReselectChoices(ch, procedure);
  GuardStep(procedure, " (UpdatePos)", [&] {
    if (Links().UpdateHudPositions) Links().UpdateHudPositions();
  });
  DataFile::RestoreLogLimitIfRaised();

  SettingsState = 2;
  SettingsFile::Save(ch, 0);
  return true;
}

}  // namespace

std::filesystem::path SettingsFile::Folder() {
  return std::filesystem::path(Hub::GetDataFolder()) / "Mellox" / "Settings";
}

std::string SettingsFile::CharacterFileName() {
  const std::string server = CurrentName(Links().GetMyServer);
  const std::string character = CurrentName(Links().GetMyCharName);
  return "Mellox_Settings_" + server + "_" + character + ".xml";
}

std::filesystem::path SettingsFile::PathFor(ControlHandler& ch, std::int16_t action) {
  if (action == 1) return Folder() / kDefaultFileName;
  if (ch.GlobalSettings->CheckedGet()) return Folder() / kGlobalFileName;
  return Folder() / CharacterFileName();
}

std::string SettingsFile::Build(ControlHandler& ch) {
  pugi::xml_document doc;
  pugi::xml_node root = persistence::StartDocument(doc);
  root.append_attribute("Version").set_value(kFormatVersion);
  GeneralSettings::WriteLocation(ch, root);
  GeneralSettings::WriteExp(ch, root);
  UtilitySettings::WriteUtil(ch, root);
  UtilitySettings::WriteVitalAlarm(ch, root);
  GeneralSettings::WriteOutputWindows(ch, root);
  GeneralSettings::WriteSpells(ch, root);
  GeneralSettings::WriteCorpses(ch, root);
  HudSettings::Write(ch, root);
  ChatSettings::Write(ch, root);
  UtilitySettings::WriteOneTouch(ch, root);
  UtilitySettings::WriteOneTouchExceptions(ch, root);
  return persistence::FinishDocument(doc);
}

bool SettingsFile::Save(ControlHandler& ch, std::int16_t action) {
  Hub::wtcw_debug("Settings Save with action " + vb::CStr(static_cast<int>(action)) + ", settings state " +
                  vb::CStr(static_cast<int>(SettingsState)));
  // While a load applies its values every save would write a half-applied
  // state. Once a load has failed to apply its file, each refused save of
  // the active plug-in loses a change of the user's: say so.
  if (SettingsState != 2) {
    if (PluginActive && ch.SettingsLoadFailed && !Loading())
      Hub::wtcw_error("Settings not saved: no settings file has been applied.");
    return false;
  }
  return Trap("Settings_Save", kClass, [&] {
    const std::string bytes = Build(ch);
    // The box is read after the document is built: the file is the one it names now.
    const std::filesystem::path path = PathFor(ch, action);
    try {
      persistence::SaveXmlFile(path, bytes);
    } catch (const VBError&) {
      // The defaults are saved only when the player asks, who is told whether they were.
      if (action != 1) ch.SettingsOwed[path] = bytes;
      throw;
    }
    ch.SettingsOwed.erase(path);
  });
}

void SettingsFile::SaveOwed(ControlHandler& ch, bool loginEnds) {
  std::vector<std::filesystem::path> paths;
  for (const auto& owed : ch.SettingsOwed) paths.push_back(owed.first);
  for (const std::filesystem::path& path : paths) WriteOwed(ch, path);
  // A login that ends on a full disk loses what it could not write, as the
  // refusal of its own last save told.
  if (loginEnds) ch.SettingsOwed.clear();
}

bool SettingsFile::Load(ControlHandler& ch, std::int16_t action) {
  Hub::wtcw_debug("Settings Load with action " + vb::CStr(static_cast<int>(action)));
  // Until a file is in hand nothing is touched: a load that fails before it
  // applies anything leaves the controls, their state and saving as they were.
  const std::int32_t before = SettingsState;
  bool applying = false;
  bool applied = false;
  const LoadingFlag loading;
  SettingsState = 0;
  GuardStep("Settings_Load 0", "", [&] {
    using persistence::LoadOutcome;
    pugi::xml_document doc;
    std::string bytes;
    std::filesystem::path loaded = Folder() / kDefaultFileName;
    const auto load = [&](const std::filesystem::path& path) {
      loaded = path;
      // The file is to hold what the player set, not what the disk had no room to replace.
      WriteOwed(ch, path);
      return persistence::LoadXmlFile(path, doc, pugi::parse_default, &bytes) == LoadOutcome::Loaded;
    };
    if (action == 1) {
      if (!load(Folder() / kDefaultFileName)) {
        Hub::wtcw_error("Loading setting defaults failed.");
        return;
      }
    } else {
      const bool global = ch.GlobalSettings->CheckedGet();
      if (!load(global ? Folder() / kGlobalFileName : Folder() / CharacterFileName())) {
        Hub::wtcw_error(global ? "Failed to find global settings, loading defaults"
                               : "Failed to find character's settings, loading defaults");
        if (!load(Folder() / kDefaultFileName)) {
          Hub::wtcw_error("Loading setting defaults failed.");
          return;
        }
      }
    }
    applying = true;
    applied = ApplyDocument(ch, doc, loaded, std::move(bytes));
  });
  if (!applying) SettingsState = before;
  ch.SettingsLoadFailed = !applied;
  return applied;
}

const std::vector<std::string>& SettingsFile::VersionParts() { return Parts(); }

bool SettingsFile::PlaceDefaults(const std::filesystem::path& shippedFile,
                                 const std::filesystem::path& commonDataFolder) {
  const std::filesystem::path target = commonDataFolder / "Mellox" / "Settings" / kDefaultFileName;
  std::error_code ec;
  if (std::filesystem::exists(target, ec)) return true;
  std::string bytes;
  if (!ReadWholeFile(shippedFile, bytes)) return false;
  return Trap("PlaceDefaults", "SettingsFile", [&] { persistence::SaveXmlFile(target, bytes); });
}

}  // namespace mellox
