#include "sim/SimRecorder.h"

#include <utility>

namespace mellox::sim {

void SimRecorder::Emit(const std::string& line) {
  lines_.push_back(line);
  if (sink_) sink_(line);
}

void SimRecorder::SetSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }

}  // namespace mellox::sim
