// Tracks the player's corpses from the death until they are gone: the record
// formed at the death and completed from the game's messages and the corpse's
// world object, the tracked list with positions, offsets and decay times,
// and the corpses the character opened.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tracking/CorpseInfo.h"

namespace mellox {

class CorpseHandler {
 public:
  // Colour of the tracked corpse's first cell.
  static constexpr std::int32_t kTrackedColor = 0xFFFF80;
  // Game icon of the delete cell.
  static constexpr std::int32_t kIconDelete = 0x060011F8;

  CorpseHandler();
  ~CorpseHandler();
  CorpseHandler(const CorpseHandler&) = delete;
  CorpseHandler& operator=(const CorpseHandler&) = delete;

  // The tracked corpses, oldest first; position p (1-based) is row p - 1 of
  // the corpse list.
  std::vector<CorpseInfo> Corpses;

  // The data load's start, the first step of every login: no corpse,
  // nothing pending or opened.
  void ResetForLogin();

  // True from a death until its corpse is recorded.
  bool HasDied() const { return login_.hasDied; }
  // Refills the corpse list: position or "Dungeon", offset from the
  // character, time left until decay; highlights the tracked corpse.
  void UpdateCorpseList();

  // The death: marks the spell list for rebuilding and, while corpses are
  // tracked, starts a pending corpse at the character's position.
  void CharDeath();
  // The corpse's world object appeared: its id and position.
  void NewCorpse(std::int32_t guid, double ns, double ew);
  // The game's location line, as "12.3N, 45.6E". A malformed text is
  // reported and changes nothing.
  void CorpseCoords(const std::string& text);
  // The game's line about what was lost.
  void CorpseData(const std::string& text);
  // The character re-materialised: the pending corpse joins the tracked ones.
  void AddCorpse();
  // A corpse from the data file; nothing is refreshed or saved.
  void AddCorpsefromData(std::int32_t guid, double ns, double ew, std::int64_t time, bool dungeon,
                         const std::string& data);
  // Removes the first tracked corpse matching the id (or, for a corpse whose
  // id was never seen, the exact position).
  void RemoveCorpsebyGUID(std::int32_t guid, double ns, double ew);
  // Removes the tracked corpse at a 1-based position; nothing outside the list.
  void RemoveCorpsebyID(std::int32_t position);
  // The character opened one of its corpses (position first, id last).
  void OpenCorpse(double ns, double ew, std::int32_t guid);
  // An opened corpse left the world: it is forgotten and no longer tracked.
  void CorpseDisappear(double ns, double ew, std::int32_t guid);
  // The tracked corpse's first cell (position or "Dungeon"); "None" when no
  // corpse is tracked.
  std::string GetCorpse();

  // Handlers of the corpse page (nothing while the plug-in is inactive).
  // Column 0 chooses the tracked corpse (a second click clears the choice),
  // columns 1 and 2 tell what the death cost, column 3 deletes the corpse.
  void CorpsesList_Change(std::int32_t id, std::int32_t column, std::int32_t row);
  void CorpsesAbsolute_Change(std::int32_t id, bool checked);
  void CorpsesAuto_Change(std::int32_t id, bool checked);

  const std::optional<CorpseInfo>& PendingCorpse() const { return login_.pending; }
  const std::vector<CorpseInfo>& OpenedCorpses() const { return login_.opened; }

 private:
  // Drops position p (1-based) and keeps the selection on its own corpse.
  void RemoveAt(std::size_t position);

  // The login's: replaced whole at its start.
  struct LoginState {
    bool hasDied = false;
    std::optional<CorpseInfo> pending;
    std::vector<CorpseInfo> opened;
  };
  LoginState login_;
};

}  // namespace mellox
