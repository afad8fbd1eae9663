// The DirectX 8 automation root object.
#pragma once

#include <memory>
#include <string>

#include "platform/DirectSound.h"

namespace mellox::sim {

class SimClock;
class SimRecorder;

class SimDirectX8 : public platform::DirectX8 {
 public:
  SimDirectX8(SimClock& clock, SimRecorder& recorder) : clock_(clock), recorder_(recorder) {}
  std::shared_ptr<platform::DirectSound8> DirectSoundCreate(const std::string& deviceGuid) override;

 private:
  SimClock& clock_;
  SimRecorder& recorder_;
};

}  // namespace mellox::sim
