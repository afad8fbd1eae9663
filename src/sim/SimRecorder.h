// The host's output log: every recorded line in order, mirrored to an optional sink.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace mellox::sim {

class SimRecorder {
 public:
  void Emit(const std::string& line);
  void SetSink(std::function<void(const std::string&)> sink);
  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear() { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
  std::function<void(const std::string&)> sink_;
};

}  // namespace mellox::sim
