// Reading list cells and choice data of the settings view with the runtime's
// conversion rules (a check cell may hold a truth value, a number or text).
#pragma once

#include <cstdint>
#include <string>

#include "platform/Variant.h"

namespace mellox {

// Empty is False; numbers are True when not 0; text goes through CBool
// (raises 13 when it is not a truth value or a number).
bool CellBool(const platform::Variant& value);
// Empty is ""; numbers in the runtime's own text form; truth values "True"/"False".
std::string CellText(const platform::Variant& value);
// Empty is 0; real numbers and text are rounded half to even (raises 13/6 as CLng does).
std::int32_t CellLong(const platform::Variant& value);

}  // namespace mellox
