#include "sim/SimHooks.h"

#include "sim/SimRecorder.h"
#include "sim/SimWorld.h"

namespace mellox::sim {

namespace {
std::string N(std::int64_t v) { return std::to_string(v); }
}  // namespace

void SimHooks::Record(const std::string& line) { recorder_.Emit(line); }

void SimHooks::AddChatLine(const std::string& text, std::int32_t color, std::int32_t window) {
  Record("chat " + N(color) + " " + N(window) + ": " + text);
}

void SimHooks::AddChatLineRaw(const std::string& text, std::int32_t color, std::int32_t window) {
  Record("chat " + N(color) + " " + N(window) + ": " + text);
}

void SimHooks::InvokeChatParser(const std::string& text) { Record("parser: " + text); }

void SimHooks::SetIdleTime(double seconds) {
  std::string text = std::to_string(seconds);
  // Trim the fixed six decimals to the shortest exact form ("600", "12.5").
  if (text.find('.') != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  Record("idle: " + text);
}

bool SimHooks::IsValidObject(std::int32_t id) { return world_.ObjectById(id) != nullptr; }

void SimHooks::SelectItem(std::int32_t id) {
  selection_ = id;
  Record("item: select " + N(id));
}

void SimHooks::SetSelectedStackSize(std::int32_t count) { Record("item: split " + N(count)); }

void SimHooks::UseItem(std::int32_t id, std::int32_t mode) { Record("item: use " + N(id) + " " + N(mode)); }

void SimHooks::ApplyItem(std::int32_t item, std::int32_t target) {
  Record("item: apply " + N(item) + " " + N(target));
}

void SimHooks::GiveItem(std::int32_t item, std::int32_t target) { Record("item: give " + N(item) + " " + N(target)); }

void SimHooks::MoveItem(std::int32_t item, std::int32_t destination) {
  Record("item: move " + N(item) + " " + N(destination));
}

void SimHooks::RequestIdentify(std::int32_t id) {
  Record("item: identify " + N(id));
  if (identify_) identify_(id);
}

void SimHooks::VendorAddToBuyList(std::int32_t id, std::int32_t count) {
  Record("vendor: buy-add " + N(id) + " " + N(count));
}

void SimHooks::VendorBuyAll() { Record("vendor: buy-all"); }

void SimHooks::VendorAddToSellList(std::int32_t id) { Record("vendor: sell-add " + N(id)); }

void SimHooks::VendorSellAll() { Record("vendor: sell-all"); }

}  // namespace mellox::sim
