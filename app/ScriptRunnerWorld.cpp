// The verbs that stand for the game's side of a trade and of the chat bar.
#include <cmath>
#include <string>

#include "ScriptArgs.h"
#include "ScriptRunner.h"
#include "core/TextEncoding.h"
#include "sim/SimHooks.h"
#include "sim/SimWorld.h"

namespace mellox::app {

void ScriptRunner::AddWorldVerbs() {
  verbs_["vendor"] = [this](const std::string& args) {
    std::string rest = args;
    const std::string what = NextWord(rest);
    auto& hooks = host_.Hooks();
    auto& world = host_.World();
    if (what == "open") {
      const auto id = ParseInt32(NextWord(rest), "vendor id");
      const double rate = ParseReal(NextWord(rest), "rate");
      NoMore(rest, "vendor open ID RATE");
      // The plug-in reads a vendor id of 0 or less as no vendor open.
      if (id <= 0) Fail("a vendor id must be above 0");
      if (!std::isfinite(rate)) Fail("a vendor's rate must be a finite number");
      if (rate < 0) Fail("a vendor's rate cannot be negative");
      // A vendor trades with a character in the world only.
      InPlay("vendor open");
      world.SetVendorGoods({});
      world.SetVendorBuyRate(rate);
      hooks.SetVendorId(id);
    } else if (what == "sells") {
      const auto id = ParseInt32(NextWord(rest), "object id");
      NoMore(rest, "vendor sells ID");
      if (hooks.VendorId() <= 0) Fail("no vendor is open (vendor open ID RATE)");
      WorldObject(id);
      world.AddVendorGood(id);
    } else if (what == "close") {
      NoMore(rest, "vendor close");
      CloseVendor();
    } else {
      Fail("vendor open ID RATE, vendor sells ID, or vendor close");
    }
  };
  verbs_["expect-chatbar"] = [this](const std::string& args) {
    auto& hooks = host_.Hooks();
    if (!hooks.ChatState()) Fail("the chat bar is not open");
    const std::string text = TextEncoding::ToUtf8(hooks.ChatBarText());
    if (text != args) Fail("the chat bar holds '" + text + "', expected '" + args + "'");
  };
}

}  // namespace mellox::app
