// The sound device: makes buffers from wave files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/DirectSound.h"

namespace mellox::sim {

class SimClock;
class SimRecorder;

class SimDirectSound8 : public platform::DirectSound8 {
 public:
  SimDirectSound8(SimClock& clock, SimRecorder& recorder) : clock_(clock), recorder_(recorder) {}
  void SetCooperativeLevel(std::intptr_t hwnd, std::int32_t level) override;
  // Raises 53 for a missing file and 5 for one that is not a PCM wave file.
  std::shared_ptr<platform::DirectSoundSecondaryBuffer8> CreateSoundBufferFromFile(
      const std::string& path, platform::DSBUFFERDESC& desc) override;

  std::int32_t CooperativeLevel() const { return level_; }

 private:
  SimClock& clock_;
  SimRecorder& recorder_;
  std::int32_t level_ = 0;
};

}  // namespace mellox::sim
