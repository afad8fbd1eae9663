// One character at a time, checked as a whole: every scenario session (and a
// few of this test's own) plays the same whether it runs in a fresh
// mellox-sim or after another character has logged in, dirtied every
// subsystem (every control of the view among them) and ended its login one
// of the four ways a login ends: a logoff, a login with no logoff, a logoff
// and a login whose settings cannot load, the game's close and a new run
// from the same home. The session's output lines, its character's files,
// the settings view's controls and lists, the HUD pictures and the idle time
// at its end are compared; a difference fails the test, named: the first
// differing line of the output and of each file, each differing control and
// list, where each picture differs. A character's relogin is compared the
// same way, with and without other characters played in between, and every
// end stores for the character what a logoff stores. What is the run's, the
// clock's timers, runs on over the same ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <pugixml.hpp>
#include <sys/wait.h>

#include "sim/SimRaster.h"
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

// The four ways a login ends: the prelude's last lines.
enum class End { Logoff, Relogin, Inactive, Close };

// The box that chooses the file the settings controls show: the dirtying
// below leaves it alone, as flipped after the play it would load away what
// the play put in the lists. The prelude ticks it at its login instead, so
// its character plays on the global settings.
constexpr const char* kGlobalBox = "Global_Settings";

// The prelude's first part: a character plays everything the plug-in keeps
// for a login. ids: a block of object ids no scenario uses.
std::string PreludePlay(const std::string& name, int ids, bool global = true) {
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
  // Buffs, two debuffs and a drink's buff.
  s += "enchant add 3530 601 900\nenchant add 2 2 600\nenchant add 20 620 900\nenchant add 4101 621 900\n";
  s += "login\nexpect Plugin Loaded!\n";
  if (global) s += "check " + std::string(kGlobalBox) + " on\n";
  // Chat options: XP changes, kill details, buff warnings, combined item
  // spells, friends online at login.
  for (int row : {0, 4, 5, 13, 15, 16, 18}) s += "click Chat_Options 0 " + std::to_string(row) + "\n";
  // Settings of every page; each list the player fills gets two rows.
  s += "edit Fill_Threshold 11111\ncheck Use_Gems on\ncheck Logout_Timer on\ncheck Fill_Mana on\n"
       "check Use_Beers on\ncheck Status_Text on\ncheck Output_1 on\ncheck XP_Auto on\n"
       "check Vitals_OneTouch_Enabled on\nedit Vitals_txtAddException Old Apple\npress "
       "Vitals_btnAddException\nedit Vitals_txtAddException Old Pear\npress Vitals_btnAddException\n"
       "edit Alias_Abbr /zz\nedit Alias_Full /tell Oldfriend, hello there\npress Alias_Add\n"
       "edit Alias_Abbr /yy\nedit Alias_Full /say bye\npress Alias_Add\n"
       "edit Chat_Custom_Text *Kim*\nedit Chat_Custom_Window 1\nchoose Chat_Custom_Color 3\npress "
       "Chat_Custom_Add\nedit Chat_Custom_Text *Lee*\npress Chat_Custom_Add\n"
       "edit Chat_Custom_Action /say left unadded\nchoose Chat_Custom_Type 2\nchoose Chat_Custom_Sound 1\n"
       "edit Filter_Box darn\npress Filter_Add\nedit Filter_Box heck\npress Filter_Add\n"
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
       "chat 3 1 Kim tells you, into the XML log\nchat 3 1 Lee tells you, into it too\nadvance 1s\n"
       "check Chat_Log_XML off\ncheck "
       "Chat_Log_Timestamp on\n";
  // A pea threshold out of range, told at a burn.
  s += "check Split_Peas on\nedit Pea_Threshold 99999\nchat 7 1 The spell consumed the following components: "
       "Hyssop\nexpect Error #6\n";
  // Statistics, a kill, buffs, item spells, a corpse.
  // (The kill's system line comes before the friends query goes out at 3 s;
  // then the game names the text of the character's next kill line.)
  s += "xp 1000000 5000\nxp 1000500 5500\nchat 0 1 If you are reading this then you should know: I own.\n"
       "net 0xF7B0 event=0x01AD text=\"The Old Drudge falls!\"\nadvance 2s\n"
       "chat 7 1 You cast Stoneskin I on your armor.\nadvance 1600ms\n"
       "death " +
       name + " was killed by a drudge.\nportal EXIT\nadvance 2s\ndeath " + name +
       " was killed by a second drudge.\nportal EXIT\nadvance 1s\n";
  // A drink asked for in war mode waits in the queue, and the player is told
  // to make peace.
  s += "combat 2\nhotkey MX:DrinkBeersNow\nadvance 1s\nexpect Please enter peace mode\n";
  return s;
}

// The view as its description gives it: each control's kind and name, and
// what the dirtying below needs (a check box's state, a choice's selection,
// a slider's range, a list's column kinds).
struct ViewControl {
  std::string type, name;
  pugi::xml_node node;
};
const std::vector<ViewControl>& ViewControls() {
  static pugi::xml_document doc;
  static const std::vector<ViewControl> controls = [] {
    std::vector<ViewControl> out;
    doc.load_file((fs::path(MELLOX_DATA_DIR) / "Mellox_View.xml").c_str());
    for (const pugi::xpath_node& found : doc.select_nodes("//control"))
      out.push_back({found.node().attribute("type").as_string(), found.node().attribute("name").as_string(),
                     found.node()});
    return out;
  }();
  return controls;
}

// Every control of the view dirtied, generated from its description so a new
// control is covered: each check box flipped, each edit typed, each choice
// and slider moved, each list's second row clicked in every column but its
// icon columns (a click there removes or moves the row). The play leaves
// two rows in every list; a new list it does not fill fails its click.
std::string DirtyEveryControl() {
  std::string s;
  for (const ViewControl& c : ViewControls()) {
    if (c.name == kGlobalBox) continue;
    if (c.type == "checkbox") {
      s += "check " + c.name + (c.node.attribute("checked").as_bool() ? " off\n" : " on\n");
    } else if (c.type == "edit") {
      s += "edit " + c.name + (std::string(c.node.attribute("text").as_string()) == "7" ? " 3\n" : " 7\n");
    } else if (c.type == "choice") {
      s += "choose " + c.name + (c.node.attribute("selected").as_int() == 0 ? " 1\n" : " 0\n");
    } else if (c.type == "slider") {
      const int low = c.node.attribute("min").as_int(), high = c.node.attribute("max").as_int();
      s += "slide " + c.name + " " + std::to_string(c.node.attribute("position").as_int() == low ? high : low) +
           "\n";
    } else if (c.type == "list") {
      int column = 0;
      for (pugi::xml_node col : c.node.children("column")) {
        if (std::string(col.attribute("kind").as_string()) != "icon")
          s += "click " + c.name + " " + std::to_string(column) + " 1\n";
        ++column;
      }
    }
  }
  return s;
}

// The prelude's second part: the view dirtied, then each piece left under
// way at the end: the main HUD held by its title bar (pressed where
// FirstRelease has its close button, or dragged: one button holds one of
// the two), a cast on a pack item being combined, a death whose corpse is
// pending, besides the play's warned queue. (Keys an alias leaves being
// typed are pinned by ReloginTest.)
std::string PreludeUnderWay(const std::string& name, int ids, End end) {
  const auto id = [&](int n) { return std::to_string(ids + n); };
  std::string s = DirtyEveryControl();
  // The corpse below is tracked again (the dirtying turned tracking off),
  // and the lines below wait for the text log, which cannot be written; the
  // chat log's page is sorted the other way.
  s += "check Corpses_Track on\ncheck Chat_Log_XML off\ncheck Chat_Log_By_Date off\npress Chat_Log_Dir\n";
  s += "chat 3 1 Kim tells you, waiting for the log\nstatus You are too busy!\nselect " + id(6) +
       "\n"
       "net 0xF755 object=4660 effect=56 speed=1\ncheck Chat_Log_AFK on\nvital health 400 1000\nvendor open " +
       id(5) +
       " 1\ntype /x sellpeas\n"
       "type /x templeforget\nchat 7 1 Your Old Robe is low on Mana.\n";
  s += end == End::Logoff || end == End::Close ? "mouse move 300 305\nmouse down 300 305\n"
                                                : "mouse move 300 305\nmouse down 300 305\nmouse move 310 315\n";
  s += "type /zz\nadvance 100ms\nchat 7 1 You cast Stoneskin I on Old Robe\n"
       "death " +
       name + " was killed again.\n";
  return s;
}

// The character whose settings cannot load, in the inactive end.
constexpr const char* kInactive = "Vic";

// (It lasts whole seconds, 10: scenarios begin on a second's boundary.)
// A character plays everything the plug-in keeps for a login, leaves each
// piece under way, and ends the login as `end` says (Relogin: the scenario's
// login is the relogin; Close: the script ends logged in), on the global
// settings or its own.
std::string Prelude(const std::string& name, int ids, End end = End::Logoff, bool global = true,
                    const std::string& alsoPlay = "") {
  std::string s = PreludePlay(name, ids, global) + alsoPlay + PreludeUnderWay(name, ids, end);
  if (end == End::Relogin || end == End::Close) return s;
  s += "logoff\n";
  if (end == End::Inactive)
    s += "server Alpha\ncharacter " + std::string(kInactive) +
         "\nlogin\nexpect Unknown settings load failure! Plugin inactive.\nlogoff\n";
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
  std::vector<std::string> lists;            // "NAME has N rows", "NAME cell C R holds 'TEXT'", ...
  std::map<std::string, std::string> pictures;  // the HUD pictures: file name -> bytes
  std::string idle;                          // the game's idle time at the end (its last idle line)
  std::vector<std::string> everyLine;        // the whole output, the run before its first
};

// What is the run's, not a character's: named, each with its reason.
bool IsRunsFile(const std::string& relative) {
  // The error and debug reports collect every character's faults in one file.
  return relative.find("Mellox Errors") != std::string::npos ||
         relative.find("Mellox Debug") != std::string::npos ||
         // The install folder the sim seeds.
         relative.rfind("Plugin/", 0) == 0 ||
         // The settings of every character who ticks Global_Settings (the
         // prelude's does; no scenario's does).
         relative.ends_with("Mellox_Global_Settings.xml");
}
// The other character's log lines its file would not take wait for its
// next login; at the run's end they are told lost: a line of that
// character's, not of the scenario's.
bool IsOthersLine(const std::string& line, const std::string& other) {
  return line.find("kept for Alpha_" + other + " could not be written") != std::string::npos;
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
constexpr const char* kGamesIdle = "idle: 900000";
void DropPreludesIdleLine(std::vector<std::string>& output) {
  for (auto it = output.begin(); it != output.end(); ++it) {
    if (it->find("Plugin Loaded!") != std::string::npos) return;
    if (it->rfind("idle: ", 0) != 0) continue;
    if (*it == kGamesIdle) output.erase(it);
    return;
  }
}

// The controls `expect-control` reads: their view names, in the view's order.
const std::vector<std::string>& ReadableControls() {
  static const std::vector<std::string> names = [] {
    const std::set<std::string> readable = {"checkbox", "edit", "static", "pushbutton", "choice", "progress", "slider"};
    std::vector<std::string> out;
    for (const ViewControl& c : ViewControls())
      if (readable.contains(c.type)) out.push_back(c.name);
    return out;
  }();
  return names;
}

// Each probe expects what no control can hold (a character outside the
// game's code page), so the sim, reading the control as `expect-control`
// does, tells what it holds: "stdin:N: control NAME holds 'TEXT', expected ...".
constexpr const char* kProbeText = "\u2400";

// A list's probes read its row count and each cell of its rows (a cell
// outside the list tells the list's size; no list of these runs holds more
// rows than this: the chat colours' 38 are the most), but for the columns
// the player does not see (width 0): they hold the plug-in's keys of the
// rows, such as the chat log's line numbers, which count on for the run.
constexpr int kRowsRead = 48;

std::string ControlProbes() {
  std::string probes;
  for (const std::string& name : ReadableControls()) probes += "expect-control " + name + " " + kProbeText + "\n";
  for (const ViewControl& c : ViewControls()) {
    if (c.type != "list") continue;
    probes += "expect-rows " + c.name + " -1\n";
    std::vector<int> shown;
    int column = 0;
    for (pugi::xml_node col : c.node.children("column")) {
      if (col.attribute("width").as_int() != 0) shown.push_back(column);
      ++column;
    }
    for (int row = 0; row < kRowsRead; ++row)
      for (const int col : shown)
        probes += "expect-cell " + c.name + " " + std::to_string(col) + " " + std::to_string(row) + " " +
                  kProbeText + "\n";
  }
  return probes;
}

using Seeds = std::map<std::string, std::string>;  // relative path -> bytes, placed before the run

// The run of script (with the probes after it) in a home seeded with seeds;
// with firstRun, a run of that script from the same home comes before it,
// as the game's close and a new start do.
SimRun RunSim(std::string script, const std::string& otherName, const Seeds& seeds = {},
              const std::string& firstRun = "") {
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
  const fs::path logs = home / "Documents" / "Asheron's Call" / "Logs";
  fs::create_directories(logs / ("Alpha_" + otherName + ".txt"));
  // Its XML log is in UTF-16.
  if (!seeds.contains("Documents/Asheron's Call/Logs/Alpha_" + otherName + ".xml")) {
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Log>\r\n"
                                    "\t<Message>Kim: an older line</Message>\r\n</Log>"))
      utf16 += std::string{c, '\0'};
    std::ofstream(logs / ("Alpha_" + otherName + ".xml"), std::ios::binary) << utf16;
  }
  std::vector<std::string> firstLines;
  if (!firstRun.empty()) {
    { std::ofstream(dir.path() / "first.session", std::ios::binary) << firstRun; }
    const std::string first = "cd '" + dir.path().string() + "' && " + MELLOX_SIM_EXE +
                              " --home home first.session >first.txt 2>&1";
    if (std::system(first.c_str()) != 0) run.errors += "the first run failed:\n" + ReadFile(dir.path() / "first.txt");
    firstLines = Lines(ReadFile(dir.path() / "first.txt"));
  }
  { std::ofstream(dir.path() / "run.session", std::ios::binary) << script << ControlProbes(); }
  const std::string cmd = "cd '" + dir.path().string() + "' && " + MELLOX_SIM_EXE +
                          " --home home --hud-png pictures - <run.session >out.txt 2>err.txt";
  // Status 1 is the probes' own; anything else beyond 0 is the run's failure.
  const int status = std::system(cmd.c_str());
  run.ok = run.errors.empty() && status != -1 && WIFEXITED(status) && WEXITSTATUS(status) <= 1;
  for (const std::string& line : Lines(ReadFile(dir.path() / "err.txt"))) {
    const auto colon = line.find(": ");
    const bool probe = line.rfind("stdin:", 0) == 0 && colon != std::string::npos &&
                       std::atol(line.c_str() + 6) >= probesFrom;
    const std::string text = probe ? line.substr(colon + 2) : "";
    const std::string told = text.substr(0, text.rfind(", expected "));
    if (told.rfind("control ", 0) == 0) {
      run.controls.push_back(told.substr(8));
    } else if (told.rfind("list ", 0) == 0) {
      run.lists.push_back(told.substr(5));
    } else {
      run.ok = false;
      run.errors += line + "\n";
    }
  }
  std::vector<std::string> all = Lines(ReadFile(dir.path() / "out.txt"));
  // The idle time in force at the end: the last one this game was set,
  // else its own (a new run is a new game).
  run.idle = kGamesIdle;
  for (const std::string& line : all)
    if (line.rfind("idle: ", 0) == 0) run.idle = line;
  run.everyLine = firstLines;
  run.everyLine.insert(run.everyLine.end(), all.begin(), all.end());
  std::error_code none;
  for (const auto& entry : fs::directory_iterator(dir.path() / "pictures", none))
    run.pictures[entry.path().filename().string()] = ReadFile(entry.path());
  const std::string mark = "== the compared part begins";
  auto from = std::find(all.begin(), all.end(), mark);
  for (auto it = from == all.end() ? all.begin() : from + 1; it != all.end(); ++it)
    if (!IsRunsLine(*it) && !IsOthersLine(*it, otherName)) run.output.push_back(*it);
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

// Every control, or every list, that differs, each with its first differing
// line, or "" when equal. The probes tell one line each, in the same order
// in both runs; a line's first word names its control.
std::string EachDifference(const std::string& what, const std::vector<std::string>& fresh,
                           const std::vector<std::string>& after) {
  if (fresh.size() != after.size()) return FirstDifference(what, fresh, after);
  std::string told, last;
  for (std::size_t i = 0; i < fresh.size(); ++i) {
    const std::string name = fresh[i].substr(0, fresh[i].find(' '));
    if (fresh[i] == after[i] || name == last) continue;
    last = name;
    told += "\n  fresh: " + fresh[i] + "\n  after: " + after[i];
  }
  return told.empty() ? "" : what + " differ:" + told;
}

// Where two pictures of the game window differ: the box around every pixel
// that does, "" when none does.
std::string PictureDifference(const std::string& fresh, const std::string& after) {
  if (fresh == after) return "";
  const std::optional<sim::PixelBuffer> a = sim::ReadPng(fresh);
  const std::optional<sim::PixelBuffer> b = sim::ReadPng(after);
  if (!a || !b || a->width != b->width || a->height != b->height) return "the pictures cannot be compared pixel by pixel";
  std::int32_t left = a->width, top = a->height, right = -1, bottom = -1;
  for (std::int32_t y = 0; y < a->height; ++y)
    for (std::int32_t x = 0; x < a->width; ++x) {
      if (a->At(x, y) == b->At(x, y)) continue;
      left = std::min(left, x), top = std::min(top, y), right = std::max(right, x), bottom = std::max(bottom, y);
    }
  if (right < 0) return "";
  return "pixels differ from (" + std::to_string(left) + ", " + std::to_string(top) + ") to (" +
         std::to_string(right) + ", " + std::to_string(bottom) + ")";
}

// Each picture of the fresh run is in the other, pixel for pixel.
void ExpectSamePictures(const SimRun& fresh, const SimRun& after, const std::string& context) {
  for (const auto& [name, bytes] : fresh.pictures) {
    const auto other = after.pictures.find(name);
    EXPECT_EQ(other == after.pictures.end() ? "missing" : PictureDifference(bytes, other->second), "")
        << context << "the HUD picture " << name;
  }
}

// Compares the character's output and files (those whose path names `keep`,
// or, when keep is empty, every file whose path names none of `others`: the
// other characters' and what else the prelude's end made its own).
void ExpectSame(const SimRun& fresh, const SimRun& after, const std::vector<std::string>& others,
                const std::string& keep = "") {
  EXPECT_TRUE(fresh.ok) << fresh.errors;
  EXPECT_TRUE(after.ok) << after.errors;
  const std::string lines = FirstDifference("output", fresh.output, after.output);
  EXPECT_EQ(lines, "");
  EXPECT_EQ(fresh.controls.size(), ReadableControls().size());
  EXPECT_EQ(EachDifference("controls", fresh.controls, after.controls), "");
  EXPECT_EQ(EachDifference("lists", fresh.lists, after.lists), "");
  EXPECT_EQ(fresh.idle, after.idle) << "the game's idle time at the end";
  // The HUDs as the player sees them: each snapshot and the final picture.
  EXPECT_FALSE(fresh.pictures.empty());
  ExpectSamePictures(fresh, after, "");
  const auto ours = [&](const std::string& path) {
    if (!keep.empty()) return path.find(keep) != std::string::npos;
    return std::none_of(others.begin(), others.end(),
                        [&](const std::string& name) { return path.find(name) != std::string::npos; });
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
       "server Alpha\ncharacter Ann\nlogin\nexpect Plugin Loaded!\nobject 9001 0 Hyssop\ninventory 9001\n"
       "object 9002 37 Guardian of the Temple of Forgetfulness\n"
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
      // A login whose settings cannot load (no file of its own, the defaults
      // file torn), read while it is in force.
      {"InactiveLogin",
       "server Alpha\ncharacter Vic\nlogin\nexpect Unknown settings load failure! Plugin inactive.\nadvance 2s\n"},
      // The first thing the character does with the mouse is to let go of it
      // over the main HUD's close button, where the prelude's press is held:
      // no click, nothing changes (her settings place the HUD there).
      {"FirstRelease",
       "server Alpha\ncharacter Ann\nlogin\ncheck HUD_On on\nmouse move 300 305\nmouse up 300 305\nadvance 1s\nlogoff\n"},
      // The same unusable pea threshold as the prelude's is told at the burn.
      {"BadPeaThreshold",
       "server Alpha\ncharacter Ann\nlogin\ncheck Split_Peas on\nedit Pea_Threshold 99999\n"
       "chat 7 1 The spell consumed the following components: Hyssop\nadvance 1s\nlogoff\n"},
      // A first XML chat log, beside the prelude's in UTF-16.
      {"XmlChatLog",
       "server Alpha\ncharacter Ann\nlogin\ncheck Chat_Log_Enable on\ncheck Chat_Log_XML on\n"
       "check Chat_Log_Auto on\nchat 3 1 Kim tells you, into a new log\nadvance 2s\nlogoff\n"},
      // Her settings watch Apple and Mana Stone (threshold 2 each, warned
      // of in chat); she carries one Mana Stone and no apple, where the
      // prelude's character carried three apples and one Mana Stone: her
      // first count warns of the stone, and of no apple.
      {"WatchedItems",
       "server Alpha\ncharacter Ann\nlogin\nobject 9201 0 Mana Stone\ninventory 9201\nadvance 100ms\n"
       "expect Warning! You are nearly out of Mana Stone\nexpect-not Apple\ncheck HUD_On on\nadvance 1s\nlogoff\n"},
      // A drink queued in war mode: the player is told to make peace.
      {"WarModeDrink",
       "server Alpha\ncharacter Ann\nobject 9101 6 Tusker Spit Ale\nprop 9101 long 0x0D000006 3\n"
       "inventory 9101\nlogin\ncheck Use_Beers on\ncombat 2\nhotkey MX:DrinkBeersNow\nadvance 2s\n"
       "combat 1\nadvance 2s\nlogoff\n"},
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

const std::string& ShippedSettings() {
  static const std::string shipped = ReadFile(fs::path(MELLOX_DATA_DIR) / "Mellox_Settings.xml");
  return shipped;
}
constexpr const char* kSettingsFolder = "ProgramData/Mellox/Settings/";
std::string SettingsOf(const std::string& name) {
  return kSettingsFolder + std::string("Mellox_Settings_Alpha_") + name + ".xml";
}

// The characters a script names, in order.
std::vector<std::string> Characters(const std::string& script) {
  std::vector<std::string> names;
  for (const std::string& line : Lines(script))
    if (line.rfind("character ", 0) == 0 && std::find(names.begin(), names.end(), line.substr(10)) == names.end())
      names.push_back(line.substr(10));
  return names;
}

// The files a scenario starts with. Where a login between (or the scenario's
// own) cannot load its settings, the defaults file is torn, so every other
// character has a settings file of its own.
Seeds ScenarioSeeds(const std::string& name, const std::string& scenario, const std::string& other, End end) {
  Seeds seeds;
  if (name == "TrimmedSettings") {
    std::string settings = ShippedSettings();
    const auto util = settings.find("<Util ");
    settings.erase(util, settings.find("/>", util) + 2 - util);
    const std::string log = "<Chat_Log enabled=\"False\" max=\"100\" auto=\"False\"";
    settings.replace(settings.find(log), log.size(), "<Chat_Log enabled=\"True\" max=\"-1\" auto=\"True\"");
    std::string data = "<Mellox>\t<Global enabled=\"False\"/>";
    for (int i = 1; i <= 20; ++i)
      data += "\t<Log message=\"Kim tells you, line " + std::to_string(i) +
              "\" type=\"3\" color=\"3\" tag=\"2\" date=\"1796756403\"/>";
    data += "</Mellox>";
    seeds = {{SettingsOf("Ann"), settings}, {"ProgramData/Mellox/Data/Mellox_Data_Alpha_Ann.xml", data}};
  }
  if (name == "FirstRelease") {
    std::string settings = ShippedSettings();
    const std::string main = "alpha=\"50%\" timeout=\"0\" x=\"5\" y=\"200\"";
    settings.replace(settings.find(main), main.size(), "alpha=\"50%\" timeout=\"0\" x=\"140\" y=\"300\"");
    seeds[SettingsOf("Ann")] = settings;
  }
  if (name == "WatchedItems") {
    std::string settings = ShippedSettings();
    const auto items = settings.find("/>", settings.find("<HUD_Items ")) + 2;
    settings.insert(items, "\t<HUD_Item name=\"Apple\" enabled=\"True\" count=\"2\" icon=\"-1\"/>"
                           "\t<HUD_Item name=\"Mana Stone\" enabled=\"True\" count=\"2\" icon=\"-1\"/>");
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{"name=\"Running Low on Item Warning\" enabled=\"False\"",
                                              "name=\"Running Low on Item Warning\" enabled=\"True\""}})
      settings.replace(settings.find(from), from.size(), to);
    seeds[SettingsOf("Ann")] = settings;
  }
  if (end == End::Inactive || name == "InactiveLogin") {
    seeds[kSettingsFolder + std::string("Mellox_Settings.xml")] = ShippedSettings().substr(0, ShippedSettings().size() / 2);
    seeds[kSettingsFolder + std::string("Mellox_Global_Settings.xml")] = ShippedSettings();
    std::vector<std::string> names = Characters(scenario);
    names.push_back(other);
    for (const std::string& character : names)
      if (character != kInactive && !seeds.contains(SettingsOf(character))) seeds[SettingsOf(character)] = ShippedSettings();
  }
  return seeds;
}

std::string ScenarioText(const std::string& name) {
  const auto own = OwnScenarios().find(name);
  return own != OwnScenarios().end() ? own->second : ReadFile(SessionDir() / (name + ".session"));
}

// The scenario as the second login of a relogin: its lines before its
// login only pick its character (on the prelude's server) and its login
// takes no fields; "" for any other.
std::string AsRelogin(const std::string& scenario) {
  std::string out, character;
  std::vector<std::string> lines = Lines(scenario);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line == "login") {
      if (character.empty()) return "";
      out += "relogin " + character + "\n";
      for (++i; i < lines.size(); ++i) out += lines[i] + "\n";
      return out;
    }
    if (line.rfind("character ", 0) == 0) {
      character = line.substr(10);
    } else if (line != "server Alpha" && !line.empty() && line[0] != '#' && line.rfind("say ", 0) != 0) {
      return "";
    }
  }
  return "";
}

struct Case {
  std::string scenario;
  End end;
};
void PrintTo(const Case& c, std::ostream* out) { *out << c.scenario << " after end " << static_cast<int>(c.end); }

class LoginComparisonTest : public ::testing::TestWithParam<Case> {};

// What a logoff at the end of the prelude (as the relogin end plays it)
// shows, but for the game's idle time (set back at the next login's start).
std::vector<std::string> LogoffsLines(const std::string& name) {
  const std::string mark = "the prelude's login ends";
  const SimRun run = RunSim(Prelude(name, 8000000, End::Relogin) + "say " + mark + "\nlogoff\n", name);
  std::vector<std::string> lines;
  const auto from = std::find(run.everyLine.begin(), run.everyLine.end(), "== " + mark);
  for (auto it = from == run.everyLine.end() ? from : from + 1; it != run.everyLine.end(); ++it)
    if (!IsRunsLine(*it) && !IsOthersLine(*it, name) && *it != kGamesIdle) lines.push_back(*it);
  return lines;
}

// The character's own object id is the game's: each character new to a run
// gets the next one, so after the prelude's characters the scenario's holds
// a later one than a fresh run gives it. The run after the prelude reads the
// scenario and its output with the two swapped.
constexpr long long kFirstId = 1342177281;

std::string Swapped(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}
std::string Hex(long long id) {
  std::ostringstream out;
  out << "0x" << std::hex << std::uppercase << id;
  return out.str();
}

TEST_P(LoginComparisonTest, PlaysAfterAnotherCharacterAsInAFreshRun) {
  const auto& [name, end] = GetParam();
  const std::string scenario = ScenarioText(name);
  ASSERT_FALSE(scenario.empty()) << name;
  const std::string other = OtherCharacter(scenario);
  const Seeds seeds = ScenarioSeeds(name, scenario, other, end);
  const std::string prelude = Prelude(other, 8000000, end);
  if (end == End::Close) {
    // A new run: the game gives the scenario's character the first id again.
    const SimRun fresh = RunSim(kMark + scenario, other, seeds);
    const SimRun after = RunSim(kMark + scenario, other, seeds, prelude);
    ExpectSame(fresh, after, {other});
    return;
  }
  SimRun fresh = RunSim(WaitAsLongAs(prelude) + kMark + scenario, other, seeds);
  const long long mine = kFirstId + (end == End::Inactive ? 2 : 1);
  std::string second = end == End::Relogin ? AsRelogin(scenario) : scenario;
  ASSERT_FALSE(second.empty()) << name;
  second = Swapped(Swapped(second, std::to_string(kFirstId), std::to_string(mine)), "0x50000001", Hex(mine));
  SimRun after = RunSim(prelude + kMark + second, other, seeds);
  for (std::string& line : after.output) line = Swapped(line, std::to_string(mine), std::to_string(kFirstId));
  // The relogin line ends the prelude's login first: that end shows what a
  // logoff there shows, and is the prelude's. The HUD surface lines of that
  // end and of the login's start mix (a logoff frees the surfaces, a
  // relogin's login hides them): up to the login's first other line they
  // are left to the pictures, which compare what the player sees.
  if (end == End::Relogin) {
    const auto surface = [](const std::string& line) { return line.rfind("hud: ", 0) == 0; };
    auto at = after.output.begin();
    for (const std::string& line : LogoffsLines(other)) {
      if (surface(line)) continue;
      while (at != after.output.end() && surface(*at)) ++at;
      if (at != after.output.end() && *at == line) {
        ++at;
        continue;
      }
      ADD_FAILURE() << "the relogin ends the prelude's login otherwise than a logoff: output line "
                    << at - after.output.begin() + 1 << "\n  logoff: " << line
                    << "\n  relogin: " << (at != after.output.end() ? *at : "(ends)");
      break;
    }
    while (at != after.output.end() && surface(*at)) ++at;
    after.output.erase(after.output.begin(), at);
    fresh.output.erase(fresh.output.begin(), std::find_if_not(fresh.output.begin(), fresh.output.end(), surface));
  }
  // The login between is its character's, and so is what it did with the
  // torn defaults file.
  if (end == End::Inactive) {
    ExpectSame(fresh, after, {other, kInactive, "Settings/Mellox_Settings.xml"});
    return;
  }
  ExpectSame(fresh, after, {other});
}

// Every scenario after a logoff and after the game's close; after the other
// ends, those each can follow: the relogin takes the scenarios whose login
// is a plain one (all but a level set before it), the inactive login between
// (but before itself) this test's own and a few sessions.
std::vector<Case> Cases() {
  std::vector<Case> cases;
  const std::set<std::string> someSessions = {"beer_queue", "corpse_place", "vitae_message"};
  for (const std::string& name : ScenarioNames()) {
    const std::string scenario = ScenarioText(name);
    const bool own = OwnScenarios().contains(name);
    cases.push_back({name, End::Logoff});
    if (!AsRelogin(scenario).empty()) cases.push_back({name, End::Relogin});
    if ((own || someSessions.contains(name)) && name != "InactiveLogin")
      cases.push_back({name, End::Inactive});
    cases.push_back({name, End::Close});
  }
  return cases;
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  static const char* ends[] = {"AfterLogoff", "AfterRelogin", "AfterInactiveLogin", "AfterClose"};
  return info.param.scenario + "_" + ends[static_cast<int>(info.param.end)];
}

INSTANTIATE_TEST_SUITE_P(Scenarios, LoginComparisonTest, ::testing::ValuesIn(Cases()), CaseName);

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
                             Prelude("Ann", 8100000, End::Logoff, false);
  const std::string shipped = ReadFile(fs::path(MELLOX_DATA_DIR) / "Mellox_Settings.xml");
  const std::string folder = "ProgramData/Mellox/Settings/";
  const Seeds seeds = {{folder + "Mellox_Settings.xml", shipped.substr(0, shipped.size() / 2)},
                       {folder + "Mellox_Settings_Alpha_Zed.xml", shipped},
                       {folder + "Mellox_Global_Settings.xml", shipped},
                       {folder + "Mellox_Settings_Alpha_Ann.xml", shipped}};
  const SimRun alone = RunSim(Prelude("Zed", 8000000) + WaitAsLongAs(others) + kMark + again, "Zed", seeds);
  const SimRun between = RunSim(Prelude("Zed", 8000000) + others + kMark + again, "Zed", seeds);
  ExpectSame(alone, between, {"Ann"}, "Zed");
  // The session says what carries over: the drink queued in combat is drunk.
  EXPECT_NE(std::find(alone.output.begin(), alone.output.end(), "item: apply 8000001 1342177281"),
            alone.output.end());
}

// The clock's timers are the player's, not a character's: a count-down
// started before the first login (the buttons work with nobody logged in,
// a count-up started and stopped there stays stopped) and a count-up
// started in the prelude run on and show after every end of its login, as
// in a run where nobody played in between; nothing saves them, so a new
// run after the game's close has none. There, after the login, each press
// shows at once what the HUD shows when it is next made again.
TEST(LoginComparison, TheClocksTimersRunOnOverEveryEnd) {
  const std::string before = "edit HUD_Clock_Timer 0:30:00\npress HUD_Timer_Down\n"
                             "press HUD_Timer_Up\nadvance 3s\npress HUD_Timer_Up\nadvance 2s\n";
  const std::string up = "press HUD_Timer_Up\n";
  const auto scenario = [](const std::string& down, const std::string& up) {
    return "server Alpha\ncharacter Ann\nlogin\ncheck HUD_On on\nadvance 2s\nsnapshot clock\n"
           "expect-cell HUD_Clock 3 0 " + down + "\nexpect-cell HUD_Clock 3 1 " + up + "\n";
  };
  // The two timers' value cells, as the probes read them.
  const auto timers = [](const SimRun& run) {
    std::vector<std::string> cells;
    for (const std::string& line : run.lists)
      if (line.rfind("HUD_Clock cell 3 0 ", 0) == 0 || line.rfind("HUD_Clock cell 3 1 ", 0) == 0) cells.push_back(line);
    return cells;
  };
  const auto same = [&](const SimRun& fresh, const SimRun& after, const char* end) {
    EXPECT_TRUE(fresh.ok) << end << ": " << fresh.errors;
    EXPECT_TRUE(after.ok) << end << ": " << after.errors;
    EXPECT_EQ(EachDifference("lists", timers(fresh), timers(after)), "") << end;
    ExpectSamePictures(fresh, after, std::string(end) + ": ");
    for (const SimRun* run : {&fresh, &after})
      for (const std::string& line : run->everyLine) {
        EXPECT_EQ(line.find("of class 'HUDClockHandler'"), std::string::npos) << end << ": " << line;
        EXPECT_EQ(line.find("occured in 'HudClock"), std::string::npos) << end << ": " << line;
      }
  };
  const std::string play = PreludePlay("Zed", 8000000);
  const std::string ends = scenario("29:43", "03");
  for (const End end : {End::Logoff, End::Relogin, End::Inactive}) {
    const std::string prelude = Prelude("Zed", 8000000, end, true, up);
    const std::string rest = prelude.substr(play.size() + up.size());
    const SimRun fresh =
        RunSim(before + WaitAsLongAs(play) + up + WaitAsLongAs(rest) + kMark + ends, "Zed", ScenarioSeeds("", ends, "Zed", end));
    const SimRun after = RunSim(before + prelude + kMark + (end == End::Relogin ? AsRelogin(ends) : ends), "Zed",
                                ScenarioSeeds("", ends, "Zed", end));
    same(fresh, after, static_cast<const char*>(end == End::Logoff ? "logoff" : end == End::Relogin ? "relogin" : "inactive"));
  }
  // The count-up started and stopped and the count-down started, each
  // pictured as the press left it and once an option made the HUD again.
  const std::vector<std::string> shots = {"up-started", "up-stopped", "down-started"};
  std::string anew = scenario("", "");
  for (const std::string& shot : shots)
    anew += std::string(shot == "down-started" ? "edit HUD_Clock_Timer 0:10:00\npress HUD_Timer_Down\n" : up) +
            "snapshot " + shot + "\ncheck HUD_Clock_Label on\ncheck HUD_Clock_Label off\nsnapshot " + shot + "-made\n";
  const SimRun fresh = RunSim(kMark + anew, "Zed");
  same(fresh, RunSim(kMark + anew, "Zed", {}, before + Prelude("Zed", 8000000, End::Close, true, up)), "close");
  for (const std::string& shot : shots) {
    const auto pressed = fresh.pictures.find(shot + ".png"), made = fresh.pictures.find(shot + "-made.png");
    ASSERT_TRUE(pressed != fresh.pictures.end() && made != fresh.pictures.end()) << shot;
    EXPECT_EQ(PictureDifference(made->second, pressed->second), "") << "the HUD right after the press: " << shot;
  }
}

// However the login ends, the character's files get what its logoff gives
// them (the corpse still pending, the cast still being combined, the kept
// log lines), and the player is told the same of the log file it cannot write.
TEST(LoginComparison, EveryEndStoresWhatALogoffStores) {
  const std::string next = "server Alpha\ncharacter Ann\nlogin\nadvance 1s\nlogoff\n";
  const auto zeds = [](const SimRun& run) {
    std::map<std::string, std::string> files;
    for (const auto& [path, bytes] : run.files)
      if (path.find("Zed") != std::string::npos) files[path] = bytes;
    std::vector<std::string> told;
    for (const std::string& line : run.everyLine)
      if (line.find("Alpha_Zed") != std::string::npos) told.push_back(line);
    return std::pair{files, told};
  };
  const auto same = [&](const SimRun& logoff, const SimRun& other, const char* end) {
    EXPECT_TRUE(logoff.ok) << logoff.errors;
    EXPECT_TRUE(other.ok) << other.errors;
    const auto [files, told] = zeds(logoff);
    const auto [otherFiles, otherTold] = zeds(other);
    EXPECT_FALSE(files.empty());
    for (const auto& [path, bytes] : files) {
      EXPECT_TRUE(otherFiles.contains(path)) << end << ": no " << path;
      if (otherFiles.contains(path)) {
        EXPECT_EQ(FirstDifference(path, Lines(bytes), Lines(otherFiles.at(path))), "") << end;
      }
    }
    EXPECT_EQ(FirstDifference("told", told, otherTold), "") << end;
  };
  // A relogin (the button dragging the HUD at its end).
  const std::string dragging = Prelude("Zed", 8000000, End::Relogin);
  same(RunSim(dragging + "logoff\n" + next, "Zed"),
       RunSim(dragging + "relogin Ann\nadvance 1s\nlogoff\n", "Zed"), "relogin");
  // The game's close (the button pressed on the HUD at its end).
  const std::string pressing = Prelude("Zed", 8000000, End::Close);
  same(RunSim(pressing + "logoff\n", "Zed"), RunSim("", "Zed", {}, pressing), "close");
}

}  // namespace
}  // namespace mellox::test
