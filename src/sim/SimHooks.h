// The game hooks: chat and item actions are recorded, game state is settable.
// While the character is not busy the game answers the item and vendor
// actions (SimGame); keys pressed in the game window work the chat bar.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/ACHooks.h"

namespace mellox::sim {

class SimGame;
class SimRecorder;
class SimWorld;

class SimHooks : public platform::ACHooks {
 public:
  SimHooks(SimRecorder& recorder, SimWorld& world, SimGame& game) : recorder_(recorder), world_(world), game_(game) {}

  void AddChatLine(const std::string& text, std::int32_t color, std::int32_t window) override;
  void AddChatLineRaw(const std::string& text, std::int32_t color, std::int32_t window) override;
  void InvokeChatParser(const std::string& text) override;
  bool ChatState() override { return chatState_; }

  void SetIdleTime(double seconds) override;
  std::int32_t GetCurrentSelection() override { return selection_; }
  platform::Rect Get3DRegion() override { return region_; }
  std::int32_t BusyState() override { return busy_; }
  std::int32_t PointerState() override { return pointer_; }
  std::int32_t CombatMode() override { return combat_; }
  bool IsValidObject(std::int32_t id) override;
  std::int32_t ExcludedContainer() override { return excluded_; }

  void SelectItem(std::int32_t id) override;
  std::int32_t SelectedStackSize() override { return stackSize_; }
  void SetSelectedStackSize(std::int32_t count) override;
  void UseItem(std::int32_t id, std::int32_t mode) override;
  void ApplyItem(std::int32_t item, std::int32_t target) override;
  void GiveItem(std::int32_t item, std::int32_t target) override;
  void MoveItem(std::int32_t item, std::int32_t destination) override;
  void RequestIdentify(std::int32_t id) override;

  std::int32_t VendorId() override { return vendor_; }
  void VendorAddToBuyList(std::int32_t id, std::int32_t count) override;
  void VendorBuyAll() override;
  void VendorAddToSellList(std::int32_t id) override;
  void VendorSellAll() override;

  // The chat bar. A key going down in the game window: Enter opens the bar,
  // or submits its text and closes it; any other key types its character
  // (0: none) into an open bar.
  void ChatBarKey(std::int32_t vk, char character);
  const std::string& ChatBarText() const { return chatText_; }
  // Text typed into the game: raises the typed-text intercept and shows
  // "typed: TEXT" unless the plug-in ate it (then true).
  bool SubmitTyped(const std::string& text);

  // Sim controls: game state as the game would report it.
  void SetChatState(bool active);  // closing the bar clears it
  void SetCurrentSelection(std::int32_t id) { selection_ = id; }
  // The player selects the object: its stack count becomes the selected stack size.
  void PlayerSelect(std::int32_t id);
  void Set3DRegion(const platform::Rect& rect) { region_ = rect; }  // raises nothing
  void SetBusyState(std::int32_t state) { busy_ = state; }
  void SetPointerState(std::int32_t state) { pointer_ = state; }
  void SetCombatMode(std::int32_t mode) { combat_ = mode; }
  void SetExcludedContainer(std::int32_t id) { excluded_ = id; }
  void SetSelectedStackSizeValue(std::int32_t count) { stackSize_ = count; }
  void SetVendorId(std::int32_t id);  // a vendor window opening or closing empties both lists
  // Receives every identify request after it is recorded (the game's answer).
  void SetIdentifyHandler(std::function<void(std::int32_t)> handler) { identify_ = std::move(handler); }

 private:
  void Record(const std::string& line);
  bool Answering() const { return busy_ == 0; }
  bool VendorAnswering() const { return busy_ == 0 && vendor_ > 0; }
  SimRecorder& recorder_;
  SimWorld& world_;
  SimGame& game_;
  bool chatState_ = false;
  std::string chatText_;
  std::int32_t selection_ = 0;
  platform::Rect region_{0, 0, 800, 600};
  std::int32_t busy_ = 0;
  std::int32_t pointer_ = 0;
  std::int32_t combat_ = 1;
  std::int32_t excluded_ = 0;
  std::int32_t stackSize_ = 0;
  std::int32_t vendor_ = 0;
  std::function<void(std::int32_t)> identify_;
};

}  // namespace mellox::sim
