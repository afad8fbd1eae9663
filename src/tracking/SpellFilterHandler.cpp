#include "tracking/SpellFilterHandler.h"

#include <array>

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "platform/PluginSite.h"
#include "tracking/TrackingPeers.h"

namespace mellox {

namespace {

constexpr const char* kClass = "SpellFilterHandler";
constexpr char kTypographicApostrophe = '\x92';

constexpr std::array<std::int32_t, 20> kDebuffFlags{17,  19,  24,  26,  8337, 8346, 9361, 1169, 128, 130,
                                                   131, 144, 145, 146, 147,  152,  153,  154,  155, 158};

}  // namespace

SpellFilterHandler::SpellFilterHandler() {
  Trap("Class_Initialize", kClass, [&] {
    Hub::wtcw_debug("Spell Filter Handler Init");
    if (!Site) Raise(91);
    SpellFilter = std::static_pointer_cast<platform::Spells>(Site->GetServiceByPath(platform::kSpellsServicePath));
    SpellFilterAvailable_ = static_cast<bool>(SpellFilter);
    // The table's login event needs no work.
    if (SpellFilter) loginConnection_ = SpellFilter->Login.Connect([] {});
  });
}

SpellFilterHandler::~SpellFilterHandler() {
  Trap("Class_Terminate", kClass, [&] { Hub::wtcw_debug("Spell Filter Handler Terminate"); });
  loginConnection_.Disconnect();
  SpellFilter.reset();
}

platform::Spells* SpellFilterHandler::Table() {
  if (SpellFilter) return SpellFilter.get();
  if (!warnedMissing_) {
    warnedMissing_ = true;
    Hub::wtcw_error("The game's spell table is not available: spells are shown as unknown.");
  }
  return nullptr;
}

std::int32_t SpellFilterHandler::GetID(const std::string& name) {
  std::int32_t result = 0;
  Trap("GetID", kClass, [&] {
    result = kUnknown;
    if (auto* table = Table()) {
      if (auto spell = table->SpellByName(name)) result = spell->ID();
    }
  });
  return result;
}

std::string SpellFilterHandler::GetName(std::int32_t id) {
  std::string result;
  Trap("GetName", kClass, [&] {
    auto* table = Table();
    auto spell = table ? table->SpellById(id) : nullptr;
    if (!spell) {
      result = "Unknown " + std::to_string(id);
      return;
    }
    result = spell->Name();
    for (char& c : result) {
      if (c == kTypographicApostrophe) c = '\'';
    }
  });
  return result;
}

std::int32_t SpellFilterHandler::GetFamily(std::int32_t id) {
  std::int32_t result = 0;
  Trap("GetFamily", kClass, [&] {
    auto* table = Table();
    auto spell = table ? table->SpellById(id) : nullptr;
    result = spell ? spell->Effect() : kUnknown;
  });
  return result;
}

std::int32_t SpellFilterHandler::GetIcon(std::int32_t id) {
  std::int32_t result = 0;
  Trap("GetIcon", kClass, [&] {
    auto* table = Table();
    auto spell = table ? table->SpellById(id) : nullptr;
    result = spell ? spell->Icon() : kDefaultIcon;
  });
  return result;
}

std::int32_t SpellFilterHandler::GetDifficulty(std::int32_t id) {
  std::int32_t result = 0;
  Trap("GetDifficulty", kClass, [&] {
    auto* table = Table();
    auto spell = table ? table->SpellById(id) : nullptr;
    result = spell ? spell->Diff() : kUnknown;
  });
  return result;
}

std::int32_t SpellFilterHandler::GetDuration(std::int32_t id) {
  std::int32_t result = 0;
  Trap("GetDuration", kClass, [&] {
    auto* table = Table();
    auto spell = table ? table->SpellById(id) : nullptr;
    result = spell ? vb::CLng(spell->Duration()) : kUnknown;
  });
  return result;
}

bool SpellFilterHandler::IsDebuffFlags(std::int32_t flags) {
  for (std::int32_t f : kDebuffFlags) {
    if (f == flags) return true;
  }
  return false;
}

bool SpellFilterHandler::IsADebuff(std::int32_t id) {
  bool result = false;
  Trap("IsADebuff", kClass, [&] {
    auto* table = Table();
    auto spell = table ? table->SpellById(id) : nullptr;
    result = spell && IsDebuffFlags(spell->Flags());
  });
  return result;
}

std::string SpellFilterHandler::ExportRecord(platform::Spell& s) {
  std::string line = std::to_string(s.ID());
  auto add = [&line](const std::string& cell) {
    line += '|';
    line += cell;
  };
  add(s.Name());
  add(s.Description());
  add(std::to_string(s.Diff()));
  add(std::to_string(s.Icon()));
  add(std::to_string(s.School()));
  add(std::to_string(s.Type()));
  add(vb::CStr(s.Duration()));
  add(std::to_string(s.Effect()));
  add(std::to_string(s.EffectOnCaster()));
  add(std::to_string(s.EffectOnTarget()));
  add(vb::CStrSingle(s.Speed()));
  add(std::to_string(s.Version()));
  add(std::to_string(s.Flags()));
  add(std::to_string(s.SortOrder()));
  add(std::to_string(s.TargetMask()));
  add(std::to_string(s.ComponentCount()));
  add(std::to_string(s.ManaCost()));
  add(vb::CStrSingle(s.RangeBase()));
  add(vb::CStrSingle(s.RangeModifier()));
  add(s.Researchable() ? "True" : "False");
  return line;
}

void SpellFilterHandler::SpellInfo(std::int32_t id) {
  auto* table = Table();
  if (!table) return;
  auto spell = table->SpellById(id);
  if (!spell) return;
  TrackingPeers::WriteToChatWindow(ExportRecord(*spell), 0, 0);
}

void SpellFilterHandler::SpellExport() {
  TrackingPeers::WriteToChatWindow(kExportHeader, 0, 0);
  for (std::int32_t id = 0; id <= kExportLastId; ++id) SpellInfo(id);
}

}  // namespace mellox
