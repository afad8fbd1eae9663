// ControlHandler: routes the events of the chat-log page and the chat rule
// pages to their handlers. Each event is trapped under the handler's own name.
#include <string>

#include "chat/ChatLogPage.h"
#include "chat/ChatRulePages.h"
#include "core/Trap.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

constexpr const char* kClass = "ControlHandler";

template <class F>
auto Trapped(const char* proc, F body) {
  return [proc, body](auto... args) { Trap(proc, kClass, [&] { body(args...); }); };
}

}  // namespace

void ControlHandler::SubscribeChatPageEvents() {
  using Id = std::int32_t;
  auto& ev = events_;
  auto log = [this] { return ChatLogPage(*this); };
  auto rules = [this] { return ChatRulePages(*this, SelectedChatColorRow, SelectedChatCustomRow); };

  // Chat-log page.
  if (ChatLogAFK)
    ev.push_back(ChatLogAFK->Change.Connect(
        Trapped("ChatLogAFK_Change", [log](Id, bool ticked) { log().ChatLogAFK_Change(ticked); })));
  if (ChatLogAuto)
    ev.push_back(ChatLogAuto->Change.Connect(
        Trapped("ChatLogAuto_Change", [log](Id, bool ticked) { log().ChatLogAuto_Change(ticked); })));
  if (ChatLogByDate)
    ev.push_back(ChatLogByDate->Change.Connect(
        Trapped("ChatLogByDate_Change", [log](Id, bool) { log().ChatLogByDate_Change(); })));
  if (ChatLogXML)
    ev.push_back(
        ChatLogXML->Change.Connect(Trapped("ChatLogXML_Change", [log](Id, bool) { log().ChatLogXML_Change(); })));
  if (ChatLogEnable)
    ev.push_back(
        ChatLogEnable->Change.Connect(Trapped("ChatLogEnable_Change", [log](Id, bool) { log().SaveOnly_Change(); })));
  if (ChatLogTimestamp)
    ev.push_back(ChatLogTimestamp->Change.Connect(
        Trapped("ChatLogTimestamp_Change", [log](Id, bool) { log().SaveOnly_Change(); })));
  if (ChatLogClear)
    ev.push_back(
        ChatLogClear->Accepted.Connect(Trapped("ChatLogClear_Accepted", [log](Id) { log().ChatLogClear_Accepted(); })));
  if (ChatLogDir)
    ev.push_back(ChatLogDir->Accepted.Connect(Trapped("ChatLogDir_Accepted", [log](Id) { log().ChatLogDir_Accepted(); })));
  if (ChatLogFilter)
    ev.push_back(ChatLogFilter->Change.Connect(
        Trapped("ChatLogFilter_Change", [log](Id, Id index) { log().ChatLogFilter_Change(index); })));
  if (ChatLogMax)
    ev.push_back(ChatLogMax->End.Connect(Trapped("ChatLogMax_End", [log](Id, bool) { log().ChatLogMax_End(); })));
  if (ChatLogSearch)
    ev.push_back(ChatLogSearch->Change.Connect(
        Trapped("ChatLogSearch_Change", [log](Id, const std::string& text) { log().ChatLogSearch_Change(text); })));
  if (ChatLogOptions)
    ev.push_back(ChatLogOptions->Change.Connect(
        Trapped("ChatLogOptions_Change", [log](Id id, Id, Id) { log().ChatLogOptions_Change(id); })));
  if (ChatLogView)
    ev.push_back(ChatLogView->Change.Connect(Trapped(
        "ChatLogView_Change", [log](Id id, Id column, Id row) { log().ChatLogView_Change(id, column, row); })));

  // Chat colour rows.
  if (ChatColor)
    ev.push_back(ChatColor->Change.Connect(Trapped(
        "ChatColor_Change", [rules](Id id, Id column, Id row) { rules().ChatColor_Change(id, column, row); })));
  if (ChatColorSound)
    ev.push_back(ChatColorSound->Change.Connect(
        Trapped("ChatColorSound_Change", [rules](Id, Id index) { rules().ChatColorSound_Change(index); })));
  if (ChatColorColor)
    ev.push_back(ChatColorColor->Change.Connect(
        Trapped("ChatColorColor_Change", [rules](Id, Id index) { rules().ChatColorColor_Change(index); })));
  if (ChatColorWindow)
    ev.push_back(ChatColorWindow->Change.Connect(
        Trapped("ChatColorWindow_Change", [rules](Id, Id index) { rules().ChatColorWindow_Change(index); })));

  // Custom rules.
  if (ChatCustom)
    ev.push_back(ChatCustom->Change.Connect(Trapped(
        "ChatCustom_Change", [rules](Id id, Id column, Id row) { rules().ChatCustom_Change(id, column, row); })));
  if (ChatCustomSound)
    ev.push_back(ChatCustomSound->Change.Connect(
        Trapped("ChatCustomSound_Change", [rules](Id, Id index) { rules().ChatCustomSound_Change(index); })));
  struct Button {
    ObjRef<platform::PushButtonControl>* button;
    const char* proc;
    void (ChatRulePages::*handler)();
  };
  const Button buttons[] = {
      {&ChatCustomAdd, "ChatCustomAdd_Accepted", &ChatRulePages::ChatCustomAdd_Accepted},
      {&ChatCustomEdit, "ChatCustomEdit_Accepted", &ChatRulePages::ChatCustomEdit_Accepted},
      {&ChatCustomDelete, "ChatCustomDelete_Accepted", &ChatRulePages::ChatCustomDelete_Accepted},
      {&ChatCustomDown, "ChatCustomDown_Accepted", &ChatRulePages::ChatCustomDown_Accepted},
      {&ChatCustomUp, "ChatCustomUp_Accepted", &ChatRulePages::ChatCustomUp_Accepted},
      {&FilterAdd, "FilterAdd_Accepted", &ChatRulePages::FilterAdd_Accepted},
      {&AliasAdd, "AliasAdd_Accepted", &ChatRulePages::AliasAdd_Accepted},
  };
  for (const Button& b : buttons) {
    if (!*b.button) continue;
    auto handler = b.handler;
    ev.push_back((*b.button)->Accepted.Connect(Trapped(b.proc, [rules, handler](Id) {
      ChatRulePages pages = rules();
      (pages.*handler)();
    })));
  }

  // Word filters, aliases, chat options.
  if (ChatFilter)
    ev.push_back(ChatFilter->Change.Connect(
        Trapped("ChatFilter_Change", [rules](Id, Id column, Id row) { rules().ChatFilter_Change(column, row); })));
  if (ChatAlias)
    ev.push_back(ChatAlias->Change.Connect(
        Trapped("ChatAlias_Change", [rules](Id, Id column, Id row) { rules().ChatAlias_Change(column, row); })));
  if (ChatOptions)
    ev.push_back(
        ChatOptions->Change.Connect(Trapped("ChatOptions_Change", [rules](Id, Id, Id) { rules().ChatOptions_Change(); })));
}

}  // namespace mellox
