#include "tracking/SpellItemInfo.h"

#include <algorithm>

namespace mellox {

SpellItemInfo::~SpellItemInfo() { spells_.clear(); }

std::vector<SpellItemInfo::Entry>::iterator SpellItemInfo::Find(const std::string& key) {
  return std::find_if(spells_.begin(), spells_.end(), [&](const Entry& e) { return e.first == key; });
}

std::vector<SpellItemInfo::Entry>::const_iterator SpellItemInfo::Find(const std::string& key) const {
  return std::find_if(spells_.begin(), spells_.end(), [&](const Entry& e) { return e.first == key; });
}

void SpellItemInfo::AddSpell(std::int32_t family, const SpellInfoRef& spell) {
  if (!spell) return;
  const std::string key = std::to_string(family);
  auto it = Find(key);
  if (it == spells_.end()) {
    spells_.emplace_back(key, spell);
  } else if (!it->second || it->second->difficulty <= spell->difficulty) {
    it->second = spell;
  }
}

void SpellItemInfo::RemoveSpell(std::int32_t family) {
  auto it = Find(std::to_string(family));
  if (it != spells_.end()) spells_.erase(it);
}

SpellInfoRef SpellItemInfo::GetSpell(std::int32_t family) const {
  auto it = Find(std::to_string(family));
  return it == spells_.end() ? nullptr : it->second;
}

}  // namespace mellox
