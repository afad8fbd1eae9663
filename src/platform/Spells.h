// The spell filter's spell table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Event.h"

namespace mellox::platform {

class Spell {
 public:
  virtual ~Spell() = default;
  virtual std::int32_t ID() = 0;
  virtual std::string Name() = 0;
  virtual std::string Description() = 0;
  virtual std::int32_t Diff() = 0;
  virtual std::int32_t Icon() = 0;
  virtual std::int32_t School() = 0;
  virtual std::int32_t Type() = 0;
  virtual double Duration() = 0;
  virtual std::int32_t Effect() = 0;  // the spell family
  virtual std::int32_t EffectOnCaster() = 0;
  virtual std::int32_t EffectOnTarget() = 0;
  virtual float Speed() = 0;
  virtual std::int32_t Version() = 0;
  virtual std::int32_t Flags() = 0;
  virtual std::int32_t SortOrder() = 0;
  virtual std::int32_t TargetMask() = 0;
  virtual std::int32_t ComponentCount() = 0;
  virtual std::int32_t ManaCost() = 0;
  virtual float RangeBase() = 0;
  virtual float RangeModifier() = 0;
  virtual bool Researchable() = 0;
};

class Spells {
 public:
  virtual ~Spells() = default;
  virtual std::shared_ptr<Spell> SpellById(std::int32_t id) = 0;            // null when unknown
  virtual std::shared_ptr<Spell> SpellByName(const std::string& name) = 0;  // null when unknown
  Event<> Login;
};

}  // namespace mellox::platform
