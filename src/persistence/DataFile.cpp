#include "persistence/DataFile.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "chat/LogItem.h"
#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "persistence/AttributeReader.h"
#include "persistence/LoadDamage.h"
#include "persistence/PersistenceLinks.h"
#include "persistence/XmlFiles.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

using persistence::AddElement;
using persistence::SetAttr;

constexpr const char* kClass = "ControlHandler";
constexpr const char* kLoadProc = "Data_Load";

struct State {
  // Set once this login's file was read (or found missing, or moved aside):
  // until then a save would wipe what the file holds.
  bool ready = false;
  // This login's file could not be read: saves wait until it is gone.
  bool unreadable = false;
  // Nor could its companion: a whole write would remove the lines it holds.
  bool linesUnreadable = false;
  // The chat log's limit before the load raised it to keep every stored line.
  std::optional<std::int32_t> raisedFrom;
  // The data file as this login last wrote it whole: the first line of a
  // companion that extends it. Nothing until then, or after a failed write
  // of either file, which leaves them as they are not known to be.
  std::optional<std::string> base;
  std::uint64_t baseSize = 0;
  // Bytes in the companion as this login last wrote it; 0 while none extends
  // the data file.
  std::uint64_t linesSize = 0;
};

State& S() {
  static State state;
  return state;
}

// The companion's first line for a data file of these bytes: FNV-1a, which is
// the same in every build, over the bytes as on disk.
std::string BaseLine(std::string_view bytes) {
  std::uint64_t digest = 14695981039346656037ull;
  for (const char c : bytes) {
    digest ^= static_cast<unsigned char>(c);
    digest *= 1099511628211ull;
  }
  constexpr char kHex[] = "0123456789abcdef";
  std::string hex(16, '0');
  for (int i = 15; i >= 0; --i, digest >>= 4) hex[static_cast<std::size_t>(i)] = kHex[digest & 15];
  return "<Base size=\"" + std::to_string(bytes.size()) + "\" digest=\"" + hex + "\"/>\n";
}

// The companion's first line as it stands on disk; empty when there is none.
std::string CompanionBaseLine(const std::filesystem::path& lines) {
  std::ifstream in(lines, std::ios::binary);
  std::string first;
  if (!in || !std::getline(in, first) || in.eof()) return "";
  return first + "\n";
}

void SetLogAttributes(pugi::xml_node e, const LogItem& item) {
  SetAttr(e, "message", item.message());
  SetAttr(e, "type", item.msgtype());
  SetAttr(e, "color", item.msgcolor());
  SetAttr(e, "tag", item.msgtag());
  SetAttr(e, "date", item.msgdate());
}

// One companion line: the element the data file would hold for the line.
// The writer escapes line ends in attributes, so the line holds none.
std::string LogLine(const LogItem& item) {
  pugi::xml_document doc;
  SetLogAttributes(doc.append_child("Log"), item);
  return persistence::SerializeXml(doc) + "\n";
}

// The lines of the companion that extend a data file of these bytes, oldest
// first. A companion written after another data file is left out; a torn
// last line (the game stopped while it was written) is cut off, and told.
// Nothing when it is there but could not be read (told). Its bytes go to text.
std::optional<std::vector<std::string>> CompanionLines(const std::filesystem::path& lines,
                                                       std::string_view dataBytes, std::string& text) {
  if (!ReadWholeFile(lines, text)) {
    if (!persistence::Exists(lines)) return std::vector<std::string>{};
    Hub::wtcw_error("Could not read " + lines.filename().string() +
                    "; it is left as it is, and the data file is not saved while it is there.");
    return std::nullopt;
  }
  const std::string base = BaseLine(dataBytes);
  if (text.compare(0, base.size(), base) != 0) return std::vector<std::string>{};
  const std::size_t end = text.rfind('\n') + 1;
  if (end < text.size()) {
    Hub::wtcw_error(lines.filename().string() +
                    " ended in the middle of a line; it was cut back to its last whole line.");
  }
  std::vector<std::string> found;
  for (std::size_t at = base.size(); at < end;) {
    const std::size_t next = text.find('\n', at);
    found.push_back(text.substr(at, next - at));
    at = next + 1;
  }
  return found;
}

void LogSaved() {
  if (Links().LogSaved) Links().LogSaved();
}

std::string CurrentName(const std::function<std::string()>& getter) {
  if (!getter) Raise(91);
  return persistence::FileNamePart(getter());
}

void ApplyElement(ControlHandler& ch, pugi::xml_node element) {
  const std::string_view name = element.name();
  const AttributeReader r(element, kLoadProc);
  const PersistenceLinks& links = Links();
  if (name == "Global") {
    ch.GlobalSettings->CheckedLet(r.Bool("enabled", false));
  } else if (name == "Corpse") {
    CorpseRecord c;
    c.NS = r.Number("ns");
    c.EW = r.Number("ew");
    c.time = r.UnixTime("time", 0);
    c.Dungeon = r.Bool("dungeon", false);
    c.guid = r.Long("guid", 0);
    c.data = r.Text("data", "");
    if (links.AddCorpsefromData) links.AddCorpsefromData(c);
  } else if (name == "Item_Spell") {
    const std::int32_t id = r.Long("id", 0);
    const std::int32_t remaining = r.Long("remaining", 0);
    const std::string target = r.Text("target", "");
    if (links.AddItemSpellfromData) links.AddItemSpellfromData(id, remaining, target);
  } else if (name == "Log") {
    const std::string message = r.Text("message", "");
    const std::int32_t type = r.Long("type", 0);
    const std::int32_t color = r.Long("color", 0);
    const std::int32_t tag = r.Long("tag", 0);
    const std::int64_t date = r.UnixTime("date", 0);
    if (links.AddToLogFromData) links.AddToLogFromData(message, type, color, tag, date);
  }
}

// The stored lines outnumber the chat log's starting limit: keep them all
// until the settings say how many to keep.
void RaiseLogLimitFor(pugi::xml_node root, std::size_t companionLines) {
  const PersistenceLinks& links = Links();
  if (!links.LogMaxLines || !links.SetLogMaxLines) return;
  constexpr std::size_t kMost = std::numeric_limits<std::int32_t>::max() / 2;
  auto lines = static_cast<std::int32_t>(std::min(companionLines, kMost));
  for (pugi::xml_node log = root.child("Log"); log; log = log.next_sibling("Log")) ++lines;
  const std::int32_t limit = links.LogMaxLines();
  if (lines <= limit) return;
  if (!S().raisedFrom) S().raisedFrom = limit;
  links.SetLogMaxLines(lines);
}

// Empties what the file fills: the global-settings choice, corpses, item
// spells and the chat log's lines.
void StartFromFile(ControlHandler& ch) {
  ch.GlobalSettings->CheckedLet(false);
  const PersistenceLinks& links = Links();
  if (links.ClearCorpses) links.ClearCorpses();
  if (links.ClearItemSpells) links.ClearItemSpells();
  if (links.ClearLog) links.ClearLog();
}

}  // namespace

std::filesystem::path DataFile::Folder() { return std::filesystem::path(Hub::GetDataFolder()) / "Mellox" / "Data"; }

std::filesystem::path DataFile::Path() {
  const std::string server = CurrentName(Links().GetMyServer);
  const std::string character = CurrentName(Links().GetMyCharName);
  return Folder() / ("Mellox_Data_" + server + "_" + character + ".xml");
}

std::filesystem::path DataFile::LinesPath() {
  std::filesystem::path path = Path();
  path.replace_extension(".lines");
  return path;
}

void DataFile::Load(ControlHandler& ch, std::int16_t action) {
  Hub::wtcw_debug("Data Load with action " + vb::CStr(static_cast<int>(action)));
  S().ready = false;
  S().unreadable = false;
  S().linesUnreadable = false;
  S().base.reset();
  GuardStep(kLoadProc, "", [&] {
    using persistence::LoadOutcome;
    // The plug-in outlives a logoff: what the last login held must not be
    // added to again (nor carried over to another character).
    StartFromFile(ch);
    pugi::xml_document doc;
    std::string bytes;
    const std::filesystem::path path = Path();
    const LoadOutcome outcome = persistence::LoadXmlFile(path, doc, pugi::parse_default, &bytes);
    // A file that could not be read stays as it is for this whole login; one
    // that cannot exist is not written to again at every logged line.
    S().unreadable = outcome == LoadOutcome::Unreadable;
    if (outcome == LoadOutcome::Unreadable || outcome == LoadOutcome::NameTooLong) return;
    S().ready = true;
    if (outcome != LoadOutcome::Loaded) {
      Save(ch);
      return;
    }
    const pugi::xml_node root = doc.document_element();
    std::string companionBytes;
    const std::optional<std::vector<std::string>> companion =
        CompanionLines(LinesPath(), bytes, companionBytes);
    if (!companion) {
      S().ready = false;
      S().unreadable = true;
      S().linesUnreadable = true;
    }
    const std::vector<std::string> added = companion.value_or(std::vector<std::string>{});
    RaiseLogLimitFor(root, added.size());
    LoadDamage damage(path, std::move(bytes));
    // One damaged element costs only itself.
    for (pugi::xml_node child : root.children()) {
      if (child.type() != pugi::node_element) continue;
      GuardElement(kLoadProc, child.name(), [&] { ApplyElement(ch, child); });
    }
    damage.Finish();
    // The lines logged after the data file was last written whole; their
    // faults are their own file's, which is kept aside as the data file is.
    LoadDamage lineDamage(LinesPath(), std::move(companionBytes));
    for (const std::string& line : added) {
      pugi::xml_document one;
      const pugi::xml_node log = persistence::ParseXml(line, one) ? one.child("Log") : pugi::xml_node();
      if (!log) {
        LoadDamage::Report("lines", 5, "A line that is not a chat-log line was left out", kLoadProc, false);
        continue;
      }
      GuardElement(kLoadProc, "Log", [&] { ApplyElement(ch, log); });
    }
    lineDamage.Finish();
    // Its message is a chat line the chat log keeps: told before the file is built.
    persistence::SetAsideIfPending(path);
    persistence::SetAsideIfPending(LinesPath());
    if (Links().DisplayLog) Links().DisplayLog();
    Save(ch);
  });
}

std::string DataFile::Build(ControlHandler& ch) {
  pugi::xml_document doc;
  pugi::xml_node root = persistence::StartDocument(doc);
  SetAttr(AddElement(root, "Global"), "enabled", ch.GlobalSettings->CheckedGet());

  const PersistenceLinks& links = Links();
  if (links.ForEachCorpse) {
    links.ForEachCorpse([&](const CorpseRecord& c) {
      pugi::xml_node e = AddElement(root, "Corpse");
      SetAttr(e, "ns", persistence::DoubleText(c.NS));
      SetAttr(e, "ew", persistence::DoubleText(c.EW));
      SetAttr(e, "time", c.time);
      SetAttr(e, "dungeon", c.Dungeon);
      SetAttr(e, "guid", c.guid);
      SetAttr(e, "data", c.data);
    });
  }
  if (links.ForEachItemSpell) {
    links.ForEachItemSpell([&](const ItemSpellRecord& s) {
      pugi::xml_node e = AddElement(root, "Item_Spell");
      SetAttr(e, "id", s.id);
      SetAttr(e, "remaining", s.timeRemaining);
      SetAttr(e, "target", s.sTarget);
    });
  }
  if (links.ForEachLogItem) {
    links.ForEachLogItem([&](const LogItem& item) { SetLogAttributes(AddElement(root, "Log"), item); });
  }
  return persistence::FinishDocument(doc);
}

bool DataFile::Save(ControlHandler& ch) {
  Hub::wtcw_debug("Data Save");
  if (!S().ready) {
    bool gone = false;
    if (S().unreadable) {
      Trap("Data_Save", kClass, [&] {
        gone = !persistence::IsProtected(Path()) && !(S().linesUnreadable && persistence::Exists(LinesPath()));
      });
    }
    if (!gone) return false;
    S().unreadable = false;
    S().linesUnreadable = false;
    S().ready = true;
  }
  return Trap("Data_Save", kClass, [&] {
    const std::string bytes = Build(ch);
    std::string base = BaseLine(bytes);
    const std::filesystem::path lines = LinesPath();
    S().base.reset();
    // A companion written after a data file of these very bytes would still
    // count once they are written again, bringing its lines back twice: it
    // goes first (a crash in between leaves the same bytes without it).
    if (CompanionBaseLine(lines) == base) std::filesystem::remove(lines);
    persistence::SaveXmlFile(Path(), bytes);
    S().base = std::move(base);
    S().baseSize = bytes.size();
    S().linesSize = 0;
    // Its lines are in the data file now. One that cannot be removed no
    // longer counts and is replaced by the next companion.
    std::error_code ignored;
    std::filesystem::remove(lines, ignored);
    LogSaved();
  });
}

bool DataFile::SaveNewLines(ControlHandler& ch) {
  const PersistenceLinks& links = Links();
  if (!S().ready || !S().base || !links.ForEachNewLogItem) return Save(ch);
  std::string added;
  if (!links.ForEachNewLogItem([&](const LogItem& item) { added += LogLine(item); })) return Save(ch);
  if (added.empty()) {
    LogSaved();
    return true;
  }
  const std::uint64_t before = S().linesSize == 0 ? S().base->size() : S().linesSize;
  if (before + added.size() >= S().baseSize) return Save(ch);
  // The companion only counts beside the data file it was written after.
  std::error_code ec;
  if (std::filesystem::file_size(Path(), ec) != S().baseSize || ec) return Save(ch);
  Hub::wtcw_debug("Data Save");
  bool appended = false;
  const bool ran = Trap("Data_Save", kClass, [&] {
    const std::filesystem::path lines = LinesPath();
    // Until the lines are through, the files are not known to be as written:
    // should this fail, the next save writes the whole file.
    std::string base = std::move(*S().base);
    S().base.reset();
    if (S().linesSize == 0) {
      // The first lines after a whole write: a new companion replaces any
      // earlier one in one step.
      const std::string bytes = base + added;
      WriteFileAtomic(lines, bytes);
      S().linesSize = bytes.size();
    } else if (const std::optional<std::uint64_t> size = ReplaceFileEnd(lines, "", added, S().linesSize)) {
      S().linesSize = *size;
    } else {
      // Changed behind this login's back: the whole file holds the lines.
      return;
    }
    S().base = std::move(base);
    appended = true;
    LogSaved();
  });
  if (ran && !appended) return Save(ch);
  return ran;
}

void DataFile::Close() { S().ready = false; }

void DataFile::LogLimitSetBySettings() { S().raisedFrom.reset(); }

void DataFile::RestoreLogLimitIfRaised() {
  if (!S().raisedFrom) return;
  const std::int32_t limit = *S().raisedFrom;
  S().raisedFrom.reset();
  if (Links().SetLogMaxLines) Links().SetLogMaxLines(limit);
}

void DataFile::ResetForTesting() { S() = State{}; }

}  // namespace mellox
