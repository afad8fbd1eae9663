// Shared set-up of the benchmarks.
#pragma once

#include <cstdint>
#include <string>

#include "settings_view/ControlHandler.h"

namespace mellox::bench {

// 50 custom rules and 20 filter words (whole and part) that no benchmark line
// matches, so every row is read and tried on every line.
inline void AddUnmatchedChatRules(ControlHandler& ch) {
  for (int i = 0; i < 50; ++i) {
    const std::int32_t row = ch.ChatCustom->AddRow();
    ch.ChatCustom->DataLet(0, row, 0, true);
    ch.ChatCustom->DataLet(1, row, 0, "*custom rule pattern " + std::to_string(i) + "*");
    ch.ChatCustom->DataLet(2, row, 0, "M");
    ch.ChatCustom->DataLet(3, row, 0, i % 2 ? "All" : "2");
    ch.ChatCustom->DataLet(4, row, 1, 103);
    ch.ChatCustom->DataLet(5, row, 0, "None");
    ch.ChatCustom->DataLet(6, row, 0, "");
  }
  for (int i = 0; i < 20; ++i) {
    const std::int32_t row = ch.ChatFilter->AddRow();
    ch.ChatFilter->DataLet(0, row, 0, true);
    ch.ChatFilter->DataLet(1, row, 0, "naughtyword" + std::to_string(i));
    ch.ChatFilter->DataLet(2, row, 0, i % 2 ? "Whole" : "Part");
    ch.ChatFilter->DataLet(3, row, 0, "Replace");
  }
}

}  // namespace mellox::bench
