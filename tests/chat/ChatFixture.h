// A loaded plug-in in the simulated host with the option lists filled and
// the plug-in active, plus helpers that set chat options the way the
// settings pages store them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chat/ChatTextHandler.h"
#include "chat/LogHandler.h"
#include "core/APluginCore.h"
#include "core/Globals.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimHooks.h"
#include "sim/SimHost.h"
#include "support/TempHome.h"

namespace mellox::test {

struct ChatFixture {
  TempHome home;
  sim::SimHost host{{home.path(), MELLOX_DATA_DIR}};
  platform::Connection intercept;

  ChatFixture() {
    host.LoadPlugin(std::make_unique<APluginCore>());
    ControlHandlerInstance->Init_Lists({"1", "0"});
    ControlHandlerInstance->ChatLogEnable->CheckedLet(true);
    PluginActive = true;
    // Until the host adapter routes the game's chat, stand in for it exactly
    // as it does: one trailing line feed off, eat when the pipeline says so.
    if (host.Hooks().ChatTextIntercept.HandlerCount() == 0) {
      intercept = host.Hooks().ChatTextIntercept.Connect(
          [](const std::string& text, std::int32_t colour, std::int32_t window, bool& eat) {
            std::string line = text;
            if (!line.empty() && line.back() == '\n') line.pop_back();
            eat = !ChatTextHandlerInstance->IncomingText(line, colour, window, false, false);
          });
    }
  }
  ~ChatFixture() {
    intercept.Disconnect();
    PluginActive = false;
    host.UnloadPlugin();
  }

  ControlHandler& ch() { return *ControlHandlerInstance; }
  ChatTextHandler& chat() { return *ChatTextHandlerInstance; }
  LogHandler& log() { return *LogHandlerInstance; }

  // Feeds a game line and gives what the host recorded for it.
  std::vector<std::string> Game(const std::string& text, std::int32_t colour, std::int32_t window = 1) {
    const std::size_t mark = host.Output().size();
    host.IncomingChat(text, colour, window);
    return Since(mark);
  }
  std::vector<std::string> Since(std::size_t mark) const {
    const auto& out = host.Output();
    return {out.begin() + static_cast<std::ptrdiff_t>(mark), out.end()};
  }

  // Error reports the plug-in wrote to chat since the mark.
  std::vector<std::string> ErrorsSince(std::size_t mark) const {
    std::vector<std::string> errors;
    for (const auto& line : Since(mark)) {
      if (line.find("> Error #") != std::string::npos) errors.push_back(line);
    }
    return errors;
  }

  void Route(std::int16_t window, std::int16_t type, bool on = true) { chat().SetTargetList(window, type, on); }

  void ColorRow(const std::string& name, bool ticked, const std::string& window = "D",
                const std::string& colour = "Default", const std::string& sound = "None") {
    auto& list = *ch().ChatColor;
    const std::int32_t row = ch().FindName(name, "ChatColor");
    list.DataLet(0, row, 0, ticked);
    list.DataLet(2, row, 0, window);
    list.DataLet(3, row, 1, ChatTextHandler::GetIconFromColor(colour));
    list.DataLet(4, row, 0, sound);
  }
  void TickAllColorRows(bool ticked) {
    auto& list = *ch().ChatColor;
    for (std::int32_t r = 0; r < list.Count(); ++r) list.DataLet(0, r, 0, ticked);
  }

  void CustomRule(const std::string& pattern, const std::string& window, const std::string& type,
                  const std::string& colour, const std::string& sound = "None", const std::string& actions = "",
                  bool enabled = true) {
    auto& list = *ch().ChatCustom;
    const std::int32_t row = list.AddRow();
    list.DataLet(0, row, 0, enabled);
    list.DataLet(1, row, 0, pattern);
    list.DataLet(2, row, 0, window);
    list.DataLet(3, row, 0, type);
    list.DataLet(4, row, 1, ChatTextHandler::GetIconFromColor(colour));
    list.DataLet(5, row, 0, sound);
    list.DataLet(6, row, 0, actions);
  }

  void FilterWord(const std::string& word, bool whole, bool block, bool enabled = true) {
    auto& list = *ch().ChatFilter;
    const std::int32_t row = list.AddRow();
    list.DataLet(0, row, 0, enabled);
    list.DataLet(1, row, 0, word);
    list.DataLet(2, row, 0, whole ? "Whole" : "Part");
    list.DataLet(3, row, 0, block ? "Block" : "Replace");
  }

  void ChatOption(const std::string& name, bool on) {
    ch().ChatOptions->DataLet(0, ch().FindName(name, "ChatOptions"), 0, on);
  }

  // Ticks exactly the named log categories for the view.
  void LogView(const std::vector<std::string>& names) {
    auto& list = *ch().ChatLogOptions;
    for (std::int32_t r = 0; r < list.Count(); ++r) {
      const auto name = std::get<std::string>(list.DataGet(0, r, 0).value);
      list.DataLet(2, r, 0, std::find(names.begin(), names.end(), name) != names.end());
    }
  }
};

}  // namespace mellox::test
