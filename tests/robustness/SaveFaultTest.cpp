// Saves into a folder that turned read-only or onto a full disk: each save
// fails with an error report, the files of the last good save stay as they
// were (no temporaries left over), the plug-in goes on working, and once the
// fault is gone the minute writes the settings a refused save owed and the
// next save writes everything changed meanwhile.
// The faults are injected into the atomic writer (root ignores permission
// bits, so chmod could not make a folder read-only here); where the machine
// allows mounts, a real small tmpfs is filled up and remounted read-only too.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Hub.h"
#include "robustness/RobustSession.h"
#include "sim/SimCheckBox.h"
#include "sim/SimEdit.h"
#include "sim/SimPushButton.h"
#include "sim/SimView.h"
#include "support/TempHome.h"
#include "tracking/CorpseHandler.h"
#include "tracking/SpellHandler.h"

namespace mellox::test {
namespace {

struct Fault {
  const char* name;
  int err;
  const char* stage;
  int number;  // the error the report carries
};

// The state of the files on disk, to compare before and after a failed save.
struct Disk {
  std::string settings;
  std::string data;
  std::vector<std::string> settingsFolder;
  std::vector<std::string> dataFolder;
  bool operator==(const Disk&) const = default;
};

Disk Snapshot(RobustSession& s) {
  return {ReadAll(s.SettingsPath()), ReadAll(s.DataPath()), FilesIn(s.SettingsPath().parent_path()),
          FilesIn(s.DataPath().parent_path())};
}

// One round of the scenario with the fault switched on and off by the caller;
// returns a description of the first thing that went wrong, empty when none.
std::string FaultRound(RobustSession& s, int number, const std::function<void(bool)>& fault) {
  ControlHandler& ch = s.Controls();
  s.ApplyState(0, 50);
  if (!ch.Settings_Save(0) || !ch.Data_Save()) return "the saves before the fault failed";
  const Disk before = Snapshot(s);

  // Each round as the first of its faults in a run: a repeat within a run is only counted.
  Hub::TellRepeatedErrors();
  fault(true);
  const std::string report = "Error #" + std::to_string(number) + " occured in '";
  const std::size_t reportsBefore = s.OutputWith(report);
  ch.XPFilterThreshold->TextLet("changed while failing");
  if (ch.Settings_Save(0)) return "a settings save reported success";
  if (ch.Data_Save()) return "a data save reported success";
  if (s.OutputWith(report + "Settings_Save'") == 0) return "no report of the failed settings save";
  if (s.OutputWith(report + "Data_Save'") == 0) return "no report of the failed data save";
  if (s.OutputWith(report) != reportsBefore + 2) return "not exactly one report per failed save";
  if (!(Snapshot(s) == before)) return "the files on disk changed";

  // Still working: chat lines go through the pipeline and into the log.
  s.Chat("Someone tells you, \"are you there?\"", 4, 0);
  const auto& log = LogHandlerInstance->Log();
  if (log.empty() || log.back().message().find("are you there?") == std::string::npos)
    return "a chat line was not logged while saves were failing";
  if (!s.Host().UnhandledErrors().empty()) return "an error reached the host: " + s.Host().UnhandledErrors().front();

  fault(false);
  // The refused settings save is owed: the minute makes it without a word.
  const std::size_t said = s.Host().Output().size();
  s.Host().Advance(60000);
  if (ReadAll(s.SettingsPath()) != SettingsFile::Build(ch)) return "the minute did not make the settings save owed";
  if (s.Host().Output().size() != said) return "the minute's saves said something";
  if (!ch.Settings_Save(0) || !ch.Data_Save()) return "the saves after the fault failed";
  if (ReadAll(s.SettingsPath()) != SettingsFile::Build(ch)) return "the settings file misses the change";
  if (ReadAll(s.DataPath()) != DataFile::Build(ch)) return "the data file misses the new lines";
  if (ReadAll(s.DataPath()).find("are you there?") == std::string::npos) return "the line logged meanwhile is lost";
  return {};
}

TEST(SaveFaultTest, InjectedWriteFailuresKeepTheFilesAndThePlugin) {
  const Fault faults[] = {
      {"disk full while writing", ENOSPC, "write", 61},
      {"disk full at close", ENOSPC, "close", 61},
      {"quota exceeded", EDQUOT, "write", 61},
      {"read-only folder", EACCES, "open", 70},
      {"read-only file system", EROFS, "open", 70},
      {"rename refused", EPERM, "rename", 70},
  };
  TempHome home;
  RobustSession session(home.path());
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.name);
    const std::string problem = FaultRound(session, f.number, [&](bool on) {
      if (on) {
        SetAtomicWriteFaultForTesting([&f](std::string_view stage) { return stage == f.stage ? f.err : 0; });
      } else {
        SetAtomicWriteFaultForTesting({});
      }
    });
    EXPECT_EQ(problem, "");
  }

  // The disk fills up while a tick's lines are appended beside the data file:
  // reported, and no line is lost, neither those stored before nor those of
  // the failed tick, which the next tick stores.
  ControlHandler& ch = session.Controls();
  session.ApplyState(0, 50);
  ASSERT_TRUE(ch.Data_Save());
  const std::size_t reports = session.OutputWith("Error #61 occured in 'Data_Save'");
  std::vector<std::string> said;
  for (const char* text : {"stored before", "logged while failing", "logged after"}) {
    said.push_back(std::string("Someone tells you, \"") + text + "\"");
    session.Chat(said.back(), 4, 0);
    const bool failing = said.size() == 2;
    if (failing)
      SetAtomicWriteFaultForTesting([](std::string_view stage) { return stage == "append" ? ENOSPC : 0; });
    EXPECT_EQ(ch.Data_SaveNewLines(), !failing) << text;
    SetAtomicWriteFaultForTesting({});
    if (said.size() == 1) {
      ASSERT_TRUE(fs::exists(DataFile::LinesPath()));
    }
  }
  EXPECT_EQ(session.OutputWith("Error #61 occured in 'Data_Save'"), reports + 1);
  // What a load after a crash finds.
  ch.Data_Load(0);
  const auto& log = LogHandlerInstance->Log();
  ASSERT_GE(log.size(), said.size());
  std::vector<std::string> last;
  for (auto it = log.end() - static_cast<std::ptrdiff_t>(said.size()); it != log.end(); ++it)
    last.push_back(it->message());
  EXPECT_EQ(last, said);
  EXPECT_EQ(
      std::count_if(log.begin(), log.end(), [&](const LogItem& item) { return item.message() == said[0]; }),
      1);

  // The disk is nearly full: a whole file no longer fits, a tick's lines do.
  // One failed whole write is told; the ticks after it still store their
  // lines beside the data file, and only the minute tries the whole write again.
  ASSERT_TRUE(ch.Data_Save());
  session.Chat("Someone tells you, \"before the disk filled\"", 4, 0);
  ASSERT_TRUE(ch.Data_SaveNewLines());
  const std::string data = ReadAll(session.DataPath());
  Hub::TellRepeatedErrors();
  const std::size_t before = session.OutputWith("Error #61 occured in 'Data_Save'");
  SetAtomicWriteFaultForTesting([](std::string_view stage) { return stage == "write" ? ENOSPC : 0; });
  EXPECT_FALSE(ch.Data_Save());
  for (int tick = 0; tick < 3; ++tick) {
    session.Chat("Someone tells you, \"while full " + std::to_string(tick) + "\"", 4, 0);
    EXPECT_TRUE(ch.Data_SaveNewLines()) << tick;
    EXPECT_NE(ReadAll(DataFile::LinesPath()).find("while full " + std::to_string(tick)), std::string::npos);
  }
  EXPECT_EQ(session.OutputWith("Error #61 occured in 'Data_Save'"), before + 1);
  EXPECT_FALSE(ch.Data_SaveNewLines(true));
  EXPECT_EQ(session.OutputWith("Error #61 occured in 'Data_Save'"), before + 2);
  EXPECT_EQ(ReadAll(session.DataPath()), data);
  SetAtomicWriteFaultForTesting({});
  EXPECT_TRUE(ch.Data_SaveNewLines(true));
  EXPECT_FALSE(fs::exists(DataFile::LinesPath()));
  EXPECT_EQ(ReadAll(session.DataPath()), DataFile::Build(ch));
  EXPECT_NE(ReadAll(session.DataPath()).find("while full 2"), std::string::npos);

  // Still full after a failed whole write, the minute and the logoff store
  // beside the data file what they would have written before they try the
  // whole write: an item spell's seconds left and the last second's line.
  const std::string whole = ReadAll(session.DataPath());
  SpellHandlerInstance->AddItemSpellfromData(2345, 1000, "your armor.");
  SetWriteRoomForTesting(4096);
  EXPECT_FALSE(ch.Data_Save());
  session.Host().Advance(60000);
  EXPECT_NE(ReadAll(DataFile::LinesPath()).find("remaining=\"940\" target=\"your armor.\""), std::string::npos);
  session.Host().Advance(30000);
  session.Chat("Someone tells you, \"just before the logoff\"", 4, 0);
  session.Host().Character().RaiseLogoff();
  SetWriteRoomForTesting(std::nullopt);
  EXPECT_EQ(ReadAll(session.DataPath()), whole);
  ch.Data_Load(0);
  EXPECT_NE(LogHandlerInstance->Log().back().message().find("just before the logoff"), std::string::npos);
  EXPECT_NE(DataFile::Build(ch).find("remaining=\"910\" target=\"your armor.\""), std::string::npos);
}

// The disk fills up while all goes well: the first whole write to fail (at
// the logoff, the game's close, a tick whose lines outgrow the companion,
// such a minute, or a death's corpse) stores beside the data file at once what it would have
// written, so the next login has all of it though no save came after.
TEST(SaveFaultTest, FirstFailedWholeWriteStoresWhatItWouldHaveWritten) {
  for (const std::string when : {"logoff", "close", "tick", "minute", "death"}) {
    SCOPED_TRACE(when);
    TempHome home;
    std::string expected;
    std::string whole;
    {
      RobustSession s(home.path());
      ControlHandler& ch = s.Controls();
      s.ApplyState(0, 20);
      LogHandlerInstance->MaxLines(1000);
      SpellHandlerInstance->AddItemSpellfromData(2345, 1000, "your armor.");
      ASSERT_TRUE(ch.Data_Save());
      whole = ReadAll(s.DataPath());
      const fs::path dataPath = s.DataPath();
      const fs::path linesPath = DataFile::LinesPath();
      s.Host().Advance(5000);
      // A tick's (or the minute's) lines as large as the data file need a whole write.
      const int lines = when == "tick" || when == "minute" ? 25 : 1;
      for (int i = 0; i < lines; ++i) s.Chat("Someone tells you, \"the last second " + std::to_string(i) + "\"", 4, 0);
      expected = DataFile::Build(ch);
      ASSERT_NE(expected.find("the last second 0"), std::string::npos);
      // Room for the lines, not for the whole file.
      SetWriteRoomForTesting(expected.size() - 1);
      Hub::TellRepeatedErrors();
      const std::size_t reports = s.OutputWith("Error #61 occured in 'Data_Save'");
      if (when == "death") {
        // A corpse recorded on a full disk, then the logoff.
        ch.CorpsesTrack->CheckedLet(true);
        CorpseHandlerInstance->CharDeath();
        CorpseHandlerInstance->CorpseData("your pack");
        CorpseHandlerInstance->AddCorpse();
        expected = DataFile::Build(ch);
        ASSERT_NE(expected.find("data=\"your pack\""), std::string::npos);
        s.Host().Character().RaiseLogoff();
      } else if (when == "logoff") {
        s.Host().Character().RaiseLogoff();
      } else if (when == "close") {
        s.Host().UnloadPlugin();
      } else {
        EXPECT_FALSE(ch.Data_SaveNewLines(when == "minute"));
      }
      if (when != "close") {
        EXPECT_GE(s.OutputWith("Error #61 occured in 'Data_Save'"), reports + 1);
      }
      SetWriteRoomForTesting(std::nullopt);
      EXPECT_EQ(ReadAll(dataPath), whole);
      ASSERT_TRUE(fs::exists(linesPath));
    }
    // The next login (after a crash for a tick and the minute) reads it all.
    RobustSession next(home.path());
    EXPECT_EQ(DataFile::Build(next.Controls()), expected);
  }
}

// While whole writes fail, every change the data file would hold is stored
// beside it and comes back once at the next login, though no whole write
// came after: the global-settings choice, a corpse recorded and one deleted
// meanwhile, a line logged after the chat log's limit cut its oldest lines.
TEST(SaveFaultTest, WhatWholeWritesCouldNotHoldComesBackOnceAtTheNextLogin) {
  TempHome home;
  RobustSession s(home.path());
  ControlHandler& ch = s.Controls();
  s.ApplyState(0, 20);
  ch.CorpsesTrack->CheckedLet(true);
  const auto die = [](const std::string& lost) {
    CorpseHandlerInstance->CharDeath();
    CorpseHandlerInstance->CorpseData(lost);
    CorpseHandlerInstance->AddCorpse();
  };
  die("the first pack");
  ASSERT_TRUE(ch.Data_Save());
  const std::string whole = ReadAll(s.DataPath());

  SetWriteRoomForTesting(1024);
  Hub::TellRepeatedErrors();
  const std::size_t reports = s.OutputWith("Error #61 occured in 'Data_Save'");
  die("the second pack");
  EXPECT_EQ(s.OutputWith("Error #61 occured in 'Data_Save'"), reports + 1);
  s.Host().View()->Get<sim::SimEdit>("Chat_Log_Max").UserEdit("15");
  s.Chat("Someone tells you, \"after the cut\"", 4, 0);
  s.Host().Advance(1000);
  CorpseHandlerInstance->RemoveCorpsebyID(1);
  s.Host().View()->Get<sim::SimCheckBox>("Global_Settings").UserCheck(true);
  ASSERT_TRUE(ch.GlobalSettings->CheckedGet());
  s.Host().Character().RaiseLogoff();
  ASSERT_EQ(ReadAll(s.DataPath()), whole);

  // The next login, on the same nearly full disk.
  s.Host().Character().RaiseLoginComplete();
  EXPECT_TRUE(ch.GlobalSettings->CheckedGet());
  ASSERT_EQ(CorpseHandlerInstance->Corpses.size(), 1u);
  EXPECT_EQ(CorpseHandlerInstance->Corpses[0].data, "the second pack");
  const auto& log = LogHandlerInstance->Log();
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const LogItem& item) { return item.message() == "Someone tells you, \"after the cut\""; }),
            1);
  SetWriteRoomForTesting(std::nullopt);
  ASSERT_TRUE(ch.Data_Save());
  const std::string data = ReadAll(s.DataPath());
  EXPECT_NE(data.find("<Global enabled=\"True\"/>"), std::string::npos);
  EXPECT_EQ(data.find("the first pack"), std::string::npos);
  EXPECT_EQ(data.find("the second pack"), data.rfind("the second pack"));
  EXPECT_NE(data.find("after the cut"), std::string::npos);
}

// A settings save the full disk refused is owed: the minute, a load of
// that file and the login's end write it once there is room, saying nothing
// more than the refusal did; a login that ends while the disk is still full
// loses it, told as the refusal of its own last save.
TEST(SaveFaultTest, ASettingsSaveRefusedIsMadeOnceThereIsRoom) {
  TempHome home;
  RobustSession s(home.path());
  sim::SimView& view = *s.Host().View();
  ControlHandler& ch = s.Controls();
  const fs::path characterFile = s.SettingsPath();
  const fs::path globalFile = characterFile.parent_path() / SettingsFile::kGlobalFileName;
  const auto addAlias = [&](const std::string& abbr) {
    view.Get<sim::SimEdit>("Alias_Abbr").UserEdit(abbr);
    view.Get<sim::SimEdit>("Alias_Full").UserEdit("good game");
    view.Get<sim::SimPushButton>("Alias_Add").UserPress();
  };
  const auto hasAlias = [&](const std::string& abbr) {
    for (std::int32_t row = 0; row < ch.ChatAlias->Count(); ++row) {
      if (persistence::VariantText(ch.ChatAlias->DataGet(1, row, 0)) == abbr) return true;
    }
    return false;
  };
  const auto inFile = [](const fs::path& file, const std::string& abbr) {
    return ReadAll(file).find("abbr=\"" + abbr + "\"") != std::string::npos;
  };
  // Each refusal told in full, not only counted as a repeat.
  const auto refused = [&] {
    Hub::TellRepeatedErrors();
    return s.OutputWith("Error #61 occured in 'Settings_Save'");
  };
  const std::size_t before = refused();

  // The minute after the disk freed. Not the defaults: the button that
  // saves them said they were not saved.
  const fs::path defaultsFile = characterFile.parent_path() / SettingsFile::kDefaultFileName;
  const std::string defaults = ReadAll(defaultsFile);
  SetWriteRoomForTesting(1024);
  addAlias("gg");
  EXPECT_EQ(refused(), before + 1);
  view.Get<sim::SimPushButton>("Set_Default").UserPress();
  EXPECT_EQ(s.OutputWith("Settings Saved as Default"), 0u);
  SetWriteRoomForTesting(std::nullopt);
  const std::size_t said = s.Host().Output().size();
  s.Host().Advance(60000);
  EXPECT_TRUE(inFile(characterFile, "gg"));
  EXPECT_EQ(s.Host().Output().size(), said);
  EXPECT_EQ(ReadAll(defaultsFile), defaults);

  // A minute that finds the disk still full keeps the save owed for the next.
  const std::size_t refusedFirst = refused();
  SetWriteRoomForTesting(1024);
  addAlias("wait");
  EXPECT_EQ(refused(), refusedFirst + 1);
  s.Host().Advance(60000);
  EXPECT_FALSE(inFile(characterFile, "wait"));
  SetWriteRoomForTesting(std::nullopt);
  s.Host().Advance(60000);
  EXPECT_TRUE(inFile(characterFile, "wait"));

  // The reload button, before the minute: it reads what the player set.
  SetWriteRoomForTesting(1024);
  addAlias("hi");
  SetWriteRoomForTesting(std::nullopt);
  view.Get<sim::SimPushButton>("Reload_Settings").UserPress();
  EXPECT_TRUE(hasAlias("hi"));
  EXPECT_TRUE(inFile(characterFile, "hi"));

  // The global file's, once the character's settings are in use: at the relogin.
  view.Get<sim::SimCheckBox>("Global_Settings").UserCheck(true);
  ASSERT_TRUE(fs::exists(globalFile));
  SetWriteRoomForTesting(1024);
  addAlias("gl");
  view.Get<sim::SimCheckBox>("Global_Settings").UserCheck(false);
  ASSERT_FALSE(hasAlias("gl"));
  SetWriteRoomForTesting(std::nullopt);
  const std::size_t errors = s.OutputWith("Error #");
  s.Host().Character().RaiseLoginComplete();
  EXPECT_TRUE(inFile(globalFile, "gl"));
  EXPECT_EQ(s.OutputWith("Error #"), errors);

  // A logoff while the disk is still full: lost, and told by the logoff's own refusal.
  const std::size_t refusedBefore = refused();
  SetWriteRoomForTesting(1024);
  addAlias("lost");
  s.Host().Character().RaiseLogoff();
  EXPECT_EQ(refused(), refusedBefore + 2);
  SetWriteRoomForTesting(std::nullopt);
  s.Host().Character().RaiseLoginComplete();
  s.Host().Advance(60000);
  EXPECT_FALSE(hasAlias("lost"));
  EXPECT_FALSE(inFile(characterFile, "lost"));
  EXPECT_TRUE(inFile(characterFile, "hi"));
}

// A companion as another tool leaves it (CR LF line ends and a byte-order
// mark, as an editor on Windows saves it, lone CRs or CR CR LF ending its
// lines, or a last line with no end) is
// this data file's: read whole at the next login, and appended to while
// whole writes fail, so a crash after it loses none of its lines. So is one
// a crash cut off in the middle of its last line, once it was kept aside as
// it was: cut back to its whole lines, the new ones follow them.
TEST(SaveFaultTest, ACompanionAnotherToolSavedIsReadAndAppendedTo) {
  const auto crlf = [](std::string bytes) {
    for (std::size_t at = 0; (at = bytes.find('\n', at)) != std::string::npos; at += 2) bytes.insert(at, "\r");
    return bytes;
  };
  // Every line end made a lone CR (an old editor's form), or CR CR LF.
  const auto cr = [](std::string bytes, const std::string& end) {
    for (std::size_t at = 0; (at = bytes.find('\n', at)) != std::string::npos; at += end.size())
      bytes.replace(at, 1, end);
    return bytes;
  };
  const std::pair<const char*, std::function<std::string(std::string)>> edits[] = {
      {"CR LF line ends", crlf},
      {"CR line ends", [&](std::string bytes) { return cr(bytes, "\r"); }},
      {"CR CR LF line ends", [&](std::string bytes) { return cr(bytes, "\r\r\n"); }},
      {"a byte-order mark", [](std::string bytes) { return "\xEF\xBB\xBF" + bytes; }},
      {"both", [&](std::string bytes) { return "\xEF\xBB\xBF" + crlf(bytes); }},
      {"a last line with no end", [](std::string bytes) { return bytes.substr(0, bytes.size() - 1); }},
      {"a last line cut off", [](std::string bytes) { return bytes + "<Log message=\"cut off"; }},
  };
  for (const auto& [edit, apply] : edits) {
    SCOPED_TRACE(edit);
    TempHome home;
    RobustSession s(home.path());
    ControlHandler& ch = s.Controls();
    s.ApplyState(0, 20);
    LogHandlerInstance->MaxLines(1000);
    ASSERT_TRUE(ch.Data_Save());
    s.Chat("Someone tells you, \"stored beside\"", 4, 0);
    ASSERT_TRUE(ch.Data_SaveNewLines());
    const fs::path lines = DataFile::LinesPath();
    const std::string edited = apply(ReadAll(lines));
    WriteFileAtomic(lines, edited);

    // The game stopped without a logoff; the next login's whole write fails.
    SetWriteRoomForTesting(1024);
    ch.Data_Load(0);
    EXPECT_EQ(LogHandlerInstance->Log().back().message(), "Someone tells you, \"stored beside\"");
    s.Chat("Someone tells you, \"after the edit\"", 4, 0);
    EXPECT_TRUE(ch.Data_SaveNewLines());
    // And stopped again.
    ch.Data_Load(0);
    const auto& log = LogHandlerInstance->Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2].message(), "Someone tells you, \"stored beside\"");
    EXPECT_EQ(log.back().message(), "Someone tells you, \"after the edit\"");
    EXPECT_EQ(s.OutputWith("that its data file lacks"), 0u);
    const bool torn = std::string_view(edit) == "a last line cut off";
    for (const std::string& name : FilesIn(lines.parent_path())) {
      if (name.find(".damaged") == std::string::npos) continue;
      EXPECT_TRUE(torn) << name;
      EXPECT_EQ(ReadAll(lines.parent_path() / name), edited);
    }
    EXPECT_EQ(s.OutputWith("ended in the middle of a line"), torn ? 1u : 0u);
  }
}

// --- A real small file system --------------------------------------------------

constexpr int kSkip = 77;

// Fills the file system of the folder until it is full; returns the filler.
fs::path FillUp(const fs::path& folder) {
  const fs::path filler = folder / "filler";
  const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return filler;
  const std::string block(4096, 'x');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  // The last partial block.
  while (::write(fd, block.data(), 1) > 0) {
  }
  ::close(fd);
  return filler;
}

// Runs in a child with its own mount namespace, so the mount vanishes with it.
// Returns 0 when all went as it should, kSkip when mounts are not allowed.
int RealFileSystemChild(const fs::path& home, int reportFd) {
  auto fail = [&](const std::string& what) {
    const std::string line = what + "\n";
    if (::write(reportFd, line.data(), line.size()) < 0) {
    }
    return 1;
  };
  if (unshare(CLONE_NEWNS) != 0) return kSkip;
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return kSkip;
  const fs::path common = home / "ProgramData";
  fs::create_directories(common);
  if (mount("tmpfs", common.c_str(), "tmpfs", 0, "size=512k") != 0) return kSkip;

  std::string problem;
  {
    RobustSession session(home);
    fs::path filler;
    problem = FaultRound(session, 61, [&](bool on) {
      if (on) {
        filler = FillUp(common);
      } else {
        fs::remove(filler);
      }
    });
    if (!problem.empty()) return fail("full disk: " + problem);
    problem = FaultRound(session, 70, [&](bool on) {
      const unsigned long flags = MS_REMOUNT | (on ? MS_RDONLY : 0);
      if (mount("tmpfs", common.c_str(), "tmpfs", flags, "size=512k") != 0) problem = std::strerror(errno);
    });
    if (!problem.empty()) return fail("read-only file system: " + problem);
  }
  umount2(common.c_str(), MNT_DETACH);
  return 0;
}

TEST(SaveFaultTest, RealFullAndReadOnlyFileSystem) {
  TempHome home;
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  std::fflush(nullptr);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipeFds[0]);
    _exit(RealFileSystemChild(home.path(), pipeFds[1]));
  }
  ::close(pipeFds[1]);
  std::string message;
  char buffer[256];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) message.append(buffer, static_cast<size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child ended with status " << status;
  if (WEXITSTATUS(status) == kSkip) GTEST_SKIP() << "this machine does not allow a tmpfs mount here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << message;
}

}  // namespace
}  // namespace mellox::test
