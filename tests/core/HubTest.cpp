#include "core/Hub.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "core/APluginCore.h"
#include "core/CoreTestSupport.h"
#include "core/Globals.h"
#include "core/Trap.h"
#include "sim/SimSystem.h"

namespace mellox::test {
namespace {

const std::string kDashes(80, '-');

class HubTest : public ::testing::Test, public HostFixture {
 protected:
  void SetUp() override {
    MakeGameFolder();
    Hub::TellRepeatedErrors();  // each test a run of its own
  }
  void TearDown() override {
    if (plugin_) plugin_->Terminate();
    DebugMode = false;
    DebugSilent = false;
    SetErrorSink({});
  }
  // The plug-in initialised on a wrapped site, so tests can swap its hooks.
  void Start() {
    plugin_ = std::make_unique<APluginCore>();
    plugin_->Initialize(site_);
  }
  FailingHooks hooks_{host.Site().GetHooks()};
  WrappedSite site_{host.Site()};
  std::unique_ptr<APluginCore> plugin_;
};

TEST_F(HubTest, ErrorMessageNamesClassModuleOrForm) {
  struct Case {
    const char* proc;
    const char* module;
    int number;
    int line;
    const char* expected;
  };
  const Case cases[] = {
      {"ConvTime", "!Hub", 6, 0, "Error #6 occured in 'ConvTime' of module 'Hub'"},
      {"SetSound", "DX8Sound", 53, 0, "Error #53 occured in 'SetSound' of class 'DX8Sound'"},
      {"Load", "@Options", 5, 12, "Error #5 occured in 'Load' of form 'Options' at line 12"},
      {"X", "Y", 9, -3, "Error #9 occured in 'X' of class 'Y'"},
  };
  for (const auto& c : cases) EXPECT_EQ(Hub::ErrorMessage(c.proc, c.module, c.number, c.line), c.expected);
}

TEST_F(HubTest, ErrorsFileBlocksStartWithDashesOnlyInAnEmptyFile) {
  Hub::LogError("ConvTime", "!Hub", 6, "Overflow", 0);
  Hub::LogError("Debug", "DX8Sound", 53, "", 7);
  const auto lines = CrLfLines(ErrorsFile());
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], kDashes);
  EXPECT_EQ(lines[1].rfind("Mellox v1.1.1 (", 0), 0u);
  EXPECT_EQ(lines[1].back(), ')');
  EXPECT_EQ(lines[2], "Error #6 occured in 'ConvTime' of module 'Hub'");
  EXPECT_EQ(lines[3], "Overflow");
  EXPECT_EQ(lines[4], kDashes);
  EXPECT_EQ(lines[5].rfind("Mellox v1.1.1 (", 0), 0u);
  EXPECT_EQ(lines[6], "Error #53 occured in 'Debug' of class 'DX8Sound' at line 7");  // no empty description line
  EXPECT_EQ(lines[7], kDashes);
  EXPECT_EQ(ErrorsFile().back(), '\n');
}

TEST_F(HubTest, AnErrorsOrDebugFilePastItsBoundBecomesTheOldFileAndANewOneIsBegun) {
  // Faults that are only counted by now.
  for (int i = 0; i < 4; ++i) Hub::LogError("UpdateHUD", "HUDClockHandler", 6, "Overflow", 0);
  for (int i = 0; i < 4; ++i) Hub::LogError("Settings_Save", "ControlHandler", 75, "Path/File access error", 0);
  // Earlier reports, just short of the bound: the next block would pass it.
  std::string earlier = kDashes + "\r\n";
  const std::string block = "Mellox v1.1.1 (12/8/2026 7:00:00 PM)\r\nError #6 occured in 'UpdateHUD' of class "
                            "'HUDClockHandler'\r\nOverflow\r\n" + kDashes + "\r\n";
  while (earlier.size() + block.size() < Hub::kLogFileBound - 40) earlier += block;
  std::ofstream(GameFolder() / "Mellox Errors.txt", std::ios::binary) << earlier;
  std::ofstream(GameFolder() / "Mellox Errors.old.txt", std::ios::binary) << "an older file";
  Hub::LogError("ConvTime", "!Hub", 6, "Overflow", 0);
  EXPECT_TRUE(ReadFile(GameFolder() / "Mellox Errors.old.txt") == earlier);
  const auto lines = CrLfLines(ErrorsFile());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], kDashes);
  EXPECT_EQ(lines[2], "Error #6 occured in 'ConvTime' of module 'Hub'");
  // The counted fault's next occurrence is described in the new file too.
  Hub::LogError("UpdateHUD", "HUDClockHandler", 6, "Overflow", 0);
  EXPECT_EQ(CrLfLines(ErrorsFile()).size(), 9u);
  EXPECT_NE(ErrorsFile().find("'HUDClockHandler'\r\nOverflow\r\n"), std::string::npos);

  // No entry takes a file past its bound: a longer one is cut, and says so,
  // the mark within the entry's bound.
  const std::string name(Hub::kLogFileBound + 100, 'n');
  const auto entryOf = [](const std::string& file, const std::string& from) {
    const auto at = file.find(from);
    if (at == std::string::npos) return std::string();
    const auto end = file.find("]\r\n", at);
    return end == std::string::npos ? std::string() : file.substr(at, end + 1 - at);
  };
  const std::string entry = "Error #5 occured in 'ShowTarget' of class 'HUDTargetHandler'\r\nNo target " + name;
  Hub::LogError("ShowTarget", "HUDTargetHandler", 5, "No target " + name, 0);
  const std::string cut = entryOf(ErrorsFile(), "Error #5 occured in 'ShowTarget'");
  EXPECT_LE(cut.size(), Hub::kEntryBound);
  EXPECT_GT(cut.size(), Hub::kEntryBound - 100);
  EXPECT_TRUE(cut.ends_with("nnn [cut: " + std::to_string(entry.size()) + " bytes in all]"));
  // One that does not recur is counted at termination, with its description.
  Hub::TellRepeatedErrors();
  EXPECT_NE(ErrorsFile().find("'ControlHandler', repeated once\r\nPath/File access error\r\n"), std::string::npos);
  DebugMode = true;
  for (int i = 0; i < 20; ++i) Hub::wtcw_debug("Selected " + name);
  EXPECT_LE(std::filesystem::file_size(GameFolder() / "Mellox Debug.old.txt"), Hub::kLogFileBound);
  EXPECT_LE(std::filesystem::file_size(GameFolder() / "Mellox Debug.txt"), Hub::kLogFileBound);
  const std::string line = entryOf(DebugFile(), "Selected nnn");
  EXPECT_LE(line.size(), Hub::kEntryBound);
  EXPECT_GT(line.size(), Hub::kEntryBound - 100);
  EXPECT_TRUE(line.ends_with("nnn [cut: " + std::to_string(name.size() + 9) + " bytes in all]"));
  DebugMode = false;

  // A debug file already past the bound (as an unbounded run left it) goes on the first line.
  const std::string huge(Hub::kLogFileBound + 1, 'x');
  std::ofstream(GameFolder() / "Mellox Debug.txt", std::ios::binary) << huge;
  DebugMode = true;
  Hub::wtcw_debug("trace");
  EXPECT_EQ(std::filesystem::file_size(GameFolder() / "Mellox Debug.old.txt"), huge.size());
  const auto debug = CrLfLines(DebugFile());
  ASSERT_EQ(debug.size(), 1u);
  EXPECT_EQ(debug[0].substr(debug[0].size() - 9), ") - trace");
}

// Reports of one procedure and number with different descriptions (two
// damaged values of one file) are two faults, each told in full. One fault is
// told in full three times, then counted (the count told once a minute and at
// termination); quiet for a minute, it is told in full again. A fault told
// once gets no count line.
TEST_F(HubTest, EachFaultIsToldInFullThriceThenCountedAndInFullAgainAfterAQuietMinute) {
  Start();
  const std::string echo = "chat 6 1: <Mellox> Error #13 occured in 'Settings_Load 1' of class 'ControlHandler'";
  const std::string beers = "Type mismatch: Util usebeers=\"maybe\", using False";
  const std::string cheap = "Type mismatch: One_Touch cheap=\"abc\", using 0";
  const auto count = [&](const std::vector<std::string>& lines, const std::string& line) {
    return std::count(lines.begin(), lines.end(), line);
  };
  std::size_t mark = host.Output().size();
  Hub::LogError("Settings_Load 1", "ControlHandler", 13, beers);
  Hub::LogError("Settings_Load 1", "ControlHandler", 13, cheap);
  EXPECT_EQ(OutputSince(mark), (std::vector<std::string>{echo, echo}));
  auto lines = CrLfLines(ErrorsFile());
  EXPECT_EQ(count(lines, beers), 1);
  EXPECT_EQ(count(lines, cheap), 1);

  // A bad command typed once a second: the first three in full, then counted.
  const std::string typed = "chat 6 1: <Mellox> Error #5 occured in 'Command' of class 'ChatTextHandler'";
  const auto command = [] { Hub::LogError("Command", "ChatTextHandler", 5, "Invalid procedure call or argument"); };
  mark = host.Output().size();
  for (int i = 0; i < 62; ++i) {
    command();
    host.Advance(1000);
  }
  EXPECT_EQ(OutputSince(mark), std::vector<std::string>(3, typed));
  command();  // a minute after the last full report: the count
  EXPECT_EQ(OutputSince(mark).back(), typed + ", repeated 60 times");

  // Quiet for a minute: in full again, after the count not yet told.
  command();
  host.Advance(60'000);
  mark = host.Output().size();
  command();
  EXPECT_EQ(OutputSince(mark), (std::vector<std::string>{typed + ", repeated once", typed}));
  command();
  command();
  command();
  // A bad screenshot level at the last level-up of the run: told once.
  Hub::LogError("TakeSS_Timeout", "TimerHandler", 13, "Type mismatch");
  mark = host.Output().size();
  plugin_->Terminate();
  plugin_.reset();
  const auto told = OutputSince(mark);
  EXPECT_EQ(std::count_if(told.begin(), told.end(), [](const std::string& l) { return l.starts_with("chat"); }), 1);
  EXPECT_EQ(told.front(), typed + ", repeated once");
  lines = CrLfLines(ErrorsFile());
  EXPECT_EQ(count(lines, "Invalid procedure call or argument"), 6);
  // The faults told once get no count line, also one still remembered at termination.
  for (const std::string proc : {"'Settings_Load 1'", "'TakeSS_Timeout'"}) {
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& l) { return l.find(proc) != std::string::npos; }),
              proc == "'TakeSS_Timeout'" ? 1 : 2)
        << proc;
  }
}

TEST_F(HubTest, ErrorsAreEchoedInChatExceptForDebugAndWrittenToTheDebugFileInDebugMode) {
  Start();
  DebugMode = true;
  DebugSilent = true;
  const std::size_t mark = host.Output().size();
  Hub::LogError("Play", "DX8Sound", 5, "Invalid procedure call or argument", 0);
  Hub::LogError("Debug", "X", 5, "", 0);
  EXPECT_EQ(OutputSince(mark),
            std::vector<std::string>{"chat 6 1: <Mellox> Error #5 occured in 'Play' of class 'DX8Sound'"});
  const auto debug = CrLfLines(DebugFile());
  ASSERT_EQ(debug.size(), 2u);
  EXPECT_NE(debug[0].find(") - Error #5 occured in 'Play' of class 'DX8Sound', Invalid procedure call or argument"),
            std::string::npos);
}

TEST_F(HubTest, TrappedErrorsReachTheReporter) {
  Start();
  TrapModule("GetSoundList", "Hub", [] { throw VBError(9); });
  const auto lines = CrLfLines(ErrorsFile());
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[2], "Error #9 occured in 'GetSoundList' of module 'Hub'");
  EXPECT_EQ(lines[3], "Subscript out of range");
}

TEST_F(HubTest, AChatWriterThatKeepsFailingDoesNotMakeReportingRecurse) {
  auto& hooks = hooks_;
  site_.hooks = &hooks;
  Start();
  hooks.failChat = true;
  hooks.chatAttempts = 0;
  Hub::LogError("UpdateHUD", "HUDMainHandler", 5, "first", 0);
  // One echo attempt; its failure is recorded without a second echo.
  EXPECT_EQ(hooks.chatAttempts, 1);
  const std::string file = ErrorsFile();
  EXPECT_NE(file.find("Error #5 occured in 'wtcw_error' of module 'Hub'"), std::string::npos);
  EXPECT_NE(file.find("Error #5 occured in 'UpdateHUD' of class 'HUDMainHandler'"), std::string::npos);

  // The chat half of a debug line fails the same way, once.
  DebugMode = true;
  hooks.chatAttempts = 0;
  Hub::wtcw_debug("trace");
  EXPECT_EQ(hooks.chatAttempts, 2);  // the debug line, then the echo of its failure
  EXPECT_NE(ErrorsFile().find("Error #5 occured in 'wtcw_debug' of module 'Hub'"), std::string::npos);
  hooks.failChat = false;
}

TEST_F(HubTest, DebugLinesFollowDebugModeAndSilence) {
  Start();
  std::size_t mark = host.Output().size();
  Hub::wtcw_debug("off");
  EXPECT_TRUE(OutputSince(mark).empty());
  EXPECT_FALSE(std::filesystem::exists(GameFolder() / "Mellox Debug.txt"));

  DebugMode = true;
  Hub::wtcw_debug("loud");
  EXPECT_EQ(OutputSince(mark), std::vector<std::string>{"chat 32 1: <Mellox-Debug> loud"});
  DebugSilent = true;
  mark = host.Output().size();
  Hub::wtcw_debug("quiet");
  EXPECT_TRUE(OutputSince(mark).empty());

  const auto lines = CrLfLines(DebugFile());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("Mellox v1.1.1 (", 0), 0u);
  EXPECT_EQ(lines[0].substr(lines[0].size() - 8), ") - loud");
  EXPECT_EQ(lines[1].substr(lines[1].size() - 9), ") - quiet");
}

TEST_F(HubTest, WritersWithoutTheirObjectsOrFoldersDoNothingAndNeverThrow) {
  // No plug-in: no chat, but the files still work.
  DebugMode = true;
  Hub::wtcw_error("nobody listens");
  Hub::wtcw_debug("file only");
  EXPECT_NE(DebugFile().find("file only"), std::string::npos);

  // Without the game's folder nothing is written and the folder is not made.
  std::filesystem::remove_all(GameFolder());
  Hub::LogError("A", "B", 5, "", 0);
  Hub::LogDebug("x");
  EXPECT_FALSE(std::filesystem::exists(GameFolder()));

  // A failed folder look-up is an error, never a path.
  host.System().FailFolders(true);
  EXPECT_THROW(Hub::GetMyDoc(), VBError);
  EXPECT_THROW(Hub::GetDataFolder(), VBError);
  Hub::LogError("A", "B", 5, "", 0);
  host.System().FailFolders(false);
  EXPECT_EQ(Hub::GetMyDoc(), host.DocumentsDir().string());
  EXPECT_EQ(Hub::GetDataFolder(), host.ProgramDataDir().string());
}

}  // namespace
}  // namespace mellox::test
