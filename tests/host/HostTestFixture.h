// The real plug-in in the simulated host, with the shipped defaults file in
// place, logged in on demand; every trapped error is recorded.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include "core/APluginCore.h"
#include "core/Globals.h"
#include "core/Trap.h"
#include "persistence/DataFile.h"
#include "persistence/SettingsFile.h"
#include "persistence/XmlFiles.h"
#include "sim/SimCharacter.h"
#include "sim/SimHost.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"
#include "support/TempHome.h"

namespace mellox::test {

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(true); }
  void TearDown() override {
    SetErrorSink({});
    if (host) host->UnloadPlugin();
    DebugMode = false;
  }

  // A fresh host and plug-in; without the defaults file no settings can load.
  void Start(bool placeDefaults) {
    if (host) host->UnloadPlugin();
    host.reset();
    DataFile::ResetForTesting();
    persistence::ClearProtectedForTesting();
    host = std::make_unique<sim::SimHost>(sim::SimOptions{home.path(), MELLOX_DATA_DIR});
    if (placeDefaults) {
      ASSERT_TRUE(SettingsFile::PlaceDefaults(std::filesystem::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName,
                                              host->ProgramDataDir()));
    }
    host->LoadPlugin(std::make_unique<APluginCore>());
    ASSERT_NE(FilterHandlerInstance, nullptr);
    SetErrorSink([this](int number, const std::string&, const std::string& proc, const std::string& owner, bool) {
      errors.push_back(owner + "." + proc + " #" + std::to_string(number));
    });
  }

  std::filesystem::path DefaultsFile() const {
    return host->ProgramDataDir() / "Mellox" / "Settings" / SettingsFile::kDefaultFileName;
  }
  // The tests read the plug-in's own lines in the main chat window; make sure
  // the placed defaults route them there whatever the shipped file says.
  void RouteOwnLinesToMain() {
    std::string text = ReadText(DefaultsFile());
    const std::string from = "<Output_Windows main=\"False\"";
    const auto at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), "<Output_Windows main=\"True\"");
    ASSERT_NE(text.find("<Output_Windows main=\"True\""), std::string::npos);
    std::ofstream(DefaultsFile(), std::ios::binary) << text;
  }

  void Login(const std::string& name = "Bob", const std::string& server = "Alpha") {
    host->Character().SetName(name);
    host->Character().SetServer(server);
    // The game always knows the character's own object.
    host->World().AddObject(host->Character().Character(), name, 1);
    host->Character().RaiseLoginComplete();
  }

  std::size_t Mark() const { return host->Output().size(); }
  std::vector<std::string> Since(std::size_t mark) const {
    const auto& out = host->Output();
    return {out.begin() + static_cast<std::ptrdiff_t>(std::min(mark, out.size())), out.end()};
  }
  bool SaidSince(std::size_t mark, const std::string& text) const {
    const auto lines = Since(mark);
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(text) != std::string::npos; });
  }
  bool Said(const std::string& text) const { return SaidSince(0, text); }
  std::size_t CountSince(std::size_t mark, const std::string& text) const {
    const auto lines = Since(mark);
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; }));
  }
  bool Reported(const std::string& ownerDotProc) const {
    return std::any_of(errors.begin(), errors.end(),
                       [&](const std::string& e) { return e.rfind(ownerDotProc, 0) == 0; });
  }

  std::filesystem::path DataFilePath(const std::string& server = "Alpha", const std::string& name = "Bob") const {
    return host->ProgramDataDir() / "Mellox" / "Data" / ("Mellox_Data_" + server + "_" + name + ".xml");
  }

  TempHome home;
  std::unique_ptr<sim::SimHost> host;
  std::vector<std::string> errors;
};

}  // namespace mellox::test
