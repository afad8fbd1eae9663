#include "hud/HUDClockHandler.h"

#include <string_view>
#include <vector>

#include "chat/CellValue.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/TimeModule.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "platform/System.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

constexpr const char* kClass = "HUDClockHandler";
constexpr const char* kHiddenTitleTip =
    "Click on the HUD while holding shift to reshow the title bar.  Click on the HUD while holding control "
    "to move "
    "the hud";

// Rows the clock list has at fixed places; the zones follow them.
constexpr std::int32_t kDownRow = 0;
constexpr std::int32_t kUpRow = 1;
constexpr std::int32_t kDateRow = 2;
constexpr std::int32_t kFirstZoneRow = 3;
constexpr std::int32_t kNameColumn = 1;
constexpr std::int32_t kOffsetColumn = 2;
constexpr std::int32_t kValueColumn = 3;
constexpr std::int32_t kColourColumn = 4;

ControlHandler& Controls() {
  if (!ControlHandlerInstance) Raise(91);
  return *ControlHandlerInstance;
}

std::int64_t NowUnix() { return TimeModule::LocalToUnix(platform::Sys().Now()); }

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// A zone's time of day: the UTC base moved by the row's offset in hours. The
// offset is kept to the minute, so half-hour zones ("5.5", "-3.5") and the
// local row of such a zone show their real time. An offset that is no number
// (a damaged settings file) shows nothing instead of stopping every later row.
std::string ZoneTime(double utcBase, const std::string& offsetText, std::string_view format) {
  try {
    const double hours = vb::CDbl(offsetText);
    const double minutes = vb::Round(hours * 60.0);
    return vb::FormatDate(utcBase + minutes / 1440.0, format);
  } catch (const VBError&) {
    return {};
  }
}

bool AllDigits(std::string_view s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

HUDClockHandler::HUDClockHandler() {
  Trap("Class_Initialize", kClass, [&] {
    Hub::wtcw_debug("HUDClock Handler Init");
    ClockHUD = std::make_shared<HUDHandler>();
    ClockHUD->SetTitle("Clock");
  });
}

HUDClockHandler::~HUDClockHandler() {
  Trap("Class_Terminate", kClass, [&] {
    Hub::wtcw_debug("HUDClock Handler Terminate");
    ClockHUD.reset();
  });
}

void HUDClockHandler::ResetForLogin() {
  login_ = {};
  ClockHUD->HUDOff();
  ClockHUD->Clear();
}

void HUDClockHandler::CreateHUD() {
  UpdateControl(true);
  ClockHUD->Clear();
  AddData();
  ClockHUD->DrawHUD(false);
}

void HUDClockHandler::UpdateHUD() {
  UpdateControl(false);
  AddData();
  ClockHUD->DrawHUD(false);
}

void HUDClockHandler::ClickHUD(std::int32_t x, std::int32_t y) {
  switch (ClockHUD->ClickHUD(x, y)) {
    case 1:
      Controls().ToggleClock();
      break;
    case 2:
      ClockHUD->SetDrawTitle(false);
      Hub::wtcw(kHiddenTitleTip);
      ClockHUD->DrawHUD(false);
      break;
    default:
      break;
  }
}

bool HUDClockHandler::WithinTitle(std::int32_t x, std::int32_t y) { return ClockHUD->ClickHUD(x, y) == 0; }

std::int32_t HUDClockHandler::TimeOfDaySeconds(const std::string& text) {
  const std::vector<std::string> parts = vb::Split(vb::Trim(text), ":");
  if (parts.size() != 2 && parts.size() != 3) Raise(13);
  for (const std::string& p : parts) {
    if (!AllDigits(p)) Raise(13);
  }
  const std::int32_t h = std::stoi(parts[0]);
  const std::int32_t m = std::stoi(parts[1]);
  const std::int32_t s = parts.size() == 3 ? std::stoi(parts[2]) : 0;
  if (h > 23 || m > 59 || s > 59) Raise(13);
  return h * 3600 + m * 60 + s;
}

void HUDClockHandler::StartDnTime() {
  const std::int32_t duration = TimeOfDaySeconds(Controls().HudClockTime->TextGet());
  dnTimeEnd_ = NowUnix() + duration;
}

void HUDClockHandler::StartUpTime() {
  if (upTimeStart_ == 0) {
    upTimeStart_ = NowUnix();
    return;
  }
  // The timer stops also while no login has filled the list.
  upTimeStart_ = 0;
  platform::ListControl& list = *Controls().HudClockList;
  if (list.Count() > kUpRow) list.DataLet(kValueColumn, kUpRow, 0, std::string());
}

void HUDClockHandler::UpdateControl(bool force) {
  Trap("UpdateControl", kClass, [&] {
    ControlHandler& ch = Controls();
    platform::ListControl& list = *ch.HudClockList;
    const std::int64_t now = NowUnix();
    if (dnTimeEnd_ != 0) {
      const std::int64_t remaining = dnTimeEnd_ - now;
      list.DataLet(kValueColumn, kDownRow, 0, Hub::ConvTime(static_cast<double>(remaining), 0, false));
      if (remaining < 0) {
        dnTimeEnd_ = 0;
        // The line goes in the same update: the lines are rebuilt without it.
        ClockHUD->Clear();
      }
    }
    if (upTimeStart_ != 0) {
      const std::int64_t elapsed = now - upTimeStart_;
      list.DataLet(kValueColumn, kUpRow, 0, Hub::ConvTime(static_cast<double>(elapsed), 0, false));
    }
    const std::int64_t minute = FloorDiv(now, 60);
    if (!force && minute == login_.lastMinute) return;
    login_.lastMinute = minute;

    const double base = TimeModule::LocalToUTC();
    const std::string_view format = ch.HudClockHour->CheckedGet() ? "hh:nn" : "hh:nn AM/PM";
    list.DataLet(kValueColumn, kDateRow, 0, vb::FormatDate(platform::Sys().Now(), "Short Date"));
    // "Your Time" is the machine's clock: its offset follows the zone and daylight time as they change.
    const std::int32_t local = ch.FindName("Your Time", "HudClock");
    if (local >= kFirstZoneRow) list.DataLet(kOffsetColumn, local, 0, ControlHandler::LocalOffsetText());
    const std::int32_t count = list.Count();
    for (std::int32_t r = kFirstZoneRow; r < count; ++r) {
      list.DataLet(kValueColumn, r, 0, ZoneTime(base, CellText(list.DataGet(kOffsetColumn, r, 0)), format));
    }
  });
}

void HUDClockHandler::AddData() {
  Trap("AddData", kClass, [&] {
    ControlHandler& ch = Controls();
    platform::ListControl& list = *ch.HudClockList;
    const bool labels = ch.HudClockLabel->CheckedGet();
    const bool runOn = ch.HudClockDisp->CheckedGet();
    auto colour = [&](std::int32_t row) {
      return Hub::GetColorFromHUDIcon(CellLong(list.DataGet(kColourColumn, row, 1)));
    };
    auto addRow = [&](std::int32_t row, bool newline) {
      const std::string name = CellText(list.DataGet(kNameColumn, row, 0));
      const std::string value = CellText(list.DataGet(kValueColumn, row, 0));
      ClockHUD->Add(name, (labels ? name + ": " : std::string()) + value, colour(row), -1, newline, 10);
    };
    auto shown = [&](std::int32_t row) { return CellBool(list.DataGet(0, row, 0)); };

    if (dnTimeEnd_ != 0) {
      const std::int32_t row = ch.FindName("Down Timer", "HudClock");
      if (shown(row)) addRow(row, true);
    }
    if (upTimeStart_ != 0) {
      const std::int32_t row = ch.FindName("Up Timer", "HudClock");
      if (shown(row)) addRow(row, true);
    }
    const std::int32_t dateRow = ch.FindName("Date", "HudClock");
    if (shown(dateRow)) {
      const double today = platform::Sys().Now();
      const std::string text =
          vb::FormatDate(today, ch.HudClockShort->CheckedGet() ? "Short Date" : "Long Date");
      // The date never carries a label.
      ClockHUD->Add("Date", text, colour(dateRow), -1, !(ch.HudClockDateDisp->CheckedGet() && runOn), 10);
    }
    const std::int32_t count = list.Count();
    for (std::int32_t r = kFirstZoneRow; r < count; ++r) {
      if (shown(r)) addRow(r, !runOn);
    }
  });
}

}  // namespace mellox
