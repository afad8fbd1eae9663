#include "tracking/CorpseHandler.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "chat/CellValue.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/HubConvert.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "persistence/PersistenceLinks.h"
#include "platform/HostView.h"
#include "settings_view/ControlHandler.h"
#include "tracking/SpellHandler.h"
#include "tracking/TrackingPeers.h"

namespace mellox {

namespace {

constexpr const char* kClass = "CorpseHandler";
// A corpse lasts this many seconds per character level, and never less than a minute.
constexpr std::int64_t kDecayPerLevel = 300;
constexpr std::int64_t kMinimumDecay = 60;

ControlHandler& Controls() {
  if (!ControlHandlerInstance) Raise(91);
  return *ControlHandlerInstance;
}

FilterHandler& Filter() {
  if (!FilterHandlerInstance) Raise(91);
  return *FilterHandlerInstance;
}

std::string Describe(std::int32_t guid, double ns, double ew) {
  return std::to_string(guid) + " - " + Filter().ConvCoords(ns, ew);
}

// The record stands for (guid, ns, ew): the same id, or, for a corpse whose
// world object was never seen, exactly the same position.
bool Matches(const CorpseInfo& c, std::int32_t guid, double ns, double ew) {
  return c.guid == guid || (c.guid == 0 && c.NS == ns && c.EW == ew);
}

std::vector<CorpseInfo>::iterator FindMatch(std::vector<CorpseInfo>& list, std::int32_t guid, double ns, double ew) {
  return std::find_if(list.begin(), list.end(), [&](const CorpseInfo& c) { return Matches(c, guid, ns, ew); });
}

// One coordinate of the location line, as "12.3N": the number before the
// letter, negated unless the letter is the positive one (exact case).
double ParseCoordinate(const std::string& part, char positive) {
  if (part.empty()) Raise(5);
  const double value = vb::Val(std::string_view(part).substr(0, part.size() - 1));
  return part.back() == positive ? value : -value;
}

// The row standing for the tracked corpse: the chosen one, or the first when
// none is chosen or the choice is not a row of the list.
std::int32_t TrackedRow(const ControlHandler& c, std::int32_t rows) {
  const std::int32_t selected = c.SelectedCorpse;
  return selected >= 0 && selected < rows ? selected : 0;
}

// The character's position, or nothing while the game has not placed it, so
// the list still shows positions and decay times instead of failing.
std::optional<std::pair<double, double>> CharacterPosition(FilterHandler& f) {
  try {
    const double ns = f.GetRawNS();
    const double ew = f.GetRawEW();
    return std::make_pair(ns, ew);
  } catch (const VBError& e) {
    if (e.Number() != 91) throw;
    return std::nullopt;
  }
}

}  // namespace

CorpseHandler::CorpseHandler() {
  Trap("Class_Initialize", kClass, [] { Hub::wtcw_debug("Corpse Handler Init"); });
  Links().AddCorpsefromData = [this](const CorpseRecord& r) {
    AddCorpsefromData(r.guid, r.NS, r.EW, r.time, r.Dungeon, r.data);
  };
  Links().ForEachCorpse = [this](const std::function<void(const CorpseRecord&)>& visit) {
    for (const CorpseInfo& c : Corpses) visit({c.guid, c.NS, c.EW, c.time, c.Dungeon, c.data});
  };
  Links().ClearCorpses = [this] { ResetForLogin(); };
}

CorpseHandler::~CorpseHandler() {
  Links().AddCorpsefromData = nullptr;
  Links().ForEachCorpse = nullptr;
  Links().ClearCorpses = nullptr;
  Trap("Class_Terminate", kClass, [] { Hub::wtcw_debug("Corpse Handler Terminate"); });
  Corpses.clear();
}

void CorpseHandler::ResetForLogin() {
  Corpses.clear();
  login_ = {};
}

void CorpseHandler::UpdateCorpseList() {
  Trap("UpdateCorpseList", kClass, [&] {
    ControlHandler& c = Controls();
    platform::ListControl& list = *c.CorpsesList;
    list.Clear();
    if (Corpses.empty()) return;
    FilterHandler& f = Filter();
    // Nothing moves the character while the rows are filled, so one reading serves them all.
    const auto me = CharacterPosition(f);
    const std::int64_t now = TrackingPeers::NowUnix();
    for (const CorpseInfo& corpse : Corpses) {
      const std::int32_t row = list.AddRow();
      list.DataLet(0, row, 0, corpse.Dungeon ? std::string("Dungeon") : f.ConvCoords(corpse.NS, corpse.EW));
      list.DataLet(1, row, 0, me ? f.ConvCoords(corpse.NS - me->first, corpse.EW - me->second) : std::string());
      const double left = static_cast<double>(corpse.time - now);
      list.DataLet(2, row, 0, Hub::ConvTime(left, 0, true));
      list.DataLet(3, row, 1, kIconDelete);
    }
    list.ColorLet(0, TrackedRow(c, list.Count()), kTrackedColor);
  });
}

void CorpseHandler::CharDeath() {
  Trap("CharDeath", kClass, [&] {
    Hub::wtcw_debug("Char Death ");
    if (SpellHandlerInstance) SpellHandlerInstance->RebuildList = true;
    login_.hasDied = true;
    if (!Controls().CorpsesTrack->CheckedGet()) return;
    Hub::wtcw_debug("Creating Corpse Info");
    login_.pending.emplace();
    FilterHandler& f = Filter();
    const std::int64_t decay = std::max<std::int64_t>(std::int64_t{f.GetMyCharLevel()} * kDecayPerLevel, kMinimumDecay);
    login_.pending->time = TrackingPeers::NowUnix() + decay;
    login_.pending->NS = f.GetRawNS();
    login_.pending->EW = f.GetRawEW();
  });
}

void CorpseHandler::NewCorpse(std::int32_t guid, double ns, double ew) {
  Trap("NewCorpse", kClass, [&] {
    Hub::wtcw_debug("New Corpse " + Describe(guid, ns, ew));
    if (!login_.pending) return;
    login_.pending->guid = guid;
    login_.pending->NS = ns;
    login_.pending->EW = ew;
  });
}

void CorpseHandler::CorpseCoords(const std::string& text) {
  Trap("CorpseCoords", kClass, [&] {
    Hub::wtcw_debug("Corpse Coords " + text);
    const std::vector<std::string> parts = vb::Split(text, ", ");
    if (parts.size() < 2) Raise(9);
    // Both halves are read before anything changes, so a bad text changes nothing.
    const double ns = ParseCoordinate(parts[0], 'N');
    const double ew = ParseCoordinate(parts[1], 'E');
    if (!login_.pending) return;
    // The world object's position, when it was seen, is the more precise one.
    if (login_.pending->guid == 0) {
      login_.pending->NS = ns;
      login_.pending->EW = ew;
    }
    login_.pending->Dungeon = false;
  });
}

void CorpseHandler::CorpseData(const std::string& text) {
  Trap("CorpseData", kClass, [&] {
    Hub::wtcw_debug("Corpse Data " + text);
    if (login_.pending) login_.pending->data = text;
  });
}

void CorpseHandler::AddCorpse() {
  Trap("AddCorpse", kClass, [&] {
    login_.hasDied = false;
    if (!login_.pending) return;
    if (!Controls().CorpsesTrack->CheckedGet()) {
      login_.pending.reset();
      return;
    }
    Hub::wtcw_debug("Add Corpse " + Describe(login_.pending->guid, login_.pending->NS, login_.pending->EW));
    Corpses.push_back(std::move(*login_.pending));
    login_.pending.reset();
    Controls().Data_Save();
    UpdateCorpseList();
    TrackingPeers::CreateMainHUD();
  });
}

void CorpseHandler::AddCorpsefromData(std::int32_t guid, double ns, double ew, std::int64_t time, bool dungeon,
                                      const std::string& data) {
  Trap("AddCorpsefromData", kClass, [&] {
    Hub::wtcw_debug("AddCorpsefromData " + Describe(guid, ns, ew));
    CorpseInfo c;
    c.guid = guid;
    c.NS = ns;
    c.EW = ew;
    c.time = time;
    c.Dungeon = dungeon;
    c.data = data;
    Corpses.push_back(std::move(c));
  });
}

void CorpseHandler::RemoveAt(std::size_t position) {
  Corpses.erase(Corpses.begin() + static_cast<std::ptrdiff_t>(position - 1));
  // The selection stays on its own corpse: cleared when that one goes, moved
  // up with it when a corpse above it goes.
  ControlHandler& c = Controls();
  const auto removedRow = static_cast<std::int32_t>(position - 1);
  if (c.SelectedCorpse == removedRow) {
    c.SelectedCorpse = -1;
  } else if (c.SelectedCorpse > removedRow) {
    --c.SelectedCorpse;
  }
  UpdateCorpseList();
  TrackingPeers::CreateMainHUD();
  c.Data_Save();
}

void CorpseHandler::RemoveCorpsebyGUID(std::int32_t guid, double ns, double ew) {
  Trap("RemoveCorpse", kClass, [&] {
    Hub::wtcw_debug("RemoveCorpse " + Describe(guid, ns, ew));
    const auto found = FindMatch(Corpses, guid, ns, ew);
    if (found == Corpses.end()) return;
    RemoveAt(static_cast<std::size_t>(found - Corpses.begin()) + 1);
  });
}

void CorpseHandler::RemoveCorpsebyID(std::int32_t position) {
  Trap("RemoveCorpsebyID", kClass, [&] {
    Hub::wtcw_debug("RemoveCorpsebyID " + std::to_string(position));
    if (position < 1 || static_cast<std::size_t>(position) > Corpses.size()) return;
    RemoveAt(static_cast<std::size_t>(position));
  });
}

void CorpseHandler::OpenCorpse(double ns, double ew, std::int32_t guid) {
  Trap("OpenCorpse", kClass, [&] {
    Hub::wtcw_debug("OpenCorpse " + Describe(guid, ns, ew));
    if (FindMatch(login_.opened, guid, ns, ew) != login_.opened.end()) return;
    CorpseInfo c;
    c.guid = guid;
    c.NS = ns;
    c.EW = ew;
    login_.opened.push_back(std::move(c));
  });
}

void CorpseHandler::CorpseDisappear(double ns, double ew, std::int32_t guid) {
  Trap("CorpseDisappear", kClass, [&] {
    Hub::wtcw_debug("CorpseDisappear " + Describe(guid, ns, ew));
    const auto found = FindMatch(login_.opened, guid, ns, ew);
    if (found == login_.opened.end()) return;
    login_.opened.erase(found);
    RemoveCorpsebyGUID(guid, ns, ew);
  });
}

std::string CorpseHandler::GetCorpse() {
  std::string result = "None";
  Trap("GetCorpse", kClass, [&] {
    Hub::wtcw_debug("GetCorpse ");
    ControlHandler& c = Controls();
    platform::ListControl& list = *c.CorpsesList;
    const std::int32_t rows = list.Count();
    if (rows > 0) result = CellText(list.DataGet(0, TrackedRow(c, rows), 0));
  });
  return result;
}

void CorpseHandler::CorpsesList_Change(std::int32_t id, std::int32_t column, std::int32_t row) {
  Trap("CorpsesList_Change", kClass, [&] {
    if (id == -1 || !PluginActive) return;
    // The list is rebuilt every second; a click on a row it no longer
    // stands for does nothing.
    if (row < 0 || static_cast<std::size_t>(row) >= Corpses.size()) return;
    ControlHandler& c = Controls();
    switch (column) {
      case 0:
        c.SelectedCorpse = c.SelectedCorpse == row ? -1 : row;
        break;
      case 1:
      case 2:
        Hub::wtcw(Corpses[static_cast<std::size_t>(row)].data);
        break;
      case 3:
        RemoveCorpsebyID(row + 1);
        break;
      default:
        break;
    }
    c.Data_Save();
    TrackingPeers::CreateMainHUD();
  });
}

void CorpseHandler::CorpsesAbsolute_Change(std::int32_t, bool) {
  Trap("CorpsesAbsolute_Change", kClass, [&] {
    if (!PluginActive) return;
    TrackingPeers::SettingsSave();
    TrackingPeers::UpdateMainHUD();
  });
}

void CorpseHandler::CorpsesAuto_Change(std::int32_t, bool) {
  Trap("CorpsesAuto_Change", kClass, [&] {
    if (PluginActive) TrackingPeers::SettingsSave();
  });
}

}  // namespace mellox
