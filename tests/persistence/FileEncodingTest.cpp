// The game's single-byte text in the settings and data files: UTF-8 in the
// files, the game's bytes in memory, and older files of raw bytes still read.
#include <sstream>

#include "PersistenceFixture.h"
#include "core/TextEncoding.h"

namespace mellox::test {
namespace {

using FileEncodingTest = PersistenceTest;

// Every printable byte of Windows-1252, the undefined ones included.
std::string EveryRange() {
  std::string text;
  for (int b = 0x20; b < 0x100; ++b) text += static_cast<char>(b);
  return text;
}

std::string AliasFull(ControlHandler& ch, std::int32_t row) {
  return persistence::VariantText(ch.ChatAlias->DataGet(2, row, 0));
}

TEST_F(FileEncodingTest, FilesHoldUtf8AndGiveEveryByteBack) {
  PlaceShippedDefaults();
  SettingsFile::Load(*ch, 0);
  ch->XPFilterThreshold->TextLet(EveryRange());
  const std::int32_t row = ch->ChatAlias->AddRow();
  ch->ChatAlias->DataLet(0, row, 0, true);
  ch->ChatAlias->DataLet(1, row, 0, std::string("c"));
  ch->ChatAlias->DataLet(2, row, 0, std::string("caf\xE9"));
  ASSERT_TRUE(SettingsFile::Save(*ch, 0));
  const std::string settings = Slurp(CharFile());
  EXPECT_TRUE(TextEncoding::IsValidUtf8(settings));
  // What any other XML reader sees.
  pugi::xml_document other;
  ASSERT_TRUE(other.load_string(settings.c_str()));
  EXPECT_STREQ(other.child("Mellox").child("Chat_Alias").attribute("full").value(), "caf\xC3\xA9");

  ch->XPFilterThreshold->TextLet("");
  SettingsFile::Load(*ch, 0);
  EXPECT_EQ(ch->XPFilterThreshold->TextGet(), EveryRange());
  EXPECT_EQ(AliasFull(*ch, 0), "caf\xE9");
  EXPECT_EQ(Slurp(CharFile()), settings);

  DataFile::Load(*ch, 0);
  AddLogLine(EveryRange());
  corpses = {{0, 1, 2, 3, false, "Lost: \x80 and \x9F"}};
  ASSERT_TRUE(DataFile::Save(*ch));
  const std::string data = Slurp(DataFilePath());
  EXPECT_TRUE(TextEncoding::IsValidUtf8(data));
  corpses.clear();
  DataFile::Load(*ch, 0);
  ASSERT_EQ(Log().Log().size(), 1u);
  EXPECT_EQ(Log().Log()[0].message(), EveryRange());
  ASSERT_EQ(corpses.size(), 1u);
  EXPECT_EQ(corpses[0].data, "Lost: \x80 and \x9F");
  EXPECT_EQ(Slurp(DataFilePath()), data);
}

TEST_F(FileEncodingTest, AFileOfAnotherXmlToolLoadsAsTheGameText) {
  // Written by an XML library: declaration, byte-order mark, indentation, UTF-8.
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child("Mellox");
  root.append_attribute("Version") = "1.1.0.1";
  pugi::xml_node alias = root.append_child("Chat_Alias");
  alias.append_attribute("abbr") = "c";
  alias.append_attribute("full") = "caf\xC3\xA9 \xE2\x82\xAC" "5 \xE6\x97\xA5\xE6\x9C\xAC";
  alias.append_attribute("enabled") = "True";
  std::ostringstream out;
  doc.save(out, "  ", pugi::format_default | pugi::format_write_bom, pugi::encoding_utf8);
  Spit(CharFile(), out.str());
  SettingsFile::Load(*ch, 0);
  ASSERT_EQ(ch->ChatAlias->Count(), 1);
  EXPECT_EQ(AliasFull(*ch, 0), "caf\xE9 \x80" "5 ??");
  EXPECT_TRUE(reports.empty());

  // Character references stand for the same characters.
  Spit(DataFilePath(), "<Mellox><Log message=\"&#233;t&#xE9; \xC3\xA0 &#x4E2D;&#8364;\" type=\"4\"/></Mellox>");
  DataFile::Load(*ch, 0);
  ASSERT_EQ(Log().Log().size(), 1u);
  EXPECT_EQ(Log().Log()[0].message(), "\xE9t\xE9 \xE0 ?\x80");

  // A file of references only is plain ASCII, as some libraries write by default.
  Spit(CharFile(), "<Mellox Version=\"1.1.0.1\"><Chat_Alias abbr=\"c\" full=\"caf&#233; &#8364;\" enabled=\"True\" /></Mellox>");
  SettingsFile::Load(*ch, 0);
  ASSERT_EQ(ch->ChatAlias->Count(), 1);
  EXPECT_EQ(AliasFull(*ch, 0), "caf\xE9 \x80");
}

TEST_F(FileEncodingTest, AFileOfRawGameBytesIsReadAsWindows1252) {
  // Earlier builds wrote the game's bytes as they are: not valid UTF-8.
  Spit(CharFile(), "<Mellox Version=\"1.1.0.1\"><Chat_Alias abbr=\"c\" full=\"caf\xE9 \x80\" enabled=\"True\"/></Mellox>");
  SettingsFile::Load(*ch, 0);
  ASSERT_EQ(ch->ChatAlias->Count(), 1);
  EXPECT_EQ(AliasFull(*ch, 0), "caf\xE9 \x80");
  EXPECT_NE(Slurp(CharFile()).find("full=\"caf\xC3\xA9 \xE2\x82\xAC\""), std::string::npos);

  Spit(DataFilePath(), "<Mellox><Corpse data=\"\xC0 bient\xF4t\"/></Mellox>");
  DataFile::Load(*ch, 0);
  ASSERT_EQ(corpses.size(), 1u);
  EXPECT_EQ(corpses[0].data, "\xC0 bient\xF4t");
}

}  // namespace
}  // namespace mellox::test
