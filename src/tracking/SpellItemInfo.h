// The spells on one target (an item or a monster): at most one record per
// spell family, the stronger one kept. Keys are the family number as decimal
// text; iteration follows insertion order and a replaced record keeps its
// key's place.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tracking/SpellInfo.h"

namespace mellox {

class SpellItemInfo {
 public:
  using Entry = std::pair<std::string, SpellInfoRef>;

  SpellItemInfo() = default;
  ~SpellItemInfo();

  // Adds the record under the family's key; an existing record is replaced
  // when its difficulty is less than or equal to the new one's (a tie goes to
  // the newer record), otherwise the new record is dropped. A null record is
  // ignored.
  void AddSpell(std::int32_t family, const SpellInfoRef& spell);
  // Removes the family's record; does nothing when it is absent.
  void RemoveSpell(std::int32_t family);
  // The family's record, or null.
  SpellInfoRef GetSpell(std::int32_t family) const;

  // The records in insertion order.
  const std::vector<Entry>& Spells() const { return spells_; }
  std::size_t Count() const { return spells_.size(); }

 private:
  std::vector<Entry>::iterator Find(const std::string& key);
  std::vector<Entry>::const_iterator Find(const std::string& key) const;

  std::vector<Entry> spells_;
};

}  // namespace mellox
