#include <gtest/gtest.h>

#include "core/VBError.h"
#include "sim/SimClock.h"
#include "sim/SimDirectSound8.h"
#include "sim/SimRecorder.h"
#include "sim/SimSystem.h"
#include "sim/SimTestDir.h"

namespace mellox::sim {
namespace {

using testing::PcmWave;
using testing::TempDir;
using testing::WriteBytes;

TEST(SimSoundTest, ValidWavePlaysOnceForItsDurationOrLoopsUntilStopped) {
  TempDir dir;
  WriteBytes(dir.path() / "ding.wav", PcmWave(8000, 4000));  // half a second
  SimClock clock;
  SimRecorder rec;
  SimDirectSound8 ds(clock, rec);
  platform::DSBUFFERDESC desc;
  auto buffer = ds.CreateSoundBufferFromFile((dir.path() / "ding.wav").string(), desc);
  EXPECT_EQ(desc.bufferBytes, 4000);
  EXPECT_EQ(buffer->GetStatus(), 0);

  buffer->Play(0);
  EXPECT_EQ(buffer->GetStatus(), platform::DSBSTATUS_PLAYING);
  clock.Advance(500);
  EXPECT_EQ(buffer->GetStatus(), platform::DSBSTATUS_PLAYING);
  clock.Advance(1);
  EXPECT_EQ(buffer->GetStatus(), 0);

  buffer->Play(platform::DSBPLAY_LOOPING);
  clock.Advance(10'000);
  EXPECT_EQ(buffer->GetStatus(), platform::DSBSTATUS_PLAYING | platform::DSBSTATUS_LOOPING);
  buffer->Stop();
  EXPECT_EQ(buffer->GetStatus(), 0);
  EXPECT_EQ(rec.Lines(), (std::vector<std::string>{"sound: play ding.wav", "sound: loop ding.wav", "sound: stop ding.wav"}));
}

TEST(SimSoundTest, MissingOrMalformedFilesRaise) {
  TempDir dir;
  const std::string good = PcmWave(8000, 100);
  std::string notPcm = good;
  notPcm[20] = 3;  // format tag: IEEE float
  std::string dataTooLong = good;
  dataTooLong[40] = '\x7f';  // data chunk size far past the end
  const std::vector<std::pair<std::string, std::string>> files{
      {"truncated.wav", good.substr(0, 30)},
      {"garbage.wav", "this is not a wave file at all, just text"},
      {"notpcm.wav", notPcm},
      {"datalong.wav", dataTooLong},
      {"empty.wav", ""},
  };
  SimClock clock;
  SimRecorder rec;
  SimDirectSound8 ds(clock, rec);
  SimSystem sys(dir.path(), clock, rec);
  platform::DSBUFFERDESC desc;
  for (const auto& [name, bytes] : files) {
    WriteBytes(dir.path() / name, bytes);
    EXPECT_THROW(ds.CreateSoundBufferFromFile((dir.path() / name).string(), desc), VBError) << name;
    EXPECT_FALSE(sys.sndPlaySoundA((dir.path() / name).string(), 1)) << name;
  }
  try {
    ds.CreateSoundBufferFromFile((dir.path() / "absent.wav").string(), desc);
    FAIL();
  } catch (const VBError& e) {
    EXPECT_EQ(e.Number(), 53);
  }
  WriteBytes(dir.path() / "ok.wav", good);
  EXPECT_TRUE(sys.sndPlaySoundA((dir.path() / "ok.wav").string(), 1));
  EXPECT_EQ(rec.Lines().back(), "sound: play ok.wav");
  EXPECT_EQ(rec.Lines().front(), "sound: fail truncated.wav");
}

}  // namespace
}  // namespace mellox::sim
