// A process that is saving the settings and the data file is killed with
// SIGKILL at random moments, many times over. After every kill both files
// must be whole: byte for byte the content of one save or of the other, and
// a new session must read them without moving anything aside.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "robustness/RobustSession.h"
#include "support/TempHome.h"

namespace mellox::test {
namespace {

// Arms a kernel timer that delivers SIGKILL to this process after the delay,
// wherever it is then: no cooperation of the code under test.
bool ArmKillTimer(std::int64_t delayNs) {
  sigevent event{};
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = SIGKILL;
  timer_t timer;
  if (timer_create(CLOCK_MONOTONIC, &event, &timer) != 0) return false;
  itimerspec when{};
  when.it_value.tv_sec = static_cast<time_t>(delayNs / 1000000000);
  when.it_value.tv_nsec = static_cast<long>(delayNs % 1000000000);
  if (when.it_value.tv_sec == 0 && when.it_value.tv_nsec == 0) when.it_value.tv_nsec = 1;
  return timer_settime(timer, 0, &when, nullptr) == 0;
}

TEST(CrashConsistencyTest, KilledWhileSavingLeavesTheOldOrTheNewFiles) {
  TempHome home;
  std::string settings[2];
  std::string data[2];
  fs::path settingsPath;
  fs::path dataPath;
  std::int64_t cycleNs = 0;
  {
    RobustSession session(home.path());
    ControlHandler& ch = session.Controls();
    settingsPath = session.SettingsPath();
    dataPath = session.DataPath();
    for (int which : {1, 0}) {
      session.ApplyState(which);
      settings[which] = SettingsFile::Build(ch);
      data[which] = DataFile::Build(ch);
    }
    ASSERT_NE(settings[0], settings[1]);
    ASSERT_NE(data[0], data[1]);
    // State 0 is on disk before the first kill.
    ASSERT_TRUE(ch.Settings_Save(0));
    ASSERT_TRUE(ch.Data_Save());
    ASSERT_EQ(ReadAll(settingsPath), settings[0]);
    ASSERT_EQ(ReadAll(dataPath), data[0]);

    // What one save cycle (both states, both files) costs here decides how
    // long a child may run before it is killed.
    const auto start = std::chrono::steady_clock::now();
    constexpr int kCycles = 5;
    for (int i = 0; i < kCycles; ++i) {
      for (int which : {1, 0}) {
        session.ApplyState(which);
        ch.Settings_Save(0);
        ch.Data_Save();
      }
    }
    cycleNs = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count() /
              kCycles;

    std::random_device device;
    const unsigned seed = device();
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<std::int64_t> delay(0, 3 * cycleNs);
    constexpr int kKills = 60;
    int seen[2][2] = {};
    for (int kill = 0; kill < kKills; ++kill) {
      SCOPED_TRACE("seed " + std::to_string(seed) + ", kill " + std::to_string(kill));
      const std::int64_t after = delay(random);
      std::fflush(nullptr);
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        if (!ArmKillTimer(after)) _exit(2);
        // Saves alternate between the two states until the kill; a runaway
        // child gives up on its own.
        for (int i = 0; i < 100000; ++i) {
          session.ApplyState(i % 2 == 0 ? 1 : 0);
          ch.Settings_Save(0);
          ch.Data_Save();
        }
        _exit(3);
      }
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
          << "the child ended otherwise: status " << status;

      const std::string settingsNow = ReadAll(settingsPath);
      const std::string dataNow = ReadAll(dataPath);
      const int s = settingsNow == settings[0] ? 0 : settingsNow == settings[1] ? 1 : -1;
      const int d = dataNow == data[0] ? 0 : dataNow == data[1] ? 1 : -1;
      ASSERT_NE(s, -1) << "settings file is neither state (" << settingsNow.size() << " bytes)";
      ASSERT_NE(d, -1) << "data file is neither state (" << dataNow.size() << " bytes)";
      ++seen[0][s];
      ++seen[1][d];
    }
    // Both states were caught on disk: the kills did land during the saving.
    EXPECT_GT(seen[0][0] + seen[1][0], 0);
    EXPECT_GT(seen[0][1] + seen[1][1], 0);
  }

  // Temporaries of the killed writes may be left beside the files; a new
  // session still reads both files as they are, moving nothing aside.
  RobustSession next(home.path());
  for (const fs::path& folder : {settingsPath.parent_path(), dataPath.parent_path()}) {
    for (const std::string& name : FilesIn(folder)) EXPECT_EQ(name.find(".corrupt"), std::string::npos) << name;
  }
  const std::string threshold = next.Controls().XPFilterThreshold->TextGet();
  EXPECT_TRUE(threshold == "alpha threshold" || threshold == "beta threshold") << threshold;
  ASSERT_FALSE(LogHandlerInstance->Log().empty());
  const std::string& line = LogHandlerInstance->Log().back().message();
  EXPECT_TRUE(line.find("alpha line") != std::string::npos || line.find("beta line") != std::string::npos) << line;
}

}  // namespace
}  // namespace mellox::test
