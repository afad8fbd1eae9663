// Typed-text aliases: rows of the alias list that rewrite a typed line before
// the game sees it. A slash alias ("/hi") stands for a whole command at the
// start of the line, and only the first matching one applies; when its full
// text ends in "_" the expansion is typed into the chat bar for the player to
// finish instead of being sent. A word alias replaces every whole-word
// occurrence anywhere in the line.
#pragma once

#include <string>
#include <vector>

namespace mellox {

class AliasHandler {
 public:
  // One row of the alias list, in list order.
  struct Alias {
    bool enabled = false;
    std::string abbreviation;
    std::string fullText;
  };
  // What the passes made of a typed line.
  struct Expansion {
    std::string line;
    bool changed = false;
    bool typedOnly = false;  // to be typed into the chat bar, not sent
  };

  // The slash pass (for a line beginning with "/" or "@"), then the word pass.
  static Expansion Expand(const std::string& typed, const std::vector<Alias>& aliases);
  // The rows of the settings view's alias list.
  static std::vector<Alias> ReadAliases();
  // Expands the typed line and, when an alias changed it, runs the expansion
  // as a command, types it into the chat bar or sends it to the game. True
  // when the game is to receive the typed line unchanged. Errors pass to the
  // caller.
  static bool Apply(const std::string& typed);
};

}  // namespace mellox
