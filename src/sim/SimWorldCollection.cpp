#include "sim/SimWorldCollection.h"

#include <algorithm>

namespace mellox::sim {

bool SimWorldCollection::NextItem(std::shared_ptr<platform::WorldObject>& item) {
  if (next_ >= items_.size()) {
    item.reset();
    return false;
  }
  item = items_[next_++];
  return true;
}

void SimWorldCollection::NameFilter(const std::string& name) {
  std::erase_if(items_, [&](const auto& o) { return o->Name() != name; });
  next_ = 0;
}

void SimWorldCollection::NameFilter2(const std::string& name) {
  std::erase_if(items_, [&](const auto& o) { return o->Name().find(name) == std::string::npos; });
  next_ = 0;
}

}  // namespace mellox::sim
