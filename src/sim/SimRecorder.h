// The host's output log: every recorded line in order, mirrored to an optional sink.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace mellox::sim {

class SimRecorder {
 public:
  // A line of the game's text (its code page).
  void Emit(const std::string& line);
  // A line that is UTF-8 text to be shown as written (a script's own words);
  // Lines() holds it in the game's code page like every other line.
  void EmitText(const std::string& utf8);
  // The sink receives every line as UTF-8 text, also those recorded before it was set.
  void SetSink(std::function<void(const std::string&)> sink);
  const std::vector<std::string>& Lines() const { return lines_; }
  // Line index as UTF-8 text, as the user reads it.
  std::string Text(std::size_t index) const;
  void Clear() {
    lines_.clear();
    written_.clear();
  }

 private:
  std::vector<std::string> lines_;
  std::map<std::size_t, std::string> written_;  // the lines given as UTF-8, by index
  std::function<void(const std::string&)> sink_;
};

}  // namespace mellox::sim
