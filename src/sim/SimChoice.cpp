#include "sim/SimChoice.h"

#include "core/VBError.h"

namespace mellox::sim {

void SimChoice::AddChoice(const std::string& text, const platform::Variant& data) { options_.push_back({text, data}); }

const SimChoice::Option& SimChoice::At(std::int32_t index) const {
  if (index < 0 || index >= static_cast<std::int32_t>(options_.size())) throw VBError(9);
  return options_[static_cast<std::size_t>(index)];
}

platform::Variant SimChoice::DataGet(std::int32_t index) { return At(index).data; }

std::string SimChoice::TextGet(std::int32_t index) { return At(index).text; }

void SimChoice::SelectedLet(std::int32_t index) {
  if (index < -1 || index >= ChoiceCount()) throw VBError(380, "Invalid property value");
  selected_ = index;
}

void SimChoice::Clear() {
  options_.clear();
  selected_ = -1;
}

void SimChoice::UserChoose(std::int32_t index) {
  At(index);
  selected_ = index;
  Change.Emit(Id(), index);
}

}  // namespace mellox::sim
