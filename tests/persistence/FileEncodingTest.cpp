// The game's single-byte text in the settings and data files: UTF-8 in the
// files, the game's bytes in memory; files of other encodings and texts of
// raw bytes still read.
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

// The bytes Python's xml.etree writes for ElementTree(root).write(file,
// encoding, xml_declaration=True) in UTF-16 or UTF-32 ("utf-16" and "utf-32"
// with a little-endian mark, "utf-16-be" and the like without).
std::string PythonUnicodeFile(const std::string& encoding, const std::string& utf8Body) {
  const bool wide = encoding.starts_with("utf-32");
  const bool big = encoding.ends_with("-be");
  const bool mark = encoding == "utf-16" || encoding == "utf-32";
  std::u32string units;
  if (mark) units += U'\uFEFF';
  for (const wchar_t c : pugi::as_wide("<?xml version='1.0' encoding='" + encoding + "'?>\n" + utf8Body)) {
    const auto cp = static_cast<char32_t>(c);
    if (!wide && cp > 0xFFFF) {
      units += static_cast<char32_t>(0xD800 + ((cp - 0x10000) >> 10));
      units += static_cast<char32_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      units += cp;
    }
  }
  const int size = wide ? 4 : 2;
  std::string out;
  for (const char32_t u : units) {
    for (int k = 0; k < size; ++k) out += static_cast<char>(u >> (8 * (big ? size - 1 - k : k)));
  }
  return out;
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
  // What the code page lacks is lost to a '?': said, not silent.
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].description.find("code page cannot hold"), std::string::npos);

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

TEST_F(FileEncodingTest, AFileInAnyDeclaredEncodingLoadsAsTheGameText) {
  const std::string body =
      "<Mellox Version=\"1.1.0.1\"><Chat_Alias abbr=\"c\" full=\"caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC "
      "\xF0\x9F\x98\x80\" enabled=\"True\" /></Mellox>";
  std::vector<std::pair<std::string, std::string>> files;
  for (const char* encoding : {"utf-16", "utf-16-be", "utf-16-le", "utf-32", "utf-32-be"}) {
    files.emplace_back(encoding, PythonUnicodeFile(encoding, body));
  }
  // The single-byte encodings: what the code page lacks goes as references.
  files.emplace_back("iso-8859-1",
                     "<?xml version='1.0' encoding='iso-8859-1'?>\n<Mellox Version=\"1.1.0.1\"><Chat_Alias abbr=\"c\" "
                     "full=\"caf\xE9 &#8364; &#26085;&#26412; &#128512;\" enabled=\"True\" /></Mellox>");
  files.emplace_back("cp1252",
                     "<?xml version='1.0' encoding='cp1252'?>\n<Mellox Version=\"1.1.0.1\"><Chat_Alias abbr=\"c\" "
                     "full=\"caf\xE9 \x80 &#26085;&#26412; &#128512;\" enabled=\"True\" /></Mellox>");
  for (const auto& [encoding, bytes] : files) {
    SCOPED_TRACE(encoding);
    reports.clear();
    Spit(CharFile(), bytes);
    SettingsFile::Load(*ch, 0);
    ASSERT_EQ(ch->ChatAlias->Count(), 1);
    EXPECT_EQ(AliasFull(*ch, 0), "caf\xE9 \x80 ?? ?");
    // The characters the code page lacks are lost: the file is reported and
    // kept as it was before it is written back as this system writes every file.
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].description.find("code page cannot hold"), std::string::npos);
    EXPECT_EQ(Slurp(CharFile().string() + ".damaged"), bytes);
    fs::remove(CharFile().string() + ".damaged");
    EXPECT_NE(Slurp(CharFile()).find("full=\"caf\xC3\xA9 \xE2\x82\xAC ?? ?\""), std::string::npos);
  }
  EXPECT_FALSE(Told("could not be read"));

  // Lost alike: a well-formed UTF-8 text, references to code points the code
  // page has no byte for, and a UTF-16 surrogate without its pair.
  std::string lone = PythonUnicodeFile("utf-16-le", "<Mellox Version=\"1.1.0.1\"><Chat_Alias abbr=\"c\" full=\"aXb\" "
                                                    "enabled=\"True\" /></Mellox>");
  lone.replace(lone.find(std::string("X\0", 2)), 2, std::string("\0\xD8", 2));
  const std::vector<std::pair<std::string, std::string>> lost = {
      {"<Mellox Version=\"1.1.0.1\"><Chat_Alias abbr=\"c\" full=\"A\xE6\x97\xA5\xE6\x9C\xAC\xE2\x86\x92\xE2\x9C\x93"
       "\xF0\x9F\x98\x80" "B\" enabled=\"True\"/></Mellox>",
       "A?????B"},
      {"<Mellox Version=\"1.1.0.1\"><Chat_Alias abbr=\"c\" full=\"&#128;&#x9F;\" enabled=\"True\"/></Mellox>", "??"},
      {lone, "a?b"},
  };
  for (const auto& [bytes, loaded] : lost) {
    SCOPED_TRACE(loaded);
    reports.clear();
    fs::remove(CharFile().string() + ".damaged");
    Spit(CharFile(), bytes);
    SettingsFile::Load(*ch, 0);
    ASSERT_EQ(ch->ChatAlias->Count(), 1);
    EXPECT_EQ(AliasFull(*ch, 0), loaded);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].description.find("code page cannot hold in a text, read as \"?\" in Mellox_Settings_Alpha_Bob.xml"),
              std::string::npos)
        << reports[0].description;
    EXPECT_EQ(Slurp(CharFile().string() + ".damaged"), bytes);
  }
}

TEST_F(FileEncodingTest, ATextThatCannotBeReadAsWrittenCostsOnlyItselfAndTheFileIsKeptAside) {
  // A file of an older build edited by a UTF-8 editor: one raw game byte.
  const std::string quoted = "caf\xC3\xA9 cr\xC3\xA8me \xE2\x80\x94 \xE2\x80\x9Cquoted\xE2\x80\x9D";
  std::string mixed = "<Mellox Version=\"1.1.0.1\">";
  for (int i = 0; i < 10; ++i) {
    mixed += "<Chat_Alias abbr=\"a" + std::to_string(i) + "\" full=\"" + (i == 0 ? "\xFF" : "") + quoted +
             "\" enabled=\"True\"/>";
  }
  mixed += "</Mellox>";
  Spit(CharFile(), mixed);
  SettingsFile::Load(*ch, 0);
  ASSERT_EQ(ch->ChatAlias->Count(), 10);
  EXPECT_EQ(AliasFull(*ch, 0), "\xFF" + quoted);
  for (std::int32_t row = 1; row < 10; ++row) EXPECT_EQ(AliasFull(*ch, row), "caf\xE9 cr\xE8me \x97 \x93quoted\x94");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].procedure, "LoadXmlFile");
  EXPECT_NE(reports[0].description.find("not UTF-8"), std::string::npos);
  fs::path aside = CharFile();
  aside += ".damaged";
  EXPECT_EQ(Slurp(aside), mixed);
  EXPECT_TRUE(Told("kept as Mellox_Settings_Alpha_Bob.xml.damaged"));
  const std::string saved = Slurp(CharFile());
  EXPECT_TRUE(TextEncoding::IsValidUtf8(saved));
  EXPECT_NE(saved.find("abbr=\"a9\" full=\"" + quoted + "\""), std::string::npos);

  // A reference to a character no game text can hold would end the value.
  reports.clear();
  const std::string nul =
      "<Mellox Version=\"1.1.0.1\"><Chat_Alias abbr=\"c\" full=\"A&#0;B caf\xC3\xA9\" enabled=\"True\"/></Mellox>";
  Spit(CharFile(), nul);
  SettingsFile::Load(*ch, 0);
  ASSERT_EQ(ch->ChatAlias->Count(), 1);
  EXPECT_EQ(AliasFull(*ch, 0), "A?B caf\xE9");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].description.find("XML does not allow"), std::string::npos);
  aside += ".1";
  EXPECT_EQ(Slurp(aside), nul);

  // Every kind XML forbids, raw or referenced, in one line; the rest as XML reads it.
  reports.clear();
  const std::string data =
      "<Mellox><Log message=\"&#1;&#x0;&#xD800;&#xFFFE;&#1114112;&#99999999999999999999;\x02 &amp;&#9;&#x41;&lt;"
      "&bogus; &#;\" type=\"4\"/><Log message=\"&#x263A;\" type=\"4\"/></Mellox>";
  Spit(DataFilePath(), data);
  DataFile::Load(*ch, 0);
  ASSERT_EQ(Log().Log().size(), 2u);
  EXPECT_EQ(Log().Log()[0].message(), "??????? &\tA<&bogus; &#;");
  EXPECT_EQ(Log().Log()[1].message(), "?");
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0].description.find("times"), std::string::npos);
  EXPECT_NE(reports[1].description.find("code page cannot hold"), std::string::npos);
  // "&bogus;" stays as written, and a save would write it escaped.
  EXPECT_NE(reports[2].description.find("entity that is none of XML's own"), std::string::npos);
  fs::path dataAside = DataFilePath();
  dataAside += ".damaged";
  EXPECT_EQ(Slurp(dataAside), data);
}

}  // namespace
}  // namespace mellox::test
