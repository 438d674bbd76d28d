#include "KXFramework/Platform/DebugLog/LogOutput.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <climits>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

} // namespace

} // namespace KX::Test
