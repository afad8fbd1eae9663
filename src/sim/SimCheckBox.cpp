#include "sim/SimCheckBox.h"

namespace mellox::sim {

void SimCheckBox::UserCheck(bool checked) {
  checked_ = checked;
  Change.Emit(Id(), checked);
}

}  // namespace mellox::sim
