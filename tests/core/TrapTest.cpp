#include "core/Trap.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace mellox;

namespace {

struct Report {
    int number;
    std::string description, procedure, owner;
    bool isModule;
};

class TrapTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetErrorSink([this](int n, const std::string& d, const std::string& p, const std::string& o, bool m) {
            reports.push_back({n, d, p, o, m});
        });
    }
    void TearDown() override { SetErrorSink(nullptr); }
    std::vector<Report> reports;
};

}  // namespace

TEST_F(TrapTest, CompletedBodyReportsNothing) {
    int ran = 0;
    EXPECT_TRUE(Trap("Proc", "Owner", [&] { ++ran; }));
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(reports.empty());
}

TEST_F(TrapTest, MapsExceptionKindsToErrorNumbers) {
    EXPECT_FALSE(Trap("Load", "FilterHandler", [] { Raise(53); }));
    EXPECT_FALSE(Trap("Load", "FilterHandler", [] { throw VBError(9, "Index 4"); }));
    EXPECT_FALSE(Trap("Load", "FilterHandler", [] { throw std::bad_alloc(); }));
    EXPECT_FALSE(Trap("Load", "FilterHandler", [] { throw std::runtime_error("boom"); }));
    EXPECT_FALSE(TrapModule("Tick", "TimeModule", [] { throw 42; }));
    ASSERT_EQ(reports.size(), 5u);
    EXPECT_EQ(reports[0].number, 53);
    EXPECT_EQ(reports[0].description, "File not found");
    EXPECT_EQ(reports[0].procedure, "Load");
    EXPECT_EQ(reports[0].owner, "FilterHandler");
    EXPECT_FALSE(reports[0].isModule);
    EXPECT_EQ(reports[1].description, "Index 4");
    EXPECT_EQ(reports[2].number, 7);
    EXPECT_EQ(reports[2].description, "Out of memory");
    EXPECT_EQ(reports[3].number, 5);
    EXPECT_EQ(reports[3].description, "boom");
    EXPECT_EQ(reports[4].number, 5);
    EXPECT_EQ(reports[4].owner, "TimeModule");
    EXPECT_TRUE(reports[4].isModule);
}

TEST_F(TrapTest, FailingSinkFallsBackToStderr) {
    SetErrorSink([](int, const std::string&, const std::string&, const std::string&, bool) { Raise(6); });
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(Trap("Save", "Data", [] { Raise(61); }));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("61"), std::string::npos);
    EXPECT_NE(err.find("Disk full"), std::string::npos);
}

TEST_F(TrapTest, ReentrantReportingIsBounded) {
    int calls = 0;
    // A reporter whose own work keeps failing inside a trap: each failure reports again.
    SetErrorSink([&](int, const std::string&, const std::string&, const std::string&, bool) {
        ++calls;
        Trap("LogError", "Hub", [] { Raise(5); });
    });
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(Trap("Proc", "Owner", [] { Raise(13); }));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(calls, 3);
    EXPECT_NE(err.find("LogError"), std::string::npos);
}

TEST_F(TrapTest, SinkMayReplaceItselfWhileRunning) {
    int second = 0;
    SetErrorSink([&](int, const std::string&, const std::string&, const std::string&, bool) {
        SetErrorSink([&](int, const std::string&, const std::string&, const std::string&, bool) { ++second; });
    });
    Trap("A", "B", [] { Raise(5); });
    Trap("A", "B", [] { Raise(5); });
    EXPECT_EQ(second, 1);
}

TEST(TrapDefault, DefaultSinkWritesOneLine) {
    SetErrorSink(nullptr);
    ::testing::internal::CaptureStderr();
    ReportTrapped(91, VBError::StandardDescription(91), "Render", "HudOwner", false);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("91"), std::string::npos);
    EXPECT_NE(err.find("HudOwner.Render"), std::string::npos);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
}
