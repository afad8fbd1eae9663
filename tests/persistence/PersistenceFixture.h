// The real plug-in in the simulated host, with the handler hooks the files
// need played by small in-test stand-ins, and every error report captured.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "chat/LogHandler.h"
#include "chat/LogItem.h"
#include "core/APluginCore.h"
#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "core/Trap.h"
#include "persistence/DataFile.h"
#include "persistence/PersistenceLinks.h"
#include "persistence/SettingsFile.h"
#include "persistence/XmlFiles.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimHost.h"
#include "support/TempHome.h"

namespace mellox::test {

namespace fs = std::filesystem;

inline std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void Spit(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

struct Report {
  int number;
  std::string description;
  std::string procedure;
};

class PersistenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    persistence::ClearProtectedForTesting();
    DataFile::ResetForTesting();
    host_ = std::make_unique<sim::SimHost>(sim::SimOptions{home_.path(), MELLOX_DATA_DIR});
    host_->LoadPlugin(std::make_unique<APluginCore>());
    ASSERT_NE(ControlHandlerInstance, nullptr);
    ch = ControlHandlerInstance;
    SetErrorSink([this](int n, const std::string& d, const std::string& p, const std::string&, bool) {
      reports.push_back({n, d, p});
    });
    // The plug-in's own handlers fill their hooks; the rest are played here.
    PersistenceLinks& l = Links();
    l.GetMyServer = [this] { return server; };
    l.GetMyCharName = [this] { return character; };
    l.AddCorpsefromData = [this](const CorpseRecord& c) { corpses.push_back(c); };
    l.ForEachCorpse = [this](const std::function<void(const CorpseRecord&)>& f) {
      for (const auto& c : corpses) f(c);
    };
    l.AddItemSpellfromData = [this](std::int32_t id, std::int32_t r, const std::string& t) {
      spells.push_back({id, r, t});
    };
    l.ForEachItemSpell = [this](const std::function<void(const ItemSpellRecord&)>& f) {
      for (const auto& s : spells) f(s);
    };
  }

  void TearDown() override {
    SetAtomicWriteFaultForTesting({});
    host_->UnloadPlugin();
    Links() = PersistenceLinks{};
    SetErrorSink({});
    SettingsState = 0;
  }

  LogHandler& Log() { return *LogHandlerInstance; }
  void AddLogLine(const std::string& message, std::int32_t tag = 2) {
    Log().AddToLogFromData(message, 4, 2, tag, 1700000000);
  }

  fs::path SettingsDir() const { return host_->ProgramDataDir() / "Mellox" / "Settings"; }
  fs::path DataDir() const { return host_->ProgramDataDir() / "Mellox" / "Data"; }
  fs::path CharFile() const { return SettingsDir() / ("Mellox_Settings_" + server + "_" + character + ".xml"); }
  fs::path GlobalFile() const { return SettingsDir() / SettingsFile::kGlobalFileName; }
  fs::path DefaultFile() const { return SettingsDir() / SettingsFile::kDefaultFileName; }
  fs::path DataFilePath() const { return DataDir() / ("Mellox_Data_" + server + "_" + character + ".xml"); }

  void PlaceShippedDefaults() {
    ASSERT_TRUE(SettingsFile::PlaceDefaults(fs::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName,
                                            host_->ProgramDataDir()));
  }

  // Chat lines the plug-in wrote since the test began.
  bool Told(const std::string& text) const {
    const auto& out = host_->Output();
    return std::any_of(out.begin(), out.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
  }
  bool Reported(const std::string& procedure, const std::string& inDescription = "") const {
    return std::any_of(reports.begin(), reports.end(), [&](const Report& r) {
      return r.procedure == procedure && r.description.find(inDescription) != std::string::npos;
    });
  }

  TempHome home_;
  std::unique_ptr<sim::SimHost> host_;
  ControlHandler* ch = nullptr;
  std::string server = "Alpha";
  std::string character = "Bob";
  std::vector<Report> reports;
  std::vector<CorpseRecord> corpses;
  std::vector<ItemSpellRecord> spells;
};

}  // namespace mellox::test
