// The framework spell filter's table of spells: the single access to spell
// ids, names, families, icons, difficulties, durations and the debuff test,
// and the "|"-separated spell export.
#pragma once

#include <cstdint>
#include <string>

#include "core/ObjRef.h"
#include "platform/Spells.h"

namespace mellox {

class SpellFilterHandler {
 public:
  // Answers for a spell the table does not hold.
  static constexpr std::int32_t kUnknown = -1;
  static constexpr std::int32_t kDefaultIcon = 0x060011F8;
  static constexpr const char* kExportHeader =
      "ID|Name|Description|Diff|Icon|School|Type|Duration|Effect|EffectOnCaster|EffectOnTarget|Speed|"
      "Version|Flags|SortOrder|TargetMask|ComponentCount|ManaCost|RangeBase|RangeModifier|Researchable";
  // The highest id the export visits.
  static constexpr std::int32_t kExportLastId = 5000;

  SpellFilterHandler();
  ~SpellFilterHandler();
  SpellFilterHandler(const SpellFilterHandler&) = delete;
  SpellFilterHandler& operator=(const SpellFilterHandler&) = delete;

  // Whether the framework gave the spell filter service.
  bool SpellFilterAvailable() const { return SpellFilterAvailable_; }

  // Look-ups. Without a spell table they give the unknown-spell answers, and
  // the user is told once. On a trapped error: 0, "" or false.
  std::int32_t GetID(const std::string& name);
  // The name with the typographic apostrophe (byte 0x92 of the game's code
  // page) written as "'"; "Unknown <id>" for an unknown id.
  std::string GetName(std::int32_t id);
  std::int32_t GetFamily(std::int32_t id);
  std::int32_t GetIcon(std::int32_t id);
  std::int32_t GetDifficulty(std::int32_t id);
  // Whole seconds, ties to even.
  std::int32_t GetDuration(std::int32_t id);
  bool IsADebuff(std::int32_t id);

  // Writes the spell's export line to chat window 0 in colour 0; nothing for
  // an unknown id. No trap of its own: errors reach the caller.
  void SpellInfo(std::int32_t id);
  // The header line, then SpellInfo for every id from 0 to 5000.
  void SpellExport();

  // One export line of a spell.
  static std::string ExportRecord(platform::Spell& spell);
  static bool IsDebuffFlags(std::int32_t flags);

 private:
  // The table, or null after telling the user once that it is missing.
  platform::Spells* Table();

  ObjRef<platform::Spells> SpellFilter;
  bool SpellFilterAvailable_ = false;
  bool warnedMissing_ = false;
  platform::Connection loginConnection_;
};

}  // namespace mellox
