#include "sim/SimDirectSound8.h"

#include <filesystem>

#include "core/VBError.h"
#include "sim/SimSoundBuffer.h"

namespace mellox::sim {

void SimDirectSound8::SetCooperativeLevel(std::intptr_t, std::int32_t level) { level_ = level; }

std::shared_ptr<platform::DirectSoundSecondaryBuffer8> SimDirectSound8::CreateSoundBufferFromFile(
    const std::string& path, platform::DSBUFFERDESC& desc) {
  const std::filesystem::path file(path);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) throw VBError(53, "File not found: " + path);
  auto wave = SimSoundBuffer::ReadWave(file);
  if (!wave) throw VBError(5, "Not a valid wave file: " + path);
  desc.bufferBytes = static_cast<std::int32_t>(wave->dataBytes);
  return std::make_shared<SimSoundBuffer>(file.filename().string(), *wave, clock_, recorder_);
}

}  // namespace mellox::sim
