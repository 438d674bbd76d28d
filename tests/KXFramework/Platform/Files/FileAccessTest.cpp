#include "KXFramework/Platform/Files/FileAccess.h"

#include "PlainUser.h"
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

// A process that has ended.
pid_t GoneProcess()
{
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    return gone;
}

TEST_P(AtomicWrite, RemovesOnlyTheTemporaryFilesOfSavesThatAreGone)
{
    TempFolder dir;
    const std::string dead = std::to_string(GoneProcess()), live = std::to_string(::getppid());
    // The user's own files, however like a temporary file their names are.
    std::vector<std::string> users = {".a.ini.tmp." + live + ".1", "a.ini.tmp.notes",
                                      ".a.ini.tmp." + dead,        ".b.ini.tmp." + dead + ".2",
                                      "a.ini.tmp." + dead + ".x",  "a.ini.tmp." + dead + ".0",
                                      ".a.ini.tmp.0" + dead + ".5"};
    for (const std::string& file : users)
        TempFolder::WriteFile(dir / file, "mine");

    // Saved as a new file, then over the old one.
    for (const char* save : {"new file", "replaced"}) {
        TempFolder::WriteFile(dir / (".a.ini.tmp." + dead + ".3"), "x");
        TempFolder::WriteFile(dir / (".a.ini.tmp." + dead + ".0"), "x");
        ASSERT_EQ(Write(dir / "a.ini", "new"), KX::S_OK) << save;
        std::vector<std::string> left = Others(dir.Path(), "a.ini");
        std::sort(left.begin(), left.end());
        std::sort(users.begin(), users.end());
        EXPECT_EQ(left, users) << save;
    }
    for (const std::string& file : users)
        EXPECT_EQ(TempFolder::ReadFile(dir / file), "mine") << file;
}

// Leaves what a save killed while it writes leaves where the file system has no unnamed files: its
// hidden temporary file. The pid of the killed save.
pid_t KillASave(const std::string& path)
{
    const pid_t child = ::fork();
    if (child == 0) {
        KX::Platform::Files::UseUnnamedTemporaryFiles(false);
        static_cast<void>(WriteAtomically(path, "x", 1, [](int, const void*, size_t) -> ssize_t { ::_exit(0); }));
        ::_exit(1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0) << path;
    return child;
}

TEST_P(AtomicWrite, EveryNameTheFolderTakesIsSavedAndItsKilledSavesAreClearedAway)
{
    TempFolder dir;
    std::string euros; // 3-byte characters, so that a cut at a byte count may fall inside one
    for (int i = 0; i < 85; ++i)
        euros += "\xE2\x82\xAC";
    const std::string names[] = {
        "a.ini", std::string(239, 'p'),     std::string(231, 'p') + ".Kivo61PresetEditor", std::string(255, 'p'),
        euros,   euros.substr(0, 249) + "p"};
    for (const std::string& name : names) {
        const std::string path = dir / name;
        ASSERT_EQ(Write(path, "old"), KX::S_OK) << name;
        ASSERT_EQ(Write(path, "new"), KX::S_OK) << name;
        EXPECT_EQ(TempFolder::ReadFile(path), "new") << name;
        EXPECT_EQ(EntryCount(dir.Path()), 1u) << name;

        // The killed save's file is hidden and holds a start of the name cut between characters.
        const std::string ours = ".tmp." + std::to_string(KillASave(path)) + ".";
        const std::vector<std::string> left = Others(dir.Path(), name);
        ASSERT_EQ(left.size(), 1u) << name;
        const std::string leftover = left[0];
        const size_t at = leftover.rfind(ours);
        ASSERT_NE(at, std::string::npos) << leftover;
        const std::string start = leftover.substr(1, at - 1);
        EXPECT_EQ(leftover[0], '.') << leftover;
        EXPECT_EQ(name.rfind(start, 0), 0u) << leftover;
        EXPECT_TRUE(start.size() == name.size() || (name[start.size()] & 0xC0) != 0x80) << leftover;

        // The next save removes it, and not the user's file of the same name but visible.
        TempFolder::WriteFile(dir / leftover.substr(1), "mine");
        ASSERT_EQ(Write(path, "newer"), KX::S_OK) << name;
        EXPECT_EQ(Others(dir.Path(), name), std::vector<std::string>{leftover.substr(1)}) << name;
        EXPECT_EQ(TempFolder::ReadFile(path), "newer") << name;
        std::filesystem::remove(dir / leftover.substr(1));
        std::filesystem::remove(path);
    }
    // A name longer than the folder takes is refused whole, leaving nothing behind.
    const KXRESULT tooLong = Write(dir / std::string(256, 'p'), "x");
    const int error = errno;
    EXPECT_EQ(tooLong, KX::E_FAIL);
    EXPECT_EQ(error, ENAMETOOLONG);
    EXPECT_EQ(EntryCount(dir.Path()), 0u);
}

TEST_P(AtomicWrite, AFileTheUserMayNotWriteIsRefusedAndKept)
{
    TempFolder dir;
    const std::string locked = dir / "locked.Kivo61PresetEditor", open = dir / "open.Kivo61PresetEditor";
    TempFolder::WriteFile(locked, "old");
    TempFolder::WriteFile(open, "old");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    for (const std::string& path : {dir.Path(), locked, open})
        ASSERT_TRUE(GiveToPlainUser(path)) << path;

    // The part's result: 1 when the read-only file was refused as it should be, 2 when the other
    // file was replaced.
    const int result = RunAsPlainUser([&] {
        const bool refused = Write(locked, "new") == KX::E_FAIL && errno == EACCES;
        return (refused ? 1 : 0) | (Write(open, "new") == KX::S_OK ? 2 : 0);
    });
    EXPECT_EQ(result, 3);
    EXPECT_EQ(TempFolder::ReadFile(locked), "old");
    EXPECT_EQ(TempFolder::ReadFile(open), "new");
    EXPECT_EQ(EntryCount(dir.Path()), 2u);
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
