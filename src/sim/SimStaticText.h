#pragma once

#include "sim/SimControl.h"

namespace mellox::sim {

class SimStaticText : public SimControl<platform::StaticTextControl> {
 public:
  SimStaticText(std::int32_t id, std::string name, std::string text)
      : SimControl(id, std::move(name)), text_(std::move(text)) {}
  std::string TextGet() override { return text_; }
  void TextLet(const std::string& text) override { text_ = text; }

 private:
  std::string text_;
};

}  // namespace mellox::sim
