// The spell filter's table, read from a "|"-separated file whose first line
// names the columns.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Spells.h"

namespace mellox::sim {

class SimSpell;
struct SpellRow;

class SimSpells : public platform::Spells {
 public:
  std::shared_ptr<platform::Spell> SpellById(std::int32_t id) override;
  std::shared_ptr<platform::Spell> SpellByName(const std::string& name) override;

  // Replaces the table with the file's rows; false (table empty) when the
  // file is missing or has no header. Rows with too few columns are skipped.
  bool Load(const std::filesystem::path& file);
  bool LoadText(const std::string& text);
  void Add(const SpellRow& row);
  std::int32_t Size() const { return static_cast<std::int32_t>(byId_.size()); }
  void RaiseLogin() { Login.Emit(); }

 private:
  std::map<std::int32_t, std::shared_ptr<SimSpell>> byId_;
  std::map<std::string, std::shared_ptr<SimSpell>> byName_;  // lower-case name
};

}  // namespace mellox::sim
