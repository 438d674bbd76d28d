#include "KXFramework/Platform/DebugLog/LogOutput.h"

#include "Eventually.h"
#include "LogLines.h"
#include "StalledStream.h"
#include "StandardErrorOn.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace KX::Test {

namespace {

namespace DebugLog = KX::Platform::DebugLog;
using Action = DebugLog::DebugConsoleOption::Action;

TEST(DebugConsoleOption, PortComesFirstThenTheHost)
{
    const struct {
        const char* commandLine;
        Action action;
        int port;
        const char* host;
    } cases[] = {
        {"/usr/bin/kivo61-preset-editor", Action::None, 0, ""},
        {"kivo -debug_console", Action::OpenConsole, 0, ""},
        {"kivo -DEBUG_CONSOLE:5000:myhost.example -other", Action::SetTarget, 5000, "MYHOST.EXAMPLE"},
        {"kivo -Debug_Console:5000", Action::SetTarget, 5000, ""},
        {"kivo -DEBUG_CONSOLE:5000:", Action::SetTarget, 5000, ""},
        {"kivo -DEBUG_CONSOLE:abc:host", Action::SetTarget, 0, "HOST"},
        {"kivo -DEBUG_CONSOLE:5:host", Action::None, 0, ""},
        {"kivo -DEBUG_CONSOLE:", Action::None, 0, ""},
        // A ":" in a later argument is not the separator.
        {"kivo -DEBUG_CONSOLE:5000 -X:Y", Action::SetTarget, 5000, ""},
        {"kivo -DEBUG_CONSOLE:99999999999999999999:h", Action::SetTarget, INT_MAX, "H"},
    };
    for (const auto& c : cases) {
        const auto option = DebugLog::ParseDebugConsoleOption(c.commandLine);
        EXPECT_EQ(option.action, c.action) << c.commandLine;
        EXPECT_EQ(option.port, c.port) << c.commandLine;
        EXPECT_EQ(option.host, c.host) << c.commandLine;
    }
}

class UdpReceiver {
public:
    UdpReceiver()
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
        m_port = ntohs(address.sin_port);
        timeval timeout{10, 0}; // generous: a missing datagram fails the test, it does not hang it
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    ~UdpReceiver() { ::close(m_fd); }
    int Port() const { return m_port; }
    std::string Receive()
    {
        char buffer[2048];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        return n < 0 ? std::string("<nothing>") : std::string(buffer, static_cast<size_t>(n));
    }

private:
    int m_fd = -1;
    int m_port = 0;
};

TEST(DebugLogTransport, SendsLinesOverUdpAfterTheLaunchLine)
{
    UdpReceiver receiver;
    ASSERT_TRUE(DebugLog::SetUdpTarget("", receiver.Port()));
    EXPECT_EQ(receiver.Receive(), "*** APPLICATION Launched on 127.0.0.1***");
    DebugLog::WriteLine("first line\n");
    DebugLog::WriteLine("second line");
    EXPECT_EQ(receiver.Receive(), "first line");
    EXPECT_EQ(receiver.Receive(), "second line");

    DebugLog::UseStandardError();
    testing::internal::CaptureStderr();
    DebugLog::WriteLine("to stderr");
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                testing::MatchesRegex("[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\\.[0-9][0-9][0-9] to stderr\n"));
}

TEST(DebugLogTransport, ConsoleLinesReachStandardErrorWhateverTheTarget)
{
    UdpReceiver receiver;
    ASSERT_TRUE(DebugLog::SetUdpTarget("", receiver.Port()));
    EXPECT_EQ(receiver.Receive(), "*** APPLICATION Launched on 127.0.0.1***");
    testing::internal::CaptureStderr();
    DebugLog::WriteConsoleLine("no box\n");
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                testing::MatchesRegex("[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\\.[0-9][0-9][0-9] no box\n"));
    EXPECT_EQ(receiver.Receive(), "no box");
    DebugLog::UseStandardError();
}

TEST(DebugLogTransport, AnUnusablePortLeavesTheLogOnStandardError)
{
    EXPECT_FALSE(DebugLog::SetUdpTarget("127.0.0.1", 0));
    EXPECT_FALSE(DebugLog::SetUdpTarget("127.0.0.1", 70000));
    testing::internal::CaptureStderr();
    DebugLog::WriteLine("still here");
    EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::EndsWith(" still here\n"));
}

// Whether the call, on a thread of its own, returns within a generous bound. One that waits fails the
// test instead of hanging it: `release` lets it go, again and again for one that waits on.
bool ReturnsAtOnce(const std::function<void()>& call, const std::function<void()>& release)
{
    std::atomic<bool> returned{false};
    std::thread thread([&] {
        call();
        returned = true;
    });
    const bool atOnce = Eventually([&] { return returned.load(); }, std::chrono::seconds(10));
    while (!returned) {
        release();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    thread.join();
    return atOnce;
}

const std::string kTime = "[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\\.[0-9][0-9][0-9] ";

// The wait a line has for standard error, for a scope.
class LineWait {
public:
    explicit LineWait(uint32_t ms) : m_usual(DebugLog::SetLineWaitMs(ms)) {}
    ~LineWait() { DebugLog::SetLineWaitMs(m_usual); }
    LineWait(const LineWait&) = delete;
    LineWait& operator=(const LineWait&) = delete;

private:
    uint32_t m_usual;
};

// No descriptor can be opened for a scope: the lowest free number is the limit, once the log has let go
// of the description of its own it may keep of an earlier standard error (at a line to a file).
class NoSpareDescriptor {
public:
    NoSpareDescriptor()
    {
        testing::internal::CaptureStderr();
        DebugLog::WriteLine("before the limit");
        static_cast<void>(testing::internal::GetCapturedStderr());
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        const int lowestFree = ::dup(STDIN_FILENO);
        ::close(lowestFree);
        rlimit limit = m_saved;
        limit.rlim_cur = rlim_t(lowestFree);
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    ~NoSpareDescriptor() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    NoSpareDescriptor(const NoSpareDescriptor&) = delete;
    NoSpareDescriptor& operator=(const NoSpareDescriptor&) = delete;

private:
    rlimit m_saved{};
};

// A burst of each kind of line costs at most the one wait a stall is given, however long the burst: its
// lines are lost, and counted by the orderly end's call once the stream reads again. Also where the log
// cannot open a description of its own of the stream (no descriptor to spare here, as for another user's
// pipe).
TEST(DebugLogTransport, NoBurstWaitsLongForAStandardErrorNobodyReads)
{
    const struct {
        const char* name;
        StalledStream::Kind kind;
        bool noSpareDescriptor;
    } streams[] = {
        {"a full pipe", StalledStream::Kind::FullPipe, false},
        {"a paused terminal", StalledStream::Kind::PausedTerminal, false},
        {"a full socket", StalledStream::Kind::FullSocket, false},
        {"a full pipe, no descriptor to spare", StalledStream::Kind::FullPipe, true},
        {"a paused terminal, no descriptor to spare", StalledStream::Kind::PausedTerminal, true},
    };
    const struct {
        const char* name;
        void (*write)(std::string_view);
    } writers[] = {{"WriteLine", DebugLog::WriteLine},
                   {"WriteConsoleLine", DebugLog::WriteConsoleLine},
                   {"WriteLastLine", DebugLog::WriteLastLine}};
    // Far beyond the bound of ReturnsAtOnce, were each line to wait.
    constexpr int kBurst = 1000;
    for (const auto& stream : streams) {
        SCOPED_TRACE(stream.name);
        StalledStream stalled(stream.kind);
        ASSERT_TRUE(stalled.Stalled());
        std::string counted;
        std::string text;
        {
            const StandardErrorOn on(stalled.Writer());
            std::optional<NoSpareDescriptor> noSpare;
            if (stream.noSpareDescriptor)
                noSpare.emplace();
            for (const auto& writer : writers)
                EXPECT_TRUE(ReturnsAtOnce(
                    [&] {
                        for (int i = 0; i < kBurst; ++i)
                            writer.write(writer.name);
                    },
                    [&] {
                        stalled.Resume();
                        stalled.Discard();
                    }))
                    << writer.name;
            stalled.Resume();
            DebugLog::WriteLostLineCount();
            counted = stalled.ReadThrough("them\n");
            DebugLog::WriteLine("read again");
            text = stalled.ReadThrough("read again\n");
        }
        EXPECT_THAT(counted,
                    testing::MatchesRegex(kTime + program_invocation_short_name + ": " + std::to_string(3 * kBurst) +
                                          " log lines were lost: standard error did not take them\n"));
        EXPECT_THAT(text, testing::MatchesRegex(kTime + "read again\n"));
    }
}

// A reader that takes its time (a pipe into a slow program, a terminal that scrolls) gets every line of a
// burst, whichever way the log writes to it; also after a stall, whose lost line is counted first. Lines
// wait long enough here for the reader's turn to come on any machine, however loaded.
TEST(DebugLogTransport, AReaderThatTakesItsTimeGetsEveryLineOfABurst)
{
    const struct {
        const char* name;
        StalledStream::Kind kind;
        bool noSpareDescriptor;
    } streams[] = {
        {"a pipe", StalledStream::Kind::FullPipe, false},
        {"a terminal", StalledStream::Kind::PausedTerminal, false},
        {"a socket", StalledStream::Kind::FullSocket, false},
        {"a pipe, no descriptor to spare", StalledStream::Kind::FullPipe, true},
        {"a terminal, no descriptor to spare", StalledStream::Kind::PausedTerminal, true},
    };
    // Some 300 KB: several times what a pipe, a terminal or a socket holds.
    constexpr int kBurst = 3000;
    const auto burstLine = [](int i) { return "burst line " + std::to_string(i) + " " + std::string(80, '.'); };
    for (const auto& stream : streams) {
        SCOPED_TRACE(stream.name);
        StalledStream slow(stream.kind);
        ASSERT_TRUE(slow.Stalled());
        std::string text;
        {
            const StandardErrorOn on(slow.Writer());
            std::optional<NoSpareDescriptor> noSpare;
            if (stream.noSpareDescriptor)
                noSpare.emplace();
            DebugLog::WriteLine("while nobody reads");
            const LineWait generous(10000);
            slow.Resume();
            std::thread reader(
                [&] { text = slow.ReadSlowly(1, [](const std::string& read) { return read.ends_with("end\n"); }); });
            for (int i = 0; i < kBurst; ++i)
                DebugLog::WriteLine(burstLine(i));
            DebugLog::WriteLine("end");
            reader.join();
        }
        std::vector<std::string> expected{std::string(program_invocation_short_name) +
                                          ": 1 log line was lost: standard error did not take it"};
        for (int i = 0; i < kBurst; ++i)
            expected.push_back(burstLine(i));
        expected.push_back("end");
        const std::vector<std::string> lines = LogLines(text);
        const auto [came, due] = std::mismatch(lines.begin(), lines.end(), expected.begin(), expected.end());
        EXPECT_TRUE(came == lines.end() && due == expected.end())
            << lines.size() << " of " << expected.size() << " lines came, the first other \""
            << (came == lines.end() ? "" : *came) << "\" where \"" << (due == expected.end() ? "" : *due)
            << "\" was due";
    }
}

// The description of its own that the log keeps of a standard error that was replaced is let go at the
// next line, so that the reader of the one replaced sees its end.
TEST(DebugLogTransport, AReplacedStandardErrorIsLetGoAtTheNextLine)
{
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    {
        const StandardErrorOn on(ends[1]);
        DebugLog::WriteLine("to the pipe");
    }
    ::close(ends[1]);
    testing::internal::CaptureStderr();
    DebugLog::WriteLine("elsewhere");
    EXPECT_EQ(CapturedLogLines(), std::vector<std::string>{"elsewhere"});
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    char text[256];
    EXPECT_EQ(::read(ends[0], text, sizeof text), ssize_t(sizeof "hh:mm:ss.mmm to the pipe\n" - 1));
    EXPECT_EQ(::read(ends[0], text, sizeof text), 0) << "the pipe is still held open";
    ::close(ends[0]);
}

// A line the pipe takes in part is finished before any other line goes, so that none glues onto it;
// one lost meanwhile is counted after it.
TEST(DebugLogTransport, ALineTakenInPartIsFinishedBeforeTheNext)
{
    StalledStream stalled(StalledStream::Kind::FullPipe);
    ASSERT_TRUE(stalled.Stalled());
    const std::string longLine(3 * PIPE_BUF, 'x');
    std::string text;
    {
        const StandardErrorOn on(stalled.Writer());
        stalled.MakeRoomForOnePage();
        EXPECT_TRUE(ReturnsAtOnce(
            [&] {
                DebugLog::WriteLine(longLine);
                DebugLog::WriteLine("while the rest waits");
            },
            [&] { stalled.Resume(); }));
        stalled.Resume();
        DebugLog::WriteLine("read again");
        text = stalled.ReadThrough("read again\n");
    }
    EXPECT_EQ(LogLines(text),
              (std::vector<std::string>{
                  longLine,
                  std::string(program_invocation_short_name) + ": 1 log line was lost: standard error did not take it",
                  "read again",
              }));
}

// A thread held inside the log while it holds the log's lock: its write to standard error, a file at
// the file-size limit, raises SIGXFSZ, whose handler holds it until the test lets it go.
std::atomic<pid_t> g_heldThread{0};
std::atomic<bool> g_held{false};
std::atomic<bool> g_letGo{false};

void HoldTheThread(int)
{
    if (::gettid() != g_heldThread)
        return;
    g_held = true;
    while (!g_letGo) {
        const timespec pause{0, 1000000};
        ::nanosleep(&pause, nullptr);
    }
}

// The forced end's line, while the UI thread is held inside the log, goes out at once, after a line break
// (the held line may stand cut), whatever holds the log's lock; on a full pipe it is counted as lost.
TEST(DebugLogTransport, TheLastLineDoesNotWaitForTheLogsLock)
{
    const std::string note = std::string(program_invocation_short_name) + ": ";
    const struct {
        const char* name;
        bool fullPipe; // standard error then, the held thread being inside its write to the file
        std::vector<std::string> written;
    } rounds[] = {
        {"on a file",
         false,
         {"", "the last line", note + "1 log line was lost: standard error did not take it", "after"}},
        {"on a full pipe", true, {note + "2 log lines were lost: standard error did not take them", "after"}},
    };
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.name);
        g_held = false;
        g_letGo = false;
        struct sigaction hold {};
        struct sigaction previous {};
        hold.sa_handler = HoldTheThread;
        sigemptyset(&hold.sa_mask);
        ASSERT_EQ(::sigaction(SIGXFSZ, &hold, &previous), 0);
        rlimit limit{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlim_t unlimited = limit.rlim_cur;
        testing::internal::CaptureStderr();

        limit.rlim_cur = 0; // the captured standard error is empty: the first write meets the limit
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::thread held([] {
            g_heldThread = ::gettid();
            DebugLog::WriteLine("held inside the log");
        });
        const bool isHeld = Eventually([] { return g_held.load(); }, std::chrono::seconds(10));
        limit.rlim_cur = unlimited;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::optional<StalledStream> full;
        std::optional<StandardErrorOn> on;
        if (round.fullPipe)
            on.emplace(full.emplace(StalledStream::Kind::FullPipe).Writer());
        const auto letGo = [&] {
            g_letGo = true;
            if (full)
                full->Resume();
        };
        const bool atOnce = isHeld && ReturnsAtOnce([] { DebugLog::WriteLastLine("the last line"); }, letGo);
        letGo();
        held.join();
        DebugLog::WriteLine("after");
        const std::string piped = full ? full->ReadThrough("after\n") : "";
        on.reset();
        const std::vector<std::string> captured = CapturedLogLines();
        ::sigaction(SIGXFSZ, &previous, nullptr);

        ASSERT_TRUE(isHeld) << "the write at the limit raised no SIGXFSZ";
        EXPECT_TRUE(atOnce);
        EXPECT_EQ(full ? LogLines(piped) : captured, round.written);
    }
}

} // namespace

} // namespace KX::Test
