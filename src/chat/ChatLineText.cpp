#include "chat/ChatLineText.h"

#include <iterator>

#include "core/VB.h"

namespace mellox::ChatLineText {

namespace {

constexpr const char* kOptionRows[] = {
    "Send Rare Message to All Windows",
    "Improved Vitae Message",
    "Kill: Show Monster XP",
    "Kill: Show Unassigned XP",
    "Kill: Show XP to Level",
    "Kill: Show XP/Hr",
    "Kill: Show Kills to Level",
    "Kill: Show Time to Level",
    "Show Comp Count on Burn",
    "Filter Nonexpired Spells",
    "Combine Item Spell Cast and Expire",
};
static_assert(std::size(kOptionRows) == static_cast<std::size_t>(Option::Count));

// Whether part occurs at or after from.
bool ContainsFrom(std::string_view text, std::string_view part, std::size_t from) {
  return from <= text.size() && text.find(part, from) != std::string_view::npos;
}

}  // namespace

const char* OptionRow(Option option) { return kOptionRows[static_cast<std::size_t>(option)]; }

bool IsEssenceOffer(std::string_view text, std::string_view guardian) {
  if (!StartsWith(text, guardian)) return false;
  constexpr std::string_view kTells = " tells you,";
  if (text.compare(guardian.size(), kTells.size(), kTells) != 0) return false;
  return ContainsFrom(text, "essence of", guardian.size() + kTells.size());
}

bool IsSkillRaise(std::string_view text) {
  constexpr std::string_view kYour = "Your ";
  return StartsWith(text, kYour) && ContainsFrom(text, " is now ", kYour.size());
}

bool IsExperienceEarned(std::string_view text) {
  constexpr std::string_view kEarned = "You've earned ";
  return StartsWith(text, kEarned) && ContainsFrom(text, " experience in your ", kEarned.size());
}

bool IsItemSpellCast(std::string_view text) {
  if (StartsWith(text, "You cast") && Contains(text, " on ") && !Contains(text, "on yourself")) return true;
  const std::size_t cast = text.find("cast");
  return cast != std::string_view::npos && ContainsFrom(text, "on your", cast + 4);
}

std::vector<std::string> BurnComponents(std::string_view text) {
  std::vector<std::string> components = vb::Split(vb::Replace(text, kBurnPrefix, ""), ",");
  for (auto& c : components) c = vb::Trim(c);
  return components;
}

std::string BurnLineWithCounts(const std::vector<std::string>& components,
                               const std::vector<std::int32_t>& counts) {
  std::string line = kBurnPrefix;
  for (std::size_t i = 0; i < components.size(); ++i) {
    line += components[i] + " (" + std::to_string(i < counts.size() ? counts[i] : 0) + "), ";
  }
  line.resize(line.size() - 2);
  return line;
}

std::string ExpiredSpellName(std::string_view text) {
  return vb::Trim(vb::Replace(text, " has expired.", ""));
}

std::optional<ItemSpellCast> ParseItemSpellCast(std::string_view text) {
  constexpr std::string_view kOn = " on ";
  constexpr std::string_view kCast = " cast ";
  const std::size_t on = text.find(kOn);
  if (on == std::string_view::npos) return std::nullopt;
  const std::string_view before = text.substr(0, on);
  const std::size_t cast = before.find(kCast);
  if (cast == std::string_view::npos) return std::nullopt;
  std::string_view spell = before.substr(cast + kCast.size());
  spell = spell.substr(0, spell.find(kCast));
  // The rest of the line, so an item whose name holds " on " keeps its name.
  std::string_view target = text.substr(on + kOn.size());
  target = target.substr(0, target.find(", surpassing"));
  ItemSpellCast result{vb::Trim(spell), vb::Trim(target)};
  if (!Contains(result.target, "your armor")) result.target = vb::Replace(result.target, "your ", "");
  return result;
}

std::string CombinedBurstLine(std::string_view first, std::string_view ending) {
  return std::string(first.substr(0, first.find(" on "))) + std::string(ending);
}

std::string CorpseCoordsText(std::string_view text) {
  return vb::Replace(vb::Replace(text, "Your corpse is located at (", ""), ").", "");
}

std::string DropLastChar(std::string_view text) {
  return std::string(text.substr(0, text.empty() ? 0 : text.size() - 1));
}

}  // namespace mellox::ChatLineText
