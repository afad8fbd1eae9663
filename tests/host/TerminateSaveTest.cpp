#include <gtest/gtest.h>

#include "host/HostTestFixture.h"
#include "settings_view/ControlHandler.h"

namespace mellox::test {
namespace {

using TerminateSaveTest = HostTest;

// A logged line only marks the data file; termination before the next core
// tick must still write it.
TEST_F(TerminateSaveTest, PendingLogLinesAreWrittenAtTermination) {
  RouteOwnLinesToMain();
  Login();
  ControlHandlerInstance->ChatLogEnable->CheckedLet(true);
  host->Advance(1000);
  host->IncomingChat("Alice tells you, \"remember the ferry\"", 3, 1);
  EXPECT_EQ(ReadText(DataFilePath()).find("remember the ferry"), std::string::npos);
  host->UnloadPlugin();
  EXPECT_NE(ReadText(DataFilePath()).find("remember the ferry"), std::string::npos);
}

}  // namespace
}  // namespace mellox::test
