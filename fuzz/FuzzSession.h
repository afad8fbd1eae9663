// One plug-in in one simulated host per fuzzing process, in a temporary home
// folder that is removed at exit. Targets reach the plug-in only through the
// host's entry points (and the file operations the plug-in offers), and after
// every input the session checks that nothing escaped into the host.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "chat/ChatTextHandler.h"
#include "core/APluginCore.h"
#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "core/VB.h"
#include "persistence/DataFile.h"
#include "persistence/PersistenceLinks.h"
#include "persistence/SettingsFile.h"
#include "persistence/XmlFiles.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCharacter.h"
#include "sim/SimHooks.h"
#include "sim/SimHost.h"
#include "sim/SimRenderService.h"
#include "sim/SimWorld.h"

namespace mellox::fuzz {

namespace fs = std::filesystem;

// Ends the run; libFuzzer keeps the input that got here as a crash.
[[noreturn]] inline void Fail(const std::string& what);

// The first difference of two texts, with a little context on each side.
inline std::string FirstDifference(const std::string& a, const std::string& b) {
  std::size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  const std::size_t from = at > 40 ? at - 40 : 0;
  auto excerpt = [&](const std::string& s) {
    std::string out = s.substr(std::min(from, s.size()), 120);
    for (char& c : out)
      if (static_cast<unsigned char>(c) < 0x20) c = '.';
    return out;
  };
  return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) + ", first difference at byte " +
         std::to_string(at) + "\n  first:  " + excerpt(a) + "\n  second: " + excerpt(b);
}

inline std::string Slurp(const fs::path& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return {};
  return bytes;
}

class Session {
 public:
  // Whether HUD surfaces are drawn in pixels; the loaders leave it off, as
  // pixels cost most of their time and are not what they try.
  static inline bool rasterise = true;

  static Session& Get() {
    if (!Slot()) {
      Slot() = new Session();
      std::atexit([] {
        delete Slot();
        Slot() = nullptr;
      });
    } else if (!Slot()->HomeIntact()) {
      Fail("the session's files are gone");
    }
    return *Slot();
  }

  // Whether the home folder is still the one this session made. Crashed runs
  // leave their "mellox-fuzz-*" folders behind, and whatever cleans those up
  // can take a live one too; every input after that would fail on the missing
  // files (the default settings first) and be reported as a plug-in fault.
  bool HomeIntact() const {
    struct stat st {};
    return ::stat(home_.c_str(), &st) == 0 && st.st_dev == homeDevice_ && st.st_ino == homeInode_ &&
           ::access((home_ / kMarker).c_str(), F_OK) == 0;
  }
  const fs::path& Home() const { return home_; }

  // The session when one has been made (no new one is started).
  static Session* Existing() { return Slot(); }

  sim::SimHost& Host() { return *host_; }
  ControlHandler& Controls() {
    if (!ControlHandlerInstance) Fail("the plug-in has no settings view handler");
    return *ControlHandlerInstance;
  }

  // Unloads the plug-in and loads a fresh one, logged in.
  void Restart() {
    host_->LoadPlugin(std::make_unique<APluginCore>());
    Login();
  }

  // The files are named after the character, whose own object the world holds.
  void Login() {
    auto& me = host_->Character();
    me.SetServer("Fuzzserver");
    me.SetName("Fuzzer");
    if (!host_->World().Find(me.Character())) host_->World().AddObject(me.Character(), me.Name(), 1);
    me.RaiseLoginComplete();
  }

  // An incoming chat line as the game hands it over, through the chat hook.
  bool IncomingChat(const std::string& text, std::int32_t color, std::int32_t window) {
    return host_->IncomingChat(text, color, window);
  }

  // A typed line, through the typed-text hook.
  bool TypeText(const std::string& text) { return host_->TypeText(text); }

  // Files a failed load moved aside, and the protection of unreadable ones.
  void ClearAside(const fs::path& folder) {
    persistence::ClearProtectedForTesting();
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name.find(".corrupt") != std::string::npos || name.find(".damaged") != std::string::npos)
        fs::remove(it->path(), ec);
    }
  }

  static void Write(const fs::path& path, std::string_view bytes) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    WriteFileAtomic(path, bytes);
  }

  // After every input: nothing reached the host, and what the host and the
  // plug-in accumulate across inputs is kept small.
  void AfterInput() {
    if (!host_->UnhandledErrors().empty()) Fail("an exception reached the host: " + host_->UnhandledErrors().front());
    // The host records every output line for the whole run.
    const_cast<std::vector<std::string>&>(host_->Output()).clear();
    // Debug mode writes a file line per debug message; each input starts without it.
    DebugMode = false;
    DebugSilent = false;
    if (++inputs_ % 512 == 0) TrimFiles();
  }

 private:
  Session() {
    // Memory-backed when the machine has it: every input rewrites files.
    std::error_code ec;
    const fs::path base =
        !std::getenv("TMPDIR") && fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
            ? fs::path("/dev/shm")
            : fs::temp_directory_path();
    std::string pattern = (base / "mellox-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) Fail("could not make a temporary home folder");
    home_ = pattern;
    struct stat st {};
    if (::stat(home_.c_str(), &st) != 0) Fail("could not find the temporary home folder");
    homeDevice_ = st.st_dev;
    homeInode_ = st.st_ino;
    std::FILE* marker = std::fopen((home_ / kMarker).c_str(), "wb");
    if (!marker) Fail("could not mark the temporary home folder");
    std::fclose(marker);
    host_ = std::make_unique<sim::SimHost>(sim::SimOptions{home_, MELLOX_DATA_DIR});
    host_->Render().SetRasterise(rasterise);
    if (!SettingsFile::PlaceDefaults(fs::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName,
                                     host_->ProgramDataDir()))
      Fail("could not place the default settings");
    Restart();
  }

  ~Session() {
    host_->UnloadPlugin();
    Links() = PersistenceLinks{};
    host_.reset();
    std::error_code ec;
    fs::remove_all(home_, ec);
  }

  static Session*& Slot() {
    static Session* session = nullptr;
    return session;
  }

  // Error and debug files, chat logs and the like only ever grow.
  void TrimFiles() {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(host_->DocumentsDir(), ec), end; !ec && it != end; it.increment(ec)) {
      if (it->is_regular_file(ec) && it->file_size(ec) > (1u << 20)) fs::remove(it->path(), ec);
    }
  }

  // Written at the top of the home, where the plug-in writes nothing.
  static constexpr const char* kMarker = ".mellox-fuzz-home";

  fs::path home_;
  dev_t homeDevice_ = 0;
  ino_t homeInode_ = 0;
  std::unique_ptr<sim::SimHost> host_;
  std::uint64_t inputs_ = 0;
};

// A removed home explains any finding, so it is named with it.
[[noreturn]] inline void Fail(const std::string& what) {
  std::string note;
  if (Session* session = Session::Existing(); session && !session->HomeIntact())
    note = "\n    (the fuzzing home folder " + session->Home().string() +
           " was removed or replaced from outside this process: the finding is about the missing files, not the plug-in)";
  std::fprintf(stderr, "\n*** invariant broken: %s%s\n", what.c_str(), note.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace mellox::fuzz
