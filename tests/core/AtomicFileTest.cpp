#include "core/AtomicFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <filesystem>

#include "core/VBError.h"

using namespace mellox;
namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("mellox-atomic-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        file = dir / "settings.xml";
    }
    void TearDown() override {
        SetAtomicWriteFaultForTesting(nullptr);
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, ec);
        fs::remove_all(dir, ec);
    }
    std::string Content() {
        std::string s;
        EXPECT_TRUE(ReadWholeFile(file, s));
        return s;
    }
    size_t EntryCount() { return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator())); }
    int WriteError(std::string_view bytes) {
        try {
            WriteFileAtomic(file, bytes);
        } catch (const VBError& e) {
            return e.Number();
        }
        return 0;
    }
    fs::path dir, file;
};

}  // namespace

TEST_F(AtomicFileTest, WritesAndReplacesWholeFile) {
    WriteFileAtomic(file, "first version, longer");
    EXPECT_EQ(Content(), "first version, longer");
    const std::string binary("a\0b\r\n\xFF", 6);
    WriteFileAtomic(file, binary);
    EXPECT_EQ(Content(), binary);
    WriteFileAtomic(file, "");
    EXPECT_EQ(Content(), "");
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(AtomicFileTest, FaultAtAnyStageKeepsOldFileAndLeavesNoTemporary) {
    WriteFileAtomic(file, "good");
    struct Case { const char* stage; int err; int number; };
    for (const Case& c : {Case{"open", EACCES, 70}, {"write", ENOSPC, 61}, {"close", EIO, 75},
                          {"rename", EROFS, 70}, {"write", EPERM, 70}, {"rename", ENOENT, 76}}) {
        SetAtomicWriteFaultForTesting([&](std::string_view stage) { return stage == c.stage ? c.err : 0; });
        EXPECT_EQ(WriteError("new content that must not appear"), c.number) << c.stage;
        EXPECT_EQ(Content(), "good") << c.stage;
        EXPECT_EQ(EntryCount(), 1u) << c.stage;
    }
    SetAtomicWriteFaultForTesting(nullptr);
    WriteFileAtomic(file, "better");
    EXPECT_EQ(Content(), "better");
}

TEST_F(AtomicFileTest, MissingFolderRaises76) {
    file = dir / "no-such-folder" / "data.xml";
    EXPECT_EQ(WriteError("x"), 76);
    std::string s;
    EXPECT_FALSE(ReadWholeFile(file, s));
    EXPECT_FALSE(ReadWholeFile(dir, s));  // a folder is not a readable file
}

TEST_F(AtomicFileTest, UnwritableFolderRaises70) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
    WriteFileAtomic(file, "good");
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(WriteError("new"), 70);
    EXPECT_EQ(Content(), "good");
}

TEST_F(AtomicFileTest, SaveIsCheap) {
    // The fastest of many saves: a busy machine slows some of them, but no
    // save may need a sync to disk or other per-save waiting.
    const std::string data(20000, 'x');
    auto best = std::chrono::microseconds::max();
    for (int i = 0; i < 100; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        WriteFileAtomic(file, data);
        best = std::min(best, std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - begin));
    }
    EXPECT_LT(best.count(), 2000);
}
