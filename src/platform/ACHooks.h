// The game hooks: chat output, game state, item actions, vendor and the
// intercept events. Eat = true makes the game drop the line or click.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Event.h"
#include "platform/Geometry.h"

namespace mellox::platform {

class ACHooks {
 public:
  virtual ~ACHooks() = default;

  // Chat output.
  virtual void AddChatLine(const std::string& text, std::int32_t color, std::int32_t window) = 0;
  virtual void AddChatLineRaw(const std::string& text, std::int32_t color, std::int32_t window) = 0;
  virtual void InvokeChatParser(const std::string& text) = 0;
  virtual bool ChatState() = 0;

  // Game state.
  virtual void SetIdleTime(double seconds) = 0;
  virtual std::int32_t GetCurrentSelection() = 0;
  virtual Rect Get3DRegion() = 0;
  virtual std::int32_t BusyState() = 0;
  virtual std::int32_t PointerState() = 0;
  virtual std::int32_t CombatMode() = 0;
  virtual bool IsValidObject(std::int32_t id) = 0;
  virtual std::int32_t ExcludedContainer() = 0;

  // Items.
  virtual void SelectItem(std::int32_t id) = 0;
  virtual std::int32_t SelectedStackSize() = 0;
  virtual void SetSelectedStackSize(std::int32_t count) = 0;
  virtual void UseItem(std::int32_t id, std::int32_t mode) = 0;
  virtual void ApplyItem(std::int32_t item, std::int32_t target) = 0;
  virtual void GiveItem(std::int32_t item, std::int32_t target) = 0;
  virtual void MoveItem(std::int32_t item, std::int32_t destination) = 0;
  virtual void RequestIdentify(std::int32_t id) = 0;

  // Vendor.
  virtual std::int32_t VendorId() = 0;
  virtual void VendorAddToBuyList(std::int32_t id, std::int32_t count) = 0;
  virtual void VendorBuyAll() = 0;
  virtual void VendorAddToSellList(std::int32_t id) = 0;
  virtual void VendorSellAll() = 0;

  // Events.
  Event<std::int32_t, std::int32_t, std::int32_t, std::int32_t> AC3DRegionChanged;
  Event<const std::string&, std::int32_t, std::int32_t, bool&> ChatTextIntercept;  // text, colour, window
  Event<const std::string&, bool&> ChatParserIntercept;
  Event<const std::string&, bool&> StatusTextIntercept;
  Event<const std::string&, std::int32_t, bool&> ChatClickIntercept;  // text, id
  Event<std::int32_t> ContainerOpened;
  Event<std::int32_t> ObjectSelected;
};

}  // namespace mellox::platform
