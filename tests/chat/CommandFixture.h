// The loaded, active plug-in (ChatFixture) with the plug-in's own lines routed
// to the main window, a character "Bob" standing in the world, and helpers to
// type lines and to fill the alias list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chat/ChatFixture.h"
#include "core/KeyboardAC.h"
#include "sim/SimCharacter.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"

namespace mellox::test {

struct CommandFixture : ChatFixture {
  CommandFixture() {
    Route(0, ChatTextHandler::kOwnLineType);
    host.Character().SetName("Bob");
    host.Character().SetLevel(10);
    host.World().AddObject(host.Character().Character(), "Bob", 1).SetCoordinates(12.34, -45.66);
  }
  ~CommandFixture() {
    DebugMode = false;
    DebugSilent = false;
  }

  // What the keyboard automation has queued to type, as one text ("{Chat}"
  // first when it waits for the chat bar).
  std::string KeyboardQueue() const {
    std::string text;
    for (const auto& entry : KeyboardACInstance->Buffer()) text += entry;
    return text;
  }

  struct Typed {
    bool eaten;
    std::vector<std::string> output;
  };
  Typed Type(const std::string& text) {
    const std::size_t mark = host.Output().size();
    const bool eaten = host.TypeText(text);
    return {eaten, Since(mark)};
  }

  void Alias(const std::string& abbreviation, const std::string& fullText, bool enabled = true) {
    auto& list = *ch().ChatAlias;
    const std::int32_t row = list.AddRow();
    list.DataLet(0, row, 0, enabled);
    list.DataLet(1, row, 0, abbreviation);
    list.DataLet(2, row, 0, fullText);
  }
};

// An own message as the main window shows it.
inline std::string Own(const std::string& text) { return "chat 5 1: <Mellox> " + text; }
// An error report as the main window shows it.
inline std::string OwnError(const std::string& text) { return "chat 6 1: <Mellox> " + text; }

}  // namespace mellox::test
