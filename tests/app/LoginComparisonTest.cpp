// One character at a time, checked as a whole: every scenario session (and a
// few of this test's own) plays the same whether it runs in a fresh
// mellox-sim or after another character has logged in, dirtied every
// subsystem and logged off in the same run. The session's output lines, its
// character's files and the settings view's controls at its end are
// compared; the first difference fails the test. A character's relogin is
// compared the same way, with and without other characters played in
// between (one of them a login whose settings cannot load).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "support/TempHome.h"

namespace mellox::test {
namespace {

namespace fs = std::filesystem;

const fs::path& SessionDir() {
  static const fs::path dir = fs::path(MELLOX_DATA_DIR).parent_path() / "tests" / "sessions";
  return dir;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Split at LF; the XML files' CR-separated elements count as lines too.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::istringstream parts(line);
    for (std::string part; std::getline(parts, part, '\r');) lines.push_back(part);
  }
  return lines;
}

// The prelude's character: one the scenario never names.
std::string OtherCharacter(const std::string& scenario) {
  for (const char* name : {"Zed", "Yan", "Xia"}) {
    if (scenario.find(name) == std::string::npos) return name;
  }
  return "Wex";
}

// (It lasts whole seconds, 9: scenarios begin on a second's boundary.)
// A character plays everything the plug-in keeps for a login, leaves each
// piece under way, and logs off. ids: a block of object ids no scenario uses.
std::string Prelude(const std::string& name, int ids) {
  const auto id = [&](int n) { return std::to_string(ids + n); };
  std::string s;
  s += "say " + name + " plays first\nserver Alpha\ncharacter " + name + "\nlevel 40\n";
  s += "object " + id(1) + " 6 Tusker Spit Ale\nprop " + id(1) + " long 0x0D000006 3\ninventory " + id(1) +
       "\n";
  s += "object " + id(2) + " 0 Mana Stone\nprop " + id(2) + " long 107 1000\ninventory " + id(2) + "\n";
  s += "object " + id(3) + " 2 Old Robe\nprop " + id(3) + " long 10 1\nprop " + id(3) +
       " long 107 10\nprop " + id(3) + " long 108 1000\ninventory " + id(3) + "\n";
  s += "object " + id(4) + " 0 Pyreal Pea\nprop " + id(4) + " long 0x0D000006 6\nprop " + id(4) +
       " long 19 50000\n" + "inventory " + id(4) + "\n";
  s += "object " + id(5) + " 37 Old Shopkeeper\nobject " + id(6) + " 5 Old Drudge\nprop " + id(6) +
       " long 25 12\n";
  s += "object " + id(7) + " 37 Guardian of the Temple of Forgetfulness\n";
  s += "object " + id(8) + " 0 Hyssop\ninventory " + id(8) + "\n";
  s += "object " + id(9) + " 6 Apple\nprop " + id(9) + " long 0x0D000006 3\ninventory " + id(9) + "\n";
  s += "enchant add 3530 601 900\nenchant add 2 2 600\n";
  s += "login\nexpect Plugin Loaded!\n";
  // Chat options: XP changes, kill details, buff warnings, combined item
  // spells, friends online at login.
  for (int row : {0, 4, 5, 13, 15, 16, 18}) s += "click Chat_Options 0 " + std::to_string(row) + "\n";
  // Settings of every page.
  s += "edit Fill_Threshold 11111\ncheck Use_Gems on\ncheck Logout_Timer on\ncheck Fill_Mana on\n"
       "check Use_Beers on\ncheck Status_Text on\ncheck Output_1 on\ncheck XP_Auto on\n"
       "check Vitals_OneTouch_Enabled on\nedit Vitals_txtAddException Old Apple\npress "
       "Vitals_btnAddException\n"
       "edit Alias_Abbr /zz\nedit Alias_Full /tell Oldfriend, hello there\npress Alias_Add\n"
       "edit Chat_Custom_Text *Kim*\nedit Chat_Custom_Window 1\nchoose Chat_Custom_Color 3\npress "
       "Chat_Custom_Add\n"
       "edit Chat_Custom_Action /say left unadded\nchoose Chat_Custom_Type 2\nchoose Chat_Custom_Sound 1\n"
       "edit Filter_Box darn\npress Filter_Add\n"
       "check HUD_On on\nclick HUD_General 0 3\nclick HUD_General 0 4\n"
       "edit HUD_Items_Text Mana Stone\nedit HUD_Items_Count 2\npress HUD_Items_Add\n"
       "edit HUD_Items_Text Apple\nedit HUD_Items_Count 2\npress HUD_Items_Add\n"
       "mouse move 20 205\nadvance 300ms\nmouse down 20 205\nmouse move 300 305\nmouse up 300 305\nmouse "
       "move 1020 760\n"
       "check Spells_Item on\ncheck Spells_Beers on\nadvance 1s\nclick Buff_List 0 0\n"
       "check Util_checkVitalHealthOn on\nedit Util_txtVitalHealthPer 50%\nchoose Util_cboVitalHealthSound "
       "1\n";
  // The chat log: a limit of 5, both file forms; the text form's file cannot
  // be written (the test puts a folder in its place).
  s += "edit Chat_Log_Max 5\ncheck Chat_Log_Enable on\ncheck Chat_Log_XML on\ncheck Chat_Log_Auto on\n"
       "chat 3 1 Kim tells you, into the XML log\nadvance 1s\ncheck Chat_Log_XML off\ncheck "
       "Chat_Log_Timestamp on\n";
  // Statistics, a kill, buffs, item spells, a corpse.
  // (The kill's system line comes before the friends query goes out at 3 s.)
  s += "xp 1000000 5000\nxp 1000500 5500\nchat 0 1 If you are reading this then you should know: I own.\n"
       "advance 2s\n"
       "chat 7 1 You cast Stoneskin I on your armor.\nadvance 1600ms\n"
       "death " +
       name + " was killed by a drudge.\nportal EXIT\nadvance 3s\n";
  // Left under way at the logoff, the main HUD held by its title bar among
  // them (the button is never let go). (Keys an alias leaves being typed are
  // pinned by ReloginTest.)
  s += "chat 3 1 Kim tells you, waiting for the log\nstatus You are too busy!\nselect " + id(6) +
       "\n"
       "net 0xF755 object=4660 effect=56 speed=1\ncheck Chat_Log_AFK on\nvital health 400 1000\nvendor open " +
       id(5) +
       " 1\ntype /x sellpeas\n"
       "type /x templeforget\ncombat 2\nhotkey MX:DrinkBeersNow\nchat 7 1 Your Old Robe is low on Mana.\n"
       "mouse move 300 305\nmouse down 300 305\nmouse move 310 315\n"
       "type /zz\nadvance 100ms\nchat 7 1 You cast Stoneskin I on Old Robe\n"
       "death " +
       name + " was killed again.\nlogoff\n";
  // The character's pack, enchantments and vitals leave the world with it.
  s += "character Tester\nserver Testserver\n";
  return s;
}

// How long a script's advance lines move the clock. The run compared with
// a prelude's waits as long with nobody logged in, so both read the same
// times: the only normalising of the clock.
std::string WaitAsLongAs(const std::string& script) {
  long long ms = 0;
  for (const std::string& line : Lines(script)) {
    if (line.rfind("advance ", 0) != 0) continue;
    const std::string n = line.substr(8);
    ms += n.ends_with("ms") ? std::stoll(n) : n.ends_with("s") ? std::stoll(n) * 1000 : std::stoll(n) * 60000;
  }
  return "advance " + std::to_string(ms) + "ms\n";
}
constexpr const char* kMark = "say the compared part begins\n";

struct SimRun {
  bool ok = false;
  std::string errors;
  std::vector<std::string> output;           // after the mark
  std::map<std::string, std::string> files;  // relative path -> bytes
  std::vector<std::string> controls;         // "NAME holds 'TEXT'", in the view's order
};

// What is the run's, not a character's: named, each with its reason.
bool IsRunsFile(const std::string& relative) {
  // The error and debug reports collect every character's faults in one file.
  return relative.find("Mellox Errors") != std::string::npos ||
         relative.find("Mellox Debug") != std::string::npos ||
         // The install folder the sim seeds.
         relative.rfind("Plugin/", 0) == 0;
}
bool IsRunsLine(const std::string& line) {
  // The plug-in's hotkeys (the same names for every character) stay
  // registered with the game's hotkey system for the run.
  return line.rfind("hotkey: add ", 0) == 0;
}

// The game's idle time is the game's: the first login after the prelude's
// extended one sets it back to the game's own, which a fresh game has
// already. That one line, before the login's "Plugin Loaded!", is the
// prelude's; every later idle line is the scenario's own.
void DropPreludesIdleLine(std::vector<std::string>& output) {
  for (auto it = output.begin(); it != output.end(); ++it) {
    if (it->find("Plugin Loaded!") != std::string::npos) return;
    if (it->rfind("idle: ", 0) != 0) continue;
    if (*it == "idle: 900000") output.erase(it);
    return;
  }
}

// The controls `expect-control` reads: their view names, in the view's order.
const std::vector<std::string>& ReadableControls() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    const std::string view = ReadFile(fs::path(MELLOX_DATA_DIR) / "Mellox_View.xml");
    for (const char* type : {"checkbox", "edit", "static", "pushbutton", "choice", "progress", "slider"}) {
      const std::string mark = "<control type=\"" + std::string(type) + "\" name=\"";
      for (auto at = view.find(mark); at != std::string::npos; at = view.find(mark, at + 1)) {
        const auto from = at + mark.size();
        out.push_back(view.substr(from, view.find('"', from) - from));
      }
    }
    return out;
  }();
  return names;
}

// Each probe expects what no control can hold (a character outside the
// game's code page), so the sim, reading the control as `expect-control`
// does, tells what it holds: "stdin:N: control NAME holds 'TEXT', expected ...".
constexpr const char* kProbeText = "\u2400";

std::string ControlProbes() {
  std::string probes;
  for (const std::string& name : ReadableControls()) probes += "expect-control " + name + " " + kProbeText + "\n";
  return probes;
}

using Seeds = std::map<std::string, std::string>;  // relative path -> bytes, placed before the run

SimRun RunSim(std::string script, const std::string& otherName, const Seeds& seeds = {}) {
  TempHome dir;
  SimRun run;
  if (!script.ends_with('\n')) script += '\n';
  // Read from standard input, the sim goes on after a failing line, so the
  // probes after the script each tell their control.
  const auto probesFrom = std::count(script.begin(), script.end(), '\n') + 1;
  const fs::path home = dir.path() / "home";
  for (const auto& [path, bytes] : seeds) {
    fs::create_directories((home / path).parent_path());
    std::ofstream(home / path, std::ios::binary) << bytes;
  }
  // The other character's text log cannot be written: a folder stands in its place.
  fs::create_directories(home / "Documents" / "Asheron's Call" / "Logs" / ("Alpha_" + otherName + ".txt"));
  { std::ofstream(dir.path() / "run.session", std::ios::binary) << script << ControlProbes(); }
  const std::string cmd =
      "cd '" + dir.path().string() + "' && " + MELLOX_SIM_EXE + " --home home - <run.session >out.txt 2>err.txt";
  // Status 1 is the probes' own; anything else beyond 0 is the run's failure.
  const int status = std::system(cmd.c_str());
  run.ok = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) <= 1;
  for (const std::string& line : Lines(ReadFile(dir.path() / "err.txt"))) {
    const std::string told = "control ";
    const auto colon = line.find(": ");
    const bool probe = line.rfind("stdin:", 0) == 0 && colon != std::string::npos &&
                       std::atol(line.c_str() + 6) >= probesFrom && line.compare(colon + 2, told.size(), told) == 0;
    if (!probe) {
      run.ok = false;
      run.errors += line + "\n";
      continue;
    }
    const std::string text = line.substr(colon + 2 + told.size());
    run.controls.push_back(text.substr(0, text.rfind(", expected '")));
  }
  const std::vector<std::string> all = Lines(ReadFile(dir.path() / "out.txt"));
  const std::string mark = "== the compared part begins";
  auto from = std::find(all.begin(), all.end(), mark);
  // The other character's log lines its file would not take wait for its
  // next login; at the run's end they are told lost: a line of that
  // character's, not of the scenario's.
  const std::string othersLines = "kept for Alpha_" + otherName + " could not be written";
  for (auto it = from == all.end() ? all.begin() : from + 1; it != all.end(); ++it)
    if (!IsRunsLine(*it) && it->find(othersLines) == std::string::npos) run.output.push_back(*it);
  DropPreludesIdleLine(run.output);
  for (const auto& entry : fs::recursive_directory_iterator(home)) {
    if (!entry.is_regular_file()) continue;
    const std::string relative = fs::relative(entry.path(), home).generic_string();
    if (IsRunsFile(relative)) continue;
    run.files[relative] = ReadFile(entry.path());
  }
  return run;
}

// The first difference of two runs' lines, or "" when equal.
std::string FirstDifference(const std::string& what, const std::vector<std::string>& fresh,
                            const std::vector<std::string>& after) {
  const std::size_t n = std::min(fresh.size(), after.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (fresh[i] != after[i]) {
      return what + " line " + std::to_string(i + 1) + " differs:\n  fresh: " + fresh[i] +
             "\n  after: " + after[i];
    }
  }
  if (fresh.size() == after.size()) return "";
  return what + " line " + std::to_string(n + 1) + ":\n  fresh: " + (n < fresh.size() ? fresh[n] : "(ends)") +
         "\n  after: " + (n < after.size() ? after[n] : "(ends)");
}

// Compares the character's output and files (those whose path names `keep`,
// or every file but the other character's when keep is empty).
void ExpectSame(const SimRun& fresh, const SimRun& after, const std::string& other,
                const std::string& keep = "") {
  EXPECT_TRUE(fresh.ok) << fresh.errors;
  EXPECT_TRUE(after.ok) << after.errors;
  const std::string lines = FirstDifference("output", fresh.output, after.output);
  EXPECT_EQ(lines, "");
  EXPECT_EQ(fresh.controls.size(), ReadableControls().size());
  EXPECT_EQ(FirstDifference("controls", fresh.controls, after.controls), "");
  const auto ours = [&](const std::string& path) {
    return keep.empty() ? path.find(other) == std::string::npos : path.find(keep) != std::string::npos;
  };
  std::vector<std::string> freshFiles, afterFiles;
  for (const auto& [path, bytes] : fresh.files)
    if (ours(path)) freshFiles.push_back(path);
  for (const auto& [path, bytes] : after.files)
    if (ours(path)) afterFiles.push_back(path);
  EXPECT_EQ(freshFiles, afterFiles);
  for (const std::string& path : freshFiles) {
    if (!after.files.contains(path)) continue;
    EXPECT_EQ(FirstDifference(path, Lines(fresh.files.at(path)), Lines(after.files.at(path))), "");
  }
}

// This test's own scenarios, for what the sessions do not reach: a new
// character's first gain, a temple's offer, the first system line and a
// press-and-move on the 3D view; a settings file trimmed by hand (no <Util>)
// with a limit it refuses, beside a data file of 20 lines.
const std::map<std::string, std::string>& OwnScenarios() {
  static const std::map<std::string, std::string> scenarios = {
      {"NewCharacter",
       "server Alpha\ncharacter Ann\nobject 9001 0 Hyssop\ninventory 9001\n"
       "object 9002 37 Guardian of the Temple of Forgetfulness\nlogin\nexpect Plugin Loaded!\n"
       "chat 0 1 Welcome to the game!\n"
       "click Chat_Options 0 0\nclick Chat_Options 0 4\nclick Chat_Options 0 5\nclick Chat_Options 0 6\n"
       "chat 3 1 Guardian of the Temple of Forgetfulness tells you, bring me the essence of Malar\n"
       "type /zz\nxp 500 500\nadvance 2s\nxp 1500 700\nadvance 2s\ntype /x stats\nadvance 4s\n"
       "chat 3 1 Kim tells you, hello Ann\nchat 0 1 If you are reading this then you should know: I own.\n"
       "check HUD_On on\nmouse down 400 300\nmouse move 450 350\nmouse up 450 350\n"
       "advance 1s\nlogoff\n"},
      {"TrimmedSettings",
       "server Alpha\ncharacter Ann\nlogin\nadvance 4s\nchat 3 1 Kim tells you, one more\nadvance 2s\n"
       "type /x stats\nlogoff\n"},
  };
  return scenarios;
}

std::vector<std::string> ScenarioNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(SessionDir()))
    if (entry.path().extension() == ".session") names.push_back(entry.path().stem().string());
  std::sort(names.begin(), names.end());
  for (const auto& [name, script] : OwnScenarios()) names.push_back(name);
  return names;
}

Seeds ScenarioSeeds(const std::string& name) {
  if (name != "TrimmedSettings") return {};
  std::string settings = ReadFile(fs::path(MELLOX_DATA_DIR) / "Mellox_Settings.xml");
  const auto util = settings.find("<Util ");
  settings.erase(util, settings.find("/>", util) + 2 - util);
  const std::string log = "<Chat_Log enabled=\"False\" max=\"100\" auto=\"False\"";
  settings.replace(settings.find(log), log.size(), "<Chat_Log enabled=\"True\" max=\"-1\" auto=\"True\"");
  std::string data = "<Mellox>\t<Global enabled=\"False\"/>";
  for (int i = 1; i <= 20; ++i)
    data += "\t<Log message=\"Kim tells you, line " + std::to_string(i) +
            "\" type=\"3\" color=\"3\" tag=\"2\" date=\"1796756403\"/>";
  data += "</Mellox>";
  return {{"ProgramData/Mellox/Settings/Mellox_Settings_Alpha_Ann.xml", settings},
          {"ProgramData/Mellox/Data/Mellox_Data_Alpha_Ann.xml", data}};
}

std::string ScenarioText(const std::string& name) {
  const auto own = OwnScenarios().find(name);
  return own != OwnScenarios().end() ? own->second : ReadFile(SessionDir() / (name + ".session"));
}

class LoginComparisonTest : public ::testing::TestWithParam<std::string> {};

// The character's own object id is the game's: each character new to a run
// gets the next one, so after the prelude's character the scenario's holds
// the second where a fresh run gives it the first. The run after the prelude
// reads the scenario and its output with the two swapped.
constexpr const char* kFirstId = "1342177281";
constexpr const char* kSecondId = "1342177282";

std::string Swapped(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

TEST_P(LoginComparisonTest, PlaysAfterAnotherCharacterAsInAFreshRun) {
  const std::string scenario = ScenarioText(GetParam());
  ASSERT_FALSE(scenario.empty()) << GetParam();
  const std::string other = OtherCharacter(scenario);
  const Seeds seeds = ScenarioSeeds(GetParam());
  const std::string prelude = Prelude(other, 8000000);
  const SimRun fresh = RunSim(WaitAsLongAs(prelude) + kMark + scenario, other, seeds);
  const std::string second = Swapped(Swapped(scenario, kFirstId, kSecondId), "0x50000001", "0x50000002");
  SimRun after = RunSim(prelude + kMark + second, other, seeds);
  for (std::string& line : after.output) line = Swapped(line, kSecondId, kFirstId);
  ExpectSame(fresh, after, other);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, LoginComparisonTest, ::testing::ValuesIn(ScenarioNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// A character's relogin finds what carries over (its queued drink, its item
// spells' seconds) the same whether others played in between: first Yan,
// whose settings cannot load (no file of his and the defaults file torn),
// then Ann.
TEST(LoginComparison, ARelogFindsTheSameWithAnotherCharacterInBetween) {
  const std::string again =
      "say Zed comes back to his world\n"
      "server Alpha\ncharacter Zed\nlogin\nadvance 2s\nlogoff\n";
  const std::string others = "server Alpha\ncharacter Yan\nlogin\nexpect Unknown settings load failure! Plugin "
                             "inactive.\nlogoff\n" +
                             Prelude("Ann", 8100000);
  const std::string shipped = ReadFile(fs::path(MELLOX_DATA_DIR) / "Mellox_Settings.xml");
  const std::string folder = "ProgramData/Mellox/Settings/";
  const Seeds seeds = {{folder + "Mellox_Settings.xml", shipped.substr(0, shipped.size() / 2)},
                       {folder + "Mellox_Settings_Alpha_Zed.xml", shipped},
                       {folder + "Mellox_Settings_Alpha_Ann.xml", shipped}};
  const SimRun alone = RunSim(Prelude("Zed", 8000000) + WaitAsLongAs(others) + kMark + again, "Zed", seeds);
  const SimRun between = RunSim(Prelude("Zed", 8000000) + others + kMark + again, "Zed", seeds);
  ExpectSame(alone, between, "Ann", "Zed");
  // The session says what carries over: the drink queued in combat is drunk.
  EXPECT_NE(std::find(alone.output.begin(), alone.output.end(), "item: apply 8000001 1342177281"),
            alone.output.end());
}

}  // namespace
}  // namespace mellox::test
