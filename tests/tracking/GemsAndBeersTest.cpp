#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "sim/SimCheckBox.h"
#include "support/SessionReference.h"
#include "tracking/TrackingFixture.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;

constexpr std::int32_t kTusker = 301;  // Tusker Spit Ale, buff 3530
constexpr std::int32_t kZongo = 304;   // Apothecary Zongo's Stout, buff 3864

struct Queued {
  std::int16_t type;
  std::int32_t item, target, stack;
  bool operator==(const Queued&) const = default;
};

// Logged in, the clock a second on, drinking on with both timers at 120,
// every drink box unticked (each test ticks its own), and the event queue
// played by a recorder.
struct DrinkFixture : TrackingFixture {
  std::vector<Queued> queued;
  int runs = 0;
  bool queueRunning = false;

  DrinkFixture() {
    host.Advance(1000);
    stats().UpdateTime();
    auto& q = TrackingPeers::QueueStandIn();
    q.running = [this] { return queueRunning; };
    q.add = [this](std::int16_t t, std::int32_t a, std::int32_t b, std::int32_t c) { queued.push_back({t, a, b, c}); };
    q.run = [this] { ++runs; };
    ch().UseBeers->CheckedLet(true);
    ch().BeerTimer->TextLet("120");
    ch().BeerUseTimer->TextLet("120");
    for (auto box : {&ControlHandler::BeerStr, &ControlHandler::BeerEnd, &ControlHandler::BeerCoord,
                     &ControlHandler::BeerQuick, &ControlHandler::BeerFocus, &ControlHandler::BeerSelf})
      (ch().*box)->CheckedLet(false);
  }
  ~DrinkFixture() { TrackingPeers::QueueStandIn() = {}; }

  void Enchant(std::int32_t spell, std::int32_t family, std::int32_t seconds) {
    host.Character().AddEnchantment(spell, family, seconds);
    spells().RebuildList = true;
  }
  std::int32_t Me() { return host.Character().Character(); }
};

TEST(GemsAndBeersTest, ADrinkIsQueuedOnlyWhenItsBuffIsBelowTheTimer) {
  struct Case {
    const char* what;
    std::int32_t beerLeft;  // seconds left after the tick; -1 not active
    bool boxTicked, useBeers, useCheck, carried;
    std::int32_t trackedLeft;  // the tracked buff; 0 one without duration
    bool expectQueued;
  };
  const Case cases[] = {
      {"exactly the timer", 120, true, true, false, true, 3600, false},
      {"a second below", 119, true, true, false, true, 3600, true},
      {"not active", -1, true, true, false, true, 3600, true},
      {"box unticked", 10, false, true, false, true, 3600, false},
      {"drinking off", 10, true, false, false, true, 3600, false},
      {"not carried", 10, true, true, false, false, 3600, false},
      {"use check, tracked buff long", 10, true, true, true, true, 3600, true},
      {"use check, tracked buff ending", 10, true, true, true, true, 100, false},
      {"use check, tracked buff at exactly the use timer", 10, true, true, true, true, 120, true},
      {"use check, no timed buff tracked", 10, true, true, true, true, 0, false},
  };
  for (const Case& c : cases) {
    DrinkFixture f;
    f.ch().BeerFocus->CheckedLet(c.boxTicked);
    f.ch().BeerUseCheck->CheckedLet(c.useCheck);
    f.ch().UseBeers->CheckedLet(c.useBeers);
    if (c.carried) f.Carry(kTusker, "Tusker Spit Ale", 4);
    if (c.beerLeft >= 0) f.Enchant(3530, 601, c.beerLeft + 1);
    if (c.trackedLeft > 0) {
      f.Enchant(13, 110, c.trackedLeft + 1);
      f.ch().SelectedSpell = "110";
    } else {
      f.Enchant(30, 112, 0);
      f.ch().SelectedSpell = "112";
    }
    f.Tick();
    const std::vector<Queued> expected =
        c.expectQueued ? std::vector<Queued>{{3, kTusker, f.Me(), 4}} : std::vector<Queued>{};
    EXPECT_EQ(f.queued, expected) << c.what;
    EXPECT_TRUE(f.errors.empty()) << c.what;
  }
}

TEST(GemsAndBeersTest, AQueuedDrinkWaitsFiveTicksOfAnIdleQueue) {
  DrinkFixture f;
  f.ch().BeerFocus->CheckedLet(true);
  f.Carry(kTusker, "Tusker Spit Ale");
  f.Enchant(13, 110, 3601);
  std::vector<std::size_t> counts;
  for (int tick = 1; tick <= 14; ++tick) {
    f.queueRunning = tick >= 7 && tick <= 9;  // the countdown stands still meanwhile
    f.Tick();
    counts.push_back(f.queued.size());
  }
  EXPECT_EQ(counts, (std::vector<std::size_t>{1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 3}));
}

TEST(GemsAndBeersTest, LowDrinkWarningFiresOnceWhenTheTimerIsCrossed) {
  // The warning on, automatic drinking off, two drinks ticked.
  const auto warnOnly = [](DrinkFixture& f) {
    f.ch().UseBeers->CheckedLet(false);
    f.SetOption("Buffs Expiration Warning", true);
    f.ch().BeerFocus->CheckedLet(true);
    f.ch().BeerStr->CheckedLet(true);
  };
  const auto warnings = [](DrinkFixture& f, std::size_t mark) {
    const auto lines = f.OutputSince(mark);
    return std::count_if(lines.begin(), lines.end(),
                         [](const std::string& l) { return l.find("Your beer spells are getting low!") != l.npos; });
  };
  {
    // Told in the very second the buff reaches the timer, not a second later.
    DrinkFixture g;
    warnOnly(g);
    g.Enchant(3530, 601, 122);
    std::vector<std::ptrdiff_t> seconds;
    for (int i = 0; i < 3; ++i) {
      const auto mark = g.Mark();
      g.Tick();  // 121, 120, 119
      seconds.push_back(warnings(g, mark));
    }
    EXPECT_EQ(seconds, (std::vector<std::ptrdiff_t>{0, 1, 0}));
    EXPECT_EQ(g.spells().LowBeer, 119);
  }
  DrinkFixture f;
  warnOnly(f);
  f.Enchant(3530, 601, 124);
  f.Enchant(3864, 606, 900);
  f.Enchant(3862, 604, 50);  // unticked: not counted
  const auto mark = f.Mark();
  f.Tick();      // 123
  f.Tick();      // 122
  f.Tick(3000);  // 119: the exact second was skipped
  f.Tick(0);     // the same second again
  f.Tick();
  EXPECT_EQ(warnings(f, mark), 1);
  EXPECT_EQ(f.spells().LowBeer, 118);
}

TEST(GemsAndBeersTest, TimerTextsOutOfRangeCountAsNotNumbers) {
  struct Case {
    const char* beerTimer;
    const char* useTimer;
    bool expectQueued;  // the drink has 119 s left
    std::int32_t lowBeer;
  };
  const Case cases[] = {
      {"abc", "120", true, 119},          // 120 stands in
      {"99999999999", "120", true, 119},  // too large: as not numeric, no overflow
      {"100", "120", false, 119},
      {"120", "abc", false, 99999},  // no drink handling at all
      {"120", "-3000000000", false, 99999},
  };
  for (const Case& c : cases) {
    DrinkFixture f;
    f.ch().BeerFocus->CheckedLet(true);
    f.Carry(kTusker, "Tusker Spit Ale");
    f.Enchant(3530, 601, 120);
    f.ch().BeerTimer->TextLet(c.beerTimer);
    f.ch().BeerUseTimer->TextLet(c.useTimer);
    f.Tick();
    f.spells().BeerTimer_End(0, true);
    f.spells().BeerUseTimer_End(0, true);
    const std::string what = std::string(c.beerTimer) + " / " + c.useTimer;
    EXPECT_EQ(f.queued.size(), c.expectQueued ? 1u : 0u) << what;
    EXPECT_EQ(f.spells().LowBeer, c.lowBeer) << what;
    EXPECT_TRUE(f.errors.empty()) << what;
    EXPECT_EQ(f.ch().BeerTimer->TextGet(), SpellHandler::WholeNumber(c.beerTimer) ? c.beerTimer : "120") << what;
    EXPECT_EQ(f.ch().BeerUseTimer->TextGet(), SpellHandler::WholeNumber(c.useTimer) ? c.useTimer : "120") << what;
  }
}

TEST(GemsAndBeersTest, DrinkAllQueuesEveryTickedDrinkThenRunsTheQueue) {
  DrinkFixture f;
  f.ch().BeerFocus->CheckedLet(true);
  f.ch().BeerStr->CheckedLet(true);
  f.Carry(kTusker, "Tusker Spit Ale", 3);
  f.Carry(kZongo, "Apothecary Zongo's Stout", 7);
  f.Carry(302, "Amber Ape", 2);  // its box is not ticked
  f.Enchant(3530, 601, 900);     // active: queued all the same
  f.spells().DrinkAllBeers();
  EXPECT_EQ(f.queued, (std::vector<Queued>{{3, kTusker, f.Me(), 3}, {3, kZongo, f.Me(), 7}}));
  EXPECT_EQ(f.runs, 1);
  for (const auto& retry : f.spells().BeerRetries) EXPECT_EQ(retry.second, 0);
}

TEST(GemsAndBeersTest, GemsAreUsedWhileTheirBuffAndCooldownAreMissing) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::int32_t, std::int32_t>> enchantments;  // spell, family
    bool useGems, carried;
    Lines expected;
  };
  const Lines all{"item: use 402 0", "item: use 403 0", "item: use 401 0"};
  const Case cases[] = {
      {"all missing: Benediction first", {}, true, true, all},
      {"buffs active", {{3810, 620}, {3811, 621}, {4024, 622}}, true, true, {}},
      {"shared Benediction cooldown", {{-32766, 0}}, true, true, {"item: use 401 0"}},
      {"Favor cooldown", {{-32765, 0}}, true, true, {"item: use 402 0", "item: use 403 0"}},
      {"gems off", {}, false, true, {}},
      {"no gems carried", {}, true, false, {}},
  };
  for (const Case& c : cases) {
    DrinkFixture f;
    f.ch().UseBeers->CheckedLet(false);
    f.ch().UseGems->CheckedLet(c.useGems);
    if (c.carried) {
      f.Carry(401, "Blackmoor's Favor");
      f.Carry(402, "Asheron's Benediction");
      f.Carry(403, "Asheron's Lesser Benediction");
    }
    f.spells().InitSpells();
    EXPECT_EQ(f.spells().Benediction, c.carried ? 402 : -1) << c.what;
    f.Enchant(1, 101, 1800);
    for (const auto& [spell, family] : c.enchantments) f.Enchant(spell, family, 600);
    const auto mark = f.Mark();
    f.Tick();
    Lines uses;
    for (const auto& line : f.OutputSince(mark))
      if (line.rfind("item: use", 0) == 0) uses.push_back(line);
    EXPECT_EQ(uses, c.expected) << c.what;
    EXPECT_TRUE(f.errors.empty()) << c.what;
  }
}


// The reference's drinks and gems: each item by name serves the buff and box
// (or cooldown) written beside it, and the drinks are all the code has.
TEST(GemsAndBeersTest, TheSessionReferenceGivesEachDrinksAndGemsBuff) {
  std::set<std::int32_t> drinkBuffs;
  std::size_t gems = 0;
  for (const Table& table : Tables(Section(SessionReference(), "## Drinks and gems"))) {
    if (table.header.size() != 3 || table.header[0] != "item") continue;
    for (const auto& row : table.rows) {
      const std::string item = Unquoted(row[0]);
      const std::int32_t buff = std::stoi(row[1]);
      constexpr std::int32_t kItem = 500;
      if (table.header[2] == "box") {
        drinkBuffs.insert(buff);
        // Queued while its buff is missing, not while it runs.
        for (const bool buffOn : {false, true}) {
          DrinkFixture f;
          f.host.View()->Get<sim::SimCheckBox>(Unquoted(row[2])).CheckedLet(true);
          f.Carry(kItem, item, 2);
          f.Enchant(13, 110, 3601);
          if (buffOn) f.Enchant(buff, 600, 3601);
          f.Tick();
          const std::vector<Queued> expected =
              buffOn ? std::vector<Queued>{} : std::vector<Queued>{{3, kItem, f.Me(), 2}};
          EXPECT_EQ(f.queued, expected) << item << (buffOn ? " with its buff on" : "");
        }
      } else if (table.header[2] == "cooldown") {
        ++gems;
        // Used while neither its buff nor its cooldown is on the character.
        for (const std::int32_t on : {0, buff, std::stoi(row[2])}) {
          DrinkFixture f;
          f.ch().UseBeers->CheckedLet(false);
          f.ch().UseGems->CheckedLet(true);
          f.Carry(kItem, item);
          f.spells().InitSpells();
          f.Enchant(1, 101, 1800);
          if (on != 0) f.Enchant(on, 620, 600);
          const auto mark = f.Mark();
          f.Tick();
          const auto out = f.OutputSince(mark);
          EXPECT_EQ(std::count(out.begin(), out.end(), "item: use " + std::to_string(kItem) + " 0"), on == 0 ? 1 : 0)
              << item << " with " << on;
        }
      }
    }
  }
  EXPECT_EQ(drinkBuffs, std::set<std::int32_t>(SpellHandler::kBeerSpells.begin(), SpellHandler::kBeerSpells.end()));
  EXPECT_EQ(gems, 3u);
}

}  // namespace
}  // namespace mellox::test
