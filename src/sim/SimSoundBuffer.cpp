#include "sim/SimSoundBuffer.h"

#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "sim/SimClock.h"
#include "sim/SimRecorder.h"

namespace mellox::sim {

namespace {
std::uint32_t U32(const std::vector<unsigned char>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t U16(const std::vector<unsigned char>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
bool Tag(const std::vector<unsigned char>& b, std::size_t at, const char* tag) {
  for (int i = 0; i < 4; ++i)
    if (b[at + i] != static_cast<unsigned char>(tag[i])) return false;
  return true;
}
}  // namespace

std::optional<WaveInfo> SimSoundBuffer::ReadWave(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 12 || !Tag(b, 0, "RIFF") || !Tag(b, 8, "WAVE")) return std::nullopt;
  WaveInfo info;
  bool haveFmt = false;
  std::size_t at = 12;
  while (at + 8 <= b.size()) {
    const std::uint32_t size = U32(b, at + 4);
    const std::size_t body = at + 8;
    if (size > b.size() - body) return std::nullopt;  // a chunk running past the end
    if (Tag(b, at, "fmt ")) {
      if (size < 16 || U16(b, body) != 1) return std::nullopt;  // PCM only
      info.channels = U16(b, body + 2);
      info.sampleRate = U32(b, body + 4);
      info.byteRate = U32(b, body + 8);
      info.bitsPerSample = U16(b, body + 14);
      if (info.channels == 0 || info.byteRate == 0) return std::nullopt;
      haveFmt = true;
    } else if (Tag(b, at, "data")) {
      if (!haveFmt) return std::nullopt;
      info.dataBytes = size;
      return info;
    }
    at = body + size + (size & 1);  // chunks are padded to even sizes
  }
  return std::nullopt;
}

SimSoundBuffer::SimSoundBuffer(std::string name, WaveInfo wave, SimClock& clock, SimRecorder& recorder)
    : name_(std::move(name)), wave_(wave), clock_(clock), recorder_(recorder) {}

void SimSoundBuffer::Play(std::int32_t flags) {
  looping_ = (flags & platform::DSBPLAY_LOOPING) != 0;
  playing_ = true;
  startedMs_ = clock_.NowMs();
  recorder_.Emit(std::string(looping_ ? "sound: loop " : "sound: play ") + name_);
}

void SimSoundBuffer::Stop() {
  playing_ = false;
  looping_ = false;
  recorder_.Emit("sound: stop " + name_);
}

std::int32_t SimSoundBuffer::GetStatus() {
  if (!playing_) return 0;
  if (looping_) return platform::DSBSTATUS_PLAYING | platform::DSBSTATUS_LOOPING;
  if (static_cast<double>(clock_.NowMs() - startedMs_) > wave_.DurationMs()) {
    playing_ = false;
    return 0;
  }
  return platform::DSBSTATUS_PLAYING;
}

}  // namespace mellox::sim
