// The plug-in with helpers that place items in the simulated world and read
// back the item, vendor and sound actions it took.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/TimeModule.h"
#include "host/FilterHandler.h"
#include "host/HostTestFixture.h"
#include "platform/System.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimHooks.h"

namespace mellox::test {

inline constexpr std::int32_t kStackKey = 0x0D000006;
using Lines = std::vector<std::string>;

class AutomationTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    RouteOwnLinesToMain();
  }
  // Changes the placed defaults before the login reads them.
  void EditDefaults(const std::string& from, const std::string& to) {
    std::string text = ReadText(DefaultsFile());
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    std::ofstream(DefaultsFile(), std::ios::binary) << text.replace(at, from.size(), to);
  }
  FilterHandler& fh() { return *FilterHandlerInstance; }
  ControlHandler& ch() { return *ControlHandlerInstance; }
  std::int32_t Me() { return host->Character().Character(); }
  sim::SimWorldObject& Carry(std::int32_t id, const std::string& name, std::int32_t objectClass = 0) {
    auto& obj = host->World().AddObject(id, name, objectClass);
    host->World().AddToInventory(id, Me());
    return obj;
  }
  // The "item:", "vendor:" and "sound:" lines since mark (only "item: apply" with applyOnly).
  Lines Actions(std::size_t mark, bool applyOnly = false) const {
    Lines out;
    for (const std::string& l : Since(mark)) {
      const bool action = l.rfind("item: ", 0) == 0 || l.rfind("vendor: ", 0) == 0 || l.rfind("sound: ", 0) == 0;
      if (action && (!applyOnly || l.rfind("item: apply ", 0) == 0)) out.push_back(l);
    }
    return out;
  }
  Lines Applied(std::size_t mark) const { return Actions(mark, true); }
  Lines Apply(std::int32_t id) { return {"item: apply " + std::to_string(id) + " " + std::to_string(Me())}; }
};

}  // namespace mellox::test
