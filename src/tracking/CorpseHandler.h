// Tracks the player's corpses, their positions and decay.
#pragma once

namespace mellox {

class CorpseHandler {
 public:
  CorpseHandler();
  ~CorpseHandler();
  CorpseHandler(const CorpseHandler&) = delete;
  CorpseHandler& operator=(const CorpseHandler&) = delete;
};

}  // namespace mellox
