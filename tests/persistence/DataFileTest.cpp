// The per-character data file: canonical layout, byte-stable round trips of
// awkward texts, log lines beyond the starting limit, damaged and unreadable
// files, failed writes and coalesced saves.
#include <map>
#include <random>

#include "PersistenceFixture.h"

namespace mellox::test {
namespace {

using DataFileTest = PersistenceTest;

const std::string kAwkward = "say \"hi\" & <bye>\nsecond\tline \xC4\xE9\xFF";

TEST_F(DataFileTest, MissingFileStartsAFreshOne) {
  DataFile::Load(*ch, 0);
  EXPECT_EQ(Slurp(DataFilePath()), "<Mellox>\r\t<Global enabled=\"False\"/>\r</Mellox>");
}

TEST_F(DataFileTest, RoundTripKeepsEveryByte) {
  DataFile::Load(*ch, 0);
  ch->GlobalSettings->CheckedLet(true);
  corpses = {{1234, 12.3456789012345, -0.1, 1700000000, false, kAwkward}, {0, 0, 0, 0, true, ""}};
  spells = {{2345, 3599, "Gem & <Jewel>"}};
  Log().AddToLogFromData(kAwkward, 4, 2, 3, 1700000001);
  Log().AddToLogFromData("plain", 32, 5, 18, 1700000002);
  ASSERT_TRUE(DataFile::Save(*ch));
  const std::string first = Slurp(DataFilePath());

  ch->GlobalSettings->CheckedLet(false);
  corpses.clear();
  spells.clear();
  Log().Clear();
  DataFile::Load(*ch, 0);
  EXPECT_EQ(Slurp(DataFilePath()), first);
  EXPECT_TRUE(ch->GlobalSettings->CheckedGet());
  ASSERT_EQ(corpses.size(), 2u);
  EXPECT_EQ(corpses[0].NS, 12.3456789012345);
  EXPECT_EQ(corpses[0].EW, -0.1);
  EXPECT_EQ(corpses[0].data, kAwkward);
  EXPECT_TRUE(corpses[1].Dungeon);
  ASSERT_EQ(spells.size(), 1u);
  EXPECT_EQ(spells[0].sTarget, "Gem & <Jewel>");
  ASSERT_EQ(Log().Log().size(), 2u);
  EXPECT_EQ(Log().Log()[0].message(), kAwkward);
  EXPECT_EQ(Log().Log()[1].msgtag(), 18);

  corpses.clear();
  spells.clear();
  Log().Clear();
  DataFile::Load(*ch, 0);
  EXPECT_EQ(Slurp(DataFilePath()), first);

  // Joined by hand to another (a second root, whatever its name when it has
  // no values of its own): every element of both is read, and written back
  // under the one root.
  corpses.clear();
  spells.clear();
  Log().Clear();
  Spit(DataFilePath(), first + "\n<Log><Log message=\"joined\"/><Corpse guid=\"77\"/></Log>");
  DataFile::Load(*ch, 0);
  ASSERT_EQ(Log().Log().size(), 3u);
  EXPECT_EQ(Log().Log()[2].message(), "joined");
  ASSERT_EQ(corpses.size(), 3u);
  EXPECT_EQ(corpses[2].guid, 77);
  const std::string rewritten = Slurp(DataFilePath());
  EXPECT_NE(rewritten.find("joined"), std::string::npos);
  EXPECT_EQ(rewritten.find("<Mellox>", 1), std::string::npos);

  // A root that is itself an element (what joining the data file and its
  // companion by hand leaves) is one: read in its place, and kept by the
  // rewrite through a login and logoff.
  Spit(DataFilePath(),
       first + "\n<Log message=\"bare 1\"/>\n<Log message=\"bare 2\"/>\r\n<Log message=\"bare 3\"/>\n");
  for (int login = 0; login < 2; ++login) {
    corpses.clear();
    spells.clear();
    DataFile::Load(*ch, 0);
    ASSERT_EQ(Log().Log().size(), 5u) << login;
    EXPECT_EQ(Log().Log()[1].message(), "plain");
    EXPECT_EQ(Log().Log()[2].message(), "bare 1");
    EXPECT_EQ(Log().Log()[4].message(), "bare 3");
    DataFile::Close();
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(DataFileTest, LogLinesBeyondTheStartingLimitSurviveALogin) {
  std::string xml = "<Mellox>";
  for (int i = 0; i < 150; ++i) xml += "<Log message=\"line " + std::to_string(i) + "\" type=\"4\"/>";
  xml += "</Mellox>";
  Spit(DataFilePath(), xml);
  ASSERT_EQ(Log().MaxLines(), 100);
  DataFile::Load(*ch, 0);
  ASSERT_EQ(Log().Log().size(), 150u);
  EXPECT_EQ(Log().Log().front().message(), "line 0");

  PlaceShippedDefaults();
  Spit(CharFile(), "<Mellox Version=\"1.1.0.1\"><Chat_Log max=\"500\"/></Mellox>");
  SettingsFile::Load(*ch, 0);
  EXPECT_EQ(Log().MaxLines(), 500);
  EXPECT_EQ(Log().Log().size(), 150u);

  // So do the lines stored beside the data file since it was last written.
  ch->ChatLogEnable->CheckedLet(true);
  for (int i = 150; i < 179; ++i) Log().AddToLog("line " + std::to_string(i), 4, 2);
  Log().AddToLog(kAwkward, 4, 2);
  ASSERT_TRUE(DataFile::SaveNewLines(*ch));
  // A damaged value among them is told as theirs, and their file kept aside.
  std::string stored = Slurp(DataFile::LinesPath());
  const std::size_t type = stored.find("type=\"4\"");
  ASSERT_NE(type, std::string::npos);
  stored.replace(type, 8, "type=\"x\"");
  Spit(DataFile::LinesPath(), stored);
  Log().MaxLines(100);
  DataFile::Load(*ch, 0);
  ASSERT_EQ(Log().Log().size(), 180u);
  EXPECT_EQ(Log().Log().front().message(), "line 0");
  EXPECT_EQ(Log().Log().back().message(), kAwkward);
  EXPECT_TRUE(Reported("Data_Load", "Log type=\"x\", using 0 in Mellox_Data_Alpha_Bob.lines"));
  fs::path aside = DataFile::LinesPath();
  aside += ".damaged";
  EXPECT_EQ(Slurp(aside), stored);

  // A limit the settings refuse gives the shipped one (reported), never the
  // one an earlier login left (5 here), which would cut this one's lines.
  for (const std::string refused : {"lots", "-1"}) {
    Log().Clear();
    Log().MaxLines(5);
    Spit(DataFilePath(), xml);
    DataFile::Load(*ch, 0);
    Spit(CharFile(), "<Mellox Version=\"1.1.0.1\"><Chat_Log max=\"" + refused + "\"/></Mellox>");
    SettingsFile::Load(*ch, 0);
    EXPECT_EQ(Log().MaxLines(), 100) << refused;
    ASSERT_EQ(Log().Log().size(), 100u) << refused;
    EXPECT_EQ(Log().Log().front().message(), "line 50");
    EXPECT_TRUE(Reported("Settings_Load 1", "Chat_Log max=\"" + refused + "\", using 100")) << refused;
  }

  // Each element of a companion line that another tool joined counts: a
  // data file of 100 lines beside its own companion of 60 lines of 4 keeps
  // all 340 under settings that keep 1000, and the load's save writes them.
  std::string hundred = "<Mellox>";
  for (int i = 0; i < 100; ++i) hundred += "<Log message=\"kept " + std::to_string(i) + "\"/>";
  hundred += "</Mellox>";
  std::string joined = DataFile::LinesFirstLine(hundred);
  for (int i = 0; i < 240; ++i)
    joined += "<Log message=\"joined " + std::to_string(i) + "\"/>" + (i % 4 == 3 ? "\n" : "");
  Spit(DataFilePath(), hundred);
  Spit(DataFile::LinesPath(), joined);
  reports.clear();
  DataFile::Load(*ch, 0);
  Spit(CharFile(), "<Mellox Version=\"1.1.0.1\"><Chat_Log max=\"1000\"/></Mellox>");
  SettingsFile::Load(*ch, 0);
  EXPECT_EQ(Log().MaxLines(), 1000);
  ASSERT_EQ(Log().Log().size(), 340u);
  EXPECT_EQ(Log().Log().front().message(), "kept 0");
  EXPECT_EQ(Log().Log().back().message(), "joined 239");
  EXPECT_NE(Slurp(DataFilePath()).find("kept 0"), std::string::npos);
  EXPECT_TRUE(reports.empty());
}

// Every element stored in the data file and its companion is read once,
// however they are packed: several elements on one companion line (another
// tool joined them), every line end, roots joined after the data file's own
// (by hand), elements that are roots themselves (a companion joined to its
// data file); and the chat log keeps every stored line until the settings
// say how many (the limit is raised to the elements read). A root named as a
// line that holds elements is read as the elements it holds, and told: the
// file is kept aside, its own values left out.
TEST_F(DataFileTest, EveryStoredElementIsReadOnceHoweverItIsPacked) {
  const std::string kEnds[] = {"\n", "\r\n", "\r", "\r\r\n"};
  const fs::path dataAside = DataFilePath().string() + ".damaged";
  const fs::path linesAside = DataFile::LinesPath().string() + ".damaged";
  // How often each packing was tried, so the seeds keep trying them all.
  std::map<std::string, int> tried;
  for (std::uint32_t seed = 1; seed <= 200 && !HasFailure(); ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); };
    auto lineEnd = [&] { return kEnds[pick(0, 3)]; };
    // The data file's elements in file order, and what reading them gives.
    std::vector<std::string> elements;
    std::vector<std::string> messages;
    std::vector<std::int32_t> guids;
    std::vector<std::int32_t> spellIds;
    bool global = false;
    auto logElement = [&] {
      const std::string n = std::to_string(messages.size());
      messages.push_back("line " + n);
      return "<Log message=\"line " + n + "\" type=\"4\" color=\"2\" tag=\"2\" date=\"17000" + n + "\"/>";
    };
    for (int i = pick(0, 160); i > 0; --i) {
      const int kind = pick(0, 19);
      if (kind == 0) {
        global = pick(0, 1) == 1;
        elements.push_back(std::string("<Global enabled=\"") + (global ? "True" : "False") + "\"/>");
      } else if (kind == 1) {
        guids.push_back(static_cast<std::int32_t>(guids.size()) + 1);
        elements.push_back("<Corpse ns=\"1.5\" ew=\"-2\" time=\"1700000000\" dungeon=\"False\" guid=\"" +
                           std::to_string(guids.back()) + "\" data=\"pack\"/>");
      } else if (kind == 2) {
        spellIds.push_back(static_cast<std::int32_t>(spellIds.size()) + 100);
        elements.push_back("<Item_Spell id=\"" + std::to_string(spellIds.back()) +
                           "\" remaining=\"600\" target=\"Sword\"/>");
      } else {
        elements.push_back(logElement());
      }
    }
    // Packed as roots: the first mostly the data file's own, then, in some
    // files, roots joined after it: containers or bare elements.
    const bool joined = pick(0, 1) == 1;
    bool wrapped = false;
    std::string data;
    for (std::size_t at = 0; at < elements.size() || data.empty();) {
      const bool bare = at < elements.size() && (data.empty() ? pick(0, 4) == 0 : pick(0, 2) == 0);
      if (!data.empty()) data += pick(0, 3) == 0 ? "" : lineEnd();
      if (bare) {
        tried[data.empty() ? "an element as the first root" : "an element as a root"]++;
        data += elements[at++];
      } else {
        // A container of a run of elements: the root's children, separated
        // as a save does or as an editor leaves them.
        const std::size_t run =
            !joined ? elements.size() - at : std::min<std::size_t>(elements.size() - at, pick(0, 12));
        // Rarely a line named as one that holds elements.
        const bool wrapper = joined && run > 0 && pick(0, 149) == 0;
        wrapped = wrapped || wrapper;
        data += wrapper ? "<Log message=\"wrapper\">" : "<Mellox>";
        for (std::size_t i = 0; i < run; ++i) data += (pick(0, 1) == 0 ? "\r\t" : lineEnd()) + elements[at++];
        data += wrapper ? "\r</Log>" : "\r</Mellox>";
      }
      if (!joined && at == elements.size()) break;
    }
    // The companion, its first line naming this data file, then the lines
    // logged since, one or several elements on a line, every line end; the
    // last line now and then without one (another tool wrote it so).
    std::string companion;
    if (pick(0, 3) != 0) {
      std::string first = DataFile::LinesFirstLine(data);
      first.pop_back();
      companion = first + lineEnd();
      for (int i = pick(0, 80); i > 0; --i) {
        const int on = pick(0, 2) == 0 ? 1 : pick(2, 5);
        if (on > 1) tried["several elements on a companion line"]++;
        for (int e = 0; e < on; ++e) companion += logElement();
        companion += i == 1 && pick(0, 3) == 0 ? "" : lineEnd();
      }
    }
    if (joined) tried["roots joined"]++;
    if (wrapped) tried["a root named as a line holding elements"]++;
    if (messages.size() > 100) tried["more lines than the starting limit"]++;
    // The chat log's starting limit, as at a login (the corpses and item
    // spells are played here: the load cannot empty them).
    corpses.clear();
    spells.clear();
    Log().MaxLines(100);
    DataFile::LogLimitSetBySettings();
    fs::remove(dataAside);
    fs::remove(linesAside);
    Spit(DataFilePath(), data);
    fs::remove(DataFile::LinesPath());
    if (!companion.empty()) Spit(DataFile::LinesPath(), companion);
    reports.clear();
    const std::size_t said = host_->Output().size();
    DataFile::Load(*ch, 0);

    std::vector<std::string> read;
    for (const LogItem& item : Log().Log()) read.push_back(item.message());
    EXPECT_EQ(read, messages);
    EXPECT_EQ(Log().MaxLines(), std::max<std::int32_t>(100, static_cast<std::int32_t>(messages.size())));
    std::vector<std::int32_t> readGuids;
    for (const CorpseRecord& c : corpses) readGuids.push_back(c.guid);
    EXPECT_EQ(readGuids, guids);
    std::vector<std::int32_t> readSpells;
    for (const ItemSpellRecord& s : spells) readSpells.push_back(s.id);
    EXPECT_EQ(readSpells, spellIds);
    EXPECT_EQ(ch->GlobalSettings->CheckedGet(), global);
    // Written whole at once with every one of them, the companion gone.
    const std::string rewritten = Slurp(DataFilePath());
    std::size_t logs = 0;
    for (std::size_t at = rewritten.find("<Log "); at != std::string::npos;
         at = rewritten.find("<Log ", at + 1))
      ++logs;
    EXPECT_EQ(logs, messages.size());
    EXPECT_FALSE(fs::exists(DataFile::LinesPath()));
    EXPECT_FALSE(fs::exists(linesAside));
    if (wrapped) {
      EXPECT_EQ(Slurp(dataAside), data);
      EXPECT_TRUE(Reported("Data_Load", "A root named Log holds elements"));
      EXPECT_TRUE(Told("Loading Mellox_Data_Alpha_Bob.xml found"));
    } else {
      EXPECT_FALSE(fs::exists(dataAside));
      EXPECT_TRUE(reports.empty());
      EXPECT_EQ(host_->Output().size(), said);
    }
  }
  if (HasFailure()) return;
  EXPECT_EQ(tried.size(), 6u) << testing::PrintToString(tried);
  for (const auto& [packing, times] : tried) EXPECT_GE(times, 5) << packing;
}

TEST_F(DataFileTest, DamagedValuesCostOnlyThemselves) {
  Spit(DataFilePath(),
       "<Mellox><Global enabled=\"perhaps\"/>"
       "<Corpse ns=\"12.5N\" ew=\"junk\" time=\"abc\" guid=\"7\" data=\"d\"/>"
       "<Log message=\"m\" type=\"99999999999\" color=\"3\"/>"
       "<Item_Spell id=\"5\" remaining=\"60\" target=\"t\"/><Other/>"
       // Times no date can hold: every tick's arithmetic on them would overflow.
       "<Corpse time=\"-9223372036854775808\" guid=\"8\"/><Corpse time=\"253402300799\" guid=\"9\"/>"
       "<Log message=\"n\" date=\"253402300800\"/></Mellox>");
  DataFile::Load(*ch, 0);
  EXPECT_FALSE(ch->GlobalSettings->CheckedGet());
  ASSERT_EQ(corpses.size(), 3u);
  EXPECT_EQ(corpses[0].NS, 12.5);
  EXPECT_EQ(corpses[0].EW, 0);
  EXPECT_EQ(corpses[0].time, 0);
  EXPECT_EQ(corpses[0].guid, 7);
  EXPECT_EQ(corpses[1].time, 0);
  EXPECT_EQ(corpses[2].time, 253402300799);  // the last second of 9999
  ASSERT_EQ(Log().Log().size(), 2u);
  EXPECT_EQ(Log().Log()[1].msgdate(), 0);
  EXPECT_TRUE(Reported("Data_Load", "Log date=\"253402300800\""));
  EXPECT_TRUE(Reported("Data_Load", "Corpse time=\"abc\", using 0 (2 times)"));
  EXPECT_EQ(Log().Log()[0].msgtype(), 0);
  EXPECT_EQ(Log().Log()[0].msgcolor(), 3);
  EXPECT_EQ(spells.size(), 1u);
  EXPECT_TRUE(Reported("Data_Load", "Global enabled=\"perhaps\""));
  EXPECT_TRUE(Reported("Data_Load", "Corpse time=\"abc\""));
  EXPECT_TRUE(Reported("Data_Load", "Log type=\"99999999999\""));
  EXPECT_EQ(Slurp(DataFilePath()).find("<Other"), std::string::npos);
}

TEST_F(DataFileTest, RepeatedFaultsAreReportedOnceWithTheirCount) {
  std::string xml = "<Mellox><Global enabled=\"maybe\"/>";
  for (int i = 0; i < 2000; ++i) xml += "<Corpse time=\"abc\" guid=\"" + std::to_string(i) + "\"/>";
  for (int i = 0; i < 3; ++i) xml += "<Log message=\"m\" type=\"x\"/>";
  xml += "</Mellox>";
  Spit(DataFilePath(), xml);
  DataFile::Load(*ch, 0);
  EXPECT_EQ(corpses.size(), 2000u);
  EXPECT_EQ(Log().Log().size(), 3u);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_NE(reports[0].description.find("Global enabled=\"maybe\""), std::string::npos);
  EXPECT_EQ(reports[0].description.find("times)"), std::string::npos);
  EXPECT_NE(reports[1].description.find("Corpse time=\"abc\", using 0 (2000 times)"), std::string::npos);
  EXPECT_NE(reports[2].description.find("Log type=\"x\", using 0 (3 times)"), std::string::npos);
  fs::path aside = DataFilePath();
  aside += ".damaged";
  EXPECT_EQ(Slurp(aside), xml);
  EXPECT_TRUE(Told("kept as Mellox_Data_Alpha_Bob.xml.damaged"));
}

TEST_F(DataFileTest, CorruptFileIsKeptAside) {
  Spit(DataFilePath(), "<Mellox><Log message=\"half");
  // The lines stored beside it were never read: they go aside with it.
  const std::string companion =
      "<Base size=\"26\" digest=\"0123456789abcdef\"/>\n<Log message=\"only here\"/>\n";
  Spit(DataFile::LinesPath(), companion);
  DataFile::Load(*ch, 0);
  fs::path aside = DataFilePath();
  aside += ".corrupt";
  EXPECT_EQ(Slurp(aside), "<Mellox><Log message=\"half");
  EXPECT_TRUE(Told("kept as Mellox_Data_Alpha_Bob.xml.corrupt"));
  EXPECT_EQ(Slurp(DataFilePath()), "<Mellox>\r\t<Global enabled=\"False\"/>\r</Mellox>");
  fs::path linesAside = DataFile::LinesPath();
  linesAside += ".damaged";
  EXPECT_EQ(Slurp(linesAside), companion);
  EXPECT_TRUE(
      Told("Mellox_Data_Alpha_Bob.lines holds chat-log lines of a data file that could not be read; it was "
           "kept as Mellox_Data_Alpha_Bob.lines.damaged."));
}

TEST_F(DataFileTest, CompanionLinesThatWereNotAllReadAreKeptAside) {
  PlaceShippedDefaults();
  SettingsFile::Load(*ch, 0);
  ch->ChatLogEnable->CheckedLet(true);
  DataFile::Load(*ch, 0);
  for (int i = 0; i < 20; ++i) Log().AddToLog("line " + std::to_string(i), 4, 2);
  ASSERT_TRUE(DataFile::SaveNewLines(*ch));
  Log().AddToLog("stored beside", 4, 2);
  ASSERT_TRUE(DataFile::SaveNewLines(*ch));
  const std::string data = Slurp(DataFilePath());
  const std::string companion = Slurp(DataFile::LinesPath());
  ASSERT_NE(companion.find("stored beside"), std::string::npos);
  fs::path aside = DataFile::LinesPath();
  aside += ".damaged";
  // A login with these files; what it kept aside of the companion.
  auto relog = [&](const std::string& dataBytes, const std::string& lines) {
    Spit(DataFilePath(), dataBytes);
    Spit(DataFile::LinesPath(), lines);
    fs::remove(aside);
    reports.clear();
    Log().Clear();
    DataFile::Load(*ch, 0);
    EXPECT_FALSE(fs::exists(DataFile::LinesPath()));
    return Slurp(aside);
  };

  // A line the load cannot take (added by hand) is kept with its file.
  const std::string byHand = companion + "<Note by=\"hand\"/>\n";
  EXPECT_EQ(relog(data, byHand), byHand);
  EXPECT_TRUE(Reported("Data_Load",
                       "A line that is not a chat-log line was left out in Mellox_Data_Alpha_Bob.lines"));
  const std::string merged = Slurp(DataFilePath());
  ASSERT_NE(merged.find("stored beside"), std::string::npos);

  // Elements another tool joined on one line are each read; one among them
  // that is no chat-log line costs its line's file a copy, as above.
  reports.clear();
  EXPECT_EQ(relog(data, companion + "<Log message=\"joined 1\"/><Log message=\"joined 2\"/>\n"), "");
  EXPECT_TRUE(reports.empty());
  ASSERT_GE(Log().Log().size(), 2u);
  EXPECT_EQ(Log().Log()[Log().Log().size() - 2].message(), "joined 1");
  EXPECT_EQ(Log().Log().back().message(), "joined 2");
  const std::string joinedByHand = companion + "<Log message=\"joined 3\"/><Note by=\"hand\"/>\n";
  EXPECT_EQ(relog(data, joinedByHand), joinedByHand);
  EXPECT_EQ(Log().Log().back().message(), "joined 3");
  EXPECT_TRUE(Reported("Data_Load",
                       "A line that is not a chat-log line was left out in Mellox_Data_Alpha_Bob.lines"));

  // A last line with no end is read when it is a whole element (another
  // tool wrote it so); cut off in the middle it is left out, and the
  // companion as it was kept aside first.
  EXPECT_EQ(relog(data, companion.substr(0, companion.size() - 1)), "");
  EXPECT_EQ(Log().Log().back().message(), "stored beside");
  EXPECT_FALSE(Told("cut back to its last whole line"));
  const std::string torn = companion.substr(0, companion.size() - 5);
  EXPECT_EQ(relog(data, torn), torn);
  EXPECT_TRUE(Told("Mellox_Data_Alpha_Bob.lines ended in the middle of a line; it was cut back to its last whole line."));
  EXPECT_EQ(Log().Log().back().message(), "line 19");

  // So is text the game's code page lacks, or that is not UTF-8: told as in the data file.
  const std::string texts =
      companion +
      "<Log message=\"A\xE6\x97\xA5\xE2\x9C\x93\xF0\x9F\x98\x80\"/>\n<Log message=\"&#128;\"/>\n" +
      "<Log message=\"caf\xE9\"/>\n";
  EXPECT_EQ(relog(data, texts), texts);
  EXPECT_TRUE(Reported("LoadXmlFile",
                       "code page cannot hold in a text, read as \"?\" (2 times) in "
                       "Mellox_Data_Alpha_Bob.lines"));
  EXPECT_TRUE(Reported("LoadXmlFile", "not UTF-8, read as Windows-1252 in Mellox_Data_Alpha_Bob.lines"));
  EXPECT_EQ(Log().Log().back().message(), "caf\xE9");

  // Written beside another data file (this one replaced after a crash): its
  // lines are not this file's, so it is kept aside, and told once.
  const std::string other =
      "<Base size=\"1\" digest=\"0000000000000000\"/>" + companion.substr(companion.find('\n'));
  EXPECT_EQ(relog(data, other), other);
  EXPECT_TRUE(Told("Mellox_Data_Alpha_Bob.lines holds chat-log lines that its data file lacks"));
  EXPECT_EQ(Log().Log().back().message(), "line 19");
  // Unless the data file holds each of them (the game stopped before it was
  // removed after a whole write): then it is only removed.
  EXPECT_EQ(relog(merged, other), "");
  // Each of the elements joined on a line counts.
  const std::string otherJoined = other.substr(0, other.size() - 1) + "<Log message=\"only beside\"/>\n";
  EXPECT_EQ(relog(merged, otherJoined), otherJoined);
  EXPECT_EQ(std::count_if(Log().Log().begin(), Log().Log().end(),
                          [](const LogItem& item) { return item.message() == "stored beside"; }),
            1);

  // Or when the chat-log limit cut its oldest lines from the data file
  // before that whole write: the data file begins with the rest of them.
  auto element = [&](const std::string& message) {
    const std::size_t at = merged.find("<Log message=\"" + message + "\"");
    return merged.substr(at, merged.find("/>", at) + 2 - at);
  };
  auto dataWith = [&](const std::vector<std::string>& messages) {
    std::string bytes = "<Mellox>\r\t<Global enabled=\"False\"/>";
    for (const std::string& m : messages) bytes += "\r\t" + element(m);
    return bytes + "\r</Mellox>";
  };
  // A companion of those lines written beside another data file.
  auto companionOf = [&](const std::vector<std::string>& messages) {
    std::string bytes = "<Base size=\"1\" digest=\"0000000000000000\"/>\n";
    for (const std::string& m : messages) bytes += element(m) + "\n";
    return bytes;
  };
  const std::string cutLines = companionOf({"line 16", "line 17", "line 18", "line 19", "stored beside"});
  reports.clear();
  EXPECT_EQ(relog(dataWith({"line 18", "line 19", "stored beside"}), cutLines), "");
  EXPECT_TRUE(reports.empty());
  ASSERT_EQ(Log().Log().size(), 3u);
  // Not when a line older than the rest stands before them.
  EXPECT_EQ(relog(dataWith({"line 0", "line 18", "line 19", "stored beside"}), cutLines), cutLines);
  // Alike lines (spam): the data file may begin with any run of the newest.
  const std::string spam =
      companionOf({"line 16", "line 18", "line 18", "line 19", "line 18", "line 18", "line 18"});
  EXPECT_EQ(relog(dataWith({"line 18", "line 18", "line 0"}), spam), "");
  EXPECT_EQ(relog(dataWith({"line 18", "line 18", "line 19", "line 18", "line 18", "line 18", "line 17"}), spam), "");
  EXPECT_EQ(relog(dataWith({"line 19", "line 18", "line 18", "line 17"}), spam), spam);
  EXPECT_EQ(relog(dataWith({"line 17", "line 18"}), spam), spam);
  // Matching falls back along the data file's own runs, as far as it must:
  // A B A C is not held by A B A B; and X A A A B, whose newest A A B begin
  // A A B C, is. So do those runs where they are worked out: X A B A B A C B
  // is not held by A B A B A C D, and X A A B A A A B is by A A B A A A C.
  const std::string abac = companionOf({"line 16", "line 17", "line 16", "line 18"});
  EXPECT_EQ(relog(dataWith({"line 16", "line 17", "line 16", "line 17"}), abac), abac);
  EXPECT_EQ(relog(dataWith({"line 18", "line 18", "line 19", "line 17"}),
                  companionOf({"line 16", "line 18", "line 18", "line 18", "line 19"})),
            "");
  const std::string ababacb =
      companionOf({"line 0", "line 16", "line 17", "line 16", "line 17", "line 16", "line 18", "line 17"});
  EXPECT_EQ(relog(dataWith({"line 16", "line 17", "line 16", "line 17", "line 16", "line 18", "line 19"}), ababacb),
            ababacb);
  EXPECT_EQ(relog(dataWith({"line 16", "line 16", "line 17", "line 16", "line 16", "line 16", "line 18"}),
                  companionOf({"line 0", "line 16", "line 16", "line 17", "line 16", "line 16", "line 16", "line 17"})),
            "");

  // Corpses stored beside the data file (recorded while whole writes
  // failed): a data file lacking one of them does not hold the companion.
  const std::string corpse = "<Corpse ns=\"1.5\" ew=\"-2\" time=\"1700000000\" dungeon=\"False\" guid=\"7\" data=\"pack\"/>";
  const std::string corpseLines = "<Base size=\"1\" digest=\"0000000000000000\"/>\n<Corpses>" + corpse + "</Corpses>\n";
  EXPECT_EQ(relog("<Mellox>\r\t<Global enabled=\"False\"/>\r</Mellox>", corpseLines), corpseLines);
  EXPECT_TRUE(Told("Mellox_Data_Alpha_Bob.lines holds corpses that its data file lacks"));
  EXPECT_EQ(relog("<Mellox>\r\t<Global enabled=\"False\"/>\r\t" + corpse + "\r</Mellox>", corpseLines), "");
  // So is the global-settings choice.
  const std::string globalLines = "<Base size=\"1\" digest=\"0000000000000000\"/>\n<Global enabled=\"True\"/>\n";
  EXPECT_EQ(relog("<Mellox>\r\t<Global enabled=\"False\"/>\r</Mellox>", globalLines), globalLines);
  EXPECT_TRUE(Told("Mellox_Data_Alpha_Bob.lines holds the global-settings choice that its data file lacks"));
  EXPECT_EQ(relog("<Mellox>\r\t<Global enabled=\"True\"/>\r</Mellox>", globalLines), "");

  // A companion of item spells alone: a sword's 400 seconds left are not
  // held by a data file (replaced by hand) that gives it 1000.
  const std::string swordLines =
      "<Base size=\"1\" digest=\"0000000000000000\"/>\n<Item_Spells><Item_Spell id=\"2345\" remaining=\"900\" "
      "target=\"Sword\"/></Item_Spells>\n<Item_Spells><Item_Spell id=\"2345\" remaining=\"400\" "
      "target=\"Sword\"/><Item_Spell id=\"77\" remaining=\"30\" target=\"Gem\"/></Item_Spells>\n";
  auto spellsData = [](const std::string& spellElements) {
    return "<Mellox>\r\t<Global enabled=\"False\"/>" + spellElements + "\r</Mellox>";
  };
  const std::string sword = "\r\t<Item_Spell id=\"2345\" remaining=\"";
  EXPECT_EQ(relog(spellsData(sword + "1000\" target=\"Sword\"/>"), swordLines), swordLines);
  EXPECT_TRUE(Told("Mellox_Data_Alpha_Bob.lines holds item spells' seconds left that its data file lacks"));
  EXPECT_EQ(relog(spellsData(""), swordLines), swordLines);
  // A whole write after it holds them counted down, or run out by then.
  EXPECT_EQ(relog(spellsData(sword + "340\" target=\"Sword\"/>"), swordLines), "");
  // In 25 seconds the gem's 30 had not run out.
  EXPECT_EQ(relog(spellsData(sword + "375\" target=\"Sword\"/>"), swordLines), swordLines);
  // In exactly 30 it had; and a write with no time since holds the very same seconds.
  EXPECT_EQ(relog(spellsData(sword + "370\" target=\"Sword\"/>"), swordLines), "");
  EXPECT_EQ(relog(spellsData(sword + "400\" target=\"Sword\"/>\r\t<Item_Spell id=\"77\" remaining=\"30\" target=\"Gem\"/>"),
                  swordLines),
            "");

  // A companion a login stored beside no data file (its whole writes
  // failed) is that login's own: the next login reads it, with no word and
  // no copy.
  fs::remove(DataFilePath());
  fs::remove(DataFile::LinesPath());
  fs::remove(aside);
  SetAtomicWriteFaultForTesting([](std::string_view stage) { return stage == "write" ? ENOSPC : 0; });
  DataFile::Load(*ch, 0);
  SetAtomicWriteFaultForTesting({});
  Log().AddToLog("beside none", 4, 2);
  ASSERT_TRUE(DataFile::SaveNewLines(*ch));
  ASSERT_FALSE(fs::exists(DataFilePath()));
  ASSERT_EQ(Slurp(DataFile::LinesPath()).rfind(DataFile::LinesFirstLine(""), 0), 0u);
  reports.clear();
  const std::size_t said = host_->Output().size();
  DataFile::Load(*ch, 0);
  EXPECT_EQ(Log().Log().back().message(), "beside none");
  EXPECT_EQ(host_->Output().size(), said);
  EXPECT_TRUE(reports.empty());
  EXPECT_FALSE(fs::exists(aside));
  EXPECT_FALSE(fs::exists(DataFile::LinesPath()));

  // When the copy of a companion not wholly read cannot be made (no free
  // name, a full disk), no whole write removes it: each save tries again.
  Spit(aside, "taken");
  for (int n = 1; n < 100; ++n) Spit(aside.string() + "." + std::to_string(n), "taken");
  Spit(DataFilePath(), data);
  Spit(DataFile::LinesPath(), byHand);
  reports.clear();
  DataFile::Load(*ch, 0);
  EXPECT_TRUE(Reported("Data_Load", "no free name to keep Mellox_Data_Alpha_Bob.lines aside"));
  AddLogLine("logged after");
  EXPECT_FALSE(DataFile::Save(*ch));
  EXPECT_EQ(Slurp(DataFile::LinesPath()), byHand);
  fs::remove(aside.string() + ".7");
  SetAtomicWriteFaultForTesting([](std::string_view stage) { return stage == "write" ? ENOSPC : 0; });
  EXPECT_FALSE(DataFile::Save(*ch));
  EXPECT_EQ(Slurp(DataFile::LinesPath()), byHand);
  EXPECT_FALSE(fs::exists(aside.string() + ".7"));
  SetAtomicWriteFaultForTesting({});
  EXPECT_TRUE(DataFile::Save(*ch));
  EXPECT_EQ(Slurp(aside.string() + ".7"), byHand);
  EXPECT_FALSE(fs::exists(DataFile::LinesPath()));
  EXPECT_NE(Slurp(DataFilePath()).find("logged after"), std::string::npos);

  // Likewise one written beside another data file, or beside none this
  // login read (missing, kept aside as it did not parse, or removed by the
  // user after it could not be read, lines logged meanwhile): the new lines are stored after its own, each
  // save that cannot copy it is told, and once it can the copy holds it as
  // read and the data file is written whole.
  const std::string besideUnread = "<Base size=\"9\" digest=\"0123456789abcdef\"/>\n<Log message=\"beside it\"/>\n";
  const struct {
    const char* besideWhat;
    std::function<void()> login;
    std::string asRead;
    std::string told;
  } besides[] = {
      {"another data file",
       [&] {
         Spit(DataFilePath(), data);
         Spit(DataFile::LinesPath(), other);
         DataFile::Load(*ch, 0);
       },
       other, "chat-log lines that its data file lacks (written beside another one)"},
      {"a missing data file",
       [&] {
         fs::remove(DataFilePath());
         Spit(DataFile::LinesPath(), companion);
         DataFile::Load(*ch, 0);
       },
       companion, "chat-log lines of a data file that is missing"},
      {"a data file that does not parse",
       [&] {
         Spit(DataFilePath(), "<Mellox><Log message=\"half");
         Spit(DataFile::LinesPath(), byHand);
         DataFile::Load(*ch, 0);
         EXPECT_EQ(Slurp(DataFilePath().string() + ".corrupt"), "<Mellox><Log message=\"half");
       },
       byHand, "chat-log lines of a data file that could not be read"},
      {"a data file that could not be read",
       [&] {
         fs::remove(DataFilePath());
         fs::create_directories(DataFilePath());
         Spit(DataFile::LinesPath(), besideUnread);
         DataFile::Load(*ch, 0);
         Log().AddToLog("while unreadable", 4, 2);
         EXPECT_FALSE(DataFile::SaveNewLines(*ch));
         EXPECT_TRUE(fs::is_directory(DataFilePath()));
         fs::remove(DataFilePath());
         EXPECT_FALSE(DataFile::Save(*ch));
         EXPECT_NE(Slurp(DataFile::LinesPath()).find("while unreadable", besideUnread.size()), std::string::npos);
       },
       besideUnread, "chat-log lines of a data file that could not be read"},
  };
  for (const auto& beside : besides) {
    SCOPED_TRACE(beside.besideWhat);
    reports.clear();
    beside.login();
    EXPECT_TRUE(Told("Mellox_Data_Alpha_Bob.lines holds " + beside.told +
                     " and could not be kept aside; new lines are stored after its own"));
    Log().AddToLog("beside another", 4, 2);
    EXPECT_TRUE(DataFile::SaveNewLines(*ch));
    const std::string after = Slurp(DataFile::LinesPath());
    EXPECT_EQ(after.substr(0, beside.asRead.size()), beside.asRead);
    EXPECT_NE(after.find("beside another", beside.asRead.size()), std::string::npos);
    EXPECT_FALSE(DataFile::SaveNewLines(*ch, true));
    EXPECT_FALSE(DataFile::Save(*ch));
    EXPECT_EQ(std::count_if(reports.begin(), reports.end(),
                            [](const Report& r) {
                              return r.procedure == "Data_Save" &&
                                     r.description.find("no free name to keep Mellox_Data_Alpha_Bob.lines aside") !=
                                         std::string::npos;
                            }),
              3);
    // The next login of the character reads what this one stored after
    // them (still with no name free), and nothing of theirs.
    reports.clear();
    DataFile::Load(*ch, 0);
    EXPECT_TRUE(Told("Mellox_Data_Alpha_Bob.lines holds " + beside.told + " and could not be kept aside"));
    const auto& log = Log().Log();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const LogItem& item) { return item.message() == "beside another"; }),
              1);
    EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const LogItem& item) {
      return item.message() == "stored beside" || item.message() == "beside it";
    }));
    Log().AddToLog("the next login", 4, 2);
    EXPECT_TRUE(DataFile::SaveNewLines(*ch));
    // Once a name is free the copy holds only their lines as read, made by
    // a save or by the login after.
    // (the login finds the data file missing then, as the whole writes failed).
    fs::remove(aside.string() + ".7");
    const bool bySave = &beside - besides < 2;
    if (bySave) {
      EXPECT_TRUE(DataFile::Save(*ch));
    } else {
      DataFile::Load(*ch, 0);
    }
    EXPECT_EQ(Slurp(aside.string() + ".7"), beside.asRead);
    EXPECT_TRUE(Told("Mellox_Data_Alpha_Bob.lines holds " +
                     (bySave ? beside.told : "chat-log lines of a data file that is missing") +
                     "; those lines were kept as Mellox_Data_Alpha_Bob.lines.damaged.7."));
    EXPECT_FALSE(fs::exists(DataFile::LinesPath()));
    EXPECT_NE(Slurp(DataFilePath()).find("beside another"), std::string::npos);
    EXPECT_NE(Slurp(DataFilePath()).find("the next login"), std::string::npos);
  }
  EXPECT_NE(Slurp(DataFilePath()).find("while unreadable"), std::string::npos);

  // Lines that wait to be kept aside are the character's whose companion
  // held them: with Bob's written beside another data file and none of his
  // names free, Ann, logging in after him, keeps nothing of his and is told
  // nothing.
  ASSERT_TRUE(fs::exists(aside.string() + ".7") && fs::exists(aside.string() + ".99"));
  Spit(DataFilePath(), data);
  Spit(DataFile::LinesPath(), other);
  const std::size_t before = host_->Output().size();
  DataFile::Load(*ch, 0);
  ASSERT_TRUE(std::any_of(host_->Output().begin() + static_cast<std::ptrdiff_t>(before),
                          host_->Output().end(), [](const std::string& line) {
                            return line.find(
                                       "Mellox_Data_Alpha_Bob.lines holds chat-log lines that its data "
                                       "file lacks (written beside another one) and could not be kept "
                                       "aside") != std::string::npos;
                          }));
  DataFile::Close();
  character = "Ann";
  DataFile::Load(*ch, 0);
  AddLogLine("Ann's own");
  EXPECT_TRUE(DataFile::Save(*ch));
  EXPECT_FALSE(fs::exists(DataFile::LinesPath().string() + ".damaged"));
  EXPECT_FALSE(Told("Mellox_Data_Alpha_Ann"));
  EXPECT_EQ(Slurp(DataFilePath()).find("stored beside"), std::string::npos);
}

TEST_F(DataFileTest, NothingIsWrittenOverAFileThatWasNotRead) {
  // Before this login's file was read a save would wipe it.
  Spit(DataFilePath(), "<Mellox><Log message=\"keep\"/></Mellox>");
  EXPECT_FALSE(DataFile::Save(*ch));
  EXPECT_EQ(Slurp(DataFilePath()), "<Mellox><Log message=\"keep\"/></Mellox>");

  fs::remove(DataFilePath());
  fs::create_directories(DataFilePath());  // cannot be read
  const std::string companion =
      "<Base size=\"9\" digest=\"0123456789abcdef\"/>\n<Log message=\"beside it\"/>\n";
  Spit(DataFile::LinesPath(), companion);
  DataFile::Load(*ch, 0);
  // Told once; chat lines and corpses are refused quietly after that.
  PlaceShippedDefaults();
  SettingsFile::Load(*ch, 0);
  ch->ChatLogEnable->CheckedLet(true);
  for (int tick = 0; tick < 3; ++tick) {
    Log().AddToLog("refused " + std::to_string(tick), 4, 2);
    EXPECT_FALSE(DataFile::SaveNewLines(*ch, tick == 2));
    corpses.push_back({tick, 1, 2, 1700000000, false, "corpse"});
    EXPECT_FALSE(DataFile::Save(*ch));
  }
  EXPECT_EQ(std::count_if(
                host_->Output().begin(), host_->Output().end(),
                [](const std::string& l) { return l.find("Mellox_Data_Alpha_Bob") != std::string::npos; }),
            1);
  EXPECT_TRUE(reports.empty());
  EXPECT_TRUE(fs::is_directory(DataFilePath()));
  // Once the user removes it there is nothing to keep: the next save goes
  // ahead, and the lines beside it, never read, are kept aside first.
  fs::remove(DataFilePath());
  EXPECT_TRUE(DataFile::Save(*ch));
  EXPECT_NE(Slurp(DataFilePath()).find("<Global "), std::string::npos);
  fs::path linesAside = DataFile::LinesPath();
  linesAside += ".damaged";
  EXPECT_EQ(Slurp(linesAside), companion);

  // Nor while the lines stored beside it cannot be read: a whole write would
  // remove them.
  fs::create_directories(DataFile::LinesPath());
  DataFile::Load(*ch, 0);
  EXPECT_TRUE(Told("Could not read Mellox_Data_Alpha_Bob.lines"));
  AddLogLine("logged meanwhile");
  EXPECT_FALSE(DataFile::SaveNewLines(*ch));
  EXPECT_FALSE(DataFile::Save(*ch));
  EXPECT_TRUE(fs::is_directory(DataFile::LinesPath()));
  EXPECT_EQ(Slurp(DataFilePath()).find("logged meanwhile"), std::string::npos);
  fs::remove(DataFile::LinesPath());
  EXPECT_TRUE(DataFile::SaveNewLines(*ch));
  EXPECT_NE(Slurp(DataFilePath()).find("logged meanwhile"), std::string::npos);
}

TEST_F(DataFileTest, FailedWriteKeepsTheOldFile) {
  DataFile::Load(*ch, 0);
  const std::string old = Slurp(DataFilePath());
  AddLogLine("new");
  SetAtomicWriteFaultForTesting([](std::string_view s) { return s == "rename" ? ENOSPC : 0; });
  EXPECT_FALSE(DataFile::Save(*ch));
  EXPECT_EQ(Slurp(DataFilePath()), old);
  EXPECT_TRUE(Reported("Data_Save"));
}

}  // namespace
}  // namespace mellox::test
