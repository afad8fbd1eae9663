#include "hud/HUDStatusHandler.h"

#include <algorithm>

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

constexpr const char* kClass = "HUDStatusHandler";
constexpr const char* kHiddenTitleTip =
    "Click on the HUD while holding shift to reshow the title bar.  Click on the HUD while holding control "
    "to move "
    "the hud";

ControlHandler& Controls() {
  if (!ControlHandlerInstance) Raise(91);
  return *ControlHandlerInstance;
}

platform::Variant SelectedData(platform::ChoiceControl& choice) {
  return choice.DataGet(choice.SelectedGet());
}

std::int64_t NowUnix() { return TimeModule::LocalToUnix(platform::Sys().Now()); }

}  // namespace

HUDStatusHandler::HUDStatusHandler() {
  Trap("Class_Initialize", kClass, [&] {
    Hub::wtcw_debug("HUDStatus Handler Init");
    StatusHud = std::make_shared<HUDHandler>();
    StatusHud->SetTitle("Status");
  });
}

HUDStatusHandler::~HUDStatusHandler() {
  Trap("Class_Terminate", kClass, [&] {
    Hub::wtcw_debug("HUDStatus Handler Terminate");
    StatusHud.reset();
    messages_.clear();
  });
}

void HUDStatusHandler::ResetForLogin() {
  messages_.clear();
  StatusHud->HUDOff();
  StatusHud->Clear();
}

void HUDStatusHandler::AddMessage(const std::string& msg) {
  Trap("AddMessage", kClass, [&] {
    const std::int64_t expiry = NowUnix() + kShowSeconds;
    if (messages_.empty()) {
      messages_.push_back({msg, expiry});
      CreateHUD();
      return;
    }
    if (msg == messages_.back().text) {
      // Kept while it keeps coming; nothing to redraw.
      messages_.back().expiry = expiry;
      return;
    }
    messages_.push_back({msg, expiry});
    const std::int32_t limit = CellLong(SelectedData(*Controls().HudStatusLines));
    if (static_cast<std::int64_t>(messages_.size()) > limit) messages_.erase(messages_.begin());
    CreateHUD();
  });
}

void HUDStatusHandler::Update() {
  Trap("Update", kClass, [&] {
    if (StatusHud->OnCanvas()) return;
    const std::int64_t now = NowUnix();
    const auto expired = [now](const Message& m) { return m.expiry < now; };
    const auto kept = std::remove_if(messages_.begin(), messages_.end(), expired);
    if (kept == messages_.end()) return;
    messages_.erase(kept, messages_.end());
    CreateHUD();
  });
}

void HUDStatusHandler::CreateHUD() {
  StatusHud->Clear();
  AddData();
  StatusHud->DrawHUD(false);
}

void HUDStatusHandler::UpdateHUD() {
  AddData();
  StatusHud->DrawHUD(false);
}

void HUDStatusHandler::ClickHUD(std::int32_t x, std::int32_t y) {
  switch (StatusHud->ClickHUD(x, y)) {
    case 1:
      Controls().ToggleStatus();
      break;
    case 2:
      StatusHud->SetDrawTitle(false);
      Hub::wtcw(kHiddenTitleTip);
      StatusHud->DrawHUD(false);
      break;
    default:
      break;
  }
}

bool HUDStatusHandler::WithinTitle(std::int32_t x, std::int32_t y) { return StatusHud->ClickHUD(x, y) == 0; }

void HUDStatusHandler::AddData() {
  Trap("AddData", kClass, [&] {
    const std::string colour = CellText(SelectedData(*Controls().HudStatusColor));
    // Newest first, so it is drawn on top; every text has a row of its own.
    for (std::size_t i = messages_.size(); i >= 1; --i) {
      StatusHud->Add(vb::CStr(static_cast<std::int64_t>(i)), messages_[i - 1].text, colour, -1, true, 10);
    }
  });
}

}  // namespace mellox
