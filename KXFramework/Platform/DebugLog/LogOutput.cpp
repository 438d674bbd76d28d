#include "KXFramework/Platform/DebugLog/LogOutput.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace KX::Platform::DebugLog {

namespace {

struct Log {
    std::mutex mutex;
    // Set under the lock; read without it by WriteLastLine.
    std::atomic<int> socket = -1;
};

Log& GetLog()
{
    static Log log;
    return log;
}

void CloseSocket(Log& log)
{
    if (log.socket >= 0)
        ::close(log.socket);
    log.socket = -1;
}

// One write per line, so lines of several processes sharing the stream do not interleave.
void WriteAll(const char* data, size_t left)
{
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        data += n;
        left -= static_cast<size_t>(n);
    }
}

void WriteToStandardError(std::string_view line)
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%02d:%02d:%02d.%03d ", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(ms));
    std::string text = prefix;
    text.append(line);
    text += '\n';
    WriteAll(text.data(), text.size());
}

bool Send(int socket, std::string_view line)
{
    ssize_t n;
    do
        n = ::send(socket, line.data(), line.size(), MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(line.size());
}

// atoi: optional blanks and sign, then digits up to the first other character; no digits is 0.
int LeadingInt(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<long long>(value * 10 + (text[i] - '0'), INT_MAX);
    return static_cast<int>(negative ? -value : value);
}

} // namespace

void WriteLine(std::string_view line)
{
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    Log& log = GetLog();
    std::lock_guard lock(log.mutex);
    if (log.socket >= 0 && Send(log.socket, line))
        return;
    WriteToStandardError(line);
}

void WriteConsoleLine(std::string_view line)
{
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    Log& log = GetLog();
    std::lock_guard lock(log.mutex);
    if (log.socket >= 0)
        Send(log.socket, line);
    WriteToStandardError(line);
}

void WriteLastLine(std::string_view line)
{
    Log& log = GetLog();
    // Taken when free, so that the line does not cut into another; else written all the same.
    const std::unique_lock lock(log.mutex, std::try_to_lock);
    if (const int socket = log.socket; socket >= 0)
        Send(socket, line);
    WriteToStandardError(line);
}

bool SetUdpTarget(std::string_view host, int port)
{
    Log& log = GetLog();
    std::lock_guard lock(log.mutex);
    CloseSocket(log);
    if (port < 1 || port > 65535)
        return false;

    const std::string node = host.empty() ? std::string("127.0.0.1") : std::string(host);
    const std::string service = std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(node.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr)
        return false;
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const bool connected = fd >= 0 && ::connect(fd, found->ai_addr, found->ai_addrlen) == 0;
    ::freeaddrinfo(found);

    sockaddr_in local{};
    socklen_t length = sizeof local;
    char address[INET_ADDRSTRLEN] = {};
    if (!connected || ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0 ||
        ::inet_ntop(AF_INET, &local.sin_addr, address, sizeof address) == nullptr) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    log.socket = fd;
    Send(fd, std::string("*** APPLICATION Launched on ") + address + "***");
    return true;
}

void UseStandardError()
{
    Log& log = GetLog();
    std::lock_guard lock(log.mutex);
    CloseSocket(log);
}

DebugConsoleOption ParseDebugConsoleOption(std::string_view commandLine)
{
    std::string upper(commandLine);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');

    DebugConsoleOption option;
    if (upper.find("-DEBUG_CONSOLE") == std::string::npos)
        return option;
    const size_t at = upper.find("-DEBUG_CONSOLE:");
    if (at == std::string::npos) {
        option.action = DebugConsoleOption::Action::OpenConsole;
        return option;
    }
    const size_t start = at + 15;
    const size_t end = std::min(upper.find(' ', start), upper.size());
    // The separator is looked for inside the value only: a ":" after the next blank belongs to
    // another argument.
    const size_t separator = std::min(upper.find(':', start), end);
    if (separator < start + 2)
        return option;
    option.action = DebugConsoleOption::Action::SetTarget;
    option.port = LeadingInt(std::string_view(upper).substr(start, separator - start));
    if (separator < end)
        option.host = upper.substr(separator + 1, end - separator - 1);
    return option;
}

} // namespace KX::Platform::DebugLog
