// A process that is saving the settings and the data file is killed with
// SIGKILL in the middle of a save, many times over. After every kill both
// files must be whole: byte for byte the content of the save before or of the
// save that was cut short, and a new session must read them without moving
// anything aside.
//
// The kills adapt to the machine. A forked child saves only when the parent
// tells it to and reports through a pipe when each save starts and when it
// has finished, with the time the save took. The parent lets it finish a
// random number of saves, then has it start one more with a kernel timer that
// delivers SIGKILL at a random moment within the shortest save seen so far,
// counted from the start of that save in the child, so neither the machine's
// speed nor when the parent gets to run decides where the kill lands. A save
// that still reports its end was not cut; it is not counted as mid-save and a
// further kill is made, so the run ends with the number of mid-save kills
// asked for on any machine.
//
// MELLOX_CRASH_KILLS sets that number (scripts/crash-kills.sh runs 1,000).
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>

#include "robustness/RobustSession.h"
#include "support/TempHome.h"

namespace mellox::test {
namespace {

using Clock = std::chrono::steady_clock;

// Only a guard against a child that hangs: a save takes milliseconds.
constexpr int kReportTimeoutMs = 120000;
// Sent instead of a kill delay: the save runs to its end.
constexpr std::int64_t kNoKill = -1;

int KillsAsked() {
  const char* text = std::getenv("MELLOX_CRASH_KILLS");
  const int n = text ? std::atoi(text) : 0;
  return n > 0 ? n : 40;
}

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

// What the child tells the parent; one write each, so it arrives whole.
struct Report {
  enum Kind : char { kNone = 0, kStarted = 'S', kFinished = 'F' } kind = kNone;
  std::int64_t tookNs = 0;  // of a finished save
};

// A forked copy of the session that saves state (first + i) % 2 as its i-th
// save, each one when the parent says so. A child still alive when this goes
// is killed and reaped, so a failed assertion leaves no process behind.
class SavingChild {
 public:
  SavingChild(RobustSession& session, int first) {
    int go[2];
    int reports[2];
    if (pipe(go) != 0) return;
    if (pipe(reports) != 0) {
      ::close(go[0]);
      ::close(go[1]);
      return;
    }
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      ::close(go[1]);
      ::close(reports[0]);
      Run(session, first, go[0], reports[1]);
    }
    ::close(go[0]);
    ::close(reports[1]);
    go_ = go[1];
    reports_ = reports[0];
  }
  ~SavingChild() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Reap();
    }
    if (go_ >= 0) ::close(go_);
    if (reports_ >= 0) ::close(reports_);
  }
  SavingChild(const SavingChild&) = delete;
  SavingChild& operator=(const SavingChild&) = delete;

  bool Started() const { return pid_ > 0; }
  // Lets the next save begin; with a delay the child is killed that long after the save starts.
  bool Go(std::int64_t killAfterNs = kNoKill) {
    return ::write(go_, &killAfterNs, sizeof killAfterNs) == sizeof killAfterNs;
  }
  // The next report; kind kNone when none came in time or the child is gone.
  Report Next(int timeoutMs = kReportTimeoutMs) {
    Report r;
    pollfd p{reports_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) != 1 || ::read(reports_, &r, sizeof r) != sizeof r) return Report{};
    return r;
  }
  void Kill() { kill(pid_, SIGKILL); }
  // The wait status of the child once it has ended.
  int Reap() {
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
  }

 private:
  [[noreturn]] static void Run(RobustSession& session, int first, int go, int reports) {
    ControlHandler& ch = session.Controls();
    for (int i = 0;; ++i) {
      session.ApplyState((first + i) % 2);
      std::int64_t killAfterNs = kNoKill;
      // The parent's end of the pipe closes when it is done with this child.
      if (::read(go, &killAfterNs, sizeof killAfterNs) != sizeof killAfterNs) _exit(0);
      Report started{Report::kStarted, 0};
      if (::write(reports, &started, sizeof started) != sizeof started) _exit(2);
      if (killAfterNs != kNoKill && !ArmKillTimer(killAfterNs)) _exit(3);
      const auto start = Clock::now();
      ch.Settings_Save(0);
      ch.Data_Save();
      Report finished{Report::kFinished, std::chrono::nanoseconds(Clock::now() - start).count()};
      if (::write(reports, &finished, sizeof finished) != sizeof finished) _exit(2);
    }
  }

  pid_t pid_ = -1;
  int go_ = -1;
  int reports_ = -1;
};

TEST(CrashConsistencyTest, KilledWhileSavingLeavesTheOldOrTheNewFiles) {
  TempHome home;
  std::string settings[2];
  std::string data[2];
  fs::path settingsPath;
  fs::path dataPath;
  const int asked = KillsAsked();
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
    ASSERT_TRUE(ch.Settings_Save(0));
    ASSERT_TRUE(ch.Data_Save());

    std::random_device device;
    const unsigned seed = device();
    std::mt19937_64 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    // Which of the two states each file held after a mid-save kill: the
    // settings [0] and the data file [1], old (that of the last finished
    // save) [0] or new (that of the save cut short) [1].
    int seen[2][2] = {};
    int kills = 0;
    int midSave = 0;
    int failures = 0;
    std::int64_t shortestNs = INT64_MAX;
    const int killLimit = 2 * asked + 20;
    while (midSave < asked && kills < killLimit) {
      const int first = static_cast<int>(random() % 2);
      const int finishedFirst = 1 + static_cast<int>(random() % 3);
      SavingChild child(session, first);
      ASSERT_TRUE(child.Started());
      for (int i = 0; i < finishedFirst; ++i) {
        ASSERT_TRUE(child.Go());
        ASSERT_EQ(child.Next().kind, Report::kStarted);
        const Report done = child.Next();
        ASSERT_EQ(done.kind, Report::kFinished);
        shortestNs = std::min(shortestNs, done.tookNs);
        const int state = (first + i) % 2;
        ASSERT_EQ(ReadAll(settingsPath), settings[state]) << "a finished save is not on disk";
        ASSERT_EQ(ReadAll(dataPath), data[state]) << "a finished save is not on disk";
      }
      std::uniform_int_distribution<std::int64_t> delay(0, std::max<std::int64_t>(shortestNs - 1, 0));
      ASSERT_TRUE(child.Go(delay(random)));
      ASSERT_EQ(child.Next().kind, Report::kStarted);
      // Either the timer ends the child (the pipe closes) or the save ended first.
      const bool cut = child.Next().kind != Report::kFinished;
      if (!cut) child.Kill();
      const int status = child.Reap();
      ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child ended otherwise: " << status;
      ++kills;
      midSave += cut;

      const int oldState = (first + finishedFirst - 1) % 2;
      const int newState = 1 - oldState;
      const std::string settingsNow = ReadAll(settingsPath);
      const std::string dataNow = ReadAll(dataPath);
      const int s = settingsNow == settings[oldState] ? 0 : settingsNow == settings[newState] ? 1 : -1;
      const int d = dataNow == data[oldState] ? 0 : dataNow == data[newState] ? 1 : -1;
      EXPECT_NE(s, -1) << "kill " << kills << ": the settings file is neither state (" << settingsNow.size()
                       << " bytes)";
      EXPECT_NE(d, -1) << "kill " << kills << ": the data file is neither state (" << dataNow.size() << " bytes)";
      if (s < 0 || d < 0) {
        ++failures;
      } else if (!cut) {
        EXPECT_TRUE(s == 1 && d == 1) << "kill " << kills << ": a finished save is not on disk";
      } else {
        ++seen[0][s];
        ++seen[1][d];
      }
    }
    std::cout << "crash consistency: " << kills << " kills, " << midSave << " mid-save; settings file old "
              << seen[0][0] << " new " << seen[0][1] << "; data file old " << seen[1][0] << " new " << seen[1][1]
              << "; failures " << failures << "; shortest save " << shortestNs / 1000 << " us; seed " << seed
              << std::endl;
    EXPECT_EQ(midSave, asked);
    EXPECT_EQ(failures, 0);
    // Both kinds of outcome were caught: the kills did cut saves at different points.
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
