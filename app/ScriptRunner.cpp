#include "ScriptRunner.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <utility>
#include <fstream>
#include <istream>
#include <ostream>
#include <set>
#include <sstream>

#include "FileText.h"
#include "ScriptArgs.h"
#include "core/APluginCore.h"
#include "core/TextEncoding.h"
#include "sim/SimCharacter.h"
#include "sim/SimCheckBox.h"
#include "sim/SimChoice.h"
#include "sim/SimClock.h"
#include "sim/SimEchoFilter.h"
#include "sim/SimEdit.h"
#include "sim/SimHooks.h"
#include "sim/SimHotkeySystem.h"
#include "sim/SimIdentifier.h"
#include "sim/SimList.h"
#include "sim/SimNetworkMessage.h"
#include "sim/SimPushButton.h"
#include "sim/SimSlider.h"
#include "sim/SimStaticText.h"
#include "sim/SimProgress.h"
#include "sim/SimRenderService.h"
#include "sim/SimSystem.h"
#include "sim/SimWindow.h"
#include "sim/SimView.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"

namespace mellox::app {

long long ParseDuration(const std::string& text) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  const std::string number = text.substr(0, digits);
  const std::string unit = text.substr(digits);
  // Durations are decimal; the message says so, or "0x10s" would be told it has a bad unit.
  const ScriptError malformed{"malformed duration (decimal digits, then ms, s or m): '" + text + "'"};
  if (number.empty()) throw malformed;
  const long long n = ParseInteger(number, "duration");
  long long scale = 0;
  if (unit == "ms") scale = 1;
  if (unit == "s") scale = 1000;
  if (unit == "m") scale = 60000;
  if (scale == 0) throw malformed;
  if (n > LLONG_MAX / scale) throw ScriptError{"duration too large for the clock: '" + text + "'"};
  return n * scale;
}

ScriptRunner::ScriptRunner(sim::SimHost& host, std::ostream& err) : host_(host), err_(err) {
  AddVerbs();
  AddWorldVerbs();
  AddClockVerbs();
  AddListVerbs();
}

void ScriptRunner::Fail(const std::string& message) { throw ScriptError{message}; }

void ScriptRunner::AddVerbs() {
  verbs_["advance"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string amount = NextWord(rest);
    if (amount.empty() || !rest.empty()) Fail("advance takes one duration, such as 1500ms, 2s or 3m");
    const long long ms = ParseDuration(amount);
    if (ms > LLONG_MAX - host_.ElapsedMs()) Fail("duration too large for the clock: '" + amount + "'");
    // The game's dates end with the year 9999; past it the plug-in reads a date no calendar holds.
    if (ms > host_.Clock().MsToEnd())
      Fail("the clock cannot pass 9999-12-31 23:59:59: '" + amount + "' would");
    // A clock that did not run as the script says must not pass unnoticed.
    if (!host_.Advance(ms)) Fail("the clock stopped firing timers after ten million firings");
  };
  verbs_["expect"] = [this](const std::string& args) {
    if (args.empty()) Fail("expect needs a text");
    const auto& out = host_.Output();
    // Consumes up to and including the matched line, so later lines of the same
    // event stay for the next expectation, in order.
    for (std::size_t i = expectMark_; i < out.size(); ++i) {
      if (host_.OutputText(i).find(args) == std::string::npos) continue;
      expectMark_ = i + 1;
      return;
    }
    Fail("expected output containing '" + args + "'");
  };
  verbs_["expect-not"] = [this](const std::string& args) {
    if (args.empty()) Fail("expect-not needs a text");
    const auto& out = host_.Output();
    for (std::size_t i = expectMark_; i < out.size(); ++i) {
      const std::string text = host_.OutputText(i);
      if (text.find(args) != std::string::npos) Fail("unexpected output: '" + text + "'");
    }
  };
  verbs_["expect-file"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string path = NextPath(rest);
    if (path.empty() || rest.empty()) Fail("expect-file takes a path under the home folder and a text");
    // Only the plug-in's own files are checked: nothing outside the home folder.
    const std::filesystem::path relative(path);
    const bool leaves =
        std::any_of(relative.begin(), relative.end(), [](const auto& part) { return part == ".."; });
    if (relative.has_root_path() || leaves)
      Fail("expect-file takes a path under the home folder, not '" + path + "'");
    std::ifstream in(host_.Home() / path, std::ios::binary);
    if (!in) Fail("file not found: " + path);
    std::stringstream content;
    content << in.rdbuf();
    // Compared as the file's reader sees it: a chat log in the game's code page holds "café" too.
    if (ReadableText(content.str()).find(rest) == std::string::npos)
      Fail("file " + path + " does not contain '" + rest + "'");
  };
  verbs_["say"] = [this](const std::string& args) {
    if (args.empty()) Fail("say needs a text");
    host_.EmitText("== " + args);
  };
  verbs_["plugin-text"] = [this](const std::string& args) {
    std::string rest = args;
    const auto color = ParseSignedInt32(NextWord(rest), "colour");
    const auto window = ParseSignedInt32(NextWord(rest), "window");
    auto* plugin = dynamic_cast<APluginCore*>(host_.Plugin());
    if (!plugin) Fail("no plug-in loaded");
    plugin->AddChatText(rest, color, window);
  };

  // --- The character and the game --------------------------------------------------------------
  verbs_["server"] = [this](const std::string& args) {
    BeforeLogin("server");
    if (args.empty()) Fail("server needs a name");
    host_.SelectCharacter(args, host_.Character().Name());
  };
  verbs_["character"] = [this](const std::string& args) {
    BeforeLogin("character");
    if (args.empty()) Fail("character needs a name");
    host_.SelectCharacter(host_.Character().Server(), args);
  };
  verbs_["level"] = [this](const std::string& args) {
    // Logged in, this is a level change in play: the game reports the new
    // level from now on and raises nothing (its chat line is the script's).
    std::string rest = args;
    const auto level = ParseSignedInt32(NextWord(rest), "level");
    NoMore(rest, "level N");
    if (level < 1 || level > kLastLevel)
      Fail("the game's levels run from 1 to " + std::to_string(kLastLevel) + ": " + std::to_string(level));
    const auto now = host_.Character().Level();
    if (loggedIn_ && level < now)
      Fail("a character in play never loses a level: it is level " + std::to_string(now));
    host_.Character().SetLevel(level);
  };
  verbs_["login"] = [this](const std::string& args) {
    // A second login with no logoff brings the same character in again, as relogin does.
    if (loggedIn_) {
      Relogin(host_.Character().Name(), args);
      return;
    }
    LogIn(args);
  };
  verbs_["relogin"] = [this](const std::string& args) {
    if (!loggedIn_) Fail("relogin needs a character logged in; use login");
    Relogin(args.empty() ? host_.Character().Name() : args, "");
  };
  verbs_["logoff"] = [this](const std::string& args) {
    NoMore(args, "logoff");
    InPlay("logoff");
    loggedIn_ = false;
    host_.Character().RaiseLogoff();
    CloseVendor();
    // The character leaves the world with everything it carries.
    host_.World().PutAway(host_.Character().Character());
  };
  verbs_["chat"] = [this](const std::string& args) {
    std::string rest = args;
    const auto color = ParseSignedInt32(NextWord(rest), "colour");
    const auto window = ParseSignedInt32(NextWord(rest), "window");
    host_.IncomingChat(rest, color, window);
  };
  verbs_["type"] = [this](const std::string& args) { host_.TypeText(args); };
  verbs_["status"] = [this](const std::string& args) { host_.StatusText(args); };
  verbs_["link"] = [this](const std::string& args) {
    std::string rest = args;
    const auto id = ParseInt32(NextWord(rest), "link id");
    host_.ClickChatLink(id, rest);
  };
  verbs_["xp"] = [this](const std::string& args) {
    std::string rest = args;
    const auto total = ParseUnsigned64(NextWord(rest), "total XP");
    const auto unassigned = ParseUnsigned64(NextWord(rest), "unassigned XP");
    NoMore(rest, "xp TOTAL UNASSIGNED");
    // Unassigned XP is the part of the total not yet spent.
    if (unassigned > total) Fail("unassigned XP cannot be above the total XP");
    const auto before = host_.Character().TotalXP();
    if (loggedIn_ && total < before)
      Fail("a character in play never loses XP: its total is " + std::to_string(before));
    // The XP is the character's: its next login describes it. Only a
    // character in play hears of a change.
    host_.Character().SetXP(total, unassigned);
    if (!loggedIn_) return;
    // The server sends the two halves of an XP change as two messages.
    for (const auto& [key, value] : {std::pair{1, total}, std::pair{2, unassigned}}) {
      auto message = std::make_shared<sim::SimNetworkMessage>(0x02CF);
      message->Set("key", static_cast<std::int64_t>(key));
      message->Set("value", static_cast<std::int64_t>(value));  // the field's eight bytes
      host_.Echo().Server(message);
    }
  };
  verbs_["net"] = [this](const std::string& args) {
    std::string rest = args;
    const auto type = ParseInt32(NextWord(rest), "message type");
    auto message = std::make_shared<sim::SimNetworkMessage>(type);
    SetFields(*message, rest);
    // 0xF7B1 (game actions) only ever travels from the client to the server.
    if (type == 0xF7B1) {
      host_.Echo().Client(message);
    } else {
      host_.Echo().Server(message);
    }
  };
  verbs_["enchant"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string what = NextWord(rest);
    if (what == "add") {
      const auto id = ParseInt32(NextWord(rest), "spell id");
      const auto family = ParseSignedInt32(NextWord(rest), "family");
      const auto seconds = ParseSignedInt32(NextWord(rest), "seconds");
      NoMore(rest, "enchant add ID FAMILY SECONDS");
      host_.Character().AddEnchantment(id, family, seconds);
    } else if (what == "remove") {
      const auto id = ParseInt32(NextWord(rest), "spell id");
      NoMore(rest, "enchant remove ID");
      host_.Character().RemoveEnchantment(id);
    } else {
      Fail("enchant add ID FAMILY SECONDS, or enchant remove ID");
    }
  };
  verbs_["death"] = [this](const std::string& args) {
    InPlay("death");
    host_.Character().RaiseDeath(args);
  };
  verbs_["portal"] = [this](const std::string& args) {
    // Mode 1 is leaving portal space.
    if (args != "ENTER" && args != "EXIT") Fail("portal ENTER or portal EXIT");
    InPlay("portal");
    host_.Character().RaisePortal(args == "EXIT" ? 1 : 0);
  };
  verbs_["region"] = [this](const std::string& args) {
    std::string rest = args;
    platform::Rect r;
    r.left = ParseWindowCoordinate(NextWord(rest), "left");
    r.top = ParseWindowCoordinate(NextWord(rest), "top");
    r.right = ParseWindowCoordinate(NextWord(rest), "right");
    r.bottom = ParseWindowCoordinate(NextWord(rest), "bottom");
    NoMore(rest, "region L T R B");
    if (r.right < r.left || r.bottom < r.top)
      Fail("a region's right edge is not left of its left, nor its bottom above its top");
    host_.Hooks().Set3DRegion(r);
    host_.Hooks().AC3DRegionChanged.Emit(r.left, r.top, r.right, r.bottom);
  };

  // --- The character's state and the game's answers ------------------------------------------
  verbs_["vital"] = [this](const std::string& args) {
    std::string rest = args;
    const char* usage = "vital health|stamina|mana CURRENT [MAXIMUM]";
    const std::string which = NextWord(rest);
    std::int32_t vital = 0;
    if (which == "health") vital = 2;
    if (which == "stamina") vital = 4;
    if (which == "mana") vital = 6;
    if (vital == 0) Fail(usage);
    const auto current = ParseSignedInt32(NextWord(rest), "vital value");
    const bool hasMaximum = !rest.empty();
    const auto maximum = hasMaximum ? ParseSignedInt32(NextWord(rest), "vital maximum") : 0;
    NoMore(rest, usage);
    auto& me = host_.Character();
    if (hasMaximum) me.SetMaximum(vital, maximum);
    me.RaiseVital(vital, current);
  };
  verbs_["vitae"] = [this](const std::string& args) {
    std::string rest = args;
    // The game reports the vitae as a whole number, a Long.
    const auto percent = ParseSignedInt32(NextWord(rest), "vitae");
    NoMore(rest, "vitae PERCENT");
    host_.Character().SetVitae(percent);
  };
  verbs_["skill"] = [this](const std::string& args) {
    std::string rest = args;
    const auto index = ParseSignedInt32(NextWord(rest), "skill index");
    const auto value = ParseSignedInt32(NextWord(rest), "skill value");
    NoMore(rest, "skill INDEX VALUE");
    host_.Character().SetSkill(index, value);
  };
  verbs_["charprop"] = [this](const std::string& args) {
    std::string rest = args;
    const auto key = ParseInt32(NextWord(rest), "property key");
    const auto value = ParseInt32(NextWord(rest), "property value");
    NoMore(rest, "charprop KEY VALUE");
    host_.Character().SetLongProperty(key, value);
  };
  verbs_["followers"] = [this](const std::string& args) {
    std::string rest = args;
    const auto direct = ParseSignedInt32(NextWord(rest), "direct followers");
    const auto total = ParseSignedInt32(NextWord(rest), "total followers");
    NoMore(rest, "followers DIRECT TOTAL");
    host_.Character().SetFollowers(direct);
    host_.Character().SetAllegianceFollowers(total);
  };
  verbs_["hotkey"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string name = NextWord(rest);
    NoMore(rest, "hotkey NAME");
    if (name.empty()) Fail("hotkey needs the name of a registered hotkey");
    if (!host_.Hotkeys().HotkeyExists(name))
      Fail("no hotkey '" + name + "' is registered with the hotkey system (the plug-in registers them at login)");
    host_.Hotkeys().Trigger(name);
  };
  verbs_["combat"] = [this](const std::string& args) {
    std::string rest = args;
    const auto mode = ParseSignedInt32(NextWord(rest), "combat mode");
    NoMore(rest, "combat MODE");
    host_.Hooks().SetCombatMode(mode);
  };
  verbs_["busy"] = [this](const std::string& args) {
    std::string rest = args;
    const auto state = ParseSignedInt32(NextWord(rest), "busy state");
    NoMore(rest, "busy STATE");
    host_.Hooks().SetBusyState(state);
  };
  verbs_["identify"] = [this](const std::string& args) {
    std::string rest = args;
    const char* usage = "identify ID [HEALTH MAXIMUM]";
    const auto id = ParseInt32(NextWord(rest), "object id");
    auto& object = WorldObject(id);
    const bool hasHealth = !rest.empty();
    const auto health = hasHealth ? ParseSignedInt32(NextWord(rest), "health") : 0;
    const auto maximum = hasHealth ? ParseSignedInt32(NextWord(rest), "health maximum") : 0;
    NoMore(rest, usage);
    if (hasHealth) object.SetHealth(health, maximum);
    host_.Identifier().Answer(id);
  };
  verbs_["release"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string word = NextWord(rest);
    const auto id = ParseInt32(word, "object id");
    NoMore(rest, "release ID");
    WorldObject(id);
    NotInPlay(id, word);
    host_.World().RemoveObject(id);
  };
  verbs_["move"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string word = NextWord(rest);
    const auto id = ParseInt32(word, "object id");
    const std::string to = NextWord(rest);
    const auto container = ParseInt32(to, "container id");
    NoMore(rest, "move ID CONTAINER");
    WorldObject(id);
    MoveHeld(id, container, word, to);
  };
  verbs_["open"] = [this](const std::string& args) {
    std::string rest = args;
    const auto id = ParseInt32(NextWord(rest), "container id");
    NoMore(rest, "open ID");
    WorldObject(id);
    host_.Hooks().ContainerOpened.Emit(id);
  };
  verbs_["change"] = [this](const std::string& args) {
    std::string rest = args;
    const auto id = ParseInt32(NextWord(rest), "object id");
    NoMore(rest, "change ID");
    WorldObject(id);
    host_.World().RaiseChangeObject(id, sim::SimWorld::kChangeSize);
  };

  // --- The user's hand on the settings view -------------------------------------------------
  verbs_["check"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string name = NextWord(rest);
    const bool on = ParseOnOff(NextWord(rest));
    NoMore(rest, "check NAME on|off");
    ViewControl<sim::SimCheckBox>(name).UserCheck(on);
  };
  verbs_["edit"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string name = NextWord(rest);
    ViewControl<sim::SimEdit>(name).UserEdit(rest);
  };
  verbs_["choose"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string name = NextWord(rest);
    const auto index = ParseSignedInt32(NextWord(rest), "index");
    NoMore(rest, "choose NAME INDEX");
    auto& choice = ViewControl<sim::SimChoice>(name);
    if (index < 0 || index >= choice.ChoiceCount()) Fail("choice index out of range: " + std::to_string(index));
    choice.UserChoose(index);
  };
  verbs_["press"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string name = NextWord(rest);
    NoMore(rest, "press NAME");
    ViewControl<sim::SimPushButton>(name).UserPress();
  };
  verbs_["click"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string name = NextWord(rest);
    const auto column = ParseSignedInt32(NextWord(rest), "column");
    const auto row = ParseSignedInt32(NextWord(rest), "row");
    NoMore(rest, "click NAME COL ROW");
    auto& list = ViewControl<sim::SimList>(name);
    if (column < 0 || static_cast<std::size_t>(column) >= list.Columns().size())
      Fail("list column out of range: " + std::to_string(column));
    if (row < 0 || row >= list.Count()) Fail("list row out of range: " + std::to_string(row));
    list.UserClick(column, row);
  };
  verbs_["slide"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string name = NextWord(rest);
    const auto position = ParseSignedInt32(NextWord(rest), "position");
    NoMore(rest, "slide NAME POS");
    ViewControl<sim::SimSlider>(name).UserSlide(position);
  };
  verbs_["expect-control"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string name = NextWord(rest);
    if (!host_.View()) Fail("no settings view");
    auto* control = host_.View()->Control(TextEncoding::FromUtf8(name));
    if (!control) Fail("the view has no control " + name);
    std::string actual;
    if (auto* c = dynamic_cast<platform::CheckBoxControl*>(control)) {
      actual = c->CheckedGet() ? "on" : "off";
    } else if (auto* e = dynamic_cast<platform::EditControl*>(control)) {
      actual = e->TextGet();
    } else if (auto* t = dynamic_cast<platform::StaticTextControl*>(control)) {
      actual = t->TextGet();
    } else if (auto* b = dynamic_cast<platform::PushButtonControl*>(control)) {
      actual = b->TextGet();
    } else if (auto* ch = dynamic_cast<platform::ChoiceControl*>(control)) {
      const auto selected = ch->SelectedGet();
      actual = selected >= 0 ? ch->TextGet(selected) : std::string();
    } else if (auto* p = dynamic_cast<platform::ProgressControl*>(control)) {
      actual = std::to_string(p->ValueGet());
    } else if (auto* s = dynamic_cast<platform::SliderControl*>(control)) {
      actual = std::to_string(s->SliderPositionGet());
    } else {
      Fail("control " + name + " has no text to compare");
    }
    actual = TextEncoding::ToUtf8(actual);
    if (actual != rest) Fail("control " + name + " holds '" + actual + "', expected '" + rest + "'");
  };

  // --- Building the world --------------------------------------------------------------------
  verbs_["object"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string word = NextWord(rest);
    const auto id = ParseInt32(word, "object id");
    const auto objectClass = ParseSignedInt32(NextWord(rest), "object class");
    if (rest.empty()) Fail("object ID CLASS NAME");
    // A second create of a held id would replace the object behind the plug-in's back.
    if (host_.World().Find(id)) Fail("the world holds object " + word + " already");
    if (host_.World().FindKept(id)) Fail("object " + word + " is out of the world with its character");
    CreateObject(id, rest, objectClass);
  };
  verbs_["prop"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string word = NextWord(rest);
    const auto id = ParseInt32(word, "object id");
    const std::string kind = NextWord(rest);
    const auto key = ParseInt32(NextWord(rest), "property key");
    // The value is read before the object is looked up, so a bad line describes no object.
    std::function<void(sim::SimWorldObject&)> set;
    if (kind == "long") {
      const auto value = ParseInt32(rest, "long value");
      // The game never holds a count below 0; the sim's stack arithmetic relies on it.
      if ((key == sim::SimWorld::kStackKey || key == sim::SimWorld::kMaxStackKey) && value < 0)
        Fail("a stack count or maximum cannot be negative: '" + rest + "'");
      if (key == sim::SimWorldObject::kContainerKey) {
        // The container is where the object is: in the world, a move.
        if (host_.World().Find(id)) return MoveHeld(id, value, word, rest);
        NotInside(id, value, word);
        NotAnothers(id, word);
        Reaches(value, rest);
      }
      set = [key, value](sim::SimWorldObject& o) { o.SetLong(key, value); };
    } else if (kind == "double") {
      const double value = ParseFinite(rest, "double value");
      set = [key, value](sim::SimWorldObject& o) { o.SetDouble(key, value); };
    } else if (kind == "bool") {
      const bool value = ParseOnOffOrBool(rest);
      set = [key, value](sim::SimWorldObject& o) { o.SetBool(key, value); };
    } else if (kind == "string") {
      set = [key, rest](sim::SimWorldObject& o) { o.SetString(key, rest); };
    } else {
      Fail("prop ID long|double|bool|string KEY VALUE");
    }
    set(BuildingObject(id));
  };
  verbs_["inventory"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string word = NextWord(rest);
    const auto id = ParseInt32(word, "object id");
    NoMore(rest, "inventory ID");
    const auto me = host_.Character().Character();
    NotInside(id, me, word);
    NotAnothers(id, word);
    // An object the world holds moves into the pack as the game moves it; one
    // still being described is created there.
    if (host_.World().Find(id)) {
      host_.World().RaiseMoveObject(id, me);
    } else {
      BuildingObject(id).SetContainer(me);
    }
  };
  verbs_["coords"] = [this](const std::string& args) {
    std::string rest = args;
    const auto id = ParseInt32(NextWord(rest), "object id");
    const double north = ParseFinite(NextWord(rest), "north");
    const double east = ParseFinite(NextWord(rest), "east");
    NoMore(rest, "coords ID NS EW");
    BuildingObject(id).SetCoordinates(north, east);
  };
  verbs_["select"] = [this](const std::string& args) {
    std::string rest = args;
    const auto id = ParseInt32(NextWord(rest), "object id");
    NoMore(rest, "select ID");
    if (id != 0) WorldObject(id);  // 0 selects nothing
    host_.Hooks().PlayerSelect(id);
    host_.Hooks().ObjectSelected.Emit(id);
  };

  // --- The mouse over the game window, the render device, pictures of the HUDs --------------
  verbs_["mouse"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string what = NextWord(rest);
    const char* usage = "mouse move X Y, mouse down X Y [ctrl] [shift], or mouse up X Y";
    if (what != "move" && what != "down" && what != "up") Fail(usage);
    platform::Point at;
    at.x = ParseWindowCoordinate(NextWord(rest), "x");
    at.y = ParseWindowCoordinate(NextWord(rest), "y");
    bool ctrl = false;
    bool shift = false;
    while (what == "down" && !rest.empty()) {
      const std::string key = NextWord(rest);
      if (key == "ctrl") {
        ctrl = true;
      } else if (key == "shift") {
        shift = true;
      } else {
        Fail(usage);
      }
    }
    NoMore(rest, usage);
    // The pointer is placed in screen coordinates, as the plug-in reads it.
    platform::Point screen = at;
    host_.System().ClientToScreen(0, screen);
    host_.System().SetCursorPos(screen.x, screen.y);
    const bool inside = at.x >= 0 && at.y >= 0 && at.x < sim::SimWindow::kWidth && at.y < sim::SimWindow::kHeight;
    if (what == "move") {
      host_.WindowMessage(512, mouseButtonHeld_ ? 1 : 0, at.x, at.y);
    } else if (what == "down") {
      mouseButtonHeld_ = true;
      host_.System().SetKeyHeld(17, ctrl);
      host_.System().SetKeyHeld(16, shift);
      host_.WindowMessage(513, 1 | (shift ? 4 : 0) | (ctrl ? 8 : 0), at.x, at.y);
      host_.System().SetKeyHeld(17, false);
      host_.System().SetKeyHeld(16, false);
    } else {
      mouseButtonHeld_ = false;
      // A release outside the game window never reaches it.
      if (inside) host_.WindowMessage(514, 0, at.x, at.y);
    }
  };
  verbs_["device-lost"] = [this](const std::string& args) {
    NoMore(args, "device-lost");
    host_.Render().RaiseDeviceLost();
  };
  verbs_["snapshot"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string name = NextWord(rest);
    NoMore(rest, "snapshot NAME");
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\:") != std::string::npos)
      Fail("snapshot takes a plain file name, not '" + name + "'");
    // Without --hud-png there is nowhere to put pictures; the session goes on.
    if (hudPngDir_.empty()) return;
    std::error_code ec;
    std::filesystem::create_directories(hudPngDir_, ec);
    const auto path = hudPngDir_ / (name + ".png");
    if (!host_.WriteFramePng(path)) Fail("cannot write " + path.string());
  };
}

void ScriptRunner::SetFields(sim::SimNetworkMessage& message, std::string rest) {
  // No game message nests deeper; the sim's field tree is not made for more.
  constexpr std::ptrdiff_t kMaxFieldDepth = 64;
  std::string name, value;
  bool quoted = false;
  std::string_view fields = rest;
  while (NextField(fields, name, value, quoted)) {
    if (std::count(name.begin(), name.end(), '.') >= kMaxFieldDepth)
      Fail("field " + name.substr(0, 40) + "... nests deeper than " + std::to_string(kMaxFieldDepth) +
           " levels");
    message.Set(name, quoted ? platform::Variant(value) : sim::SimNetworkMessage::ParseValue(value));
  }
}

void ScriptRunner::LogIn(const std::string& fields) {
  auto& me = host_.Character();
  // The game describes the character's XP; it sends no chat filter options
  // unless the line gives them, so the plug-in takes its default chat routes.
  auto description = std::make_shared<sim::SimNetworkMessage>(sim::SimIdentifier::kGameEvent);
  description->Set("event", std::int64_t{kLoginEvent}).Set("properties.flags", std::int64_t{kDescribesXP});
  description->Set("properties.qwordCount", std::int64_t{2});
  // The XP goes as the eight bytes of the game's unsigned field.
  description->Set("properties.qwords.0.key", std::int64_t{1})
      .Set("properties.qwords.0.value", static_cast<std::int64_t>(me.TotalXP()));
  description->Set("properties.qwords.1.key", std::int64_t{2})
      .Set("properties.qwords.1.value", static_cast<std::int64_t>(me.UnassignedXP()));
  description->Set("options.flags", std::int64_t{0});
  SetFields(*description, fields);
  // Each login starts in peace, idle, with nothing selected and the chat bar closed.
  auto& hooks = host_.Hooks();
  hooks.SetCombatMode(1);
  hooks.SetBusyState(0);
  hooks.SetCurrentSelection(0);
  hooks.SetSelectedStackSizeValue(0);
  hooks.SetChatState(false);
  // The game world always holds the character's own object; it comes back
  // with what it carried when it last left.
  auto& world = host_.World();
  if (!world.Find(me.Character()) && !world.FindKept(me.Character())) CreateObject(me.Character(), me.Name(), 1);
  world.BringBack(me.Character());
  // The game describes the character before it reports the login complete.
  host_.Echo().Server(description);
  loggedIn_ = true;
  me.RaiseLoginComplete();
}

void ScriptRunner::Relogin(const std::string& name, const std::string& fields) {
  // The game should not send a login without a logoff, but nothing may be lost if it does.
  auto& me = host_.Character();
  // No vendor trades with a character gone from the world.
  CloseVendor();
  if (name == me.Name()) {
    host_.World().PutAway(me.Character());
  } else {
    host_.SelectCharacter(me.Server(), name);
  }
  loggedIn_ = false;
  LogIn(fields);
}

void ScriptRunner::CloseVendor() {
  host_.Hooks().SetVendorId(0);
  host_.World().SetVendorGoods({});
}

void ScriptRunner::BeforeLogin(const char* verb) {
  if (loggedIn_) Fail(std::string(verb) + " is set before login; log off first");
}

void ScriptRunner::InPlay(const char* verb) {
  if (!loggedIn_) Fail(std::string(verb) + " needs a character logged in; use login");
}

void ScriptRunner::NotInside(std::int32_t id, std::int32_t container, const std::string& word) {
  if (host_.World().Carries(container, id)) Fail("object " + word + " cannot go into itself or into what it holds");
}

void ScriptRunner::NotInPlay(std::int32_t id, const std::string& word) {
  if (loggedIn_ && id == host_.Character().IdGiven())
    Fail("object " + word + " is the character logged in: it leaves the world with its logoff");
}

void ScriptRunner::NotAnothers(std::int32_t id, const std::string& word) {
  const std::int32_t with = host_.World().KeptWith(id);
  if (with != 0 && with != host_.Character().IdGiven())
    Fail("object " + word + " is out of the world with another character, who is not logged in");
}

void ScriptRunner::Reaches(std::int32_t container, const std::string& word) {
  auto& me = host_.Character();
  if (container != 0 && container == me.IdGiven()) return;
  if (me.IsAnotherCharacter(container)) Fail("container " + word + " is a character who is not logged in");
  if (host_.World().FindKept(container)) Fail("container " + word + " is out of the world with its character");
}

void ScriptRunner::MoveHeld(std::int32_t id, std::int32_t container, const std::string& word,
                            const std::string& containerWord) {
  NotInPlay(id, word);
  NotInside(id, container, word);
  Reaches(container, containerWord);
  host_.World().RaiseMoveObject(id, container);
}

template <class T>
T& ScriptRunner::ViewControl(const std::string& name) {
  if (!host_.View()) Fail("no settings view");
  auto* control = dynamic_cast<T*>(host_.View()->Control(name));
  if (!control) Fail("the view has no control " + name + " of that kind");
  return *control;
}

sim::SimWorldObject& ScriptRunner::WorldObject(std::int32_t id) {
  auto* object = host_.World().Find(id);
  if (!object) Fail("no object " + std::to_string(id) + " (create it with: object ID CLASS NAME)");
  return *object;
}

void ScriptRunner::CreateObject(std::int32_t id, const std::string& name, std::int32_t objectClass) {
  // What earlier lines gave the id is in place when the create event is raised.
  const auto it = pending_.find(id);
  if (it == pending_.end()) {
    host_.World().AddObject(id, name, objectClass);
    return;
  }
  auto object = std::move(it->second.object);
  pending_.erase(it);
  object->SetName(name).SetObjectClass(objectClass);
  host_.World().Insert(std::move(object));
}

sim::SimWorldObject& ScriptRunner::BuildingObject(std::int32_t id) {
  if (auto* object = host_.World().Find(id)) return *object;
  if (auto* kept = host_.World().FindKept(id)) return *kept;
  auto& pending = pending_[id];
  if (!pending.object) pending = {std::make_shared<sim::SimWorldObject>(id, std::string()), lineNumber_};
  return *pending.object;
}

bool ScriptRunner::RunLine(const std::string& rawLine) {
  lastError_.clear();
  std::string line = Trimmed(rawLine);
  if (line.empty()) return true;
  const auto notUtf8 = [this](const std::string& text) {
    if (TextEncoding::IsValidUtf8(text)) return false;
    lastError_ = "the line is not UTF-8 text";
    return true;
  };
  // A comment too: a script saved in another encoding is found at its first such line.
  if (line.front() == '#') return !notUtf8(line);
  std::string rest = line;
  const std::string verb = NextWord(rest);
  const auto it = verbs_.find(verb);
  if (it == verbs_.end()) {
    lastError_ = "unknown command '" + Printable(verb) + "'";
    return false;
  }
  if (notUtf8(rest)) return false;
  // A script is UTF-8 and the game's text its code page. What a line looks for,
  // prints or names as a path stays as written: it is what the user reads.
  static const std::set<std::string> kAsWritten = {
      "expect",         "expect-not",  "expect-control", "expect-rows", "expect-cell",
      "expect-chatbar", "expect-file", "say",            "snapshot"};
  const bool gameText = kAsWritten.count(verb) == 0;
  try {
    it->second(gameText ? TextEncoding::FromUtf8(rest) : rest);
  } catch (const ScriptError& e) {
    lastError_ = gameText ? TextEncoding::ToUtf8(e.message) : e.message;
    return false;
  } catch (const std::exception& e) {
    lastError_ = std::string("error: ") + e.what();
    return false;
  }
  return true;
}

bool ScriptRunner::Run(std::istream& script, const std::string& scriptName, bool interactive) {
  bool ok = true;
  std::string line;
  int number = 0;
  while (std::getline(script, line)) {
    lineNumber_ = ++number;
    // An editor may begin a UTF-8 file with a byte-order mark.
    if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (RunLine(line)) continue;
    err_ << scriptName << ":" << number << ": " << Printable(lastError_, 400) << " (line: " << Printable(Trimmed(line))
         << ")\n";
    err_.flush();
    ok = false;
    if (!interactive) return false;
  }
  if (script.bad()) {
    err_ << scriptName << ": cannot read the script past line " << number << "\n";
    err_.flush();
    return false;
  }
  // An id no object line took is most likely mistyped; the first such line is the one to look at.
  const auto first = std::min_element(pending_.begin(), pending_.end(),
                                      [](const auto& a, const auto& b) { return a.second.line < b.second.line; });
  if (first != pending_.end()) {
    err_ << scriptName << ":" << first->second.line << ": no object line created object " << first->first
         << " that this line describes\n";
    ok = false;
  }
  pending_.clear();
  err_.flush();
  return ok;
}

}  // namespace mellox::app
