#include "sim/SimDirectX8.h"

#include "sim/SimDirectSound8.h"

namespace mellox::sim {

std::shared_ptr<platform::DirectSound8> SimDirectX8::DirectSoundCreate(const std::string&) {
  return std::make_shared<SimDirectSound8>(clock_, recorder_);
}

}  // namespace mellox::sim
