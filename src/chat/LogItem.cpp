#include "chat/LogItem.h"

#include <utility>

namespace mellox {

LogItem::LogItem(std::string message, std::int32_t msgtype, std::int32_t msgcolor, std::int64_t msgdate,
                 std::int32_t msgtag, std::int32_t msgId)
    : message_(std::move(message)),
      msgtype_(msgtype),
      msgcolor_(msgcolor),
      msgdate_(msgdate),
      msgtag_(msgtag),
      msgId_(msgId) {}

}  // namespace mellox
