#include "sim/SimVendorInfo.h"

#include <algorithm>

namespace mellox::sim {

void SimVendorInfo::ByName(const std::string& name) {
  std::erase_if(goods_, [&](const auto& o) { return o->Name() != name; });
  next_ = 0;
}

bool SimVendorInfo::Next(std::shared_ptr<platform::WorldObject>& item) {
  if (next_ >= goods_.size()) {
    item.reset();
    return false;
  }
  item = goods_[next_++];
  return true;
}

}  // namespace mellox::sim
