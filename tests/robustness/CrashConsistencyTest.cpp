// A process that is saving the settings and the data file is killed with
// SIGKILL in the middle of a save, many times over. After every kill both
// files must be whole: byte for byte the content of the save before or of the
// save that was cut short, and a new session must read them without moving
// anything aside. Likewise a process storing the chat-log lines of a tick
// (appended beside the data file, or the whole file now and then): after
// every kill a load brings back each line of the finished ticks once, in
// order, and of the tick cut short at most its first lines.
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
// asked for on any machine. The windows within an append of a tick's lines
// are too short for a timer to hit, so some kills are made there by the child
// itself: half way through the append, and after it before the save's end.
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
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "robustness/RobustSession.h"
#include "support/TempHome.h"

namespace mellox::test {
namespace {

using Clock = std::chrono::steady_clock;

// Only a guard against a child that hangs: a save takes milliseconds.
constexpr int kReportTimeoutMs = 120000;
// Sent instead of a kill delay: the save runs to its end.
constexpr std::int64_t kNoKill = -1;
// Sent instead of a kill delay: the child is killed where a window too short
// for any timer lies, when the save gets there: half way through writing the
// lines it appends beside the data file (as the disk would leave them), or
// once they are written but before the save has taken note of them.
constexpr std::int64_t kKillMidAppend = -2;
constexpr std::int64_t kKillAfterAppend = -3;
// Sent as kKillAtStep - n: the child is killed at the n-th step of the file
// writer that the save reaches (open, write, close, rename of a whole write;
// append, appended of an append), so that each step can be hit in turn.
constexpr std::int64_t kKillAtStep = -100;

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

// A forked copy of the session that makes its i-th state with prepare(i) and
// saves it with save(i), each save when the parent says so. A child still
// alive when this goes is killed and reaped, so a failed assertion leaves no
// process behind.
class SavingChild {
 public:
  SavingChild(const std::function<void(int)>& prepare, const std::function<void(int)>& save) {
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
      Run(prepare, save, go[0], reports[1]);
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
  [[noreturn]] static void Run(const std::function<void(int)>& prepare, const std::function<void(int)>& save,
                               int go, int reports) {
    for (int i = 0;; ++i) {
      prepare(i);
      std::int64_t killAfterNs = kNoKill;
      // The parent's end of the pipe closes when it is done with this child.
      if (::read(go, &killAfterNs, sizeof killAfterNs) != sizeof killAfterNs) _exit(0);
      Report started{Report::kStarted, 0};
      if (::write(reports, &started, sizeof started) != sizeof started) _exit(2);
      if (killAfterNs == kKillMidAppend || killAfterNs == kKillAfterAppend) {
        const std::string_view at = killAfterNs == kKillMidAppend ? "restore" : "appended";
        SetAtomicWriteFaultForTesting([at](std::string_view stage) {
          if (stage == at) raise(SIGKILL);
          // The append stops half way, as on a disk that failed mid-write.
          return stage == "append" && at == "restore" ? EIO : 0;
        });
      } else if (killAfterNs <= kKillAtStep) {
        SetAtomicWriteFaultForTesting([left = kKillAtStep - killAfterNs](std::string_view) mutable {
          if (--left == 0) raise(SIGKILL);
          return 0;
        });
      } else if (killAfterNs != kNoKill && !ArmKillTimer(killAfterNs)) {
        _exit(3);
      }
      const auto start = Clock::now();
      save(i);
      Report finished{Report::kFinished, std::chrono::nanoseconds(Clock::now() - start).count()};
      if (::write(reports, &finished, sizeof finished) != sizeof finished) _exit(2);
    }
  }

  pid_t pid_ = -1;
  int go_ = -1;
  int reports_ = -1;
};

// The kills of one test: the random source, whose seed is printed, and the counts.
struct KillRun {
  explicit KillRun(int kills) : asked(kills), seed(std::random_device{}()), random(seed) {}
  // Kills go on until as many cut a save short as asked, or too many did not.
  bool More() const { return midSave < asked && kills < 2 * asked + 20; }

  const int asked;
  const unsigned seed;
  std::mt19937_64 random;
  int kills = 0;
  int midSave = 0;
  int failures = 0;
  std::int64_t shortestNs = INT64_MAX;
};

// Lets the child finish that many saves, with afterEach(i) once the i-th is
// through, then start one more that the kernel timer kills at a random moment
// within the shortest save seen (or that is killed at a stage, kKillMidAppend
// or kKillAfterAppend), and counts the kill. True when it cut that save
// short; nothing, the test failed, when the child did not do as told.
std::optional<bool> FinishThenKill(SavingChild& child, int finished, KillRun& run,
                                   const std::function<void(int)>& afterEach, std::int64_t atStage = 0) {
  if (!child.Started()) {
    ADD_FAILURE() << "no child";
    return std::nullopt;
  }
  for (int i = 0; i < finished; ++i) {
    if (!child.Go() || child.Next().kind != Report::kStarted) break;
    const Report done = child.Next();
    if (done.kind != Report::kFinished) break;
    run.shortestNs = std::min(run.shortestNs, done.tookNs);
    afterEach(i);
    if (i + 1 < finished) continue;
    std::uniform_int_distribution<std::int64_t> delay(0, std::max<std::int64_t>(run.shortestNs - 1, 0));
    if (!child.Go(atStage != 0 ? atStage : delay(run.random)) || child.Next().kind != Report::kStarted) break;
    // Either the timer ends the child (the pipe closes) or the save ended first.
    const bool cut = child.Next().kind != Report::kFinished;
    if (!cut) child.Kill();
    const int status = child.Reap();
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL) {
      ADD_FAILURE() << "the child ended otherwise: " << status;
      return std::nullopt;
    }
    ++run.kills;
    run.midSave += cut;
    return cut;
  }
  ADD_FAILURE() << "the child did not save as told";
  return std::nullopt;
}

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

    KillRun run(asked);
    SCOPED_TRACE("seed " + std::to_string(run.seed));
    // Which of the two states each file held after a mid-save kill: the
    // settings [0] and the data file [1], old (that of the last finished
    // save) [0] or new (that of the save cut short) [1].
    int seen[2][2] = {};
    while (run.More()) {
      const int first = static_cast<int>(run.random() % 2);
      const int finishedFirst = 1 + static_cast<int>(run.random() % 3);
      SavingChild child([&](int i) { session.ApplyState((first + i) % 2); },
                        [&](int) {
                          ch.Settings_Save(0);
                          ch.Data_Save();
                        });
      const std::optional<bool> cut = FinishThenKill(child, finishedFirst, run, [&](int i) {
        const int state = (first + i) % 2;
        EXPECT_EQ(ReadAll(settingsPath), settings[state]) << "a finished save is not on disk";
        EXPECT_EQ(ReadAll(dataPath), data[state]) << "a finished save is not on disk";
      });
      ASSERT_TRUE(cut.has_value());
      const int kills = run.kills;

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
        ++run.failures;
      } else if (!*cut) {
        EXPECT_TRUE(s == 1 && d == 1) << "kill " << kills << ": a finished save is not on disk";
      } else {
        ++seen[0][s];
        ++seen[1][d];
      }
    }
    std::cout << "crash consistency: " << run.kills << " kills, " << run.midSave
              << " mid-save; settings file old " << seen[0][0] << " new " << seen[0][1] << "; data file old "
              << seen[1][0] << " new " << seen[1][1] << "; failures " << run.failures << "; shortest save "
              << run.shortestNs / 1000 << " us; seed " << run.seed << std::endl;
    EXPECT_EQ(run.midSave, asked);
    EXPECT_EQ(run.failures, 0);
    // Both kinds of outcome were caught: the kills did cut saves at different points.
    EXPECT_GT(seen[0][0] + seen[1][0], 0);
    EXPECT_GT(seen[0][1] + seen[1][1], 0);

    // A kill at the whole write of the global settings file, which a login
    // of the character's own settings never reads.
    KillRun global(1);
    SavingChild child([](int) {},
                      [&](int i) {
                        ch.GlobalSettings->CheckedLet(i == 1);
                        ch.Settings_Save(0);
                      });
    ASSERT_EQ(FinishThenKill(child, 1, global, [](int) {}, kKillAtStep - 2), std::optional(true));
  }
  const auto globalTemporaries = [&] {
    const std::vector<std::string> names = FilesIn(settingsPath.parent_path());
    return std::count_if(names.begin(), names.end(), [](const std::string& name) {
      return name.starts_with(std::string(SettingsFile::kGlobalFileName) + ".tmp-");
    });
  };
  ASSERT_EQ(globalTemporaries(), 1);

  // Temporaries of the killed writes may be left beside the files; a new
  // session still reads both files as they are, moving nothing aside, and
  // removes them, the global settings file's too.
  RobustSession next(home.path());
  for (const fs::path& folder : {settingsPath.parent_path(), dataPath.parent_path()}) {
    for (const std::string& name : FilesIn(folder)) {
      EXPECT_EQ(name.find(".corrupt"), std::string::npos) << name;
      EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
    }
  }
  const std::string threshold = next.Controls().XPFilterThreshold->TextGet();
  EXPECT_TRUE(threshold == "alpha threshold" || threshold == "beta threshold") << threshold;
  ASSERT_FALSE(LogHandlerInstance->Log().empty());
  const std::string& line = LogHandlerInstance->Log().back().message();
  EXPECT_TRUE(line.find("alpha line") != std::string::npos || line.find("beta line") != std::string::npos) << line;
}

// The chat-log lines a load of the files now on disk brings back, read by a
// forked copy of the session so that the session itself stays as it is.
std::vector<std::string> LoadedLines(RobustSession& session, const fs::path& out) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    // As a new run: what it swept or kept aside is not known yet.
    persistence::ClearProtectedForTesting();
    session.Controls().Data_Load(0);
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    for (const LogItem& item : LogHandlerInstance->Log()) file << item.message() << '\n';
    _exit(file.flush() ? 0 : 1);
  }
  int status = 0;
  while (pid > 0 && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (pid <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {"<the load did not finish>"};
  std::vector<std::string> lines;
  std::ifstream in(out, std::ios::binary);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(CrashConsistencyTest, KilledWhileStoringATicksLinesLosesAtMostThoseLines) {
  TempHome home;
  const int asked = KillsAsked();
  RobustSession session(home.path());
  ControlHandler& ch = session.Controls();
  session.ApplyState(0);
  LogHandler& log = *LogHandlerInstance;
  // Every line stays in the log, so every line must come back.
  log.MaxLines(1000000);
  ASSERT_TRUE(ch.Data_Save());
  std::vector<std::string> kept;
  for (const LogItem& item : log.Log()) kept.push_back(item.message());

  constexpr int kLinesPerTick = 8;
  auto line = [](int round, int tick, int j) {
    return "Bob tells you, \"round " + std::to_string(round) + " tick " + std::to_string(tick) + " line " +
           std::to_string(j) + "\"";
  };
  KillRun run(asked);
  SCOPED_TRACE("seed " + std::to_string(run.seed));
  // How many of the cut tick's lines came back: none, some, all.
  int seen[3] = {};
  while (run.More()) {
    const int round = run.kills;
    // Every fourth kill lands half way through an append, and every fourth
    // after one (the cut tick then appends: it is not a fourth tick).
    const std::int64_t atStage = round % 4 == 1 ? kKillMidAppend : round % 4 == 3 ? kKillAfterAppend : 0;
    const int finishedFirst = 1 + static_cast<int>(run.random() % (atStage != 0 ? 2 : 3));
    // Each tick logs its lines and stores them; every fourth writes the
    // whole file, as logoff and the other changes do.
    SavingChild child(
        [&](int tick) {
          for (int j = 0; j < kLinesPerTick; ++j) log.AddToLog(line(round, tick, j), 4, 2);
        },
        [&](int tick) { tick % 4 == 3 ? ch.Data_Save() : ch.Data_SaveNewLines(); });
    const std::optional<bool> cut = FinishThenKill(child, finishedFirst, run, [](int) {}, atStage);
    ASSERT_TRUE(cut.has_value());
    const int kills = run.kills;

    std::vector<std::string> before = kept;
    for (int tick = 0; tick < finishedFirst; ++tick) {
      for (int j = 0; j < kLinesPerTick; ++j) before.push_back(line(round, tick, j));
    }
    const std::vector<std::string> loaded = LoadedLines(session, home.path() / "loaded.txt");
    // The finished ticks' lines, then the cut tick's first ones.
    std::size_t back = loaded.size() - std::min(loaded.size(), before.size());
    bool whole = loaded.size() >= before.size() && back <= kLinesPerTick &&
                 std::equal(before.begin(), before.end(), loaded.begin());
    for (std::size_t j = 0; whole && j < back; ++j)
      whole = loaded[before.size() + j] == line(round, finishedFirst, static_cast<int>(j));
    EXPECT_TRUE(whole) << "kill " << kills << ": " << loaded.size() << " lines came back, " << before.size()
                       << " were stored before the cut tick";
    if (!whole) {
      ++run.failures;
    } else if (!*cut) {
      EXPECT_EQ(back, static_cast<std::size_t>(kLinesPerTick))
          << "kill " << kills << ": a finished tick is not on disk";
    } else {
      ++seen[back == 0 ? 0 : back == kLinesPerTick ? 2 : 1];
    }
  }
  std::cout << "crash consistency of logged lines: " << run.kills << " kills, " << run.midSave
            << " mid-save; of the cut tick's lines none came back " << seen[0] << ", some " << seen[1]
            << ", all " << seen[2] << "; failures " << run.failures << "; shortest save "
            << run.shortestNs / 1000 << " us; seed " << run.seed << std::endl;
  EXPECT_EQ(run.midSave, asked);
  EXPECT_EQ(run.failures, 0);
  // Kills did land within an append and between an append and its end.
  EXPECT_GT(seen[1], 0);
  EXPECT_GT(seen[2], 0);
}

// A logoff or the game's close on a nearly full disk, whether a whole write
// failed there before or theirs is the first to fail, stores what it can
// beside the data file: killed at each step of the file writer
// it reaches in turn, it loses nothing that reached the disk. A load brings
// back the finished tick's lines, and the logoff's own once its append was
// through (and from then on at every later step), and leaves no temporary
// of a killed write of the companion. Which step is killed is counted, not
// timed, so every step is hit on any machine.
TEST(CrashConsistencyTest, KilledDuringALogoffOnANearlyFullDiskLosesNothingStored) {
  TempHome home;
  RobustSession session(home.path());
  ControlHandler& ch = session.Controls();
  session.ApplyState(0);
  LogHandler& log = *LogHandlerInstance;
  log.MaxLines(1000000);
  std::vector<std::string> kept;
  for (const LogItem& item : log.Log()) kept.push_back(item.message());
  const fs::path folder = session.DataPath().parent_path();

  constexpr int kLines = 8;
  auto line = [](int round, int save, int j) {
    return "Bob tells you, \"round " + std::to_string(round) + " save " + std::to_string(save) + " line " +
           std::to_string(j) + "\"";
  };
  KillRun run(0);
  int round = 0;
  // Of the logoff's lines none came back, all came back.
  int seen[2] = {};
  struct Variant {
    bool failedBefore;
    bool tick;  // a tick's lines stored before (appended to), or none (a new companion)
    bool close;  // the game's close instead of the logoff
  };
  for (const Variant v : {Variant{true, true, false}, Variant{true, false, false}, Variant{false, true, false},
                          Variant{false, false, false}, Variant{false, true, true}, Variant{false, false, true}}) {
    const bool tick = v.tick;
    SCOPED_TRACE(std::string(v.failedBefore ? "after a failed whole write, " : "first to fail, ") +
                 (tick ? "a tick before, " : "") + (v.close ? "the game's close" : "the logoff"));
    bool appended = false;
    for (int step = 1;; ++step, ++round) {
      SCOPED_TRACE("round " + std::to_string(round) + ", step " + std::to_string(step));
      // The files as the parent holds them, without a companion.
      ASSERT_TRUE(ch.Data_Save());
      // The disk fills up (and a whole write fails there); then a tick
      // stores its lines; then the logoff or the close, killed at that step.
      const int finished = tick ? 2 : 1;
      SavingChild child(
          [&](int i) {
            if (i == 0) return;
            for (int j = 0; j < kLines; ++j) log.AddToLog(line(round, i, j), 4, 2);
          },
          [&](int i) {
            if (i == 0) {
              SetWriteRoomForTesting(4096);
              if (v.failedBefore && ch.Data_Save()) _exit(4);
            } else if (i < finished) {
              ch.Data_SaveNewLines();
            } else if (v.close) {
              session.Host().UnloadPlugin();
            } else {
              session.Host().Character().RaiseLogoff();
            }
          });
      const std::optional<bool> cut = FinishThenKill(child, finished, run, [](int) {}, kKillAtStep - step);
      ASSERT_TRUE(cut.has_value());

      std::vector<std::string> before = kept;
      for (int i = 1; i < finished; ++i) {
        for (int j = 0; j < kLines; ++j) before.push_back(line(round, i, j));
      }
      std::vector<std::string> logoff;
      for (int j = 0; j < kLines; ++j) logoff.push_back(line(round, finished, j));
      const std::vector<std::string> loaded = LoadedLines(session, home.path() / "loaded.txt");
      std::vector<std::string> all = before;
      all.insert(all.end(), logoff.begin(), logoff.end());
      const bool none = loaded == before;
      const bool whole = loaded == all;
      EXPECT_TRUE(none || whole) << loaded.size() << " lines came back, " << before.size()
                                 << " were stored before the logoff";
      EXPECT_TRUE(whole || !appended) << "the logoff's lines, once on disk, were lost by a later kill";
      appended = appended || whole;
      ++seen[whole ? 1 : 0];
      for (const std::string& name : FilesIn(folder)) {
        EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
        EXPECT_EQ(name.find(".damaged"), std::string::npos) << name;
      }
      if (!*cut) {
        EXPECT_TRUE(whole) << "a finished logoff's lines are not on disk";
        break;
      }
    }
  }
  std::cout << "crash consistency of a logoff or close on a nearly full disk: " << run.kills << " kills, " << run.midSave
            << " within it; its lines came back none " << seen[0] << ", all " << seen[1] << std::endl;
  // Kills did land before the logoff's lines reached the disk and after.
  EXPECT_GT(seen[0], 0);
  EXPECT_GT(seen[1], 1);
}

}  // namespace
}  // namespace mellox::test
