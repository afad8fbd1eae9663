// Logging off and on again with the plug-in kept loaded, as the game does:
// each login starts from the data file, so nothing it holds is multiplied,
// and one character's login never reads or writes another's state or files.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "ScriptRunner.h"
#include "chat/LogHandler.h"
#include "core/APluginCore.h"
#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "host/HostPeers.h"
#include "persistence/DataFile.h"
#include "persistence/SettingsFile.h"
#include "persistence/XmlFiles.h"
#include "hud/HUDClockHandler.h"
#include "hud/HUDMainHandler.h"
#include "hud/HUDStatusHandler.h"
#include "hud/HUDTargetHandler.h"
#include "hud/HudHandlerT.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCharacter.h"
#include "sim/SimClock.h"
#include "sim/SimHudView.h"
#include "sim/SimList.h"
#include "sim/SimRenderService.h"
#include "sim/SimView.h"
#include "support/TempHome.h"
#include "tracking/CorpseHandler.h"
#include "tracking/SpellHandler.h"
#include "tracking/Statistics.h"

namespace mellox::test {
namespace {

namespace fs = std::filesystem;

// Every control of the settings view as the player sees it, one line each.
std::vector<std::string> ViewState(sim::SimView& view) {
  std::vector<std::string> state;
  for (const std::string& name : view.Names()) {
    platform::HostControl* control = view.Control(name);
    std::string text;
    if (auto* box = dynamic_cast<platform::CheckBoxControl*>(control)) {
      text = box->CheckedGet() ? "on" : "off";
    } else if (auto* edit = dynamic_cast<platform::EditControl*>(control)) {
      text = edit->TextGet();
    } else if (auto* label = dynamic_cast<platform::StaticTextControl*>(control)) {
      text = label->TextGet();
    } else if (auto* button = dynamic_cast<platform::PushButtonControl*>(control)) {
      text = button->TextGet();
    } else if (auto* choice = dynamic_cast<platform::ChoiceControl*>(control)) {
      text = std::to_string(choice->SelectedGet()) + " of " + std::to_string(choice->ChoiceCount());
    } else if (auto* slider = dynamic_cast<platform::SliderControl*>(control)) {
      text = std::to_string(slider->SliderPositionGet());
    } else if (auto* progress = dynamic_cast<platform::ProgressControl*>(control)) {
      text = std::to_string(progress->ValueGet());
    } else if (auto* list = dynamic_cast<sim::SimList*>(control)) {
      for (std::int32_t row = 0; row < list->Count(); ++row)
        for (std::size_t column = 0; column < list->Columns().size(); ++column)
          text += "|" + persistence::VariantText(list->DataGet(static_cast<std::int32_t>(column), row, 0));
      text += " scroll " + std::to_string(list->ScrollPositionGet());
    }
    state.push_back(name + ": " + text);
  }
  return state;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class ReloginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    persistence::ClearProtectedForTesting();
    DataFile::ResetForTesting();
    SettingsFile::PlaceDefaults(fs::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName, host.ProgramDataDir());
    host.LoadPlugin(std::make_unique<APluginCore>());
  }
  void TearDown() override { host.UnloadPlugin(); }

  void Run(const std::string& script) {
    std::istringstream in(script);
    ASSERT_TRUE(runner.Run(in, "relogin.session", false)) << err.str();
  }
  std::string DataFileBytes(const std::string& name = "Eve") { return Bytes(DataPath(name)); }
  fs::path DataPath(const std::string& name) const {
    return host.ProgramDataDir() / "Mellox" / "Data" / ("Mellox_Data_Alpha_" + name + ".xml");
  }
  fs::path SettingsPath(const std::string& name) const {
    return host.ProgramDataDir() / "Mellox" / "Settings" / ("Mellox_Settings_Alpha_" + name + ".xml");
  }
  fs::path LogFile(const std::string& name) const { return host.DocumentsDir() / Hub::kGameFolderName / "Logs" / name; }
  static std::string Bytes(const fs::path& path) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes)) << path;
    return bytes;
  }
  std::vector<std::string> OutputSince(std::size_t mark) const {
    return {host.Output().begin() + static_cast<std::ptrdiff_t>(mark), host.Output().end()};
  }

  TempHome home;
  sim::SimHost host{{home.path(), MELLOX_DATA_DIR}};
  std::ostringstream err;
  app::ScriptRunner runner{host, err};
};

TEST_F(ReloginTest, ThreeRelogsLeaveTheDataFileAsItWas) {
  Run("server Alpha\ncharacter Eve\nobject 0x50000001 1 Eve\nlogin\n"
      "check Chat_Log_Enable on\nchat 3 1 Zed tells you, one\n"
      "death Eve was killed by a drudge.\nportal EXIT\nadvance 2s\nlogoff\n");
  const std::string first = DataFileBytes();
  ASSERT_EQ(Count(first, "<Corpse "), 1u) << first;
  const std::size_t lines = Count(first, "<Log ");
  ASSERT_GE(lines, 1u) << first;
  for (int relog = 1; relog <= 3; ++relog) {
    Run("login\nadvance 2s\nlogoff\n");
    EXPECT_EQ(DataFileBytes(), first) << "after relog " << relog;
  }
  EXPECT_EQ(CorpseHandlerInstance->Corpses.size(), 1u);
  EXPECT_EQ(LogHandlerInstance->Log().size(), lines);

  // Spells on items too; the clock stands still so their seconds left do not change.
  Run("login\n");
  ASSERT_NE(SpellHandlerInstance, nullptr);
  SpellHandlerInstance->AddItemSpell("Stoneskin I", "your armor.");
  Run("logoff\n");
  const std::string withSpell = DataFileBytes();
  ASSERT_EQ(Count(withSpell, "<Item_Spell "), 1u) << withSpell;
  for (int relog = 1; relog <= 3; ++relog) {
    Run("login\nlogoff\n");
    EXPECT_EQ(DataFileBytes(), withSpell) << "after relog " << relog;
  }
}

// Ten minutes logged off outlast the armour's spell and many a gem cooldown:
// nothing is used, nothing expires, no key of an alias still being typed at
// the logoff is pressed, the data file stays as the logoff wrote it, and the
// next login resumes with the seconds the spells had left.
TEST_F(ReloginTest, NothingIsDoneForTheCharacterWhileLoggedOff) {
  const auto gemUses = [&](std::size_t from) {
    std::size_t n = 0;
    for (std::size_t i = from; i < host.Output().size(); ++i) n += host.Output()[i] == "item: use 3001 0";
    return n;
  };
  Run("server Alpha\ncharacter Eve\nobject 0x50000001 1 Eve\n"
      "object 4001 2 Iron Sword\ninventory 4001\nobject 3001 2 Asheron's Benediction\ninventory 3001\n"
      "login\ncheck Spells_Item on\ncheck Use_Gems on\n"
      "check HUD_On on\nedit HUD_Items_Text Mana Charge\nedit HUD_Items_Count 2\npress HUD_Items_Add\n"
      "chat 7 1 You cast Stoneskin I on Iron Sword\nchat 7 1 You cast Warding Veil II on your armor.\n"
      "advance 2s\n");
  ASSERT_GT(gemUses(0), 0u);
  Run("edit Alias_Abbr /g\nedit Alias_Full /tell Guild, _\npress Alias_Add\ntype /g\nadvance 100ms\n"
      "logoff\n");
  const std::string atLogoff = DataFileBytes();
  ASSERT_EQ(Count(atLogoff, "remaining=\"598\""), 1u) << atLogoff;
  const std::size_t mark = host.Output().size();
  // The item HUD's watched item arrives and Eve dies: no HUD is drawn, and
  // nothing waits for her corpse at the next login.
  // A script cannot kill a character who is not in play; the event is raised as the host would.
  Run("inventory 5001\nprop 5001 long 0x0D000006 1000\nobject 5001 0 Mana Charge\n");
  host.Character().RaiseDeath("Eve was killed by a drudge.");
  Run("advance 600s\n");
  EXPECT_FALSE(CorpseHandlerInstance->PendingCorpse().has_value());
  EXPECT_FALSE(HostPeers::CorpseHasDied());
  EXPECT_EQ(gemUses(mark), 0u);
  std::vector<std::string> keys;
  for (const std::string& line : OutputSince(mark))
    if (line.rfind("key: ", 0) == 0 || line.rfind("hud: ", 0) == 0) keys.push_back(line);
  EXPECT_EQ(keys, std::vector<std::string>{});
  EXPECT_EQ(DataFileBytes(), atLogoff);

  Run("login\n");
  std::vector<std::pair<std::string, std::int32_t>> left;
  for (const auto& record : SpellHandlerInstance->ItemSpellsToSave()) left.emplace_back(record.target, record.remaining);
  EXPECT_EQ(left, (std::vector<std::pair<std::string, std::int32_t>>{{"Iron Sword", 1798}, {"your armor.", 598}}));
  Run("advance 1s\n");
  EXPECT_GT(gemUses(mark), 0u);
}

TEST_F(ReloginTest, ALoginAndASessionAcrossTheLast32BitSecondLoseNothing) {
  // Local time is UTC here: the login's timers run through 2038-01-19 03:14:08.
  host.Clock().SetLocalDate(sim::SimClock::MakeDate(2038, 1, 19, 3, 14, 6));
  std::vector<std::string> errors;
  Run("server Alpha\ncharacter Eve\nobject 0x50000001 1 Eve\nlogin\n");
  SetErrorSink([&](int number, const std::string&, const std::string& proc, const std::string& owner, bool) {
    errors.push_back(owner + "." + proc + " #" + std::to_string(number));
  });
  Run("advance 5s\ncheck Chat_Log_Enable on\ncheck Corpses_Track on\nchat 3 1 Zed tells you, after\n"
      "death Eve was killed by a drudge.\nportal EXIT\nadvance 2s\nlogoff\n");
  EXPECT_EQ(errors, std::vector<std::string>{});
  const std::string first = DataFileBytes();
  // 03:14:11 UTC is 2^31 + 3; the corpse decays 300 s after the death at 03:14:11.
  EXPECT_NE(first.find("date=\"2147483651\""), std::string::npos) << first;
  EXPECT_NE(first.find("time=\"2147483951\""), std::string::npos) << first;

  // A later login loads those moments as they are and keeps them.
  host.Clock().SetLocalDate(sim::SimClock::MakeDate(2038, 1, 19, 3, 15, 0));
  Run("login\nadvance 2s\nlogoff\n");
  EXPECT_EQ(DataFileBytes(), first);
  ASSERT_EQ(LogHandlerInstance->Log().size(), 1u);
  EXPECT_EQ(LogHandlerInstance->Log().front().msgdate(), 2147483651);
  EXPECT_EQ(errors, std::vector<std::string>{});
}

TEST_F(ReloginTest, ALoginForgetsWhatTheLastOneLeftUnfinished) {
  // Died and logged off before re-materialising: the corpse is hers only.
  // Eve also leaves an away answer, buffs and their warnings'
  // memory, the augmentation count, a kill, the extended idle time, a status
  // line, a selected creature, the global settings, the word filter's two
  // boxes ticked, a chat-log search, a chat colour row chosen, the queue's
  // warning told and an unusable pea threshold told; the clock's up timer
  // she starts is the player's and runs on.
  // Both are warned of buffs about to expire, and split peas below a threshold no number.
  const fs::path defaults = SettingsPath("Eve").parent_path() / SettingsFile::kDefaultFileName;
  std::string text = Bytes(defaults);
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"name=\"Buffs Expiration Warning\" enabled=\"False\"",
                                                                     "name=\"Buffs Expiration Warning\" enabled=\"True\""},
                                 {"splitpeas=\"False\" peathreshold=\"10\"", "splitpeas=\"True\" peathreshold=\"lots\""}}) {
    ASSERT_NE(text.find(from), std::string::npos) << from;
    text.replace(text.find(from), from.size(), to);
  }
  WriteFileAtomic(defaults, text);
  const std::string burn = "chat 7 1 The spell consumed the following components: Hyssop\n";
  const std::string told = "expect Error #13 occured in 'IncomingText' of class 'ChatTextHandler'\n";
  // A drink and a mana charge in the character's pack, objects of ids n + 1 and n + 2.
  const auto pack = [](int n) {
    const std::string drink = std::to_string(n + 1);
    const std::string charge = std::to_string(n + 2);
    return "object " + drink + " 6 Tusker Spit Ale\nprop " + drink + " long 0x0D000006 3\ninventory " + drink +
           "\nobject " + charge + " 0 Mana Charge\ninventory " + charge + "\n";
  };
  const std::string watch = "click Chat_Options 0 16\nedit HUD_Items_Text Mana Charge\nedit HUD_Items_Count 2\n"
                            "press HUD_Items_Add\nexpect You are nearly out of Mana Charge\n";
  const std::string drink = "combat 2\nhotkey MX:DrinkBeersNow\nadvance 1s\n"
                            "expect Please enter peace mode to continue handling the queued events.\n";
  Run("server Alpha\ncharacter Eve\ncharprop 238 2\nobject 0x50000001 1 Eve\nenchant add 3530 601 900\n" + pack(2000) +
      "xp 1000 100\nlogin\nadvance 2s\nxp 2000 990\ncheck Global_Settings on\ncheck Chat_Log_AFK on\n"
      "check Logout_Timer on\n" + burn + told +
      watch + drink +
      "check Chat_Filter_Matching on\ncheck Chat_Filter_Action on\ncheck Chat_Log_Enable on\nedit Chat_Log_Search Kim\n"
      "click Chat_Color 0 1\nchoose Chat_Color_Window 2\npress HUD_Timer_Up\nstatus You are too busy!\nobject 4660 5 Drudge Slinker\nselect 4660\n"
      "net 0xF755 object=4660 effect=56 speed=1\ndeath Eve was killed by a drudge.\nlogoff\n");
  ASSERT_NE(HUDTargetHandlerInstance->TargetHud->Debuffs(4660), nullptr);
  ASSERT_EQ(CorpseHandlerInstance->Corpses.size(), 1u);
  ASSERT_EQ(SpellHandlerInstance->Augs, 2);
  ASSERT_GT(StatisticsInstance->MonsterXP(), 0);
  ASSERT_FALSE(HUDStatusHandlerInstance->Messages().empty());
  ASSERT_EQ(ControlHandlerInstance->BuffList->Count(), 1);
  const fs::path global = SettingsPath("Eve").parent_path() / SettingsFile::kGlobalFileName;
  const std::string globalSettings = Bytes(global);

  // Another character, new to this machine, logs in on the same plug-in
  // with the same drink's buff a minute and 50 seconds from its end: below
  // both warnings' marks, though Eve's last time was above them.
  std::size_t mark = host.Output().size();
  // The world Eve saw leaves with her.
  Run("release 4660\ncharacter Ann\n"
      "enchant add 3530 601 110\nlogin\nportal EXIT\nadvance 2s\nexpect-not expire in\n"
      "expect-not beer spells are getting low\n");
  Run("chat 3 1 Kim tells you, are you there?\nadvance 1s\nexpect-not Auto Response\n");
  Run("expect-control Global_Settings off\n");
  Run("check Spells_Item on\n");
  EXPECT_FALSE(CorpseHandlerInstance->PendingCorpse().has_value());
  EXPECT_TRUE(CorpseHandlerInstance->Corpses.empty());
  EXPECT_TRUE(CorpseHandlerInstance->OpenedCorpses().empty());
  EXPECT_EQ(SpellHandlerInstance->Augs, 0);
  EXPECT_EQ(StatisticsInstance->MonsterXP(), 0);
  EXPECT_TRUE(HUDStatusHandlerInstance->Messages().empty());
  // Nothing is selected: the target HUD neither shows Eve's creature nor asks the game about it.
  std::shared_ptr<platform::WorldObject> target;
  EXPECT_FALSE(HostPeers::TargetGetObject(target));
  // Nor does it know the debuffs Eve saw land on creatures.
  EXPECT_EQ(HUDTargetHandlerInstance->TargetHud->Debuffs(4660), nullptr);
  std::vector<std::string> asked;
  for (const std::string& line : OutputSince(mark))
    if (line.find("identify 4660") != std::string::npos) asked.push_back(line);
  EXPECT_EQ(asked, std::vector<std::string>{});
  // Her box is off: the idle time is the game's own again.
  std::vector<std::string> idle;
  for (const std::string& line : OutputSince(mark))
    if (line.rfind("idle: ", 0) == 0) idle.push_back(line);
  EXPECT_EQ(idle, std::vector<std::string>{"idle: 900000"});
  // Her edits go to her own settings file, not to the global one Eve chose.
  EXPECT_TRUE(fs::exists(SettingsPath("Ann")));
  EXPECT_EQ(Bytes(global), globalSettings);

  // Her clock counts on from Eve's press.
  const HUDItem* up = HUDClockHandlerInstance->ClockHUD->Item("Up Timer");
  ASSERT_NE(up, nullptr);
  EXPECT_NE(up->data, "");

  // The view's controls are as a first login finds them: her word is blocked
  // wherever it stands, her row of colours is row 0.
  Run("expect-control Chat_Color_Window D\nedit Filter_Box darn\npress Filter_Add\n");
  EXPECT_NE(Bytes(SettingsPath("Ann")).find("name=\"darn\" enabled=\"True\" matching=\"Part\" action=\"Block\""), std::string::npos)
      << Bytes(SettingsPath("Ann"));
  // Her chat log shows her line, unsearched.
  Run("check Chat_Log_Enable on\nchat 3 1 Zed tells you, for Ann\n");
  EXPECT_EQ(LogHandlerInstance->SearchString(), "");
  ASSERT_EQ(ControlHandlerInstance->ChatLogView->Count(), 1);
  // She is told what Eve was told: the threshold, her watched item's count,
  // the queue waiting for peace.
  Run(pack(2100) + burn + told + watch + drink);

  // Eve again, now without buffs: the list and the next buff are empty, not Ann's.
  Run("logoff\ncharacter Eve\nenchant remove 3530\nlogin\nadvance 2s\n");
  EXPECT_EQ(ControlHandlerInstance->BuffList->Count(), 0);
  EXPECT_EQ(SpellHandlerInstance->NextBuffText, "");

  // A login whose statistics cannot start (a level beyond the level curve,
  // which no script line gives) shows no one's name, level or XP.
  Run("logoff\ncharacter Kai\nxp 500000 0\n");
  host.Character().SetLevel(2147483647);
  Run("login\n");
  EXPECT_EQ(ControlHandlerInstance->CharName->TextGet(), "");
  EXPECT_EQ(ControlHandlerInstance->LevelNum->TextGet(), "");
  EXPECT_EQ(ControlHandlerInstance->XPTotal->TextGet(), "");
}

// A fault told often enough to be only counted is the login's: its count is
// told at the logoff, and the next character hears the same fault in full.
// Faults raised with nobody logged in (a timer button with no duration)
// have their count told as the next login starts, before the first login
// and between two, so that login hears its own in full too.
TEST_F(ReloginTest, EachLoginIsToldItsOwnFaultsInFull) {
  const std::string rule = "type /x chatcustom *ping*|All|M|Red|Nope.wav|\nclick Chat_Custom 0 0\n";
  const std::string notice = "PlaySoundError: Nope.wav was not found in your install directory";
  const std::string button = "Error #13 occured in 'HudClockDown_Accepted' of class 'ControlHandler'";
  std::string pings, downs;
  for (int i = 0; i < 5; ++i) pings += "chat 2 1 a ping\n";
  for (int i = 0; i < 4; ++i) downs += "press HUD_Timer_Down\n";
  Run(downs + "server Alpha\ncharacter Eve\nlogin\npress HUD_Timer_Down\n" + rule + pings + "logoff\n");
  const auto told = [&](std::size_t mark, const std::string& fault) {
    std::vector<std::string> lines;
    for (const std::string& line : OutputSince(mark))
      if (line.find(fault) != std::string::npos) lines.push_back(line.substr(line.find(fault)));
    return lines;
  };
  const std::vector<std::string> buttonTold = {button, button, button, button + ", repeated once", button};
  EXPECT_EQ(told(0, notice), (std::vector<std::string>{notice + ".", notice + ".", notice + ".", notice + ", repeated 2 times."}));
  EXPECT_EQ(told(0, button), buttonTold);
  const std::size_t mark = host.Output().size();
  Run(downs + "character Ann\nlogin\n" + rule + "chat 2 1 f ping\npress HUD_Timer_Down\n");
  EXPECT_EQ(told(mark, notice), std::vector<std::string>{notice + "."});
  EXPECT_EQ(told(mark, button), buttonTold);
}

// The kill line's text the game sends is the login's in play, and with
// nobody logged in the next login's: sent before the first login or
// between a logoff and a login, it counts that login's kills; a
// character's own text ends with its login, by a logoff or a relogin.
TEST_F(ReloginTest, AKillTextSentWithNobodyLoggedInCountsInTheNextLogin) {
  const auto text = [](const std::string& words) { return "net 0xF7B0 event=0x01AD text=\"" + words + "\"\n"; };
  const auto kill = [](const std::string& words, int count) {
    return "chat 0 1 " + words + " the Drudge!\nexpect-control Kill_Count " + std::to_string(count) + "\n";
  };
  Run(text("You killed") + "server Alpha\ncharacter Ann\nlogin\n" + kill("You killed", 1) + text("You flatten") +
      kill("You flatten", 2) + "logoff\ncharacter Bob\nlogin\n" + kill("You flatten", 0) + "logoff\n" +
      text("You smite") + "character Cat\nlogin\n" + kill("You smite", 1) + "relogin Dan\n" + kill("You smite", 0));
}

// A HUD element that neither a character's file nor the defaults file has
// is written as a fresh window stands, not as the last character left it.
TEST_F(ReloginTest, AHudElementNoFileHasStartsAsAFreshWindow) {
  // A file's HUD_Status element, "" without one.
  const auto statusOf = [](const std::string& file) {
    const auto at = file.find("<HUD_Status ");
    return at == std::string::npos ? std::string() : file.substr(at, file.find("/>", at) + 2 - at);
  };
  const fs::path defaults = SettingsPath("Eve").parent_path() / SettingsFile::kDefaultFileName;
  std::string text = Bytes(defaults);
  const std::string element = statusOf(text);
  ASSERT_NE(element, "");
  WriteFileAtomic(SettingsPath("Eve"), vb::Replace(text, element, vb::Replace(vb::Replace(vb::Replace(element,
      "x=\"300\" y=\"40\"", "x=\"400\" y=\"400\""), "dockh=\"False\"", "dockh=\"True\""),
      "drawtitle=\"True\"", "drawtitle=\"False\"")));
  WriteFileAtomic(defaults, vb::Replace(text, element, ""));
  Run("server Alpha\ncharacter Eve\nlogin\nlogoff\ncharacter Ann\nlogin\nlogoff\n");
  const std::string written = statusOf(Bytes(SettingsPath("Ann")));
  ASSERT_NE(written, "");
  for (const char* fresh : {"x=\"5\" y=\"100\"", "dockh=\"False\" dockv=\"False\"", "drawtitle=\"True\""})
    EXPECT_NE(written.find(fresh), std::string::npos) << written;
}

// Between a logoff and the next login's loads nothing is saved: not the
// item HUD's learned icon nor a HUD hotkey's change in the view, not the
// corpse of a character who died before logging off (it went to that
// character's own file at the logoff).
TEST_F(ReloginTest, OneCharactersFilesAreNeverWrittenWithAnothersState) {
  Run("server Alpha\nobject 0x50000001 1 Bob\nobject 0x50000002 1 Ann\n"
      "character Ann\nlogin\nedit Alias_Abbr gg\nedit Alias_Full good game\npress Alias_Add\n"
      "check Chat_Log_Enable on\nchat 3 1 Kim tells you, for Ann\nadvance 2s\nlogoff\n"
      "character Bob\nlogin\ncheck HUD_On on\nedit HUD_Items_Text Mana Charge\nedit HUD_Items_Count 2\n"
      "press HUD_Items_Add\ncheck Chat_Log_Enable on\nchat 3 1 Zed tells you, for Bob\nadvance 2s\n"
      "death Bob was killed by a drudge.\nlogoff\n");
  const std::string annSettings = Bytes(SettingsPath("Ann"));
  const std::string annData = DataFileBytes("Ann");
  const std::string bobSettings = Bytes(SettingsPath("Bob"));
  const std::string bobData = DataFileBytes("Bob");
  ASSERT_NE(annSettings.find("good game"), std::string::npos);
  // Bob logged off before leaving portal space; his corpse is in his file all the same.
  EXPECT_EQ(Count(bobData, "<Corpse "), 1u) << bobData;

  // A portal event with nobody in play comes from the host alone: a script cannot say it.
  Run("character Ann\ninventory 5001\nobject 5001 0 Mana Charge\n");
  host.Character().RaisePortal(1);
  Run("hotkey MX:ToggleItemHud\nadvance 10s\n");
  EXPECT_EQ(Bytes(SettingsPath("Ann")), annSettings);
  EXPECT_EQ(DataFileBytes("Ann"), annData);
  EXPECT_EQ(Bytes(SettingsPath("Bob")), bobSettings);
  EXPECT_EQ(DataFileBytes("Bob"), bobData);

  Run("login\nadvance 2s\nlogoff\n");
  EXPECT_NE(Bytes(SettingsPath("Ann")).find("good game"), std::string::npos);
  EXPECT_EQ(Bytes(SettingsPath("Ann")).find("Mana Charge"), std::string::npos);
  const std::string data = DataFileBytes("Ann");
  EXPECT_NE(data.find("for Ann"), std::string::npos) << data;
  EXPECT_EQ(data.find("for Bob"), std::string::npos) << data;
  EXPECT_EQ(data.find("<Corpse "), std::string::npos) << data;
}

// A second login with no logoff between: the first one's work is saved as a
// logoff would save it, nothing of it is lost.
TEST_F(ReloginTest, ALoginWithoutALogoffSavesTheLastOnesWorkFirst) {
  Run("server Alpha\ncharacter Eve\nobject 0x50000001 1 Eve\nobject 4001 2 Iron Sword\ninventory 4001\n"
      "login\ncheck Spells_Item on\ncheck Chat_Log_Enable on\nadvance 2s\n"
      "chat 7 1 You cast Stoneskin I on Iron Sword\nchat 3 1 Zed tells you, just now\nadvance 500ms\nrelogin\n");
  const std::string data = DataFileBytes();
  EXPECT_EQ(Count(data, "<Item_Spell "), 1u) << data;
  EXPECT_EQ(Count(data, "just now"), 1u) << data;
  ASSERT_EQ(SpellHandlerInstance->ItemSpellsToSave().size(), 1u);
  EXPECT_EQ(SpellHandlerInstance->ItemSpellsToSave().front().target, "Iron Sword");
  ASSERT_EQ(LogHandlerInstance->Log().size(), 1u);
  EXPECT_NE(LogHandlerInstance->Log().front().message().find("just now"), std::string::npos);

  // Another character's login while a cast on an item of Eve's pack is still
  // being combined: the game took her pack out of the world before, and her
  // file has the spell all the same.
  Run("object 4002 2 Old Robe\ninventory 4002\nclick Chat_Options 0 13\n"
      "chat 7 1 You cast Stoneskin I on Old Robe\nadvance 100ms\nrelogin Ann\n");
  EXPECT_EQ(Count(DataFileBytes(), "target=\"Old Robe\""), 1u) << DataFileBytes();
}

// The game closing while a character is logged in ends the login as a
// logoff does: a corpse still pending and a cast still being combined are
// stored, and the chat-log lines the file would not take are told kept, then
// lost, as the run ends.
TEST_F(ReloginTest, TheGamesCloseEndsTheLoginAsALogoffDoes) {
  fs::create_directories(LogFile("Alpha_Bob.txt"));
  Run("server Alpha\ncharacter Bob\nobject 4001 2 Old Robe\ninventory 4001\nlogin\ncheck Spells_Item on\n"
      "check Chat_Log_Enable on\ncheck Chat_Log_Auto on\nclick Chat_Options 0 13\n"
      "expect The chat log file could not be written\nchat 3 1 Kim tells you, at the close\n"
      "death Bob was killed by a drudge.\nadvance 1s\nchat 7 1 You cast Stoneskin I on Old Robe\nadvance 100ms\n");
  const std::size_t end = host.Output().size();
  host.UnloadPlugin();
  const std::string data = DataFileBytes("Bob");
  EXPECT_EQ(Count(data, "<Corpse "), 1u) << data;
  EXPECT_EQ(Count(data, "target=\"Old Robe\""), 1u) << data;
  std::vector<std::string> told;
  for (const std::string& line : OutputSince(end))
    if (line.find("could not be written") != std::string::npos) told.push_back(line);
  ASSERT_EQ(told.size(), 2u) << (told.empty() ? "" : told.front());
  EXPECT_NE(told[0].find("could not be written to Alpha_Bob.txt; they are kept for this character's next login."),
            std::string::npos)
      << told[0];
  EXPECT_NE(told[1].find("kept for Alpha_Bob could not be written and are lost."), std::string::npos) << told[1];
}

// A press on a HUD held at the logoff (on a close glyph: no drag) ends with
// the login: the next character's first release there is no click on her
// HUD, which stays on, in her file too.
TEST_F(ReloginTest, APressHeldAtALogoffIsNoClickOfTheNextLogin) {
  Run("server Alpha\ncharacter Ann\nlogin\ncheck HUD_On on\n");
  const HUDHandler& hud = *HUDMainHandlerInstance->MainHud;
  ASSERT_EQ(hud.ClickZone(hud.X() + hud.Width() - 4, hud.Y() + 5), 1);
  const std::string glyph = std::to_string(hud.X() + hud.Width() - 4) + " " + std::to_string(hud.Y() + 5);
  Run("logoff\ncharacter Bob\nlogin\ncheck HUD_On on\nmouse down " + glyph + "\nlogoff\ncharacter Ann\nlogin\n"
      "mouse up " + glyph + "\n");
  EXPECT_TRUE(HUDMainHandlerInstance->MainHud->Enabled());
  EXPECT_NE(Bytes(SettingsPath("Ann")).find("<HUD_Main on=\"True\""), std::string::npos);
}

// A login whose settings cannot load (Ann's: no file of hers, the defaults
// file torn) starts as a first login, after a logoff and after a login with
// no logoff alike: every control as the plug-in's start left it, no HUD,
// the game's own idle time, nothing of Bob's saved under her; Bob's next
// login finds his own and nothing of hers (her kill text, a count-up she
// started and stopped).
TEST_F(ReloginTest, ALoginWhoseSettingsCannotLoadStartsAsAFirstLogin) {
  const auto viewOf = [&] {
    std::vector<std::string> view = ViewState(*host.View());
    // The version label is written at every login's start.
    std::erase_if(view, [](const std::string& line) { return line.rfind("stVersion: ", 0) == 0; });
    return view;
  };
  const std::vector<std::string> firstView = viewOf();
  const fs::path defaults = SettingsPath("Bob").parent_path() / SettingsFile::kDefaultFileName;
  const std::string shipped = Bytes(defaults);
  for (const std::string toAnn : {"logoff\ncharacter Ann\nlogin\n", "relogin Ann\n"}) {
    SCOPED_TRACE(toAnn);
    WriteFileAtomic(defaults, shipped);
    Run("server Alpha\ncharacter Bob\nlevel 20\nxp 500000 1000\nlogin\ncheck HUD_On on\ncheck Logout_Timer on\n"
        "edit Alias_Abbr gg\nedit Alias_Full good game\npress Alias_Add\ncheck Chat_Filter_Matching on\n"
        "check Chat_Log_Enable on\nchat 3 1 Kim tells you, for Bob\nedit Chat_Log_Search Kim\nclick Chat_Color 0 1\n"
        "death Bob was killed by a drudge.\nportal EXIT\nadvance 3s\n");
    ASSERT_EQ(ControlHandlerInstance->CharName->TextGet(), "Bob");
    const std::int32_t corpses = ControlHandlerInstance->CorpsesList->Count();
    ASSERT_GT(corpses, 0);
    WriteFileAtomic(defaults, shipped.substr(0, shipped.size() / 2));
    const std::size_t mark = host.Output().size();
    Run(toAnn + "expect Unknown settings load failure! Plugin inactive.\n");
    EXPECT_EQ(viewOf(), firstView);
    for (const auto& surface : host.Render().Surfaces()) EXPECT_FALSE(surface->EnabledGet());
    std::vector<std::string> idle;
    for (const std::string& line : OutputSince(mark))
      if (line.rfind("idle: ", 0) == 0) idle.push_back(line);
    EXPECT_EQ(idle, std::vector<std::string>{"idle: 900000"});
    EXPECT_FALSE(fs::exists(SettingsPath("Ann")));
    const std::string annData = fs::exists(DataPath("Ann")) ? DataFileBytes("Ann") : "";
    EXPECT_EQ(annData.find("for Bob"), std::string::npos) << annData;
    EXPECT_EQ(annData.find("<Corpse "), std::string::npos) << annData;
    // Her count-up, started and stopped, stays stopped; her kill text ends with her login.
    Run("press HUD_Timer_Up\nadvance 3s\npress HUD_Timer_Up\nnet 0xF7B0 event=0x01AD text=\"You smite\"\n");

    Run("logoff\ncharacter Bob\nlogin\nadvance 1s\nexpect-control HUD_On on\nexpect-control Logout_Timer on\n"
        "expect-cell HUD_Clock 3 1\nchat 0 1 You smite the Drudge!\nexpect-control Kill_Count 0\n");
    for (const std::string& line : OutputSince(mark)) EXPECT_EQ(line.find("Error #"), std::string::npos) << line;
    EXPECT_EQ(HUDClockHandlerInstance->ClockHUD->Item("Up Timer"), nullptr);
    EXPECT_EQ(ControlHandlerInstance->CharName->TextGet(), "Bob");
    EXPECT_EQ(ControlHandlerInstance->CorpsesList->Count(), corpses);
    EXPECT_EQ(ControlHandlerInstance->ChatAlias->Count(), 1);
    Run("logoff\n");
  }
}

// What a login leaves under way at its logoff is its own: a burst of cast
// lines is ended and saved for it, its unanswered friends query and temple
// commands end with it, its XP change is shown no longer, a HUD it held by
// the title bar is let go where it stands, and chat-log lines its file would
// not take wait for its next login, never written to the next character's
// file (and are told lost when the run ends first).
TEST_F(ReloginTest, WhatALoginLeavesUnderWayEndsWithIt) {
  // Each carries Hyssop; the guardians stand on the ground for both.
  Run("server Alpha\ncharacter Ann\nobject 7003 0 Hyssop\ninventory 7003\n"
      "object 7002 37 Guardian of the Temple of Forgetfulness\n"
      "object 7004 37 Guardian of the Temple of Enlightenment\n"
      "login\ncheck Chat_Log_Auto on\ncheck HUD_On on\nlogoff\n");
  const std::string annMainHud = "<HUD_Main on=\"True\" font=\"Arial\" size=\"16\" bgcolor=\"Black\" "
                                 "alpha=\"50%\" timeout=\"0\" x=\"5\" y=\"200\"";
  ASSERT_NE(Bytes(SettingsPath("Ann")).find(annMainHud), std::string::npos);
  // Bob's text log cannot be written: a folder stands in its place.
  fs::create_directories(LogFile("Alpha_Bob.txt"));
  Run("character Bob\nobject 7001 0 Hyssop\ninventory 7001\nobject 4001 2 Iron Sword\ninventory 4001\nlogin\ncheck Chat_Log_Enable on\ncheck Chat_Log_Auto on\n"
      "expect The chat log file could not be written\ncheck Spells_Item on\n"
      "click Chat_Options 0 13\nclick Chat_Options 0 18\nadvance 3s\nexpect parser: /friends online\n"
      "type /x templeforget\nexpect item: use 7002 0\ntype /x templeenlighten\nexpect item: use 7004 0\n"
      "check HUD_On on\nmouse move 20 205\nadvance 300ms\nmouse down 20 205\nmouse move 40 225\n"
      "chat 3 1 Kim tells you, for Bob\nadvance 1s\nxp 1000 100\nxp 2000 200\n"
      "chat 7 1 You cast Stoneskin I on Iron Sword\nadvance 100ms\nlogoff\n"
      "expect lines of the chat log could not be written to Alpha_Bob.txt; they are kept for this "
      "character's next login\nmouse up 40 225\n");
  // The burst was handled as Bob's, in the last moment of his login.
  const std::string bobData = DataFileBytes("Bob");
  EXPECT_EQ(Count(bobData, "<Item_Spell "), 1u) << bobData;
  EXPECT_EQ(Count(bobData, "Iron Sword"), 1u) << bobData;
  const std::size_t mark = host.Output().size();
  Run("advance 1s\ncharacter Ann\nlogin\nexpect Plugin Loaded!\nchat 0 1 Welcome to the world!\n"
      "chat 3 1 Guardian of the Temple of Forgetfulness tells you, take the essence of Malar\n"
      "chat 3 1 Guardian of the Temple of Enlightenment tells you, take the essence of Malar\n"
      "mouse down 400 300\nmouse move 450 350\nmouse up 450 350\n"
      "chat 3 1 Kim tells you, for Ann\nadvance 6s\nexpect-not Your friends:\nexpect-not item: give\n"
      "expect-not written again\nexpect-not item: use 7002\nexpect-not item: use 7004\nexpect-not hud:\n");
  // Her main HUD stayed where her file had it, and her file still has it
  // there; its XP line is dim, showing no change of Bob's.
  EXPECT_EQ(HUDMainHandlerInstance->MainHud->X(), 5);
  ASSERT_NE(HUDMainHandlerInstance->MainHud->Item("XPC"), nullptr);
  EXPECT_EQ(HUDMainHandlerInstance->MainHud->Item("XPC")->alpha, 8);
  EXPECT_NE(Bytes(SettingsPath("Ann")).find(annMainHud), std::string::npos);
  const std::string annLog = Bytes(LogFile("Alpha_Ann.txt"));
  EXPECT_NE(annLog.find("for Ann"), std::string::npos) << annLog;
  EXPECT_EQ(annLog.find("for Bob"), std::string::npos) << annLog;
  std::vector<std::string> stray;
  for (const std::string& line : OutputSince(mark))
    if (line.find("Your friends") != std::string::npos || line.find("item: give") != std::string::npos ||
        line.find("Stoneskin") != std::string::npos)
      stray.push_back(line);
  EXPECT_EQ(stray, std::vector<std::string>{});

  // Bob's file can be written again: his next login writes his kept lines to it.
  fs::remove(LogFile("Alpha_Bob.txt"));
  Run("logoff\ncharacter Bob\nlogin\nadvance 1s\nlogoff\n");
  EXPECT_NE(Bytes(LogFile("Alpha_Bob.txt")).find("Kim tells you, for Bob"), std::string::npos);

  // Kept again (one line: said as one), and his next login writes no
  // chat-log file of its own: the kept line still goes to the file it was
  // logged for once that takes it.
  fs::remove(LogFile("Alpha_Bob.txt"));
  fs::create_directories(LogFile("Alpha_Bob.txt"));
  Run("login\nchat 3 1 Kim tells you, last for Bob\nadvance 1s\ncheck Chat_Log_Auto off\nlogoff\n"
      "expect One line of the chat log could not be written to Alpha_Bob.txt; it is kept for this character's next "
      "login.\n");
  fs::remove(LogFile("Alpha_Bob.txt"));
  Run("login\nadvance 1s\nlogoff\n");
  EXPECT_NE(Bytes(LogFile("Alpha_Bob.txt")).find("Kim tells you, last for Bob"), std::string::npos);
  fs::remove(LogFile("Alpha_Bob.txt"));
  fs::create_directories(LogFile("Alpha_Bob.txt"));
  // Kept once more, and the run ends before his next login.
  Run("login\ncheck Chat_Log_Auto on\nchat 3 1 Kim tells you, at the end for Bob\nadvance 1s\n"
      "check Chat_Log_Auto off\nlogoff\nexpect One line of the chat log could not be written\n");
  const std::size_t end = host.Output().size();
  host.UnloadPlugin();
  const std::vector<std::string> told = OutputSince(end);
  EXPECT_NE(std::find(told.begin(), told.end(),
                      "chat 6 1: <Mellox> One line of the chat log kept for Alpha_Bob could not be written and is lost."),
            told.end())
      << told.size();
}

// A log file never holds another character's lines: the lines waiting at a
// logoff go to the logging-off character's file, and each login logs as its
// own settings say (Ann: not at all until she ticks the box, then as XML).
TEST_F(ReloginTest, EachCharactersChatLogHoldsOnlyItsOwnLines) {
  Run("server Alpha\nobject 0x50000001 1 Bob\nobject 0x50000002 1 Ann\n"
      "character Ann\nlogin\ncheck Chat_Log_XML on\nlogoff\n"
      "character Bob\nlogin\ncheck Chat_Log_Auto on\nadvance 2s\nchat 3 1 Kim tells you, for Bob\nlogoff\n");
  EXPECT_NE(Bytes(LogFile("Alpha_Bob.txt")).find("Kim tells you, for Bob"), std::string::npos);
  Run("character Ann\nlogin\nchat 3 1 Kim tells you, for Ann\nadvance 2s\n");
  EXPECT_EQ(Bytes(LogFile("Alpha_Bob.txt")).find("for Ann"), std::string::npos);
  EXPECT_FALSE(fs::exists(LogFile("Alpha_Ann.txt")));
  EXPECT_FALSE(fs::exists(LogFile("Alpha_Ann.xml")));
  Run("check Chat_Log_Auto on\nchat 3 1 Kim tells you, again for Ann\nadvance 2s\nlogoff\n");
  EXPECT_NE(Bytes(LogFile("Alpha_Ann.xml")).find("again for Ann"), std::string::npos);
  EXPECT_FALSE(fs::exists(LogFile("Alpha_Ann.txt")));
  EXPECT_EQ(Bytes(LogFile("Alpha_Bob.txt")).find("for Ann"), std::string::npos);
}

// The corpses a login opened are that login's: one opened in the same login
// is forgotten when its object leaves the world, one opened before a login's
// end stays tracked then, as in a fresh run.
TEST_F(ReloginTest, ACorpseOpenedBeforeALoginsEndStaysTrackedWhenItLeavesTheWorld) {
  const auto died = [](const std::string& id) {
    return "death You have been killed!\ncoords " + id + " 33.2 -101.8\nobject " + id + " 21 Corpse of Eve\n" +
           "chat 0 1 Your corpse is located at (33.2N, 101.8W).\nportal EXIT\nadvance 1s\n" +
           "expect-rows Corpses_List 1\nopen " + id + "\n";
  };
  Run("server Alpha\ncharacter Eve\nobject 0x50000001 1 Eve\nlevel 10\nlogin\ncheck Corpses_Track on\n"
      "check Corpses_Auto on\n" + died("7000") + "release 7000\nadvance 1s\nexpect-rows Corpses_List 0\n");
  int corpse = 7001;
  for (const std::string end : {"relogin\n", "logoff\nlogin\n"}) {
    SCOPED_TRACE(end);
    const std::string id = std::to_string(corpse++);
    Run(died(id) + end + "advance 1s\nrelease " + id +
        "\nadvance 1s\nexpect-rows Corpses_List 1\nexpect-cell Corpses_List 0 0 33.2N, 101.8W\n"
        "click Corpses_List 3 0\nexpect-rows Corpses_List 0\n");
  }
}

}  // namespace
}  // namespace mellox::test
