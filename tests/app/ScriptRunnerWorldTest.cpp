// The verbs that change the character and the world and fire hotkeys, each
// raising the event the game or the framework would.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ScriptArgs.h"
#include "ScriptRunnerFixture.h"
#include "sim/SimCharacter.h"
#include "sim/SimClock.h"
#include "sim/SimEchoFilter.h"
#include "sim/SimHooks.h"
#include "sim/SimHotkeyEntry.h"
#include "sim/SimHotkeySystem.h"
#include "sim/SimIdentifier.h"
#include "sim/SimSystem.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"

namespace mellox::app {
namespace {

std::vector<std::int32_t> Ids(const std::shared_ptr<platform::WorldCollection>& c) {
  std::vector<std::int32_t> ids;
  std::shared_ptr<platform::WorldObject> o;
  while (c->NextItem(o)) ids.push_back(o->Id());
  return ids;
}

class ScriptRunnerWorldTest : public ScriptRunnerTest {
 protected:
  std::vector<std::string> events;
};

TEST_F(ScriptRunnerWorldTest, CharacterVerbsSetItsStateAndVitalsRaiseTheirEvent) {
  auto& me = host.Character();
  auto vitals = me.ChangeVital.Connect([&](std::int32_t vital, std::int32_t value) {
    events.push_back(std::to_string(vital) + "=" + std::to_string(value));
  });
  EXPECT_TRUE(
      Run("vital health 40 120\nvital stamina 7\nvital mana 0 300\nvital health 55\n"
          "skill 21 310\ncharprop 238 2\nfollowers 3 17\n"));
  EXPECT_EQ(events, (std::vector<std::string>{"2=40", "4=7", "6=0", "2=55"}));
  EXPECT_EQ(me.Health(), 55);
  EXPECT_EQ(me.EffectiveVital(2), 120);  // a later change without maximum keeps it
  EXPECT_EQ(me.Stamina(), 7);
  EXPECT_EQ(me.EffectiveVital(6), 300);
  EXPECT_EQ(me.Skill(21), 310);
  std::int32_t augs = 0;
  EXPECT_TRUE(me.TryGetLongProperty(238, augs));
  EXPECT_EQ(augs, 2);
  EXPECT_EQ(me.Followers(), 3);
  EXPECT_EQ(me.AllegianceFollowers(), 17);
  EXPECT_DOUBLE_EQ(me.Vitae(), 1.0);
  EXPECT_TRUE(Run("vitae 95\n"));
  EXPECT_DOUBLE_EQ(me.Vitae(), 95.0);
  Fails("vitae 2147483648", "vitae out of range");
  Fails("vitae 5.5", "malformed vitae");
  Fails("vitae 5 6", "vitae PERCENT");
  EXPECT_DOUBLE_EQ(me.Vitae(), 95.0);
  // Amounts are signed 32-bit numbers: the unsigned form that ids may take is out of range here.
  for (const char* line : {"vital blood 5", "vital health", "vital health 1 2 3", "vital mana x", "skill 21",
                           "charprop 238", "followers 3", "followers 3 17 1", "vital health 4294967295",
                           "vital stamina 5 3000000000", "skill 21 4294967295", "followers 4294967295 1"}) {
    EXPECT_FALSE(runner.RunLine(line)) << line;
  }
  EXPECT_EQ(events.size(), 4u);  // a malformed line changes nothing
}

TEST_F(ScriptRunnerWorldTest, HotkeysFireByRegisteredNameOnly) {
  auto entry = std::make_shared<sim::SimHotkeyEntry>();
  entry->NameLet("MX:RunEvents");
  host.Hotkeys().AddHotkey("Mellox", entry);
  auto fired = host.Hotkeys().HotkeyEvent.Connect([&](const std::string& name, bool& handled) {
    events.push_back(name);
    handled = true;
  });
  EXPECT_TRUE(Run("hotkey MX:RunEvents\n"));
  EXPECT_EQ(events, std::vector<std::string>{"MX:RunEvents"});
  Fails("hotkey MX:runevents", "no hotkey 'MX:runevents' is registered");
  Fails("hotkey", "hotkey needs");
  EXPECT_EQ(events.size(), 1u);
}

TEST_F(ScriptRunnerWorldTest, CombatModeAndBusyState) {
  EXPECT_TRUE(Run("combat 2\nbusy 1\n"));
  EXPECT_EQ(host.Hooks().CombatMode(), 2);
  EXPECT_EQ(host.Hooks().BusyState(), 1);
  EXPECT_TRUE(Run("combat 1\nbusy 0\n"));
  EXPECT_EQ(host.Hooks().CombatMode(), 1);
  EXPECT_EQ(host.Hooks().BusyState(), 0);
  EXPECT_FALSE(runner.RunLine("combat peace"));
  EXPECT_FALSE(runner.RunLine("busy"));
  Fails("combat 4294967295", "combat mode out of range");
  Fails("busy 0xFFFFFFFF", "busy state out of range");
  EXPECT_EQ(host.Hooks().CombatMode(), 1);
  EXPECT_EQ(host.Hooks().BusyState(), 0);
}

// The vendor window, combat mode, busy state, selection and chat bar are the
// game's: a character leaving the world closes the vendor, and every login,
// also one without a logoff, starts in peace, idle, with nothing selected and
// the chat bar closed.
TEST_F(ScriptRunnerWorldTest, ALoginStartsInTheGamesOwnState) {
  auto& hooks = host.Hooks();
  const auto leaveEverything = [&](const std::string& then) {
    EXPECT_TRUE(Run("vendor open 7 1\nvendor sells 8\ncombat 2\nbusy 1\nselect 8\n"));
    hooks.ChatBarKey(13, 0);
    hooks.ChatBarKey('A', 'a');
    ASSERT_TRUE(hooks.ChatState());
    EXPECT_TRUE(Run(then));
  };
  const auto expectFresh = [&] {
    EXPECT_EQ(hooks.VendorId(), 0);
    EXPECT_FALSE(host.World().VendorOffers(8));
    EXPECT_EQ(hooks.CombatMode(), 1);
    EXPECT_EQ(hooks.BusyState(), 0);
    EXPECT_EQ(hooks.GetCurrentSelection(), 0);
    EXPECT_EQ(hooks.SelectedStackSize(), 0);
    EXPECT_FALSE(hooks.ChatState());
    EXPECT_EQ(hooks.ChatBarText(), "");
  };
  EXPECT_TRUE(Run("login\nobject 7 37 Shopkeeper\nobject 8 6 Apple\nprop 8 long 0x0D000006 5\n"));
  leaveEverything("logoff\n");
  EXPECT_EQ(hooks.VendorId(), 0);
  EXPECT_TRUE(Run("login\n"));
  expectFresh();
  leaveEverything("relogin\n");
  expectFresh();
}

TEST_F(ScriptRunnerWorldTest, IdentifyAnswersAtOnceWithTheGivenHealth) {
  EXPECT_TRUE(Run("object 7 5 Drudge\n"));
  auto changes = host.World().ChangeObject.Connect([&](const auto& o, std::int32_t change) {
    events.push_back(std::to_string(o->Id()) + ":" + std::to_string(change));
  });
  host.Hooks().RequestIdentify(7);
  EXPECT_TRUE(Run("identify 7 25 50\n"));
  EXPECT_EQ(events, std::vector<std::string>{"7:2"});
  EXPECT_TRUE(host.World().Find(7)->HasIdentifyData());
  EXPECT_EQ(host.World().Find(7)->HealthMax(), 50);
  // The request made before is answered already: nothing more comes.
  host.Advance(sim::SimIdentifier::kAnswerDelayMs);
  EXPECT_EQ(events.size(), 1u);
  Fails("identify 8", "no object 8");
  Fails("identify 7 25", "malformed health maximum");
  Fails("identify 7 4294967295 50", "health out of range");
}

TEST_F(ScriptRunnerWorldTest, ObjectVerbsRaiseTheWorldsEvents) {
  EXPECT_TRUE(Run("object 7 6 Apple\nobject 8 21 Pack\n"));
  auto& world = host.World();
  auto moved =
      world.MoveObject.Connect([&](const auto& o) { events.push_back("move " + std::to_string(o->Id())); });
  auto changed = world.ChangeObject.Connect([&](const auto& o, std::int32_t c) {
    events.push_back("change " + std::to_string(o->Id()) + " " + std::to_string(c));
  });
  auto released = world.ReleaseObject.Connect(
      [&](const auto& o) { events.push_back("release " + std::to_string(o->Id())); });
  auto opened = host.Hooks().ContainerOpened.Connect(
      [&](std::int32_t id) { events.push_back("open " + std::to_string(id)); });
  EXPECT_TRUE(Run("move 7 8\nchange 7\nopen 8\nrelease 7\n"));
  EXPECT_EQ(events, (std::vector<std::string>{"move 7", "change 7 0", "open 8", "release 7"}));
  EXPECT_EQ(world.Find(7), nullptr);
  EXPECT_EQ(world.Find(8)->Container(), 0);
  for (const char* line : {"release 7", "move 7 8", "change 7", "open 9", "select 7"})
    Fails(line, "no object");
  Fails("move 8", "malformed container id");
  // Putting a held object in the pack moves it there as the game does; a line
  // that cannot mean what it reads raises nothing.
  auto created = world.CreateObject.Connect(
      [&](const auto& o) { events.push_back("create " + std::to_string(o->Id())); });
  events.clear();
  EXPECT_TRUE(Run("object 9 6 Pear\ninventory 9\nmove 8 9\nselect 0\n"));
  EXPECT_EQ(events, (std::vector<std::string>{"create 9", "move 9", "move 8"}));
  EXPECT_EQ(world.Find(9)->Container(), host.Character().Character());
  for (const auto& [line, message] : std::vector<std::pair<std::string, std::string>>{
           {"object 0x9 6 Plum", "the world holds object 0x9 already"},
           {"move 9 9", "object 9 cannot go into itself or into what it holds"},
           {"move 9 8", "object 9 cannot go into itself"},
           {"prop 9 long 0x0D000002 8", "object 9 cannot go into itself"},
           {"inventory 0x50000001", "object 0x50000001 cannot go into itself"},
           {"region 10 0 9 480", "right edge is not left of its left"},
           {"region 0 480 640 479", "bottom above its top"}}) {
    Fails(line, message);
  }
  EXPECT_EQ(events.size(), 3u);
  EXPECT_EQ(world.Find(9)->Name(), "Pear");
  EXPECT_EQ(world.Find(9)->Container(), host.Character().Character());
}

TEST_F(ScriptRunnerWorldTest, InventoryMakesTheCharacterTheContainerAlsoAsAProperty) {
  EXPECT_TRUE(Run("object 7 6 Apple\ninventory 7\n"));
  auto apple = host.World().ObjectById(7);
  const std::int32_t me = host.Character().Character();
  EXPECT_EQ(apple->Container(), me);
  // Inventory look-ups read the container from the object's properties.
  EXPECT_EQ(apple->LongProperty(sim::SimWorldObject::kContainerKey), me);
  EXPECT_EQ(host.World().Inventory()->Count(), 1);
  // The property set by a prop line is the one container the object has.
  EXPECT_TRUE(Run("object 8 1 Sword\nprop 8 long 0x0D000002 " + std::to_string(me) + "\n"));
  EXPECT_EQ(host.World().Find(8)->Container(), me);
  EXPECT_EQ(host.World().Inventory()->Count(), 2);
  // The player's selection makes the stack count the selected stack size.
  EXPECT_TRUE(Run("prop 7 long 0x0D000006 2\nselect 7\n"));
  EXPECT_EQ(host.Hooks().GetCurrentSelection(), 7);
  EXPECT_EQ(host.Hooks().SelectedStackSize(), 2);
  EXPECT_TRUE(Run("select 8\n"));
  EXPECT_EQ(host.Hooks().SelectedStackSize(), 1);
}

TEST_F(ScriptRunnerWorldTest, LinesBeforeAnObjectLineAreInPlaceAtItsCreateEvent) {
  auto created = host.World().CreateObject.Connect([&](const auto& o) {
    double north = 0, east = 0;
    o->Coordinates(north, east);
    std::ostringstream seen;
    seen << o->Name() << " " << o->ObjectClass() << " at " << north << "," << east << " in " << o->Container()
         << " value " << o->LongProperty(19) << " " << o->StringProperty(16);
    events.push_back(seen.str());
  });
  const std::string me = std::to_string(host.Character().Character());
  EXPECT_TRUE(Run("coords 9 12.5 -40.25\nprop 9 long 19 300\nprop 9 string 16 Rotting\ninventory 9\n"
                  "object 9 21 Corpse of Bob\ncoords 9 1 2\ncoords 0x50000001 30 40\nlogin\n"));
  EXPECT_EQ(events, (std::vector<std::string>{"Corpse of Bob 21 at 12.5,-40.25 in " + me + " value 300 Rotting",
                                              "Tester 1 at 30,40 in 0 value 0 "}));
  double north = 0, east = 0;
  host.World().Find(9)->Coordinates(north, east);  // an existing object takes a line at once
  EXPECT_DOUBLE_EQ(north, 1);
  // Lines for an id that no object line ever creates fail the script, naming the first.
  EXPECT_FALSE(Run("say one\nprop 10 long 19 1\ncoords 10 1 2\n"));
  EXPECT_NE(err.str().find("test.session:2: no object line created object 10"), std::string::npos) << err.str();
  // By line, not by id: the first such line of the script is the one reported.
  err.str("");
  EXPECT_FALSE(Run("prop 12 long 19 1\nprop 10 long 19 1\n"));
  EXPECT_EQ(err.str(), "test.session:1: no object line created object 12 that this line describes\n");
  // A line that fails describes nothing.
  EXPECT_FALSE(runner.RunLine("prop 11 double 5 nan"));
  EXPECT_TRUE(Run("say two\n"));
}

// A raw value's eight bytes, little-endian, as the plug-in reads XP.
std::uint64_t Qword(const std::string& raw) {
  std::uint64_t value = 0;
  for (std::size_t i = raw.size(); i-- > 0;) value = value * 256 + static_cast<unsigned char>(raw[i]);
  return value;
}

TEST_F(ScriptRunnerWorldTest, LoginSendsTheLoginDescriptionBeforeLoginComplete) {
  auto described = host.Echo().EchoServer.Connect([&](const std::shared_ptr<platform::NetworkMessage>& m) {
    if (m->Type() == 0x02CF) {
      events.push_back("xp " + std::to_string(std::get<std::int64_t>(m->Value("key").value)) + "=" +
                       std::to_string(Qword(m->RawValue("value"))));
      return;
    }
    auto props = m->Struct("properties");
    auto options = m->Struct("options");
    std::string seen = std::to_string(m->Type()) + " " + std::to_string(std::get<std::int64_t>(m->Value("event").value)) +
                       " " + std::to_string(std::get<std::int64_t>(props->Value("flags").value)) + " " +
                       std::to_string(std::get<std::int64_t>(options->Value("flags").value));
    // The character's XP: key 1 the total, key 2 the unassigned.
    const auto count = std::get<std::int64_t>(props->Value("qwordCount").value);
    for (std::int32_t i = 0; i < count; ++i) {
      auto q = props->Struct("qwords")->Element(i);
      seen += " " + std::to_string(std::get<std::int64_t>(q->Value("key").value)) + ":" +
              std::to_string(Qword(q->RawValue("value")));
    }
    events.push_back(seen);
  });
  auto complete = host.Character().LoginComplete.Connect([&] { events.push_back("login complete"); });
  auto off = host.Character().Logoff.Connect([&] { events.push_back("logoff"); });
  // XP given before the login is the character's, said by its description only.
  EXPECT_TRUE(Run("xp 100000 20\nlogin\nxp 100500 520\n"));
  EXPECT_EQ(events, (std::vector<std::string>{"63408 19 128 0 1:100000 2:20", "login complete", "xp 1=100500",
                                              "xp 2=520"}));
  // A login without a logoff is said as such; it describes the XP the character has now.
  events.clear();
  EXPECT_TRUE(Run("relogin\nlogoff\nlogin options.flags=0x200 properties.qwords.0.value=7\n"));
  EXPECT_EQ(events, (std::vector<std::string>{"63408 19 128 0 1:100500 2:520", "login complete", "logoff",
                                              "63408 19 128 512 1:7 2:520", "login complete"}));
  // A second login is the same character's relogin, with the fields given.
  events.clear();
  EXPECT_TRUE(Run("login options.flags=0x200\n"));
  EXPECT_EQ(events, (std::vector<std::string>{"63408 19 128 512 1:100500 2:520", "login complete"}));
  // The level changes in play; who logs in is said before the login.
  EXPECT_TRUE(Run("level 9\n"));
  EXPECT_EQ(host.Character().Level(), 9);
  for (const char* line : {"server Beta", "character Ann"}) Fails(line, "is set before login; log off first");
  EXPECT_EQ(host.Character().Name(), "Tester");
  EXPECT_TRUE(Run("logoff\nserver Beta\ncharacter Ann\nlevel 9\n"));
  EXPECT_EQ(host.Character().Server(), "Beta");
  // Another character has its own XP: none for one never seen.
  events.clear();
  Fails("login options.flags", "fields are written NAME=VALUE");
  EXPECT_TRUE(Run("login\n"));
  EXPECT_EQ(events, (std::vector<std::string>{"63408 19 128 0 1:0 2:0", "login complete"}));
  EXPECT_TRUE(Run("logoff\n"));
  Fails("relogin", "relogin needs a character logged in; use login");
}

// What happens only in play fails with nobody logged in, and changes nothing.
TEST_F(ScriptRunnerWorldTest, PlayVerbsNeedACharacterLoggedIn) {
  auto& me = host.Character();
  auto off = me.Logoff.Connect([&] { events.push_back("logoff"); });
  auto died = me.Death.Connect([&](const std::string&) { events.push_back("death"); });
  auto portal = me.ChangePortalMode.Connect([&](std::int32_t) { events.push_back("portal"); });
  const auto noneLoggedIn = [&](const char* when) {
    Fails("vendor open 7 1", "vendor open needs a character logged in; use login");
    Fails("logoff", "logoff needs a character logged in; use login");
    Fails("death Tester was killed by a drudge.", "death needs a character logged in; use login");
    Fails("portal EXIT", "portal needs a character logged in; use login");
    Fails("portal ENTER", "portal needs a character logged in; use login");
    EXPECT_EQ(host.Hooks().VendorId(), 0) << when;
    EXPECT_TRUE(events.empty()) << when;
  };
  noneLoggedIn("before the first login");
  // In play each is the game's; after the logoff nobody is left to do them.
  EXPECT_TRUE(Run("login\nobject 7 37 Shopkeeper\nvendor open 7 1\ndeath Tester was killed by a drudge.\n"
                  "portal EXIT\nlogoff\n"));
  EXPECT_EQ(events, (std::vector<std::string>{"death", "portal", "logoff"}));
  events.clear();
  noneLoggedIn("after the logoff");
  // The next login finds no vendor window left open.
  EXPECT_TRUE(Run("login\n"));
  EXPECT_EQ(host.Hooks().VendorId(), 0);
}

// Levels are the game's 1 to 275; in play a character only goes up.
TEST_F(ScriptRunnerWorldTest, LevelsStayInTheGamesRangeAndOnlyRiseInPlay) {
  auto& me = host.Character();
  for (const char* line : {"level 0", "level -3", "level 276", "level 2147483647"})
    Fails(line, "the game's levels run from 1 to 275");
  EXPECT_EQ(me.Level(), 1);
  // Before the login a script describes the character: any level of the range.
  EXPECT_TRUE(Run("level 275\nlevel 40\nlogin\nlevel 40\nlevel 41\n"));
  EXPECT_EQ(me.Level(), 41);
  Fails("level 40", "a character in play never loses a level: it is level 41");
  Fails("level 276", "the game's levels run from 1 to 275");
  EXPECT_EQ(me.Level(), 41);
  EXPECT_TRUE(Run("level 275\nlogoff\nlevel 12\n"));
  EXPECT_EQ(me.Level(), 12);
}

// XP is the game's unsigned 64-bit count; unassigned XP is part of the total, and a
// total in play only grows while spending lowers the unassigned part.
TEST_F(ScriptRunnerWorldTest, XPIsUnsigned64BitAndATotalInPlayNeverFalls) {
  auto& me = host.Character();
  std::vector<std::string> sent;
  auto echo = host.Echo().EchoServer.Connect([&](const std::shared_ptr<platform::NetworkMessage>& m) {
    if (m->Type() != 0x02CF) return;
    sent.push_back(std::to_string(std::get<std::int64_t>(m->Value("key").value)) + "=" +
                   std::to_string(Qword(m->RawValue("value"))));
  });
  EXPECT_TRUE(Run("xp 18446744073709551615 9223372036854775808\n"));
  EXPECT_EQ(me.TotalXP(), 18446744073709551615u);
  EXPECT_EQ(me.UnassignedXP(), 9223372036854775808u);
  for (const auto& [line, message] : std::vector<std::pair<std::string, std::string>>{
           {"xp 18446744073709551616 0", "total XP out of range"},
           {"xp 0x10000000000000000 0", "total XP out of range"},
           {"xp -1 0", "total XP cannot be negative"},
           {"xp 5 -1", "unassigned XP cannot be negative"},
           {"xp 100 101", "unassigned XP cannot be above the total XP"}}) {
    Fails(line, message);
  }
  EXPECT_EQ(me.TotalXP(), 18446744073709551615u);
  // Out of play a script may describe any XP, a lower total too.
  EXPECT_TRUE(Run("xp 0xFFFFFFFFFFFFFFFF 0\nxp 1000 600\nlogin\nxp 1000 200\nxp 1500 200\nxp 1500 1500\n"));
  EXPECT_EQ(sent, (std::vector<std::string>{"1=1000", "2=200", "1=1500", "2=200", "1=1500", "2=1500"}));
  sent.clear();
  Fails("xp 1499 0", "a character in play never loses XP: its total is 1500");
  Fails("xp 1600 1700", "unassigned XP cannot be above the total XP");
  EXPECT_TRUE(sent.empty());
  EXPECT_TRUE(Run("xp 18446744073709551615 18446744073709551615\n"));
  EXPECT_EQ(sent, (std::vector<std::string>{"1=18446744073709551615", "2=18446744073709551615"}));
  EXPECT_TRUE(Run("logoff\nxp 10 0\n"));
  EXPECT_EQ(me.TotalXP(), 10u);
}

TEST_F(ScriptRunnerWorldTest, EachCharacterKeepsItsOwnWorld) {
  auto& me = host.Character();
  auto& world = host.World();
  auto created = world.CreateObject.Connect([&](const auto& o) { events.push_back("create " + o->Name()); });
  auto released = world.ReleaseObject.Connect([&](const auto& o) { events.push_back("release " + o->Name()); });
  auto described = host.Echo().EchoServer.Connect([&](const auto&) { events.push_back("description"); });
  auto complete = me.LoginComplete.Connect([&] { events.push_back("login complete"); });
  auto off = me.Logoff.Connect([&] { events.push_back("logoff"); });
  // Bob's pack, buff, vitals and skills are built before his login, as the script names him.
  EXPECT_TRUE(Run("server Alpha\ncharacter Bob\nlevel 20\nvital health 400 1000\nskill 21 300\ncharprop 238 2\n"
                  "enchant add 3530 601 900\nenchant add 2 2 100\nobject 2001 6 Tusker Spit Ale\ninventory 2001\nobject 3000 0 Chest\n"
                  "object 3001 0 Gem\nmove 3001 3000\nlogin\n"));
  EXPECT_EQ(me.Character(), 0x50000001);
  EXPECT_EQ(Ids(world.Inventory()), std::vector<std::int32_t>{2001});
  events.clear();
  EXPECT_TRUE(Run("logoff\n"));
  EXPECT_EQ(events, (std::vector<std::string>{"logoff", "release Bob", "release Tusker Spit Ale"}));
  EXPECT_EQ(Ids(world.AllObjects()), (std::vector<std::int32_t>{3000, 3001}));  // the chest stays
  // What he keeps is still his own to describe while he is named.
  EXPECT_TRUE(Run("inventory 2001\nprop 2001 long 0x0D000002 0x50000001\n"));
  EXPECT_EQ(world.KeptWith(2001), 0x50000001);

  // Ann, never seen: a new id, an empty pack, none of Bob's state; what the
  // script gives her while logged off is hers at her login.
  events.clear();
  EXPECT_TRUE(Run("character Ann\nobject 5001 0 Mana Charge\ninventory 5001\nvital health 10 100\nlogin\n"));
  EXPECT_EQ(me.Character(), 0x50000002);
  EXPECT_EQ(events, (std::vector<std::string>{"create Mana Charge", "create Ann", "description", "login complete"}));
  EXPECT_EQ(Ids(world.Inventory()), std::vector<std::int32_t>{5001});
  EXPECT_EQ(me.Level(), 1);
  EXPECT_EQ(me.Health(), 10);
  EXPECT_EQ(me.Skill(21), 0);
  EXPECT_EQ(me.EnchantmentCount(), 0);
  std::int32_t augs = 0;
  EXPECT_FALSE(me.TryGetLongProperty(238, augs));
  // Bob's ale is out of the world: the game can do nothing with it, and no
  // second object takes its id; a line describing it changes what he keeps.
  Fails("move 2001 0x50000002", "no object 2001");
  Fails("object 2001 6 Ale", "object 2001 is out of the world with its character");
  EXPECT_TRUE(Run("prop 2001 long 0x0D000006 3\n"));
  // Nothing can go to Bob or come from his kept pack while he is away, and
  // Ann's own object leaves the world only with her logoff.
  events.clear();
  for (const auto& [line, message] : std::vector<std::pair<std::string, std::string>>{
           {"inventory 2001", "object 2001 is out of the world with another character"},
           {"prop 2001 long 0x0D000002 0x50000002", "object 2001 is out of the world with another character"},
           {"move 5001 0x50000001", "container 0x50000001 is a character who is not logged in"},
           {"prop 5001 long 0x0D000002 1342177281", "container 1342177281 is a character who is not logged in"},
           {"move 5001 2001", "container 2001 is out of the world with its character"},
           {"release 0x50000002", "object 0x50000002 is the character logged in"},
           {"move 0x50000002 3000", "object 0x50000002 is the character logged in"},
           {"prop 0x50000002 long 0x0D000002 3000", "object 0x50000002 is the character logged in"}}) {
    Fails(line, message);
  }
  EXPECT_EQ(events, std::vector<std::string>{});
  EXPECT_EQ(Ids(world.Inventory()), std::vector<std::int32_t>{5001});

  // Bob again: he comes back with his own, in the order it left, before his
  // login completes; his spell that ran out while Ann played is gone, with no event.
  EXPECT_TRUE(Run("advance 200s\n"));
  events.clear();
  auto spells = me.ChangeEnchantments.Connect([&](std::int32_t change, const auto&) {
    events.push_back("enchantment " + std::to_string(change));
  });
  EXPECT_TRUE(Run("logoff\ncharacter Bob\nlogin\n"));
  EXPECT_EQ(events, (std::vector<std::string>{"logoff", "release Ann", "release Mana Charge", "create Bob",
                                              "create Tusker Spit Ale", "description", "login complete"}));
  EXPECT_EQ(me.Character(), 0x50000001);
  EXPECT_EQ(Ids(world.Inventory()), std::vector<std::int32_t>{2001});
  EXPECT_EQ(world.Find(2001)->LongProperty(sim::SimWorld::kStackKey), 3);
  EXPECT_EQ(me.Level(), 20);
  EXPECT_EQ(me.Health(), 400);
  EXPECT_EQ(me.EffectiveVital(2), 1000);
  EXPECT_EQ(me.Skill(21), 300);
  ASSERT_EQ(me.EnchantmentCount(), 1);
  EXPECT_EQ(me.GetEnchantment(0)->SpellId(), 3530);
  EXPECT_TRUE(me.TryGetLongProperty(238, augs));
  // The same name on another server is another character.
  EXPECT_TRUE(Run("logoff\nserver Beta\n"));
  EXPECT_EQ(me.Character(), 0x50000003);
  EXPECT_EQ(me.Level(), 1);
}

TEST_F(ScriptRunnerWorldTest, AQuotedNetValueHoldsBlanks) {
  std::string text;
  auto echoed = host.Echo().EchoServer.Connect(
      [&](const std::shared_ptr<platform::NetworkMessage>& m) { text = std::get<std::string>(m->Value("text").value); });
  EXPECT_TRUE(Run("net 0xF7B0 event=0x01AD text=\"You killed the Drudge Slinker!\" object=5\n"));
  EXPECT_EQ(text, "You killed the Drudge Slinker!");
  EXPECT_TRUE(Run("net 0xF7B0 event=0x01AD text=\"42\"\n"));
  EXPECT_EQ(text, "42");
  Fails("net 0xF7B0 text=\"open", "unterminated quoted value");
  // A nesting no game message needs is refused before the sim builds (or tears down) its tree.
  std::string deep = "net 0xF7B0 a";
  for (int i = 0; i < 200000; ++i) deep += ".a";
  Fails(deep + "=1", "... nests deeper than 64 levels");
  EXPECT_LT(runner.LastError().size(), 100u);
  std::string deepest = "a";
  for (int i = 0; i < 63; ++i) deepest += ".a";
  EXPECT_TRUE(runner.RunLine("net 0xF7B0 " + deepest + "=1"));
}

TEST(ScriptArgsFields, ALineOfManyFieldsGivesEachAsWritten) {
  // Plain, quoted (with blanks and '='), empty and quoted-empty values, after
  // a blank or a tab, and blanks after the last.
  constexpr int kFields = 100000;
  const auto field = [](int i) -> std::pair<std::string, std::string> {
    const std::string n = std::to_string(i);
    switch (i % 4) {
      case 0: return {"f" + n, n};
      case 1: return {"q" + n, "a b=" + n};
      case 2: return {"e" + n, ""};
      default: return {"a.b" + n, "0x" + n};
    }
  };
  std::string line = " ";
  for (int i = 0; i < kFields; ++i) {
    const auto [name, value] = field(i);
    line += name + "=" + (i % 4 == 1 ? "\"" + value + "\"" : value) + (i % 3 == 0 ? "\t" : " ");
  }
  line += "  ";
  std::string_view rest = line;
  std::string name, value;
  bool quoted = false;
  int count = 0;
  while (NextField(rest, name, value, quoted)) {
    ASSERT_LT(count, kFields);
    const auto [expectedName, expectedValue] = field(count);
    ASSERT_EQ(name, expectedName);
    ASSERT_EQ(value, expectedValue) << name;
    ASSERT_EQ(quoted, count % 4 == 1) << name;
    ++count;
  }
  EXPECT_EQ(count, kFields);
  for (const char* bad : {"a=1 b", "a=1 =2", "a=\"1\"b=2", "a=\"1 b=2"}) {
    std::string_view fields = bad;
    EXPECT_THROW(while (NextField(fields, name, value, quoted)) {}, ScriptError) << bad;
  }
}

TEST_F(ScriptRunnerWorldTest, SayPrintsAHeading) {
  EXPECT_TRUE(Run("say The vital alarms\nexpect == The vital alarms\n"));
  EXPECT_EQ(host.Output().back(), "== The vital alarms");
  Fails("say", "say needs a text");
  // The script's own words are printed as written, also what the game's code page lacks.
  std::vector<std::string> printed;
  host.SetOutputSink([&](const std::string& line) { printed.push_back(line); });
  printed.clear();
  EXPECT_TRUE(Run("say caf\xC3\xA9 \xE2\x98\x83\nexpect == caf\xC3\xA9 \xE2\x98\x83\n"));
  EXPECT_EQ(printed, std::vector<std::string>{"== caf\xC3\xA9 \xE2\x98\x83"});
}

TEST_F(ScriptRunnerWorldTest, ADurationTooLargeForTheClockIsAScriptError) {
  EXPECT_FALSE(Run("advance 1s\nadvance 99999999999999999m\n"));
  EXPECT_NE(err.str().find("test.session:2: duration too large for the clock"), std::string::npos)
      << err.str();
  EXPECT_EQ(host.ElapsedMs(), 1000);
  Fails("advance 99999999999999999999ms", "out of range");
  Fails("advance " + std::to_string(LLONG_MAX - 1000) + "ms", "the clock cannot pass 9999-12-31 23:59:59");
  // The clock runs to the last second of the year 9999 and stops there: the
  // plug-in never reads a date past it.
  EXPECT_TRUE(Run("date 9999-12-31 23:59:58\n"));
  Fails("advance 3s", "the clock cannot pass 9999-12-31 23:59:59: '3s' would");
  EXPECT_EQ(host.ElapsedMs(), 1000);
  EXPECT_TRUE(Run("advance 1999ms\n"));
  EXPECT_DOUBLE_EQ(host.System().Now(), sim::SimClock::MakeDate(9999, 12, 31, 23, 59, 59));
  Fails("advance 1ms", "the clock cannot pass");
  EXPECT_EQ(host.ElapsedMs(), 2999);
}

TEST(MelloxSimHomeTest, ARelativeHomeWorksLikeAnAbsoluteOne) {
  test::TempHome dir;
  std::ofstream(dir.path() / "log.session")
      << "server Alpha\ncharacter Bob\nlogin\ncheck Chat_Log_Auto on\n"
         "chat 2 1 Al says, \"hi\"\nadvance 2s\nexpect-not Error\n"
         // An effect message without its effect is an error the errors file records.
         "net 0xF755 object=1\n"
         "expect-file \"Documents/Asheron's Call/Mellox Errors.txt\" 'NetEcho_EchoMessage'\nlogoff\n";
  const std::string cmd =
      "cd '" + dir.path().string() + "' && " + MELLOX_SIM_EXE + " --home home log.session >/dev/null 2>&1";
  const int status = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // The chat log and the errors file go to the game's folder of the home, which a fresh home holds.
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "home" / "Documents" / "Asheron's Call" / "Logs" /
                                      "Alpha_Bob.txt"));
}

}  // namespace
}  // namespace mellox::app
