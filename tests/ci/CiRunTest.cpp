// What CI runs: every step stops the run when it fails, except the fuzzing,
// whose findings are triaged. Played by .ci/run itself in a tree whose build,
// tests, benchmarks and fuzzers are stand-ins that fail on request.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/TempHome.h"

namespace mellox::test {
namespace {

namespace fs = std::filesystem;

void WriteScript(const fs::path& path, const std::string& body) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  fs::permissions(path, fs::perms::owner_all);
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class CiRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path& tree = home_.path();
    fs::create_directories(tree / ".ci");
    fs::copy_file(fs::path(MELLOX_DATA_DIR).parent_path() / ".ci" / "run", tree / ".ci" / "run");
    // Each stand-in notes its step and fails when it is the one asked to.
    WriteScript(tree / "bin" / "step", "echo \"$*\" >>\"$STEPS\"\n[ \"$*\" != \"$FAIL\" ]");
    WriteScript(tree / "bin" / "ctest", "exec step \"ctest $2\"");
    WriteScript(tree / "scripts" / "setup.sh", "exec step \"setup $1\"");
    // Left by an earlier build: it runs whether or not this build made it.
    WriteScript(tree / "build" / "mellox_bench", "exec step bench");
    WriteScript(tree / "scripts" / "fuzz.sh", "exec step fuzz");
    WriteScript(tree / "build-fuzz" / "chat_fuzzer", "exec step replay");
    fs::create_directories(tree / "fuzz" / "corpus" / "chat");
    std::ofstream(tree / "fuzz" / "chat_fuzzer.cpp") << "";
  }

  // The exit status of .ci/run with the step fail failing; steps gets the steps that ran.
  int Run(const std::string& fail, std::vector<std::string>& steps) {
    const fs::path& tree = home_.path();
    fs::remove(tree / "steps.log");
    const std::string cmd = "cd '" + tree.string() + "' && FAIL='" + fail + "' STEPS='" + (tree / "steps.log").string() +
                            "' PATH=\"$PWD/bin:$PATH\" bash .ci/run >out.txt 2>&1";
    const int status = std::system(cmd.c_str());
    std::istringstream lines(Slurp(tree / "steps.log"));
    steps.clear();
    for (std::string line; std::getline(lines, line);) steps.push_back(line);
    output_ = Slurp(tree / "out.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  TempHome home_;
  std::string output_;
};

TEST_F(CiRunTest, EveryStepButTheFuzzingStopsTheRunWhenItFails) {
  const std::vector<std::string> all = {"setup build", "ctest build", "setup build-asan", "ctest build-asan",
                                        "bench",       "fuzz",        "replay"};
  std::vector<std::string> steps;
  ASSERT_EQ(Run("", steps), 0) << output_;
  ASSERT_EQ(steps, all);
  for (std::size_t k = 0; k < all.size(); ++k) {
    SCOPED_TRACE(all[k]);
    const int status = Run(all[k], steps);
    if (all[k] == "fuzz") {
      EXPECT_EQ(status, 0) << output_;
      EXPECT_EQ(steps, all);
      EXPECT_NE(output_.find("FUZZING FOUND A PROBLEM"), std::string::npos) << output_;
    } else {
      EXPECT_NE(status, 0) << output_;
      EXPECT_EQ(steps, std::vector<std::string>(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(k) + 1));
    }
  }
}

}  // namespace
}  // namespace mellox::test
