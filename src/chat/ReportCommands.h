// The report commands: the character's location, the tracked corpse, the
// session's experience and the progress to the next level, each one line
// shown to the player or said on a chat channel; and the experience table.
// They only read.
#pragma once

#include <cstdint>
#include <string>

namespace mellox {

class ReportCommands {
 public:
  enum class Report { Location, Corpse, XP, Level };

  // The longest experience table one command writes; a longer range is
  // refused, so a typo cannot flood the chat for hours.
  static constexpr std::int64_t kMaxXPListLines = 1000;

  // The report's line from the values of this moment.
  static std::string Line(Report report);
  // Sends the line as the channel letter says: 0 (none) an own message;
  // 'f', 'a', 'p', 'v', 'c', 'r' "/f ", "/a " ... before the line, to the game's
  // chat parser; 'o' the bare line to the parser (default chat).
  static void Send(char channel, const std::string& line);
  // Line, then Send.
  static void Run(Report report, char channel);

  // The experience table: one own message "L: total (step)" per level from
  // first to last; nothing when last is below first. Traps its own errors.
  static void XPList(std::int32_t first, std::int32_t last);
};

}  // namespace mellox
