#pragma once

#include "sim/SimControl.h"

namespace mellox::sim {

class SimPushButton : public SimControl<platform::PushButtonControl> {
 public:
  SimPushButton(std::int32_t id, std::string name, std::string text)
      : SimControl(id, std::move(name)), text_(std::move(text)) {}
  std::string TextGet() override { return text_; }
  void TextLet(const std::string& text) override { text_ = text; }
  void UserPress() { Accepted.Emit(Id()); }

 private:
  std::string text_;
};

}  // namespace mellox::sim
