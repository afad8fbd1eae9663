// One-key eating and healing: the food that fits the vital's need, the kit
// the vitals settings choose, and smart mode's food.
#include <gtest/gtest.h>

#include "host/AutomationFixture.h"
#include "sim/SimHotkeySystem.h"

namespace mellox::test {
namespace {

constexpr std::int32_t kHealth = 2;
constexpr std::int32_t kStamina = 4;

class EatingHealingTest : public AutomationTest {
 protected:
  void SetUp() override {
    AutomationTest::SetUp();
    EditDefaults(R"(<One_Touch enabled="False")", R"(<One_Touch_Exception name="rare apple"/><One_Touch enabled="True")");
    Login();
    auto& me = host->Character();
    me.SetMaximum(kHealth, 1000);
    me.SetMaximum(kStamina, 1000);
    me.SetStamina(1000);
    me.SetSkill(21, 600);
  }
  void Food(std::int32_t id, const std::string& name, std::int32_t vital, std::int32_t amount) {
    Carry(id, name, 6).SetLong(89, vital).SetLong(90, amount);
  }
  void Kit(std::int32_t id, std::int32_t bonus, double regen, std::int32_t uses) {
    Carry(id, "Kit", 29).SetLong(90, bonus).SetDouble(100, regen).SetLong(92, uses);
  }
};

TEST_F(EatingHealingTest, FoodFitsTheVitalsNeed) {
  Food(60, "Apple", kHealth, 40);
  Food(61, "Bread", kHealth, 60);
  Food(62, "Rare Apple", kHealth, 50);
  Food(63, "Elixir", kStamina, 45);
  Food(64, "Big Elixir", kStamina, 500);
  struct Case {
    const char* what;
    std::int32_t vital, current;  // of 1000
    const char* block;
    bool enabled;
    std::int32_t expected;  // 0: nothing eaten
  };
  for (const Case& c : {
           // The exception list is kept in the settings only; it plays no part here.
           Case{"the exact fit wins", kHealth, 950, "100%", true, 62},
           Case{"otherwise the closest", kHealth, 900, "100%", true, 61},
           Case{"only food of that vital; the closest wins", kStamina, 600, "100%", true, 64},
           Case{"a miss of 999 or more is no fit", kHealth, -1000, "100%", true, 0},
           Case{"above the block fraction", kStamina, 950, "90%", true, 0},
           Case{"at the block fraction", kStamina, 900, "90%", true, 63},
           Case{"switched off", kStamina, 100, "100%", false, 0},
       }) {
    SCOPED_TRACE(c.what);
    if (c.vital == kHealth) host->Character().SetHealth(c.current);
    if (c.vital == kStamina) host->Character().SetStamina(c.current);
    ch().VitalsBlock->TextLet(c.block);
    ch().VitalsEnabled->CheckedLet(c.enabled);
    const auto mark = Mark();
    EXPECT_EQ(fh().UseFood(c.vital), c.expected != 0);
    EXPECT_EQ(Applied(mark), c.expected ? Apply(c.expected) : Lines{});
  }
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(EatingHealingTest, KitChoiceFollowsTheCheapAndSuccessSettings) {
  struct KitRow {
    std::int32_t id, bonus;
    double regen;
    std::int32_t uses;
  };
  const std::vector<KitRow> three = {{70, 50, 0.1, 10}, {71, 0, 0.2, 10}, {72, 100, 0.5, 10}};
  struct Case {
    const char* what;
    std::int32_t health;
    std::vector<KitRow> kits;
    std::int32_t expected;
  };
  for (const Case& c : {
           Case{"above the cheap fraction: the least valuable adequate kit", 900, three, 71},
           Case{"at or below it: the best restoration bonus", 800, three, 72},
           Case{"the same kit with fewer uses, walked last", 900, {{70, 50, 0.1, 10}, {71, 50, 0.1, 3}}, 71},
           Case{"the same kit with fewer uses, walked first", 900, {{70, 50, 0.1, 3}, {71, 50, 0.1, 10}}, 70},
           Case{"none above the success cutoff: the highest chance", 700, {{70, 0, 0.9, 10}, {71, 20, 0.1, 10}}, 71},
       }) {
    SCOPED_TRACE(c.what);
    for (std::int32_t id : {70, 71, 72}) host->World().RemoveObject(id);
    for (const KitRow& k : c.kits) Kit(k.id, k.bonus, k.regen, k.uses);
    host->Character().SetHealth(c.health);
    const auto mark = Mark();
    EXPECT_TRUE(fh().UseKit(false));
    EXPECT_EQ(Applied(mark), Apply(c.expected));
  }
  // Logged off, the one-key hotkeys use nothing; the next login's do.
  host->Character().RaiseLogoff();
  auto mark = Mark();
  host->Hotkeys().Trigger("MX:OneKeyHeal");
  host->Hotkeys().Trigger("MX:OneKeyHealth");
  EXPECT_EQ(Applied(mark), Lines{});
  Login();
  mark = Mark();
  host->Hotkeys().Trigger("MX:OneKeyHeal");
  EXPECT_EQ(Applied(mark).size(), 1u);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(EatingHealingTest, SmartHealingEatsWhenTheBestKitIsUnlikelyToWork) {
  // Skill 200, 100 health missing in peace mode: a chance of about 0.32, below the 75 % fallback.
  host->Character().SetHealth(900);
  host->Character().SetSkill(21, 200);
  Kit(70, 0, 0.1, 10);
  struct Step {
    bool addFood, smart;
    std::int32_t skill, stamina, expected;
  };
  for (const Step& s : {Step{false, true, 200, 1000, 70},   // no food: the kit after all
                        Step{true, true, 200, 1000, 60},    // food instead
                        Step{true, false, 200, 1000, 70},   // not smart: the kit
                        Step{true, true, 600, 1000, 70},    // a good chance needs no food
                        Step{true, true, 600, 30, 60}}) {   // exhausted: practically no chance
    if (s.addFood) Food(60, "Apple", kHealth, 100);
    // The game heals on every use: each step starts from the same need.
    host->Character().SetHealth(900);
    host->Character().SetSkill(21, s.skill);
    host->Character().SetStamina(s.stamina);
    const auto mark = Mark();
    EXPECT_TRUE(fh().UseKit(s.smart));
    EXPECT_EQ(Applied(mark), Apply(s.expected)) << s.skill << " " << s.smart;
  }
  host->World().RemoveObject(60);
  host->World().RemoveObject(70);
  EXPECT_FALSE(fh().UseKit(true));
  EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
}  // namespace mellox::test
