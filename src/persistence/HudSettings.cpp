#include "persistence/HudSettings.h"

#include <cstdint>
#include <string_view>

#include "chat/CellValue.h"
#include "core/Globals.h"
#include "core/HubConvert.h"
#include "core/TimerHandler.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "hud/HudRoster.h"
#include "hud/HudSettingsPages.h"
#include "hud/HudWindow.h"
#include "persistence/AttributeReader.h"
#include "persistence/PersistenceLinks.h"
#include "persistence/SettingsFile.h"
#include "persistence/XmlFiles.h"
#include "settings_view/ControlHandler.h"
#include "settings_view/OptionLists.h"

namespace mellox {

namespace {

using persistence::AddElement;
using persistence::SetAttr;
using persistence::VariantText;

constexpr std::int32_t kIconDelete = 0x060011F8;
// Rows of the clock list that the clock element's legacy attributes tick.
constexpr std::int32_t kClockDateRow = 2;
constexpr std::int32_t kClockGameTimeRow = 4;

// The row the next main-HUD line element goes to.
std::int32_t& LineCounter() {
  static std::int32_t k = 0;
  return k;
}

// Files before format 1 stored font, size, colour and transparency as the
// entry numbers of their choices.
bool OlderFormat() {
  const auto& parts = SettingsFile::VersionParts();
  if (parts.empty() || !vb::IsNumeric(parts[0])) return true;
  return vb::CDbl(parts[0]) < 1;
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

// --- Applying ---------------------------------------------------------------------------

// The text of the entry a number in the file names. A number that is none,
// or names no entry, is reported and def used; a missing attribute is def.
std::string EntryText(const AttributeReader& r, const char* name, platform::ChoiceControl& choice,
                      std::string_view def) {
  const auto raw = r.Raw(name);
  if (!raw) return std::string(def);
  std::int32_t index = 0;
  try {
    index = vb::CLng(std::string_view(*raw));
  } catch (const VBError& e) {
    r.ReportBad(e.Number(), name, *raw, def);
    return std::string(def);
  }
  if (index < 0 || index >= choice.ChoiceCount()) {
    r.ReportBad(9, name, *raw, def);
    return std::string(def);
  }
  return choice.TextGet(index);
}

// Selects the entry a file names by number (-1, as a save writes it for a
// choice with nothing chosen, selects nothing). One the choice does not have
// is reported and the default entry selected instead.
std::int32_t SelectIndex(const AttributeReader& r, const char* name, platform::ChoiceControl& choice,
                         std::int32_t def) {
  const std::int32_t count = choice.ChoiceCount();
  std::int32_t index = r.Long(name, def);
  if (index < -1 || index >= count) {
    if (index != def) r.ReportBad(380, name, r.Text(name, ""), vb::CStr(def));
    index = def;
  }
  if (index >= -1 && index < count) choice.SelectedLet(index);
  return choice.SelectedGet();
}

// One HUD element: its row of the general list, and its engine or, while
// the HUD has none, the window state kept for it.
struct HudApplier {
  HudApplier(ControlHandler& handler, const AttributeReader& reader, HudId id)
      : ch(handler),
        r(reader),
        row(static_cast<std::int32_t>(id)),
        general(*handler.HudGeneral),
        engine(HudRoster::Engine(id)),
        kept(HudRoster::Kept(id)) {}

  ControlHandler& ch;
  const AttributeReader& r;
  std::int32_t row;
  platform::ListControl& general;
  HudWindow* engine;
  HudWindowState& kept;
  std::string bgcolor;
  std::string alpha;

  void On(bool def) {
    general.DataLet(0, row, 0, r.Bool("on", def));
    // Shown only while the master switch, as it stands now, is ticked too.
    const bool shown = CellBool(general.DataGet(0, row, 0)) && ch.HudOn->CheckedGet();
    if (engine) engine->SetEnabled(shown);
  }

  void Place() {
    kept.dockHorz = r.Bool("dockh", false);
    kept.dockVert = r.Bool("dockv", false);
    kept.x = r.Long("x", 0);
    kept.y = r.Long("y", 0);
    if (!engine) return;
    engine->SetDockHorz(kept.dockHorz);
    engine->SetDockVert(kept.dockVert);
    engine->SetX(kept.x);
    engine->SetY(kept.y);
  }

  void Font(bool convert) {
    const std::string font = convert ? EntryText(r, "font", *ch.HudGeneralFont, "Arial") : r.Text("font", "Arial");
    general.DataLet(2, row, 0, font);
    if (engine) engine->SetFontFace(HudPages::FaceOf(font));
  }

  void Size(bool convert) {
    std::string size = convert ? EntryText(r, "size", *ch.HudGeneralSize, "16") : r.Text("size", "16");
    std::int32_t points = 16;
    try {
      points = vb::CLng(std::string_view(size));
    } catch (const VBError& e) {
      r.ReportBad(e.Number(), "size", size, "16");
      size = "16";
    }
    general.DataLet(3, row, 0, size);
    if (engine) engine->SetFontSize(points);
  }

  // The two cells; the engine's colour follows with ApplyBackground.
  void BackgroundCells(bool convert, std::string_view alphaDef) {
    bgcolor = convert ? EntryText(r, "bgcolor", *ch.HudGeneralBGColor, "Black") : r.Text("bgcolor", "Black");
    alpha = convert ? EntryText(r, "alpha", *ch.HudGeneralBGAlpha, alphaDef) : r.Text("alpha", alphaDef);
    general.DataLet(4, row, 0, PluginModuleHandle);
    general.DataLet(4, row, 1, Hub::GetColorFromIcon(bgcolor));
    general.DataLet(5, row, 0, alpha);
  }

  void ApplyBackground() {
    if (engine) engine->SetBackgroundColor(Hub::ConvertColor(bgcolor, Hub::GetAlphaStep(alpha)));
  }

  void Outline(bool def) {
    general.DataLet(6, row, 0, r.Bool("outline", def));
    if (engine) engine->SetOutline(CellBool(general.DataGet(6, row, 0)));
  }

  void DrawTitle() {
    kept.drawTitle = r.Bool("drawtitle", true);
    if (engine) engine->SetDrawTitle(kept.drawTitle);
  }
};

void ApplyMain(ControlHandler& ch, const AttributeReader& r) {
  const bool convert = OlderFormat();
  HudApplier h{ch, r, HudId::Main};
  h.On(false);
  h.Place();
  h.Font(convert);
  h.Size(convert);
  ch.HudMainLbl->CheckedLet(r.Bool("label", false));
  h.BackgroundCells(convert, "50%");
  h.ApplyBackground();
  const std::int32_t timeout = SelectIndex(r, "timeout", *ch.HudTimeout, 0);
  h.Outline(false);
  h.DrawTitle();
  // The main HUD's refresh restarts at the interval now chosen.
  const std::int32_t interval = timeout >= 0 ? CellLong(ch.HudTimeout->DataGet(timeout)) : 0;
  if (!TimerHandlerInstance) Raise(91);
  TimerHandlerInstance->StartMainHUDTime(interval);
}

void ApplyClock(ControlHandler& ch, const AttributeReader& r) {
  const bool convert = OlderFormat();
  HudApplier h{ch, r, HudId::Clock};
  h.On(false);
  h.Place();
  platform::ListControl& clock = *ch.HudClockList;
  const bool gameTime = r.Bool("gt", false);
  if (clock.Count() > kClockGameTimeRow) clock.DataLet(0, kClockGameTimeRow, 0, gameTime);
  ch.HudClockDisp->CheckedLet(r.Bool("disp", false));
  ch.HudClockDateDisp->CheckedLet(r.Bool("datedisp", false));
  ch.HudClockLabel->CheckedLet(r.Bool("label", false));
  ch.HudClockHour->CheckedLet(r.Bool("hour", false));
  const bool date = r.Bool("date", false);
  if (clock.Count() > kClockDateRow) clock.DataLet(0, kClockDateRow, 0, date);
  ch.HudClockShort->CheckedLet(r.Bool("shortdate", false));
  SelectIndex(r, "color", *ch.HudClockColor, 0);
  h.Font(convert);
  h.Size(convert);
  h.BackgroundCells(convert, "50%");
  h.ApplyBackground();
  h.Outline(false);
  h.DrawTitle();
}

void ApplyItems(ControlHandler& ch, const AttributeReader& r) {
  const bool convert = OlderFormat();
  HudApplier h{ch, r, HudId::Items};
  h.On(false);
  h.Place();
  SelectIndex(r, "color", *ch.HudItemsColor, 0);
  h.Size(convert);
  // Whether old files numbered this HUD's font is not known: it is used as it stands.
  h.Font(false);
  h.BackgroundCells(convert, "50%");
  h.ApplyBackground();
  const std::int32_t iconSize = SelectIndex(r, "iconsize", *ch.HudItemsIconSize, 0);
  if (h.engine && iconSize >= 0) h.engine->SetIconSize(CellLong(ch.HudItemsIconSize->DataGet(iconSize)));
  ch.HudItemsHorz->CheckedLet(r.Bool("horz", false));
  h.Outline(false);
  h.DrawTitle();
}

void ApplyStatus(ControlHandler& ch, const AttributeReader& r) {
  HudApplier h{ch, r, HudId::Status};
  h.On(false);
  h.Place();
  h.Font(false);
  h.Size(false);
  h.BackgroundCells(false, "100%");
  h.ApplyBackground();
  SelectIndex(r, "color", *ch.HudStatusColor, 0);
  SelectIndex(r, "lines", *ch.HudStatusLines, 0);
  h.Outline(true);
  h.DrawTitle();
}

void ApplyTarget(ControlHandler& ch, const AttributeReader& r) {
  HudApplier h{ch, r, HudId::Target};
  h.On(true);
  h.Place();
  h.Font(false);
  h.Size(false);
  h.BackgroundCells(false, "100%");
  h.Outline(false);
  h.DrawTitle();
  h.ApplyBackground();
  const std::int32_t colour = SelectIndex(r, "color", *ch.HudTargetColor, 0);
  if (colour >= 0) HudRoster::SetTargetFontColor(CellText(ch.HudTargetColor->DataGet(colour)));
  SelectIndex(r, "level", *ch.HudTargetLevel, 6);
}

// A main-HUD line: the k-th element's line goes to row k, and the line that
// stood there takes the named line's old row.
void ApplyLine(ControlHandler& ch, const AttributeReader& r) {
  std::string name = r.Text("name", "");
  if (name == "XP/Hr") name = "Session XP/Hour";
  const std::int32_t row = ch.FindName(name, "HudList");
  if (row == -1) return;
  platform::ListControl& lines = *ch.HudList;
  std::int32_t& k = LineCounter();
  // Only a file naming a line twice gets here: every row is placed already.
  if (k >= lines.Count()) return;
  if (row != k) {
    lines.DataLet(1, row, 0, lines.DataGet(1, k, 0));
    lines.DataLet(0, row, 0, lines.DataGet(0, k, 0));
    lines.DataLet(2, row, 1, lines.DataGet(2, k, 1));
  }
  lines.DataLet(0, k, 0, r.Bool("enabled", false));
  lines.DataLet(1, k, 0, name);
  lines.DataLet(2, k, 1, Hub::GetColorFromIcon(r.Text("color", "White")));
  ++k;
  HudPages::SetXPChangeOn(ch);
}

void ApplyClockRow(ControlHandler& ch, const AttributeReader& r) {
  const std::string name = r.Text("name", "");
  const std::int32_t row = ch.FindName(name, "HudClock");
  if (row == -1) return;
  platform::ListControl& clock = *ch.HudClockList;
  clock.DataLet(0, row, 0, r.Bool("enabled", false));
  clock.DataLet(1, row, 0, name);
  clock.DataLet(4, row, 1, Hub::GetColorFromIcon(r.Text("color", "White")));
}

// A watched item. The item HUD counts by name and computes with the count
// and the icon, so a row without a name is passed over and a count or icon
// that is no number is reported and stored as the add buttons would.
void ApplyWatchedItem(ControlHandler& ch, const AttributeReader& r) {
  const std::string name = r.Text("name", "");
  if (name.empty()) {
    r.ReportBad(5, "name", name, "no row");
    return;
  }
  std::string count = r.Text("count", "0");
  if (!vb::IsNumeric(count) || vb::CDbl(count) < 0) {
    r.ReportBad(13, "count", count, "0");
    count = "0";
  }
  std::string icon = r.Text("icon", "-1");
  bool iconValid = vb::IsNumeric(icon);
  if (iconValid) {
    try {
      vb::CLng(std::string_view(icon));
    } catch (const VBError&) {
      iconValid = false;
    }
  }
  if (!iconValid) {
    r.ReportBad(13, "icon", icon, "-1");
    icon = "-1";
  }
  platform::ListControl& items = *ch.HudItems;
  const std::int32_t row = items.AddRow();
  items.DataLet(0, row, 0, r.Bool("enabled", false));
  items.DataLet(1, row, 0, name);
  items.DataLet(2, row, 0, count);
  items.DataLet(3, row, 1, OptionLists::kIconMoveDown);
  items.DataLet(4, row, 1, OptionLists::kIconMoveUp);
  items.DataLet(5, row, 1, kIconDelete);
  items.DataLet(6, row, 0, icon);
}

// --- Writing ---------------------------------------------------------------------------

// Writers of the attributes every HUD element shares.
struct HudWriter {
  ControlHandler& ch;
  pugi::xml_node e;
  std::int32_t row;
  HudWindowState window;

  std::string Cell(std::int32_t column) { return VariantText(ch.HudGeneral->DataGet(column, row, 0)); }
  void On() { SetAttr(e, "on", persistence::CheckText(ch.HudGeneral->DataGet(0, row, 0))); }
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

}  // namespace

void HudSettings::BeginLoad() { LineCounter() = 0; }

bool HudSettings::Apply(ControlHandler& ch, pugi::xml_node element, const std::string& procedure) {
  const std::string_view name = element.name();
  const AttributeReader r(element, procedure);
  if (name == "HUD_All") {
    ch.HudOn->CheckedLet(r.Bool("on", false));
  } else if (name == "HUD_Main") {
    ApplyMain(ch, r);
  } else if (name == "HUD_Clock") {
    ApplyClock(ch, r);
  } else if (name == "HUD_Items") {
    ApplyItems(ch, r);
  } else if (name == "HUD_Status") {
    ApplyStatus(ch, r);
  } else if (name == "HUD_Target") {
    ApplyTarget(ch, r);
  } else if (name == "HUD_LIST") {
    ApplyLine(ch, r);
  } else if (name == "Clock_List") {
    ApplyClockRow(ch, r);
  } else if (name == "HUD_Item") {
    ApplyWatchedItem(ch, r);
  } else {
    return false;
  }
  return true;
}

void HudSettings::Write(ControlHandler& ch, pugi::xml_node root) {
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
      SetAttr(e, "enabled", persistence::CheckText(list.DataGet(0, row, 0)));
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
      SetAttr(e, "enabled", persistence::CheckText(list.DataGet(0, row, 0)));
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
      SetAttr(e, "enabled", persistence::CheckText(list.DataGet(0, row, 0)));
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

}  // namespace mellox
