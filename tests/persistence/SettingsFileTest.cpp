// The settings files through the real plug-in in the simulated host: layout,
// byte-stable round trips, the fallback chain, damaged files and values,
// failed writes, and saves that a load itself sets off.
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string_view>

#include "PersistenceFixture.h"
#include "chat/ChatTextHandler.h"
#include "core/Hub.h"
#include "core/VB.h"
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

// Every check box of an element is saved from its own box and read back into
// it. Each round gives the boxes of each element another pattern (box i takes
// bit `round` of i, the last round the opposite of the first), so any two
// boxes of an element differ in some round and each box is saved both ways.
TEST_F(SettingsFileTest, EveryCheckBoxOfAnElementIsSavedAndReadApart) {
  PlaceShippedDefaults();
  SettingsFile::Load(*ch, 0);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(Slurp(CharFile()).c_str()));
  std::map<std::string, int> seen;
  for (pugi::xml_node e : doc.document_element().children()) ++seen[e.name()];
  const auto isBox = [](const pugi::xml_attribute& a) {
    return std::string_view(a.value()) == "True" || std::string_view(a.value()) == "False";
  };
  int most = 0;
  for (pugi::xml_node e : doc.document_element().children()) {
    if (seen[e.name()] != 1) continue;
    int n = 0;
    for (pugi::xml_attribute a : e.attributes()) n += isBox(a) ? 1 : 0;
    most = std::max(most, n);
  }
  const int rounds = std::bit_width(static_cast<unsigned>(most - 1)) + 1;
  std::size_t boxes = 0;
  for (int round = 0; round < rounds; ++round) {
    for (pugi::xml_node e : doc.document_element().children()) {
      if (e.type() != pugi::node_element || seen[e.name()] != 1) continue;
      int i = 0;
      for (pugi::xml_attribute a : e.attributes()) {
        if (!isBox(a)) continue;
        a.set_value((round == rounds - 1 ? (i & 1) == 0 : ((i >> round) & 1) != 0) ? "True" : "False");
        ++i;
      }
    }
    std::ostringstream written;
    doc.save(written, "", pugi::format_raw);
    Spit(CharFile(), written.str());
    SettingsFile::Load(*ch, 0);  // applies the file, then saves the view
    pugi::xml_document saved;
    ASSERT_TRUE(saved.load_string(Slurp(CharFile()).c_str()));
    for (pugi::xml_node e : doc.document_element().children()) {
      if (e.type() != pugi::node_element || seen[e.name()] != 1) continue;
      for (pugi::xml_attribute a : e.attributes()) {
        if (!isBox(a)) continue;
        ++boxes;
        EXPECT_STREQ(saved.document_element().child(e.name()).attribute(a.name()).value(), a.value())
            << "round " << round << ": " << e.name() << " " << a.name();
      }
    }
  }
  EXPECT_GE(most, 18);  // the utility boxes
  EXPECT_GT(boxes, 60u * static_cast<unsigned>(rounds));
  EXPECT_TRUE(reports.empty());
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
  // Once the user removes it there is nothing to keep: the next save goes ahead.
  fs::remove(CharFile());
  EXPECT_TRUE(SettingsFile::Save(*ch, 0));
  EXPECT_NE(Slurp(CharFile()).find("<Util "), std::string::npos);

  // A real file that does not parse and has no free name to go aside under.
  fs::remove(CharFile());
  const std::string damaged = "<Mellox Version=\"1.1.0.1\"><Exp auto=\"True\"";
  Spit(CharFile(), damaged);
  for (int n = 0; n < 100; ++n) {
    Spit(CharFile().string() + (n == 0 ? ".corrupt" : ".corrupt." + std::to_string(n)), "");
  }
  reports.clear();
  SettingsFile::Load(*ch, 0);
  EXPECT_TRUE(Told("Mellox_Settings_Alpha_Bob.xml could not be read; it is left as it is and will not be saved over."));
  EXPECT_EQ(SettingsState, 2);
  EXPECT_FALSE(SettingsFile::Save(*ch, 0));
  EXPECT_TRUE(Reported("Settings_Save", "could not be read"));
  EXPECT_EQ(Slurp(CharFile()), damaged);
  fs::remove(CharFile());
  EXPECT_TRUE(SettingsFile::Save(*ch, 0));
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
  // An active plug-in after a load that failed: a refused save is told, but
  // not the ones a load itself sets off.
  PluginActive = true;
  fs::rename(DefaultFile(), SettingsDir() / "aside.xml");
  EXPECT_FALSE(SettingsFile::Load(*ch, 1));
  fs::rename(SettingsDir() / "aside.xml", DefaultFile());
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
  PluginActive = false;
  EXPECT_EQ(attempts, 1);
  EXPECT_EQ(SettingsState, 2);
  EXPECT_FALSE(Told("Settings not saved"));
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

  // A damaged output box never leaves the plug-in's own lines in no window:
  // then the main window stays on, and the report says so. Boxes all off by
  // the user's choice stay off.
  const struct {
    const char* attributes;
    bool main, win1;
    const char* report;
  } outputs[] = {
      {"main=\"yes\"", true, false, "Output_Windows main=\"yes\", using True"},
      {"main=\"False\" win2=\"x\"", true, false, "Output_Windows win2=\"x\", using False, and the main window on"},
      {"main=\"x\" win1=\"True\"", false, true, "Output_Windows main=\"x\", using False"},
      {"main=\"False\"", false, false, nullptr},
  };
  for (const auto& o : outputs) {
    SCOPED_TRACE(o.attributes);
    reports.clear();
    Spit(CharFile(), std::string("<Mellox Version=\"1.1.0.1\"><Output_Windows ") + o.attributes + "/></Mellox>");
    SettingsFile::Load(*ch, 0);
    EXPECT_EQ(ch->OutputMain->CheckedGet(), o.main);
    EXPECT_EQ(ChatTextHandlerInstance->GetTargetList(0, 32), o.main);
    EXPECT_EQ(ChatTextHandlerInstance->GetTargetList(1, 32), o.win1);
    if (o.report) {
      ASSERT_EQ(reports.size(), 1u);
      EXPECT_NE(reports[0].description.find(o.report), std::string::npos) << reports[0].description;
    } else {
      EXPECT_TRUE(reports.empty());
    }
  }
}

// However many values a file has damaged, the chat hears of it once per load,
// with their count; the errors file describes each, and counts of faults
// seen often are not told in chat either.
TEST_F(SettingsFileTest, ADamagedFileIsToldInChatOnceWithItsCount) {
  Hub::InstallErrorSink();  // the plug-in's own reporter, not the fixture's recorder
  fs::create_directories(host_->DocumentsDir() / "Asheron's Call");
  Hub::TellRepeatedErrors();
  std::string damaged =
      "<Mellox Version=\"1.1.0.1\"><Util fillmana=\"a\" levelss=\"b\" allegchange=\"c\" usegems=\"d\" "
      "splitpeas=\"e\"/><Output_Windows main=\"f\"/>";
  for (int i = 0; i < 3; ++i) damaged += "<Chat_Filter enabled=\"perhaps\" name=\"w" + std::to_string(i) + "\"/>";
  Spit(DefaultFile(), damaged + "</Mellox>");
  const std::size_t mark = host_->Output().size();
  for (int load = 0; load < 4; ++load) SettingsFile::Load(*ch, 1);
  Hub::TellRepeatedErrors();
  const std::vector<std::string> told(host_->Output().begin() + static_cast<std::ptrdiff_t>(mark),
                                      host_->Output().end());
  const auto count = [&](const std::string& text) {
    return std::count_if(told.begin(), told.end(), [&](const std::string& l) { return l.find(text) != l.npos; });
  };
  EXPECT_EQ(count("Error #"), 0) << ::testing::PrintToString(told);
  EXPECT_EQ(count("<Mellox> Loading Mellox_Settings.xml found 9 faults; Mellox Errors.txt describes each."), 4);
  EXPECT_EQ(count("kept as Mellox_Settings.xml.damaged"), 1);
  EXPECT_TRUE(ChatTextHandlerInstance->GetTargetList(0, 32));
  const std::string errors = Slurp(host_->DocumentsDir() / "Asheron's Call" / "Mellox Errors.txt");
  for (const char* entry : {"Util fillmana=\"a\", using False in Mellox_Settings.xml", "Util splitpeas=\"e\"",
                            "Output_Windows main=\"f\", using True", "enabled=\"perhaps\""}) {
    EXPECT_NE(errors.find(entry), std::string::npos) << entry;
  }
}

// The element of that name as written, "" when the text has none.
std::string ElementText(const std::string& xml, const std::string& name) {
  const auto at = xml.find("<" + name + " ");
  if (at == std::string::npos) return "";
  return xml.substr(at, xml.find("/>", at) + 2 - at);
}

// The elements whose values live in the view's controls, not in its lists.
const char* const kControlElements[] = {"Location", "Exp",     "Util",     "Vital_Alarm", "Output_Windows",
                                        "Corpses",  "HUD_All", "Chat_Log", "One_Touch"};

// Loads a file of that body into the freshly started plug-in; every element
// the controls carry is then the shipped default, but for `changed` (which
// the body sets) and its own text.
void ExpectShippedDefaultsBut(const fs::path& file, ControlHandler& ch, const std::string& body,
                              const std::string& changed, const std::string& changedText) {
  const std::string shipped = Slurp(fs::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName);
  Spit(file, "<Mellox Version=\"1.1.0.1\">" + body + "</Mellox>");
  SettingsFile::Load(ch, 0);
  ASSERT_EQ(SettingsState, 2);
  const std::string written = Slurp(file);
  for (const char* name : kControlElements) {
    EXPECT_EQ(ElementText(written, name), name == changed ? changedText : ElementText(shipped, name)) << name;
  }
  EXPECT_EQ(LogHandlerInstance->MaxLines(), 100);
  EXPECT_EQ(ch.VitalsCheapSlider->SliderPositionGet(), 80);
  // What the settings drive outside the view follows too: the plug-in's own
  // lines are routed to the main chat window, and to no other.
  ASSERT_NE(ChatTextHandlerInstance, nullptr);
  EXPECT_TRUE(ChatTextHandlerInstance->GetTargetList(0, 32));
  for (std::int16_t window = 1; window < 5; ++window) EXPECT_FALSE(ChatTextHandlerInstance->GetTargetList(window, 32));
}

TEST_F(SettingsFileTest, AFileWithoutElementsLeavesTheShippedDefaults) {
  ExpectShippedDefaultsBut(CharFile(), *ch, "", "", "");
  EXPECT_TRUE(reports.empty());
  // Without a version too: the defaults are applied in today's format, not read as an old one.
  ChatTextHandlerInstance->ResetTargetList();
  Spit(CharFile(), "<Mellox/>");
  SettingsFile::Load(*ch, 0);
  EXPECT_TRUE(ChatTextHandlerInstance->GetTargetList(0, 32));
  // The HUDs start apart, where the shipped defaults start them.
  for (const char* hud : {"HUD_Main", "HUD_Clock", "HUD_Items"}) {
    EXPECT_EQ(ElementText(Slurp(CharFile()), hud),
              ElementText(Slurp(fs::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName), hud));
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(SettingsFileTest, AFileWithOneElementLeavesTheOthersAtTheShippedDefaults) {
  const std::string shipped = Slurp(fs::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName);
  // What an earlier load left in the view (another character's) is no
  // default: the defaults file gives what the file lacks.
  PlaceShippedDefaults();
  std::string other = vb::Replace(shipped, "fillthreshold=\"50000\"", "fillthreshold=\"11111\"");
  other = vb::Replace(other, "logoutextend=\"False\"", "logoutextend=\"True\"");
  other = vb::Replace(other, "<Chat_Log enabled=\"False\" max=\"100\"", "<Chat_Log enabled=\"True\" max=\"5\"");
  ASSERT_NE(other.find("max=\"5\""), std::string::npos);
  Spit(CharFile(), other);
  SettingsFile::Load(*ch, 0);
  ASSERT_EQ(LogHandlerInstance->MaxLines(), 5);
  ExpectShippedDefaultsBut(CharFile(), *ch, "<Util fillmana=\"True\"/>", "Util",
                           vb::Replace(ElementText(shipped, "Util"), "fillmana=\"False\"", "fillmana=\"True\""));
  EXPECT_TRUE(reports.empty());
}

// The chat colour page has row 0 selected after a load: its three choices
// show that row's colour, sound and window.
TEST_F(SettingsFileTest, TheChatColourChoicesShowRowZeroAfterALoad) {
  const std::string shipped = Slurp(fs::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName);
  const std::string row = "<Chat_Color name=\"Mellox\" enabled=\"False\" window=\"D\" color=\"Default\"";
  ASSERT_NE(shipped.find(row), std::string::npos);
  Spit(CharFile(), vb::Replace(shipped, row, "<Chat_Color name=\"Mellox\" enabled=\"True\" window=\"M\" color=\"Red\""));
  SettingsFile::Load(*ch, 0);
  const auto shown = [](platform::ChoiceControl& choice) { return choice.TextGet(choice.SelectedGet()); };
  EXPECT_EQ(shown(*ch->ChatColorColor), "Red");
  EXPECT_EQ(shown(*ch->ChatColorSound), "None");
  EXPECT_EQ(shown(*ch->ChatColorWindow), "M");
}

TEST_F(SettingsFileTest, ADamagedFileIsKeptAsideBeforeItIsRewritten) {
  const std::string damaged = "<Mellox Version=\"1.1.0.1\"><One_Touch cheap=\"abc\"/><Util startlevel=\"9\"/></Mellox>";
  Spit(CharFile(), damaged);
  SettingsFile::Load(*ch, 0);
  fs::path aside = CharFile();
  aside += ".damaged";
  EXPECT_EQ(Slurp(aside), damaged);
  EXPECT_TRUE(Told("kept as Mellox_Settings_Alpha_Bob.xml.damaged"));
  EXPECT_NE(Slurp(CharFile()).find("cheap=\"80%\""), std::string::npos);

  // The rewritten file is sound: nothing more is kept aside.
  SettingsFile::Load(*ch, 0);
  fs::path second = aside;
  second += ".1";
  EXPECT_FALSE(fs::exists(second));

  // A later damage keeps the first copy and takes the next free name.
  Spit(CharFile(), "<Mellox Version=\"1.1.0.1\"><Exp auto=\"perhaps\"/></Mellox>");
  SettingsFile::Load(*ch, 0);
  EXPECT_EQ(Slurp(aside), damaged);
  EXPECT_EQ(Slurp(second), "<Mellox Version=\"1.1.0.1\"><Exp auto=\"perhaps\"/></Mellox>");

  // Two files pasted into one: the first root is applied, and the file is
  // told and kept, so what the second held is not dropped by the save.
  const std::string twoRoots =
      "<Mellox Version=\"1.1.0.1\"><Exp auto=\"True\"/></Mellox>\r\n"
      "<Mellox Version=\"1.1.0.1\"><Chat_Alias abbr=\"gg\" full=\"good game\" enabled=\"True\"/></Mellox>";
  Spit(CharFile(), twoRoots);
  reports.clear();
  SettingsFile::Load(*ch, 0);
  EXPECT_TRUE(ch->XPAuto->CheckedGet());
  fs::path third = aside;
  third += ".2";
  EXPECT_EQ(Slurp(third), twoRoots);
  EXPECT_TRUE(Told("kept as Mellox_Settings_Alpha_Bob.xml.damaged.2"));
  EXPECT_TRUE(Reported("Settings_Load 1", "A second root element"));

  // The defaults file, loaded for a new character and by the reload button:
  // every report names it, and it is kept at the load, though the save that
  // follows writes the character's file.
  const std::string defaults = "<Mellox Version=\"1.1.0.1\"><Util fillmana=\"abc\"/><Exp auto=\"caf\xE9\"/></Mellox>";
  for (const std::int16_t action : {0, 1}) {
    SCOPED_TRACE(action);
    Spit(DefaultFile(), defaults);
    fs::remove(CharFile());
    fs::remove(DefaultFile().string() + ".damaged");
    reports.clear();
    SettingsFile::Load(*ch, action);
    EXPECT_EQ(Slurp(DefaultFile().string() + ".damaged"), defaults);
    EXPECT_EQ(Slurp(DefaultFile()), defaults);
    ASSERT_EQ(reports.size(), 3u);
    for (const Report& r : reports) EXPECT_TRUE(r.description.ends_with(" in Mellox_Settings.xml")) << r.description;
  }
  EXPECT_TRUE(Told("Mellox_Settings.xml held values that could not be used; the file as it was is kept as "
                   "Mellox_Settings.xml.damaged."));

  // The same damaged defaults loaded again and again (the reload button, new
  // characters) are kept once: the copy there is enough, and nothing is said of one.
  const auto copiesTold = [&] {
    const auto& out = host_->Output();
    return std::count_if(out.begin(), out.end(),
                         [](const std::string& l) { return l.find("kept as Mellox_Settings.xml.damaged") != l.npos; });
  };
  const auto told = copiesTold();
  for (const char* name : {"Carl", "Dora", "Bob"}) {
    character = name;
    SettingsFile::Load(*ch, 0);
    SettingsFile::Load(*ch, 1);
  }
  EXPECT_EQ(copiesTold(), told);
  EXPECT_FALSE(fs::exists(DefaultFile().string() + ".damaged.1"));
  // Other damage is a copy of its own; the first damage back again is not.
  const std::string other = "<Mellox Version=\"1.1.0.1\"><Exp auto=\"perhaps\"/></Mellox>";
  for (const std::string& bytes : {other, defaults, other}) {
    Spit(DefaultFile(), bytes);
    SettingsFile::Load(*ch, 1);
  }
  EXPECT_EQ(Slurp(DefaultFile().string() + ".damaged.1"), other);
  EXPECT_FALSE(fs::exists(DefaultFile().string() + ".damaged.2"));
  EXPECT_EQ(copiesTold(), told + 1);
}

TEST_F(SettingsFileTest, ThousandsOfBadRowsGiveOneReportPerFault) {
  std::string xml = "<Mellox Version=\"1.1.0.1\"><Util fillmana=\"maybe\"/>";
  for (int i = 0; i < 5; ++i) xml += "<Chat_Filter enabled=\"perhaps\" name=\"w" + std::to_string(i) + "\"/>";
  // Two rows more than a list can number.
  for (int i = 0; i < 32770; ++i) xml += "<One_Touch_Exception name=\"x\"/>";
  Spit(CharFile(), xml + "</Mellox>");
  SettingsFile::Load(*ch, 0);
  EXPECT_EQ(SettingsState, 2);
  EXPECT_EQ(ch->ChatFilter->Count(), 5);
  EXPECT_EQ(ch->VitalsExceptions->Count(), 32768);
  std::vector<std::string> descriptions;
  for (const Report& r : reports) descriptions.push_back(r.description);
  ASSERT_EQ(descriptions.size(), 3u) << ::testing::PrintToString(descriptions);
  EXPECT_EQ(descriptions[0].find("(1 times)"), std::string::npos);
  EXPECT_NE(descriptions[0].find("Util fillmana=\"maybe\""), std::string::npos);
  EXPECT_NE(descriptions[1].find("Chat_Filter enabled=\"perhaps\""), std::string::npos);
  EXPECT_NE(descriptions[1].find("(5 times)"), std::string::npos);
  EXPECT_NE(descriptions[2].find("(One_Touch_Exception) (2 times)"), std::string::npos);
  EXPECT_TRUE(Reported("Settings_Load 1", "(2 times)"));
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

TEST_F(SettingsFileTest, AnEmptyCheckCellIsSavedAsFalse) {
  PlaceShippedDefaults();
  SettingsFile::Load(*ch, 0);
  // A rule as the chat command adds it: every cell but the check box.
  platform::ListControl& rules = *ch->ChatCustom;
  const std::int32_t row = rules.AddRow();
  const char* cells[] = {"", "*hi*", "All", "m3", "", "None", "[]seen"};
  for (std::int32_t column : {1, 2, 3, 5, 6}) rules.DataLet(column, row, 0, std::string(cells[column]));
  ASSERT_TRUE(SettingsFile::Save(*ch, 0));
  EXPECT_NE(Slurp(CharFile()).find("<Chat_Custom text=\"*hi*\" enabled=\"False\""), std::string::npos);
  SettingsFile::Load(*ch, 0);
  EXPECT_EQ(rules.Count(), 1);
  EXPECT_TRUE(reports.empty());
}

TEST_F(SettingsFileTest, ANegativeLogLimitIsRefusedLikeAText) {
  AddLogLine("kept");
  Spit(CharFile(), "<Mellox Version=\"1.1.0.1\"><Chat_Log max=\"-5\"/></Mellox>");
  SettingsFile::Load(*ch, 0);
  EXPECT_EQ(Log().MaxLines(), 100);
  EXPECT_EQ(Log().Log().size(), 1u);
}

TEST_F(SettingsFileTest, TemporariesOfKilledSavesAreSweptAtTheNextLoad) {
  const fs::path leftover = CharFile().string() + ".tmp-0123456789ab";
  const fs::path dataLeftover = DataFilePath().string() + ".tmp-fedcba987654";
  const fs::path linesLeftover = DataFile::LinesPath().string() + ".tmp-fedcba987654";
  // Kills while a damaged file's copy was written: whole copies of it.
  const fs::path copyLeftovers[] = {CharFile().string() + ".damaged.tmp-0123456789ab",
                                    DataFilePath().string() + ".damaged.2.tmp-fedcba987654",
                                    DataFile::LinesPath().string() + ".damaged.tmp-fedcba987654"};
  // Those of files this load never reads: the global settings (a 0-byte
  // temporary of a kill at its whole write) and another character's files.
  const fs::path otherFiles[] = {GlobalFile().string() + ".tmp-0123456789ab",
                                 SettingsDir() / "Mellox_Settings_Alpha_Carl.xml.tmp-00000000000a",
                                 DataDir() / "Mellox_Data_Alpha_Carl.xml.tmp-00000000000b",
                                 DataDir() / "Mellox_Data_Alpha_Carl.lines.damaged.1.tmp-00000000000c"};
  // Names not of the writer's own form stay.
  const fs::path others[] = {CharFile().string() + ".tmp-mine", CharFile().string() + ".tmp-0123456789abc",
                             CharFile().string() + ".damaged", CharFile().string() + ".damaged.x.tmp-0123456789ab",
                             CharFile().string() + ".corrupt.tmp-0123456789ab"};
  for (const fs::path& p : {leftover, dataLeftover, linesLeftover}) Spit(p, "<Mellox");
  for (const fs::path& p : copyLeftovers) Spit(p, "<Mellox");
  for (const fs::path& p : otherFiles) Spit(p, "");
  for (const fs::path& p : others) Spit(p, "keep");
  PlaceShippedDefaults();
  SettingsFile::Load(*ch, 0);
  DataFile::Load(*ch, 0);
  EXPECT_FALSE(fs::exists(leftover));
  EXPECT_FALSE(fs::exists(dataLeftover));
  EXPECT_FALSE(fs::exists(linesLeftover));
  for (const fs::path& p : copyLeftovers) EXPECT_FALSE(fs::exists(p)) << p;
  for (const fs::path& p : otherFiles) EXPECT_FALSE(fs::exists(p)) << p;
  for (const fs::path& p : others) EXPECT_TRUE(fs::exists(p)) << p;
  // A folder first written, not read, in a run is swept at that save.
  Spit(otherFiles[0], "");
  persistence::ClearProtectedForTesting();
  ch->GlobalSettings->CheckedLet(true);
  ASSERT_TRUE(SettingsFile::Save(*ch, 0));
  EXPECT_FALSE(fs::exists(otherFiles[0]));
}

TEST_F(SettingsFileTest, NamesOnlyLoseTheirPathSeparators) {
  PlaceShippedDefaults();
  server = "Dark/Tide";
  character = std::string("Sir \\Bob\0 Jr.", 13);
  SettingsFile::Load(*ch, 0);
  EXPECT_TRUE(fs::exists(SettingsDir() / "Mellox_Settings_Dark_Tide_Sir _Bob_ Jr..xml"));

  // A name no file can have is told as such, not guarded as an unreadable file.
  character = std::string(300, 'S');
  reports.clear();
  SettingsFile::Load(*ch, 0);
  EXPECT_EQ(SettingsState, 2);
  EXPECT_TRUE(Told(".xml is too long for a file on this system; it cannot be read or saved."));
  EXPECT_FALSE(Told("will not be saved over"));
  EXPECT_FALSE(persistence::IsProtected(CharFile()));
  reports.clear();
  EXPECT_FALSE(SettingsFile::Save(*ch, 0));
  EXPECT_TRUE(Reported("Settings_Save", "is too long for a file"));
  // The data file is not tried again at every logged line.
  DataFile::Load(*ch, 0);
  reports.clear();
  EXPECT_FALSE(DataFile::Save(*ch));
  EXPECT_TRUE(reports.empty());
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
