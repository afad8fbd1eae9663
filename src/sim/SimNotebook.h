#pragma once

#include <string>
#include <vector>

#include "sim/SimControl.h"

namespace mellox::sim {

class SimNotebook : public SimControl<platform::NotebookControl> {
 public:
  SimNotebook(std::int32_t id, std::string name) : SimControl(id, std::move(name)) {}
  void AddPage(std::string label) { pages_.push_back(std::move(label)); }
  const std::vector<std::string>& Pages() const { return pages_; }

 private:
  std::vector<std::string> pages_;
};

}  // namespace mellox::sim
