// The core tick and the other timers, on the simulated host's clock.
#include "core/TimerHandler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "chat/ChatTextHandler.h"
#include "chat/LogHandler.h"
#include "host/FilterHandler.h"
#include "host/HostPeers.h"
#include "host/HostTestFixture.h"
#include "host/NetEchoHandler.h"
#include "persistence/DataFile.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimEchoFilter.h"
#include "sim/SimHooks.h"
#include "sim/SimHostCore.h"
#include "sim/SimNetworkMessage.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"
#include "tracking/SpellHandler.h"
#include "tracking/SpellItemInfo.h"
#include "tracking/Statistics.h"

namespace mellox::test {
namespace {

namespace fs = std::filesystem;

class TimerHandlerTest : public HostTest {
 protected:
  TimerHandler& timers() { return *TimerHandlerInstance; }
  ControlHandler& ch() { return *ControlHandlerInstance; }
  Statistics& stats() { return *StatisticsInstance; }

  void Xp(std::int64_t total, std::int64_t unassigned) {
    for (auto [key, value] : {std::pair{1, total}, std::pair{2, unassigned}}) {
      auto m = std::make_shared<sim::SimNetworkMessage>(NetEchoHandler::kXPUpdate);
      m->Set("key", static_cast<std::int64_t>(key)).Set("value", value);
      host->Echo().Server(m);
    }
  }
};

TEST_F(TimerHandlerTest, TheMinuteWorkRunsOncePerMinuteBoundary) {
  Login();
  Xp(100, 100);
  host->Advance(59000);
  EXPECT_EQ(stats().FiveMinAvg(), 0);
  host->Advance(1000);
  EXPECT_EQ(stats().FiveMinAvg(), 12 * 100);
  Xp(150, 150);
  host->Advance(59000);
  EXPECT_EQ(stats().FiveMinAvg(), 12 * 100);
  host->Advance(1000);
  EXPECT_EQ(stats().FiveMinAvg(), 12 * 150);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(TimerHandlerTest, TheMinuteWorkSavesTheDataFileOnlyWhileItemSpellsAreTracked) {
  for (const bool tracked : {false, true}) {
    Start(true);
    Login();
    if (tracked) SpellHandlerInstance->AddItemSpell("Stoneskin I", "your armor.");
    host->Advance(30000);
    fs::remove(DataFilePath());
    host->Advance(30000);
    EXPECT_EQ(fs::exists(DataFilePath()), tracked);
  }

  // Chat every second stores only its lines and the spells' seconds left
  // beside the data file: the kept lines are not rewritten, and the next
  // login has the seconds of the last tick.
  Start(true);
  Login();
  ch().ChatLogEnable->CheckedLet(true);
  SpellHandlerInstance->AddItemSpell("Stoneskin I", "your armor.");
  for (int i = 0; i < 100; ++i)
    host->IncomingChat("Alice tells you, \"earlier " + std::to_string(i) + "\"", 3, 1);
  std::string data;
  for (int second = 1; second <= 60; ++second) {
    if (second == 60) {
      ASSERT_TRUE(fs::exists(DataFile::LinesPath()));
      data = ReadText(DataFilePath());
    }
    host->IncomingChat("Alice tells you, \"second " + std::to_string(second) + "\"", 3, 1);
    host->Advance(1000);
  }
  EXPECT_EQ(ReadText(DataFilePath()), data);
  const std::int32_t left = SpellHandlerInstance->ItemSpellsToSave().front().remaining;
  const fs::path linesPath = DataFile::LinesPath();
  const std::string lines = ReadText(linesPath);
  // The files as the minute left them (the game's close would save them whole).
  Start(true);
  std::ofstream(DataFilePath(), std::ios::binary) << data;
  std::ofstream(linesPath, std::ios::binary) << lines;
  Login();
  ASSERT_EQ(SpellHandlerInstance->ItemSpellsToSave().size(), 1u);
  EXPECT_EQ(SpellHandlerInstance->ItemSpellsToSave().front().remaining, left);
  EXPECT_EQ(LogHandlerInstance->Log().back().message(), "Alice tells you, \"second 60\"");

  // A spell cast on an item is stored by the next tick as a logged line is,
  // beside a data file larger than what it takes: the game stopping five
  // seconds after the cast (with or without a tell after it) loses neither.
  for (const bool tell : {true, false}) {
    SCOPED_TRACE(tell ? "a tell after the cast" : "the cast alone");
    Start(true);
    fs::remove(DataFilePath());
    Login();
    ch().ChatLogEnable->CheckedLet(true);
    ch().SpellsItem->CheckedLet(true);
    for (int i = 0; i < 40; ++i) host->IncomingChat("Alice tells you, \"before " + std::to_string(i) + "\"", 3, 1);
    host->Advance(1000);
    host->IncomingChat("You cast Stoneskin I on your armor.", 7, 1);
    if (tell) host->IncomingChat("Alice tells you, \"after the cast\"", 3, 1);
    host->Advance(5000);
    ASSERT_EQ(SpellHandlerInstance->ItemSpellsToSave().size(), 1u);
    const std::int32_t castLeft = SpellHandlerInstance->ItemSpellsToSave().front().remaining;
    data = ReadText(DataFilePath());
    const std::string companion = ReadText(linesPath);
    ASSERT_EQ(data.find("Item_Spell"), std::string::npos) << "the cast was written whole";
    Start(true);
    std::ofstream(DataFilePath(), std::ios::binary) << data;
    std::ofstream(linesPath, std::ios::binary) << companion;
    Login();
    ASSERT_EQ(SpellHandlerInstance->ItemSpellsToSave().size(), 1u);
    EXPECT_LE(SpellHandlerInstance->ItemSpellsToSave().front().remaining, castLeft + 5);
    EXPECT_EQ(LogHandlerInstance->Log().back().message(),
              tell ? "Alice tells you, \"after the cast\"" : "Alice tells you, \"before 39\"");
  }
}

TEST_F(TimerHandlerTest, ALoggedChatLineIsSavedByTheNextTick) {
  Login();
  ch().ChatLogEnable->CheckedLet(true);
  host->Advance(500);
  fs::remove(DataFilePath());
  host->IncomingChat("Alice tells you, \"hello\"", 3, 1);
  EXPECT_FALSE(fs::exists(DataFilePath()));  // the line itself writes nothing
  host->Advance(500);
  ASSERT_TRUE(fs::exists(DataFilePath()));
  EXPECT_NE(ReadText(DataFilePath()).find("hello"), std::string::npos);

  // Later ticks store only their own lines, beside the data file, which is
  // not rewritten; a crash after a tick loses none of them.
  std::vector<std::string> said{"Alice tells you, \"hello\""};
  auto tell = [&](const std::string& text) {
    said.push_back("Alice tells you, \"" + text + "\"");
    host->IncomingChat(said.back(), 3, 1);
  };
  for (int i = 0; i < 20; ++i) tell("earlier line " + std::to_string(i));
  host->Advance(1000);
  const std::string data = ReadText(DataFilePath());
  const fs::path lines = DataFile::LinesPath();
  for (int tick = 0; tick < 3; ++tick) {
    tell("tick " + std::to_string(tick) + " first");
    tell("tick " + std::to_string(tick) + " second");
    host->Advance(1000);
    EXPECT_EQ(ReadText(DataFilePath()), data);
    EXPECT_NE(ReadText(lines).find("tick " + std::to_string(tick) + " second"), std::string::npos);
  }
  const std::string added = ReadText(lines);
  auto relogWith = [&](const std::string& dataBytes, const std::string& companion) {
    Start(true);
    std::ofstream(DataFilePath(), std::ios::binary) << dataBytes;
    std::ofstream(lines, std::ios::binary) << companion;
    Login();
    std::vector<std::string> kept;
    for (const LogItem& item : LogHandlerInstance->Log()) kept.push_back(item.message());
    return kept;
  };
  EXPECT_EQ(relogWith(data, added), said) << "the game stopped after the tick";
  // That load wrote the data file whole; had the game stopped before the
  // companion was gone, its lines would still come back only once.
  EXPECT_FALSE(fs::exists(lines));
  EXPECT_EQ(relogWith(ReadText(DataFilePath()), added), said)
      << "the game stopped before the companion was removed";
  // Stopped while a line was being written: the torn line is left out, and told.
  said.pop_back();
  EXPECT_EQ(relogWith(data, added.substr(0, added.size() - 10)), said) << "the game stopped mid-line";
  EXPECT_TRUE(Said("Mellox_Data_Alpha_Bob.lines ended in the middle of a line"));

  // However long the chat goes on, the companion stays smaller than the data
  // file: before it would not, the data file is written whole with its lines.
  ch().ChatLogEnable->CheckedLet(true);
  tell("after the load");
  host->Advance(1000);
  ASSERT_TRUE(fs::exists(lines));
  std::string last;
  for (int tick = 0; fs::exists(lines); ++tick) {
    ASSERT_LT(tick, 100);
    EXPECT_LT(fs::file_size(lines), fs::file_size(DataFilePath()));
    last = "more " + std::to_string(tick);
    tell(last);
    host->Advance(1000);
  }
  EXPECT_NE(ReadText(DataFilePath()).find(last), std::string::npos);

  // Lowering the chat log's limit takes the lines it cuts out of the stored
  // files at the next tick, not at the logoff.
  tell("kept 1");
  tell("kept 2");
  host->Advance(1000);
  ASSERT_TRUE(fs::exists(lines));
  LogHandlerInstance->MaxLines(2);
  host->Advance(1000);
  EXPECT_FALSE(fs::exists(lines));
  EXPECT_EQ(ReadText(DataFilePath()).find(last), std::string::npos);
  EXPECT_NE(ReadText(DataFilePath()).find("kept 1"), std::string::npos);
}

TEST_F(TimerHandlerTest, AFailingScreenshotCheckIsReportedOnceNotEverySecond) {
  Login();
  ch().LevelSS->CheckedLet(true);
  ch().StartLevel->TextLet("ten");
  timers().StartTakeSS();
  host->Advance(5000);
  EXPECT_EQ(std::count(errors.begin(), errors.end(), "TimerHandler.TakeSS_Timeout #13"), 1);
}

TEST_F(TimerHandlerTest, FriendsAreAskedForOnceThreeSecondsAfterLogin) {
  Login();
  const auto row = ch().FindName("Show Friends Online on Login", "ChatOptions");
  ch().ChatOptions->DataLet(0, row, 0, true);
  const auto mark = Mark();
  host->Advance(2999);
  EXPECT_FALSE(SaidSince(mark, "parser: /friends online"));
  host->Advance(10000);
  EXPECT_EQ(CountSince(mark, "parser: /friends online"), 1u);
  EXPECT_TRUE(FilterHandlerInstance->doneFriends);
}

TEST_F(TimerHandlerTest, TheTargetRefreshIdentifiesOnlyCreatures) {
  Login();
  host->World().AddObject(1000, "Drudge Slinker", 5);
  host->World().AddObject(1001, "Apple", 6);
  HostPeers::TargetSetObject(host->World().ObjectById(1000));
  auto mark = Mark();
  host->Advance(4000);
  EXPECT_EQ(CountSince(mark, "item: identify 1000"), 2u);
  HostPeers::TargetSetObject(host->World().ObjectById(1001));
  mark = Mark();
  host->Advance(4000);
  EXPECT_FALSE(SaidSince(mark, "item: identify"));
}

}  // namespace
}  // namespace mellox::test
