#pragma once

#include "sim/SimControl.h"

namespace mellox::sim {

class SimCheckBox : public SimControl<platform::CheckBoxControl> {
 public:
  SimCheckBox(std::int32_t id, std::string name, bool checked) : SimControl(id, std::move(name)), checked_(checked) {}
  bool CheckedGet() override { return checked_; }
  void CheckedLet(bool checked) override { checked_ = checked; }
  // The user ticks or clears the box: Change(id, state).
  void UserCheck(bool checked);

 private:
  bool checked_;
};

}  // namespace mellox::sim
