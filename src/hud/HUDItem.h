// One line (or cell) of a HUD: coloured text, optionally with a game icon.
#pragma once

#include <cstdint>
#include <string>

namespace mellox {

struct HUDItem {
  std::string data;           // the text
  std::string color;          // a colour name of the HUD colour table
  std::int32_t alpha = 10;    // opacity step 0 .. 10
  std::int32_t icon = -1;     // game icon id, -1 for none
  bool newline = false;       // the item ends its row
  std::int32_t width = 0;     // pixel width of data in the HUD's font when stored
  bool updated = false;       // must be repainted
};

}  // namespace mellox
