// The chat-log files: text and XML logs, their names, the daily move, and
// what happens to files that cannot be read or folders that cannot be used.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "chat/LogHandler.h"
#include "host/HostTestFixture.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCheckBox.h"
#include "sim/SimClock.h"
#include "sim/SimView.h"

namespace mellox::test {
namespace {

namespace fs = std::filesystem;

class ChatLogFileTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    RouteOwnLinesToMain();
    Login();
  }
  void Check(const std::string& name, bool on) { host->View()->Get<sim::SimCheckBox>(name).UserCheck(on); }
  fs::path Logs() const { return host->DocumentsDir() / "Asheron's Call" / "Logs"; }
  void Tick() { host->Advance(1000); }
  void Chat(const std::string& text) { host->IncomingChat(text, 2, 1); }
};

TEST_F(ChatLogFileTest, Explore) {
  ControlHandlerInstance->ChatLogXML->CheckedLet(true);
  Check("Chat_Log_Auto", true);
  Chat("Al says, \"hello\"");
  Tick();
  Chat("Al says, \"caf\xe9\"");
  Tick();
  for (auto& e : fs::directory_iterator(Logs())) std::cout << e.path() << "\n" << ReadText(e.path()) << "\n";
  for (auto& l : host->Output()) std::cout << l << "\n";
}

}  // namespace
}  // namespace mellox::test
