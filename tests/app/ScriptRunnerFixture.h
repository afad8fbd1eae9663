// A script runner on a fresh simulated host, with the runner's messages kept.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "ScriptRunner.h"
#include "support/TempHome.h"

namespace mellox::app {

class ScriptRunnerTest : public ::testing::Test {
 protected:
  test::TempHome home;
  sim::SimHost host{{home.path(), MELLOX_DATA_DIR}};
  std::ostringstream err;
  ScriptRunner runner{host, err};

  bool Run(const std::string& script) {
    std::istringstream in(script);
    return runner.Run(in, "test.session", false);
  }
  // The line fails with a message holding the text.
  void Fails(const std::string& line, const std::string& message) {
    EXPECT_FALSE(runner.RunLine(line)) << line;
    EXPECT_NE(runner.LastError().find(message), std::string::npos) << line << ": " << runner.LastError();
  }
};

}  // namespace mellox::app
