#include "host/FilterHandler.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/APluginCore.h"
#include "core/CoreTestSupport.h"
#include "core/Globals.h"
#include "sim/SimHooks.h"

namespace mellox::test {
namespace {

class FilterHandlerTest : public ::testing::Test, public HostFixture {
 protected:
  void SetUp() override {
    MakeGameFolder();
    site_.hooks = &hooks_;
    plugin_.Initialize(site_);
    ASSERT_NE(FilterHandlerInstance, nullptr);
  }
  void TearDown() override { plugin_.Terminate(); }
  FailingHooks hooks_{host.Site().GetHooks()};
  WrappedSite site_{host.Site()};
  APluginCore plugin_;
};

TEST_F(FilterHandlerTest, ChatOutputAndCommandsPassTheirArgumentsUnchanged) {
  const std::size_t mark = host.Output().size();
  FilterHandlerInstance->WriteToChatWindow("", 0, 1);
  FilterHandlerInstance->WriteToChatWindow("  two  blanks\tand tab ", 31, 5);
  FilterHandlerInstance->WriteToChatWindowRaw("raw <Tell:x>", 7, 2);
  FilterHandlerInstance->SendCommand("/friends online");
  EXPECT_EQ(OutputSince(mark), (std::vector<std::string>{"chat 0 1: ", "chat 31 5:   two  blanks\tand tab ",
                                                         "chat 7 2: raw <Tell:x>", "parser: /friends online"}));
}

TEST_F(FilterHandlerTest, ChatStateFollowsTheHostAndIsFalseWhenTheHostFails) {
  host.Hooks().SetChatState(true);
  EXPECT_TRUE(FilterHandlerInstance->ChatState());
  hooks_.failChat = true;
  EXPECT_FALSE(FilterHandlerInstance->ChatState());
  EXPECT_NE(ErrorsFile().find("Error #5 occured in 'ChatState' of class 'FilterHandler'"), std::string::npos);
  // A failing writer surfaces to its caller.
  EXPECT_THROW(FilterHandlerInstance->WriteToChatWindow("x", 0, 1), VBError);
  hooks_.failChat = false;
}

}  // namespace
}  // namespace mellox::test
