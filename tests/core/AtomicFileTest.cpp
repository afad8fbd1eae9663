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

TEST_F(AtomicFileTest, ReplaceFileEndWritesOnlyOverTheEndTheCallerKnew) {
    // A missing file is made only when there is no end to replace.
    EXPECT_EQ(ReplaceFileEnd(file, "</a>", "1</a>"), std::nullopt);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(ReplaceFileEnd(file, "", "<a></a>"), 7u);
    EXPECT_EQ(ReplaceFileEnd(file, "</a>", "1</a>", 7), 8u);
    EXPECT_EQ(Content(), "<a>1</a>");
    // Another size or another end than the caller knew: nothing is written.
    EXPECT_EQ(ReplaceFileEnd(file, "</a>", "2</a>", 7), std::nullopt);
    EXPECT_EQ(ReplaceFileEnd(file, "</b>", "2</b>"), std::nullopt);
    EXPECT_EQ(ReplaceFileEnd(file, "an end longer than the file", "x"), std::nullopt);
    EXPECT_EQ(Content(), "<a>1</a>");

    // A disk that fills up mid-write: the half written is taken back.
    auto error = [&](std::string_view newEnd) {
        try {
            ReplaceFileEnd(file, "</a>", newEnd, 8);
        } catch (const VBError& e) {
            return e.Number();
        }
        return 0;
    };
    SetAtomicWriteFaultForTesting([](std::string_view stage) { return stage == "append" ? ENOSPC : 0; });
    EXPECT_EQ(error("2 and a good deal more</a>"), 61);
    EXPECT_EQ(Content(), "<a>1</a>");
    // Not even that works: the torn end no longer passes for the known one.
    SetAtomicWriteFaultForTesting([](std::string_view stage) { return stage == "append" || stage == "restore" ? ENOSPC : 0; });
    EXPECT_EQ(error("2 and a good deal more</a>"), 61);
    SetAtomicWriteFaultForTesting(nullptr);
    EXPECT_EQ(Content(), "<a>12 and a good ");
    EXPECT_EQ(ReplaceFileEnd(file, "</a>", "3</a>", 8), std::nullopt);
}
