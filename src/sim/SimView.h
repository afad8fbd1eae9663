// The settings view built from a view description:
//   <view title=".." left=".." top=".." width=".." height="..">
//     <control type="notebook" name=".."><page label=".."> controls </page></control>
//     <control type="checkbox|choice|edit|list|pushbutton|static|slider|progress" name=".." .../>
//   </view>
// Controls get ids 1000, 1001, ... in document order.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/HostView.h"

namespace pugi {
class xml_node;
}

namespace mellox::sim {

// Placement attributes of a control as written; -1 when absent (the sim does not lay out).
struct SimPlacement {
  std::int32_t left = -1;
  std::int32_t top = -1;
  std::int32_t width = -1;
  std::int32_t height = -1;
};

class SimView : public platform::HostView {
 public:
  static constexpr std::int32_t kFirstControlId = 1000;

  // Raises VBError 5 with the reason when the description cannot be read.
  static std::unique_ptr<SimView> Parse(const std::string& description);

  platform::HostControl* Control(const std::string& name) override;
  platform::Rect PositionGet() override { return position_; }
  void PositionLet(const platform::Rect& rect) override { position_ = rect; }
  std::string Title() override { return title_; }

  // The control of that name as its sim type; raises std::invalid_argument
  // when there is none of that type, so a test fails loudly.
  template <class T>
  T& Get(const std::string& name) {
    auto* control = dynamic_cast<T*>(Control(name));
    if (!control) throw std::invalid_argument("view has no control " + name + " of that type");
    return *control;
  }
  SimPlacement Placement(const std::string& name) const;
  // Control names in document order.
  const std::vector<std::string>& Names() const { return order_; }

 private:
  SimView() = default;
  void ReadChildren(const pugi::xml_node& parent, bool inNotebook);
  void ReadControl(const pugi::xml_node& node);

  std::string title_;
  platform::Rect position_{};
  std::map<std::string, std::unique_ptr<platform::HostControl>> controls_;
  std::map<std::string, SimPlacement> placement_;
  std::vector<std::string> order_;
  std::int32_t nextId_ = kFirstControlId;
};

}  // namespace mellox::sim
