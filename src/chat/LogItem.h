// One line of the chat log. The member names are those the data file stores
// (message, type, color, tag, date), so they are part of that file's contract.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace mellox {

class LogItem {
 public:
  LogItem() = default;
  LogItem(std::string message, std::int32_t msgtype, std::int32_t msgcolor, std::int64_t msgdate,
          std::int32_t msgtag, std::int32_t msgId);

  const std::string& message() const { return message_; }
  void message(std::string value) { message_ = std::move(value); }
  std::int32_t msgtype() const { return msgtype_; }
  void msgtype(std::int32_t value) { msgtype_ = value; }
  // Chat colour code the line is shown in (0..31; 32 for the plug-in's own
  // lines that kept their default colour).
  std::int32_t msgcolor() const { return msgcolor_; }
  void msgcolor(std::int32_t value) { msgcolor_ = value; }
  // Unix seconds of the local time the line was logged.
  std::int64_t msgdate() const { return msgdate_; }
  void msgdate(std::int64_t value) { msgdate_ = value; }
  // Log category 1..19.
  std::int32_t msgtag() const { return msgtag_; }
  void msgtag(std::int32_t value) { msgtag_ = value; }
  // Unique within a run in the in-memory log; 0 for lines queued for the file.
  std::int32_t MsgID() const { return msgId_; }
  void MsgID(std::int32_t value) { msgId_ = value; }

 private:
  std::string message_;
  std::int32_t msgtype_ = 0;
  std::int32_t msgcolor_ = 0;
  std::int64_t msgdate_ = 0;
  std::int32_t msgtag_ = 0;
  std::int32_t msgId_ = 0;
};

}  // namespace mellox
