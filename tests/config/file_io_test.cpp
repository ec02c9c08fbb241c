#include "config/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <filesystem>
#include <fstream>

namespace pelko {
namespace {

namespace fs = std::filesystem;

class FileIo : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) / ("pelko_file_io_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all);
        fs::remove_all(dir);
    }
    std::string Read(const fs::path& p) {
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(p, bytes).ok);
        return bytes;
    }
    std::size_t Entries() { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {})); }
    fs::path dir;
};

TEST_F(FileIo, SaveReplacesTheFileAndKeepsItsMode) {
    const fs::path target = dir / "config.txt";
    ASSERT_TRUE(WriteFileSafely(target, std::string("first\0bytes", 11)).ok);
    EXPECT_EQ(Read(target), std::string("first\0bytes", 11));
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WriteFileSafely(target, "second").ok);
    EXPECT_EQ(Read(target), "second");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Entries(), 1u);  // no temporary file left behind
}

TEST_F(FileIo, NewFileTakesTheUmaskWhichStaysAsItWas) {
    const mode_t before = ::umask(027);
    ASSERT_TRUE(WriteFileSafely(dir / "new.txt", "x").ok);
    const mode_t during = ::umask(before);
    EXPECT_EQ(during, 027u);
    EXPECT_EQ(fs::status(dir / "new.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(FileIo, SaveThroughALinkReplacesTheFileItPointsTo) {
    const fs::path real = dir / "real.txt";
    const fs::path link = dir / "link.txt";
    ASSERT_TRUE(WriteFileSafely(real, "old").ok);
    fs::create_symlink(real, link);
    ASSERT_TRUE(WriteFileSafely(link, "new").ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(real), "new");
}

TEST_F(FileIo, FailedSaveIsReportedAndLeavesTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    const fs::path target = dir / "config.txt";
    ASSERT_TRUE(WriteFileSafely(target, "old").ok);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    const FileResult r = WriteFileSafely(target, "new");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, EACCES);
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(Read(target), "old");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(FileIo, FailedRenameRemovesTheTemporaryFile) {
    const fs::path target = dir / "taken";
    fs::create_directories(target / "inside");
    const FileResult r = WriteFileSafely(target, "new");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error, 0);
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(FileIo, SaveLeavesAReadOnlyFileAlone) {
    const fs::path target = dir / "config.txt";
    ASSERT_TRUE(WriteFileSafely(target, "old").ok);
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const FileResult r = WriteFileSafely(target, "new");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, EACCES);
    EXPECT_EQ(Read(target), "old");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(FileIo, SaveIntoAMissingFolderFails) {
    const FileResult r = WriteFileSafely(dir / "no" / "config.txt", "x");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, ENOENT);
}

// Hostile markup takes up to 25 times its size to parse; the largest real
// configuration is about 21 MiB, so a file beyond 64 MiB is refused unread.
TEST_F(FileIo, ReadingRefusesFilesTooLargeForAConfiguration) {
    const fs::path big = dir / "big.txt";
    { std::ofstream(big).put('<'); }
    fs::resize_file(big, (std::size_t{64} << 20) + 1);  // sparse: nothing is really written
    std::string bytes = "keep";
    const FileResult r = ReadWholeFile(big, bytes);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, EFBIG);
    EXPECT_EQ(bytes, "keep");
}

TEST_F(FileIo, ReadingMissingFilesAndFolders) {
    std::string bytes = "keep";
    EXPECT_FALSE(ReadWholeFile(dir / "missing.txt", bytes).ok);
    EXPECT_EQ(bytes, "keep");
    EXPECT_FALSE(ReadWholeFile(dir, bytes).ok);
    // A pipe with nobody writing into it is refused, not waited on.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const FileResult pipe = ReadWholeFile(dir / "pipe", bytes);
    EXPECT_FALSE(pipe.ok);
    EXPECT_EQ(pipe.error, EINVAL);
    EXPECT_TRUE(ReadWholeFile(dir / "created.txt", bytes, true).ok);
    EXPECT_EQ(bytes, "");
    EXPECT_TRUE(fs::exists(dir / "created.txt"));
}

}  // namespace
}  // namespace pelko
