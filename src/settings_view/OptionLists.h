// The fixed rows of the six option lists of the settings view, with their
// default cells. Row names are keys: other parts find rows by these exact
// texts, and the settings files store rows by them.
#pragma once

#include <array>
#include <cstdint>

namespace mellox::OptionLists {

// Column 1 of the row being edited, and of every other row.
inline constexpr std::int32_t kRowHighlightColor = 0xFFFF80;
inline constexpr std::int32_t kRowPlainColor = 0xFFFFFF;

// Own swatch icons (drawn from the plug-in's resources) and game icons.
inline constexpr std::int32_t kIconWhiteSwatch = 101;
inline constexpr std::int32_t kIconBlackSwatch = 116;
inline constexpr std::int32_t kIconMoveDown = 0x060028FD;
inline constexpr std::int32_t kIconMoveUp = 0x060028FC;

inline constexpr std::array<const char*, 5> kHudGeneralRows = {"Main", "Clock", "Items", "Status", "Target"};
inline constexpr std::int32_t kHudGeneralStatusRow = 3;
inline constexpr std::int32_t kHudGeneralTargetRow = 4;

inline constexpr std::array<const char*, 19> kChatOptionRows = {
    "Show All XP Changes",
    "Add XP to Level",
    "Add XP/Hr",
    "Add Time to Level",
    "Kill: Show Monster XP",
    "Kill: Show Unassigned XP",
    "Kill: Show XP to Level",
    "Kill: Show XP/Hr",
    "Kill: Show Kills to Level",
    "Kill: Show Time to Level",
    "Improved Vitae Message",
    "Show Comp Count on Burn",
    "Filter Nonexpired Spells",
    "Combine Item Spell Cast and Expire",
    "No Clickable Names",
    "Buffs Expiration Warning",
    "Running Low on Item Warning",
    "Send Rare Message to All Windows",
    "Show Friends Online on Login",
};

inline constexpr std::array<const char*, 38> kChatColorRows = {
    "Mellox",          "Open Chat In",       "Open Chat Out",     "Emotes",          "Tells In",
    "Tells Out",       "NPC Tell",           "Fellowship In",     "Fellowship Out",  "Patron In",
    "Patron Out",      "Vassal In",          "Vassal Out",        "Covassal In",     "Covassal Out",
    "Allegiance Chat", "General Chat",       "Trade Chat",        "LFG Chat",        "Roleplay Chat",
    "Your Spells",     "Other Spells",       "Spellwords",        "Comp Burn",       "Your Resists",
    "Spell Expiration", "Recalls",           "Vitae",             "Your War Combat", "Enemy War Combat",
    "Your Melee Combat", "Enemy Melee Combat", "Your Crits",      "Enemy Crits",     "Your Evades",
    "Enemy Evades",    "0 Damage Hits",      "Kill Message",
};

inline constexpr std::array<const char*, 15> kHudListRows = {
    "Level",      "Session Time", "Session XP", "Session XP/Hour", "5 Minute Avg",
    "Total Time", "Total XP",     "Total XP/Hour", "Next Level",   "Unassigned",
    "Kills",      "Coords",       "Corpse",     "Next Buff",       "XP Change",
};
// Lines a settings file from before format 1 did not know: they start hidden.
inline constexpr std::int32_t kHudListFirstNewRow = 4;
inline constexpr std::int32_t kHudListLastNewRow = 7;

struct ChatLogRow {
  const char* name;
  bool inMemory;  // column 2: kept in the log view
};
inline constexpr std::array<ChatLogRow, 19> kChatLogRows = {{
    {"Open Chat", false},  {"Tells", true},    {"Fellowship", true}, {"Patron/Covassal", true},
    {"Vassal", true},      {"Allegiance", false}, {"Channels", false}, {"Magic", false},
    {"Spellwords", false}, {"Combat", false},  {"System", false},    {"Recalls", false},
    {"Tinkers", false},    {"Rares", false},   {"Stat Raises", false}, {"Level", false},
    {"Vitae", false},      {"Mellox", false},  {"Other", false},
}};

struct ClockRow {
  const char* name;
  bool shown;          // column 0
  const char* offset;  // column 2: hours from UTC
};
// "Your Time" gets the local offset, worked out at every fill (and by the
// clock HUD whenever it fills the zone times, so it follows the machine).
inline constexpr std::int32_t kClockYourTimeRow = 3;
inline constexpr std::array<ClockRow, 30> kHudClockRows = {{
    {"Down Timer", true, ""}, {"Up Timer", true, ""}, {"Date", false, ""}, {"Your Time", true, ""},
    {"Game Time", false, "-5"}, {"Y", false, "-12"},  {"X", false, "-11"},   {"HST", false, "-10"},
    {"AKST", false, "-9"},      {"PST", false, "-8"}, {"MST", false, "-7"},  {"CST", false, "-6"},
    {"EST", false, "-5"},       {"AST", false, "-4"}, {"P", false, "-3"},    {"O", false, "-2"},
    {"N", false, "-1"},         {"WET", false, "0"},  {"CET", false, "+1"},  {"EET", false, "+2"},
    {"C", false, "+3"},         {"D", false, "+4"},   {"E", false, "+5"},    {"F", false, "+6"},
    {"G", false, "+7"},         {"AWST", false, "+8"}, {"JST", false, "+9"}, {"AEST", false, "+10"},
    {"L", false, "+11"},        {"M", false, "+12"},
}};

}  // namespace mellox::OptionLists
