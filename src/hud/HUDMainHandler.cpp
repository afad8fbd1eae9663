#include "hud/HUDMainHandler.h"

#include <array>
#include <variant>

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "hud/HudPeers.h"
#include "hud/HudRoster.h"
#include "settings_view/ControlHandler.h"
#include "tracking/SpellHandler.h"
#include "tracking/Statistics.h"

namespace mellox {

namespace {

constexpr const char* kClass = "HUDMainHandler";
constexpr const char* kHiddenTitleTip =
    "Click on the HUD while holding shift to reshow the title bar.  Click on the HUD while holding control to move "
    "the hud";

enum class Source {
  SessionTime,
  XPSession,
  XPHour,
  TotalTime,
  TotalXP,
  TotalXPHour,
  XP5Min,
  XPNext,
  XPUn,
  LevelNum,
  Kills,
  Coords,
  Corpse,
  NextBuff,
  XPChange,
};

struct Line {
  const char* row;  // name in the line list
  const char* key;  // engine item key
  const char* longLabel;
  const char* shortLabel;
  Source source;
};

constexpr std::array<Line, 15> kLines{{
    {"Session Time", "STM", "Session Time: ", "STime: ", Source::SessionTime},
    {"Session XP", "SXP", "Session XP: ", "SXP: ", Source::XPSession},
    {"Session XP/Hour", "XPH", "Session XP/H: ", "SXP/H: ", Source::XPHour},
    {"Total Time", "TTM", "Total Time: ", "TTime: ", Source::TotalTime},
    {"Total XP", "TXP", "Total XP: ", "TXP: ", Source::TotalXP},
    {"Total XP/Hour", "TXPH", "Total XP/H: ", "TXP/H: ", Source::TotalXPHour},
    {"5 Minute Avg", "5MIN", "5 Min Avg: ", "5Min: ", Source::XP5Min},
    {"Next Level", "XPL", "XP to Level: ", "XPL: ", Source::XPNext},
    {"Unassigned", "XPU", "Unassigned: ", "Un: ", Source::XPUn},
    {"Level", "Lev", "Level: ", "Level: ", Source::LevelNum},
    {"Kills", "Kil", "Kills: ", "Kills: ", Source::Kills},
    {"Coords", "Cor", "Coords: ", "", Source::Coords},
    {"Corpse", "Bod", "Corpse: ", "Body: ", Source::Corpse},
    {"Next Buff", "NxB", "Next Buff: ", "Buff: ", Source::NextBuff},
    {"XP Change", "XPC", "XP Change: ", "XPC: ", Source::XPChange},
}};

const Line* FindLine(const std::string& row) {
  for (const Line& line : kLines) {
    if (row == line.row) return &line;
  }
  return nullptr;
}

std::string CellText(const platform::Variant& v) {
  if (const auto* s = std::get_if<std::string>(&v.value)) return *s;
  if (const auto* i = std::get_if<std::int64_t>(&v.value)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v.value)) return vb::CStr(*d);
  if (const auto* b = std::get_if<bool>(&v.value)) return *b ? "True" : "False";
  return {};
}

// A check cell counts as ticked only when it holds True.
bool CellTrue(const platform::Variant& v) {
  if (const auto* b = std::get_if<bool>(&v.value)) return *b;
  if (const auto* i = std::get_if<std::int64_t>(&v.value)) return *i != 0;
  if (const auto* s = std::get_if<std::string>(&v.value)) return vb::TextEqual(*s, "True");
  return false;
}

std::int32_t CellLong(const platform::Variant& v) {
  if (const auto* i = std::get_if<std::int64_t>(&v.value)) return static_cast<std::int32_t>(*i);
  if (const auto* d = std::get_if<double>(&v.value)) return vb::CLng(*d);
  if (const auto* s = std::get_if<std::string>(&v.value)) return vb::CLng(*s);
  return 0;
}

std::string CorpseText(ControlHandler& ch) {
  platform::ListControl& corpses = *ch.CorpsesList;
  const std::int32_t count = corpses.Count();
  std::int32_t row = ch.SelectedCorpse == -1 ? 0 : ch.SelectedCorpse;
  // A selection the list no longer has (its row was removed by other means)
  // shows the first corpse rather than failing the fill.
  if (row < 0 || row >= count) row = 0;
  const std::int32_t column = ch.CorpsesAbsolute->CheckedGet() ? 0 : 1;
  return CellText(corpses.DataGet(column, row, 0));
}

// While the game has not (or no longer) placed the character, the line shows
// no position instead of failing every refresh of the whole HUD.
std::string CoordsText() {
  try {
    return HudPeers::GetCharCoords();
  } catch (const VBError& e) {
    if (e.Number() != 91) throw;
    return {};
  }
}

std::string BeerSuffix() {
  if (!SpellHandlerInstance) Raise(91);
  const std::int32_t low = SpellHandlerInstance->LowBeer;
  if (low == 99999) return " (x)";
  return " (" + vb::CStr(Hub::Ceiling(low / 60.0)) + ")";
}

}  // namespace

HUDMainHandler::HUDMainHandler() {
  Trap("Class_Initialize", kClass, [&] {
    Hub::wtcw_debug("HUDMain Handler Init");
    MainHud = std::make_shared<HUDHandler>();
    MainHud->SetTitle("Main");
    // The settings files reach the HUD windows through the roster.
    HudRoster::Attach();
  });
}

HUDMainHandler::~HUDMainHandler() {
  Trap("Class_Terminate", kClass, [&] {
    Hub::wtcw_debug("HUDMain Handler Terminate");
    HudRoster::Detach();
    MainHud.reset();
  });
}

void HUDMainHandler::ResetForLogin() {
  MainHud->HUDOff();
  MainHud->Clear();
}

void HUDMainHandler::CreateHUD() {
  MainHud->Clear();
  AddData();
  MainHud->DrawHUD(false);
}

void HUDMainHandler::UpdateHUD() {
  AddData();
  MainHud->DrawHUD(false);
}

void HUDMainHandler::ClickHUD(std::int32_t x, std::int32_t y) {
  switch (MainHud->ClickHUD(x, y)) {
    case 1:
      HudPeers::ToggleMain();
      break;
    case 2:
      MainHud->SetDrawTitle(false);
      Hub::wtcw(kHiddenTitleTip);
      MainHud->DrawHUD(false);
      break;
    default:
      break;
  }
}

bool HUDMainHandler::WithinTitle(std::int32_t x, std::int32_t y) { return MainHud->ClickHUD(x, y) == 0; }

void HUDMainHandler::AddData() {
  if (!ControlHandlerInstance) Raise(91);
  ControlHandler& ch = *ControlHandlerInstance;
  platform::ListControl& list = *ch.HudList;
  const bool shortLabels = ch.HudMainLbl->CheckedGet();
  const std::int16_t rows = static_cast<std::int16_t>(std::min<std::int32_t>(list.Count(), INT16_MAX));
  for (std::int16_t i = 0; i < rows; ++i) {
    const Line* line = FindLine(CellText(list.DataGet(1, i, 0)));
    if (!line) continue;
    if (!CellTrue(list.DataGet(0, i, 0))) continue;
    std::string value;
    std::int32_t alpha = 10;
    switch (line->source) {
      case Source::SessionTime: value = ch.SessionTime->TextGet(); break;
      case Source::XPSession: value = ch.XPSession->TextGet(); break;
      case Source::XPHour: value = ch.XPHour->TextGet(); break;
      case Source::TotalTime: value = ch.TotalTime->TextGet(); break;
      case Source::TotalXP: value = ch.TotalXP->TextGet(); break;
      case Source::TotalXPHour: value = ch.TotalXPHour->TextGet(); break;
      case Source::XP5Min: value = ch.XP5Min->TextGet(); break;
      case Source::XPNext: value = ch.XPNext->TextGet(); break;
      case Source::XPUn: value = ch.XPUn->TextGet(); break;
      case Source::LevelNum: value = ch.LevelNum->TextGet(); break;
      case Source::Kills: value = ch.Kills->TextGet(); break;
      case Source::Coords: value = CoordsText(); break;
      case Source::Corpse:
        // No tracked corpse: the line is left out although ticked.
        if (ch.CorpsesList->Count() == 0) continue;
        value = CorpseText(ch);
        break;
      case Source::NextBuff:
        value = ch.SpellsTracked->TextGet();
        if (ch.SpellsBeers->CheckedGet()) value += BeerSuffix();
        break;
      case Source::XPChange:
        value = ch.XPChange->TextGet();
        if (!StatisticsInstance) Raise(91);
        // Dimmer while no change is being shown.
        alpha = StatisticsInstance->ShowXPChange ? 10 : 8;
        break;
    }
    const std::string color = Hub::GetColorFromHUDIcon(CellLong(list.DataGet(2, i, 1)));
    MainHud->Add(line->key, (shortLabels ? line->shortLabel : line->longLabel) + value, color, -1, true, alpha);
  }
}

}  // namespace mellox
