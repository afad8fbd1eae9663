// What the target HUD writes for objects of the different classes.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <set>

#include "hud/TargetHudFixture.h"
#include "support/SessionReference.h"

namespace mellox::test {
namespace {

using Obj = sim::SimWorldObject;
using Lines = std::vector<std::string>;

// Keys as the game numbers them.
constexpr std::int32_t kBurden = 5, kValue = 19, kDiff = 38, kAmount = 90, kWork = 105, kMana = 107;
constexpr std::int32_t kMaxMana = 108, kWieldKind = 158, kWieldId = 159, kWieldLevel = 160, kTinks = 171;
constexpr std::int32_t kStack = 0x0D000006, kMaxDamage = 0x0D000022;

struct Case {
  const char* label;
  std::int32_t objectClass;
  std::function<void(Obj&)> set;
  Lines lines;  // the name, then the description
};

TEST(HudTargetDescriptionTest, LinesByObjectClass) {
  const std::vector<Case> cases = {
      {"armour",
       2,
       [](Obj& o) {
         o.SetLong(kValue, 1500).SetLong(kBurden, 25).SetLong(114, 1).SetLong(36, 1).SetLong(kWieldKind, 3);
         o.SetLong(kWieldId, 1)
             .SetLong(kWieldLevel, 100)
             .SetLong(28, 200)
             .SetLong(kWork, 3)
             .SetLong(kTinks, 2);
       },
       {"Thing", "1,500p, 25bu, A U, Str 100", "AL 200, Wk 3, Tk 2"}},
      {"weapon with mana block",
       1,
       [](Obj& o) {
         o.SetLong(kMaxDamage, 20)
             .SetDouble(0x0A00000B, 0.25)
             .SetDouble(0x0A00000C, 1.15)
             .SetLong(kMaxMana, 1000);
         o.SetLong(kMana, 500)
             .SetLong(109, 250)
             .SetLong(188, 3)
             .SetLong(176, 32)
             .SetLong(115, 300)
             .SetLong(110, 2);
       },
       {"Thing", "0p, 0bu", "15-20, 15", "500m, Lr 250, Sho, IE 300, Rk 2", "Major Strength, Epic Defender"}},
      {"range with decimals",
       1,
       [](Obj& o) { o.SetLong(kMaxDamage, 17).SetDouble(0x0A00000B, 0.33); },
       {"Thing", "0p, 0bu", "11.39-17"}},
      {"second bonus missing",
       1,
       [](Obj& o) { o.SetLong(kMaxDamage, 10).SetDouble(0x0A00000C, 1.1).SetDouble(150, 1.2); },
       {"Thing", "0p, 0bu", "10-10, 10  20"}},
      {"missile launcher",
       9,
       [](Obj& o) { o.SetLong(kMaxDamage, 10).SetDouble(0x0A00000E, 1.25).SetLong(204, 3); },
       {"Thing", "0p, 0bu", "10 25%[3]"}},
      {"class 31", 31, [](Obj& o) { o.SetDouble(152, 1.2); }, {"Thing", "0p, 0bu", "20%, 0"}},
      {"jewellery without work", 4, [](Obj& o) { o.SetLong(kTinks, 3); }, {"Thing", "0p, 0bu"}},
      {"trap",
       16,
       [](Obj& o) { o.SetLong(kMana, 5).SetDouble(87, 0.5).SetDouble(137, 0.125); },
       {"Thing", "0p, 0bu", "5, 50% T, 12% D"}},
      {"healing kit",
       29,
       [](Obj& o) { o.SetLong(92, 3).SetLong(91, 5).SetDouble(100, 0.8).SetLong(kAmount, 40); },
       {"Thing", "0p, 0bu", "3/5, 80%, +40 Heal"}},
      {"salvage",
       39,
       [](Obj& o) { o.SetDouble(0x0A000009, 7.5).SetLong(170, 3); },
       {"Thing", "0p, 0bu", "Wk 7.5, From 3"}},
      {"book",
       27,
       [](Obj& o) { o.SetLong(kBurden, 1200).SetString(16, "Hello"); },
       {"Thing", "1,200bu", "Hello"}},
      {"food",
       6,
       [](Obj& o) { o.SetLong(89, 2).SetLong(kAmount, 10); },
       {"Thing", "0p, 0bu", "Restores 10 Health"}},
      {"food, unknown vital",
       6,
       [](Obj& o) { o.SetLong(89, 3).SetLong(kAmount, 10); },
       {"Thing", "0p, 0bu", "Restores 10 "}},
      {"gem", 6, [](Obj& o) { o.SetLong(0x0D000008, 1); }, {"Thing", "0p, 0bu", "Casts Stoneskin I"}},
      {"unlocked chest", 26, [](Obj& o) { o.SetLong(kDiff, 200); }, {"Thing", "Unlocked, Diff 200"}},
      {"locked door",
       10,
       [](Obj& o) { o.SetBool(3, true).SetLong(kDiff, 200); },
       {"Thing", "0p, 0bu", "Locked, Diff 200"}},
      {"portal",
       14,
       [](Obj& o) { o.SetLong(86, 50).SetString(38, "Use it"); },
       {"Thing", "Level 50+", "Use it"}},
      {"portal restricted",
       14,
       [](Obj& o) { o.SetLong(86, 50).SetLong(87, 80).SetLong(26, 1).SetLong(111, 49); },
       {"Thing", "Level 50-80, TOD No Rec/Tie/Sum", ""}},
      {"portal, unknown restriction", 14, [](Obj& o) { o.SetLong(111, 5); }, {"Thing", "None No ", ""}},
      {"wield kind 9", 2, [](Obj& o) { o.SetLong(kWieldKind, 9); }, {"Thing", "0p, 0bu, ", "AL 0"}},
      {"empty skill slot",
       2,
       [](Obj& o) { o.SetLong(kWieldKind, 1).SetLong(kWieldId, 8).SetLong(kWieldLevel, 300); },
       {"Thing", "0p, 0bu,  300", "AL 0"}},
      {"trained skill",
       2,
       [](Obj& o) { o.SetLong(kWieldKind, 8).SetLong(kWieldId, 41).SetLong(kWieldLevel, 3); },
       {"Thing", "0p, 0bu, 2H Spc", "AL 0"}},
      {"all flags, no branch",
       42,
       [](Obj& o) {
         o.SetLong(114, 1).SetLong(33, 1).SetBool(100, true).SetBool(99, true).SetBool(91, true);
       },
       {"Thing", "0p, 0bu, A B D I R"}},
      {"name only", 40, [](Obj& o) { o.SetLong(kValue, 7); }, {"Thing"}},
      {"stack with plural",
       7,
       [](Obj& o) { o.SetLong(kStack, 5).SetString(0x0B000000, "Things"); },
       {"5 Things", "0p, 0bu"}},
      {"stack", 7, [](Obj& o) { o.SetName("Pyreal").SetLong(kStack, 3); }, {"3 Pyreals", "0p, 0bu"}},
      {"stack ending in s", 7, [](Obj& o) { o.SetName("Lens").SetLong(kStack, 2); }, {"2 Lenses", "0p, 0bu"}},
  };
  TargetHudFixture f;
  f.net().IDSpells = "Major Strength;Blood Drinker VI;Epic Defender;";
  std::int32_t id = 2000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    c.set(f.Obj(++id, "Thing", c.objectClass));
    f.Show(id);
    EXPECT_EQ(f.Paint(), c.lines);
  }
  EXPECT_TRUE(f.errors.empty()) << f.errors.front();
}

TEST(HudTargetDescriptionTest, PercentBonusesRoundToOneDecimalHalfToEven) {
  for (const auto& [value, text] : std::vector<std::pair<double, const char*>>{
           {1.15, "15"}, {0.9, "-10"}, {1.125, "12.5"}, {1.0, "0"}, {0.0, ""}}) {
    EXPECT_EQ(HudHandlerT::FormatPercentBonus(value), text) << value;
  }
}

TEST(HudTargetDescriptionTest, IconsNameBoxAndThePlaceholderUntilIdentified) {
  TargetHudFixture f;
  auto& o = f.host.World().AddObject(4000, "Drudge", 5);
  o.SetIcon(0x1234).SetLong(0x0D00002A, 0x55).SetLong(0x0D000029, 0x66);
  f.Show(4000);
  EXPECT_EQ(f.Paint(), (Lines{"Drudge", "[Waiting for ID]"}));
  const auto texts = f.Calls(sim::HudCall::Kind::WriteText);
  EXPECT_EQ(texts[0]->flags, 37);
  EXPECT_EQ(texts[0]->rect, (platform::Rect{36, 15, f.hud().Width() - 2, 47}));
  EXPECT_EQ(texts[1]->rect, (platform::Rect{3, 48, f.hud().Width() - 2, 64}));
  Lines images;
  for (const auto* i : f.Calls(sim::HudCall::Kind::DrawImage)) {
    EXPECT_EQ(i->rect, (platform::Rect{3, 15, 35, 47}));
    images.push_back(std::to_string(i->image - 0x06000000));
  }
  EXPECT_EQ(images, (Lines{"85", "4660", "102"}));  // underlay, icon, overlay

  o.SetHasIdentifyData(true).SetLong(25, 7);
  EXPECT_EQ(f.Paint().at(1), "7");
  f.host.World().AddObject(4001, "A Name Far Too Long To Fit Beside The Icon", 7);
  f.Show(4001);
  f.Paint();
  EXPECT_EQ(f.Calls(sim::HudCall::Kind::WriteText)[0]->flags, 17);  // wrapped over two rows
}

TEST(HudTargetDescriptionTest, RequirementsOutsideTheTablesAreReportedAndLeftOut) {
  TargetHudFixture f;
  f.net().IDSpells = "Major Strength;";
  struct Bad {
    std::function<void(Obj&)> set;
    Lines lines;
    const char* report;
  };
  std::int32_t id = 5000;
  for (const Bad& b : {
           Bad{[](Obj& o) { o.SetLong(kWieldKind, 1).SetLong(kWieldId, 46); },
               {"0p, 0bu", "AL 0"},
               "WieldReq #9"},
           Bad{[](Obj& o) { o.SetLong(kWieldKind, 8).SetLong(kWieldId, 1).SetLong(kWieldLevel, 4); },
               {"0p, 0bu", "AL 0"},
               "WieldReq #9"},
           Bad{[](Obj& o) { o.SetLong(kMaxMana, 100).SetLong(kMana, 50).SetLong(109, 10).SetLong(188, 5); },
               {"0p, 0bu", "AL 0", "50m", "Major Strength"},
               "ActivationReq #9"},
       }) {
    b.set(f.Obj(++id, "Thing", 2));
    f.Show(id);
    f.errors.clear();
    Lines expected{"Thing"};
    expected.insert(expected.end(), b.lines.begin(), b.lines.end());
    EXPECT_EQ(f.Paint(), expected);
    EXPECT_EQ(f.errors, (Lines{std::string("HudHandlerT.") + b.report}));
  }
}


// The reference's object classes are every class the code reads: the class
// constants of the host layer and the core, the classes with health, and the
// branches of the target HUD's description; and no other.
TEST(HudTargetDescriptionTest, TheSessionReferenceNamesEveryObjectClassRead) {
  std::set<int> written;
  for (const Table& table : Tables(Section(SessionReference(), "### Object classes"))) {
    if (table.header.empty() || table.header[0] != "class") continue;
    for (const auto& row : table.rows) {
      const std::regex number(R"(\d+)");
      for (std::sregex_iterator it(row[0].begin(), row[0].end(), number), end; it != end; ++it)
        written.insert(std::stoi(it->str()));
    }
  }
  std::set<int> read;
  auto collect = [&read](const std::string& code, const std::regex& pattern) {
    int found = 0;
    for (std::sregex_iterator it(code.begin(), code.end(), pattern), end; it != end; ++it, ++found)
      read.insert(std::stoi((*it)[1]));
    return found;
  };
  const std::regex constant(R"(constexpr std::int32_t k\w*Class = (\d+);)");
  int constants = 0;
  for (const char* folder : {"src/host", "src/core"}) {
    for (const auto& file : std::filesystem::directory_iterator(SourceDir() / folder)) {
      if (file.path().extension() == ".cpp") constants += collect(ReadSourceFile(file.path()), constant);
    }
  }
  const std::string target = ReadSourceFile("src/hud/HudHandlerT.cpp");
  const std::size_t vitals = target.find("bool HasVitals(");
  ASSERT_NE(vitals, std::string::npos);
  const int withHealth = collect(target.substr(vitals, target.find("\n}", vitals) - vitals),
                                 std::regex(R"(objectClass == (\d+))"));
  const std::string description = ReadSourceFile("src/hud/HudHandlerTDescription.cpp");
  const std::size_t branches = description.find("void HudHandlerT::DescribeClass(");
  ASSERT_NE(branches, std::string::npos);
  const int cases = collect(description.substr(branches, description.find("\n}\n", branches) - branches),
                            std::regex(R"(case (\d+):)"));
  // The patterns still find what the code reads.
  EXPECT_GE(constants, 4);
  EXPECT_EQ(withHealth, 4);
  EXPECT_GE(cases, 20);
  EXPECT_EQ(written, read);
}

}  // namespace
}  // namespace mellox::test
