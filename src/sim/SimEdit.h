#pragma once

#include "sim/SimControl.h"

namespace mellox::sim {

class SimEdit : public SimControl<platform::EditControl> {
 public:
  SimEdit(std::int32_t id, std::string name, std::string text)
      : SimControl(id, std::move(name)), text_(std::move(text)) {}
  std::string TextGet() override { return text_; }
  void TextLet(const std::string& text) override { text_ = text; }
  // The user types text and leaves the field: Change(id, text), then End(id, true).
  void UserEdit(const std::string& text);

 private:
  std::string text_;
};

}  // namespace mellox::sim
