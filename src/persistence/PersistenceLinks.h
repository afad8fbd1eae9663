// What the settings and data files need of handlers owned by other parts of
// the plug-in. Each hook is filled by the owner of that handler when it is
// created and cleared when it goes; an empty hook means the handler is not
// there, and the files then keep to what the settings view alone can give.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace mellox {

class LogItem;

// The window state a HUD engine keeps outside the settings view.
struct HudWindowState {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool dockHorz = false;
  bool dockVert = false;
  bool drawTitle = true;
};

enum class HudId { Main = 0, Clock = 1, Items = 2, Status = 3, Target = 4 };

// A tracked corpse as the data file stores it.
struct CorpseRecord {
  std::int32_t guid = 0;
  double NS = 0;
  double EW = 0;
  std::int64_t time = 0;
  bool Dungeon = false;
  std::string data;
};

// One spell on an item as the data file stores it.
struct ItemSpellRecord {
  std::int32_t id = 0;
  std::int32_t timeRemaining = 0;
  std::string sTarget;
};

struct PersistenceLinks {
  // FilterHandler: the names the per-character files are named after.
  std::function<std::string()> GetMyServer;
  std::function<std::string()> GetMyCharName;

  // HUD engines: window state for saving, and re-placing after a load.
  std::function<std::optional<HudWindowState>(HudId)> HudWindow;
  std::function<void()> UpdateHudPositions;

  // ChatTextHandler.SetTargetList (window, chat type, enabled).
  std::function<void(std::int16_t, std::int16_t, bool)> SetTargetList;

  // LogHandler.
  std::function<void(std::int32_t)> SetLogMaxLines;
  std::function<std::int32_t()> LogMaxLines;
  // Opens the text log of the name the log holds (none: nothing).
  std::function<void()> InitFileLog;
  std::function<void(const std::function<void(const LogItem&)>&)> ForEachLogItem;
  std::function<void(const std::string& message, std::int32_t msgtype, std::int32_t msgcolor, std::int32_t msgtag,
                     std::int64_t msgdate)>
      AddToLogFromData;
  std::function<void()> DisplayLog;
  // Empties the in-memory log and its view.
  std::function<void()> ClearLog;
  // Visits the lines logged since the data file last took the log, oldest
  // first; false when the log also changed otherwise since then (cleared,
  // cut shorter) and only a whole file holds it.
  std::function<bool(const std::function<void(const LogItem&)>&)> ForEachNewLogItem;
  // The data file now holds every line of the log.
  std::function<void()> LogSaved;

  // CorpseHandler.
  std::function<void(const std::function<void(const CorpseRecord&)>&)> ForEachCorpse;
  std::function<void(const CorpseRecord&)> AddCorpsefromData;
  // Forgets every corpse: tracked, pending and opened.
  std::function<void()> ClearCorpses;

  // SpellHandler: every spell of every item, in the dictionaries' order.
  std::function<void(const std::function<void(const ItemSpellRecord&)>&)> ForEachItemSpell;
  std::function<void(std::int32_t id, std::int32_t remaining, const std::string& target)> AddItemSpellfromData;
  std::function<void()> ClearItemSpells;
};

// The one set of hooks of the running plug-in.
PersistenceLinks& Links();

}  // namespace mellox
