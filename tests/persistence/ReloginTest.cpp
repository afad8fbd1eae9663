// Logging off and on again with the plug-in kept loaded, as the game does:
// each login starts from the data file, so nothing it holds is multiplied.
#include <gtest/gtest.h>

#include <sstream>

#include "ScriptRunner.h"
#include "chat/LogHandler.h"
#include "core/APluginCore.h"
#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "persistence/DataFile.h"
#include "persistence/SettingsFile.h"
#include "persistence/XmlFiles.h"
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
