// A logged-in plug-in in the simulated host for the crash and fault tests,
// with two distinct states of the settings and the data file to tell the
// files of one save from those of the next.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "chat/ChatTextHandler.h"
#include "chat/LogHandler.h"
#include "core/APluginCore.h"
#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "persistence/DataFile.h"
#include "persistence/PersistenceLinks.h"
#include "persistence/SettingsFile.h"
#include "persistence/XmlFiles.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCharacter.h"
#include "sim/SimHooks.h"
#include "sim/SimHost.h"

namespace mellox::test {

namespace fs = std::filesystem;

inline std::string ReadAll(const fs::path& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return "<unreadable>";
  return bytes;
}

// Names of the files in a folder, sorted.
inline std::vector<std::string> FilesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class RobustSession {
 public:
  explicit RobustSession(const fs::path& home) {
    persistence::ClearProtectedForTesting();
    DataFile::ResetForTesting();
    host_ = std::make_unique<sim::SimHost>(sim::SimOptions{home, MELLOX_DATA_DIR});
    SettingsFile::PlaceDefaults(fs::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName, host_->ProgramDataDir());
    host_->LoadPlugin(std::make_unique<APluginCore>());
    // The files are named after the character; until the host layer gives
    // the names, fixed ones stand in.
    PersistenceLinks& links = Links();
    if (!links.GetMyServer) links.GetMyServer = [] { return std::string("Crashserver"); };
    if (!links.GetMyCharName) links.GetMyCharName = [] { return std::string("Crasher"); };
    // Until a login sequence handles the event, the files are read and the
    // plug-in switched on here, in the sequence's order.
    const bool handled = host_->Character().LoginComplete.HandlerCount() > 0;
    host_->Character().RaiseLoginComplete();
    if (!handled) {
      Controls().Data_Load(0);
      Controls().Settings_Load(0);
      PluginActive = true;
    }
  }
  ~RobustSession() {
    SetAtomicWriteFaultForTesting({});
    SetWriteRoomForTesting(std::nullopt);
    host_->UnloadPlugin();
    Links() = PersistenceLinks{};
    SettingsState = 0;
    PluginActive = false;
  }
  RobustSession(const RobustSession&) = delete;
  RobustSession& operator=(const RobustSession&) = delete;

  sim::SimHost& Host() { return *host_; }
  ControlHandler& Controls() { return *ControlHandlerInstance; }
  fs::path SettingsPath() { return SettingsFile::PathFor(Controls(), 0); }
  fs::path DataPath() { return DataFile::Path(); }

  // An incoming chat line as the game hands it over; true when the plug-in ate it.
  bool Chat(const std::string& text, std::int32_t color, std::int32_t window) {
    if (host_->Hooks().ChatTextIntercept.HandlerCount() > 0) return host_->IncomingChat(text, color, window);
    return !ChatTextHandlerInstance->IncomingText(text, color, window, false, false);
  }

  // One of two states that differ in the settings and in the data file; the
  // data file carries enough log lines that a save takes a while.
  void ApplyState(int which, int logLines = 400) {
    ControlHandler& ch = Controls();
    const std::string tag = which == 0 ? "alpha" : "beta";
    ch.XPFilterThreshold->TextLet(tag + " threshold");
    ch.ChatFilter->Clear();
    for (int i = 0; i < 10; ++i) {
      const std::int32_t row = ch.ChatFilter->AddRow();
      ch.ChatFilter->DataLet(0, row, 0, true);
      ch.ChatFilter->DataLet(1, row, 0, tag + " word " + std::to_string(i));
      ch.ChatFilter->DataLet(2, row, 0, "Whole");
      ch.ChatFilter->DataLet(3, row, 0, "Replace");
    }
    ch.ChatLogEnable->CheckedLet(true);
    LogHandler& log = *LogHandlerInstance;
    log.Clear();
    log.MaxLines(logLines);
    for (int i = 0; i < logLines; ++i) {
      log.AddToLogFromData("[Tells] Someone tells you, \"" + tag + " line " + std::to_string(i) + "\"", 4, 2, 2,
                           1700000000 + i);
    }
  }

  // Lines of the host's output that contain the text.
  std::size_t OutputWith(const std::string& text) {
    const auto& out = host_->Output();
    return static_cast<std::size_t>(std::count_if(
        out.begin(), out.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; }));
  }

 private:
  std::unique_ptr<sim::SimHost> host_;
};

}  // namespace mellox::test
