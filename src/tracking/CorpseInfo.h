// One of the character's corpses. Plain data; the member names are also the
// data file's attribute names.
#pragma once

#include <cstdint>
#include <string>

namespace mellox {

class CorpseInfo {
 public:
  // The corpse's game object id; 0 until its world object was seen.
  std::int32_t guid = 0;
  // North and east coordinates (south and west negative).
  double NS = 0;
  double EW = 0;
  // Unix seconds at which the corpse is expected to decay.
  std::int64_t time = 0;
  // True until the game's location message gave coordinates.
  bool Dungeon = true;
  // The game's message about what the death cost.
  std::string data = "You lost nothing.";
};

}  // namespace mellox
