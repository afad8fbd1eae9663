#pragma once

#include <vector>

#include "sim/SimControl.h"

namespace mellox::sim {

class SimChoice : public SimControl<platform::ChoiceControl> {
 public:
  SimChoice(std::int32_t id, std::string name) : SimControl(id, std::move(name)) {}
  void AddChoice(const std::string& text, const platform::Variant& data) override;
  std::int32_t ChoiceCount() override { return static_cast<std::int32_t>(options_.size()); }
  platform::Variant DataGet(std::int32_t index) override;  // raises 9 out of range
  std::string TextGet(std::int32_t index) override;        // raises 9 out of range
  std::int32_t SelectedGet() override { return selected_; }
  void SelectedLet(std::int32_t index) override;  // -1 clears; raises 380 out of range
  void Clear() override;
  // The user picks an entry: Change(id, index). Raises 9 out of range.
  void UserChoose(std::int32_t index);

 private:
  struct Option {
    std::string text;
    platform::Variant data;
  };
  const Option& At(std::int32_t index) const;
  std::vector<Option> options_;
  std::int32_t selected_ = -1;
};

}  // namespace mellox::sim
