// mellox-sim: runs the plug-in in the simulated host and plays a session script.
//   mellox-sim [--home DIR] [--hud-png DIR] [SCRIPT]
// SCRIPT is a file or "-" for standard input; without it the bundled demo runs.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "ScriptRunner.h"
#include "core/APluginCore.h"
#include "persistence/SettingsFile.h"
#include "sim/SimHost.h"

namespace fs = std::filesystem;

namespace {

int Usage() {
  std::cerr << "usage: mellox-sim [--home DIR] [--hud-png DIR] [SCRIPT|-]\n";
  return 2;
}

// A command line that cannot be run: what was wrong, then the usage line.
int Misused(const std::string& what) {
  std::cerr << "mellox-sim: " << what << "\n";
  return Usage();
}

// A new folder in the system's temporary folder; empty, with why, when none can be made.
fs::path MakeTempHome(std::string& why) {
  std::error_code ec;
  const fs::path folder = fs::temp_directory_path(ec);
  if (ec) {
    const char* named = std::getenv("TMPDIR");
    why = (named ? ": the temporary folder " + std::string(named) + " (TMPDIR)" : ": the system's temporary folder") +
          ": " + ec.message();
    return {};
  }
  std::string pattern = (folder / "mellox-sim-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    why = " in " + folder.string() + ": " + std::strerror(errno);
    return {};
  }
  return pattern;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path home;
  fs::path hudPng;
  std::string script;
  bool scriptGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--home" || arg == "--hud-png") {
      if (i + 1 == argc) return Misused("option " + arg + " needs a folder");
      // An empty value is most often a wrapper's unset variable: running in a
      // fresh home (or without pictures) would pass it silently.
      if (argv[i + 1][0] == '\0') return Misused("option " + arg + " needs a folder: its value is empty");
      (arg == "--home" ? home : hudPng) = argv[++i];
    } else if (arg == "-h" || arg == "--help") {
      Usage();
      return 0;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Misused("unknown option " + arg);
    } else if (scriptGiven) {
      return Misused("one script only: " + script + " and " + arg);
    } else if (arg.empty()) {
      // Not taken for "no script": the demo would run in its place.
      return Misused("the script argument is empty");
    } else {
      script = arg;
      scriptGiven = true;
    }
  }
  const fs::path dataDir = MELLOX_DATA_DIR;
  if (!scriptGiven) script = (dataDir / "demo.session").string();
  if (home.empty()) {
    std::string why;
    home = MakeTempHome(why);
    if (home.empty()) {
      std::cerr << "mellox-sim: cannot create a temporary home folder" << why << "\n";
      return 2;
    }
    std::cerr << "mellox-sim: home folder " << home.string() << "\n";
  }

  std::ifstream file;
  std::istream* in = &std::cin;
  const bool interactive = script == "-";
  if (!interactive) {
    std::error_code ec;
    // A folder opens like a file here but holds no lines: it must not pass as an empty script.
    if (fs::is_directory(script, ec)) {
      std::cerr << "mellox-sim: cannot read " << script << " as a script: it is a folder\n";
      return 2;
    }
    file.open(script, std::ios::binary);
    if (!file) {
      std::cerr << "mellox-sim: cannot open " << script << "\n";
      return 2;
    }
    in = &file;
  }

  // Without its home the plug-in has no view and writes no file: nothing a script checks would mean anything.
  std::error_code made;
  fs::create_directories(home, made);
  if (std::error_code ec; !fs::is_directory(home, ec)) {
    std::cerr << "mellox-sim: cannot make the home folder " << home.string() << (made ? ": " + made.message() : "")
              << "\n";
    return 2;
  }

  bool ok = false;
  {
    mellox::sim::SimHost host({home, dataDir});
    mellox::SettingsFile::PlaceDefaults(dataDir / mellox::SettingsFile::kDefaultFileName, host.ProgramDataDir());
    // What the command prints is UTF-8, as scripts are; the host's own trouble
    // while it was set up comes first.
    host.SetOutputSink([](const std::string& line) { std::cout << line << std::endl; });
    host.LoadPlugin(std::make_unique<mellox::APluginCore>());
    mellox::app::ScriptRunner runner(host, std::cerr);
    runner.SetHudPngDir(hudPng);
    ok = runner.Run(*in, interactive ? "stdin" : script, interactive);
    // The last picture shows the HUDs as the session left them.
    if (!hudPng.empty()) {
      std::error_code ec;
      fs::create_directories(hudPng, ec);
      if (!host.WriteFramePng(hudPng / "final.png")) {
        std::cerr << "mellox-sim: cannot write " << (hudPng / "final.png").string() << "\n";
        ok = false;
      }
    }
    host.UnloadPlugin();
  }
  return ok ? 0 : 1;
}
