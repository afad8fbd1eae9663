#include "core/DX8Sound.h"

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VBError.h"
#include "platform/PluginSite.h"
#include "platform/System.h"

namespace mellox {

DX8Sound::DX8Sound() {
  Trap("Class_Initialize", "DX8Sound", [&] {
    Hub::wtcw_debug("DX8Sound Initialize");
    directX_ = platform::Sys().CreateDirectX8();
    if (!directX_) Raise(91);
    device_ = directX_->DirectSoundCreate("");
    if (!device_) Raise(91);
    if (!HostCore) Raise(91);
    const auto window = HostCore->GetGameWindow();
    if (!window) Raise(91);
    device_->SetCooperativeLevel(window->hWnd(), 1);
  });
}

DX8Sound::~DX8Sound() {
  Trap("Class_Terminate", "DX8Sound", [&] {
    Hub::wtcw_debug("DX8Sound-Terminate");
    StopIfPlaying();
  });
  buffer_.reset();
  device_.reset();
  directX_.reset();
}

void DX8Sound::StopIfPlaying() {
  if (buffer_ && (buffer_->GetStatus() & platform::DSBSTATUS_PLAYING)) buffer_->Stop();
}

void DX8Sound::SetSound(const std::string& soundname) {
  Trap("SetSound", "DX8Sound", [&] {
    Hub::wtcw_debug("DX8Sound-SetSound: " + (Hub::SoundFolder() / "").string() + soundname);
    const auto path = Hub::ResolveSoundPath(soundname);
    if (!device_) Raise(91);
    auto buffer = device_->CreateSoundBufferFromFile(path.string(), bufferDesc_);
    if (buffer) {
      StopIfPlaying();
      buffer_ = std::move(buffer);
      loaded_ = true;
    }
  });
}

void DX8Sound::UnSetSound() {
  Trap("UnSetSound", "DX8Sound", [&] {
    loaded_ = false;
    StopIfPlaying();
    buffer_.reset();
  });
  // Dropped even when stopping failed.
  loaded_ = false;
  buffer_.reset();
}

void DX8Sound::Play(bool loopSound) {
  Trap("Play", "DX8Sound", [&] {
    if (!loaded_ || !buffer_) return;
    Hub::wtcw_debug("DX8Sound-Play");
    buffer_->SetCurrentPosition(0);
    buffer_->Play(loopSound ? platform::DSBPLAY_LOOPING : 0);
  });
}

void DX8Sound::StopPlay() {
  Trap("StopPlay", "DX8Sound", [&] {
    if (!loaded_ || !buffer_) return;
    Hub::wtcw_debug("DX8Sound-Stop");
    buffer_->Stop();
  });
}

std::int32_t DX8Sound::Status() {
  std::int32_t result = 0;
  Trap("Status", "DX8Sound", [&] {
    if (!loaded_ || !buffer_) return;
    const std::int32_t bits = buffer_->GetStatus();
    if (bits & platform::DSBSTATUS_PLAYING) result = (bits & platform::DSBSTATUS_LOOPING) ? 2 : 1;
  });
  return result;
}

}  // namespace mellox
