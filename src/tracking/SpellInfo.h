// One tracked spell: an enchantment on the character, a spell cast on an item,
// or a debuff seen on a monster. Plain data; holders share records through
// shared_ptr so a time written by one holder is seen by the others.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace mellox {

class SpellInfo {
 public:
  std::string name;
  // Records with an id below 1 stay listed but are never shown.
  std::int32_t id = 0;
  std::int32_t family = 0;
  std::int32_t difficulty = 0;
  // Seconds left. In a finished buff list 0 means "no duration"; during a
  // build -1 and 99999 mark such spells.
  std::int32_t timeRemaining = 0;
  // Unix seconds at which the spell ends (meaningless without a duration).
  std::int64_t finish = 0;
  bool Debuff = false;
  // Empty for a spell on the character; the target text for an item spell.
  std::string sTarget;
  std::int32_t icon = 0;
};

using SpellInfoRef = std::shared_ptr<SpellInfo>;

}  // namespace mellox
