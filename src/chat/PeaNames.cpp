#include "chat/PeaNames.h"

#include <string_view>

namespace mellox {

namespace {

// Scarabs, talismans and tapers drop their last word for the pea ("Lead
// Scarab" -> "Lead Pea"); every other component keeps its whole name.
enum class Kind { Whole, DropLastWord };

struct Component {
  std::string_view name;
  Kind kind;
};

constexpr Component kComponents[] = {
    {"Lead Scarab", Kind::DropLastWord},         {"Iron Scarab", Kind::DropLastWord},
    {"Copper Scarab", Kind::DropLastWord},       {"Silver Scarab", Kind::DropLastWord},
    {"Gold Scarab", Kind::DropLastWord},         {"Pyreal Scarab", Kind::DropLastWord},
    {"Hyssop", Kind::Whole},                     {"Mandrake", Kind::Whole},
    {"Saffron", Kind::Whole},                    {"Damiana", Kind::Whole},
    {"Mugwort", Kind::Whole},                    {"Bistort", Kind::Whole},
    {"Wormwood", Kind::Whole},                   {"Ginseng", Kind::Whole},
    {"Hawthorn", Kind::Whole},                   {"Vervain", Kind::Whole},
    {"Myrrh", Kind::Whole},                      {"Eyebright", Kind::Whole},
    {"Frankincense", Kind::Whole},               {"Dragonsblood", Kind::Whole},
    {"Comfrey", Kind::Whole},                    {"Yarrow", Kind::Whole},
    {"Powdered Agate", Kind::Whole},             {"Powdered Amber", Kind::Whole},
    {"Powdered Azurite", Kind::Whole},           {"Powdered Bloodstone", Kind::Whole},
    {"Powdered Carnelian", Kind::Whole},         {"Powdered Hematite", Kind::Whole},
    {"Powdered Lapis Lazuli", Kind::Whole},      {"Powdered Malachite", Kind::Whole},
    {"Powdered Moonstone", Kind::Whole},         {"Powdered Onyx", Kind::Whole},
    {"Powdered Quartz", Kind::Whole},            {"Powdered Turquoise", Kind::Whole},
    {"Brimstone", Kind::Whole},                  {"Cadmia", Kind::Whole},
    {"Cinnabar", Kind::Whole},                   {"Cobalt", Kind::Whole},
    {"Colcothar", Kind::Whole},                  {"Gypsum", Kind::Whole},
    {"Quicksilver", Kind::Whole},                {"Realgar", Kind::Whole},
    {"Stibnite", Kind::Whole},                   {"Turpeth", Kind::Whole},
    {"Verdigris", Kind::Whole},                  {"Vitriol", Kind::Whole},
    {"Poplar Talisman", Kind::DropLastWord},     {"Blackthorn Talisman", Kind::DropLastWord},
    {"Yew Talisman", Kind::DropLastWord},        {"Hemlock Talisman", Kind::DropLastWord},
    {"Alder Talisman", Kind::DropLastWord},      {"Ebony Talisman", Kind::DropLastWord},
    {"Birch Talisman", Kind::DropLastWord},      {"Oak Talisman", Kind::DropLastWord},
    {"Ashwood Talisman", Kind::DropLastWord},    {"Elder Talisman", Kind::DropLastWord},
    {"Hazel Talisman", Kind::DropLastWord},      {"Rowan Talisman", Kind::DropLastWord},
    {"Willow Talisman", Kind::DropLastWord},     {"Cedar Talisman", Kind::DropLastWord},
    {"Red Taper", Kind::DropLastWord},           {"Pink Taper", Kind::DropLastWord},
    {"Orange Taper", Kind::DropLastWord},        {"Yellow Taper", Kind::DropLastWord},
    {"Green Taper", Kind::DropLastWord},         {"Turquoise Taper", Kind::DropLastWord},
    {"Blue Taper", Kind::DropLastWord},          {"Indigo Taper", Kind::DropLastWord},
    {"Violet Taper", Kind::DropLastWord},        {"Brown Taper", Kind::DropLastWord},
    {"White Taper", Kind::DropLastWord},         {"Grey Taper", Kind::DropLastWord},
    {"Prismatic Taper", Kind::DropLastWord},
};
static_assert(std::size(kComponents) == 73);

}  // namespace

std::string PeaNames::PeaName(const std::string& component) {
  for (const auto& c : kComponents) {
    if (component != c.name) continue;
    std::string_view stem = c.name;
    if (c.kind == Kind::DropLastWord) stem = stem.substr(0, stem.rfind(' '));
    return std::string(stem) + " Pea";
  }
  return "Unknown Pea";
}

}  // namespace mellox
