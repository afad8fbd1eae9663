// The chat-log page of the settings view: the log view with its search,
// filter, sort and clear controls, the boxes that decide what is logged where,
// and the away box. The boxes and texts are the option store; these handlers
// only act on a change and drive the log. Each does nothing while the plug-in
// is inactive; errors pass to the caller (the event subscription reports them
// under the handler's name).
#pragma once

#include <cstdint>
#include <string>

namespace mellox {

class ControlHandler;

class ChatLogPage {
 public:
  explicit ChatLogPage(ControlHandler& controls) : ch_(controls) {}

  // Ticked: tells the game the player is away. Nothing is saved.
  void ChatLogAFK_Change(bool ticked);
  // Ticked while no file log runs: starts one under the automatic name. Saves.
  void ChatLogAuto_Change(bool ticked);
  // Renames the log to the automatic name for the new state. Saves.
  void ChatLogByDate_Change();
  void ChatLogClear_Accepted();
  // Flips the sort between newest first ("D") and oldest first ("A").
  void ChatLogDir_Accepted();
  void ChatLogFilter_Change(std::int32_t index);
  // A line limit that is not a number that fits is put back as it was. Saves.
  void ChatLogMax_End();
  void ChatLogSearch_Change(const std::string& text);
  // Reopens the log under the same name in the form now chosen. Saves.
  void ChatLogXML_Change();
  // A click in column 0 writes that line's details to chat.
  void ChatLogView_Change(std::int32_t id, std::int32_t column, std::int32_t row);
  // The view and file boxes and the other boxes that are only read when used.
  void ChatLogOptions_Change(std::int32_t id);
  void SaveOnly_Change();

 private:
  ControlHandler& ch_;
};

}  // namespace mellox
