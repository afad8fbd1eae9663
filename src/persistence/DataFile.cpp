#include "persistence/DataFile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <limits>
#include <map>
#include <optional>
#include <set>
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
  // The data file as it stands on disk (as read, or as this login last wrote
  // it whole): the first line of a companion that extends it. Nothing while
  // the files are not known to be as this login left them.
  std::optional<std::string> base;
  std::uint64_t baseSize = 0;
  // Bytes in the companion as this login last wrote it; 0 while none extends
  // the data file.
  std::uint64_t linesSize = 0;
  // A whole write failed: it is tried again at the minute and the logoff,
  // and meanwhile each tick's lines still go to the companion.
  bool owed = false;
  // The item spells', corpses' and global-settings lines as the files hold
  // them (HeldLinesNow).
  std::array<std::string, 3> held;
  // The companion's last line has no end (another tool wrote it so): the
  // next append writes it first, or its lines would join that one.
  bool endOwed = false;
  // The companion holds another data file's lines (or those of none this
  // login read) and stays until they are kept aside: the next append first
  // names this data file, so the next login reads what follows as its own.
  bool markOwed = false;
  // Those lines, and what they are, while no name is free to keep them aside
  // under: each whole write copies them first, and fails while it cannot.
  struct Foreign {
    std::string bytes;
    std::string what;
  };
  std::optional<Foreign> foreign;
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

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Where one line of a companion lies in its bytes: its text [begin, end),
// the next line from next (end itself when the line has no end).
struct LineAt {
  std::size_t begin;
  std::size_t end;
  std::size_t next;
  bool Open() const { return next == end; }
};

// A companion's lines. LF, CR LF and a lone CR each end one, as editors on
// each system save them, and a leading byte-order mark is no part of the first.
std::vector<LineAt> SplitLines(std::string_view bytes) {
  std::vector<LineAt> lines;
  for (std::size_t at = bytes.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0; at < bytes.size();) {
    const std::size_t end = std::min(bytes.find_first_of("\r\n", at), bytes.size());
    std::size_t next = end;
    if (end < bytes.size()) next += bytes.substr(end, 2) == "\r\n" ? 2 : 1;
    lines.push_back({at, end, next});
    at = next;
  }
  return lines;
}

std::string_view TextOf(std::string_view bytes, const LineAt& line) {
  return bytes.substr(line.begin, line.end - line.begin);
}

// The last line naming a data file: what follows it extends that one.
const LineAt* LastBase(std::string_view bytes, const std::vector<LineAt>& lines) {
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (TextOf(bytes, *line).starts_with("<Base ")) return &*line;
  }
  return nullptr;
}

// The data file the companion on disk extends now (its last line naming
// one, as written); empty when there is none.
std::string CompanionBase(const std::filesystem::path& lines) {
  std::string bytes;
  if (!ReadWholeFile(lines, bytes)) return "";
  const std::vector<LineAt> all = SplitLines(bytes);
  const LineAt* base = LastBase(bytes, all);
  return base ? std::string(TextOf(bytes, *base)) + "\n" : "";
}

void SetLogAttributes(pugi::xml_node e, const LogItem& item) {
  SetAttr(e, "message", item.message());
  SetAttr(e, "type", item.msgtype());
  SetAttr(e, "color", item.msgcolor());
  SetAttr(e, "tag", item.msgtag());
  SetAttr(e, "date", item.msgdate());
}

void SetItemSpellAttributes(pugi::xml_node e, const ItemSpellRecord& s) {
  SetAttr(e, "id", s.id);
  SetAttr(e, "remaining", s.timeRemaining);
  SetAttr(e, "target", s.sTarget);
}

void SetCorpseAttributes(pugi::xml_node e, const CorpseRecord& c) {
  SetAttr(e, "ns", persistence::DoubleText(c.NS));
  SetAttr(e, "ew", persistence::DoubleText(c.EW));
  SetAttr(e, "time", c.time);
  SetAttr(e, "dungeon", c.Dungeon);
  SetAttr(e, "guid", c.guid);
  SetAttr(e, "data", c.data);
}

// One companion line: the element the data file would hold for the line.
// The writer escapes line ends in attributes, so the line holds none.
std::string LogLine(const LogItem& item) {
  pugi::xml_document doc;
  SetLogAttributes(doc.append_child("Log"), item);
  return persistence::SerializeXml(doc) + "\n";
}

// The item spells with their seconds left as one companion line, which a
// load applies in place of those the data file holds.
std::string ItemSpellsLine() {
  pugi::xml_document doc;
  pugi::xml_node all = doc.append_child("Item_Spells");
  if (Links().ForEachItemSpell) {
    Links().ForEachItemSpell(
        [&](const ItemSpellRecord& s) { SetItemSpellAttributes(all.append_child("Item_Spell"), s); });
  }
  return persistence::SerializeXml(doc) + "\n";
}

// The tracked corpses as one companion line, which a load applies in place
// of those the data file holds (a corpse recorded while whole writes fail).
std::string CorpsesLine() {
  pugi::xml_document doc;
  pugi::xml_node all = doc.append_child("Corpses");
  if (Links().ForEachCorpse) {
    Links().ForEachCorpse([&](const CorpseRecord& c) { SetCorpseAttributes(all.append_child("Corpse"), c); });
  }
  return persistence::SerializeXml(doc) + "\n";
}

// The global-settings choice as one companion line, which a load applies in
// place of the data file's (a choice made while whole writes fail).
std::string GlobalLine(ControlHandler& ch) {
  pugi::xml_document doc;
  SetAttr(doc.append_child("Global"), "enabled", ch.GlobalSettings->CheckedGet());
  return persistence::SerializeXml(doc) + "\n";
}

// The lines a load applies in place of what the data file holds, in the
// order they are appended: item spells, corpses, global-settings choice.
std::array<std::string, 3> HeldLinesNow(ControlHandler& ch) {
  return {ItemSpellsLine(), CorpsesLine(), GlobalLine(ch)};
}

// A last line with no end, which a line appended after it would join.
bool EndsMidLine(std::string_view bytes) {
  return !bytes.empty() && !bytes.ends_with('\n') && !bytes.ends_with('\r');
}

// The lines that begin in the bytes [from, to), oldest first; empty ones hold
// nothing and are passed over. A last line with no end counts when it is a
// whole element (another tool wrote it so); else it is left out, true in
// torn (the game stopped while it was written).
std::vector<std::string> WholeLines(std::string_view bytes, const std::vector<LineAt>& lines, std::size_t from,
                                    std::size_t to, bool& torn) {
  torn = false;
  std::vector<std::string> found;
  for (const LineAt& line : lines) {
    if (line.begin < from || line.begin >= to || line.begin == line.end) continue;
    std::string text(TextOf(bytes, line));
    if (line.Open()) {
      pugi::xml_document one;
      if (!persistence::ParseXml(text, one) || !one.document_element()) {
        torn = true;
        continue;
      }
    }
    found.push_back(std::move(text));
  }
  return found;
}

// An element by its values, for telling whether two are the same line or corpse.
std::string ElementKey(pugi::xml_node log) {
  std::string key;
  for (pugi::xml_attribute a : log.attributes()) {
    key += a.name();
    key += '=';
    key += a.value();
    key += '\0';
  }
  return key;
}

// The last of each line a load applies in place of what the data file holds.
struct LastLines {
  pugi::xml_document spells;
  pugi::xml_document corpses;
  pugi::xml_document global;
};

// The chat-log lines of a companion (its other lines skipped), oldest first.
std::vector<std::string> CompanionLogKeys(const std::vector<std::string>& lines, LastLines& last, bool& foreign) {
  std::vector<std::string> keys;
  for (const std::string& line : lines) {
    if (line.starts_with("<Base ")) continue;
    pugi::xml_document one;
    if (!persistence::ParseXml(line, one) || !one.document_element()) {
      foreign = true;
      continue;
    }
    for (pugi::xml_node e : one.children()) {
      const std::string_view name = e.type() == pugi::node_element ? e.name() : "";
      pugi::xml_document* newest = name == "Item_Spells" ? &last.spells
                                   : name == "Corpses"   ? &last.corpses
                                   : name == "Global"    ? &last.global
                                                         : nullptr;
      if (name == "Log") {
        keys.push_back(ElementKey(e));
      } else if (newest) {
        newest->reset();
        newest->append_copy(e);
      } else {
        foreign = true;
      }
    }
  }
  return keys;
}

// An item spell by its spell and item, for finding it in another file.
std::string SpellKey(pugi::xml_node spell) {
  return std::string(spell.attribute("id").value()) + '\0' + spell.attribute("target").value();
}

// Whether the data file holds the seconds left that the companion's last
// item spells line gives (a load would apply that line). A whole write made
// after it holds each spell counted down by the same time since, or gone
// once that time ran it out; a data file edited or replaced by hand does not.
bool SpellsHeldBy(pugi::xml_node lastSpells, pugi::xml_node root) {
  if (!lastSpells) return true;
  std::map<std::string, std::int64_t> held;
  for (pugi::xml_node s = root.child("Item_Spell"); s; s = s.next_sibling("Item_Spell"))
    held.emplace(SpellKey(s), s.attribute("remaining").as_llong());
  std::int64_t passed = 0;
  std::vector<std::int64_t> gone;
  for (pugi::xml_node s = lastSpells.child("Item_Spell"); s; s = s.next_sibling("Item_Spell")) {
    const std::int64_t remaining = s.attribute("remaining").as_llong();
    const auto found = held.find(SpellKey(s));
    if (found == held.end()) {
      gone.push_back(remaining);
    } else if (found->second > remaining) {
      return false;
    } else {
      passed = std::max(passed, remaining - found->second);
    }
  }
  return std::all_of(gone.begin(), gone.end(), [&](std::int64_t remaining) { return remaining <= passed; });
}

// Whether the companion's newest lines, without at least its oldest one, are
// the data file's first lines, in order. Linear however alike the lines are:
// the data file's lines are matched along the companion's (Knuth-Morris-Pratt),
// which ends at the longest such run; the shorter ones are its borders.
bool NewestBeginData(const std::vector<std::string>& companion, const std::vector<std::string>& data) {
  if (data.empty()) return false;
  // border[i]: the longest run of data[0..i] that also begins data.
  std::vector<std::size_t> border(data.size(), 0);
  for (std::size_t i = 1, k = 0; i < data.size(); ++i) {
    while (k > 0 && data[i] != data[k]) k = border[k - 1];
    if (data[i] == data[k]) ++k;
    border[i] = k;
  }
  std::size_t matched = 0;
  for (const std::string& line : companion) {
    while (matched > 0 && (matched == data.size() || line != data[matched])) matched = border[matched - 1];
    if (line == data[matched]) ++matched;
  }
  // The whole companion does not count: its oldest line must be the one cut.
  while (matched > 0 && matched >= companion.size()) matched = border[matched - 1];
  return matched > 0;
}

// What a companion written after another data file holds that this one
// lacks, nothing when it holds nothing more (a crash between a whole write
// and the companion's removal): each of its chat-log lines is in the data
// file, or only its oldest are missing and the data file's lines begin with
// the rest, in order (the limit cut them before the whole write); and its
// item spells, corpses and global-settings choice are held.
const char* Unheld(const std::vector<std::string>& lines, pugi::xml_node root) {
  constexpr const char* kLines = "chat-log lines";
  LastLines last;
  bool foreign = false;
  const std::vector<std::string> companion = CompanionLogKeys(lines, last, foreign);
  if (foreign) return kLines;
  std::vector<std::string> data;
  for (pugi::xml_node log = root.child("Log"); log; log = log.next_sibling("Log")) data.push_back(ElementKey(log));
  const std::set<std::string> held(data.begin(), data.end());
  const bool linesHeld =
      std::all_of(companion.begin(), companion.end(), [&](const std::string& key) { return held.contains(key); }) ||
      NewestBeginData(companion, data);
  if (!linesHeld) return kLines;
  // A whole write made after the corpses line holds each of them, unless a
  // later save found no room for the line that removed it: kept aside then.
  std::set<std::string> corpses;
  for (pugi::xml_node c = root.child("Corpse"); c; c = c.next_sibling("Corpse")) corpses.insert(ElementKey(c));
  for (pugi::xml_node c : last.corpses.document_element().children("Corpse")) {
    if (!corpses.contains(ElementKey(c))) return "corpses";
  }
  const pugi::xml_node global = last.global.document_element();
  if (global && ElementKey(global) != ElementKey(root.child("Global"))) return "the global-settings choice";
  return SpellsHeldBy(last.spells.document_element(), root) ? nullptr : "item spells' seconds left";
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

bool HoldsElements(pugi::xml_node node) {
  return static_cast<bool>(node.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; }));
}

// The names of the elements the data file holds, as ApplyElement reads them.
bool IsLineName(std::string_view name) {
  return name == "Global" || name == "Corpse" || name == "Item_Spell" || name == "Log";
}

// Every element of a data file under one root, in file order, also when it
// holds more than one root (files joined by hand): a root that holds
// elements gives them (its own name is not checked), and a root that holds
// none is an element in its own right (a chat-log line, corpse, item spell
// or global-settings choice of a companion joined to its data file; any
// other is skipped as an unknown element is). The names of the roots named
// as an element that hold elements and values of their own, which are left
// out, are added to heldByLine.
pugi::xml_node OneRoot(pugi::xml_document& doc, std::vector<std::string>& heldByLine) {
  const auto leavesValuesOut = [&](pugi::xml_node container) {
    if (IsLineName(container.name()) && container.first_attribute()) heldByLine.emplace_back(container.name());
  };
  const pugi::xml_node first = doc.document_element();
  pugi::xml_node root = HoldsElements(first) ? first : doc.insert_child_before("Mellox", first);
  for (pugi::xml_node other = root.next_sibling(); other;) {
    const pugi::xml_node next = other.next_sibling();
    if (other.type() == pugi::node_element) {
      if (!HoldsElements(other)) {
        root.append_move(other);
      } else {
        leavesValuesOut(other);
        while (const pugi::xml_node child = other.first_child()) root.append_move(child);
        doc.remove_child(other);
      }
    }
    other = next;
  }
  leavesValuesOut(root);
  return root;
}

// The chat-log lines among a node's children.
std::size_t LogElements(pugi::xml_node parent) {
  std::size_t lines = 0;
  for (pugi::xml_node log = parent.child("Log"); log; log = log.next_sibling("Log")) ++lines;
  return lines;
}

// The stored lines outnumber the chat log's starting limit: keep them all
// until the settings say how many to keep.
void RaiseLogLimitFor(std::size_t storedLines) {
  const PersistenceLinks& links = Links();
  if (!links.LogMaxLines || !links.SetLogMaxLines) return;
  constexpr std::size_t kMost = std::numeric_limits<std::int32_t>::max();
  const auto lines = static_cast<std::int32_t>(std::min(storedLines, kMost));
  const std::int32_t limit = links.LogMaxLines();
  if (lines <= limit) return;
  if (!S().raisedFrom) S().raisedFrom = limit;
  links.SetLogMaxLines(lines);
}

constexpr const char* kStoredAfter =
    " and could not be kept aside; new lines are stored after its own, and the data file is not written whole "
    "until it can be kept aside.";

// Copies the lines waiting to be kept aside (State::foreign), told; false
// while no name is free. Raises the writer's error.
bool CopyForeignAside() {
  if (!S().foreign) return true;
  const std::filesystem::path lines = DataFile::LinesPath();
  const auto aside = persistence::CopyAside(lines, ".damaged", S().foreign->bytes);
  if (!aside) return false;
  if (!aside->empty()) {
    Hub::wtcw_error(lines.filename().string() + " holds " + S().foreign->what + "; those lines were kept as " +
                    aside->filename().string() + ".");
  }
  S().foreign.reset();
  return true;
}

// A companion whose lines were not read would be removed by the next whole
// write: it goes aside under a free name, and the user is told why. False
// when it could not (told). Given its bytes as read, it then stays as it is,
// and the new lines follow its own, after a line naming this data file,
// until a whole write can first copy it aside; without them no whole write
// is made while it is there.
bool SetUnreadLinesAside(const std::string& what, std::optional<std::string> asRead) {
  const std::filesystem::path lines = DataFile::LinesPath();
  if (!persistence::Exists(lines)) return true;
  const std::string name = lines.filename().string() + " holds " + what;
  if (const auto aside = persistence::MoveAside(lines, ".damaged")) {
    Hub::wtcw_error(name + "; it was kept as " + aside->filename().string() + ".");
    return true;
  }
  if (asRead) {
    Hub::wtcw_error(name + kStoredAfter);
    S().foreign = {std::move(*asRead), what};
    S().markOwed = true;
    return false;
  }
  Hub::wtcw_error(name + " and could not be kept aside; the data file is not saved while it is there.");
  S().ready = false;
  S().unreadable = true;
  S().linesUnreadable = true;
  return false;
}

// The lines before this data file's own in its companion, another's that
// it lacks: a copy of them goes aside (told), or, while no name is free,
// each whole write makes it first. This file's own lines stay where they are.
void SetForeignLinesAside(std::string bytes, const std::string& what) {
  S().foreign = {std::move(bytes), what};
  bool copied = false;
  const bool ran = Trap(kLoadProc, kClass, [&] { copied = CopyForeignAside(); });
  if (ran && !copied) Hub::wtcw_error(DataFile::LinesPath().filename().string() + " holds " + what + kStoredAfter);
}

// The same for a companion beside a data file that could not be read and
// was removed since: when it cannot go aside, the new lines go after its own
// until a whole write, which first copies it as read, can start the data
// file afresh. False only when it can be neither moved nor read (no save
// then while it is there).
bool SetAsideOrStoreAfter(const char* what) {
  const std::filesystem::path lines = DataFile::LinesPath();
  std::string bytes;
  const bool readable = ReadWholeFile(lines, bytes);
  if (SetUnreadLinesAside(what, readable ? std::optional(bytes) : std::nullopt)) return true;
  if (!readable) return false;
  // Beside no data file: appends hold only while there is still none.
  S().base = BaseLine("");
  S().baseSize = 0;
  S().linesSize = bytes.size();
  S().endOwed = EndsMidLine(bytes);
  return true;
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

// What storing the new lines beside the data file came to.
enum class Stored {
  Nothing,    // nothing new to store
  Appended,   // on disk in the companion
  NeedsWhole, // only a whole write can hold them
  Failed,     // the write failed (told)
};

// Appends the chat-log lines logged since the last save to the companion,
// and the item spells', corpses' and global-settings lines that changed, as
// they are now: what was recorded before a line survives a crash after it.
// Only when a whole write is owed (it failed) does the companion take what
// the data file would (a cleared log's new lines) and grow beyond the data
// file's size.
Stored AppendNewLines(ControlHandler& ch) {
  const PersistenceLinks& links = Links();
  const bool owed = S().owed;
  if (!S().base || !links.ForEachNewLogItem) return Stored::NeedsWhole;
  std::string added;
  const bool onlyAdded = links.ForEachNewLogItem([&](const LogItem& item) { added += LogLine(item); });
  if (!onlyAdded && !owed) return Stored::NeedsWhole;
  const std::array<std::string, 3> held = HeldLinesNow(ch);
  for (std::size_t i = 0; i < held.size(); ++i)
    if (held[i] != S().held[i]) added += held[i];
  if (added.empty()) {
    LogSaved();
    return Stored::Nothing;
  }
  const std::uint64_t before = S().linesSize == 0 ? S().base->size() : S().linesSize;
  if (!owed && before + added.size() >= S().baseSize) return Stored::NeedsWhole;
  // The companion only counts beside the data file it was written after
  // (or, of size 0, beside none while there is none).
  std::error_code ec;
  const std::uintmax_t dataSize = std::filesystem::file_size(DataFile::Path(), ec);
  if (ec ? S().baseSize != 0 || persistence::Exists(DataFile::Path()) : dataSize != S().baseSize)
    return Stored::NeedsWhole;
  Hub::wtcw_debug("Data Save");
  bool appended = false;
  const bool ran = Trap("Data_Save", kClass, [&] {
    const std::filesystem::path lines = DataFile::LinesPath();
    // A failed write leaves the companion as it was (or at another size,
    // which the next append finds).
    if (S().linesSize == 0) {
      // The first lines after a whole write: a new companion replaces any
      // earlier one in one step.
      const std::string bytes = *S().base + added;
      WriteFileAtomic(lines, bytes);
      S().linesSize = bytes.size();
    } else if (const std::optional<std::uint64_t> size = ReplaceFileEnd(
                   lines, "", (S().endOwed ? "\n" : "") + (S().markOwed ? *S().base : "") + added, S().linesSize)) {
      S().linesSize = *size;
    } else {
      // Changed behind this login's back: only the whole file holds the lines.
      S().base.reset();
      return;
    }
    appended = true;
    S().endOwed = false;
    S().markOwed = false;
    S().held = held;
    LogSaved();
  });
  if (!ran) return Stored::Failed;
  return appended ? Stored::Appended : Stored::NeedsWhole;
}

// A load starts afresh: nothing of the last login's files counts (another
// character's lines waiting to be kept aside least of all).
void ForgetTheLastLogin() {
  S().ready = false;
  S().unreadable = false;
  S().linesUnreadable = false;
  S().base.reset();
  S().linesSize = 0;
  S().endOwed = false;
  S().owed = false;
  S().markOwed = false;
  S().foreign.reset();
}

// The data file as a load read it.
struct DataRead {
  pugi::xml_document doc;
  std::string bytes;
  bool loaded = false;
  // Every element it holds under one root (OneRoot); nothing unless loaded.
  pugi::xml_node root;
  // The roots named as an element that hold elements (OneRoot).
  std::vector<std::string> heldByLine;
  // Beside none, what a companion holds before a line naming an empty data
  // file (what a login without one stores after) is another's: what it is.
  const char* besideNone = nullptr;
};

// Reads the data file; false when the load ends here (a file that could not
// be read stays as it is for this whole login; one that cannot exist is not
// written to again at every logged line).
bool ReadDataFile(DataRead& data) {
  using persistence::LoadOutcome;
  // As the data file's own are swept by its load.
  persistence::SweepLeftoversOnce(DataFile::LinesPath());
  const LoadOutcome outcome =
      persistence::LoadXmlFile(DataFile::Path(), data.doc, pugi::parse_default, &data.bytes);
  S().unreadable = outcome == LoadOutcome::Unreadable;
  if (outcome == LoadOutcome::Unreadable || outcome == LoadOutcome::NameTooLong) return false;
  S().ready = true;
  data.loaded = outcome == LoadOutcome::Loaded;
  data.besideNone = data.loaded ? nullptr
                    : outcome == LoadOutcome::Missing
                        ? "chat-log lines of a data file that is missing"
                        : "chat-log lines of a data file that could not be read";
  if (data.loaded) data.root = OneRoot(data.doc, data.heldByLine);
  return true;
}

// The companion as a load read it.
struct Companion {
  // Its bytes were read (there is one); emptied once it is gone or kept aside.
  bool read = false;
  std::string bytes;
  std::vector<LineAt> lines;
  // Its last line naming this data file: the lines after it are this file's
  // own (added); those before foreignEnd were written beside another (or none).
  bool own = false;
  std::size_t foreignEnd = 0;
  std::vector<std::string> added;
  // The companion as read when its last line was left out, to keep aside,
  // and where that line begins.
  std::optional<std::string> tornBytes;
  std::size_t tornFrom = 0;
  // Whether the companion on disk is known to extend the data file whole
  // (or there is none), so lines can be appended to it as it is.
  bool known = true;
};

// Reads the companion and finds this data file's own lines in it; false when
// the load ends here (beside no data file, one that can be neither read nor
// kept aside).
bool ReadCompanion(const char* besideNone, const std::string& base, Companion& companion) {
  const std::filesystem::path linesPath = DataFile::LinesPath();
  if (!ReadWholeFile(linesPath, companion.bytes)) {
    companion.bytes.clear();
    if (besideNone) return SetUnreadLinesAside(besideNone, std::nullopt);
    if (persistence::Exists(linesPath)) {
      Hub::wtcw_error("Could not read " + linesPath.filename().string() +
                      "; it is left as it is, and the data file is not saved while it is there.");
      S().ready = false;
      S().unreadable = true;
      S().linesUnreadable = true;
    }
    return true;
  }
  companion.read = true;
  companion.lines = SplitLines(companion.bytes);
  // This data file's own lines follow the last line naming it.
  const LineAt* mark = LastBase(companion.bytes, companion.lines);
  companion.own = mark && std::string(TextOf(companion.bytes, *mark)) + "\n" == base;
  companion.foreignEnd = companion.own ? mark->begin : companion.bytes.size();
  if (!companion.own) return true;
  bool torn = false;
  companion.added = WholeLines(companion.bytes, companion.lines, mark->next, companion.bytes.size(), torn);
  // The rest of a torn line stays until its copy is kept.
  companion.known = !torn;
  if (torn) {
    companion.tornBytes = companion.bytes;
    companion.tornFrom = companion.lines.back().begin;
    Hub::wtcw_error(linesPath.filename().string() +
                    " ended in the middle of a line; it was cut back to its last whole line.");
  }
  return true;
}

// The companion's lines before this data file's own were written beside
// another data file (or none): harmless once they are all in this one, else
// they would be lost with it, so they are kept aside (told).
void SetAsideWhatIsNotOurs(const DataRead& data, Companion& companion) {
  if (!companion.read) return;
  bool torn = false;
  const std::vector<std::string> foreign =
      WholeLines(companion.bytes, companion.lines, 0, companion.foreignEnd, torn);
  const char* besideNone = data.besideNone;
  const char* unheld = foreign.empty() && !torn ? nullptr
                       : besideNone             ? besideNone
                                                : Unheld(foreign, data.root);
  if (unheld || torn) {
    const std::string what = besideNone ? std::string(besideNone)
                                        : std::string(unheld ? unheld : "chat-log lines") +
                                              " that its data file lacks (written beside another one)";
    if (companion.own) {
      SetForeignLinesAside(companion.bytes.substr(0, companion.foreignEnd), what);
    } else if (SetUnreadLinesAside(what, companion.bytes)) {
      companion.bytes.clear();
    }
  } else if (!companion.own) {
    std::error_code ignored;
    std::filesystem::remove(DataFile::LinesPath(), ignored);
    companion.bytes.clear();
  }
}

// The files as this load found them: what appends extend.
void NoteFilesAsRead(const DataRead& data, const std::string& base, const Companion& companion) {
  S().baseSize = data.bytes.size();
  if (!companion.known) return;
  S().base = base;
  S().linesSize = companion.bytes.size();
  S().endOwed = EndsMidLine(companion.bytes);
}

// The elements of the companion's own lines, in file order, under elements;
// a line another tool joined holds several, and each is read. Its text
// repairs go to its file's damage. The number of lines that could not be
// read whole.
std::int64_t ReadCompanionElements(const Companion& companion, pugi::xml_document& elements) {
  persistence::TextRepairs repairs;
  std::int64_t unknown = 0;
  for (const std::string& line : companion.added) {
    pugi::xml_document one;
    if (!persistence::ParseXml(line, one, pugi::parse_default, &repairs) || !one.document_element()) {
      ++unknown;
      continue;
    }
    bool whole = true;
    for (pugi::xml_node e : one.children()) {
      const std::string_view name = e.type() == pugi::node_element ? e.name() : "";
      if (name == "Log" || name == "Item_Spells" || name == "Corpses" || name == "Global") {
        elements.append_copy(e);
      } else {
        whole = false;
      }
    }
    if (!whole) ++unknown;
  }
  persistence::AddTextRepairs(DataFile::LinesPath(), repairs);
  return unknown;
}

// Hands the data file's elements over; one damaged element costs only itself.
void ApplyDataFile(ControlHandler& ch, DataRead& data) {
  if (!data.loaded) return;
  LoadDamage damage(DataFile::Path(), std::move(data.bytes));
  for (const std::string& name : data.heldByLine) {
    LoadDamage::Report(
        "root " + name, 5,
        "A root named " + name + " holds elements: read as the elements it holds, its own values left out",
        kLoadProc);
  }
  for (pugi::xml_node child : data.root.children()) {
    if (child.type() != pugi::node_element) continue;
    GuardElement(kLoadProc, child.name(), [&] { ApplyElement(ch, child); });
  }
  damage.Finish();
}

// Hands over the elements of the lines logged after the data file was last
// written whole; their faults (texts included) are their own file's, which
// is kept aside as the data file is. Its item spells and corpses lines stand
// in for the data file's.
void ApplyCompanion(ControlHandler& ch, Companion& companion, const pugi::xml_document& elements,
                    std::int64_t unknown) {
  LoadDamage lineDamage(DataFile::LinesPath(), std::move(companion.bytes));
  for (std::int64_t i = 0; i < unknown; ++i) {
    LoadDamage::Report("lines", 5, "A line that is not a chat-log line was left out", kLoadProc);
  }
  for (pugi::xml_node e : elements.children()) {
    if (std::string_view(e.name()) == "Log" || std::string_view(e.name()) == "Global") {
      GuardElement(kLoadProc, e.name(), [&] { ApplyElement(ch, e); });
      continue;
    }
    if (std::string_view(e.name()) == "Corpses") {
      if (Links().ClearCorpses) Links().ClearCorpses();
      for (pugi::xml_node corpse : e.children("Corpse")) {
        GuardElement(kLoadProc, "Corpse", [&] { ApplyElement(ch, corpse); });
      }
      continue;
    }
    if (Links().ClearItemSpells) Links().ClearItemSpells();
    for (pugi::xml_node spell : e.children("Item_Spell")) {
      GuardElement(kLoadProc, "Item_Spell", [&] { ApplyElement(ch, spell); });
    }
  }
  lineDamage.Finish();
}

// Keeps aside what the load found damaged, refreshes the log view and writes
// the data file whole.
void FinishLoad(ControlHandler& ch, const DataRead& data, const std::string& base,
                const Companion& companion) {
  const std::filesystem::path linesPath = DataFile::LinesPath();
  const std::optional<std::string>& tornBytes = companion.tornBytes;
  if (tornBytes) persistence::KeepAsideBeforeSave(linesPath, tornBytes);
  S().held = HeldLinesNow(ch);
  // Its message is a chat line the chat log keeps: told before the file is built.
  persistence::SetAsideIfPending(DataFile::Path());
  persistence::SetAsideIfPending(linesPath);
  // Its copy is kept: the rest of the torn line goes, so the new lines
  // follow the whole ones while whole writes fail (a nearly full disk).
  if (tornBytes) {
    const std::string_view rest = std::string_view(*tornBytes).substr(companion.tornFrom);
    Trap(kLoadProc, kClass, [&] {
      if (const auto size = ReplaceFileEnd(linesPath, rest, "", tornBytes->size())) {
        S().base = base;
        S().linesSize = *size;
      }
    });
  }
  if (data.loaded || !companion.added.empty()) {
    if (Links().DisplayLog) Links().DisplayLog();
  }
  DataFile::Save(ch);
}

}  // namespace

std::filesystem::path DataFile::Folder() { return std::filesystem::path(Hub::GetDataFolder()) / "Mellox" / "Data"; }

std::filesystem::path DataFile::Path() {
  const std::string server = CurrentName(Links().GetMyServer);
  const std::string character = CurrentName(Links().GetMyCharName);
  return Folder() / ("Mellox_Data_" + server + "_" + character + ".xml");
}

std::string DataFile::LinesFirstLine(std::string_view dataBytes) { return BaseLine(dataBytes); }

std::filesystem::path DataFile::LinesPath() {
  std::filesystem::path path = Path();
  path.replace_extension(".lines");
  return path;
}

void DataFile::Load(ControlHandler& ch, std::int16_t action) {
  Hub::wtcw_debug("Data Load with action " + vb::CStr(static_cast<int>(action)));
  ForgetTheLastLogin();
  GuardStep(kLoadProc, "", [&] {
    // The plug-in outlives a logoff: what the last login held must not be
    // added to again (nor carried over to another character).
    StartFromFile(ch);
    DataRead data;
    if (!ReadDataFile(data)) return;
    const std::string base = BaseLine(data.bytes);
    Companion companion;
    if (!ReadCompanion(data.besideNone, base, companion)) return;
    SetAsideWhatIsNotOurs(data, companion);
    NoteFilesAsRead(data, base, companion);
    // Every element that is read, so the raise counts what is read.
    pugi::xml_document companionElements;
    const std::int64_t unknown = ReadCompanionElements(companion, companionElements);
    RaiseLogLimitFor(LogElements(data.root) + LogElements(companionElements));
    ApplyDataFile(ch, data);
    ApplyCompanion(ch, companion, companionElements, unknown);
    FinishLoad(ch, data, base, companion);
  });
}

std::string DataFile::Build(ControlHandler& ch) {
  pugi::xml_document doc;
  pugi::xml_node root = persistence::StartDocument(doc);
  SetAttr(AddElement(root, "Global"), "enabled", ch.GlobalSettings->CheckedGet());

  const PersistenceLinks& links = Links();
  if (links.ForEachCorpse) {
    links.ForEachCorpse([&](const CorpseRecord& c) {
      SetCorpseAttributes(AddElement(root, "Corpse"), c);
    });
  }
  if (links.ForEachItemSpell) {
    links.ForEachItemSpell(
        [&](const ItemSpellRecord& s) { SetItemSpellAttributes(AddElement(root, "Item_Spell"), s); });
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
        gone = !persistence::IsProtected(Path()) &&
               !(S().linesUnreadable && persistence::Exists(LinesPath())) &&
               SetAsideOrStoreAfter("chat-log lines of a data file that could not be read");
      });
    }
    if (!gone) return false;
    S().unreadable = false;
    S().linesUnreadable = false;
    S().ready = true;
  }
  // The last one failed (a nearly full disk): what this one would hold that
  // the companion can take goes there first, should this one fail too.
  const bool owedBefore = S().owed;
  if (owedBefore) AppendNewLines(ch);
  // The files as they stand, should this write fail and leave them so.
  std::optional<std::string> before = S().base;
  std::uint64_t linesBefore = S().linesSize;
  const bool written = Trap("Data_Save", kClass, [&] {
    const std::string bytes = Build(ch);
    std::array<std::string, 3> held = HeldLinesNow(ch);
    std::string base = BaseLine(bytes);
    const std::filesystem::path lines = LinesPath();
    // A companion whose lines were not all read goes only once its copy is
    // kept (tried again at each save until it can be made).
    persistence::SetAsideIfPending(lines);
    if (!CopyForeignAside()) persistence::RaiseNoFreeAsideName(lines);
    S().base.reset();
    // A companion extending a data file of these very bytes would still
    // count once they are written again, bringing its lines back twice: it
    // goes first (a crash in between leaves the same bytes without it).
    if (CompanionBase(lines) == base) {
      std::filesystem::remove(lines);
      linesBefore = 0;
    }
    persistence::SaveXmlFile(Path(), bytes);
    S().base = std::move(base);
    S().baseSize = bytes.size();
    S().linesSize = 0;
    S().held = std::move(held);
    S().endOwed = false;
    S().markOwed = false;
    S().owed = false;
    // Its lines are in the data file now. One that cannot be removed no
    // longer counts and is replaced by the next companion.
    std::error_code ignored;
    std::filesystem::remove(lines, ignored);
    LogSaved();
  });
  if (!written) {
    // The atomic write left the old file: lines can still be appended to it.
    S().owed = true;
    S().base = std::move(before);
    S().linesSize = linesBefore;
    // The first to fail: what it would have stored goes beside the data file
    // now, as the later ones store it first (there may be no later one).
    if (!owedBefore) AppendNewLines(ch);
  }
  return written;
}

bool DataFile::SaveNewLines(ControlHandler& ch, bool minute) {
  // After a failed whole write only the minute (and the logoff) try again.
  if (!S().ready || (minute && S().owed)) return Save(ch);
  switch (AppendNewLines(ch)) {
    case Stored::Nothing:
    case Stored::Appended:
      return true;
    case Stored::NeedsWhole:
      return !S().owed && Save(ch);
    case Stored::Failed:
      break;
  }
  return false;
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
