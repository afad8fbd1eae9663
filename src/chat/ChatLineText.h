// Text work of the chat stages that react to game events and spell lines:
// recognising the game's lines and taking them apart. Nothing here reads the
// settings view or calls the host, so each piece can be checked on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mellox::ChatLineText {

// The chat option rows those stages read, one cache slot each.
enum class Option : std::size_t {
  RareToAllWindows,
  ImprovedVitae,
  KillMonsterXP,
  KillUnassignedXP,
  KillXPToLevel,
  KillXPHour,
  KillKillsToLevel,
  KillTimeToLevel,
  CompCountOnBurn,
  FilterNonexpired,
  CombineItemSpells,
  Count
};
// The option's row name in the chat option list.
const char* OptionRow(Option option);

inline bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}
inline bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}
inline bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// --- Recognising lines (the game's texts, letter case exact) ------------------
// A temple guardian's essence offer: guardian + " tells you," and later "essence of".
bool IsEssenceOffer(std::string_view text, std::string_view guardian);
// "Your <skill> is now <value>".
bool IsSkillRaise(std::string_view text);
// "You've earned <n> experience in your <skill>".
bool IsExperienceEarned(std::string_view text);
// A cast on one of the character's items: "You cast ... on ..." (not on
// yourself), or any line with "cast" and, after it, "on your".
bool IsItemSpellCast(std::string_view text);

// --- Taking lines apart ----------------------------------------------------------
inline constexpr const char* kBurnPrefix = "The spell consumed the following components: ";
// The component names of a burn line, trimmed, in line order.
std::vector<std::string> BurnComponents(std::string_view text);
// The burn line with each component's remaining count: "... Lead Scarab (3), Hyssop (0)".
std::string BurnLineWithCounts(const std::vector<std::string>& components,
                               const std::vector<std::int32_t>& counts);
// The spell of an own expiry line: the text without " has expired.", trimmed.
std::string ExpiredSpellName(std::string_view text);

struct ItemSpellCast {
  std::string spell;
  std::string target;
};
// The spell (after " cast ", before the first " on ") and its target (after
// the first " on ", before ", surpassing"; "your " dropped unless it is the
// armour). Nothing when the line lacks either part.
std::optional<ItemSpellCast> ParseItemSpellCast(std::string_view text);

// The one line that replaces a burst: the first line up to its first " on ", then the ending.
std::string CombinedBurstLine(std::string_view first, std::string_view ending);
// The position in a corpse location line: "Your corpse is located at (" and ")." removed.
std::string CorpseCoordsText(std::string_view text);
// The text without its last character ("" stays "").
std::string DropLastChar(std::string_view text);

}  // namespace mellox::ChatLineText
