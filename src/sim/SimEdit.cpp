#include "sim/SimEdit.h"

namespace mellox::sim {

void SimEdit::UserEdit(const std::string& text) {
  text_ = text;
  Change.Emit(Id(), text);
  End.Emit(Id(), true);
}

}  // namespace mellox::sim
