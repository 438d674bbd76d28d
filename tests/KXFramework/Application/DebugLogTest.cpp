#include "KXFramework/Application/DebugLog.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace KX::Test {

namespace {

// A UDP socket on the loopback address that the log is pointed at.
class Listener {
public:
    Listener()
    {
        fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        // Generous: a datagram on loopback arrives at once; this only stops a broken test hanging.
        timeval timeout{10, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    ~Listener()
    {
        KX::OpenDebugConsole();
        ::close(fd);
    }

    std::string Next()
    {
        char buffer[2048];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        return n < 0 ? std::string("<nothing>") : std::string(buffer, static_cast<size_t>(n));
    }

    int fd;
    int port;
};

TEST(DebugLog, SendsOneDatagramPerLineToTheTarget)
{
    Listener listener;
    ASSERT_GT(listener.port, 0);
    KX::SetDebugLogTarget(nullptr, listener.port);
    EXPECT_EQ(listener.Next(), "*** APPLICATION Launched on 127.0.0.1***");

    KX::DebugLog("splash: %s failed (%d)", "::splash.png", -3);
    EXPECT_EQ(listener.Next(), "splash: ::splash.png failed (-3)");
    KX::DebugLogLine(KX::String(u"Grüße\n"));
    EXPECT_EQ(listener.Next(), "Grüße");

    // A port below 1 changes nothing.
    KX::SetDebugLogTarget(u"127.0.0.1", 0);
    KX::DebugLog("still here");
    EXPECT_EQ(listener.Next(), "still here");

    // Back on standard error: the next datagram is the greeting of a new target, so the line in
    // between did not go out over UDP. The command line hands the host over upper-cased.
    KX::OpenDebugConsole();
    KX::DebugLog("to standard error");
    KX::SetDebugLogTarget(u"LOCALHOST", listener.port);
    EXPECT_EQ(listener.Next(), "*** APPLICATION Launched on 127.0.0.1***");
}

} // namespace

} // namespace KX::Test
