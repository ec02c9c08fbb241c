#include "config/file_io.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pelko {
namespace {

namespace fs = std::filesystem;

// The program's file names are UTF-8 on every system.
std::string Name(const fs::path& p) {
    const std::u8string u = p.u8string();
    return std::string(u.begin(), u.end());
}

class FileIo : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::path(::testing::TempDir()) / (std::string("pelko_file_io_") + test->name());
        RemoveDir();
        fs::create_directories(dir);
    }
    void TearDown() override { RemoveDir(); }
    // Windows removes no read-only file: everything is made writable first.
    void RemoveDir() {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, ec);
        for (const auto& e : fs::recursive_directory_iterator(dir, ec))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir);
    }
    std::string Read(const fs::path& p) {
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(Name(p), bytes).ok);
        return bytes;
    }
    std::size_t Entries() { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {})); }
    fs::path dir;
};

TEST_F(FileIo, SaveReplacesTheFileUnderAnyName) {
    for (const char* name : {"config.txt", "\xD0\xBA\xD0\xBE\xD0\xBD\xD1\x84\xD0\xB8\xD0\xB3 \xE2\x84\x96""2.txt"}) {
        const fs::path target = dir / fs::path(std::u8string(reinterpret_cast<const char8_t*>(name)));
        ASSERT_TRUE(WriteFileSafely(Name(target), std::string("first\0bytes", 11)).ok) << name;
        EXPECT_EQ(Read(target), std::string("first\0bytes", 11));
        ASSERT_TRUE(WriteFileSafely(Name(target), "second").ok);
        EXPECT_EQ(Read(target), "second");
        EXPECT_TRUE(fs::exists(target));  // the name itself, not a mangled one
    }
    EXPECT_EQ(Entries(), 2u);  // no temporary file left behind
}

#ifndef _WIN32
TEST_F(FileIo, SaveKeepsTheFilesMode) {
    const fs::path target = dir / "config.txt";
    ASSERT_TRUE(WriteFileSafely(Name(target), "first").ok);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WriteFileSafely(Name(target), "second").ok);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(FileIo, NewFileTakesTheUmaskWhichStaysAsItWas) {
    const mode_t before = ::umask(027);
    ASSERT_TRUE(WriteFileSafely(Name(dir / "new.txt"), "x").ok);
    const mode_t during = ::umask(before);
    EXPECT_EQ(during, 027u);
    EXPECT_EQ(fs::status(dir / "new.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Files holding passwords are the owner's alone whatever the umask; one
// that exists keeps the mode its owner gave it.
TEST_F(FileIo, APrivateNewFileIsTheOwnersAlone) {
    const mode_t before = ::umask(0);
    ASSERT_TRUE(WriteFileSafely(Name(dir / "secret.txt"), "x", FileAccess::Private).ok);
    ASSERT_TRUE(WriteFileSafely(Name(dir / "shared.txt"), "x").ok);
    ::umask(before);
    EXPECT_EQ(fs::status(dir / "secret.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(dir / "shared.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::group_write |
                  fs::perms::others_read | fs::perms::others_write);
}

TEST_F(FileIo, SaveThroughALinkReplacesTheFileItPointsTo) {
    const fs::path real = dir / "real.txt";
    const fs::path link = dir / "link.txt";
    ASSERT_TRUE(WriteFileSafely(Name(real), "old").ok);
    fs::create_symlink(real, link);
    ASSERT_TRUE(WriteFileSafely(Name(link), "new").ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(real), "new");
}

#endif

// Whichever step of a save fails (a full disk, a device error, a rename the
// system refuses), the failure is reported with its error, the old file is
// left as it was and no temporary file stays behind. No file permissions
// are used, so it runs as root too.
TEST_F(FileIo, FailedSaveIsReportedAndLeavesTheOldFile) {
    const fs::path target = dir / "config.txt";
    ASSERT_TRUE(WriteFileSafely(Name(target), "old").ok);
    const std::string big(100000, 'x');  // a half-written temporary file is not nothing
    struct Case {
        const char* step;
        SaveFaults faults;
    };
    const Case cases[] = {
        {"write", {.write = ENOSPC}}, {"flush", {.flush = EIO}}, {"rename", {.rename = EXDEV}}};
    for (const Case& c : cases) {
        const FileResult r = WriteFileSafely(Name(target), big, c.faults);
        EXPECT_FALSE(r.ok) << c.step;
        EXPECT_EQ(r.error, c.faults.write + c.faults.flush + c.faults.rename) << c.step;
        EXPECT_EQ(Read(target), "old") << c.step;
        EXPECT_EQ(Entries(), 1u) << c.step;
    }
    EXPECT_TRUE(WriteFileSafely(Name(target), big).ok);
    EXPECT_EQ(Read(target), big);
}

TEST_F(FileIo, FailedRenameRemovesTheTemporaryFile) {
    const fs::path target = dir / "taken";
    fs::create_directories(target / "inside");
    const FileResult r = WriteFileSafely(Name(target), "new");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error, 0);
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(FileIo, SaveLeavesAReadOnlyFileAlone) {
    const fs::path target = dir / "config.txt";
    ASSERT_TRUE(WriteFileSafely(Name(target), "old").ok);
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const FileResult r = WriteFileSafely(Name(target), "new");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, EACCES);
    EXPECT_EQ(Read(target), "old");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(FileIo, SaveIntoAMissingFolderFails) {
    const FileResult r = WriteFileSafely(Name(dir / "no" / "config.txt"), "x");
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
    const FileResult r = ReadWholeFile(Name(big), bytes);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, EFBIG);
    EXPECT_EQ(bytes, "keep");
}

TEST_F(FileIo, ReadingMissingFilesAndFolders) {
    std::string bytes = "keep";
    EXPECT_FALSE(ReadWholeFile(Name(dir / "missing.txt"), bytes).ok);
    EXPECT_EQ(bytes, "keep");
    EXPECT_FALSE(ReadWholeFile(Name(dir), bytes).ok);
#ifndef _WIN32
    // A pipe with nobody writing into it is refused, not waited on.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const FileResult pipe = ReadWholeFile(Name(dir / "pipe"), bytes);
    EXPECT_FALSE(pipe.ok);
    EXPECT_EQ(pipe.error, EINVAL);
#endif
    EXPECT_TRUE(ReadWholeFile(Name(dir / "created.txt"), bytes, true).ok);
    EXPECT_EQ(bytes, "");
    EXPECT_TRUE(fs::exists(dir / "created.txt"));
}

}  // namespace
}  // namespace pelko
