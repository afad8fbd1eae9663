// The sound device objects: buffers loaded from wave files, played once or looping.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace mellox::platform {

struct DSBUFFERDESC {
  std::int32_t flags = 0;
  std::int32_t bufferBytes = 0;
};

// Status bits.
inline constexpr std::int32_t DSBSTATUS_PLAYING = 1;
inline constexpr std::int32_t DSBSTATUS_LOOPING = 4;
inline constexpr std::int32_t DSBPLAY_LOOPING = 1;

class DirectSoundSecondaryBuffer8 {
 public:
  virtual ~DirectSoundSecondaryBuffer8() = default;
  virtual void SetCurrentPosition(std::int32_t position) = 0;
  virtual void Play(std::int32_t flags) = 0;
  virtual void Stop() = 0;
  virtual std::int32_t GetStatus() = 0;
};

class DirectSound8 {
 public:
  virtual ~DirectSound8() = default;
  virtual void SetCooperativeLevel(std::intptr_t hwnd, std::int32_t level) = 0;
  // Raises an error when the file is missing or not a wave file.
  virtual std::shared_ptr<DirectSoundSecondaryBuffer8> CreateSoundBufferFromFile(const std::string& path,
                                                                                 DSBUFFERDESC& desc) = 0;
};

class DirectX8 {
 public:
  virtual ~DirectX8() = default;
  virtual std::shared_ptr<DirectSound8> DirectSoundCreate(const std::string& deviceGuid) = 0;
};

}  // namespace mellox::platform
