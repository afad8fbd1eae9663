// What every simulated view control shares: its id and view name.
#pragma once

#include <cstdint>
#include <string>

#include "platform/HostView.h"

namespace mellox::sim {

template <class Base>
class SimControl : public Base {
 public:
  SimControl(std::int32_t id, std::string name) : id_(id), name_(std::move(name)) {}
  std::int32_t Id() const override { return id_; }
  const std::string& Name() const override { return name_; }

 private:
  std::int32_t id_;
  std::string name_;
};

}  // namespace mellox::sim
