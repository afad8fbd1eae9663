// The plug-in's global state: flags, tables and the one instance of every
// handler class. Every subsystem reaches the others through these.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/Geometry.h"

namespace mellox {

namespace platform {
class PluginSite;
class HostCore;
}  // namespace platform

class APluginCore;
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

inline constexpr const char* kPluginName = "Mellox";
inline constexpr const char* kInitialKillMessageText = "If you are reading this then you should know: I own.";

// Flags and values reset by IPlugin2_Initialize.
inline std::string KillMessageText = kInitialKillMessageText;
inline bool PluginActive = false;
inline bool HudCreateFailed = false;
inline std::int32_t SettingsState = 0;
inline bool DebugMode = false;
inline bool DebugSilent = false;

// Framework objects kept from initialisation.
inline platform::PluginSite* Site = nullptr;
inline platform::HostCore* HostCore = nullptr;
// The plug-in object itself (for its window-message sink and AddChatText).
inline APluginCore* PluginCoreInstance = nullptr;

// Tables filled by InitTables.
inline std::array<std::int32_t, 32> ChatColors{};
inline std::array<std::string, 32> ChatColorHex{};
// Short font name -> face name, in insertion order.
inline std::vector<std::pair<std::string, std::string>> FontNames;

inline std::int32_t ViewLeft = 0;
inline std::int32_t ViewTop = 0;
inline platform::Point DragOffset{};
inline platform::Point ReleasePos{};
inline platform::Point MousePos{};
inline platform::Point PressPos{};
inline bool DebugLogBusy = false;
inline bool ErrorLogBusy = false;

// Handler instances, in their order of creation.
inline FilterHandler* FilterHandlerInstance = nullptr;
inline ChatTextHandler* ChatTextHandlerInstance = nullptr;
inline ViewHandler* ViewHandlerInstance = nullptr;
inline ControlHandler* ControlHandlerInstance = nullptr;
inline NetEchoHandler* NetEchoHandlerInstance = nullptr;
inline SpellFilterHandler* SpellFilterHandlerInstance = nullptr;
inline KeyboardAC* KeyboardACInstance = nullptr;
inline EventQueue* EventQueueInstance = nullptr;
inline CorpseHandler* CorpseHandlerInstance = nullptr;
inline Statistics* StatisticsInstance = nullptr;
inline TimerHandler* TimerHandlerInstance = nullptr;
inline SpellHandler* SpellHandlerInstance = nullptr;
inline LogHandler* LogHandlerInstance = nullptr;
inline HUDMainHandler* HUDMainHandlerInstance = nullptr;
inline HUDClockHandler* HUDClockHandlerInstance = nullptr;
inline HUDItemHandler* HUDItemHandlerInstance = nullptr;
inline HUDStatusHandler* HUDStatusHandlerInstance = nullptr;
inline HUDTargetHandler* HUDTargetHandlerInstance = nullptr;
// Created by the login sequence.
inline DHSHandler* DHSHandlerInstance = nullptr;

}  // namespace mellox
