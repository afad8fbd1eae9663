// One sound buffer loaded from a wave file of the Sounds folder, played once
// or looping: the vital alarms own one each.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/DirectSound.h"

namespace mellox {

class DX8Sound {
 public:
  DX8Sound();
  ~DX8Sound();
  DX8Sound(const DX8Sound&) = delete;
  DX8Sound& operator=(const DX8Sound&) = delete;

  // Loads Sounds/soundname ("Loop\name" for the looped sounds); a failed load
  // keeps the sound loaded before.
  void SetSound(const std::string& soundname);
  void UnSetSound();
  // From the start, once or looping; only when loaded.
  void Play(bool loopSound);
  void StopPlay();
  // 0 idle or not loaded, 1 playing once, 2 playing looped.
  std::int32_t Status();
  bool Loaded() const { return loaded_; }

 private:
  // Stops the buffer when it plays, so dropping it never leaves a loop running.
  void StopIfPlaying();

  std::shared_ptr<platform::DirectX8> directX_;
  std::shared_ptr<platform::DirectSound8> device_;
  std::shared_ptr<platform::DirectSoundSecondaryBuffer8> buffer_;
  platform::DSBUFFERDESC bufferDesc_{};
  bool loaded_ = false;
};

}  // namespace mellox
