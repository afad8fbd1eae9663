#include "hud/HUDItemHandler.h"

#include <vector>

#include "chat/CellValue.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "platform/System.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

constexpr const char* kClass = "HUDItemHandler";
constexpr const char* kHiddenTitleTip =
    "Click on the HUD while holding shift to reshow the title bar.  Click on the HUD while holding control "
    "to move "
    "the hud";

constexpr std::int32_t kNameColumn = 1;
constexpr std::int32_t kThresholdColumn = 2;
constexpr std::int32_t kIconColumn = 6;

ControlHandler& Controls() {
  if (!ControlHandlerInstance) Raise(91);
  return *ControlHandlerInstance;
}

FilterHandler& Filter() {
  if (!FilterHandlerInstance) Raise(91);
  return *FilterHandlerInstance;
}

// A threshold the player left empty or typed as no number warns about
// nothing, as 0 does, instead of breaking the refresh of every other row.
double Threshold(const platform::Variant& cell) {
  const std::string text = CellText(cell);
  return vb::IsNumeric(text) ? vb::CDbl(text) : 0.0;
}

// An icon cell that holds no number counts as not known yet.
std::int32_t KnownIcon(const platform::Variant& cell) {
  try {
    return CellLong(cell);
  } catch (const VBError&) {
    return -1;
  }
}

}  // namespace

HUDItemHandler::HUDItemHandler() {
  Trap("Class_Initialize", kClass, [&] {
    Hub::wtcw_debug("HUDItem Handler Init");
    ItemHUD = std::make_shared<HUDHandler>();
    updateTimer_ = platform::Sys().CreateTimer();
    timeout_ = updateTimer_->Timeout.Connect([this] { UpdateTimerTimeout(); });
    ItemHUD->SetTitle("Item");
  });
}

HUDItemHandler::~HUDItemHandler() {
  Trap("Class_Terminate", kClass, [&] {
    Hub::wtcw_debug("HUDItem Handler Terminate");
    timeout_ = {};
    if (updateTimer_) updateTimer_->Stop();
    updateTimer_.reset();
    ItemHUD.reset();
  });
}

void HUDItemHandler::ResetForLogin() {
  login_ = {};
  ItemHUD->HUDOff();
  ItemHUD->Clear();
}

void HUDItemHandler::CreateHUD() {
  ItemHUD->Clear();
  AddData();
  ItemHUD->DrawHUD(false);
}

void HUDItemHandler::UpdateHUD() {
  if (!updateTimer_->Running()) updateTimer_->Start(kRefreshDelayMs);
}

void HUDItemHandler::UpdateTimerTimeout() {
  Trap("updatetimer_Timeout", kClass, [&] { RefreshAndDraw(); });
  // Stopped even after a failed refresh, so a fault does not repeat every 50 ms.
  Trap("updatetimer_Timeout", kClass, [&] { updateTimer_->Stop(); });
}

void HUDItemHandler::RefreshAndDraw() {
  AddData();
  ItemHUD->DrawHUD(false);
}

void HUDItemHandler::ClickHUD(std::int32_t x, std::int32_t y) {
  switch (ItemHUD->ClickHUD(x, y)) {
    case 1:
      Controls().ToggleItem();
      break;
    case 2:
      ItemHUD->SetDrawTitle(false);
      Hub::wtcw(kHiddenTitleTip);
      ItemHUD->DrawHUD(false);
      break;
    default:
      break;
  }
}

bool HUDItemHandler::WithinTitle(std::int32_t x, std::int32_t y) { return ItemHUD->ClickHUD(x, y) == 0; }

void HUDItemHandler::AddData() {
  Trap("AddData", kClass, [&] {
    ControlHandler& ch = Controls();
    FilterHandler& filter = Filter();
    platform::ListControl& list = *ch.HudItems;
    const std::int32_t n = list.Count();

    std::vector<Stock> states(static_cast<std::size_t>(n), Stock::Unchanged);
    std::vector<std::int32_t> counts(static_cast<std::size_t>(n), 0);
    std::vector<std::string> names(static_cast<std::size_t>(n));
    // Names no longer watched are forgotten; one watched again starts at 0.
    std::unordered_map<std::string, std::int32_t> current;
    for (std::int32_t i = 0; i < n; ++i) {
      const auto k = static_cast<std::size_t>(i);
      names[k] = CellText(list.DataGet(kNameColumn, i, 0));
      counts[k] = filter.GetItemCount(names[k]);
      const auto before = login_.itemCounts.find(names[k]);
      if (counts[k] != (before == login_.itemCounts.end() ? 0 : before->second)) states[k] = Stock::Changed;
      current[names[k]] = counts[k];
    }
    // Until the login has finished, the plug-in's lines do not reach chat:
    // the counts stay unseen and the refresh comes again once it has, so a
    // login still warns about what is low already.
    if (PluginActive) {
      login_.itemCounts = std::move(current);
    } else {
      UpdateHUD();
    }
    Hub::wtcw_debug("Item Refresh");

    const bool newRow = !ch.HudItemsHorz->CheckedGet();
    platform::ChoiceControl& colours = *ch.HudItemsColor;
    for (std::int32_t i = 0; i < n; ++i) {
      if (!CellBool(list.DataGet(0, i, 0))) continue;
      const auto k = static_cast<std::size_t>(i);
      const std::int32_t c = counts[k];
      std::int32_t icon = KnownIcon(list.DataGet(kIconColumn, i, 0));
      if (c != 0 && icon == -1) {
        icon = filter.GetIcon(names[k]);
        // Learned once and kept with the settings; nothing to save while unknown.
        if (icon != -1) {
          list.DataLet(kIconColumn, i, 0, icon);
          ch.Settings_Save(0);
        }
      } else if (c == 0 && icon == -1) {
        icon = kUnknownItemIcon;
      }

      std::string colour = CellText(colours.DataGet(colours.SelectedGet()));
      const double t = Threshold(list.DataGet(kThresholdColumn, i, 0));
      if (c < t + vb::Round(t * 0.5)) {
        colour = "Yellow";
        if (states[k] == Stock::Changed) states[k] = Stock::GettingLow;
      }
      if (c < t) {
        colour = "Red";
        if (states[k] == Stock::GettingLow) states[k] = Stock::NearlyOut;
      }
      if (c == 0 && states[k] == Stock::NearlyOut) states[k] = Stock::Out;
      ItemHUD->Add(vb::CStr(i), vb::CStr(c), colour, icon, newRow, 10);
    }

    const std::int16_t warnRow = ch.FindName("Running Low on Item Warning", "ChatOptions");
    if (warnRow < 0 || !CellBool(ch.ChatOptions->DataGet(0, warnRow, 0))) return;
    struct Warning {
      Stock state;
      const char* text;
    };
    for (const Warning w : {Warning{Stock::GettingLow, "You are getting low on "},
                            Warning{Stock::NearlyOut, "Warning! You are nearly out of "},
                            Warning{Stock::Out, "Warning! You are out of "}}) {
      // Only shown rows get past Changed, so hidden ones never warn.
      std::vector<std::string> which;
      for (std::size_t k = 0; k < states.size(); ++k) {
        if (states[k] == w.state) which.push_back(names[k]);
      }
      if (!which.empty()) Hub::wtcw(w.text + vb::Join(which, ", "));
    }
  });
}

}  // namespace mellox
