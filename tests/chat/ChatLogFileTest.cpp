// The chat-log files: text and XML logs, their names, the daily move, and
// what happens to files that cannot be read or folders that cannot be used.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "chat/LogHandler.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "host/HostTestFixture.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCheckBox.h"
#include "sim/SimClock.h"
#include "sim/SimView.h"

namespace mellox::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kStyle = R"(<?xml-stylesheet type="text/xsl" href="style/melloxlog.xsl"?>)";

class ChatLogFileTest : public HostTest {
 protected:
  void SetUp() override { Fresh(); }
  // A new home (no settings, data or log files of earlier rounds) and a login.
  // blockFolder: the game's folder is taken by a file, so no log folder can be made.
  void Fresh(const std::string& chatLog = "", bool blockFolder = false) {
    if (host) host->UnloadPlugin();
    host.reset();
    fs::remove_all(home.path());
    fs::create_directories(home.path());
    Start(true);
    RouteOwnLinesToMain();
    if (!chatLog.empty()) {
      std::string text = ReadText(DefaultsFile());
      const std::string from = R"(<Chat_Log enabled="False" max="100" auto="False" timestamp="False" xml="False" bydate="False")";
      const auto at = text.find(from);
      ASSERT_NE(at, std::string::npos);
      text.replace(at, from.size(), chatLog);
      std::ofstream(DefaultsFile(), std::ios::binary) << text;
    }
    if (blockFolder) BlockFolder();
    errors.clear();
    Login();
  }
  void BlockFolder() {
    fs::remove_all(host->DocumentsDir() / Hub::kGameFolderName);
    std::ofstream(host->DocumentsDir() / Hub::kGameFolderName) << "not a folder";
  }
  ControlHandler& C() { return *ControlHandlerInstance; }
  LogHandler& L() { return *LogHandlerInstance; }
  void Check(const std::string& name, bool on) { host->View()->Get<sim::SimCheckBox>(name).UserCheck(on); }
  fs::path Logs() const { return host->DocumentsDir() / Hub::kGameFolderName / "Logs"; }
  void Tick() { host->Advance(1000); }
  void Say(const std::string& text) { host->IncomingChat("Al says, \"" + text + "\"", 2, 1); }
  std::set<std::string> LogFiles() const {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(Logs(), ec)) names.insert(e.path().filename().string());
    return names;
  }
  static std::string Message(const std::string& text, const std::string& time = "7:00:00 PM", int type = 2,
                             int tag = 1) {
    return "\r\t<Message type=\"" + std::to_string(type) + "\" color=\"" + ChatColorHex[static_cast<std::size_t>(type)] +
           "\" tag=\"" + std::to_string(tag) + "\" date=\"12/8/2026 " + time + "\">" + text + "</Message>\r";
  }
};

TEST_F(ChatLogFileTest, TextAndXmlLogsByNameAndForm) {
  struct Case {
    bool xml, byDate, timestamp;
    std::string file, content;
  };
  const std::string tellXml = "\r\t<Message type=\"3\" color=\"" + ChatColorHex[3] +
                              "\" tag=\"2\" date=\"12/8/2026 7:00:00 PM\">Al tells you, \"caf\xc3\xa9\"</Message>\r";
  const std::vector<Case> cases = {
      {false, false, false, "Alpha_Bob.txt", "Al says, \"one\"\r\nAl tells you, \"caf\xe9\"\r\n"},
      {false, true, true, "Alpha_Bob_2026-12-08.txt",
       "<12/8/2026 7:00:00 PM> Al says, \"one\"\r\n<12/8/2026 7:00:00 PM> Al tells you, \"caf\xe9\"\r\n"},
      // The XML form carries the time as an attribute, never as a prefix, and
      // its text in UTF-8.
      {true, false, true, "Alpha_Bob.xml", std::string(kStyle) + "<Log>\r" + Message("Al says, \"one\"") + tellXml + "</Log>"},
  };
  for (const auto& c : cases) {
    Fresh();
    C().ChatLogXML->CheckedLet(c.xml);
    C().ChatLogByDate->CheckedLet(c.byDate);
    C().ChatLogTimestamp->CheckedLet(c.timestamp);
    Check("Chat_Log_Auto", true);
    ASSERT_TRUE(L().FileLogging());
    Say("one");
    host->IncomingChat("Al tells you, \"caf\xe9\"", 3, 1);
    Tick();
    EXPECT_EQ(LogFiles(), std::set<std::string>{c.file});
    EXPECT_EQ(ReadText(Logs() / c.file), c.content) << c.file;
    // Text is appended, the XML document rewritten whole with the new line.
    Say("two");
    Tick();
    const std::string after = ReadText(Logs() / c.file);
    EXPECT_NE(after.find(c.xml ? c.content.substr(0, c.content.size() - 6) : c.content), std::string::npos) << c.file;
    EXPECT_NE(after.find("Al says, \"two\""), std::string::npos) << c.file;
    EXPECT_TRUE(errors.empty()) << errors.front();
  }
}

TEST_F(ChatLogFileTest, AnExistingXmlLogIsAppendedToAndAnUnreadableOneKeptAside) {
  struct Case {
    std::string existing;
    std::string result;
    bool keptAside;
  };
  const std::vector<Case> cases = {
      {std::string(kStyle) + "<Log>\r" + Message("old") + "</Log>",
       std::string(kStyle) + "<Log>\r" + Message("old") + Message("Al says, \"new\"") + "</Log>", false},
      // Another root takes the lines and gets no second style sheet.
      {"<Chats>\r</Chats>", "<Chats>\r" + Message("Al says, \"new\"") + "</Chats>", false},
      {"<Log>\r\t<Message>broken", std::string(kStyle) + "<Log>\r" + Message("Al says, \"new\"") + "</Log>", true},
  };
  for (const auto& c : cases) {
    Fresh();
    fs::create_directories(Logs());
    std::ofstream(Logs() / "Alpha_Bob.xml", std::ios::binary) << c.existing;
    const auto mark = Mark();
    C().ChatLogXML->CheckedLet(true);
    Check("Chat_Log_Auto", true);
    Say("new");
    Tick();
    EXPECT_EQ(ReadText(Logs() / "Alpha_Bob.xml"), c.result);
    EXPECT_EQ(fs::exists(Logs() / "Alpha_Bob.xml.corrupt"), c.keptAside);
    if (c.keptAside) {
      EXPECT_EQ(ReadText(Logs() / "Alpha_Bob.xml.corrupt"), c.existing);
      EXPECT_TRUE(SaidSince(mark, "Alpha_Bob.xml could not be read and was kept as Alpha_Bob.xml.corrupt"));
    }
  }
}

TEST_F(ChatLogFileTest, AnUnusableFolderIsReportedOnceAndLoggingGoesOff) {
  // Started by the box, and at login by the stored automatic option.
  for (const bool atLogin : {false, true}) {
    if (atLogin) {
      Fresh(R"(<Chat_Log enabled="False" max="100" auto="True" timestamp="False" xml="False" bydate="False")", true);
      ASSERT_TRUE(Said("Plugin Loaded!"));
      EXPECT_TRUE(errors.empty()) << "the settings load and login go through: " << errors.front();
    } else {
      BlockFolder();
      Check("Chat_Log_Auto", true);
    }
    ASSERT_TRUE(L().FileLogging());
    const auto mark = Mark();
    Say("lost");
    Tick();
    EXPECT_EQ(errors, std::vector<std::string>{"LogHandler.WriteFileLog #76"});
    EXPECT_TRUE(SaidSince(mark, "logging to the file is off"));
    EXPECT_FALSE(L().FileLogging());
    for (int i = 0; i < 3; ++i) {
      Say("more");
      Tick();
    }
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_TRUE(L().FileQueue().empty());
    EXPECT_TRUE(fs::is_regular_file(host->DocumentsDir() / Hub::kGameFolderName));
  }
  // A folder that is not a full path would land wherever the game runs from.
  Fresh();
  L().LogPath("relative-logs/");
  Check("Chat_Log_Auto", true);
  Say("lost");
  Tick();
  EXPECT_EQ(errors, std::vector<std::string>{"LogHandler.WriteFileLog #76"});
  EXPECT_FALSE(fs::exists("relative-logs"));
}

TEST_F(ChatLogFileTest, NamesStayInsideTheLogFolderAndNoStrayFileIsMade) {
  struct Case {
    std::string typed;
    std::string file;  // empty: refused
  };
  const std::vector<Case> cases = {
      {"/x log ..\\..\\evil", ".._.._evil.txt"},
      {"/x log ../up/a.txt", ".._up_a.txt"},
      {"/x log Chat.TXT", "Chat.TXT.txt"},
      {"/x log a.xml.txt", "a.txt"},
      {"/x log .txt", ""},
  };
  // Renaming and switching forms with logging off writes nothing.
  Check("Chat_Log_By_Date", true);
  Check("Chat_Log_XML", true);
  Check("Chat_Log_XML", false);
  Say("unlogged");
  Tick();
  EXPECT_EQ(L().logfile(), "Alpha_Bob_2026-12-08");
  EXPECT_FALSE(fs::exists(Logs()));

  std::set<std::string> expected;
  for (const auto& c : cases) {
    errors.clear();
    host->TypeText(c.typed);
    Say(c.typed);
    Tick();
    if (c.file.empty()) {
      EXPECT_EQ(errors, std::vector<std::string>{"ChatTextHandler.OutgoingText #52"}) << c.typed;
      EXPECT_FALSE(L().FileLogging()) << c.typed;
    } else {
      EXPECT_TRUE(errors.empty()) << c.typed;
      expected.insert(c.file);
      EXPECT_NE(ReadText(Logs() / c.file).find(c.typed), std::string::npos) << c.typed;
    }
    host->TypeText("/x log");
  }
  EXPECT_EQ(LogFiles(), expected);
  EXPECT_FALSE(fs::exists(host->DocumentsDir() / "evil.txt"));
}

TEST_F(ChatLogFileTest, TheFirstLineOfANewDayMovesQueuedLinesToItsFile) {
  C().ChatLogByDate->CheckedLet(true);
  Check("Chat_Log_Auto", true);
  host->Clock().SetLocalDate(sim::SimClock::MakeDate(2026, 12, 8, 23, 59, 59));
  Say("late");
  host->Clock().SetLocalDate(sim::SimClock::MakeDate(2026, 12, 9, 0, 0, 5));
  Say("early");
  EXPECT_EQ(L().logfile(), "Alpha_Bob_2026-12-09");
  Tick();
  EXPECT_EQ(LogFiles(), std::set<std::string>{"Alpha_Bob_2026-12-09.txt"});
  EXPECT_EQ(ReadText(Logs() / "Alpha_Bob_2026-12-09.txt"), "Al says, \"late\"\r\nAl says, \"early\"\r\n");
}

TEST_F(ChatLogFileTest, SwitchingFormStoppingAndTerminatingLoseNoLine) {
  Check("Chat_Log_Auto", true);
  Say("one");
  Tick();
  // The XML box reopens the same name as XML; queued lines follow the form.
  Check("Chat_Log_XML", true);
  Say("two");
  Tick();
  // Stopped with a line still queued: it goes to the file being closed.
  Say("three");
  host->TypeText("/x log");
  Tick();
  Say("not logged");
  Tick();
  EXPECT_EQ(ReadText(Logs() / "Alpha_Bob.txt"), "Al says, \"one\"\r\n");
  EXPECT_EQ(ReadText(Logs() / "Alpha_Bob.xml"), std::string(kStyle) + "<Log>\r" + Message("Al says, \"two\"", "7:00:01 PM") +
                                                    Message("Al says, \"three\"", "7:00:02 PM") + "</Log>");
  // Lines logged since the last tick are written when the plug-in ends.
  Check("Chat_Log_XML", false);
  host->TypeText("/x log Last");
  Say("final");
  host->UnloadPlugin();
  EXPECT_EQ(ReadText(Logs() / "Last.txt"), "Al says, \"final\"\r\n");
  EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
}  // namespace mellox::test
