#include "core/DX8Sound.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/APluginCore.h"
#include "core/CoreTestSupport.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "sim/SimSystem.h"

namespace mellox::test {
namespace {

class SoundTest : public ::testing::Test, public HostFixture {
 protected:
  void SetUp() override {
    MakeGameFolder();
    host.LoadPlugin(std::make_unique<APluginCore>());
  }
  std::vector<std::string> SoundLines(std::size_t mark) const {
    std::vector<std::string> lines;
    for (const auto& line : OutputSince(mark))
      if (line.rfind("sound: ", 0) == 0) lines.push_back(line);
    return lines;
  }
  bool Reported(const std::string& text) const { return ErrorsFile().find(text) != std::string::npos; }
};

TEST_F(SoundTest, LoopsPlaysOnceStopsAndReportsItsState) {
  DX8Sound sound;
  const std::size_t mark = host.Output().size();
  sound.Play(true);
  sound.StopPlay();
  EXPECT_EQ(sound.Status(), 0);
  EXPECT_TRUE(SoundLines(mark).empty());  // nothing loaded: nothing happens

  sound.SetSound("Loop\\Alarm.wav");
  sound.Play(true);
  EXPECT_EQ(sound.Status(), 2);
  host.Advance(10000);
  EXPECT_EQ(sound.Status(), 2);
  sound.StopPlay();
  EXPECT_EQ(sound.Status(), 0);
  sound.Play(false);
  EXPECT_EQ(sound.Status(), 1);
  host.Advance(2000);
  EXPECT_EQ(sound.Status(), 0);  // a one-shot sound ends by itself
  EXPECT_EQ(SoundLines(mark), (std::vector<std::string>{"sound: loop Alarm.wav", "sound: stop Alarm.wav",
                                                        "sound: play Alarm.wav"}));
}

TEST_F(SoundTest, DroppingOrReplacingALoopingSoundStopsItFirst) {
  {
    DX8Sound sound;
    sound.SetSound("Loop/Pulse.wav");
    sound.Play(true);
    std::size_t mark = host.Output().size();
    sound.SetSound("Loop\\Siren.wav");
    EXPECT_EQ(SoundLines(mark), std::vector<std::string>{"sound: stop Pulse.wav"});
    EXPECT_EQ(sound.Status(), 0);

    sound.Play(true);
    mark = host.Output().size();
    sound.UnSetSound();
    EXPECT_EQ(SoundLines(mark), std::vector<std::string>{"sound: stop Siren.wav"});
    EXPECT_EQ(sound.Status(), 0);

    sound.SetSound("Loop\\Alarm.wav");
    sound.Play(true);
    mark = host.Output().size();
  }
  // Destroyed while looping.
  const auto& out = host.Output();
  EXPECT_EQ(out.back(), "sound: stop Alarm.wav");
}

TEST_F(SoundTest, AFailedLoadKeepsThePreviousSoundAndBadNamesAreRefused) {
  DX8Sound sound;
  sound.SetSound("Beep.wav");
  sound.SetSound("Missing.wav");
  EXPECT_TRUE(Reported("Error #53 occured in 'SetSound' of class 'DX8Sound'"));
  EXPECT_TRUE(sound.Loaded());
  std::size_t mark = host.Output().size();
  sound.Play(false);
  EXPECT_EQ(SoundLines(mark), std::vector<std::string>{"sound: play Beep.wav"});

  // A malformed wave file (the view description is not one) is refused by the device.
  std::filesystem::copy_file(host.PluginDir() / "Mellox_View.xml", host.PluginDir() / "Sounds" / "Bad.wav");
  sound.SetSound("Bad.wav");
  EXPECT_TRUE(Reported("Error #5 occured in 'SetSound' of class 'DX8Sound'"));

  for (const char* name : {"..\\Mellox_View.xml", "../Beep.wav", "Loop\\..\\Beep.wav", "Sub/Beep.wav", "", ".",
                           "C:Beep.wav", "Loop\\"}) {
    DX8Sound fresh;
    // Each name as the first fault of a run: a repeat within a run is only counted.
    Hub::TellRepeatedErrors();
    std::filesystem::remove(GameFolder() / "Mellox Errors.txt");
    fresh.SetSound(name);
    EXPECT_FALSE(fresh.Loaded()) << name;
    EXPECT_TRUE(Reported("Error #52 occured in 'SetSound' of class 'DX8Sound'")) << name;
  }
}

TEST_F(SoundTest, WithoutASoundDeviceEverySetSoundFailsAndTheRestDoesNothing) {
  host.System().NoSoundDevice(true);
  DX8Sound sound;
  EXPECT_TRUE(Reported("occured in 'Class_Initialize' of class 'DX8Sound'"));
  sound.SetSound("Beep.wav");
  EXPECT_TRUE(Reported("Error #91 occured in 'SetSound' of class 'DX8Sound'"));
  const std::size_t mark = host.Output().size();
  sound.Play(true);
  EXPECT_EQ(sound.Status(), 0);
  EXPECT_TRUE(SoundLines(mark).empty());
}

TEST_F(SoundTest, PlayWavFilePlaysTellsAMissingFileAndRefusesPaths) {
  std::size_t mark = host.Output().size();
  Hub::PlayWavFile("Chime.wav");
  Hub::PlayWavFile("Loop\\Pulse.wav");
  EXPECT_EQ(SoundLines(mark), (std::vector<std::string>{"sound: play Chime.wav", "sound: play Pulse.wav"}));

  mark = host.Output().size();
  Hub::PlayWavFile("Missing.wav");
  EXPECT_EQ(OutputSince(mark), std::vector<std::string>{
                                   "chat 6 1: <Mellox> PlaySoundError: Missing.wav was not found in your install "
                                   "directory."});
  // A rule matching a line a second for three minutes: told in full three
  // times, then counted once a minute and at termination.
  const std::string gone = "chat 6 1: <Mellox> PlaySoundError: Gone.wav was not found in your install directory";
  mark = host.Output().size();
  for (int i = 0; i < 180; ++i) {
    Hub::PlayWavFile("Gone.wav");
    host.Advance(1000);
  }
  Hub::TellRepeatedErrors();
  EXPECT_EQ(OutputSince(mark), (std::vector<std::string>{gone + ".", gone + ".", gone + ".",
                                                         gone + ", repeated 60 times.", gone + ", repeated 60 times.",
                                                         gone + ", repeated 57 times."}));
  mark = host.Output().size();
  Hub::PlayWavFile("Loop");  // a folder is not a sound
  Hub::PlayWavFile("..\\Sounds\\Beep.wav");
  EXPECT_TRUE(SoundLines(mark).empty());
  EXPECT_TRUE(Reported("Error #52 occured in 'PlayWavFile' of module 'Hub'"));
}

TEST_F(SoundTest, SoundListsHoldNoneThenTheWaveFilesSortedByName) {
  const auto folder = host.Home() / "snd";
  std::filesystem::create_directories(folder / "Folder.wav");
  for (const char* name : {"b.WAV", "A.wav", "c.txt", ".hidden.wav", "wav", "d.wave"})
    std::ofstream(folder / name) << "x";
  PlainChoice one, two;
  one.AddChoice("stale", {});
  Hub::FillSoundChoices(folder, {&one, &two});
  const std::vector<std::string> expected = {"None", "A.wav", "b.WAV"};
  EXPECT_EQ(one.items, expected);
  EXPECT_EQ(two.items, expected);
  EXPECT_EQ(one.selected, 0);

  Hub::FillSoundChoices(host.Home() / "no such folder", {&one});
  EXPECT_EQ(one.items, std::vector<std::string>{"None"});

  EXPECT_EQ(Hub::ListWaveFiles(host.PluginDir() / "Sounds"),
            (std::vector<std::string>{"Beep.wav", "Chime.wav", "Ding.wav"}));
  EXPECT_EQ(Hub::ListWaveFiles(host.PluginDir() / "Sounds" / "Loop"),
            (std::vector<std::string>{"Alarm.wav", "Pulse.wav", "Siren.wav"}));
}

TEST_F(SoundTest, SendClickClicksInTheGameWindowAndPutsTheCursorBack) {
  host.System().SetCursorPos(500, 400);
  const std::size_t mark = host.Output().size();
  Hub::SendClick(20, 10);
  EXPECT_EQ(OutputSince(mark), (std::vector<std::string>{"mouse: down 20 10", "mouse: up 20 10"}));
  platform::Point cursor;
  host.System().GetCursorPos(cursor);
  EXPECT_EQ(cursor, (platform::Point{500, 400}));
  platform::Point expected{20, 10};
  host.System().ClientToScreen(0, expected);
  EXPECT_EQ(PressPos, expected);
}

}  // namespace
}  // namespace mellox::test
