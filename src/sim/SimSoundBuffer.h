// A sound buffer loaded from a wave file; playing it is recorded, and its
// status follows the virtual clock.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/DirectSound.h"

namespace mellox::sim {

class SimClock;
class SimRecorder;

struct WaveInfo {
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint32_t byteRate = 0;
  std::uint16_t bitsPerSample = 0;
  std::uint32_t dataBytes = 0;
  double DurationMs() const { return byteRate ? dataBytes * 1000.0 / byteRate : 0.0; }
};

class SimSoundBuffer : public platform::DirectSoundSecondaryBuffer8 {
 public:
  // Reads the RIFF/WAVE header: a PCM "fmt " chunk and a "data" chunk that
  // lies within the file. Nothing when the file is missing or malformed.
  static std::optional<WaveInfo> ReadWave(const std::filesystem::path& path);

  SimSoundBuffer(std::string name, WaveInfo wave, SimClock& clock, SimRecorder& recorder);

  void SetCurrentPosition(std::int32_t position) override { position_ = position; }
  void Play(std::int32_t flags) override;
  void Stop() override;
  std::int32_t GetStatus() override;

  const std::string& Name() const { return name_; }
  const WaveInfo& Wave() const { return wave_; }

 private:
  std::string name_;
  WaveInfo wave_;
  SimClock& clock_;
  SimRecorder& recorder_;
  std::int32_t position_ = 0;
  bool playing_ = false;
  bool looping_ = false;
  std::int64_t startedMs_ = 0;
};

}  // namespace mellox::sim
