// The chat rule pages of the settings view: chat colour rows, custom rules,
// word filters, aliases and the chat options. The lists are the only store of
// these rules at run time (the pipeline reads their cells on every line);
// these handlers select rows, copy them into the editing controls and back,
// add, edit, delete and move rows, preview sounds, and save the settings after
// every change. Each does nothing while the plug-in is inactive; an empty
// field, a missing selection or a move past either end is ignored silently.
// Errors pass to the caller (the subscription reports them under the
// handler's name).
#pragma once

#include <cstdint>

namespace mellox {

class ControlHandler;

class ChatRulePages {
 public:
  // colorRow and customRow are the selected rows of the colour and custom
  // lists (-1 none), kept by the settings view and reset when it refills them.
  ChatRulePages(ControlHandler& controls, std::int32_t& colorRow, std::int32_t& customRow)
      : ch_(controls), colorRow_(colorRow), customRow_(customRow) {}

  // Chat colour rows.
  void ChatColor_Change(std::int32_t id, std::int32_t column, std::int32_t row);
  void ChatColorSound_Change(std::int32_t index);
  void ChatColorColor_Change(std::int32_t index);
  void ChatColorWindow_Change(std::int32_t index);

  // Custom rules.
  void ChatCustom_Change(std::int32_t id, std::int32_t column, std::int32_t row);
  void ChatCustomSound_Change(std::int32_t index);
  void ChatCustomAdd_Accepted();
  void ChatCustomEdit_Accepted();
  void ChatCustomDelete_Accepted();
  void ChatCustomDown_Accepted();
  void ChatCustomUp_Accepted();

  // Word filters and aliases.
  void ChatFilter_Change(std::int32_t column, std::int32_t row);
  void FilterAdd_Accepted();
  void ChatAlias_Change(std::int32_t column, std::int32_t row);
  void AliasAdd_Accepted();

  void ChatOptions_Change();

 private:
  // The selected custom rule, -1 when none (or when the row is gone).
  std::int32_t CustomSelection();
  // Columns 1 to 6 of a custom rule from the editing controls.
  void WriteRuleFromEditor(std::int32_t row);

  ControlHandler& ch_;
  std::int32_t& colorRow_;
  std::int32_t& customRow_;
};

}  // namespace mellox
