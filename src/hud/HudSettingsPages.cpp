#include "hud/HudSettingsPages.h"

#include <array>
#include <utility>

#include "chat/CellValue.h"
#include "core/Globals.h"
#include "core/HubConvert.h"
#include "core/TimerHandler.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "hud/HudRoster.h"
#include "hud/HudWindow.h"
#include "settings_view/ControlHandler.h"
#include "settings_view/OptionLists.h"
#include "tracking/Statistics.h"

namespace mellox {

namespace ol = OptionLists;

namespace {

constexpr const char* kClass = "ControlHandler";
constexpr std::int32_t kIconDelete = 0x060011F8;

// The order in which the master switch visits the HUDs.
constexpr std::array<HudId, 5> kSwitchOrder = {HudId::Clock, HudId::Main, HudId::Items, HudId::Status,
                                               HudId::Target};

// Column 1 of the selected row is highlighted, every other row's is plain.
void Highlight(platform::ListControl& list, std::int32_t row) {
  for (std::int32_t r = 0, n = list.Count(); r < n; ++r) {
    list.ColorLet(1, r, r == row ? ol::kRowHighlightColor : ol::kRowPlainColor);
  }
}

// Selects the first entry that matches; with none the selection stays.
template <class Match>
void SelectFirst(platform::ChoiceControl& choice, Match match) {
  for (std::int32_t i = 0, n = choice.ChoiceCount(); i < n; ++i) {
    if (match(i)) {
      choice.SelectedLet(i);
      return;
    }
  }
}

// The HUD colour name of a swatch cell.
std::string SwatchColor(platform::ListControl& list, std::int32_t column, std::int32_t row) {
  return Hub::GetColorFromHUDIcon(CellLong(list.DataGet(column, row, 1)));
}

void SetSwatch(platform::ListControl& list, std::int32_t column, std::int32_t row, const std::string& colorName) {
  list.DataLet(column, row, 1, Hub::GetColorFromIcon(colorName));
}

HudWindow* EngineOfRow(std::int32_t row) {
  const auto hud = HudRoster::FromRow(row);
  return hud ? HudRoster::Engine(*hud) : nullptr;
}

void CreateRow(std::int32_t row) {
  if (const auto hud = HudRoster::FromRow(row)) HudRoster::CreateHUD(*hud);
}

FilterHandler& Filter() {
  if (!FilterHandlerInstance) Raise(91);
  return *FilterHandlerInstance;
}

struct CellRef {
  std::int32_t column;
  std::int32_t subvalue;
};

// Moves a row one place down: its cells are read, the row deleted and
// inserted again below the row that took its place.
template <std::size_t N>
void MoveRowDown(platform::ListControl& list, std::int32_t row, const std::array<CellRef, N>& cells,
                 void (*writeIcons)(platform::ListControl&, std::int32_t)) {
  std::array<platform::Variant, N> values;
  for (std::size_t i = 0; i < N; ++i) values[i] = list.DataGet(cells[i].column, row, cells[i].subvalue);
  list.DeleteRow(row);
  list.InsertRow(row + 1);
  for (std::size_t i = 0; i < N; ++i) list.DataLet(cells[i].column, row + 1, cells[i].subvalue, values[i]);
  writeIcons(list, row + 1);
}

// A main-HUD line moves with its tick, name and swatch (the swatch's module
// handle too, or the host would draw a game icon of that number instead).
constexpr std::array<CellRef, 4> kMainLineCells = {{{0, 0}, {1, 0}, {2, 0}, {2, 1}}};

void WriteMainLineIcons(platform::ListControl& list, std::int32_t row) {
  list.DataLet(3, row, 1, ol::kIconMoveDown);
  list.DataLet(4, row, 1, ol::kIconMoveUp);
}

constexpr std::array<CellRef, 4> kItemCells = {{{0, 0}, {1, 0}, {2, 0}, {6, 0}}};

void WriteItemIcons(platform::ListControl& list, std::int32_t row) {
  list.DataLet(3, row, 1, ol::kIconMoveDown);
  list.DataLet(4, row, 1, ol::kIconMoveUp);
  list.DataLet(5, row, 1, kIconDelete);
}

// The count a watched item is stored with: a number not below 0, else "0".
std::string WatchedCount(const std::string& typed) {
  if (!vb::IsNumeric(typed) || vb::CDbl(typed) < 0) return "0";
  return typed;
}

void AddWatchedItem(ControlHandler& ch, const std::string& name) {
  const std::string count = WatchedCount(ch.HudItemsCount->TextGet());
  if (name.empty() || count.empty()) return;
  platform::ListControl& items = *ch.HudItems;
  std::int32_t row = -1;
  for (std::int32_t r = 0, n = items.Count(); r < n; ++r) {
    if (CellText(items.DataGet(1, r, 0)) == name) {
      row = r;
      break;
    }
  }
  if (row < 0) row = items.AddRow();
  items.DataLet(0, row, 0, true);
  items.DataLet(1, row, 0, name);
  items.DataLet(2, row, 0, count);
  items.DataLet(6, row, 0, Filter().GetIcon(name));
  WriteItemIcons(items, row);
  ch.Settings_Save(0);
  HudRoster::CreateHUD(HudId::Items);
}

// Wraps a control event's handler in a trap under the handler's own name.
template <class F>
auto Trapped(const char* proc, F body) {
  return [proc, body](auto... args) { Trap(proc, kClass, [&] { body(args...); }); };
}

}  // namespace

// --- Shared with the settings loader --------------------------------------------------

std::string HudPages::FaceOf(const std::string& shortName) {
  for (const auto& [shortFont, face] : FontNames) {
    if (shortFont == shortName) return face;
  }
  return {};
}

double HudPages::RowBackground(platform::ListControl& general, std::int32_t row) {
  const std::string colour = SwatchColor(general, 4, row);
  const std::int32_t step = Hub::GetAlphaStep(CellText(general.DataGet(5, row, 0)));
  return Hub::ConvertColor(colour, step);
}

void HudPages::SetXPChangeOn(ControlHandler& ch) {
  const std::int16_t row = ch.FindName("XP Change", "HudList");
  const bool shown = row >= 0 && CellBool(ch.HudList->DataGet(0, row, 0));
  if (!StatisticsInstance) Raise(91);
  StatisticsInstance->XPChangeOn = shown;
}

// --- Master switch and general HUD list ------------------------------------------------

void ControlHandler::HudOn_Change(bool ticked) {
  if (!PluginActive) return;
  for (HudId hud : kSwitchOrder) {
    HudWindow* engine = HudRoster::Engine(hud);
    if (ticked) {
      const bool shown = CellBool(HudGeneral->DataGet(0, static_cast<std::int32_t>(hud), 0));
      if (engine) engine->SetEnabled(shown);
    } else if (engine) {
      engine->HUDOff();
    }
  }
  Settings_Save(0);
  HudRoster::UpdateHUD(HudId::Main);
  HudRoster::UpdateHUD(HudId::Clock);
  HudRoster::UpdateHUD(HudId::Items);
  HudRoster::CreateHUD(HudId::Target);
  HudRoster::CreateHUD(HudId::Status);
}

void ControlHandler::HudGeneral_Change(std::int32_t column, std::int32_t row) {
  if (!PluginActive) return;
  platform::ListControl& general = *HudGeneral;
  SelectedHudGeneralRow = row;
  Highlight(general, row);
  if (column >= 1 && column <= 5) {
    const std::string colour = SwatchColor(general, 4, row);
    SelectFirst(*HudGeneralBGColor, [&](std::int32_t i) { return HudGeneralBGColor->TextGet(i) == colour; });
    const std::string alpha = CellText(general.DataGet(5, row, 0));
    SelectFirst(*HudGeneralBGAlpha, [&](std::int32_t i) { return HudGeneralBGAlpha->TextGet(i) == alpha; });
    const std::string font = CellText(general.DataGet(2, row, 0));
    SelectFirst(*HudGeneralFont, [&](std::int32_t i) { return HudGeneralFont->TextGet(i) == font; });
    const std::string size = CellText(general.DataGet(3, row, 0));
    SelectFirst(*HudGeneralSize, [&](std::int32_t i) { return HudGeneralSize->TextGet(i) == size; });
  } else if (column == 0 || column == 6) {
    const bool shown = CellBool(general.DataGet(0, row, 0));
    const bool outline = CellBool(general.DataGet(6, row, 0));
    if (HudWindow* engine = EngineOfRow(row)) {
      if (HudOn->CheckedGet()) engine->SetEnabled(shown);
      engine->SetOutline(outline);
      engine->UpdatePos();
    }
    // Saved before the HUD is re-created, so a failing redraw loses no change.
    Settings_Save(0);
    CreateRow(row);
  }
  Settings_Save(0);
}

void ControlHandler::HudGeneralFont_Change(std::int32_t index) {
  if (!PluginActive) return;
  Trap("HudGeneralFont_Change", kClass, [&] {
    const std::int32_t row = SelectedHudGeneralRow;
    HudGeneral->DataLet(2, row, 0, HudGeneralFont->TextGet(index));
    if (HudWindow* engine = EngineOfRow(row)) engine->SetFontFace(CellText(HudGeneralFont->DataGet(index)));
    CreateRow(row);
    Settings_Save(0);
  });
}

void ControlHandler::HudGeneralSize_Change(std::int32_t index) {
  if (!PluginActive) return;
  Trap("HudGeneralSize_Change", kClass, [&] {
    const std::int32_t row = SelectedHudGeneralRow;
    const std::string text = HudGeneralSize->TextGet(index);
    // Converted before anything is written: a size that is no number changes nothing.
    const std::int32_t size = vb::CLng(std::string_view(text));
    HudGeneral->DataLet(3, row, 0, text);
    if (HudWindow* engine = EngineOfRow(row)) engine->SetFontSize(size);
    CreateRow(row);
    Settings_Save(0);
  });
}

namespace {

// The colour and the transparency choices set one cell each; the HUD then
// takes its background from its row's two cells, as a settings load does, so
// what it shows never depends on a choice still showing another row.
void BackgroundChanged(ControlHandler& ch, std::int32_t row) {
  if (HudWindow* engine = EngineOfRow(row)) engine->SetBackgroundColor(HudPages::RowBackground(*ch.HudGeneral, row));
  CreateRow(row);
  ch.Settings_Save(0);
}

}  // namespace

void ControlHandler::HudGeneralBGColor_Change() {
  if (!PluginActive) return;
  Trap("HudGeneralBGColor_Change", kClass, [&] {
    const std::int32_t row = SelectedHudGeneralRow;
    SetSwatch(*HudGeneral, 4, row, HudGeneralBGColor->TextGet(HudGeneralBGColor->SelectedGet()));
    BackgroundChanged(*this, row);
  });
}

void ControlHandler::HudGeneralBGAlpha_Change() {
  if (!PluginActive) return;
  Trap("HudGeneralBGAlpha_Change", kClass, [&] {
    const std::int32_t row = SelectedHudGeneralRow;
    HudGeneral->DataLet(5, row, 0, HudGeneralBGAlpha->TextGet(HudGeneralBGAlpha->SelectedGet()));
    BackgroundChanged(*this, row);
  });
}

// --- Main HUD lines ----------------------------------------------------------------------

void ControlHandler::HudList_Change(std::int32_t column, std::int32_t row) {
  if (!PluginActive) return;
  Trap("HudList_Change", kClass, [&] {
    platform::ListControl& lines = *HudList;
    const std::int32_t count = lines.Count();
    std::int32_t upper = -1;  // the upper row of a move
    if (column >= 0 && column <= 2) {
      SelectedHudListRow = row;
      Highlight(lines, row);
      const std::string colour = SwatchColor(lines, 2, row);
      SelectFirst(*HudMainColor, [&](std::int32_t i) { return CellText(HudMainColor->DataGet(i)) == colour; });
    } else if (column == 3 && row >= 0 && row < count - 1) {
      upper = row;
    } else if (column == 4 && row > 0 && row < count) {
      upper = row - 1;
    }
    // A move leaves the selected row index and the other rows' highlight as
    // they are: the colour choice goes on acting on that index.
    if (upper >= 0) MoveRowDown(lines, upper, kMainLineCells, WriteMainLineIcons);
    HudPages::SetXPChangeOn(*this);
    Settings_Save(0);
    HudRoster::CreateHUD(HudId::Main);
  });
}

void ControlHandler::HudMainColor_Change(std::int32_t index) {
  if (!PluginActive) return;
  Trap("HudMainColor_Change", kClass, [&] {
    SetSwatch(*HudList, 2, SelectedHudListRow, CellText(HudMainColor->DataGet(index)));
    Settings_Save(0);
    HudRoster::CreateHUD(HudId::Main);
  });
}

void ControlHandler::HudMainAll_Accepted() {
  if (!PluginActive) return;
  Trap("HudMainAll_Accepted", kClass, [&] {
    const std::string colour = HudMainColor->TextGet(HudMainColor->SelectedGet());
    platform::ListControl& lines = *HudList;
    for (std::int32_t r = 0, n = lines.Count(); r < n; ++r) SetSwatch(lines, 2, r, colour);
    Settings_Save(0);
    HudRoster::CreateHUD(HudId::Main);
  });
}

void ControlHandler::HudMainLbl_Change() {
  if (!PluginActive) return;
  Settings_Save(0);
  HudRoster::CreateHUD(HudId::Main);
}

void ControlHandler::HudTimeout_Change() {
  if (!PluginActive) return;
  const std::int32_t interval = CellLong(HudTimeout->DataGet(HudTimeout->SelectedGet()));
  if (!TimerHandlerInstance) Raise(91);
  TimerHandlerInstance->StartMainHUDTime(interval);
  Settings_Save(0);
}

// --- Clock list, options and timers ----------------------------------------------------------

void ControlHandler::HudClockList_Change(std::int32_t id, std::int32_t column, std::int32_t row) {
  (void)column;
  if (id == -1 || !PluginActive) return;
  Trap("HudClockList_Change", kClass, [&] {
    platform::ListControl& clock = *HudClockList;
    SelectedHudClockRow = row;
    Highlight(clock, row);
    const std::string colour = SwatchColor(clock, 4, row);
    SelectFirst(*HudClockColor, [&](std::int32_t i) { return HudClockColor->TextGet(i) == colour; });
    Settings_Save(0);
    HudRoster::CreateHUD(HudId::Clock);
  });
}

void ControlHandler::HudClockColor_Change(std::int32_t index) {
  if (!PluginActive) return;
  SetSwatch(*HudClockList, 4, SelectedHudClockRow, HudClockColor->TextGet(index));
  Settings_Save(0);
  HudRoster::CreateHUD(HudId::Clock);
}

void ControlHandler::HudClockAll_Accepted() {
  if (!PluginActive) return;
  Trap("HudClockAll_Accepted", kClass, [&] {
    const std::string colour = HudClockColor->TextGet(HudClockColor->SelectedGet());
    platform::ListControl& clock = *HudClockList;
    for (std::int32_t r = 0, n = clock.Count(); r < n; ++r) SetSwatch(clock, 4, r, colour);
    Settings_Save(0);
    HudRoster::CreateHUD(HudId::Clock);
  });
}

void ControlHandler::HudClockOption_Change() {
  if (!PluginActive) return;
  Settings_Save(0);
  HudRoster::CreateHUD(HudId::Clock);
}

// The timers are not options: the buttons work before login and save
// nothing. Before the first login has filled the clock list a timer starts
// or stops with no rows yet to show it in.
void ControlHandler::HudClockDown_Accepted() {
  HudRoster::ClockStartDnTime();
  if (HudClockList->Count() > 0) HudRoster::CreateHUD(HudId::Clock);
}

void ControlHandler::HudClockUp_Accepted() {
  HudRoster::ClockStartUpTime();
  if (HudClockList->Count() > 0) HudRoster::CreateHUD(HudId::Clock);
}

// --- Watched items -------------------------------------------------------------------------------

void ControlHandler::HudItemsAdd_Accepted() {
  if (!PluginActive) return;
  Trap("HudItemsAdd_Accepted", kClass, [&] { AddWatchedItem(*this, HudItemsText->TextGet()); });
}

void ControlHandler::HudItemsSel_Accepted() {
  if (!PluginActive) return;
  Trap("HudItemsSel_Accepted", kClass, [&] {
    FilterHandler& filter = Filter();
    const std::int32_t selected = filter.GetCurrentSelection();
    // Nothing selected in the game: nothing to add.
    if (selected == 0) return;
    AddWatchedItem(*this, filter.GetName(selected));
  });
}

void ControlHandler::HudItems_Change(std::int32_t column, std::int32_t row) {
  if (!PluginActive) return;
  platform::ListControl& items = *HudItems;
  const std::int32_t count = items.Count();
  if (column == 1 || column == 2) {
    HudItemsText->TextLet(CellText(items.DataGet(1, row, 0)));
    HudItemsCount->TextLet(CellText(items.DataGet(2, row, 0)));
  } else if (column == 3 && row >= 0 && row < count - 1) {
    MoveRowDown(items, row, kItemCells, WriteItemIcons);
  } else if (column == 4 && row > 0 && row < count) {
    MoveRowDown(items, row - 1, kItemCells, WriteItemIcons);
  } else if (column == 5 && row >= 0 && row < count) {
    items.DeleteRow(row);
  }
  Settings_Save(0);
  HudRoster::CreateHUD(HudId::Items);
}

void ControlHandler::HudItemsColor_Change() {
  if (!PluginActive) return;
  Settings_Save(0);
  HudRoster::CreateHUD(HudId::Items);
}

void ControlHandler::HudItemsIconSize_Change() {
  if (!PluginActive) return;
  const std::int32_t size = CellLong(HudItemsIconSize->DataGet(HudItemsIconSize->SelectedGet()));
  if (HudWindow* engine = HudRoster::Engine(HudId::Items)) engine->SetIconSize(size);
  Settings_Save(0);
  HudRoster::CreateHUD(HudId::Items);
}

void ControlHandler::HudItemsHorz_Change() {
  if (!PluginActive) return;
  Settings_Save(0);
  HudRoster::CreateHUD(HudId::Items);
}

// --- Status and target choices ------------------------------------------------------------------

void ControlHandler::HudTargetColor_Change(std::int32_t index) {
  if (!PluginActive) return;
  HudRoster::SetTargetFontColor(CellText(HudTargetColor->DataGet(index)));
  HudRoster::CreateHUD(HudId::Target);
  Settings_Save(0);
}

void ControlHandler::HudStatusColor_Change() {
  if (!PluginActive) return;
  HudRoster::CreateHUD(HudId::Status);
  Settings_Save(0);
}

void ControlHandler::HudStatusLines_Change() {
  if (PluginActive) Settings_Save(0);
}

void ControlHandler::HudTargetLevel_Change() {
  if (PluginActive) Settings_Save(0);
}

// --- Subscriptions ------------------------------------------------------------------------------------

void ControlHandler::SubscribeHudPageEvents() {
  auto& ev = events_;
  using Id = std::int32_t;

  // Boxes whose change re-creates a HUD or saves, whatever their state.
  struct Box {
    ObjRef<platform::CheckBoxControl>* box;
    const char* proc;
    void (ControlHandler::*handler)();
  };
  const Box boxes[] = {
      {&HudMainLbl, "HudMainLbl_Change", &ControlHandler::HudMainLbl_Change},
      {&HudClockDisp, "HudClockDisp_Change", &ControlHandler::HudClockOption_Change},
      {&HudClockDateDisp, "HudClockDateDisp_Change", &ControlHandler::HudClockOption_Change},
      {&HudClockShort, "HudClockShort_Change", &ControlHandler::HudClockOption_Change},
      {&HudClockHour, "HudClockHour_Change", &ControlHandler::HudClockOption_Change},
      {&HudClockLabel, "HudClockLabel_Change", &ControlHandler::HudClockOption_Change},
      {&HudItemsHorz, "HudItemsHorz_Change", &ControlHandler::HudItemsHorz_Change},
  };
  for (const Box& b : boxes) {
    if (!*b.box) continue;
    auto handler = b.handler;
    ev.push_back((*b.box)->Change.Connect(Trapped(b.proc, [this, handler](Id, bool) { (this->*handler)(); })));
  }

  // Choices whose handler reads the selection itself.
  struct Choice {
    ObjRef<platform::ChoiceControl>* choice;
    const char* proc;
    void (ControlHandler::*handler)();
  };
  const Choice choices[] = {
      {&HudGeneralBGColor, "HudGeneralBGColor_Change", &ControlHandler::HudGeneralBGColor_Change},
      {&HudGeneralBGAlpha, "HudGeneralBGAlpha_Change", &ControlHandler::HudGeneralBGAlpha_Change},
      {&HudTimeout, "HudTimeout_Change", &ControlHandler::HudTimeout_Change},
      {&HudItemsColor, "HudItemsColor_Change", &ControlHandler::HudItemsColor_Change},
      {&HudItemsIconSize, "HudItemsIconSize_Change", &ControlHandler::HudItemsIconSize_Change},
      {&HudStatusColor, "HudStatusColor_Change", &ControlHandler::HudStatusColor_Change},
      {&HudStatusLines, "HudStatusLines_Change", &ControlHandler::HudStatusLines_Change},
      {&HudTargetLevel, "HudTargetLevel_Change", &ControlHandler::HudTargetLevel_Change},
  };
  for (const Choice& c : choices) {
    if (!*c.choice) continue;
    auto handler = c.handler;
    ev.push_back((*c.choice)->Change.Connect(Trapped(c.proc, [this, handler](Id, Id) { (this->*handler)(); })));
  }

  // Choices whose handler takes the entry chosen.
  struct IndexChoice {
    ObjRef<platform::ChoiceControl>* choice;
    const char* proc;
    void (ControlHandler::*handler)(std::int32_t);
  };
  const IndexChoice indexChoices[] = {
      {&HudGeneralFont, "HudGeneralFont_Change", &ControlHandler::HudGeneralFont_Change},
      {&HudGeneralSize, "HudGeneralSize_Change", &ControlHandler::HudGeneralSize_Change},
      {&HudMainColor, "HudMainColor_Change", &ControlHandler::HudMainColor_Change},
      {&HudClockColor, "HudClockColor_Change", &ControlHandler::HudClockColor_Change},
      {&HudTargetColor, "HudTargetColor_Change", &ControlHandler::HudTargetColor_Change},
  };
  for (const IndexChoice& c : indexChoices) {
    if (!*c.choice) continue;
    auto handler = c.handler;
    ev.push_back((*c.choice)->Change.Connect(
        Trapped(c.proc, [this, handler](Id, Id index) { (this->*handler)(index); })));
  }

  struct Button {
    ObjRef<platform::PushButtonControl>* button;
    const char* proc;
    void (ControlHandler::*handler)();
  };
  const Button buttons[] = {
      {&HudMainAll, "HudMainAll_Accepted", &ControlHandler::HudMainAll_Accepted},
      {&HudClockAll, "HudClockAll_Accepted", &ControlHandler::HudClockAll_Accepted},
      {&HudClockDown, "HudClockDown_Accepted", &ControlHandler::HudClockDown_Accepted},
      {&HudClockUp, "HudClockUp_Accepted", &ControlHandler::HudClockUp_Accepted},
      {&HudItemsAdd, "HudItemsAdd_Accepted", &ControlHandler::HudItemsAdd_Accepted},
      {&HudItemsSel, "HudItemsSel_Accepted", &ControlHandler::HudItemsSel_Accepted},
  };
  for (const Button& b : buttons) {
    if (!*b.button) continue;
    auto handler = b.handler;
    ev.push_back((*b.button)->Accepted.Connect(Trapped(b.proc, [this, handler](Id) { (this->*handler)(); })));
  }

  if (HudOn) {
    ev.push_back(HudOn->Change.Connect(Trapped("HudOn_Change", [this](Id, bool ticked) { HudOn_Change(ticked); })));
  }
  if (HudGeneral) {
    ev.push_back(HudGeneral->Change.Connect(
        Trapped("HudGeneral_Change", [this](Id, Id column, Id row) { HudGeneral_Change(column, row); })));
  }
  if (HudList) {
    ev.push_back(HudList->Change.Connect(
        Trapped("HudList_Change", [this](Id, Id column, Id row) { HudList_Change(column, row); })));
  }
  if (HudClockList) {
    ev.push_back(HudClockList->Change.Connect(
        Trapped("HudClockList_Change", [this](Id id, Id column, Id row) { HudClockList_Change(id, column, row); })));
  }
  if (HudItems) {
    ev.push_back(HudItems->Change.Connect(
        Trapped("HudItems_Change", [this](Id, Id column, Id row) { HudItems_Change(column, row); })));
  }
}

}  // namespace mellox
