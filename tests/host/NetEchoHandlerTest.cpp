// Network messages as the echo filter delivers them: XP halves, login
// description, kill message, identify results, health and chat-window options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "chat/ChatTextHandler.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/HostPeers.h"
#include "host/HostTestFixture.h"
#include "host/NetEchoHandler.h"
#include "sim/SimEchoFilter.h"
#include "sim/SimHooks.h"
#include "sim/SimNetworkMessage.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"
#include "support/SessionReference.h"
#include "tracking/Statistics.h"

namespace mellox::test {
namespace {

using sim::SimNetworkMessage;

std::shared_ptr<SimNetworkMessage> Message(std::int32_t type) { return std::make_shared<SimNetworkMessage>(type); }

class NetEchoHandlerTest : public HostTest {
 protected:
  NetEchoHandler& net() { return *NetEchoHandlerInstance; }
  Statistics& stats() { return *StatisticsInstance; }
  ChatTextHandler& chat() { return *ChatTextHandlerInstance; }

  void Xp(std::int64_t key, std::int64_t value) {
    auto m = Message(NetEchoHandler::kXPUpdate);
    m->Set("key", key).Set("value", value);
    host->Echo().Server(m);
  }
  std::shared_ptr<SimNetworkMessage> Event(std::int32_t event) {
    auto m = Message(NetEchoHandler::kGameEvent);
    m->Set("event", event);
    return m;
  }
  void Select(std::int32_t id, std::int32_t objectClass = 5) {
    host->World().AddObject(id, "Drudge Slinker", objectClass);
    host->Hooks().ObjectSelected.Emit(id);
  }
  // An options block giving each window its filter mask.
  static void AddWindows(SimNetworkMessage& m, const std::vector<std::int64_t>& masks, std::int64_t flags = 0x200) {
    m.Set("options.flags", flags).Set("options.optionPropertyCount", 1);
    m.Set("options.optionProperties.0.type", 0x1000008C);
    m.Set("options.optionProperties.0.windowCount", static_cast<std::int64_t>(masks.size()));
    for (std::size_t j = 0; j < masks.size(); ++j) {
      const std::string w = "options.optionProperties.0.windows." + std::to_string(j);
      m.Set(w + ".type", 0x1000008B).Set(w + ".propertyCount", 1);
      m.Set(w + ".properties.0.key", 0x1000007F).Set(w + ".properties.0.value", masks[j]);
    }
  }
  void Options(const std::vector<std::int64_t>& masks, std::int64_t flags = 0x200) {
    auto m = Message(NetEchoHandler::kGameAction);
    m->Set("action", NetEchoHandler::kOptionsAction);
    AddWindows(*m, masks, flags);
    host->Echo().Client(m);
  }
  // The chat types routed to a window, 0..32.
  std::vector<int> Routed(std::int16_t window) {
    std::vector<int> types;
    for (std::int16_t t = 0; t <= 32; ++t)
      if (chat().GetTargetList(window, t)) types.push_back(t);
    return types;
  }
};

TEST(NetEchoQword, ReadsEightLittleEndianBytes) {
  EXPECT_EQ(NetEchoHandler::DoubleFromQword(std::string("\x01\0\0\0\0\0\0\0", 8)), 1.0);
  EXPECT_EQ(NetEchoHandler::DoubleFromQword(std::string("\0\0\0\0\0\0\0\x01", 8)), std::ldexp(1.0, 56));
  try {
    NetEchoHandler::DoubleFromQword(std::string("\x01\0\0", 3));
    FAIL() << "a short value must raise";
  } catch (const VBError& e) {
    EXPECT_EQ(e.Number(), 9);
  }
}

TEST_F(NetEchoHandlerTest, AnXPGainIsTakenOnceBothHalvesHaveArrivedInEitherOrder) {
  Login();
  Xp(1, 1000);
  EXPECT_EQ(net().TotalXP, 1000);
  EXPECT_EQ(stats().CharTotalXP(), 0);  // half a gain: nothing yet
  Xp(2, 400);
  EXPECT_EQ(stats().CharTotalXP(), 1000);
  EXPECT_EQ(stats().CharUnXP(), 400);

  Xp(2, 500);
  EXPECT_EQ(stats().CharUnXP(), 400);
  Xp(1, 1100);
  EXPECT_EQ(stats().CharTotalXP(), 1100);
  EXPECT_EQ(stats().CharUnXP(), 500);

  // Spent unassigned XP is taken at once; the total alone then completes nothing.
  Xp(2, 100);
  EXPECT_EQ(stats().CharUnXP(), 100);
  Xp(1, 1200);
  EXPECT_EQ(stats().CharTotalXP(), 1100);

  // A chat-side change drops the half received.
  net().ResetXPBools();
  Xp(2, 150);
  EXPECT_EQ(stats().CharTotalXP(), 1100);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(NetEchoHandlerTest, TheLoginDescriptionGivesTheStartingXPAndTheRoutes) {
  auto m = Event(NetEchoHandler::kLoginEvent);
  m->Set("properties.flags", 0x80).Set("properties.qwordCount", 3);
  m->Set("properties.qwords.0.key", 1).Set("properties.qwords.0.value", 123456789);
  m->Set("properties.qwords.1.key", 5).Set("properties.qwords.1.value", 7);
  m->Set("properties.qwords.2.key", 2).Set("properties.qwords.2.value", 4321);
  AddWindows(*m, {0x00000040});
  host->Echo().Server(m);  // before login, as the game sends it
  EXPECT_EQ(net().TotalXP, 123456789);
  EXPECT_EQ(net().UnassXP, 4321);
  EXPECT_EQ(Routed(0), (std::vector<int>{6, 21, 22}));
  Login();
  EXPECT_EQ(stats().CharTotalXP(), 123456789);
  EXPECT_EQ(stats().CharUnXP(), 4321);

  // Another character's description without the XP keys (a new character)
  // starts from 0, not from the last one's XP nor its half-received gain.
  Xp(1, 123457000);
  host->Character().RaiseLogoff();
  auto next = Event(NetEchoHandler::kLoginEvent);
  next->Set("properties.flags", 0).Set("options.flags", 0);
  host->Echo().Server(next);
  Login("Ann");
  EXPECT_EQ(stats().CharTotalXP(), 0);
  EXPECT_EQ(stats().CharUnXP(), 0);
  Xp(2, 500);
  EXPECT_EQ(stats().CharTotalXP(), 0);
  Xp(1, 500);
  EXPECT_EQ(stats().CharTotalXP(), 500);
  EXPECT_EQ(stats().SessionXP(), 500);
  EXPECT_EQ(errors, std::vector<std::string>{});
}

TEST_F(NetEchoHandlerTest, AKillMessageReplacesTheKillText) {
  auto m = Event(NetEchoHandler::kKillEvent);
  m->Set("text", "You flatten %s's body with the force of your assault!");
  host->Echo().Server(m);
  EXPECT_EQ(KillMessageText, "You flatten %s's body with the force of your assault!");
}

TEST_F(NetEchoHandlerTest, OptionsRebuildTheRoutingTable) {
  const std::vector<int> defaultMain{0, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 27, 28, 29, 30};
  struct Case {
    std::vector<std::int64_t> masks;
    std::int64_t flags;
    std::vector<int> main;
    std::vector<int> second;
  };
  const std::vector<Case> cases{
      {{0x00000040}, 0x200, {6, 21, 22}, {}},
      {{0x00000001, 0x00001004}, 0x200, {0, 5, 6, 13, 16, 20, 23, 24, 25}, {2, 12}},
      {{0x80000000LL, 0x04000000}, 0x200, {}, {26}},
      // Nothing routed: the defaults.
      {{0x00000102}, 0x200, defaultMain, {2, 3, 4, 12}},
      {{0x00000040}, 0x100, defaultMain, {2, 3, 4, 12}},
  };
  Login();
  chat().SetTargetList(0, 32, true);
  for (const Case& c : cases) {
    Options(c.masks, c.flags);
    std::vector<int> main = c.main;
    main.push_back(32);  // the plug-in's own column survives every rebuild
    EXPECT_EQ(Routed(0), main);
    EXPECT_EQ(Routed(1), c.second);
  }
  // Windows beyond the five the table holds are ignored.
  Options({0, 0, 0, 0, 0x00000018, 0x00000040, 0x00000001});
  EXPECT_EQ(Routed(4), (std::vector<int>{3, 4}));
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(NetEchoHandlerTest, IdentifyResultsOfTheTargetSetHealthAndSpells) {
  Login();
  Select(1000);
  struct Case {
    std::int64_t object;
    std::int64_t flags;
    std::int64_t health;
    std::int64_t healthMax;
    std::vector<std::int64_t> spells;
    std::int32_t expectHealth;
    std::int32_t expectMax;
    double expectPer;
    const char* expectSpells;
  };
  const std::vector<Case> cases{
      {1000, 0x100, 40, 80, {1, 3}, 40, 80, 0.5, "Stoneskin I;Swift Feet I;"},
      // No maximum known: shown as full, and the rest of the result still counts.
      {1000, 0x100, 0, 0, {2}, 0, 0, 1.0, "Stoneskin II;"},
      // Without the health flag the health stays; the spells are rebuilt.
      {1000, 0x000, 5, 10, {999999}, 0, 0, 1.0, "Unknown 999999;"},
      // Another object: nothing changes.
      {1001, 0x100, 5, 10, {1}, 0, 0, 1.0, "Unknown 999999;"},
  };
  for (const Case& c : cases) {
    auto m = Event(NetEchoHandler::kIdentifyEvent);
    m->Set("success", 1).Set("object", c.object).Set("flags", c.flags);
    m->Set("health", c.health).Set("healthMax", c.healthMax);
    m->Set("spellCount", static_cast<std::int64_t>(c.spells.size()));
    for (std::size_t i = 0; i < c.spells.size(); ++i) m->Set("spells." + std::to_string(i) + ".spell", c.spells[i]);
    host->Echo().Server(m);
    EXPECT_EQ(net().IDHealth, c.expectHealth) << c.health << "/" << c.healthMax;
    EXPECT_EQ(net().IDHealthMax, c.expectMax);
    EXPECT_EQ(net().IDHealthPer, c.expectPer);
    EXPECT_EQ(net().IDSpells, c.expectSpells);
  }
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(NetEchoHandlerTest, HealthUpdatesOfTheTargetScaleTheMaximum) {
  Login();
  Select(1000);
  struct Case {
    std::int32_t healthMax;
    double fraction;
    std::int32_t expectHealth;
  };
  for (const Case& c : {Case{0, 0.5, 7}, Case{75, 0.5, 38}, Case{45, 0.5, 22}, Case{100, 1.25, 125}}) {
    net().IDHealth = 7;
    net().IDHealthMax = c.healthMax;
    auto m = Event(NetEchoHandler::kHealthEvent);
    m->Set("object", 1000).Set("health", c.fraction);
    host->Echo().Server(m);
    EXPECT_EQ(net().IDHealthPer, c.fraction);
    EXPECT_EQ(net().IDHealth, c.expectHealth) << c.healthMax;
  }
  // Another object's health is not the target's.
  auto m = Event(NetEchoHandler::kHealthEvent);
  m->Set("object", 1001).Set("health", 0.1);
  host->Echo().Server(m);
  EXPECT_EQ(net().IDHealthPer, 1.25);
}

TEST_F(NetEchoHandlerTest, AMalformedMessageIsReportedAndDropped) {
  Login();
  auto m = Message(NetEchoHandler::kXPUpdate);
  m->Set("key", 1).SetRaw("value", std::string("\x01\x02", 2));
  host->Echo().Server(m);
  auto opts = Message(NetEchoHandler::kGameAction);
  opts->Set("action", NetEchoHandler::kOptionsAction);  // no options block
  host->Echo().Client(opts);
  EXPECT_EQ(net().TotalXP, 0);
  EXPECT_TRUE(Reported("NetEchoHandler.NetEcho_EchoMessage #9"));
  EXPECT_TRUE(Reported("NetEchoHandler.HandleOptions #91"));
  EXPECT_TRUE(host->UnhandledErrors().empty());
}


// The reference's chat types: the colour rows that classify each type, as the
// chat-type table holds them, and the windows a login without chat options
// routes it to (the plug-in's own type as the shipped output boxes route it).
TEST_F(NetEchoHandlerTest, TheSessionReferenceGivesEachChatTypesRowsAndWindows) {
  Login();
  Options({}, 0);
  std::map<int, std::vector<std::string>> rows;
  std::map<int, std::vector<int>> windows;
  for (const ChatListItem& item : chat().ChatTypeTable()) {
    auto& names = rows[item.color()];
    if (std::find(names.begin(), names.end(), item.ListID()) == names.end()) names.push_back(item.ListID());
  }
  for (std::int16_t w = 0; w < ChatTextHandler::kWindowCount; ++w)
    for (int t : Routed(w)) windows[t].push_back(w + 1);

  std::map<int, std::vector<std::string>> writtenRows;
  std::map<int, std::vector<int>> writtenWindows;
  for (const Table& table : Tables(Section(SessionReference(), "### Chat types"))) {
    if (table.header.empty() || table.header[0] != "type") continue;
    for (const auto& row : table.rows) {
      ASSERT_EQ(row.size(), 4u) << row[0];
      const int type = std::stoi(row[0]);
      EXPECT_FALSE(writtenRows.count(type)) << type << " twice";
      auto& names = writtenRows[type];
      if (row[2] != "\u2014") {
        for (const std::string& name : vb::Split(row[2], ", ")) names.push_back(name);
      }
      auto& shown = writtenWindows[type];
      // "1, 2", "none", "1 (the boxes)".
      const std::string list = row[3].substr(0, row[3].find(" ("));
      if (list != "none") {
        for (const std::string& w : vb::Split(list, ", ")) shown.push_back(std::stoi(w));
      }
    }
  }
  for (int type = 0; type < ChatTextHandler::kRoutedTypeCount; ++type) {
    EXPECT_TRUE(writtenRows.count(type)) << "chat type " << type << " is missing from the reference";
    EXPECT_EQ(writtenRows[type], rows[type]) << "the colour rows of chat type " << type;
    EXPECT_EQ(writtenWindows[type], windows[type]) << "the windows of chat type " << type;
  }
  EXPECT_EQ(writtenRows.size(), static_cast<std::size_t>(ChatTextHandler::kRoutedTypeCount));
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// The script writer's reference names every message type, event, flag, key
// and field this handler reads: one read anew without it fails here.
TEST(NetEchoHandlerReferenceTest, TheSessionReferenceNamesEveryCodeAndFieldRead) {
  const std::set<std::string> written = CodeWords(Section(SessionReference(), "## Network messages"));
  const std::string code =
      ReadSourceFile("src/host/NetEchoHandler.h") + ReadSourceFile("src/host/NetEchoHandler.cpp");
  const std::regex constant(R"re(constexpr std::int32_t k\w+ = (0x[0-9A-F]+);)re");
  const std::regex field(R"re((?:Value|Struct)\("(\w+)"\))re");
  int codes = 0, fields = 0;
  for (std::sregex_iterator it(code.begin(), code.end(), constant), end; it != end; ++it, ++codes) {
    EXPECT_TRUE(written.count((*it)[1])) << (*it)[1];
  }
  for (std::sregex_iterator it(code.begin(), code.end(), field), end; it != end; ++it, ++fields) {
    EXPECT_TRUE(written.count((*it)[1])) << (*it)[1];
  }
  // The patterns still find what the handler reads.
  EXPECT_GE(codes, 10);
  EXPECT_GE(fields, 20);
}

}  // namespace
}  // namespace mellox::test
