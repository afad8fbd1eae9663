// What every control of the settings view holds at one moment, and putting
// it back. The controls are those the view description names, so a control
// the description gains later is taken and put back with the others.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/HostView.h"
#include "platform/Variant.h"

namespace mellox {

class ViewSnapshot {
 public:
  // Reads every control the description names: a check box's state, the
  // text of an edit, static text or button, a choice's entries and
  // selection, a slider's or progress bar's position, a list's rows (the
  // cells of its described columns, sub-values 0 and 1) and scroll position.
  static ViewSnapshot Take(platform::HostView& view, const std::string& description);
  // Writes each control back as taken (code writes raise no control event).
  // A control that cannot be written is reported; the others still are.
  void Restore(platform::HostView& view) const;

 private:
  enum class Kind { Check, Edit, Static, Button, Choice, Slider, Progress, List };
  using Cell = std::array<platform::Variant, 2>;
  struct Saved {
    std::string name;
    Kind kind = Kind::Static;
    bool checked = false;
    std::string text;
    std::int32_t number = 0;  // slider or progress position, choice selection, list scroll
    std::vector<std::pair<std::string, platform::Variant>> entries;
    std::vector<std::vector<Cell>> rows;
  };
  // False for a control that holds nothing to put back (a notebook).
  static bool Read(platform::HostControl& control, std::int32_t columns, Saved& saved);
  static void Write(platform::HostControl& control, const Saved& saved);

  std::vector<Saved> controls_;
};

}  // namespace mellox
