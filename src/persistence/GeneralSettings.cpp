#include "persistence/GeneralSettings.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "core/ViewHandler.h"
#include "persistence/AttributeReader.h"
#include "persistence/PersistenceLinks.h"
#include "persistence/XmlFiles.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

using persistence::AddElement;
using persistence::SetAttr;

// The plug-in's own lines (chat type 32) follow the output boxes.
constexpr std::int16_t kOwnChatType = 32;

platform::HostView& MainView() {
  if (ViewHandlerInstance == nullptr) Raise(91);
  return *ViewHandlerInstance->MainView;
}

// left + size, or nullopt when the sum leaves the 32-bit range.
std::optional<std::int32_t> Extend(std::int32_t start, std::int32_t size) {
  const std::int64_t sum = static_cast<std::int64_t>(start) + size;
  if (sum > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(sum);
}

void ApplyLocation(const AttributeReader& r) {
  ViewTop = r.Long("y", 0);
  ViewLeft = r.Long("x", 0);
  // A place whose far edge would overflow is damaged: the view goes to 0 on that axis.
  if (!Extend(ViewLeft, GeneralSettings::kViewWidth)) {
    r.ReportBad(6, "x", r.Text("x", ""), "0");
    ViewLeft = 0;
  }
  if (!Extend(ViewTop, GeneralSettings::kViewHeight)) {
    r.ReportBad(6, "y", r.Text("y", ""), "0");
    ViewTop = 0;
  }
  const platform::Rect rect{ViewLeft, ViewTop, ViewLeft + GeneralSettings::kViewWidth,
                            ViewTop + GeneralSettings::kViewHeight};
  Hub::wtcw_debug(vb::CStr(rect.top) + ", " + vb::CStr(rect.left) + ", " + vb::CStr(rect.right) + ", " +
                  vb::CStr(rect.bottom));
  MainView().PositionLet(rect);
}

void ApplyExp(ControlHandler& ch, const AttributeReader& r) {
  ch.XPAuto->CheckedLet(r.Bool("auto", false));
  ch.XPFilter->CheckedLet(r.Bool("filter", false));
  ch.XPFilterThreshold->TextLet(r.Text("filterthreshold", "750"));
}

void ApplyCorpses(ControlHandler& ch, const AttributeReader& r) {
  ch.CorpsesTrack->CheckedLet(r.Bool("track", true));
  ch.CorpsesAbsolute->CheckedLet(r.Bool("absolute", false));
  ch.CorpsesAuto->CheckedLet(r.Bool("auto", false));
}

void ApplySpells(ControlHandler& ch, const AttributeReader& r) {
  ch.SpellsOffset->TextLet(r.Text("offset", "0"));
  ch.SelectedSpell = r.Text("selected", "");
  if (ch.SelectedSpell == "-1") ch.SelectedSpell.clear();
  ch.SpellsItem->CheckedLet(r.Bool("trackitem", false));
  ch.SpellsBeers->CheckedLet(r.Bool("beers", false));
}

void ApplyOutputWindows(ControlHandler& ch, const AttributeReader& r) {
  platform::CheckBoxControl* boxes[] = {&*ch.OutputMain, &*ch.Output1, &*ch.Output2, &*ch.Output3, &*ch.Output4};
  const char* names[] = {"main", "win1", "win2", "win3", "win4"};
  bool on[5] = {};
  struct Bad {
    int box;
    int number;
  };
  std::vector<Bad> bad;
  for (int i = 0; i < 5; ++i) {
    const std::optional<std::string> raw = r.Raw(names[i]);
    if (!raw) continue;
    try {
      on[i] = vb::CBool(*raw);
    } catch (const VBError& e) {
      bad.push_back({i, e.Number()});
    }
  }
  // Damage must not leave the plug-in's own lines (its greeting, its help) in no window at all.
  const bool keepMain = !bad.empty() && std::none_of(std::begin(on), std::end(on), [](bool b) { return b; });
  if (keepMain) on[0] = true;
  for (const Bad& b : bad) {
    const char* used = b.box == 0 ? persistence::BoolText(on[0])
                       : keepMain ? "False, and the main window on"
                                  : "False";
    r.ReportBad(b.number, names[b.box], *r.Raw(names[b.box]), used);
  }
  for (int i = 0; i < 5; ++i) boxes[i]->CheckedLet(on[i]);
  // The routing follows the boxes as they now stand, not their change events.
  const auto& route = Links().SetTargetList;
  for (std::int16_t i = 0; i < 5; ++i) {
    const bool on = boxes[i]->CheckedGet();
    if (route) route(i, kOwnChatType, on);
  }
}

}  // namespace

bool GeneralSettings::Apply(ControlHandler& ch, pugi::xml_node element, const std::string& procedure) {
  const std::string_view name = element.name();
  const AttributeReader r(element, procedure);
  if (name == "Exp") {
    ApplyExp(ch, r);
  } else if (name == "Output_Windows") {
    ApplyOutputWindows(ch, r);
  } else if (name == "Location") {
    ApplyLocation(r);
  } else if (name == "Corpses") {
    ApplyCorpses(ch, r);
  } else if (name == "Spells") {
    ApplySpells(ch, r);
  } else if (name == "Selected_Spell") {
    ch.SelectedSpell = element.text().get();
  } else {
    return false;
  }
  return true;
}

void GeneralSettings::WriteLocation(ControlHandler&, pugi::xml_node root) {
  const platform::Rect rect = MainView().PositionGet();
  pugi::xml_node e = AddElement(root, "Location");
  SetAttr(e, "x", std::int64_t{rect.left});
  SetAttr(e, "y", std::int64_t{rect.top});
}

void GeneralSettings::WriteExp(ControlHandler& ch, pugi::xml_node root) {
  pugi::xml_node e = AddElement(root, "Exp");
  SetAttr(e, "auto", ch.XPAuto->CheckedGet());
  SetAttr(e, "filter", ch.XPFilter->CheckedGet());
  SetAttr(e, "filterthreshold", ch.XPFilterThreshold->TextGet());
}

void GeneralSettings::WriteOutputWindows(ControlHandler& ch, pugi::xml_node root) {
  pugi::xml_node e = AddElement(root, "Output_Windows");
  SetAttr(e, "main", ch.OutputMain->CheckedGet());
  SetAttr(e, "win1", ch.Output1->CheckedGet());
  SetAttr(e, "win2", ch.Output2->CheckedGet());
  SetAttr(e, "win3", ch.Output3->CheckedGet());
  SetAttr(e, "win4", ch.Output4->CheckedGet());
}

void GeneralSettings::WriteSpells(ControlHandler& ch, pugi::xml_node root) {
  pugi::xml_node e = AddElement(root, "Spells");
  SetAttr(e, "selected", ch.SelectedSpell);
  SetAttr(e, "offset", ch.SpellsOffset->TextGet());
  SetAttr(e, "trackitem", ch.SpellsItem->CheckedGet());
  SetAttr(e, "beers", ch.SpellsBeers->CheckedGet());
}

void GeneralSettings::WriteCorpses(ControlHandler& ch, pugi::xml_node root) {
  pugi::xml_node e = AddElement(root, "Corpses");
  SetAttr(e, "track", ch.CorpsesTrack->CheckedGet());
  SetAttr(e, "absolute", ch.CorpsesAbsolute->CheckedGet());
  SetAttr(e, "auto", ch.CorpsesAuto->CheckedGet());
}

}  // namespace mellox
