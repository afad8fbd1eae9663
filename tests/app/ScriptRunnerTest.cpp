#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <pugixml.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ScriptRunner.h"
#include "ScriptRunnerFixture.h"
#include "chat/CellValue.h"
#include "core/APluginCore.h"
#include "persistence/SettingsFile.h"
#include "platform/HostTimer.h"
#include "platform/System.h"
#include "sim/SimCharacter.h"
#include "sim/SimCheckBox.h"
#include "sim/SimClock.h"
#include "sim/SimHooks.h"
#include "sim/SimList.h"
#include "sim/SimSystem.h"
#include "sim/SimView.h"
#include "sim/SimWorld.h"
#include "support/SessionReference.h"
#include "support/TempHome.h"

namespace mellox::app {
namespace {

TEST(ScriptRunnerDuration, ParsesUnitsAndRejectsMalformed) {
  EXPECT_EQ(ParseDuration("1500ms"), 1500);
  EXPECT_EQ(ParseDuration("2s"), 2000);
  EXPECT_EQ(ParseDuration("3m"), 180000);
  for (const char* bad : {"", "ms", "10", "10h", "-5s", "1.5s", "5 s"}) {
    EXPECT_THROW(ParseDuration(bad), ScriptError) << bad;
  }
}

TEST_F(ScriptRunnerTest, ExpectMatchesOutputSinceThePreviousExpect) {
  host.Emit("chat 5 1: first");
  EXPECT_TRUE(Run("expect first\n"));
  // The same line does not satisfy a second expect.
  EXPECT_FALSE(Run("expect first\n"));
  EXPECT_NE(err.str().find("test.session:1:"), std::string::npos);
}

TEST_F(ScriptRunnerTest, ExpectConsumesOnlyUpToTheMatchedLine) {
  host.Emit("chat 5 1: first");
  host.Emit("chat 5 1: second");
  host.Emit("chat 5 1: third");
  // Two lines of one event are checked in order; the one before stays consumed.
  EXPECT_TRUE(Run("expect second\nexpect-not first\nexpect third\n"));
  host.Emit("chat 5 1: first");
  host.Emit("chat 5 1: second");
  EXPECT_FALSE(Run("expect second\nexpect first\n"));
}

TEST_F(ScriptRunnerTest, ExpectNotFailsOnAMatchingLine) {
  host.Emit("game 0 1: hello");
  EXPECT_TRUE(Run("expect-not goodbye\n"));
  EXPECT_FALSE(Run("expect-not hello\n"));
  // Output and expectation compare as the player reads them: a character the
  // game's code page lacks is no "?" of the output, and a code-page byte is its character.
  host.Emit("game 2 1: Al says, \"Who are you?\" caf\xE9");
  EXPECT_TRUE(Run("expect-not \xE2\x98\x83\n"));
  EXPECT_FALSE(Run("expect \xE2\x98\x83\n"));
  EXPECT_NE(err.str().find("test.session:1: expected output containing '\xE2\x98\x83'"), std::string::npos)
      << err.str();
  EXPECT_FALSE(Run("expect-not you?\" caf\xC3\xA9\n"));
  EXPECT_NE(err.str().find("unexpected output: 'game 2 1: Al says, \"Who are you?\" caf\xC3\xA9'"),
            std::string::npos)
      << err.str();
  EXPECT_TRUE(Run("expect you?\" caf\xC3\xA9\n"));
}

TEST_F(ScriptRunnerTest, UnknownCommandAndMalformedArgumentsFailNamingTheLine) {
  EXPECT_FALSE(Run("# a comment\n\nfrobnicate now\nadvance 1s\n"));
  EXPECT_NE(err.str().find("test.session:3: unknown command 'frobnicate'"), std::string::npos);
  err.str("");
  EXPECT_FALSE(Run("advance soon\n"));
  EXPECT_NE(err.str().find("test.session:1:"), std::string::npos);
  EXPECT_FALSE(Run("advance\n"));
  EXPECT_FALSE(Run("expect\n"));
  // A binary file fails at line 1 with a short, readable message.
  err.str("");
  EXPECT_FALSE(Run(std::string(1 << 20, '\0') + "\n"));
  EXPECT_EQ(err.str().find('\0'), std::string::npos);
  EXPECT_LT(err.str().size(), 2000u);
  EXPECT_NE(err.str().find("test.session:1: unknown command '\\x00\\x00"), std::string::npos) << err.str();
  // A byte-order mark before the first line is no part of its command.
  EXPECT_TRUE(Run("\xEF\xBB\xBFsay hi\n"));
  EXPECT_EQ(host.Output().back(), "== hi");
  // Every line is UTF-8, a comment too: a script saved in the game's code page fails at its first such line.
  err.str("");
  EXPECT_FALSE(Run("# caf\xE9 au lait\nsay hi\n"));
  EXPECT_NE(err.str().find("test.session:1: the line is not UTF-8 text (line: # caf\\xE9 au lait)"), std::string::npos)
      << err.str();
  Fails("say caf\xE9", "the line is not UTF-8 text");
  // Durations are decimal, and a hex one is told so rather than taken for a bad unit.
  Fails("advance 0x10s", "malformed duration (decimal digits, then ms, s or m): '0x10s'");
  Fails("advance -5s", "malformed duration (decimal digits, then ms, s or m)");
}

TEST_F(ScriptRunnerTest, ScriptStopsAtTheFirstFailureUnlessInteractive) {
  host.Emit("x");
  std::istringstream in("bogus\nexpect x\n");
  EXPECT_FALSE(runner.Run(in, "s", true));
  // Interactive mode went on to the expect, which consumed the line.
  EXPECT_FALSE(Run("expect x\n"));
}

TEST_F(ScriptRunnerTest, ExpectFileReadsUnderTheHomeFolder) {
  std::filesystem::create_directories(home.path() / "Documents" / "a b");
  std::ofstream(home.path() / "Documents" / "a b" / "f.txt") << "Error #5 occured";
  EXPECT_TRUE(Run("expect-file \"Documents/a b/f.txt\" #5 occured\n"));
  EXPECT_FALSE(Run("expect-file \"Documents/a b/f.txt\" missing text\n"));
  EXPECT_FALSE(Run("expect-file Documents/none.txt x\n"));
  // A file is read as its reader sees it: in the encoding of its byte-order mark, else UTF-8 when it
  // is UTF-8 throughout, else the game's code page.
  using namespace std::string_literals;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"cp1252.txt", "Al says, \"caf\xE9 \x80" "5\"\r\n"},
      {"utf8.xml", "<Mellox a=\"caf\xC3\xA9 \xE2\x82\xAC" "5\"/>"},
      {"bom8.txt", "\xEF\xBB\xBF" "caf\xC3\xA9 \xE2\x82\xAC" "5 \xFF"},
      {"utf16le.txt", "\xFF\xFE" "c\0a\0f\0\xE9\0 \0\xAC\x20" "5\0\x3D\xD8\x00\xDE"s},
      {"utf16be.txt", "\xFE\xFF" "\0c\0a\0f\0\xE9\0 \x20\xAC\0" "5\xD8\x3D\xDE\x00"s},
      {"utf32le.txt", "\xFF\xFE\0\0" "c\0\0\0a\0\0\0f\0\0\0\xE9\0\0\0 \0\0\0\xAC\x20\0\0" "5\0\0\0"s},
      {"utf32be.txt", "\0\0\xFE\xFF" "\0\0\0c\0\0\0a\0\0\0f\0\0\0\xE9\0\0\0 \0\0\x20\xAC\0\0\0" "5"s}};
  for (const auto& [name, bytes] : files) {
    std::ofstream(home.path() / "Documents" / name, std::ios::binary) << bytes;
    EXPECT_TRUE(Run("expect-file Documents/" + name + " caf\xC3\xA9 \xE2\x82\xAC" "5\n")) << name << err.str();
  }
  EXPECT_TRUE(Run("expect-file Documents/utf16le.txt 5\xF0\x9F\x98\x80\nexpect-file Documents/utf16be.txt 5\xF0\x9F\x98\x80\n"));
  // A unit that is no character (a lone surrogate, a value past U+10FFFF, a cut-off last unit) reads as U+FFFD.
  std::ofstream(home.path() / "Documents" / "broken16.txt", std::ios::binary) << "\xFF\xFE\x3D\xD8x\0y"s;
  std::ofstream(home.path() / "Documents" / "broken32.txt", std::ios::binary) << "\xFF\xFE\0\0\0\0\x11\0x\0\0\0"s;
  EXPECT_TRUE(Run("expect-file Documents/broken16.txt \xEF\xBF\xBDx\xEF\xBF\xBD\n"
                  "expect-file Documents/broken32.txt \xEF\xBF\xBDx\n")) << err.str();
  // Only files under the home folder: not an absolute path, nor one that climbs out of it.
  std::ofstream(home.path().parent_path() / "outside.txt") << "secret";
  for (const char* path : {"/etc/passwd root:", "../outside.txt secret", "Documents/../../outside.txt secret",
                           "\"/etc/passwd\" root:"}) {
    Fails(std::string("expect-file ") + path, "expect-file takes a path under the home folder, not '");
  }
  std::filesystem::remove(home.path().parent_path() / "outside.txt");
}

TEST_F(ScriptRunnerTest, AdvanceFiresHostTimers) {
  EXPECT_TRUE(Run("advance 1500ms\nadvance 2s\nadvance 1m\n"));
  EXPECT_EQ(host.ElapsedMs(), 1500 + 2000 + 60000);
  // A timer loop that hits the firing cap fails its line; the clock still reaches the end.
  host.Clock().SetMaxFirings(100);
  auto loop = host.System().CreateTimer();
  loop->Start(0);
  EXPECT_FALSE(Run("advance 1s\n"));
  EXPECT_NE(err.str().find("test.session:1: the clock stopped firing timers"), std::string::npos) << err.str();
  EXPECT_EQ(host.Output().back(), "clock: too many timer firings, advance stopped");
  EXPECT_EQ(host.ElapsedMs(), 64500);
}

TEST_F(ScriptRunnerTest, ClockVerbsSetTheLocalDateTheZoneAndDaylight) {
  auto& system = host.System();
  platform::TimeZoneInformation zone;
  EXPECT_TRUE(Run("date 2027-07-01 14:30\ntimezone -60\ndaylight on\nadvance 90s\n"));
  EXPECT_DOUBLE_EQ(system.Now(), sim::SimClock::MakeDate(2027, 7, 1, 14, 31, 30));
  // The game's Now holds whole seconds: the second that has begun.
  EXPECT_TRUE(Run("advance 999ms\n"));
  EXPECT_DOUBLE_EQ(system.Now(), sim::SimClock::MakeDate(2027, 7, 1, 14, 31, 30));
  EXPECT_TRUE(Run("date 2027-07-01 14:31:30\n"));
  EXPECT_EQ(system.GetTimeZoneInformation(zone), platform::TIME_ZONE_ID_DAYLIGHT);
  EXPECT_EQ(zone.Bias, -60);
  EXPECT_EQ(zone.DaylightBias, -60);
  // The local time reads on as set: the zone moves UTC, by the daylight bias too.
  const std::int64_t unixSummer = host.Clock().UnixNow();
  EXPECT_TRUE(Run("daylight on -30\ndate 2028-02-29 06:00:05\n"));
  EXPECT_EQ(host.Clock().UnixNow(), 1835416805 - 90 * 60);
  EXPECT_EQ(system.GetTimeZoneInformation(zone), platform::TIME_ZONE_ID_DAYLIGHT);
  EXPECT_EQ(zone.DaylightBias, -30);
  EXPECT_TRUE(Run("daylight off\ntimezone 300\ndate 2027-07-01 14:31:30\n"));
  EXPECT_EQ(system.GetTimeZoneInformation(zone), platform::TIME_ZONE_ID_STANDARD);
  EXPECT_EQ(zone.DaylightBias, -30);
  EXPECT_EQ(host.Clock().UnixNow() - unixSummer, (300 + 60 + 60) * 60);
  for (const auto& [line, message] : std::vector<std::pair<std::string, std::string>>{
           {"date 2027-02-29", "day out of range"}, {"date 2027-13-01", "month out of range"},
           {"date 99-01-01", "year out of range"}, {"date 2027-01-01 24:00", "time of day out of range"},
           {"date 1899-12-29 06:00:00", "year out of range (1900 to 9999)"}, {"date 1900-02-29", "day out of range"},
           {"date 2100-02-29", "day out of range"},
           {"date 2027-01-01 12", "date YYYY-MM-DD"}, {"date 2027/01/01", "date YYYY-MM-DD"},
           {"timezone 1441", "bias out of range (-1440 to 1440)"}, {"timezone", "malformed bias"},
           {"daylight on 5000", "daylight bias out of range"}, {"daylight off -60", "too many arguments"},
           {"daylight maybe", "expected on or off"}}) {
    Fails(line, message);
  }
  EXPECT_DOUBLE_EQ(system.Now(), sim::SimClock::MakeDate(2027, 7, 1, 14, 31, 30));
  EXPECT_TRUE(Run("date 1900-01-01\n"));
  EXPECT_DOUBLE_EQ(system.Now(), 2.0);
  // UTC ends with the year 9999 too: a line that would take it past fails and changes nothing.
  Fails("date 9999-12-31 23:00", "UTC cannot pass");  // five hours west of UTC
  EXPECT_TRUE(Run("timezone 0\ndate 9999-12-31 23:00\n"));
  Fails("timezone 720", "UTC cannot pass 9999-12-31 23:59:59: this zone at the local time would");
  EXPECT_TRUE(Run("timezone 50\n"));
  Fails("daylight on 20", "UTC cannot pass 9999-12-31 23:59:59");
  Fails("date 9999-12-31 23:20", "UTC cannot pass 9999-12-31 23:59:59: this date in the zone in force would");
  Fails("advance 10m", "the clock cannot pass 9999-12-31 23:59:59");
  EXPECT_TRUE(Run("advance 9m\n"));
  EXPECT_EQ(system.GetTimeZoneInformation(zone), platform::TIME_ZONE_ID_STANDARD);
  EXPECT_EQ(zone.Bias, 50);
  EXPECT_EQ(host.Clock().UnixNow(), 253402300799 - 59);
}

// The command itself, with env before it: its exit status, and what it wrote
// on standard error in said when given.
int RunCommand(const std::string& args, std::string* said = nullptr, const std::string& env = "") {
  const std::string cmd = env + " " + MELLOX_SIM_EXE + " " + args + " 2>&1 >/dev/null";
  FILE* pipe = popen(cmd.c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  const int status = pclose(pipe);
  if (said) *said = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MelloxSimCommand, ExitStatusFollowsTheScript) {
  test::TempHome home;
  const auto good = home.path() / "good.session";
  const auto bad = home.path() / "bad.session";
  std::ofstream(good) << "advance 1s\n";
  std::ofstream(bad) << "advance 1s\nexpect something that never happens\n";
  const std::string homeArg = "--home " + (home.path() / "h").string() + " ";
  EXPECT_EQ(RunCommand(homeArg + good.string()), 0);
  EXPECT_EQ(RunCommand(homeArg + bad.string()), 1);
  EXPECT_EQ(RunCommand(homeArg + (home.path() / "absent.session").string()), 2);
  // A folder is no script, however it opens.
  EXPECT_EQ(RunCommand(homeArg + home.path().string()), 2);
  // A home that cannot be a folder (a plain file, or a path under one) leaves nothing to run in.
  const auto plain = home.path() / "plain";
  std::ofstream(plain) << "x";
  EXPECT_EQ(RunCommand("--home " + (plain / "h").string() + " " + good.string()), 2);
  EXPECT_EQ(RunCommand("--home " + plain.string() + " " + good.string()), 2);
  // A command line that cannot run says what was wrong before the usage line.
  std::string said;
  const std::string usage = "usage: mellox-sim [--home DIR] [--hud-png DIR] [SCRIPT|-]\n";
  for (const auto& [args, wrong] : std::vector<std::pair<std::string, std::string>>{
           {"--bogus " + good.string(), "unknown option --bogus"},
           {"-x " + good.string(), "unknown option -x"},
           {good.string() + " --hud-png", "option --hud-png needs a folder"},
           // Empty values, as an unset variable gives them, run nothing in their place.
           {"--home '' " + good.string(), "option --home needs a folder: its value is empty"},
           {"--hud-png '' " + good.string(), "option --hud-png needs a folder: its value is empty"},
           {"''", "the script argument is empty"},
           {good.string() + " " + bad.string(),
            "one script only: " + good.string() + " and " + bad.string()}}) {
    EXPECT_EQ(RunCommand(homeArg + args, &said), 2) << args;
    EXPECT_EQ(said, "mellox-sim: " + wrong + "\n" + usage) << args;
  }
  // Without --home the home is made in the temporary folder TMPDIR names;
  // one that is missing or a plain file leaves it nowhere to be made.
  EXPECT_EQ(RunCommand(good.string(), &said, "TMPDIR='" + home.path().string() + "'"), 0);
  EXPECT_EQ(said.rfind("mellox-sim: home folder " + (home.path() / "mellox-sim-").string(), 0), 0u) << said;
  for (const auto& tmp : {home.path() / "absent", plain}) {
    EXPECT_EQ(RunCommand(good.string(), &said, "TMPDIR='" + tmp.string() + "'"), 2) << said;
    EXPECT_EQ(said.rfind("mellox-sim: cannot create a temporary home folder: the temporary folder " + tmp.string() +
                             " (TMPDIR): ",
                         0),
              0u)
        << said;
  }
}

TEST(MelloxSimCommand, ScriptsAreUtf8AndTheGameTextIsItsCodePage) {
  test::TempHome home;
  const auto script = home.path() / "caf\xC3\xA9.session";
  // The chat log holds the game's code page, the settings file UTF-8: each is checked as its reader sees it.
  std::ofstream(script) << "server Alpha\ncharacter Bob\nlogin\ncheck Chat_Log_Auto on\n"
                           "chat 2 1 Al says, \"caf\xC3\xA9\"\n"
                           "expect game 2 1: Al says, \"caf\xC3\xA9\"\n"
                           "edit Chat_Log_AFK_Message caf\xC3\xA9 \xE2\x82\xAC" "5\nadvance 1s\nlogoff\n"
                           "expect-file \"Documents/Asheron's Call/Logs/Alpha_Bob.txt\" Al says, \"caf\xC3\xA9\"\n"
                           "expect-file ProgramData/Mellox/Settings/Mellox_Settings_Alpha_Bob.xml afkmsg=\"caf\xC3\xA9 \xE2\x82\xAC" "5\"\n";
  const auto out = home.path() / "out.txt";
  const std::string cmd = std::string(MELLOX_SIM_EXE) + " --home " + (home.path() / "h").string() + " '" +
                          script.string() + "' >'" + out.string() + "' 2>&1";
  const int status = std::system(cmd.c_str());
  std::ifstream in(out);
  std::stringstream printed;
  printed << in.rdbuf();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << printed.str();
  // What the game shows is printed as UTF-8 again.
  EXPECT_NE(printed.str().find("game 2 1: Al says, \"caf\xC3\xA9\""), std::string::npos) << printed.str();
  // A control's text compares as the player reads it: the snowman it could not take is a "?".
  std::ofstream(script)
      << "login\nedit Chat_Log_AFK_Message \xE2\x98\x83\nexpect-control Chat_Log_AFK_Message ?\n"
         "expect-control Chat_Log_AFK_Message \xE2\x98\x83\n";
  EXPECT_EQ(std::system(cmd.c_str()), 256);
  std::ifstream again(out);
  printed.str("");
  printed << again.rdbuf();
  EXPECT_NE(printed.str().find(":4: control Chat_Log_AFK_Message holds '?', expected '\xE2\x98\x83'"),
            std::string::npos)
      << printed.str();
}

// A session reset restarts the session's clock (counting second boundaries
// from a reset in mid-second) and rates, never the totals': 900 XP in the
// last of three minutes are 900 a minute for the session, 300 in all.
TEST(MelloxSimCommand, ASessionResetRestartsTheSessionsClockAndRatesNotTheTotals) {
  test::TempHome home;
  const auto script = home.path() / "reset.session";
  std::ofstream(script) << "server Alpha\ncharacter Bob\nobject 0x50000001 1 Bob\nlogin\nadvance 1500ms\n"
                           "press Reset_Time\nadvance 500ms\nexpect-control Session_Time 00:00:01\n"
                           "advance 118s\npress Reset_Time\nadvance 1m\nxp 900 0\n"
                           "expect-control Session_Time 00:01:00\nexpect-control Total_Time 00:03:00\n"
                           "expect-control XP_Min 900\nexpect-control XP_Hour 54,000\n"
                           "expect-control Total_XP_Min 300\nexpect-control Total_XP_Hour 18,000\n";
  std::string said;
  EXPECT_EQ(RunCommand("--home " + (home.path() / "h").string() + " " + script.string(), &said), 0) << said;
}


// mellox-sim runs the script in a fresh home; its exit status, with what it printed.
int RunScript(const std::filesystem::path& folder, const std::string& script, std::string& printed) {
  const auto file = folder / "script.session";
  const auto out = folder / "out.txt";
  std::ofstream(file) << script;
  const std::string cmd = std::string(MELLOX_SIM_EXE) + " --home '" + (folder / "h").string() + "' '" +
                          file.string() + "' >'" + out.string() + "' 2>&1";
  const int status = std::system(cmd.c_str());
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();
  printed = text.str();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every example of the script writer's reference (each indented block after a
// blank line) runs to its end, so what the examples show is what the plug-in
// does.
TEST(MelloxSimCommand, TheSessionReferenceExamplesRunToTheirEnd) {
  std::vector<std::string> examples;
  bool afterBlank = true;
  bool inside = false;
  for (const std::string& line : test::SessionReference()) {
    if (line.rfind("    ", 0) == 0 && (inside || afterBlank)) {
      if (!inside) examples.emplace_back();
      examples.back() += line.substr(4) + "\n";
      inside = true;
    } else {
      inside = false;
    }
    afterBlank = line.empty();
  }
  EXPECT_GE(examples.size(), 28u);
  for (const std::string& example : examples) {
    test::TempHome home;
    std::string printed;
    EXPECT_EQ(RunScript(home.path(), example, printed), 0) << example << printed;
  }
}

// The reference's files: a run that writes each of them leaves exactly the
// files its table names, and the elements and attributes of the settings
// file, the data file and the XML chat log are those its tables give.
TEST(MelloxSimCommand, TheSessionReferenceNamesEveryFileAndElementWritten) {
  test::TempHome home;
  std::string printed;
  const std::string script =
      "server Alpha\ncharacter Bob\nobject 77 2 Sword of Light\ninventory 77\nlogin\n"
      "check Chat_Log_Enable on\ncheck Spells_Item on\n"
      "edit Filter_Box darn\npress Filter_Add\nedit Alias_Abbr brb\nedit Alias_Full be right back\npress Alias_Add\n"
      "edit Chat_Custom_Text *Alice*\npress Chat_Custom_Add\n"
      "edit HUD_Items_Text Healing Kit\nedit HUD_Items_Count 2\npress HUD_Items_Add\n"
      "edit Vitals_txtAddException Apple\npress Vitals_btnAddException\n"
      "chat 7 1 You cast Stoneskin I on Sword of Light\n"
      "chat 3 1 Alice tells you, \"one\"\nchat 3 1 Alice tells you, \"two\"\nadvance 1s\n"
      // The data file now outweighs the next line, which goes beside it.
      "chat 3 1 Alice tells you, \"three\"\nadvance 1s\n"
      "expect-file ProgramData/Mellox/Data/Mellox_Data_Alpha_Bob.lines <Log message=\"Alice tells you, &quot;three\n"
      "death You were killed by a Drudge Slinker.\nchat 0 1 You've lost 250 Pyreals.\nportal EXIT\n"
      "type /x log mylog\nchat 3 1 Alice tells you, \"four\"\nadvance 1s\ntype /x log\n"
      "check Chat_Log_Auto on\nchat 3 1 Alice tells you, \"five\"\nadvance 1s\n"
      "check Chat_Log_By_Date on\nchat 3 1 Alice tells you, \"six\"\nadvance 1s\n"
      "check Chat_Log_XML on\nchat 3 1 Alice tells you, \"seven\"\nadvance 1s\n"
      "check Chat_Log_By_Date off\nchat 3 1 Alice tells you, \"eight\"\nadvance 1s\n"
      "type /x debug\nnet 0x02CF key=1\npress Set_Default\ncheck Global_Settings on\nlogoff\n";
  ASSERT_EQ(RunScript(home.path(), script, printed), 0) << printed;

  const std::vector<std::string> reference = test::SessionReference();
  std::set<std::string> written;
  for (const test::Table& table : test::Tables(test::Section(reference, "## Files"))) {
    if (table.header.empty() || table.header[0] != "file") continue;
    for (const auto& row : table.rows) written.insert(test::Unquoted(row[0]));
  }
  // The companion was checked by the script; a logoff writes it into the data file.
  std::set<std::string> found{"ProgramData/Mellox/Data/Mellox_Data_<server>_<character>.lines"};
  const std::filesystem::path root = home.path() / "h";
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::string path = std::filesystem::relative(entry.path(), root).generic_string();
    if (path.rfind("Plugin/", 0) == 0) continue;  // the install folder, seeded from data/
    path = std::regex_replace(path, std::regex("Alpha_Bob"), "<server>_<character>");
    path = std::regex_replace(path, std::regex("2026-12-08"), "<date>");
    path = std::regex_replace(path, std::regex("mylog"), "<name>");
    found.insert(path);
  }
  EXPECT_EQ(written, found);

  // Element -> its attributes in order, as a table of the reference gives them and as a file holds them.
  using Layout = std::map<std::string, std::vector<std::string>>;
  auto writtenLayout = [&](const std::string& heading) {
    Layout layout;
    for (const test::Table& table : test::Tables(test::Section(reference, heading))) {
      if (table.header.empty() || table.header[0] != "element") continue;
      for (const auto& row : table.rows) {
        auto& attributes = layout[test::Unquoted(row[0])];
        const std::regex code("`([^`]+)`");
        for (std::sregex_iterator it(row[1].begin(), row[1].end(), code), end; it != end; ++it)
          attributes.push_back((*it)[1]);
      }
    }
    return layout;
  };
  auto fileLayout = [&](const std::filesystem::path& file) {
    Layout layout;
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(file.c_str())) << file;
    auto visit = [&layout](pugi::xml_node e, auto& self) -> void {
      std::vector<std::string> attributes;
      for (const pugi::xml_attribute a : e.attributes()) attributes.emplace_back(a.name());
      auto [it, fresh] = layout.emplace(e.name(), attributes);
      EXPECT_EQ(it->second, attributes) << e.name() << " differs between its elements";
      for (const pugi::xml_node child : e.children())
        if (child.type() == pugi::node_element) self(child, self);
    };
    visit(doc.document_element(), visit);
    return layout;
  };
  EXPECT_EQ(writtenLayout("### Settings files"),
            fileLayout(root / "ProgramData/Mellox/Settings/Mellox_Settings_Alpha_Bob.xml"));
  EXPECT_EQ(writtenLayout("### Data file"), fileLayout(root / "ProgramData/Mellox/Data/Mellox_Data_Alpha_Bob.xml"));
  EXPECT_EQ(writtenLayout("### XML chat log"), fileLayout(root / "Documents/Asheron's Call/Logs/Alpha_Bob.xml"));
}

// The end of a script is the game's close: the login still open ends as a
// logoff ends it, so a new run on the same home finds its settings, its data
// file and the chat-log line written; the game's world is not kept.
TEST(MelloxSimCommand, TheEndOfAScriptClosesTheGameAndANewRunForgetsTheWorld) {
  test::TempHome home;
  std::string printed;
  ASSERT_EQ(
      RunScript(
          home.path(),
          "server Alpha\ncharacter Bob\nlevel 20\nxp 5000 0\nobject 77 2 Sword of Light\ninventory 77\n"
          "login\ncheck Chat_Log_Enable on\ncheck Chat_Log_Auto on\nchat 3 1 Alice tells you, \"bye\"\n",
          printed),
      0)
      << printed;
  ASSERT_EQ(
      RunScript(home.path(),
                "expect-file \"Documents/Asheron's Call/Logs/Alpha_Bob.txt\" Alice tells you, \"bye\"\n"
                "server Alpha\ncharacter Bob\nlogin\nexpect-not Failed to find\n"
                "expect-control Chat_Log_Auto on\nexpect-cell Chat_Log_View 0 0 Alice tells you, \"bye\"\n"
                "expect-control Level_Num 1\nexpect-control XP_Total 0\n"
                "type /x searchinv Sword of Light\nexpect Failed to find Sword of Light\n"
                "object 77 2 Sword of Light\n",
                printed),
      0)
      << printed;
}

// A form of the reference ("item: use ID MODE") as the pattern of the lines it
// stands for, and its fixed start ("item: use"). Each word in capitals stands
// for what varies: with words set, one word (but TEXT, NAME and WHAT, text
// that may hold blanks); else any text.
struct Form {
  std::string text;
  std::regex pattern;
  std::string start;
};

std::string TrimmedEnd(const std::string& text) { return text.substr(0, text.find_last_not_of(' ') + 1); }

std::vector<Form> Forms(const std::vector<std::string>& section, const std::string& when, bool words) {
  static const std::regex placeholder("\\b[A-Z][A-Z_]*\\b");
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  static const std::regex code("`([^`]+)`");
  auto escaped = [](const std::string& text) { return std::regex_replace(text, special, "\\$&"); };
  std::vector<Form> forms;
  for (const test::Table& table : test::Tables(section)) {
    if (table.header.size() < 2 || table.header[1] != when) continue;
    for (const auto& row : table.rows) {
      for (std::sregex_iterator it(row[0].begin(), row[0].end(), code), end; it != end; ++it) {
        const std::string text = (*it)[1];
        std::string pattern;
        std::size_t at = 0;
        for (std::sregex_iterator m(text.begin(), text.end(), placeholder), none; m != none; ++m) {
          const bool blanks = !words || m->str() == "TEXT" || m->str() == "NAME" || m->str() == "WHAT";
          pattern += escaped(text.substr(at, m->position() - at)) + (blanks ? ".+" : "\\S+");
          at = static_cast<std::size_t>(m->position() + m->length());
        }
        std::smatch first;
        const bool varies = std::regex_search(text, first, placeholder);
        forms.push_back({text, std::regex(pattern + escaped(text.substr(at))),
                         TrimmedEnd(varies ? text.substr(0, first.position()) : text)});
      }
    }
  }
  return forms;
}

// The string literals of C++ source text, as written.
std::vector<std::string> Literals(const std::string& source) {
  static const std::regex literal(R"re("((?:[^"\\]|\\.)*)")re");
  std::vector<std::string> found;
  for (std::sregex_iterator it(source.begin(), source.end(), literal), end; it != end; ++it)
    found.push_back((*it)[1]);
  return found;
}

// The text of each .cpp file below a folder of the source tree, by its path there.
std::map<std::string, std::string> SourceFiles(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(test::SourceDir() / folder)) {
    if (entry.path().extension() != ".cpp") continue;
    const std::string relative = std::filesystem::relative(entry.path(), test::SourceDir()).generic_string();
    files[relative] = test::ReadSourceFile(relative);
  }
  return files;
}

// The literals of each call of the function in the source, arguments split over lines too.
std::vector<std::string> CallLiterals(const std::string& source, const std::string& function) {
  std::vector<std::string> found;
  for (std::size_t at = source.find(function + "("); at != std::string::npos;
       at = source.find(function + "(", at + 1)) {
    std::size_t end = at + function.size() + 1;
    for (int depth = 1; end < source.size() && depth > 0; ++end) {
      if (source[end] == '"') {
        for (++end; end < source.size() && source[end] != '"'; ++end)
          if (source[end] == '\\') ++end;
      } else if (source[end] == '(' || source[end] == ')') {
        depth += source[end] == '(' ? 1 : -1;
      }
    }
    for (std::string& text : Literals(source.substr(at, end - at))) found.push_back(std::move(text));
  }
  return found;
}

// Every line mellox-sim prints is of a form the reference lists, and every
// form the simulated host and the runner print is listed: the line each
// recorder call starts is a form's fixed start, and a run through the plug-in
// and the sessions prints each form. The plug-in's own lines in colour 6 are
// held alike: each text its reports hand to chat stands in their table, and
// each such line printed has its form there.
TEST(MelloxSimCommand, TheSessionReferenceNamesEveryFormOfOutputLine) {
  const std::vector<std::string> reference = test::SessionReference();
  const std::vector<Form> forms = Forms(test::Section(reference, "## Output lines"), "printed when", true);
  const std::vector<std::string> ownSection = test::Section(reference, "### Lines in colour 6");
  const std::vector<Form> own = Forms(ownSection, "written when", false);
  ASSERT_GE(forms.size(), 30u);
  ASSERT_GE(own.size(), 25u);

  std::set<std::string> written;
  for (const Form& f : forms) written.insert(f.start);
  // A recorder call's first literal is the start of the line it prints.
  std::set<std::string> recorded;
  static const std::regex recorderCall("(Emit|EmitText|Record|errorSink_)\\(");
  for (const auto& folder : {"src/sim", "app"}) {
    for (const auto& [file, source] : SourceFiles(folder)) {
      for (const std::string& line : test::Lines(source)) {
        if (!std::regex_search(line, recorderCall)) continue;
        for (const std::string& text : Literals(line)) {
          if (!text.empty() && (std::islower(static_cast<unsigned char>(text[0])) || text[0] == '='))
            recorded.insert(TrimmedEnd(text));
        }
      }
    }
  }
  EXPECT_EQ(written, recorded);
  std::string ownText;
  for (const std::string& line : ownSection) ownText += line + "\n";
  for (const auto& [file, source] : SourceFiles("src")) {
    if (file.rfind("src/sim/", 0) == 0) continue;
    for (const std::string& literal : CallLiterals(source, "wtcw_error")) {
      const std::string text =
          TrimmedEnd(literal.substr(std::min(literal.size(), literal.find_first_not_of(' '))));
      if (std::none_of(text.begin(), text.end(),
                       [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
        continue;
      EXPECT_NE(ownText.find(text), std::string::npos)
          << "the lines in colour 6 lack '" << text << "' of " << file;
    }
  }

  // A run that prints each form: the plug-in's own script, with a sound file
  // that is no wave file and a chat-log file whose name the file system
  // refuses, then the sessions that sell peas and sound an alarm.
  test::TempHome home;
  std::filesystem::create_directories(home.path() / "h");
  std::filesystem::copy(MELLOX_DATA_DIR, home.path() / "h" / "Plugin",
                        std::filesystem::copy_options::recursive);
  std::ofstream(home.path() / "h" / "Plugin" / "Sounds" / "Bad.wav") << "not a wave";
  const std::string log =
      "type /x log " + std::string(260, 'x') + "\nchat 3 1 Alice tells you, \"hi\"\nadvance 1s\n";
  std::string printed;
  ASSERT_EQ(
      RunScript(home.path(),
                "object 401 11 Blackmoor's Favor\ninventory 401\nobject 500 0 Hyssop\ninventory 500\n"
                "object 2001 6 Tusker Spit Ale\ninventory 2001\n"
                "object 600 0 Guardian of the Temple of Forgetfulness\nlogin\nsay logged in\n"
                "check Toggle_Vitals on\ncheck Logout_Timer on\ncheck Use_Gems on\nadvance 1s\n"
                "type /x templeforget\n"
                "chat 3 1 Guardian of the Temple of Forgetfulness tells you, take the essence of Malar.\n"
                "type /x searchinv Hyssop\ntype /x floc\ntype hello\nstatus You are too busy\n"
                "hotkey MX:DrinkBeersNow\nadvance 200ms\n"
                "click Chat_Color 1 0\nchoose Chat_Color_Sound 1\nclick Chat_Color 4 0\nexpect sound: fail "
                "Bad.wav\n"
                "choose Chat_Color_Sound 2\nclick Chat_Color 4 0\nexpect sound: play Beep.wav\n"
                "check Level_SS on\nedit Start_Level 1\nchat 13 1 You are now level 1!\nadvance 1s\n" +
                    log +
                    "logoff\nexpect is kept for this character's next login.\nlogin\nadvance 1s\n",
                printed),
      0)
      << printed;
  EXPECT_NE(printed.find("could not be written and is lost."), std::string::npos) << printed;
  for (const char* session : {"pea_selling", "vital_alarm"}) {
    test::TempHome other;
    std::string more;
    ASSERT_EQ(RunScript(other.path(),
                        test::ReadSourceFile(std::string("tests/sessions/") + session + ".session"), more),
              0)
        << more;
    printed += more;
  }
  std::set<std::string> seen;
  for (const std::string& line : test::Lines(printed)) {
    bool known = false;
    for (const Form& f : forms) {
      if (!std::regex_match(line, f.pattern)) continue;
      known = true;
      seen.insert(f.text);
    }
    EXPECT_TRUE(known) << "no form of the reference prints '" << line << "'";
    if (line.rfind("chat 6 1: <Mellox> ", 0) != 0) continue;
    const std::string text = line.substr(std::string("chat 6 1: ").size());
    EXPECT_TRUE(
        std::any_of(own.begin(), own.end(), [&](const Form& f) { return std::regex_match(text, f.pattern); }))
        << "no line in colour 6 of the reference is '" << text << "'";
  }
  // The host's own trouble is not played here, and the plug-in drops no hotkey.
  const std::set<std::string> unplayed{
      "host: handler error: WHAT", "host: could not seed the install folder: WHAT",
      "clock: too many timer firings, advance stopped", "hotkey: remove NAME"};
  for (const Form& f : forms) {
    if (!unplayed.count(f.text)) {
      EXPECT_TRUE(seen.count(f.text)) << "no run printed a line of the form " << f.text;
    }
  }
}

}  // namespace
}  // namespace mellox::app

namespace mellox::app {
namespace {

TEST_F(ScriptRunnerTest, GameAndWorldVerbsDriveTheHost) {
  EXPECT_TRUE(Run("server Frostcull\ncharacter Alia Vex\nlevel 50\n"
                  "object 0x80001001 6 Mana Stone\nprop 0x80001001 long 218103814 5\n"
                  "coords 0x80001001 12.5 -3.25\ninventory 0x80001001\nregion 0 0 640 480\n"));
  EXPECT_EQ(host.Character().Name(), "Alia Vex");
  EXPECT_EQ(host.Character().Level(), 50);
  auto object = host.World().ObjectById(static_cast<std::int32_t>(0x80001001u));
  ASSERT_TRUE(object);
  EXPECT_EQ(object->Name(), "Mana Stone");
  EXPECT_EQ(object->LongProperty(218103814), 5);
  double north = 0, east = 0;
  object->Coordinates(north, east);
  EXPECT_DOUBLE_EQ(north, 12.5);
  EXPECT_DOUBLE_EQ(east, -3.25);
  EXPECT_EQ(host.Hooks().Get3DRegion().right, 640);
}

TEST_F(ScriptRunnerTest, MalformedVerbArgumentsFail) {
  for (const char* line : {"level fifty", "chat x 1 hi", "xp 10", "xp -1 2", "net 0x2CF key", "enchant add 1 2",
                           "enchant drop 1", "portal SIDEWAYS", "region 1 2 3", "check Output_1 maybe",
                           "choose nosuchcontrol 0", "prop 42 long x 2", "coords 7 north east", "select"}) {
    EXPECT_FALSE(runner.RunLine(line)) << line;
    EXPECT_FALSE(runner.LastError().empty()) << line;
  }
  // Every number must fit what it feeds: one sign, window coordinates in 16 bits,
  // colours and counts signed, positions finite.
  for (const auto& [line, message] : std::vector<std::pair<std::string, std::string>>{
           {"mouse move 0x7fffffff 0x7fffffff", "x out of range (-32768 to 32767)"},
           {"mouse down 1 40000 ctrl", "y out of range"}, {"mouse up -32769 1", "x out of range"},
           {"region 0 0 70000 480", "right out of range"}, {"chat 0x-1 1 hi", "malformed colour"},
           {"level --5", "malformed level"}, {"chat 2147483648 1 hi", "colour out of range"},
           {"plugin-text 4294967296 1 hi", "colour out of range"}, {"object 7 4294967295 Apple", "object class out of range"},
           {"enchant add 5 4294967295 60", "family out of range"}, {"coords 7 inf 1", "north must be a finite number"},
           {"coords 7 1 nan", "east must be a finite number"}, {"prop 7 double 5 -inf", "double value must be a finite"},
           {"prop 7 long 0x0D000006 -2147483648", "stack count or maximum cannot be negative"},
           {"prop 7 long 0x0D000007 -5", "stack count or maximum cannot be negative"}}) {
    Fails(line, message);
  }
  EXPECT_TRUE(Run("mouse move 32767 -32768\nmouse down -1 0x10 shift\nmouse up 0 0\nregion 0 0 1024 768\n"));
  EXPECT_EQ(host.Hooks().Get3DRegion().right, 1024);
}

// A session reads a list as the player sees it: its rows, each cell's text,
// a check cell as on/off; a count, a cell or a name that is not there fails
// telling what the list holds.
TEST_F(ScriptRunnerTest, ListVerbsReadRowsAndCells) {
  SettingsFile::PlaceDefaults(std::filesystem::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName,
                              host.ProgramDataDir());
  host.LoadPlugin(std::make_unique<APluginCore>());
  ASSERT_TRUE(Run("server Alpha\ncharacter Ann\nlogin\nclick Chat_Options 0 4\n"
                  "expect-rows Chat_Options 19\nexpect-cell Chat_Options 1 4 Kill: Show Monster XP\n"
                  "expect-cell Chat_Options 0 4 on\nexpect-cell Chat_Options 0 5 off\nexpect-rows Corpses_List 0\n"))
      << err.str();
  Fails("expect-rows Chat_Options 18", "list Chat_Options has 19 rows, expected 18");
  Fails("expect-cell Chat_Options 0 4 off", "list Chat_Options cell 0 4 holds 'on', expected 'off'");
  Fails("expect-cell Chat_Options 1 0 Show XP", "list Chat_Options cell 1 0 holds 'Show All XP Changes', expected 'Show XP'");
  // The whole text: the beginning of the row's name is not the row.
  Fails("expect-cell Chat_Options 1 0 Show All", "list Chat_Options cell 1 0 holds 'Show All XP Changes', expected 'Show All'");
  Fails("expect-cell Chat_Options 0 19 on", "list Chat_Options has no cell 0 19: it has 2 columns and 19 rows");
  Fails("expect-cell Chat_Options 2 0 on", "list Chat_Options has no cell 2 0: it has 2 columns and 19 rows");
  Fails("expect-cell Corpses_List 0 0 x", "list Corpses_List has no cell 0 0: it has 4 columns and 0 rows");
  Fails("expect-rows Chat_Log_Max 0", "control Chat_Log_Max is not a list");
  Fails("expect-rows No_Such_List 0", "the view has no control No_Such_List");
  Fails("expect-rows Chat_Options", "row count");
}

// What a first login shows of the check boxes and the option lists' check
// cells is what the reference says a session may rely on, box by box and row
// by row.
TEST_F(ScriptRunnerTest, AFirstLoginShowsTheCheckBoxesAndOptionRowsTheReferenceGives) {
  SettingsFile::PlaceDefaults(std::filesystem::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName,
                              host.ProgramDataDir());
  host.LoadPlugin(std::make_unique<APluginCore>());
  ASSERT_TRUE(Run("login\n")) << err.str();
  const std::vector<std::string> reference = test::SessionReference();
  auto state = [](bool on) { return std::string(on ? "on" : "off"); };

  std::set<std::string> ticked;
  for (const test::Table& table : test::Tables(test::Section(reference, "## Controls"))) {
    if (table.header.empty() || table.header[0] != "check boxes at a first login") continue;
    for (const auto& row : table.rows)
      if (row[0] == "ticked") ticked = test::CodeWords({row[1]});
  }
  std::map<std::string, std::string> shown, written;
  for (const std::string& name : host.View()->Names()) {
    auto* box = dynamic_cast<sim::SimCheckBox*>(host.View()->Control(name));
    if (!box) continue;
    shown[name] = state(box->CheckedGet());
    written[name] = state(ticked.count(name) != 0);
  }
  for (const std::string& name : ticked) written.emplace(name, "on");
  test::ExpectReferenceHolds(written, shown, "check box");

  // Each option list's rows: its check cells, in column order.
  shown.clear();
  written.clear();
  for (const std::string& name : host.View()->Names()) {
    auto* list = dynamic_cast<sim::SimList*>(host.View()->Control(name));
    if (!list) continue;
    for (const test::Table& table : test::Tables(test::Section(reference, "### `" + name + "`"))) {
      if (table.header.empty() || table.header[0] != "row") continue;
      const auto column = std::find_if(table.header.begin(), table.header.end(), [](const std::string& h) {
        return h.rfind("at a first login", 0) == 0;
      });
      ASSERT_NE(column, table.header.end()) << name << ": no state at a first login";
      for (const auto& row : table.rows)
        written[name + " row " + row[0]] = row[column - table.header.begin()];
      for (std::int32_t row = 0; row < list->Count(); ++row) {
        std::string cells;
        for (std::size_t c = 0; c < list->Columns().size(); ++c) {
          if (list->Columns()[c].kind != sim::SimList::ColumnKind::Check) continue;
          cells += (cells.empty() ? "" : ", ") +
                   state(CellBool(list->DataGet(static_cast<std::int32_t>(c), row, 0)));
        }
        shown[name + " row " + std::to_string(row)] = cells;
      }
    }
  }
  EXPECT_EQ(shown.size(), 5u + 15u + 30u + 19u + 38u + 19u);
  test::ExpectReferenceHolds(written, shown, "option");
}

}  // namespace
}  // namespace mellox::app
