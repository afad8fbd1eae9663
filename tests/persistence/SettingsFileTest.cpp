// The settings files through the real plug-in in the simulated host: layout,
// byte-stable round trips, the fallback chain, damaged files and values,
// failed writes, and saves that a load itself sets off.
#include <cstdlib>

#include "PersistenceFixture.h"
#include "core/ViewHandler.h"
#include "host/FilterHandler.h"
#include "persistence/UtilitySettings.h"

namespace mellox::test {
namespace {

using SettingsFileTest = PersistenceTest;

std::vector<std::string> ElementNames(const std::string& xml) {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(xml.c_str()));
  std::vector<std::string> names;
  for (pugi::xml_node n : doc.document_element().children()) {
    if (names.empty() || names.back() != n.name()) names.push_back(n.name());
  }
  return names;
}

// Loads the file of the action and returns what the save at its end wrote.
std::string LoadAndSave(ControlHandler& ch, const fs::path& written, std::int16_t action = 0) {
  SettingsFile::Load(ch, action);
  EXPECT_EQ(SettingsState, 2);
  return Slurp(written);
}

TEST_F(SettingsFileTest, ShippedDefaultsAreWhatTheSystemWrites) {
  // Every single element without attributes, so each applier puts in its own defaults; only the
  // plug-in's own lines are routed to the main chat window, or a new player would never see them.
  Spit(DefaultFile(),
       "<Mellox><Location/><Exp/><Util/><Vital_Alarm/><Output_Windows main=\"True\"/><Spells/><Corpses/><Chat_Log/>"
       "<One_Touch/></Mellox>");
  SettingsFile::Load(*ch, 1);
  ASSERT_EQ(SettingsState, 2);
  // The HUDs start where the reset command puts them, not on top of each other.
  ASSERT_NE(FilterHandlerInstance, nullptr);
  FilterHandlerInstance->ResetHUDsPos();
  ASSERT_TRUE(SettingsFile::Save(*ch, 1));
  const std::string produced = Slurp(DefaultFile());
  // MELLOX_WRITE_DEFAULTS=1 rewrites the shipped file after a deliberate change of the format.
  const fs::path shipped = fs::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName;
  if (std::getenv("MELLOX_WRITE_DEFAULTS")) Spit(shipped, produced);
  EXPECT_EQ(produced, Slurp(shipped));
}

TEST_F(SettingsFileTest, LayoutHasFixedOrderAndSeparators) {
  PlaceShippedDefaults();
  const std::string xml = LoadAndSave(*ch, CharFile());
  EXPECT_EQ(xml.rfind("<Mellox Version=\"1.1.0.1\">\r\t<Location ", 0), 0u) << xml.substr(0, 60);
  EXPECT_EQ(xml.substr(xml.size() - 12), "/>\r</Mellox>");
  EXPECT_EQ(xml.find("\n"), std::string::npos);
  const std::vector<std::string> expected = {
      "Location",   "Exp",        "Util",          "Vital_Alarm", "Output_Windows", "Spells",
      "Corpses",    "HUD_All",    "HUD_Clock",     "Clock_List",  "HUD_Main",       "HUD_LIST",
      "HUD_Status", "HUD_Target", "Chat_Option",   "Chat_Color",  "Chat_Log",       "Chat_Log_Option",
      "One_Touch"};
  std::vector<std::string> names = ElementNames(xml);
  // The item HUD and the editable lists are empty in the defaults.
  names.erase(std::remove(names.begin(), names.end(), "HUD_Items"), names.end());
  EXPECT_EQ(names, expected);
}

TEST_F(SettingsFileTest, RoundTripKeepsEveryByteOfAwkwardValues) {
  PlaceShippedDefaults();
  SettingsFile::Load(*ch, 0);
  const std::string awkward = "a&b \"q\" <t> 'x'\nline2\ttab \xE9\xFC\xA0";
  ch->XPFilterThreshold->TextLet(awkward);
  ch->ChatLogAFKMessage->TextLet("afk \x01\x1F bell");
  ch->SelectedSpell = "1234";
  for (int i = 0; i < 2; ++i) {
    const std::int32_t row = ch->ChatFilter->AddRow();
    ch->ChatFilter->DataLet(0, row, 0, true);
    ch->ChatFilter->DataLet(1, row, 0, awkward + std::to_string(i));
    ch->ChatFilter->DataLet(2, row, 0, "Whole");
    ch->ChatFilter->DataLet(3, row, 0, "Block");
  }
  const std::int32_t ex = ch->VitalsExceptions->AddRow();
  ch->VitalsExceptions->DataLet(0, ex, 0, std::string("Olthoi & <Queen>"));
  ASSERT_TRUE(SettingsFile::Save(*ch, 0));
  const std::string first = Slurp(CharFile());
  EXPECT_NE(first.find("&amp;b &quot;q&quot; &lt;t>"), std::string::npos);
  // A forbidden control character never reaches the file.
  EXPECT_NE(first.find("afk ?? bell"), std::string::npos);

  const std::string second = LoadAndSave(*ch, CharFile());
  EXPECT_EQ(second, first);
  EXPECT_EQ(ch->XPFilterThreshold->TextGet(), awkward);
  EXPECT_EQ(ch->ChatFilter->Count(), 2);
  EXPECT_EQ(ch->VitalsExceptions->Count(), 1);
  EXPECT_EQ(ch->SelectedSpell, "1234");
  EXPECT_EQ(LoadAndSave(*ch, CharFile()), first);
}

struct FallbackCase {
  const char* name;
  bool global;
  bool chosenExists;
  bool defaultsExist;
  std::int16_t action;
  std::vector<std::string> told;
  int finalState;
};

class SettingsFallbackTest : public PersistenceTest, public ::testing::WithParamInterface<FallbackCase> {};

TEST_P(SettingsFallbackTest, FallsBackToDefaultsAndCreatesTheChosenFile) {
  const FallbackCase& c = GetParam();
  if (c.defaultsExist) PlaceShippedDefaults();
  ch->GlobalSettings->CheckedLet(c.global);
  const fs::path chosen = c.action == 1 ? DefaultFile() : c.global ? GlobalFile() : CharFile();
  std::string before;
  if (c.chosenExists && c.action != 1) {
    before = Slurp(fs::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName);
    Spit(chosen, before);
  }
  SettingsFile::Load(*ch, c.action);
  EXPECT_EQ(SettingsState, c.finalState);
  for (const auto& t : {std::string("Failed to find character's settings, loading defaults"),
                        std::string("Failed to find global settings, loading defaults"),
                        std::string("Loading setting defaults failed.")}) {
    const bool expected = std::find(c.told.begin(), c.told.end(), t) != c.told.end();
    EXPECT_EQ(Told(t), expected) << t;
  }
  const fs::path written = c.global ? GlobalFile() : CharFile();
  EXPECT_EQ(fs::exists(written), c.finalState == 2 || c.chosenExists);
}

INSTANTIATE_TEST_SUITE_P(
    Chain, SettingsFallbackTest,
    ::testing::Values(
        FallbackCase{"CharacterPresent", false, true, false, 0, {}, 2},
        FallbackCase{"CharacterMissing", false, false, true, 0,
                     {"Failed to find character's settings, loading defaults"}, 2},
        FallbackCase{"GlobalMissing", true, false, true, 0, {"Failed to find global settings, loading defaults"}, 2},
        FallbackCase{"CharacterAndDefaultsMissing", false, false, false, 0,
                     {"Failed to find character's settings, loading defaults", "Loading setting defaults failed."}, 0},
        FallbackCase{"DefaultsMissing", false, false, false, 1, {"Loading setting defaults failed."}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsFileTest, CorruptFileIsKeptAsideAndDefaultsUsed) {
  PlaceShippedDefaults();
  const std::string damaged = "<Mellox Version=\"1.1.0.1\"><Exp auto=\"True\"";
  Spit(CharFile(), damaged);
  SettingsFile::Load(*ch, 0);
  EXPECT_EQ(SettingsState, 2);
  fs::path aside = CharFile();
  aside += ".corrupt";
  EXPECT_EQ(Slurp(aside), damaged);
  EXPECT_TRUE(Told("kept as Mellox_Settings_Alpha_Bob.xml.corrupt"));
  EXPECT_TRUE(Told("Failed to find character's settings, loading defaults"));
  EXPECT_NE(Slurp(CharFile()), damaged);
}

TEST_F(SettingsFileTest, UnreadableFileIsNeverSavedOver) {
  PlaceShippedDefaults();
  fs::create_directories(CharFile());  // a folder where the file should be cannot be read
  SettingsFile::Load(*ch, 0);
  EXPECT_EQ(SettingsState, 2);
  EXPECT_TRUE(fs::is_directory(CharFile()));
  EXPECT_FALSE(SettingsFile::Save(*ch, 0));
  EXPECT_TRUE(Reported("Settings_Save"));
}

TEST_F(SettingsFileTest, FailedWriteKeepsTheOldFileAndIsReported) {
  PlaceShippedDefaults();
  SettingsFile::Load(*ch, 0);
  const std::string old = Slurp(CharFile());
  ch->XPFilterThreshold->TextLet("changed");
  // Each stage a write can die at, the last one standing for a crash before the rename.
  for (const char* stage : {"open", "write", "close", "rename"}) {
    reports.clear();
    SetAtomicWriteFaultForTesting([stage](std::string_view s) { return s == stage ? EACCES : 0; });
    EXPECT_FALSE(SettingsFile::Save(*ch, 0)) << stage;
    EXPECT_EQ(Slurp(CharFile()), old) << stage;
    EXPECT_TRUE(Reported("Settings_Save")) << stage;
  }
  SetAtomicWriteFaultForTesting({});
  for (const auto& entry : fs::directory_iterator(SettingsDir())) {
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
  }
  EXPECT_TRUE(SettingsFile::Save(*ch, 0));
  EXPECT_NE(Slurp(CharFile()).find("changed"), std::string::npos);
}

TEST_F(SettingsFileTest, SaveWritesOnlyOnceApplied) {
  PlaceShippedDefaults();
  SettingsState = 1;
  EXPECT_FALSE(SettingsFile::Save(*ch, 1));
  SettingsFile::Load(*ch, 0);
  ch->GlobalSettings->CheckedLet(true);
  Links().GetMyServer = nullptr;  // action 1 never asks for the names
  const std::string before = Slurp(DefaultFile());
  ch->XPFilterThreshold->TextLet("777");
  EXPECT_TRUE(SettingsFile::Save(*ch, 1));
  EXPECT_NE(Slurp(DefaultFile()), before);
  EXPECT_FALSE(fs::exists(GlobalFile()));
}

TEST_F(SettingsFileTest, SavesDuringALoadLeaveTheFileUntouched) {
  PlaceShippedDefaults();
  const std::string xml = LoadAndSave(*ch, CharFile());
  ch->XPFilterThreshold->TextLet("not saved while loading");
  int attempts = 0;
  // Re-placing the HUDs is the last step that runs while the load applies values.
  Links().UpdateHudPositions = [&] {
    ++attempts;
    EXPECT_EQ(SettingsState, 1);
    EXPECT_FALSE(SettingsFile::Save(*ch, 0));
    EXPECT_EQ(Slurp(CharFile()), xml);
  };
  SettingsFile::Load(*ch, 0);
  EXPECT_EQ(attempts, 1);
  EXPECT_EQ(SettingsState, 2);
}

TEST_F(SettingsFileTest, FileWithoutVersionIsTreatedAsOlderFormat) {
  for (const char* root : {"<Mellox>", "<Mellox Version=\"abc\">"}) {
    reports.clear();
    Spit(CharFile(), std::string(root) + "<Exp auto=\"True\"/></Mellox>");
    const std::string xml = LoadAndSave(*ch, CharFile());
    EXPECT_TRUE(ch->XPAuto->CheckedGet());
    // Files from before format 1 did not know the status and target HUDs.
    EXPECT_NE(xml.find("<HUD_Status on=\"False\""), std::string::npos) << root;
    EXPECT_NE(xml.find("<HUD_Target on=\"False\""), std::string::npos) << root;
    EXPECT_EQ(xml.rfind("<Mellox Version=\"1.1.0.1\">", 0), 0u);
  }
  EXPECT_TRUE(Reported("Settings_Load 1", "Version=\"abc\""));
}

TEST_F(SettingsFileTest, DamagedValuesTakeTheirDefaultsAndTheLoadGoesOn) {
  Spit(CharFile(),
       "<Mellox Version=\"1.1.0.1\">"
       "<Location x=\"99999999999\" y=\"2147483600\"/>"
       "<Util fillmana=\"maybe\" startlevel=\"9\" beerstr=\"False\"/>"
       "<One_Touch block=\"60\" cheap=\"abc\" fallback=\"70%\"/>"
       "<Exp auto=\"True\" filter=\"1\"/>"
       "<One_Touch_Exception name=\"x\"/><One_Touch_Exception/>"
       "</Mellox>");
  ch->FillMana->CheckedLet(true);
  SettingsFile::Load(*ch, 0);
  EXPECT_EQ(SettingsState, 2);
  EXPECT_EQ(ViewLeft, 0);
  EXPECT_EQ(ViewTop, 0);
  EXPECT_FALSE(ch->FillMana->CheckedGet());
  EXPECT_EQ(ch->StartLevel->TextGet(), "9");
  EXPECT_FALSE(ch->BeerStr->CheckedGet());
  EXPECT_EQ(ch->VitalsBlockSlider->SliderPositionGet(), 60);
  EXPECT_EQ(ch->VitalsCheap->TextGet(), "80%");
  EXPECT_EQ(ch->VitalsCheapSlider->SliderPositionGet(), 80);
  EXPECT_EQ(ch->VitalsFallbackSlider->SliderPositionGet(), 70);
  EXPECT_TRUE(ch->XPAuto->CheckedGet());
  EXPECT_TRUE(ch->XPFilter->CheckedGet());
  EXPECT_EQ(ch->VitalsExceptions->Count(), 2);
  EXPECT_EQ(ch->VitalsExceptions->DataGet(1, 1, 1).value, platform::Variant(UtilitySettings::kDeleteIcon).value);
  EXPECT_TRUE(Reported("Settings_Load 1", "Location x=\"99999999999\""));
  EXPECT_TRUE(Reported("Settings_Load 1", "Location y=\"2147483600\""));
  EXPECT_TRUE(Reported("Settings_Load 1", "Util fillmana=\"maybe\""));
  EXPECT_TRUE(Reported("Settings_Load 1", "One_Touch cheap=\"abc\""));
}

TEST_F(SettingsFileTest, AppliersFillMissingAttributesWithTheirDefaults) {
  std::vector<std::pair<std::int16_t, bool>> routed;
  Links().SetTargetList = [&](std::int16_t w, std::int16_t type, bool on) {
    EXPECT_EQ(type, 32);
    routed.emplace_back(w, on);
  };
  Spit(CharFile(),
       "<Mellox Version=\"1.1.0.1\"><Location x=\"100\" y=\"50\"/><Output_Windows main=\"True\"/>"
       "<Chat_Color name=\"Tells In\" enabled=\"True\"/><Chat_Color name=\"tells in\" enabled=\"False\"/>"
       "<Chat_Custom text=\"*loot*\"/><Spells selected=\"-1\"/><Chat_Filter/><Chat_Filter/></Mellox>");
  SettingsFile::Load(*ch, 0);
  EXPECT_EQ(ViewHandlerInstance->MainView->PositionGet(), (platform::Rect{100, 50, 330, 310}));
  EXPECT_EQ(routed, (std::vector<std::pair<std::int16_t, bool>>{{0, true}, {1, false}, {2, false}, {3, false}, {4, false}}));
  const std::int32_t row = ch->FindName("Tells In", "ChatColor");
  ASSERT_GE(row, 0);
  auto text = [](platform::ListControl& l, int c, int r, int sub = 0) {
    return persistence::VariantText(l.DataGet(c, r, sub));
  };
  EXPECT_EQ(text(*ch->ChatColor, 0, row), "True");
  EXPECT_EQ(text(*ch->ChatColor, 2, row), "D");
  EXPECT_EQ(text(*ch->ChatColor, 3, row, 1), "101");
  EXPECT_EQ(text(*ch->ChatColor, 4, row), "False");
  ASSERT_EQ(ch->ChatCustom->Count(), 1);
  EXPECT_EQ(text(*ch->ChatCustom, 1, 0), "*loot*");
  EXPECT_EQ(text(*ch->ChatCustom, 2, 0), "");
  EXPECT_EQ(text(*ch->ChatCustom, 3, 0), "False");
  EXPECT_EQ(text(*ch->ChatCustom, 6, 0), "");
  EXPECT_EQ(ch->ChatFilter->Count(), 2);
  EXPECT_EQ(ch->SelectedSpell, "");
}

TEST_F(SettingsFileTest, NamesOnlyLoseTheirPathSeparators) {
  PlaceShippedDefaults();
  server = "Dark/Tide";
  character = std::string("Sir \\Bob\0 Jr.", 13);
  SettingsFile::Load(*ch, 0);
  EXPECT_TRUE(fs::exists(SettingsDir() / "Mellox_Settings_Dark_Tide_Sir _Bob_ Jr..xml"));
}

TEST_F(SettingsFileTest, MissingFolderIsCreated) {
  PlaceShippedDefaults();
  SettingsFile::Load(*ch, 0);
  fs::remove_all(SettingsDir());
  EXPECT_TRUE(SettingsFile::Save(*ch, 0));
  EXPECT_TRUE(fs::exists(CharFile()));
}

TEST_F(SettingsFileTest, PlaceDefaultsNeverOverwrites) {
  Spit(DefaultFile(), "<Mellox/>");
  PlaceShippedDefaults();
  EXPECT_EQ(Slurp(DefaultFile()), "<Mellox/>");
}

}  // namespace
}  // namespace mellox::test
