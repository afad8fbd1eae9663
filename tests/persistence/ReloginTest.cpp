// Logging off and on again with the plug-in kept loaded, as the game does:
// each login starts from the data file, so nothing it holds is multiplied.
#include <gtest/gtest.h>

#include <sstream>

#include "ScriptRunner.h"
#include "chat/LogHandler.h"
#include "core/APluginCore.h"
#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "core/Trap.h"
#include "persistence/DataFile.h"
#include "persistence/SettingsFile.h"
#include "persistence/XmlFiles.h"
#include "sim/SimClock.h"
#include "support/TempHome.h"
#include "tracking/CorpseHandler.h"
#include "tracking/SpellHandler.h"

namespace mellox::test {
namespace {

namespace fs = std::filesystem;

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
  std::string DataFileBytes() {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(host.ProgramDataDir() / "Mellox" / "Data" / "Mellox_Data_Alpha_Eve.xml", bytes));
    return bytes;
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
// nothing is used, nothing expires, the data file stays as the logoff wrote
// it, and the next login resumes with the seconds the spells had left.
TEST_F(ReloginTest, NothingIsDoneForTheCharacterWhileLoggedOff) {
  const auto gemUses = [&](std::size_t from) {
    std::size_t n = 0;
    for (std::size_t i = from; i < host.Output().size(); ++i) n += host.Output()[i] == "item: use 3001 0";
    return n;
  };
  Run("server Alpha\ncharacter Eve\nobject 0x50000001 1 Eve\n"
      "object 4001 2 Iron Sword\ninventory 4001\nobject 3001 2 Asheron's Benediction\ninventory 3001\n"
      "login\ncheck Spells_Item on\ncheck Use_Gems on\n"
      "chat 7 1 You cast Stoneskin I on Iron Sword\nchat 7 1 You cast Warding Veil II on your armor.\n"
      "advance 2s\n");
  ASSERT_GT(gemUses(0), 0u);
  Run("logoff\n");
  const std::string atLogoff = DataFileBytes();
  ASSERT_EQ(Count(atLogoff, "remaining=\"598\""), 1u) << atLogoff;
  const std::size_t mark = host.Output().size();
  Run("advance 600s\n");
  EXPECT_EQ(gemUses(mark), 0u);
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
  // Died and logged off before re-materialising; the corpse was never recorded.
  Run("server Alpha\ncharacter Eve\nobject 0x50000001 1 Eve\nlogin\n"
      "death Eve was killed by a drudge.\nadvance 2s\nlogoff\n");
  ASSERT_TRUE(CorpseHandlerInstance->HasDied());
  // Another character logs in on the same plug-in.
  Run("character Ann\nobject 0x50000002 1 Ann\nlogin\nportal EXIT\nadvance 2s\n");
  EXPECT_FALSE(CorpseHandlerInstance->PendingCorpse().has_value());
  EXPECT_TRUE(CorpseHandlerInstance->Corpses.empty());
  EXPECT_TRUE(CorpseHandlerInstance->OpenedCorpses().empty());
}

}  // namespace
}  // namespace mellox::test
