// The typed-text entry and the plug-in's own chat commands: lines that begin
// with "/" or "@", the letter x (either case) and a blank, as in "/x help".
// A command line is kept from the game (unless the command fails); any other
// line goes to the aliases.
#pragma once

#include <string>
#include <vector>

namespace mellox {

class ChatCommands {
 public:
  // ChatTextHandler.OutgoingText: True when the game is to receive the typed
  // line unchanged. While the plug-in is inactive every line passes. An error
  // is reported under "OutgoingText" and leaves the line to the game.
  static bool OutgoingText(const std::string& typed);
  // Whether the line is a plug-in command ("/x " or "@x ", x in either case).
  static bool IsCommand(const std::string& line);
  // Runs a command line: the first pattern of the command table that matches
  // the command text wins; an unknown command does nothing and writes nothing.
  // Errors pass to the caller.
  static void Run(const std::string& typed);
  // The command table's patterns, in the order they are tried (the script
  // writer's reference lists the commands from them).
  static std::vector<std::string> Patterns();

  // Hands a line the plug-in made to the game's chat parser. Should the host
  // raise the typed-text event again for it, that nested line passes to the
  // game unchanged, so an expansion is never expanded again without end.
  static void SendToGame(const std::string& line);
  // Types the line into the game's chat bar, later, on the keyboard timer;
  // no Enter follows, so the player finishes the line.
  static void TypeIntoChatBar(const std::string& line);
};

}  // namespace mellox
