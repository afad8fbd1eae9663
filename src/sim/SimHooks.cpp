#include "sim/SimHooks.h"

#include <utility>

#include "sim/SimGame.h"
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

void SimHooks::ChatBarKey(std::int32_t vk, char character) {
  constexpr std::int32_t kEnter = 13;
  if (vk == kEnter) {
    if (!chatState_) {
      chatState_ = true;
      return;
    }
    const std::string text = std::move(chatText_);
    SetChatState(false);
    // Enter on an empty bar only closes it.
    if (!text.empty()) SubmitTyped(text);
    return;
  }
  if (chatState_ && character != 0) chatText_ += character;
}

bool SimHooks::SubmitTyped(const std::string& text) {
  bool eat = false;
  ChatParserIntercept.Emit(text, eat);
  if (!eat) Record("typed: " + text);
  return eat;
}

void SimHooks::SetChatState(bool active) {
  chatState_ = active;
  if (!active) chatText_.clear();
}

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
  if (Answering()) stackSize_ = game_.StackSize(id);
}

void SimHooks::PlayerSelect(std::int32_t id) {
  selection_ = id;
  stackSize_ = game_.StackSize(id);
}

void SimHooks::SetSelectedStackSize(std::int32_t count) {
  Record("item: split " + N(count));
  if (!Answering()) return;
  // The part split off becomes the selection, so the next action takes just that many.
  const std::int32_t piece = game_.Split(selection_, count);
  if (piece == 0) return;
  selection_ = piece;
  stackSize_ = count;
}

void SimHooks::UseItem(std::int32_t id, std::int32_t mode) { Record("item: use " + N(id) + " " + N(mode)); }

void SimHooks::ApplyItem(std::int32_t item, std::int32_t target) {
  Record("item: apply " + N(item) + " " + N(target));
  if (Answering()) game_.Apply(item, target);
}

void SimHooks::GiveItem(std::int32_t item, std::int32_t target) { Record("item: give " + N(item) + " " + N(target)); }

void SimHooks::MoveItem(std::int32_t item, std::int32_t destination) {
  Record("item: move " + N(item) + " " + N(destination));
  if (Answering()) game_.Move(item, destination);
}

void SimHooks::RequestIdentify(std::int32_t id) {
  Record("item: identify " + N(id));
  if (identify_) identify_(id);
}

void SimHooks::VendorAddToBuyList(std::int32_t id, std::int32_t count) {
  Record("vendor: buy-add " + N(id) + " " + N(count));
  if (VendorAnswering()) game_.AddToBuyList(id, count);
}

void SimHooks::VendorBuyAll() {
  Record("vendor: buy-all");
  if (VendorAnswering()) game_.BuyAll();
}

void SimHooks::VendorAddToSellList(std::int32_t id) {
  Record("vendor: sell-add " + N(id));
  if (VendorAnswering()) game_.AddToSellList(id);
}

void SimHooks::VendorSellAll() {
  Record("vendor: sell-all");
  if (VendorAnswering()) game_.SellAll();
}

void SimHooks::SetVendorId(std::int32_t id) {
  vendor_ = id;
  game_.ClearLists();
}

}  // namespace mellox::sim
