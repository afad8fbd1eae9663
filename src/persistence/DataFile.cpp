#include "persistence/DataFile.h"

#include <optional>

#include <pugixml.hpp>

#include "chat/LogItem.h"
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
  // The chat log's limit before the load raised it to keep every stored line.
  std::optional<std::int32_t> raisedFrom;
};

State& S() {
  static State state;
  return state;
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
    c.time = r.LongLong("time", 0);
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
    const std::int64_t date = r.LongLong("date", 0);
    if (links.AddToLogFromData) links.AddToLogFromData(message, type, color, tag, date);
  }
}

// The stored lines outnumber the chat log's starting limit: keep them all
// until the settings say how many to keep.
void RaiseLogLimitFor(pugi::xml_node root) {
  const PersistenceLinks& links = Links();
  if (!links.LogMaxLines || !links.SetLogMaxLines) return;
  std::int32_t lines = 0;
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

void DataFile::Load(ControlHandler& ch, std::int16_t action) {
  Hub::wtcw_debug("Data Load with action " + vb::CStr(static_cast<int>(action)));
  S().ready = false;
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
    if (outcome == LoadOutcome::Unreadable || outcome == LoadOutcome::NameTooLong) return;
    S().ready = true;
    if (outcome != LoadOutcome::Loaded) {
      Save(ch);
      return;
    }
    const pugi::xml_node root = doc.document_element();
    RaiseLogLimitFor(root);
    LoadDamage damage(path, std::move(bytes));
    // One damaged element costs only itself.
    for (pugi::xml_node child : root.children()) {
      if (child.type() != pugi::node_element) continue;
      GuardElement(kLoadProc, child.name(), [&] { ApplyElement(ch, child); });
    }
    damage.Finish();
    // Its message is a chat line the chat log keeps: told before the file is built.
    persistence::SetAsideIfPending(path);
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
    links.ForEachLogItem([&](const LogItem& item) {
      pugi::xml_node e = AddElement(root, "Log");
      SetAttr(e, "message", item.message());
      SetAttr(e, "type", item.msgtype());
      SetAttr(e, "color", item.msgcolor());
      SetAttr(e, "tag", item.msgtag());
      SetAttr(e, "date", item.msgdate());
    });
  }
  return persistence::FinishDocument(doc);
}

bool DataFile::Save(ControlHandler& ch) {
  Hub::wtcw_debug("Data Save");
  if (!S().ready) return false;
  return Trap("Data_Save", kClass, [&] { persistence::SaveXmlFile(Path(), Build(ch)); });
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
