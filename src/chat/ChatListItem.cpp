#include "chat/ChatListItem.h"

#include <utility>

namespace mellox {

ChatListItem::ChatListItem(std::string textIn, std::string listId, std::int32_t color)
    : textIn_(std::move(textIn)), listId_(std::move(listId)), color_(color) {}

}  // namespace mellox
