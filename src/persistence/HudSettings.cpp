#include "persistence/HudSettings.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "core/Globals.h"
#include "core/HubConvert.h"
#include "core/VBError.h"
#include "persistence/PersistenceLinks.h"
#include "persistence/XmlFiles.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

using persistence::AddElement;
using persistence::SetAttr;
using persistence::VariantText;

// File order of the HUD elements; row elements follow their HUD.
constexpr std::array<const char*, 9> kHudElements = {
    "HUD_All", "HUD_Clock", "Clock_List", "HUD_Main", "HUD_LIST", "HUD_Items", "HUD_Item", "HUD_Status", "HUD_Target",
};

pugi::xml_document& Kept() {
  static pugi::xml_document doc;
  return doc;
}

bool IsHudElement(std::string_view name) {
  for (const char* n : kHudElements) {
    if (name == n) return true;
  }
  return false;
}

std::int32_t IconOf(const platform::Variant& cell) {
  try {
    return persistence::VariantLong(cell);
  } catch (const VBError&) {
    return 0;
  }
}

std::string HudColor(platform::ListControl& list, std::int32_t column, std::int32_t row) {
  return Hub::GetColorFromHUDIcon(IconOf(list.DataGet(column, row, 1)));
}

HudWindowState Window(HudId hud) {
  if (Links().HudWindow) {
    if (auto state = Links().HudWindow(hud)) return *state;
  }
  return HudWindowState{};
}

// Writers of the attributes every HUD element shares.
struct HudWriter {
  ControlHandler& ch;
  pugi::xml_node e;
  std::int32_t row;
  HudWindowState window;

  std::string Cell(std::int32_t column) { return VariantText(ch.HudGeneral->DataGet(column, row, 0)); }
  void On() { SetAttr(e, "on", Cell(0)); }
  void Font() { SetAttr(e, "font", Cell(2)); }
  void Size() { SetAttr(e, "size", Cell(3)); }
  void Background() {
    SetAttr(e, "bgcolor", HudColor(*ch.HudGeneral, 4, row));
    SetAttr(e, "alpha", Cell(5));
  }
  void Place() {
    SetAttr(e, "x", window.x);
    SetAttr(e, "y", window.y);
  }
  void Tail() {
    SetAttr(e, "outline", Cell(6));
    SetAttr(e, "dockh", window.dockHorz);
    SetAttr(e, "dockv", window.dockVert);
    SetAttr(e, "drawtitle", window.drawTitle);
  }
};

HudWriter StartHud(ControlHandler& ch, pugi::xml_node root, const char* name, HudId hud) {
  return HudWriter{ch, AddElement(root, name), static_cast<std::int32_t>(hud), Window(hud)};
}

void WriteFromView(ControlHandler& ch, pugi::xml_node root) {
  SetAttr(AddElement(root, "HUD_All"), "on", ch.HudOn->CheckedGet());

  {
    HudWriter w = StartHud(ch, root, "HUD_Clock", HudId::Clock);
    w.On();
    SetAttr(w.e, "disp", ch.HudClockDisp->CheckedGet());
    SetAttr(w.e, "datedisp", ch.HudClockDateDisp->CheckedGet());
    SetAttr(w.e, "label", ch.HudClockLabel->CheckedGet());
    SetAttr(w.e, "hour", ch.HudClockHour->CheckedGet());
    SetAttr(w.e, "shortdate", ch.HudClockShort->CheckedGet());
    SetAttr(w.e, "color", ch.HudClockColor->SelectedGet());
    w.Font();
    w.Size();
    w.Background();
    w.Place();
    w.Tail();
  }
  {
    platform::ListControl& list = *ch.HudClockList;
    for (std::int32_t row = 0, n = list.Count(); row < n; ++row) {
      pugi::xml_node e = AddElement(root, "Clock_List");
      SetAttr(e, "name", VariantText(list.DataGet(1, row, 0)));
      SetAttr(e, "enabled", VariantText(list.DataGet(0, row, 0)));
      SetAttr(e, "color", HudColor(list, 4, row));
    }
  }
  {
    HudWriter w = StartHud(ch, root, "HUD_Main", HudId::Main);
    w.On();
    w.Font();
    w.Size();
    w.Background();
    SetAttr(w.e, "timeout", ch.HudTimeout->SelectedGet());
    w.Place();
    SetAttr(w.e, "label", ch.HudMainLbl->CheckedGet());
    w.Tail();
  }
  {
    platform::ListControl& list = *ch.HudList;
    for (std::int32_t row = 0, n = list.Count(); row < n; ++row) {
      pugi::xml_node e = AddElement(root, "HUD_LIST");
      SetAttr(e, "name", VariantText(list.DataGet(1, row, 0)));
      SetAttr(e, "enabled", VariantText(list.DataGet(0, row, 0)));
      SetAttr(e, "color", HudColor(list, 2, row));
    }
  }
  {
    HudWriter w = StartHud(ch, root, "HUD_Items", HudId::Items);
    w.On();
    SetAttr(w.e, "color", ch.HudItemsColor->SelectedGet());
    w.Size();
    w.Font();
    w.Background();
    SetAttr(w.e, "iconsize", ch.HudItemsIconSize->SelectedGet());
    SetAttr(w.e, "horz", ch.HudItemsHorz->CheckedGet());
    w.Place();
    w.Tail();
  }
  {
    platform::ListControl& list = *ch.HudItems;
    for (std::int32_t row = 0, n = list.Count(); row < n; ++row) {
      pugi::xml_node e = AddElement(root, "HUD_Item");
      SetAttr(e, "name", VariantText(list.DataGet(1, row, 0)));
      SetAttr(e, "enabled", VariantText(list.DataGet(0, row, 0)));
      SetAttr(e, "count", VariantText(list.DataGet(2, row, 0)));
      SetAttr(e, "icon", VariantText(list.DataGet(6, row, 0)));
    }
  }
  {
    HudWriter w = StartHud(ch, root, "HUD_Status", HudId::Status);
    w.On();
    SetAttr(w.e, "color", ch.HudStatusColor->SelectedGet());
    SetAttr(w.e, "lines", ch.HudStatusLines->SelectedGet());
    w.Font();
    w.Size();
    w.Background();
    w.Place();
    w.Tail();
  }
  {
    HudWriter w = StartHud(ch, root, "HUD_Target", HudId::Target);
    w.On();
    SetAttr(w.e, "color", ch.HudTargetColor->SelectedGet());
    w.Font();
    w.Size();
    w.Background();
    w.Place();
    w.Tail();
    SetAttr(w.e, "level", ch.HudTargetLevel->SelectedGet());
  }
}

}  // namespace

void HudSettings::BeginLoad() { Kept().reset(); }

bool HudSettings::Apply(ControlHandler&, pugi::xml_node element, const std::string&) {
  if (!IsHudElement(element.name())) return false;
  Kept().append_copy(element);
  return true;
}

bool HudSettings::HoldsKeptElements() { return static_cast<bool>(Kept().first_child()); }

void HudSettings::Write(ControlHandler& ch, pugi::xml_node root) {
  if (!HoldsKeptElements()) {
    WriteFromView(ch, root);
    return;
  }
  // Kept elements go back in file order, each kind in the order it was read.
  for (const char* name : kHudElements) {
    for (pugi::xml_node kept : Kept().children(name)) {
      pugi::xml_node e = AddElement(root, name);
      for (pugi::xml_attribute a : kept.attributes()) SetAttr(e, a.name(), std::string_view(a.value()));
    }
  }
}

}  // namespace mellox
