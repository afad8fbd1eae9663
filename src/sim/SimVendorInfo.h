// The open vendor's goods, a snapshot.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/World.h"

namespace mellox::sim {

class SimVendorInfo : public platform::VendorInfo {
 public:
  SimVendorInfo(std::vector<std::shared_ptr<platform::WorldObject>> goods, double buyRate)
      : goods_(std::move(goods)), buyRate_(buyRate) {}

  void ByName(const std::string& name) override;
  bool Next(std::shared_ptr<platform::WorldObject>& item) override;
  double BuyRate() override { return buyRate_; }

 private:
  std::vector<std::shared_ptr<platform::WorldObject>> goods_;
  double buyRate_;
  std::size_t next_ = 0;
};

}  // namespace mellox::sim
