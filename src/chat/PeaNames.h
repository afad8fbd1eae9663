// The pea that a spell component is split from: the splitting tool is queued
// on it when a cast uses up a component the player keeps in stock.
#pragma once

#include <string>

namespace mellox {

class PeaNames {
 public:
  // The pea of a component name (exact: case and blanks count);
  // "Unknown Pea" for any text that is not a known component.
  static std::string PeaName(const std::string& component);
};

}  // namespace mellox
