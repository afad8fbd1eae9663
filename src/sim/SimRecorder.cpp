#include "sim/SimRecorder.h"

#include <utility>

#include "core/TextEncoding.h"

namespace mellox::sim {

void SimRecorder::Emit(const std::string& line) {
  lines_.push_back(line);
  if (sink_) sink_(TextEncoding::ToUtf8(line));
}

void SimRecorder::EmitText(const std::string& utf8) {
  written_.emplace(lines_.size(), utf8);
  lines_.push_back(TextEncoding::FromUtf8(utf8));
  if (sink_) sink_(utf8);
}

void SimRecorder::SetSink(std::function<void(const std::string&)> sink) {
  sink_ = std::move(sink);
  // What the host reported while it was being set up must not go unseen.
  if (sink_)
    for (std::size_t i = 0; i < lines_.size(); ++i) sink_(Text(i));
}

std::string SimRecorder::Text(std::size_t index) const {
  const auto it = written_.find(index);
  return it != written_.end() ? it->second : TextEncoding::ToUtf8(lines_[index]);
}

}  // namespace mellox::sim
