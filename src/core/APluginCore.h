// The plug-in object the framework creates: builds the global state and the
// handler objects at initialisation and releases them at termination.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Plugin.h"

namespace mellox {

class FilterHandler;
class ChatTextHandler;
class ViewHandler;
class ControlHandler;
class NetEchoHandler;
class SpellFilterHandler;
class KeyboardAC;
class EventQueue;
class CorpseHandler;
class Statistics;
class TimerHandler;
class SpellHandler;
class LogHandler;
class HUDMainHandler;
class HUDClockHandler;
class HUDItemHandler;
class HUDStatusHandler;
class HUDTargetHandler;
class DHSHandler;

class APluginCore : public platform::IPlugin2, public platform::IWindowsMessageSink {
 public:
  APluginCore();
  ~APluginCore() override;
  APluginCore(const APluginCore&) = delete;
  APluginCore& operator=(const APluginCore&) = delete;

  void Initialize(platform::PluginSite& site) override;
  void Terminate() override;

  // Mouse messages of the game window, for the HUDs.
  void WindowMessage(std::intptr_t hwnd, std::int32_t msg, std::int32_t wParam, std::int32_t lParam,
                     bool& eat) override;
  void WindowMessageEnd(std::intptr_t hwnd, std::int32_t msg, std::int32_t wParam, std::int32_t lParam,
                        bool& eat) override;

  // Text another plug-in hands to the chat pipeline. Before login it goes
  // straight to the chat window; after termination it is dropped. Failures
  // pass to the caller.
  void AddChatText(const std::string& message, std::int32_t color, std::int32_t window);

  // The hotkey handler, created by the login sequence (again at each login)
  // and released at termination.
  void CreateDHSHandler();

 private:
  void InitTables();
  void ReleaseHandlers();

  std::unique_ptr<FilterHandler> filterHandler_;
  std::unique_ptr<ChatTextHandler> chatTextHandler_;
  std::unique_ptr<ViewHandler> viewHandler_;
  std::unique_ptr<ControlHandler> controlHandler_;
  std::unique_ptr<NetEchoHandler> netEchoHandler_;
  std::unique_ptr<SpellFilterHandler> spellFilterHandler_;
  std::unique_ptr<KeyboardAC> keyboardAC_;
  std::unique_ptr<EventQueue> eventQueue_;
  std::unique_ptr<CorpseHandler> corpseHandler_;
  std::unique_ptr<Statistics> statistics_;
  std::unique_ptr<TimerHandler> timerHandler_;
  std::unique_ptr<SpellHandler> spellHandler_;
  std::unique_ptr<LogHandler> logHandler_;
  std::unique_ptr<HUDMainHandler> hudMainHandler_;
  std::unique_ptr<HUDClockHandler> hudClockHandler_;
  std::unique_ptr<HUDItemHandler> hudItemHandler_;
  std::unique_ptr<HUDStatusHandler> hudStatusHandler_;
  std::unique_ptr<HUDTargetHandler> hudTargetHandler_;
  std::unique_ptr<DHSHandler> dhsHandler_;
  bool initialized_ = false;
};

}  // namespace mellox
