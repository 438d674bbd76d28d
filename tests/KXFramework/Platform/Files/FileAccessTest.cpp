#include "KXFramework/Platform/Files/FileAccess.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace KX::Test {

namespace {

using KX::Platform::Files::ReadStatus;
using KX::Platform::Files::ReadWholeFile;
using KX::Platform::Files::WriteAtomically;
using KX::Test::TempFolder;

size_t EntryCount(const std::string& folder)
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

KXRESULT Write(const std::string& path, const std::string& bytes,
               KX::Platform::Files::WriteFunction writer = nullptr)
{
    return WriteAtomically(path, bytes.data(), bytes.size(), writer);
}

// Writes a few bytes, then fails as a full disk would.
ssize_t FailAfterSomeBytes(int fd, const void* data, size_t size)
{
    static thread_local int calls = 0;
    if (++calls % 2 == 0) {
        errno = ENOSPC;
        return -1;
    }
    return ::write(fd, data, std::min<size_t>(size, 3));
}

ssize_t NoProgress(int, const void*, size_t) { return 0; }

// One byte per call, with an interrupted call between, as a slow pipe or a signal would cause.
ssize_t OneByteInterrupted(int fd, const void* data, size_t)
{
    static thread_local bool interrupt = false;
    interrupt = !interrupt;
    if (interrupt) {
        errno = EINTR;
        return -1;
    }
    return ::write(fd, data, 1);
}

TEST(WriteAtomically, CreatesAndReplacesKeepingTheModeAndLeavingNoTemporaryFile)
{
    TempFolder dir;
    const std::string path = dir / "settings.ini";
    ASSERT_EQ(Write(path, "first"), KX::S_OK);
    EXPECT_EQ(TempFolder::ReadFile(path), "first");

    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_EQ(Write(path, "second, longer"), KX::S_OK);
    EXPECT_EQ(TempFolder::ReadFile(path), "second, longer");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    ASSERT_EQ(Write(path, ""), KX::S_OK);
    EXPECT_EQ(TempFolder::ReadFile(path), "");
    EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

TEST(WriteAtomically, AFailedWriteLeavesTheOldFileAndNoTemporaryFile)
{
    TempFolder dir;
    const std::string path = dir / "preset.bin";
    TempFolder::WriteFile(path, "old content");
    const std::string big(10000, 'x');

    EXPECT_EQ(Write(path, big, FailAfterSomeBytes), KX::E_FAIL);
    EXPECT_EQ(Write(path, big, NoProgress), KX::E_FAIL);
    EXPECT_EQ(TempFolder::ReadFile(path), "old content");
    EXPECT_EQ(EntryCount(dir.Path()), 1u);

    // Short and interrupted writes are retried to the end.
    EXPECT_EQ(Write(path, "new", OneByteInterrupted), KX::S_OK);
    EXPECT_EQ(TempFolder::ReadFile(path), "new");
}

TEST(WriteAtomically, FailsCleanlyWhereNothingCanBeWritten)
{
    TempFolder dir;
    EXPECT_EQ(Write(dir / "missing/file", "x"), KX::E_FAIL);
    EXPECT_EQ(Write("/proc/self/kx-test-file", "x"), KX::E_FAIL);
    std::filesystem::create_directory(dir / "folder");
    EXPECT_EQ(Write(dir / "folder", "x"), KX::E_FAIL);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
    EXPECT_EQ(WriteAtomically("", "x", 1), KX::E_FAIL);

    // A read-only folder stops everyone but root.
    if (::geteuid() != 0) {
        TempFolder::WriteFile(dir / "folder/kept", "kept");
        ASSERT_EQ(::chmod((dir / "folder").c_str(), 0500), 0);
        EXPECT_EQ(Write(dir / "folder/kept", "lost"), KX::E_FAIL);
        EXPECT_EQ(TempFolder::ReadFile(dir / "folder/kept"), "kept");
    }
}

TEST(WriteAtomically, FollowsASymbolicLinkAndKeepsIt)
{
    TempFolder dir;
    TempFolder::WriteFile(dir / "real.ini", "old");
    std::filesystem::create_symlink(dir / "real.ini", dir / "link.ini");
    ASSERT_EQ(Write(dir / "link.ini", "new"), KX::S_OK);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
    EXPECT_EQ(TempFolder::ReadFile(dir / "real.ini"), "new");
}

TEST(ReadWholeFile, ReadsUpToTheCapAndRefusesWhatIsNotARegularFile)
{
    TempFolder dir;
    std::string out = "stale";
    TempFolder::WriteFile(dir / "ten", "0123456789");
    EXPECT_EQ(ReadWholeFile(dir / "ten", 10, out), ReadStatus::Ok);
    EXPECT_EQ(out, "0123456789");
    EXPECT_EQ(ReadWholeFile(dir / "ten", 9, out), ReadStatus::TooLarge);
    EXPECT_EQ(out, "");
    EXPECT_EQ(ReadWholeFile(dir / "missing", 10, out), ReadStatus::NotFound);
    EXPECT_EQ(ReadWholeFile(dir.Path(), 10, out), ReadStatus::NotRegular);

    // A named pipe without a writer must not block the reader.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(dir / "pipe", 10, out), ReadStatus::NotRegular);

    // A file whose size the system does not know in advance is still capped.
    EXPECT_EQ(ReadWholeFile("/proc/self/status", 8, out), ReadStatus::TooLarge);
    EXPECT_EQ(ReadWholeFile("/proc/self/status", 1 << 20, out), ReadStatus::Ok);
    EXPECT_NE(out.find("Name:"), std::string::npos);
}

} // namespace

} // namespace KX::Test
