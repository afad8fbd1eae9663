// One row of the chat-type table: a pattern (or one of the markers "_KILL_",
// "_NPC_", "_EXPIRE_"), the name of the chat colour row it selects and the
// chat type the row applies to.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace mellox {

class ChatListItem {
 public:
  ChatListItem() = default;
  ChatListItem(std::string textIn, std::string listId, std::int32_t color);

  const std::string& TextIn() const { return textIn_; }
  void TextIn(std::string value) { textIn_ = std::move(value); }
  const std::string& ListID() const { return listId_; }
  void ListID(std::string value) { listId_ = std::move(value); }
  std::int32_t color() const { return color_; }
  void color(std::int32_t value) { color_ = value; }

 private:
  std::string textIn_;
  std::string listId_;
  std::int32_t color_ = 0;
};

}  // namespace mellox
