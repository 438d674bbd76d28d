#include "KXFramework/Platform/Files/FileAccess.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
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

KXRESULT Write(const std::string& path, const std::string& bytes, KX::Platform::Files::WriteFunction writer = nullptr)
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

ssize_t NoProgress(int, const void*, size_t)
{
    return 0;
}

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

// Every case runs with unnamed temporary files and with the hidden named ones used where the file
// system has none.
class AtomicWrite : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { KX::Platform::Files::UseUnnamedTemporaryFiles(GetParam()); }
    void TearDown() override { KX::Platform::Files::UseUnnamedTemporaryFiles(true); }
};

INSTANTIATE_TEST_SUITE_P(TemporaryFiles, AtomicWrite, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Unnamed" : "Hidden"; });

TEST_P(AtomicWrite, CreatesAndReplacesKeepingTheModeAndLeavingNoTemporaryFile)
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

TEST_P(AtomicWrite, AFailedWriteLeavesTheOldFileAndNoTemporaryFile)
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

TEST_P(AtomicWrite, FailsCleanlyWhereNothingCanBeWritten)
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

TEST_P(AtomicWrite, FollowsASymbolicLinkAndKeepsIt)
{
    TempFolder dir;
    TempFolder::WriteFile(dir / "real.ini", "old");
    std::filesystem::create_symlink(dir / "real.ini", dir / "link.ini");
    ASSERT_EQ(Write(dir / "link.ini", "new"), KX::S_OK);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
    EXPECT_EQ(TempFolder::ReadFile(dir / "real.ini"), "new");
}

// The names in folder other than name.
std::vector<std::string> Others(const std::string& folder, const std::string& name)
{
    std::vector<std::string> others;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename() != name)
            others.push_back(entry.path().filename().string());
    return others;
}

TEST_P(AtomicWrite, ASaveKilledAtAnyMomentLeavesAWholeFileAndNothingAfterTheNextSave)
{
    TempFolder dir;
    const std::string name = "preset.Kivo61PresetEditor";
    const std::string path = dir / name;
    const std::string contents[] = {std::string(300000, 'a'), std::string(200000, 'b')};
    ASSERT_EQ(Write(path, contents[0]), KX::S_OK);
    std::mt19937 rng(61);
    for (int round = 0; round < 50; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned i = 1;; ++i)
                static_cast<void>(
                    WriteAtomically(path, contents[i % 2].data(), contents[i % 2].size())); // killed mid-way
        }
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 5000));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        ASSERT_EQ(::waitpid(child, nullptr, 0), child);

        const std::string now = TempFolder::ReadFile(path);
        EXPECT_TRUE(now == contents[0] || now == contents[1]) << "round " << round << ": " << now.size() << " bytes";
        // Only a hidden file of the killed save may be left; the next save removes it.
        const std::string ours = "." + name + ".tmp." + std::to_string(child) + ".";
        for (const std::string& other : Others(dir.Path(), name))
            EXPECT_EQ(other.rfind(ours, 0), 0u) << other;
        ASSERT_EQ(Write(path, contents[round % 2]), KX::S_OK);
        EXPECT_TRUE(Others(dir.Path(), name).empty()) << "round " << round;
    }
}

TEST_P(AtomicWrite, RemovesOnlyTheTemporaryFilesOfSavesThatAreGone)
{
    TempFolder dir;
    const pid_t gone = ::fork();
    ASSERT_GE(gone, 0);
    if (gone == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const std::string dead = std::to_string(gone), live = std::to_string(::getppid());
    const std::vector<std::string> kept = {".a.ini.tmp." + live + ".1", "a.ini.tmp.notes", ".a.ini.tmp." + dead,
                                           ".b.ini.tmp." + dead + ".2", "a.ini.tmp." + dead + ".x"};
    for (const std::string& file : kept)
        TempFolder::WriteFile(dir / file, "x");
    // Left visible by earlier versions, and hidden.
    TempFolder::WriteFile(dir / ("a.ini.tmp." + dead + ".3"), "x");
    TempFolder::WriteFile(dir / (".a.ini.tmp." + dead + ".4"), "x");

    ASSERT_EQ(Write(dir / "a.ini", "new"), KX::S_OK);
    std::vector<std::string> left = Others(dir.Path(), "a.ini");
    std::sort(left.begin(), left.end());
    std::vector<std::string> expected = kept;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
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
