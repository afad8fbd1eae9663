// The chat-log files: text and XML logs, their names, the daily move, and
// what happens to files that cannot be read or folders that cannot be used.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "chat/LogHandler.h"
#include "core/APluginCore.h"
#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/TextEncoding.h"
#include "host/HostTestFixture.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCheckBox.h"
#include "sim/SimClock.h"
#include "sim/SimPushButton.h"
#include "sim/SimView.h"

namespace mellox::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kStyle = R"(<?xml-stylesheet type="text/xsl" href="style/melloxlog.xsl"?>)";

class ChatLogFileTest : public HostTest {
 protected:
  void SetUp() override { Fresh(); }
  void TearDown() override {
    SetAtomicWriteFaultForTesting(nullptr);
    HostTest::TearDown();
  }
  // A new home (no settings, data or log files of earlier rounds) and a login.
  // blockFolder: the game's folder is taken by a file, so no log folder can be made.
  void Fresh(const std::string& chatLog = "", bool blockFolder = false,
             const std::function<void()>& editDefaults = {}) {
    if (host) host->UnloadPlugin();
    host.reset();
    fs::remove_all(home.path());
    fs::create_directories(home.path());
    Start(true);
    RouteOwnLinesToMain();
    if (!chatLog.empty()) {
      EditDefaults(R"(<Chat_Log enabled="False" max="100" auto="False" timestamp="False" xml="False" bydate="False")",
                   chatLog);
    }
    if (editDefaults) editDefaults();
    if (blockFolder) BlockFolder();
    errors.clear();
    Login();
  }
  void EditDefaults(const std::string& from, const std::string& to) {
    std::string text = ReadText(DefaultsFile());
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    std::ofstream(DefaultsFile(), std::ios::binary) << text;
  }
  void BlockFolder() {
    fs::remove_all(GameFolder());
    std::ofstream(GameFolder()) << "not a folder";
  }
  // The game's folder back as the game makes it, without the log folder.
  void UnblockFolder() {
    fs::remove(GameFolder());
    fs::create_directory(GameFolder());
  }
  fs::path GameFolder() const { return host->DocumentsDir() / Hub::kGameFolderName; }
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
  static ino_t Inode(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
  }
  // Each text is in the file once, in this order.
  static void ExpectOnceInOrder(const std::string& file, const std::vector<std::string>& texts) {
    std::size_t from = 0;
    for (const std::string& text : texts) {
      const std::size_t at = file.find(text, from);
      ASSERT_NE(at, std::string::npos) << "missing or out of order: " << text << "\nin: " << file;
      EXPECT_EQ(file.find(text, at + text.size()), std::string::npos) << "twice: " << text;
      from = at + text.size();
    }
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
    // The log files there are: the XML form makes no text file beside its own.
    std::set<std::string> files;
  };
  const std::string tellXml = "\r\t<Message type=\"3\" color=\"" + ChatColorHex[3] +
                              "\" tag=\"2\" date=\"12/8/2026 7:00:00 PM\">Al tells you, \"caf\xc3\xa9\"</Message>\r";
  const std::vector<Case> cases = {
      {false, false, false, "Alpha_Bob.txt", "Al says, \"one\"\r\nAl tells you, \"caf\xe9\"\r\n", {"Alpha_Bob.txt"}},
      {false, true, true, "Alpha_Bob_2026-12-08.txt",
       "<12/8/2026 7:00:00 PM> Al says, \"one\"\r\n<12/8/2026 7:00:00 PM> Al tells you, \"caf\xe9\"\r\n",
       {"Alpha_Bob_2026-12-08.txt"}},
      // The XML form carries the time as an attribute, never as a prefix, and
      // its text in UTF-8.
      {true, false, true, "Alpha_Bob.xml", std::string(kStyle) + "<Log>\r" + Message("Al says, \"one\"") + tellXml + "</Log>",
       {"Alpha_Bob.xml"}},
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
    EXPECT_EQ(LogFiles(), c.files);
    EXPECT_EQ(ReadText(Logs() / c.file), c.content) << c.file;
    // Both forms take the new line at their end.
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
      // A log of its own whose end another program wrote: no torn line to cut
      // back, and the other program's element stays.
      {std::string(kStyle) + "<Log>\r" + Message("old") + "\t<Note>by hand</Note>\r</Log>",
       std::string(kStyle) + "<Log>\r" + Message("old") + "\t<Note>by hand</Note>\r" + Message("Al says, \"new\"") +
           "</Log>",
       false},
      {std::string(kStyle) + "<Log>\r" + Message("old") + "\r\t<Note by=\"hand\"/>\r</Log>",
       std::string(kStyle) + "<Log>\r" + Message("old") + "\r\t<Note by=\"hand\"/>\r" + Message("Al says, \"new\"") +
           "</Log>",
       false},
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
    EXPECT_FALSE(SaidSince(mark, "ended in the middle of a line"));
    Say("newer");
    Tick();
    EXPECT_EQ(ReadText(Logs() / "Alpha_Bob.xml"),
              c.result.substr(0, c.result.rfind('<')) + Message("Al says, \"newer\"", "7:00:01 PM") +
                  c.result.substr(c.result.rfind('<')));
    EXPECT_EQ(fs::exists(Logs() / "Alpha_Bob.xml.corrupt"), c.keptAside);
    if (c.keptAside) {
      EXPECT_EQ(ReadText(Logs() / "Alpha_Bob.xml.corrupt"), c.existing);
      EXPECT_TRUE(SaidSince(mark, "Alpha_Bob.xml could not be read and was kept as Alpha_Bob.xml.corrupt"));
    }
  }
}

TEST_F(ChatLogFileTest, AnXmlLogKeepsTheEncodingItDeclaresOverLogins) {
  // Another program's logs: in Windows-1252, in UTF-16 with its mark, and in
  // ISO-8859-1, read as the Windows-1252 it is a part of. Over three logins
  // each takes a line a login and its bytes stay in the encoding its
  // declaration names, so every reader (the plug-in at its next login among
  // them) reads "caf\xe9". A declaration that names the other byte order than
  // the bytes' own is written naming none, which a reader heeding it can read.
  // UTF-16 (width 2) or UTF-32 (width 4) with its mark.
  const auto unicode = [](std::size_t width, bool big) {
    return [width, big](const std::string& utf8) {
      std::string out;
      const auto put = [&](char32_t unit) {
        for (std::size_t b = 0; b < width; ++b) out += static_cast<char>(unit >> (8 * (big ? width - 1 - b : b)));
      };
      put(0xFEFF);
      for (const char c : TextEncoding::FromUtf8(utf8)) put(TextEncoding::CodePoint(static_cast<unsigned char>(c)));
      return out;
    };
  };
  const auto utf16 = [&](bool big) { return unicode(2, big); };
  const auto windows1252 = [](const std::string& utf8) { return TextEncoding::FromUtf8(utf8); };
  struct Case {
    std::string declared, written;
    std::function<std::string(const std::string&)> encode;
  };
  for (const Case& c : {Case{"windows-1252", "windows-1252", windows1252}, Case{"UTF-16", "UTF-16", utf16(false)},
                        Case{"ISO-8859-1", "windows-1252", windows1252}, Case{"UTF-16LE", "UTF-16LE", utf16(false)},
                        Case{"UTF-16BE", "UTF-16", utf16(false)}, Case{"UTF-16LE", "UTF-16", utf16(true)},
                        Case{"UTF-32BE", "UTF-32", unicode(4, false)}}) {
    const char first = c.encode("<")[0];
    SCOPED_TRACE(c.declared + (first == '\xFE' || first == '\0' ? " in big-endian bytes" : ""));
    Fresh(R"(<Chat_Log enabled="False" max="100" auto="True" timestamp="False" xml="True" bydate="False")");
    host->Character().RaiseLogoff();
    const auto declaration = [](const std::string& name) { return "<?xml version=\"1.0\" encoding=\"" + name + "\"?>"; };
    const std::string head = "<Log>\r\n\t<Message>Ann: caf\xc3\xa9</Message>\r\n";
    const fs::path file = Logs() / "Alpha_Bob.xml";
    std::ofstream(file, std::ios::binary) << c.encode(declaration(c.declared) + "\r\n" + head + "</Log>");
    std::string lines;
    for (int login = 1; login <= 3; ++login) {
      Login();
      Say("caf\xe9 " + std::to_string(login));
      Tick();
      host->Character().RaiseLogoff();
      lines += Message("Al says, \"caf\xc3\xa9 " + std::to_string(login) + "\"", "7:00:0" + std::to_string(login - 1) + " PM");
    }
    // (The line break between the declaration and the root is not kept.)
    EXPECT_EQ(ReadText(file), c.encode(declaration(c.written) + head + lines + "</Log>"));
    EXPECT_TRUE(errors.empty()) << errors.front();
    if (c.declared.starts_with("UTF-16")) {
      // A reader of its own finds the texts.
      pugi::xml_document other;
      ASSERT_TRUE(other.load_file(file.c_str()));
      EXPECT_STREQ(other.child("Log").last_child().child_value(), "Al says, \"caf\xc3\xa9 3\"");
    }
  }
}

TEST_F(ChatLogFileTest, TextARewriteWouldChangeIsKeptAsideBeforeItAndKeptByAnAppend) {
  const std::string japan = "\xe6\x97\xa5\xe6\x9c\xac";
  const std::string tick = "\xe2\x9c\x93";
  const fs::path file = Logs() / "Alpha_Bob.xml";
  // Another program's log is written whole, with the game's text: what it
  // cannot hold is told when the log is opened, and the file as it was is
  // kept before the first write, once. So is a log whose DOCTYPE declares an
  // entity: a reader shows its text where a rewrite leaves its name.
  struct Case {
    std::string other, told;
    std::vector<std::string> kept;
  };
  const std::vector<Case> cases = {
      {"<Chats>\r\t<Message>note " + japan + " " + tick + "</Message>\r\t<Message>" + japan + "</Message>\r\t<!-- " +
           tick + " -->\r</Chats>",
       "3 faults", {"note ?? ?", "??", "<!-- ? -->"}},
      {"<!DOCTYPE Log [<!ENTITY me \"Bob the Brave\">]>\r\n<Log>\r\n\t<Message who=\"&me;\">&me; waves</Message>\r\n"
       "\t<Message>&lt;plain&gt;</Message>\r\n</Log>",
       "2 faults", {"<!DOCTYPE Log [<!ENTITY me \"Bob the Brave\">]>", "&amp;me; waves", "&lt;plain&gt;"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.told);
    Fresh();
    fs::create_directories(Logs());
    std::ofstream(file, std::ios::binary) << c.other;
    C().ChatLogXML->CheckedLet(true);
    const auto mark = Mark();
    Check("Chat_Log_Auto", true);
    EXPECT_EQ(CountSince(mark, "Loading Alpha_Bob.xml found " + c.told), 1u);
    Say("new");
    Tick();
    Say("newer");
    Tick();
    EXPECT_EQ(ReadText(Logs() / "Alpha_Bob.xml.damaged"), c.other);
    EXPECT_EQ(CountSince(mark, "the file as it was is kept as Alpha_Bob.xml.damaged"), 1u);
    std::vector<std::string> after = c.kept;
    after.insert(after.end(), {"Al says, \"new\"", "Al says, \"newer\""});
    ExpectOnceInOrder(ReadText(file), after);
    EXPECT_EQ(errors, std::vector<std::string>{"LogHandler.LoadXmlFile #13"});
    // Opened again, it has nothing more to lose.
    L().logfile("Alpha_Bob");
    Say("last");
    Tick();
    EXPECT_EQ(CountSince(mark, "Loading Alpha_Bob.xml found"), 1u);
    EXPECT_EQ(LogFiles(), (std::set<std::string>{"Alpha_Bob.xml", "Alpha_Bob.xml.damaged"}));
  }

  // A log of the plug-in's own layout is appended to, whatever its lines hold.
  Fresh();
  fs::create_directories(Logs());
  const std::string own = std::string(kStyle) + "<Log>\r" + Message("first " + japan) + Message("last " + japan + tick);
  std::ofstream(file, std::ios::binary) << own << "</Log>";
  C().ChatLogXML->CheckedLet(true);
  Check("Chat_Log_Auto", true);
  Say("new");
  Tick();
  EXPECT_EQ(ReadText(file), own + Message("Al says, \"new\"") + "</Log>");
  EXPECT_EQ(LogFiles(), std::set<std::string>{"Alpha_Bob.xml"});
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ChatLogFileTest, AFolderThatFailsAndRecoversGetsEveryLineOnceInOrder) {
  // Both forms, started by the box and at login by the stored automatic option;
  // a line limit below the lines waiting does not cut the queue.
  for (const bool xml : {false, true}) {
    for (const bool atLogin : {false, true}) {
      SCOPED_TRACE(std::string(xml ? "xml" : "text") + (atLogin ? " at login" : " by the box"));
      Fresh(std::string(R"(<Chat_Log enabled="False" max="2" auto=")") + (atLogin ? "True" : "False") +
                R"(" timestamp="False" xml=")" + (xml ? "True" : "False") + R"(" bydate="False")",
            atLogin);
      ASSERT_TRUE(Said("Plugin Loaded!"));
      if (!atLogin) {
        BlockFolder();
        Check("Chat_Log_Auto", true);
      }
      ASSERT_TRUE(L().FileLogging());
      for (int i = 1; i <= 5; ++i) {
        Say("line " + std::to_string(i));
        Tick();
      }
      // One report for the whole run of failures, and logging stays on.
      ASSERT_EQ(errors.size(), 1u);
      EXPECT_EQ(errors[0].substr(errors[0].size() - 3), "#76");
      EXPECT_EQ(CountSince(0, "The chat log file could not be written"), 1u);
      EXPECT_TRUE(L().FileLogging());
      EXPECT_FALSE(L().FileQueue().empty());

      UnblockFolder();
      Say("line 6");
      Tick();
      Tick();
      EXPECT_EQ(CountSince(0, "The chat log file is written again."), 1u);
      EXPECT_EQ(errors.size(), 1u);
      const std::string file = ReadText(Logs() / (xml ? "Alpha_Bob.xml" : "Alpha_Bob.txt"));
      ExpectOnceInOrder(file, {"line 1", "line 2", "line 3", "line 4", "line 5", "line 6", "is written again"});
    }
  }
  // A file that refused only its making, and that the log then left, keeps
  // no run of failures going: the next refusal is told and reported again.
  Fresh("", true);
  host->TypeText("/x log foo");
  host->TypeText("/x log");
  UnblockFolder();
  host->TypeText("/x log bar");
  Say("taken");
  Tick();
  BlockFolder();
  Say("refused");
  Tick();
  EXPECT_EQ(CountSince(0, "The chat log file could not be written"), 2u);
  EXPECT_EQ(CountSince(0, "The chat log file is written again."), 0u);
  EXPECT_EQ(errors, (std::vector<std::string>{"LogHandler.InitFileLog #76", "LogHandler.WriteFileLog #76"}));
  // A folder that is not a full path would land wherever the game runs from.
  Fresh();
  L().LogPath("relative-logs/");
  Check("Chat_Log_Auto", true);
  Say("lost");
  Tick();
  EXPECT_EQ(errors, std::vector<std::string>{"LogHandler.InitFileLog #76"});
  EXPECT_FALSE(fs::exists("relative-logs"));
}

TEST_F(ChatLogFileTest, WhileWritesFailTheQueueKeepsItsNewestLinesAndCountsTheRest) {
  // The plug-in's own lines stay out of the file here, so only the lines below queue.
  for (const std::int32_t row : {17, 18}) C().ChatLogOptions->DataLet(4, row, 0, false);
  ASSERT_EQ(std::get<std::string>(C().ChatLogOptions->DataGet(0, 17, 0).value), "Mellox");
  BlockFolder();
  Check("Chat_Log_Auto", true);
  L().MaxLines(10500);
  for (int i = 0; i < 10600; ++i) L().AddToLog("line " + std::to_string(i), 2, 1);
  Tick();
  EXPECT_EQ(L().FileQueue().size(), 10500u);
  EXPECT_EQ(CountSince(0, "the oldest of its waiting lines are being dropped"), 1u);

  UnblockFolder();
  Tick();
  EXPECT_TRUE(Said("The chat log file is written again. 100 of the lines that waited for it were dropped."));
  std::string expected;
  for (int i = 100; i < 10600; ++i) expected += "line " + std::to_string(i) + "\r\n";
  EXPECT_EQ(ReadText(Logs() / "Alpha_Bob.txt"), expected);

  // The first failure inside a tick, with the plug-in's own lines going to the
  // file: its notices join the queue after the lines that were waiting, and
  // the count told is the number of lines that never reach the file.
  Fresh();
  Check("Chat_Log_Auto", true);
  ASSERT_TRUE(errors.empty()) << errors.front();
  BlockFolder();
  for (int i = 0; i < 10600; ++i) L().AddToLog("line " + std::to_string(i), 2, 1);
  ASSERT_EQ(L().FileQueue().size(), 10600u);
  Tick();
  UnblockFolder();
  Tick();
  Tick();
  const std::string told = "The chat log file is written again. ";
  std::size_t dropped = 0;
  for (const std::string& said : Since(0)) {
    if (const std::size_t at = said.find(told); at != std::string::npos) dropped = std::stoul(said.substr(at + told.size()));
  }
  ASSERT_GT(dropped, 0u);
  std::vector<std::string> lines;
  std::vector<std::string> expectedLines;
  for (std::size_t i = dropped; i < 10600; ++i) expectedLines.push_back("line " + std::to_string(i));
  std::size_t notice = 0;
  const std::string file = ReadText(Logs() / "Alpha_Bob.txt");
  for (std::size_t from = 0, end; (end = file.find("\r\n", from)) != std::string::npos; from = end + 2) {
    const std::string line = file.substr(from, end - from);
    if (line.rfind("line ", 0) == 0) lines.push_back(line);
    if (line.find("The chat log file could not be written") != std::string::npos) notice = lines.size();
  }
  EXPECT_EQ(lines, expectedLines);
  EXPECT_EQ(notice, expectedLines.size());
  ExpectOnceInOrder(file, {"line 10599\r\n", "could not be written", "still cannot be written", "is written again"});

  // A logoff while writes fail: the waiting lines are kept for the next
  // login, the one dropped is told lost, each count in words that fit it.
  Fresh();
  for (const std::int32_t row : {17, 18}) C().ChatLogOptions->DataLet(4, row, 0, false);
  Check("Chat_Log_Auto", true);
  BlockFolder();
  Say("first");
  Tick();
  for (int i = 0; i < 10000; ++i) L().AddToLog("line " + std::to_string(i), 2, 1);
  const auto mark = Mark();
  host->Character().RaiseLogoff();
  EXPECT_TRUE(SaidSince(mark, "10000 lines of the chat log could not be written to Alpha_Bob.txt; they are kept for "
                              "this character's next login."));
  EXPECT_TRUE(SaidSince(mark, "One line of the chat log could not be written to Alpha_Bob.txt and is lost."));
}

TEST_F(ChatLogFileTest, AFullDiskMidWriteLeavesTheFileAsItWasAndTheLinesFollowOnce) {
  for (const bool xml : {false, true}) {
    SCOPED_TRACE(xml ? "xml" : "text");
    Fresh();
    C().ChatLogXML->CheckedLet(xml);
    Check("Chat_Log_Auto", true);
    Say("before");
    Tick();
    const fs::path file = Logs() / (xml ? "Alpha_Bob.xml" : "Alpha_Bob.txt");
    const std::string good = ReadText(file);
    // Each try writes half its bytes before the disk is full; they are taken back.
    SetAtomicWriteFaultForTesting([](std::string_view stage) { return stage == "append" ? ENOSPC : 0; });
    Say("during one");
    Tick();
    EXPECT_EQ(ReadText(file), good);
    Say("during two");
    Tick();
    EXPECT_EQ(ReadText(file), good);
    EXPECT_EQ(errors, std::vector<std::string>{"LogHandler.WriteFileLog #61"});
    SetAtomicWriteFaultForTesting(nullptr);
    Tick();
    Tick();
    ExpectOnceInOrder(ReadText(file), {"before", "during one", "during two", "is written again"});
  }
  // The half-written end cannot even be taken back: the next write finds the
  // file torn, cuts it back to its last whole line and goes on from there.
  const fs::path file = Logs() / "Alpha_Bob.xml";
  const std::string good = ReadText(file);
  SetAtomicWriteFaultForTesting([](std::string_view stage) { return stage == "append" || stage == "restore" ? ENOSPC : 0; });
  Say("torn");
  Tick();
  const std::string torn = ReadText(file);
  EXPECT_NE(torn, good);
  // The disk is still full when the end is to be cut back: the cut is taken
  // back too, and the next lines go in place of the torn one.
  const auto mark = Mark();
  SetAtomicWriteFaultForTesting([](std::string_view stage) { return stage == "append" ? ENOSPC : 0; });
  Tick();
  EXPECT_EQ(ReadText(file), torn);
  SetAtomicWriteFaultForTesting(nullptr);
  Tick();
  EXPECT_EQ(CountSince(mark, "Alpha_Bob.xml ended in the middle of a line"), 1u);
  const std::string after = ReadText(file);
  EXPECT_EQ(after.substr(0, good.size() - 6), good.substr(0, good.size() - 6));
  ExpectOnceInOrder(after, {"before", "during one", "during two", "is written again", "torn"});
  std::size_t starts = 0;
  for (std::size_t at = 0; (at = after.find("<Message ", at)) != std::string::npos; ++at) ++starts;
  std::size_t ends = 0;
  for (std::size_t at = 0; (at = after.find("</Message>", at)) != std::string::npos; ++at) ++ends;
  EXPECT_EQ(starts, ends);
  EXPECT_TRUE(after.ends_with("</Message>\r</Log>"));
}

TEST_F(ChatLogFileTest, TheBoxesOpenTheLogInItsOwnFormOnly) {
  // With logging off the by-date box renames the log and opens its file of
  // the form chosen: an empty text file, nothing yet for the XML form.
  Check("Chat_Log_By_Date", true);
  EXPECT_EQ(LogFiles(), std::set<std::string>{"Alpha_Bob_2026-12-08.txt"});
  C().ChatLogXML->CheckedLet(true);
  Check("Chat_Log_By_Date", false);
  EXPECT_EQ(LogFiles(), std::set<std::string>{"Alpha_Bob_2026-12-08.txt"});
  // In the XML form the automatic box leaves a text file of the name as it
  // is; the XML file comes with the first line.
  fs::remove_all(Logs());
  fs::create_directories(Logs());
  std::ofstream(Logs() / "Alpha_Bob.txt", std::ios::binary) << "kept\r\n";
  Check("Chat_Log_Auto", true);
  EXPECT_EQ(LogFiles(), std::set<std::string>{"Alpha_Bob.txt"});
  Say("one");
  Tick();
  EXPECT_EQ(LogFiles(), (std::set<std::string>{"Alpha_Bob.txt", "Alpha_Bob.xml"}));
  EXPECT_EQ(ReadText(Logs() / "Alpha_Bob.txt"), "kept\r\n");
  // A login with both boxes ticked logs as XML only; reloading the settings
  // with the automatic box ticked opens the text file of the log's name, and
  // the lines still go to the XML file.
  fs::remove(Logs() / "Alpha_Bob.txt");
  host->Character().RaiseLogoff();
  Login();
  Say("two");
  Tick();
  EXPECT_EQ(LogFiles(), std::set<std::string>{"Alpha_Bob.xml"});
  host->View()->Get<sim::SimPushButton>("Reload_Settings").UserPress();
  Say("three");
  Tick();
  EXPECT_EQ(LogFiles(), (std::set<std::string>{"Alpha_Bob.txt", "Alpha_Bob.xml"}));
  EXPECT_EQ(ReadText(Logs() / "Alpha_Bob.txt"), "");
  ExpectOnceInOrder(ReadText(Logs() / "Alpha_Bob.xml"), {"one", "two", "three"});
  // A reload that unticks the XML box: the line waiting goes to the XML file
  // it was logged for, the next one to the text file.
  Say("four");
  host->View()->Get<sim::SimPushButton>("Reload_Default").UserPress();
  Say("five");
  Tick();
  ExpectOnceInOrder(ReadText(Logs() / "Alpha_Bob.xml"), {"one", "two", "three", "four"});
  EXPECT_EQ(ReadText(Logs() / "Alpha_Bob.txt"), "Al says, \"five\"\r\n");
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ChatLogFileTest, ATornLastLineIsCutBackAtOpenWhereverTheWriteStopped) {
  // A log the plug-in wrote line by line, and one it saved whole after
  // loading it from another program (here: a space in the root's tag), where
  // a line without text became a self-closed element.
  for (const bool selfClosed : {false, true}) {
    SCOPED_TRACE(selfClosed ? "self-closed" : "appended");
    Fresh();
    const fs::path file = Logs() / "Alpha_Bob.xml";
    if (selfClosed) {
      fs::create_directories(Logs());
      std::ofstream(file, std::ios::binary) << kStyle << "<Log >\r" << Message("Al says, \"one\"") << Message("")
                                            << "</Log>";
    }
    C().ChatLogXML->CheckedLet(true);
    Check("Chat_Log_Auto", true);
    if (!selfClosed) {
      Say("one");
      Say("two");
    }
    Tick();
    Say("three & <four>");
    Tick();
    const std::string three = ReadText(file);
    if (selfClosed) {
      ASSERT_NE(three.find("PM\"/>\r\r\t<Message"), std::string::npos) << three;
    }
    const std::size_t third = three.rfind("\r\t<Message");
    const std::string two = three.substr(0, third) + "</Log>";
    const std::size_t lastWhole = three.rfind("</Message>") + std::string("</Message>").size();
    for (std::size_t cut = third - 1; cut < three.size(); ++cut) {
      std::ofstream(file, std::ios::binary | std::ios::trunc) << three.substr(0, cut);
      const auto mark = Mark();
      L().logfile("Alpha_Bob");
      ASSERT_EQ(ReadText(file), cut < lastWhole ? two : three) << cut;
      EXPECT_EQ(CountSince(mark, "Alpha_Bob.xml ended in the middle of a line; it was cut back to its last whole line"),
                1u)
          << cut;
    }
    EXPECT_EQ(LogFiles(), std::set<std::string>{"Alpha_Bob.xml"});
    // Lines go on after the repaired end.
    Say("five");
    Tick();
    EXPECT_EQ(ReadText(file), three.substr(0, three.size() - 6) + Message("Al says, \"five\"", "7:00:02 PM") + "</Log>");
    EXPECT_TRUE(errors.empty()) << errors.front();
  }

  // A text log torn in its last line (or in its line break) keeps that line
  // as it is; the next line starts a line of its own.
  for (const std::string torn : {"Al says, \"tw", "Al says, \"two\"\r"}) {
    Fresh();
    fs::create_directories(Logs());
    std::ofstream(Logs() / "Alpha_Bob.txt", std::ios::binary) << "Al says, \"one\"\r\n" << torn;
    Check("Chat_Log_Auto", true);
    Say("three");
    Tick();
    Say("four");
    Tick();
    EXPECT_EQ(ReadText(Logs() / "Alpha_Bob.txt"), "Al says, \"one\"\r\n" + torn + (torn.back() == '\r' ? "\n" : "\r\n") +
                                                      "Al says, \"three\"\r\nAl says, \"four\"\r\n");
    EXPECT_TRUE(errors.empty()) << errors.front();
  }
}

TEST_F(ChatLogFileTest, OpeningALogOfItsOwnReadsOnlyItsHeadAndEnd) {
  C().ChatLogXML->CheckedLet(true);
  Check("Chat_Log_Auto", true);
  Say("one");
  Tick();
  Say("two");
  Tick();
  const fs::path file = Logs() / "Alpha_Bob.xml";
  const std::string two = ReadText(file);
  // 64 MB the game never wrote (zeroed blocks, as a crash of the system can
  // leave) between the first and the last line: at a whole read the file
  // would not parse and be set aside for a new log.
  const std::size_t second = two.rfind("\r\t<Message") - 1;
  constexpr std::size_t kHole = 64u << 20;
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << two.substr(0, second);
    out.seekp(static_cast<std::streamoff>(second + kHole));
    out << two.substr(second);
  }
  L().logfile("Alpha_Bob");
  Say("three");
  Tick();
  EXPECT_FALSE(fs::exists(Logs() / "Alpha_Bob.xml.corrupt"));
  EXPECT_EQ(fs::file_size(file), two.size() + kHole + Message("Al says, \"three\"", "7:00:02 PM").size());
  std::ifstream in(file, std::ios::binary);
  std::string end(two.size() - second + Message("Al says, \"three\"", "7:00:02 PM").size(), '\0');
  in.seekg(static_cast<std::streamoff>(second + kHole));
  in.read(end.data(), static_cast<std::streamsize>(end.size()));
  EXPECT_EQ(end, two.substr(second, two.size() - second - 6) + Message("Al says, \"three\"", "7:00:02 PM") + "</Log>");
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ChatLogFileTest, TheLogFolderIsMadeAtStartAndAgainAtAWrite) {
  // Made when the plug-in starts, before any line is logged.
  EXPECT_TRUE(fs::is_directory(Logs()));
  EXPECT_TRUE(LogFiles().empty());
  // Removed while the game runs: the next write makes it again.
  Check("Chat_Log_Auto", true);
  fs::remove_all(Logs());
  Say("one");
  Tick();
  EXPECT_EQ(ReadText(Logs() / "Alpha_Bob.txt"), "Al says, \"one\"\r\n");
  EXPECT_TRUE(errors.empty()) << errors.front();
  // Without the game's own folder nothing is made, and the failure is the start's.
  host->UnloadPlugin();
  fs::remove_all(GameFolder());
  const auto mark = Mark();
  host->LoadPlugin(std::make_unique<APluginCore>());
  EXPECT_EQ(CountSince(mark, "Error #76 occured in 'Class_Initialize' of class 'LogHandler'"), 1u);
  EXPECT_EQ(CountSince(mark, "Error #"), 1u);
  EXPECT_FALSE(fs::exists(GameFolder()));
}

TEST_F(ChatLogFileTest, AppendedLinesGiveTheBytesOfAWholeRewrite) {
  // The same lines over the same ticks: into a new log, appended in place and
  // opened again half way, and into an equal file the plug-in did not write
  // that way, which is rewritten whole at every tick.
  const std::vector<std::vector<std::string>> ticks = {
      {"plain", "amp & lt < gt > quote \" apos ' ]]>"},
      // The last line of a tick longer than the end a reopen first reads.
      {"caf\xe9 \x80\x9f\xff", "tab\tcr\rlf\n", std::string("ctrl \x01\x1f nul ") + '\0' + "!",
       "long " + std::string(40000, 'x')},
      {""},
      {"last"},
  };
  std::string files[2];
  ino_t inodes[2] = {};
  for (int run = 0; run < 2; ++run) {
    Fresh();
    const fs::path file = Logs() / "Alpha_Bob.xml";
    if (run == 1) {
      fs::create_directories(Logs());
      std::ofstream(file, std::ios::binary) << kStyle << "<Log >\r</Log>";
    }
    C().ChatLogXML->CheckedLet(true);
    Check("Chat_Log_Auto", true);
    for (std::size_t t = 0; t < ticks.size(); ++t) {
      for (const std::string& line : ticks[t]) L().AddToLog(line, 2, t == 2 ? 32 : 1);
      Tick();
      if (run == 0 && t == 0) inodes[0] = Inode(file);
      // Opened again after the long line and after the empty one.
      if (run == 0 && (t == 1 || t == 2)) L().logfile(L().logfile());
    }
    if (run == 0) inodes[1] = Inode(file);
    files[run] = ReadText(file);
    EXPECT_TRUE(errors.empty()) << errors.front();
  }
  EXPECT_EQ(files[0], files[1]);
  EXPECT_EQ(files[0].rfind(std::string(kStyle) + "<Log>\r\r\t<Message type=\"2\"", 0), 0u);
  ExpectOnceInOrder(files[0], {"plain", "amp &amp; lt &lt; gt &gt;", "caf\xc3\xa9 \xe2\x82\xac\xc5\xb8\xc3\xbf",
                               "tab\tcr\rlf\n", "ctrl ?? nul ?!", "></Message>", "last"});
  // Appending kept the file where it was.
  EXPECT_EQ(inodes[0], inodes[1]);
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
  // Renaming and switching forms with logging off opens the text file of the
  // name and writes nothing.
  Check("Chat_Log_By_Date", true);
  Check("Chat_Log_XML", true);
  Check("Chat_Log_XML", false);
  Say("unlogged");
  Tick();
  EXPECT_EQ(L().logfile(), "Alpha_Bob_2026-12-08");
  EXPECT_EQ(LogFiles(), std::set<std::string>{"Alpha_Bob_2026-12-08.txt"});
  EXPECT_EQ(ReadText(Logs() / "Alpha_Bob_2026-12-08.txt"), "");

  std::set<std::string> expected{"Alpha_Bob_2026-12-08.txt"};
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
  // The first day's file was opened when logging started, and stays empty.
  EXPECT_EQ(LogFiles(), (std::set<std::string>{"Alpha_Bob_2026-12-08.txt", "Alpha_Bob_2026-12-09.txt"}));
  EXPECT_EQ(ReadText(Logs() / "Alpha_Bob_2026-12-08.txt"), "");
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
  // Closed and logged off before the next tick: the end writes the line as
  // the tick would, and keeps nothing back. The reply names the file without
  // its extension.
  const std::size_t opened = Mark();
  host->TypeText("/x log Closed.xml");
  EXPECT_EQ(Since(opened), std::vector<std::string>{"chat 5 1: <Mellox> Now logging to " + (Logs() / "Closed").string()});
  Say("four");
  host->TypeText("/x log");
  std::size_t mark = Mark();
  host->Character().RaiseLogoff();
  EXPECT_EQ(ReadText(Logs() / "Closed.xml"), std::string(kStyle) + "<Log>\r" + Message("Al says, \"four\"", "7:00:04 PM") + "</Log>");
  EXPECT_FALSE(SaidSince(mark, "could not be written")) << Since(mark).back();
  // The next login writes the automatic file again.
  Login();
  Say("after the login");
  Tick();
  EXPECT_NE(ReadText(Logs() / "Alpha_Bob.xml").find("after the login"), std::string::npos);
  host->TypeText("/x log");
  // Within one tick: a file closed and another opened, then the form switched
  // with a line queued. Each line lands in the file it was logged for.
  host->TypeText("/x log Foo");
  Say("five");
  host->TypeText("/x log");
  host->TypeText("/x log Bar");
  Say("six");
  Check("Chat_Log_XML", false);
  Tick();
  const std::string foo = ReadText(Logs() / "Foo.xml");
  const std::string bar = ReadText(Logs() / "Bar.xml");
  EXPECT_NE(foo.find("five"), std::string::npos) << foo;
  EXPECT_EQ(foo.find("six"), std::string::npos) << foo;
  EXPECT_NE(bar.find("six"), std::string::npos) << bar;
  EXPECT_EQ(ReadText(Logs() / "Bar.txt"), "");
  Check("Chat_Log_XML", true);
  host->TypeText("/x log");
  // Lines logged since the last tick are written when the plug-in ends, also
  // with the file closed just before.
  Check("Chat_Log_XML", false);
  host->TypeText("/x log Last");
  Say("final");
  host->TypeText("/x log");
  mark = Mark();
  host->UnloadPlugin();
  EXPECT_EQ(ReadText(Logs() / "Last.txt"), "Al says, \"final\"\r\n");
  EXPECT_FALSE(SaidSince(mark, "could not be written")) << Since(mark).back();
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// Random runs of a player switching the log about while the disk fills up
// and empties, checked against a model that knows only this: a line belongs
// to the log's name and the XML box's form when it was said; a file that
// refuses keeps its lines waiting; a run of refusals is told when it begins
// and once more when every file that refused has taken its lines; a logoff
// keeps the lines that still wait for the next login.
TEST_F(ChatLogFileTest, EveryLineLandsInTheFileItWasLoggedForOnceAndInOrder) {
  const std::string date = "2026-12-08";
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    // The plug-in's own lines stay out of the files: only the said lines are counted.
    Fresh("", false, [&] {
      for (const char* row : {"Mellox", "Other"}) {
        EditDefaults(std::string("<Chat_Log_Option name=\"") + row + "\" view=\"False\" file=\"True\"/>",
                     std::string("<Chat_Log_Option name=\"") + row + "\" view=\"False\" file=\"False\"/>");
      }
    });
    const std::size_t start = Mark();
    std::mt19937 random(seed);
    auto chance = [&](int in) { return std::uniform_int_distribution<int>(0, in - 1)(random) == 0; };

    struct Waiting {
      std::string text;
      std::string file;
    };
    std::map<std::string, std::vector<std::string>> written;
    std::deque<Waiting> waiting;
    std::set<std::string> refusing;
    std::size_t refusals = 0;
    std::size_t recoveries = 0;
    bool full = false;
    bool logging = false;
    bool xml = false;
    bool byDate = false;
    bool automatic = false;
    std::string name;
    auto automaticName = [&] { return byDate ? "Alpha_Bob_" + date : std::string("Alpha_Bob"); };
    auto write = [&] {
      std::vector<std::string> files;
      for (const Waiting& w : waiting) {
        if (std::find(files.begin(), files.end(), w.file) == files.end()) files.push_back(w.file);
      }
      std::deque<Waiting> again;
      for (const std::string& file : files) {
        for (const Waiting& w : waiting) {
          if (w.file != file) continue;
          if (full) {
            again.push_back(w);
          } else {
            written[file].push_back(w.text);
          }
        }
        if (full) {
          if (refusing.empty()) ++refusals;
          refusing.insert(file);
        } else if (refusing.erase(file) > 0 && refusing.empty()) {
          ++recoveries;
        }
      }
      waiting = again;
    };
    auto relogin = [&] {
      host->Character().RaiseLogoff();
      write();
      refusing.clear();
      logging = false;
      name.clear();
      Login();
      // The settings the login reads are whatever its disk let the last one keep.
      xml = C().ChatLogXML->CheckedGet();
      byDate = C().ChatLogByDate->CheckedGet();
      automatic = C().ChatLogAuto->CheckedGet();
      if (automatic) {
        name = automaticName();
        logging = true;
      }
    };

    int said = 0;
    for (int step = 0; step < 80; ++step) {
      const int action = std::uniform_int_distribution<int>(0, 11)(random);
      if (action <= 2) {
        const std::string text = "l" + std::to_string(++said);
        Say(text);
        if (logging) waiting.push_back({text, name + (xml ? ".xml" : ".txt")});
      } else if (action <= 4) {
        Tick();
        write();
      } else if (action == 5) {
        const std::string asked = chance(2) ? "foo" : "bar";
        host->TypeText("/x log " + asked);
        if (!logging) {
          name = asked;
          logging = true;
        }
      } else if (action == 6) {
        host->TypeText("/x log");
        logging = false;
      } else if (action == 7) {
        xml = !xml;
        Check("Chat_Log_XML", xml);
      } else if (action == 8) {
        if (chance(2)) {
          byDate = !byDate;
          Check("Chat_Log_By_Date", byDate);
          name = automaticName();
        } else {
          automatic = !automatic;
          Check("Chat_Log_Auto", automatic);
          if (automatic && !logging) {
            name = automaticName();
            logging = true;
          }
        }
      } else if (action == 9) {
        // A reload that sets the boxes as the file says, without their handlers.
        const std::string from = R"(<Chat_Log enabled="False" max="100" auto=")";
        std::string text = ReadText(DefaultsFile());
        const std::size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos);
        const std::size_t end = text.find(" afkmsg=", at);
        automatic = chance(2);
        xml = chance(2);
        byDate = chance(2);
        auto b = [](bool v) { return v ? std::string("True") : std::string("False"); };
        text.replace(at, end - at,
                     from + b(automatic) + R"(" timestamp="False" xml=")" + b(xml) + R"(" bydate=")" + b(byDate) + "\"");
        std::ofstream(DefaultsFile(), std::ios::binary) << text;
        host->View()->Get<sim::SimPushButton>("Reload_Default").UserPress();
      } else if (action == 10) {
        full = !full;
        SetWriteRoomForTesting(full ? std::optional<std::uint64_t>(0) : std::nullopt);
      } else if (chance(3)) {
        relogin();
      }
    }
    full = false;
    SetWriteRoomForTesting(std::nullopt);
    Tick();
    write();
    relogin();
    Tick();
    write();
    ASSERT_TRUE(waiting.empty());

    const std::regex line("says, \"(l[0-9]+)\"");
    std::set<std::string> files;
    for (const std::string& base : {std::string("Alpha_Bob"), "Alpha_Bob_" + date, std::string("foo"), std::string("bar")}) {
      files.insert(base + ".txt");
      files.insert(base + ".xml");
    }
    for (const std::string& file : files) {
      const std::string bytes = fs::exists(Logs() / file) ? ReadText(Logs() / file) : "";
      std::vector<std::string> found;
      for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), line); it != std::sregex_iterator(); ++it) {
        found.push_back((*it)[1]);
      }
      EXPECT_EQ(found, written[file]) << file;
    }
    EXPECT_EQ(CountSince(start, "The chat log file could not be written"), refusals);
    EXPECT_EQ(CountSince(start, "The chat log file is written again."), recoveries);
    EXPECT_EQ(std::count(errors.begin(), errors.end(), "LogHandler.WriteFileLog #61"),
              static_cast<std::ptrdiff_t>(refusals));
    if (HasFailure()) return;
  }
}

}  // namespace
}  // namespace mellox::test
