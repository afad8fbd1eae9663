// The HUD pages of the settings view: the master switch and general HUD list,
// the main HUD's lines, the clock list and options, the watched items, and
// the status and target choices. The handlers are ControlHandler's (defined
// in HudSettingsPages.cpp); what they share with the settings loader is here.
#pragma once

#include <cstdint>
#include <string>

#include "platform/HostView.h"

namespace mellox {
class ControlHandler;
}

namespace mellox::HudPages {

// The face name of a font's short name ("Courier" -> "Courier New"); empty
// when the font table lacks it (the engine then uses its default face).
std::string FaceOf(const std::string& shortName);

// A HUD's background as its general-list row states it: the colour of the
// swatch in column 4 at the transparency text of column 5.
double RowBackground(platform::ListControl& general, std::int32_t row);

// The statistics light up the main HUD's "XP Change" line after an
// experience change exactly while that line is ticked in the line list.
void SetXPChangeOn(ControlHandler& ch);

}  // namespace mellox::HudPages
