#include "KXFramework/Platform/Process/SingleInstance.h"
#include "KXFramework/Platform/Process/ThreadState.h"

#include "EnvironmentGuard.h"
#include "Eventually.h"
#include "ManualClock.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <mutex>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace KX::Test {

namespace {

using KX::Platform::SingleInstance;
using Role = SingleInstance::Role;
using Result = SingleInstance::HandOverResult;

constexpr const char* kName = "Velmora_Kivo 61 Preset EditorPrevent";

// The helper program as a second process: its standard input is held open (closing it ends the
// helper), its standard output is read line by line.
class Helper {
public:
    explicit Helper(const char* mode)
    {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        char* argv[] = {const_cast<char*>(KX_SINGLE_INSTANCE_HELPER), const_cast<char*>(kName), const_cast<char*>(mode),
                        nullptr};
        const int r = ::posix_spawn(&m_pid, KX_SINGLE_INSTANCE_HELPER, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_input = in[1];
        m_output = out[0];
        if (r != 0)
            throw std::runtime_error("posix_spawn");
    }
    ~Helper()
    {
        ::close(m_input);
        if (m_pid > 0 && !Eventually([this] { return ::waitpid(m_pid, nullptr, WNOHANG) == m_pid; })) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        ::close(m_output);
    }
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    // The next line it printed; none when it printed none within a generous bound or ended.
    std::optional<std::string> NextLine()
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (;;) {
            const size_t newline = m_buffer.find('\n');
            if (newline != std::string::npos) {
                std::string line = m_buffer.substr(0, newline);
                m_buffer.erase(0, newline + 1);
                return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            pollfd entry{m_output, POLLIN, 0};
            if (left <= 0 || ::poll(&entry, 1, static_cast<int>(left)) <= 0)
                return std::nullopt;
            char chunk[4096];
            const ssize_t n = ::read(m_output, chunk, sizeof(chunk));
            if (n <= 0)
                return std::nullopt;
            m_buffer.append(chunk, static_cast<size_t>(n));
        }
    }
    // A byte on its standard input: "hold" listens then.
    void Poke() { ASSERT_EQ(::write(m_input, "x", 1), 1); }
    pid_t Pid() const { return m_pid; }
    void Kill()
    {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    std::string m_buffer;
};

class SingleInstanceTest : public ::testing::Test {
protected:
    SingleInstanceTest() { m_env.Set("XDG_RUNTIME_DIR", m_runtime.Path()); }

    std::string SocketPath() const { return m_runtime / (std::string(kName) + ".sock"); }

    // A connection made by hand to the first instance's socket.
    int Connect() const
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, SocketPath().c_str());
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0) << std::strerror(errno);
        return fd;
    }

    static std::string Record(uint32_t word, uint32_t count, const std::string& body)
    {
        std::string record(8, '\0');
        std::memcpy(record.data(), &word, 4);
        std::memcpy(record.data() + 4, &count, 4);
        return record + body;
    }

    TempFolder m_runtime;
    EnvironmentGuard m_env;
};

TEST_F(SingleInstanceTest, ASecondStartHandsItsCommandLineToTheListeningFirst)
{
    Helper first("listen");
    ASSERT_EQ(first.NextLine(), "First");
    ASSERT_EQ(first.NextLine(), "listening");
    struct stat st {};
    ASSERT_EQ(::lstat(SocketPath().c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    auto second = SingleInstance::Acquire(kName);
    ASSERT_EQ(second->GetRole(), Role::Second);
    EXPECT_EQ(second->GetListenDescriptor(), -1);
    EXPECT_FALSE(second->Listen());
    const std::string line = "/opt/kivo/editor \"My Presets/a b.Kivo61PresetEditor\" \xC3\xBC";
    EXPECT_EQ(second->HandOver(line), Result::Served);
    EXPECT_EQ(first.NextLine(), "got:" + line);

    // The largest record the first accepts; a longer line is cut before a whole character.
    const std::string longLine = "x" + std::string(SingleInstance::kMaxTextBytes - 3, 'a') + "\xE2\x82\xAC";
    EXPECT_EQ(SingleInstance::Acquire(kName)->HandOver(longLine), Result::Served);
    EXPECT_EQ(first.NextLine(), "got 65534 bytes ending aaaaaaaa");
    EXPECT_EQ(SingleInstance::Acquire(kName)->HandOver(std::string(SingleInstance::kMaxTextBytes - 2, 'b') + "c"),
              Result::Served);
    EXPECT_EQ(first.NextLine(), "got 65535 bytes ending bbbbbbbc");
}

TEST_F(SingleInstanceTest, BadRecordsAndPeersThatGiveUpAreDroppedAndTheFirstServesOn)
{
    Helper first("listen");
    ASSERT_EQ(first.NextLine(), "First");
    ASSERT_EQ(first.NextLine(), "listening");
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"short header", Record(0x465, 5, "").substr(0, 6)},
        {"wrong data word", Record(0x466, 5, std::string("abcd\0", 5))},
        {"no text", Record(0x465, 0, "")},
        {"huge count", Record(0x465, SingleInstance::kMaxTextBytes + 1, std::string(100, 'a'))},
        {"count of ~0", Record(0x465, 0xFFFFFFFFu, "a")},
        {"not 0-terminated", Record(0x465, 4, "abcd")},
        {"gone halfway", Record(0x465, 100, std::string("abc\0", 4))},
    };
    for (const auto& c : cases) {
        const int fd = Connect();
        ASSERT_EQ(::send(fd, c.bytes.data(), c.bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(c.bytes.size()));
        ::shutdown(fd, SHUT_WR);
        // Dropped: closed without an answer (reset when bytes were left unread).
        char answer;
        pollfd entry{fd, POLLIN, 0};
        ASSERT_EQ(::poll(&entry, 1, 20000), 1) << c.what;
        const ssize_t n = ::recv(fd, &answer, 1, 0);
        EXPECT_TRUE(n == 0 || (n < 0 && errno == ECONNRESET)) << c.what << ": " << n;
        ::close(fd);
    }
    // A 0 inside the text ends it, as the text is read as a 0-terminated one.
    const int fd = Connect();
    const std::string inner = Record(0x465, 6, std::string("ab\0cd\0", 6));
    ASSERT_EQ(::send(fd, inner.data(), inner.size(), MSG_NOSIGNAL), static_cast<ssize_t>(inner.size()));
    char answer = 0;
    EXPECT_EQ(::recv(fd, &answer, 1, 0), 1);
    ::close(fd);
    EXPECT_EQ(first.NextLine(), "got:ab");

    EXPECT_EQ(SingleInstance::Acquire(kName)->HandOver("editor"), Result::Served);
    EXPECT_EQ(first.NextLine(), "got:editor");
}

TEST_F(SingleInstanceTest, APeerThatSendsNothingIsGivenUpAndTheNextOneIsServed)
{
    Helper first("listen");
    ASSERT_EQ(first.NextLine(), "First");
    ASSERT_EQ(first.NextLine(), "listening");
    const int silent = Connect();
    // Answered beside the silent peer, which is dropped once its time is up.
    EXPECT_EQ(SingleInstance::Acquire(kName)->HandOver("editor"), Result::Served);
    EXPECT_EQ(first.NextLine(), "got:editor");
    char answer;
    pollfd entry{silent, POLLIN, 0};
    ASSERT_EQ(::poll(&entry, 1, 20000), 1);
    EXPECT_EQ(::recv(silent, &answer, 1, 0), 0);
    ::close(silent);
}

// The process's clock while a second start tries to hand over: time stands still and each pause
// between two tries is held until the test opens the gate, so the first can be made to listen (or
// end) only once the second has tried and failed. Opened, pauses pass at once and time moves by them.
class TryGate final : public Platform::Clock {
public:
    TryGate() { Platform::SetClock(this); }
    ~TryGate() { Platform::SetClock(nullptr); }
    uint32_t Milliseconds() override { return m_now; }
    void Sleep(uint32_t ms) override
    {
        std::unique_lock lock(m_mutex);
        m_paused = true;
        m_changed.wait(lock, [this] { return m_open; });
        m_now += ms;
    }
    bool Paused()
    {
        std::lock_guard lock(m_mutex);
        return m_paused;
    }
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_paused = false, m_open = false;
    std::atomic<uint32_t> m_now{0};
};

// A second start handing over on a thread of its own, its pauses between tries held by the gate.
struct SecondHandingOver {
    SecondHandingOver() { EXPECT_EQ(second->GetRole(), Role::Second); }
    ~SecondHandingOver() { gate.Open(); } // before the future waits for the thread
    bool Ended() { return handedOver.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }
    // Whether it stopped at a pause between tries rather than ending.
    bool Paused()
    {
        EXPECT_TRUE(Eventually([&] { return gate.Paused() || Ended(); }));
        return gate.Paused();
    }

    std::unique_ptr<SingleInstance> second = SingleInstance::Acquire(kName);
    TryGate gate; // outlives the second's thread
    std::future<Result> handedOver = std::async(std::launch::async, [this] { return second->HandOver("editor"); });
};

// A start right after the first can find the lock taken before the first listens: it waits while
// the lock is held, and hands over once the first listens, or starts as the first when it ends.
TEST_F(SingleInstanceTest, ASecondWaitsForTheFirstThatHoldsTheLockWithoutListeningYet)
{
    for (const bool listens : {true, false}) {
        SCOPED_TRACE(listens ? "the first listens" : "the first ends");
        Helper first("hold");
        ASSERT_EQ(first.NextLine(), "First");
        SecondHandingOver handing;
        ASSERT_TRUE(handing.Paused()) << "the second gave up at its first try";
        if (listens) {
            first.Poke();
            ASSERT_EQ(first.NextLine(), "listening");
            handing.gate.Open();
            EXPECT_EQ(handing.handedOver.get(), Result::Served);
            EXPECT_EQ(first.NextLine(), "got:editor");
            EXPECT_EQ(handing.second->GetRole(), Role::Second);
        } else {
            first.Kill();
            handing.gate.Open();
            EXPECT_EQ(handing.handedOver.get(), Result::StartAsFirst);
            EXPECT_EQ(handing.second->GetRole(), Role::First);
            EXPECT_TRUE(handing.second->Listen());
        }
    }
}

// A first whose end has begun (closed, a termination signal, a failed start) stops listening and drops
// a second's connection unanswered, and holds the lock a moment longer: the second does not take that
// for a hand-over, but tries again and starts as the first once the lock is free.
TEST_F(SingleInstanceTest, ASecondWhoseConnectionTheEndingFirstDropsStartsInItsPlace)
{
    Helper first("drop");
    ASSERT_EQ(first.NextLine(), "First");
    ASSERT_EQ(first.NextLine(), "listening");
    SecondHandingOver handing;
    first.Poke();
    ASSERT_EQ(first.NextLine(), "dropped");
    EXPECT_FALSE(std::filesystem::exists(SocketPath()));
    ASSERT_TRUE(handing.Paused()) << "the second took the dropped connection for a hand-over";
    first.Kill();
    handing.gate.Open();
    EXPECT_EQ(handing.handedOver.get(), Result::StartAsFirst);
    EXPECT_EQ(handing.second->GetRole(), Role::First);
}

// The process's clock moving a second at every reading: a wait's bounds count its looks at the other
// process (one reading each, about every 100 ms), not the time the machine takes.
class StepClock final : public Platform::Clock {
public:
    static constexpr uint32_t kStepMs = 1000;
    StepClock() { Platform::SetClock(this); }
    ~StepClock() { Platform::SetClock(nullptr); }
    uint32_t Milliseconds() override { return m_now += kStepMs; }
    void Sleep(uint32_t ms) override { m_now += ms; }

private:
    std::atomic<uint32_t> m_now{0};
};

// A first is waited for while it works (its start on a busy machine, now and then on a starved one, or
// an end that takes long while it drops the connections), whether it takes the connection or does not
// listen, and given up on once it has slept that long without progress (held in a call), been stopped a
// while (Ctrl+Z), or had the whole bound: the second then names it rather than end as served or start
// without the rule. A first that answers again later finds the request and serves it, nothing more. A
// termination signal ends the wait at once.
TEST_F(SingleInstanceTest, ASecondWaitsForAFirstThatWorksAndGivesUpOnOneThatDoesNotAnswer)
{
    // The first's display, which the second names in one line.
    m_env.Set("DISPLAY", ":42\n\x1b[2J");
    enum class Waited { Any, Silent, Stopped, InAll };
    const struct {
        const char* mode;
        bool stopped;     // stopped once it started
        bool interrupted; // the second's wait is told to stop
        Result result;
        Waited waited;
        bool servedLater; // the request is served once the first goes on
    } cases[] = {
        {"busy", false, false, Result::Served, Waited::Any, true},
        {"fitful", false, false, Result::Served, Waited::Any, true},
        {"mute", false, false, Result::NoAnswer, Waited::Silent, true},
        {"listen", true, false, Result::NoAnswer, Waited::Stopped, true},
        {"spin", false, false, Result::NoAnswer, Waited::InAll, false},
        {"hold", false, false, Result::NoAnswer, Waited::Silent, false},
        {"hold", true, false, Result::NoAnswer, Waited::Stopped, false},
        {"mute", false, true, Result::Interrupted, Waited::Any, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + (c.stopped ? ", stopped" : "") + (c.interrupted ? ", interrupted" : ""));
        Helper first(c.mode);
        ASSERT_EQ(first.NextLine(), "First");
        if (std::string(c.mode) != "hold") {
            ASSERT_EQ(first.NextLine(), "listening");
        }
        if (c.stopped) {
            ASSERT_EQ(::kill(first.Pid(), SIGSTOP), 0);
        }
        // Waiting for the second, or stopped, before the second's clock begins to run fast.
        ASSERT_TRUE(Eventually([&] {
            Platform::ThreadState state;
            return Platform::ReadThreadState(first.Pid(), first.Pid(), state) &&
                   (c.stopped ? state.Stopped() : state.Asleep());
        }));
        Result result;
        {
            StepClock clock;
            auto second = SingleInstance::Acquire(kName);
            int looks = 0;
            // Bounded here too, should a bound be lost.
            result = second->HandOver("editor", [&] { return ++looks > (c.interrupted ? 3 : 5000); });
            EXPECT_EQ(second->GetHolder().process, first.Pid());
            const uint32_t waited = clock.Milliseconds();
            if (result == Result::NoAnswer) {
                EXPECT_EQ(second->GetHolder().display, ":42??[2J");
                EXPECT_EQ(second->GetHolder().stopped, c.stopped);
            }
            switch (c.waited) {
            case Waited::Any:
                break;
            case Waited::Silent: // longer than a first may only be slow
                EXPECT_GE(waited, SingleInstance::kSilentMs);
                EXPECT_LT(waited, SingleInstance::kUnansweredMs);
                break;
            case Waited::Stopped: // sooner than a first that may only be slow
                EXPECT_LT(waited, SingleInstance::kSilentMs);
                break;
            case Waited::InAll:
                EXPECT_GE(waited, SingleInstance::kUnansweredMs);
                break;
            }
        }
        EXPECT_EQ(result, c.result);
        if (c.stopped) {
            ASSERT_EQ(::kill(first.Pid(), SIGCONT), 0);
        }
        if (!c.stopped && c.result != Result::Served) {
            first.Poke();
        }
        if (c.servedLater) {
            EXPECT_EQ(first.NextLine(), "got:editor");
        }
    }
}

// A lock's holder that cannot be known (its process id not in the lock file, as for one in another pid
// namespace) and does not listen is given up after a while: the second starts without the rule.
TEST_F(SingleInstanceTest, ASecondStartsWithoutTheRuleOnlyBesideAHolderItCannotKnow)
{
    const std::string lockPath = m_runtime / (std::string(kName) + ".lock");
    const int held = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    {
        StepClock clock;
        auto second = SingleInstance::Acquire(kName);
        ASSERT_EQ(second->GetRole(), Role::Second);
        EXPECT_EQ(second->HandOver("editor"), Result::Unguarded);
        EXPECT_GE(clock.Milliseconds(), SingleInstance::kListenMs);
        EXPECT_EQ(second->GetRole(), Role::Unguarded);
    }
    ::close(held);
}

// Peers that connect and send nothing cost the first nothing: every serve returns at once with them
// kept, at most kMaxPeers of them (the newest), while records that come whole or in pieces are
// answered at the serve after the one that read their end; once their time is up they are dropped.
TEST_F(SingleInstanceTest, SilentPeersHoldUpNeitherTheServeNorTheHandOversBesideThem)
{
    ManualClock clock(5000);
    Platform::SetClock(&clock);
    struct Restore {
        ~Restore() { Platform::SetClock(nullptr); }
    } restore;
    auto first = SingleInstance::Acquire(kName);
    ASSERT_TRUE(first->Listen());
    std::vector<std::string> received;
    const auto serve = [&] { return first->ServePending([&](const std::string& text) { received.push_back(text); }); };
    // Closed by the first: the end of the stream (or a reset) can be read at once.
    const auto closed = [](int fd) {
        pollfd entry{fd, POLLIN, 0};
        return ::poll(&entry, 1, 0) == 1;
    };

    constexpr size_t kCrowd = SingleInstance::kMaxPeers + 4;
    std::vector<int> silent;
    for (size_t i = 0; i < kCrowd; ++i) {
        silent.push_back(Connect());
        EXPECT_TRUE(serve()) << i;
    }
    for (size_t i = 0; i < kCrowd; ++i)
        EXPECT_EQ(closed(silent[i]), i < kCrowd - SingleInstance::kMaxPeers) << i;

    const std::string record = Record(0x465, 9, std::string("editor a\0", 9));
    const struct {
        const char* what;
        std::vector<size_t> cuts; // where the record is cut into the pieces sent between serves
    } cases[] = {
        {"whole", {}},
        {"header in halves", {3}},
        {"text in halves", {12}},
        {"byte by byte", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int fd = Connect();
        size_t at = 0;
        for (const size_t cut : c.cuts) {
            ASSERT_EQ(::send(fd, record.data() + at, cut - at, MSG_NOSIGNAL), static_cast<ssize_t>(cut - at));
            at = cut;
            EXPECT_TRUE(serve());
            EXPECT_EQ(received.size(), 0u);
        }
        ASSERT_EQ(::send(fd, record.data() + at, record.size() - at, MSG_NOSIGNAL),
                  static_cast<ssize_t>(record.size() - at));
        // Whole, it is served at the next turn, once an end on its way would have been seen.
        EXPECT_TRUE(serve());
        EXPECT_EQ(received.size(), 0u);
        EXPECT_TRUE(serve());
        EXPECT_EQ(received, std::vector<std::string>{"editor a"});
        received.clear();
        char answer = 0;
        EXPECT_EQ(::recv(fd, &answer, 1, MSG_DONTWAIT), 1);
        ::close(fd);
    }
    // The newest of the crowd are still kept, unanswered; their time up, they are dropped.
    EXPECT_FALSE(closed(silent.back()));
    clock.Advance(SingleInstance::kPeerReadMs - 1);
    EXPECT_TRUE(serve());
    EXPECT_FALSE(closed(silent.back()));
    clock.Advance(1);
    EXPECT_FALSE(serve());
    for (size_t i = 0; i < kCrowd; ++i)
        EXPECT_TRUE(closed(silent[i])) << i;
    EXPECT_EQ(received.size(), 0u);
    for (const int fd : silent)
        ::close(fd);

    // Its end begun, the first answers none of those it kept: a record on its way, and one read whole.
    const int partial = Connect();
    const int whole = Connect();
    ASSERT_EQ(::send(partial, record.data(), 3, MSG_NOSIGNAL), 3);
    ASSERT_EQ(::send(whole, record.data(), record.size(), MSG_NOSIGNAL), static_cast<ssize_t>(record.size()));
    EXPECT_TRUE(serve());
    first->StopListening();
    for (const int fd : {partial, whole}) {
        char answer = 0;
        EXPECT_TRUE(closed(fd));
        EXPECT_EQ(::recv(fd, &answer, 1, MSG_DONTWAIT), 0);
        ::close(fd);
    }
    EXPECT_EQ(received.size(), 0u);
}

TEST_F(SingleInstanceTest, AKilledFirstNeverBlocksTheNextStart)
{
    Helper first("listen");
    ASSERT_EQ(first.NextLine(), "First");
    ASSERT_EQ(first.NextLine(), "listening");
    first.Kill();
    // Its socket file is left behind and nobody listens on it.
    ASSERT_TRUE(std::filesystem::exists(SocketPath()));

    auto next = SingleInstance::Acquire(kName);
    ASSERT_EQ(next->GetRole(), Role::First);
    ASSERT_TRUE(next->Listen());
    EXPECT_GE(next->GetListenDescriptor(), 0);

    // The new first serves; its socket file goes with it.
    const int fd = Connect();
    const std::string record = Record(0x465, 3, std::string("hi\0", 3));
    ASSERT_EQ(::send(fd, record.data(), record.size(), MSG_NOSIGNAL), static_cast<ssize_t>(record.size()));
    std::vector<std::string> received;
    ASSERT_TRUE(Eventually([&] {
        next->ServePending([&](const std::string& text) { received.push_back(text); });
        return !received.empty();
    }));
    EXPECT_EQ(received, std::vector<std::string>{"hi"});
    ::close(fd);
    next.reset();
    EXPECT_FALSE(std::filesystem::exists(SocketPath()));
    EXPECT_EQ(SingleInstance::Acquire(kName)->GetRole(), Role::First);
}

// A socket's path holds 107 bytes. A private folder with a longer path keeps the rule: its socket is
// reached through the folder's descriptor. Only a name that fits no address means no rule, and no files.
TEST_F(SingleInstanceTest, AFolderTooLongForASocketsPathKeepsTheRule)
{
    const std::string folder = m_runtime / std::string(124 - m_runtime.Path().size() - 1, 'r');
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    m_env.Set("XDG_RUNTIME_DIR", folder);
    Helper first("listen");
    ASSERT_EQ(first.NextLine(), "First");
    ASSERT_EQ(first.NextLine(), "listening");
    struct stat st {};
    ASSERT_EQ(::lstat((folder + "/" + kName + ".sock").c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(SingleInstance::Acquire(kName)->HandOver("editor"), Result::Served);
    EXPECT_EQ(first.NextLine(), "got:editor");

    const std::string name(100, 'n');
    EXPECT_EQ(SingleInstance::Acquire(name)->GetRole(), Role::Unguarded);
    EXPECT_FALSE(std::filesystem::exists(folder + "/" + name + ".lock"));
}

TEST_F(SingleInstanceTest, OnlyAPrivateFolderOfThisUserIsTrusted)
{
    TempFolder parent;
    const std::string fallback = parent / ("kivo61-" + std::to_string(::geteuid()));
    // $XDG_RUNTIME_DIR when it is private.
    EXPECT_EQ(Platform::SingleInstanceFolder(parent.Path()), m_runtime.Path());
    EXPECT_FALSE(std::filesystem::exists(fallback));

    // Otherwise the fallback, made private.
    ASSERT_EQ(::chmod(m_runtime.Path().c_str(), 0755), 0);
    EXPECT_EQ(Platform::SingleInstanceFolder(parent.Path()), fallback);
    struct stat st {};
    ASSERT_EQ(::lstat(fallback.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    for (const char* value : {"relative/run", ""}) {
        m_env.Set("XDG_RUNTIME_DIR", value);
        EXPECT_EQ(Platform::SingleInstanceFolder(parent.Path()), fallback) << value;
    }
    m_env.Clear("XDG_RUNTIME_DIR");
    EXPECT_EQ(Platform::SingleInstanceFolder(parent.Path()), fallback);

    // A fallback that others can enter, that is a symbolic link, or that belongs to someone else
    // is not used.
    ASSERT_EQ(::chmod(fallback.c_str(), 0711), 0);
    EXPECT_EQ(Platform::SingleInstanceFolder(parent.Path()), "");
    std::filesystem::remove(fallback);
    std::filesystem::create_directory_symlink(m_runtime.Path(), fallback);
    ASSERT_EQ(::chmod(m_runtime.Path().c_str(), 0700), 0);
    m_env.Clear("XDG_RUNTIME_DIR");
    EXPECT_EQ(Platform::SingleInstanceFolder(parent.Path()), "");
    std::filesystem::remove(fallback);
    if (::geteuid() == 0) {
        ASSERT_EQ(::mkdir(fallback.c_str(), 0700), 0);
        ASSERT_EQ(::chown(fallback.c_str(), 65534, 65534), 0);
        EXPECT_EQ(Platform::SingleInstanceFolder(parent.Path()), "");
    }
    // A lock file that is a symbolic link is not followed.
    std::filesystem::create_symlink(parent / "elsewhere", m_runtime / (std::string(kName) + ".lock"));
    m_env.Set("XDG_RUNTIME_DIR", m_runtime.Path());
    EXPECT_EQ(SingleInstance::Acquire(kName)->GetRole(), Role::Unguarded);
    EXPECT_FALSE(std::filesystem::exists(parent / "elsewhere"));

    // No runtime folder that can be trusted: the program starts without the rule.
    m_env.Clear("XDG_RUNTIME_DIR");
    TempFolder::WriteFile(parent / "plain", "");
    EXPECT_EQ(Platform::SingleInstanceFolder(parent / "plain"), "");
}

TEST(JoinCommandLine, JoinsByBlanksAndQuotesArgumentsThatHoldOne)
{
    char program[] = "/opt/Kivo 61/editor";
    char plain[] = "-DEBUG_CONSOLE:4000:host";
    char spaced[] = "a b.Kivo61PresetEditor";
    char* argv[] = {program, plain, spaced, nullptr};
    EXPECT_EQ(Platform::JoinCommandLine(3, argv),
              "\"/opt/Kivo 61/editor\" -DEBUG_CONSOLE:4000:host \"a b.Kivo61PresetEditor\"");
    EXPECT_EQ(Platform::JoinCommandLine(1, argv), "\"/opt/Kivo 61/editor\"");
}

} // namespace

} // namespace KX::Test
