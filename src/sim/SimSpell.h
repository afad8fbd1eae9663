// One row of the spell table.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Spells.h"

namespace mellox::sim {

struct SpellRow {
  std::int32_t id = 0;
  std::string name;
  std::string description;
  std::int32_t diff = 0;
  std::int32_t icon = 0;
  std::int32_t school = 0;
  std::int32_t type = 0;
  double duration = 0;
  std::int32_t effect = 0;
  std::int32_t effectOnCaster = 0;
  std::int32_t effectOnTarget = 0;
  float speed = 0;
  std::int32_t version = 0;
  std::int32_t flags = 0;
  std::int32_t sortOrder = 0;
  std::int32_t targetMask = 0;
  std::int32_t componentCount = 0;
  std::int32_t manaCost = 0;
  float rangeBase = 0;
  float rangeModifier = 0;
  bool researchable = false;
};

class SimSpell : public platform::Spell {
 public:
  explicit SimSpell(SpellRow row) : r_(std::move(row)) {}
  std::int32_t ID() override { return r_.id; }
  std::string Name() override { return r_.name; }
  std::string Description() override { return r_.description; }
  std::int32_t Diff() override { return r_.diff; }
  std::int32_t Icon() override { return r_.icon; }
  std::int32_t School() override { return r_.school; }
  std::int32_t Type() override { return r_.type; }
  double Duration() override { return r_.duration; }
  std::int32_t Effect() override { return r_.effect; }
  std::int32_t EffectOnCaster() override { return r_.effectOnCaster; }
  std::int32_t EffectOnTarget() override { return r_.effectOnTarget; }
  float Speed() override { return r_.speed; }
  std::int32_t Version() override { return r_.version; }
  std::int32_t Flags() override { return r_.flags; }
  std::int32_t SortOrder() override { return r_.sortOrder; }
  std::int32_t TargetMask() override { return r_.targetMask; }
  std::int32_t ComponentCount() override { return r_.componentCount; }
  std::int32_t ManaCost() override { return r_.manaCost; }
  float RangeBase() override { return r_.rangeBase; }
  float RangeModifier() override { return r_.rangeModifier; }
  bool Researchable() override { return r_.researchable; }

  const SpellRow& Row() const { return r_; }

 private:
  SpellRow r_;
};

}  // namespace mellox::sim
