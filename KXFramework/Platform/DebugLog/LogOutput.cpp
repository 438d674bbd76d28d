#include "KXFramework/Platform/DebugLog/LogOutput.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

namespace KX::Platform::DebugLog {

namespace {

using Clock = std::chrono::steady_clock;

// Standard error as a way to write to it that waits for its reader no longer than asked. Descriptor 2
// itself stays blocking: its open file description is shared with the shell and the terminal.
class ErrorStream {
public:
    ErrorStream() = default;
    ~ErrorStream() { Close(); }
    ErrorStream(const ErrorStream&) = delete;
    ErrorStream& operator=(const ErrorStream&) = delete;

    // Looks at descriptor 2 as it is now; false when it names another file than before, or none. A
    // description of its own is opened only then, and the one kept until then closed: it would hold a
    // replaced pipe open under its reader, which sees its end once the next line has let it go.
    bool Follow()
    {
        // Neither time is asked for: where one is read between writes, a file system with fine-grained
        // times stamps each write anew, which doubles a line's cost to a file.
        struct statx status {};
        const bool found = ::statx(STDERR_FILENO, "", AT_EMPTY_PATH, STATX_TYPE | STATX_INO, &status) == 0;
        const dev_t device = makedev(status.stx_dev_major, status.stx_dev_minor);
        if (found && m_known && device == m_device && status.stx_ino == m_inode)
            return true;
        Close();
        m_known = found;
        m_device = device;
        m_inode = status.stx_ino;
        m_way = found ? Open(status.stx_mode) : Way::None;
        return false;
    }

    // As much of the text as standard error takes, waiting for room at most `wait` from the first time
    // it has none; the number of bytes taken.
    size_t Write(std::string_view text, Clock::duration wait) const
    {
        size_t taken = 0;
        std::optional<Clock::time_point> until;
        while (taken < text.size()) {
            const ssize_t n = WriteSome(text.substr(taken));
            if (n > 0) {
                taken += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                break;
            if (!until)
                until = Clock::now() + wait;
            if (!WaitForRoom(*until))
                break;
        }
        return taken;
    }

private:
    enum class Way { None, File, Socket, Own, Polled };

    // How standard error, of that type, is written.
    Way Open(mode_t mode)
    {
        if (S_ISREG(mode) || S_ISBLK(mode))
            return Way::File;
        if (S_ISSOCK(mode))
            return Way::Socket;
        if ((::fcntl(STDERR_FILENO, F_GETFL) & O_ACCMODE) == O_RDONLY)
            return Way::None;
        // A pipe or a terminal descriptor 2 may write to: an open file description of its own, whose
        // O_NONBLOCK no one else sees.
        m_own = ::open("/proc/self/fd/2", O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        return m_own >= 0 ? Way::Own : Way::Polled;
    }

    void Close()
    {
        if (m_own >= 0)
            ::close(m_own);
        m_own = -1;
    }

    // What one call takes; -1 with EAGAIN where standard error has no room now.
    ssize_t WriteSome(std::string_view text) const
    {
        switch (m_way) {
        case Way::None:
            break;
        case Way::File: // a file does not wait for a reader
            return ::write(STDERR_FILENO, text.data(), text.size());
        case Way::Socket:
            return ::send(STDERR_FILENO, text.data(), text.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        case Way::Own:
            return ::write(m_own, text.data(), text.size());
        case Way::Polled: {
            // Where no description of its own can be opened (another user's pipe, no /proc): a pipe with
            // room takes up to PIPE_BUF bytes whole at once; a terminal with room takes what it has room
            // for and may wait for the rest. One without a reader, or hung up, takes nothing.
            pollfd entry{STDERR_FILENO, POLLOUT, 0};
            const int ready = ::poll(&entry, 1, 0);
            if (ready == 0)
                errno = EAGAIN;
            if (ready != 1)
                return -1;
            if (entry.revents != POLLOUT)
                break;
            return ::write(STDERR_FILENO, text.data(), std::min<size_t>(text.size(), PIPE_BUF));
        }
        }
        return 0;
    }

    // Whether standard error has room before `until`.
    bool WaitForRoom(Clock::time_point until) const
    {
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
            if (left <= 0)
                return false;
            pollfd entry{m_own >= 0 ? m_own : STDERR_FILENO, POLLOUT, 0};
            const int ready = ::poll(&entry, 1, static_cast<int>(left));
            if (ready < 0 && errno == EINTR)
                continue;
            return ready == 1 && (entry.revents & POLLOUT) != 0;
        }
    }

    Way m_way = Way::None;
    int m_own = -1;
    bool m_known = false;
    dev_t m_device = 0;
    uint64_t m_inode = 0;
};

struct Log {
    std::mutex mutex;
    // Set under the lock; read without it by WriteLastLine.
    std::atomic<int> socket = -1;
    // The lines standard error did not take and no line has counted yet; WriteLastLine adds to it
    // without the lock.
    std::atomic<unsigned long> lost = 0;
    // Under the lock: standard error as the last line found it, the rest of a line it took in part (owed
    // to it before any other line), and whether a wait for it ran out with no line gone since.
    ErrorStream stream;
    std::string rest;
    bool stalled = false;
    // Under the lock: how long a line may wait for standard error to take it. A reader that takes data
    // (cat, tee, a terminal that scrolls) makes room well within it, and one that does not costs this
    // once per stall.
    uint32_t lineWaitMs = 50;
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

// "hh:mm:ss.mmm <line>\n", the local time first. The time of day is worked out once a second on each
// thread: localtime_r and a formatted print would cost about as much as the write itself.
std::string Stamped(std::string_view line)
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    thread_local std::time_t timeOfDaySeconds = -1;
    thread_local char timeOfDay[] = "hh:mm:ss.";
    if (seconds != timeOfDaySeconds) {
        std::tm local{};
        ::localtime_r(&seconds, &local);
        int at = 0;
        for (const int part : {local.tm_hour, local.tm_min, local.tm_sec}) {
            timeOfDay[at] = static_cast<char>('0' + part / 10);
            timeOfDay[at + 1] = static_cast<char>('0' + part % 10);
            at += 3;
        }
        timeOfDaySeconds = seconds;
    }
    const char fraction[] = {static_cast<char>('0' + ms / 100), static_cast<char>('0' + ms / 10 % 10),
                             static_cast<char>('0' + ms % 10), ' '};
    std::string text;
    text.reserve(sizeof timeOfDay - 1 + sizeof fraction + line.size() + 1);
    text.append(timeOfDay, sizeof timeOfDay - 1).append(fraction, sizeof fraction).append(line) += '\n';
    return text;
}

// Under the log's lock: the stamped line, or none, after what is owed: the rest of a line begun, then the
// count of lines lost. A line standard error does not take within the line's wait (at once, while it is
// stalled) is lost, and counted. One write per line, so that lines of several processes sharing the
// stream do not interleave.
void WriteToStandardError(Log& log, std::string stamped)
{
    if (!log.stream.Follow()) {
        // Another file, another reader.
        if (!log.rest.empty())
            ++log.lost;
        log.rest.clear();
        log.stalled = false;
    }
    const bool withLine = !stamped.empty();
    const size_t owed = log.rest.size();
    const unsigned long lost = log.lost;
    std::string text;
    if (owed == 0 && lost == 0) {
        if (!withLine)
            return;
        text = std::move(stamped);
    } else {
        text = std::move(log.rest);
        if (lost > 0)
            text += Stamped(std::string(program_invocation_short_name) + ": " + std::to_string(lost) +
                            (lost == 1 ? " log line was lost: standard error did not take it"
                                       : " log lines were lost: standard error did not take them"));
        text += stamped;
    }
    const size_t taken =
        log.stream.Write(text, log.stalled ? Clock::duration::zero() : std::chrono::milliseconds(log.lineWaitMs));
    log.stalled = taken < text.size();
    // Once begun, the line is owed whole.
    if (taken > owed) {
        if (lost > 0)
            log.lost -= lost;
    } else if (withLine) {
        ++log.lost;
    }
    log.rest.clear();
    if (taken < text.size())
        log.rest.assign(text, taken, taken > owed ? std::string::npos : owed - taken);
}

bool Send(int socket, std::string_view line)
{
    ssize_t n;
    do
        n = ::send(socket, line.data(), line.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
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
    WriteToStandardError(log, Stamped(line));
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
    WriteToStandardError(log, Stamped(line));
}

void WriteLastLine(std::string_view line)
{
    Log& log = GetLog();
    // Taken when free, so that the line does not cut into another; the line then waits as any line does,
    // which holds up another thread's line no longer. Else written all the same, at once, after a line
    // break: another line may stand cut.
    const std::unique_lock lock(log.mutex, std::try_to_lock);
    if (const int socket = log.socket; socket >= 0)
        Send(socket, line);
    if (lock.owns_lock()) {
        WriteToStandardError(log, Stamped(line));
        return;
    }
    ErrorStream stream;
    stream.Follow();
    if (stream.Write("\n" + Stamped(line), Clock::duration::zero()) == 0)
        ++log.lost;
}

void WriteLostLineCount()
{
    Log& log = GetLog();
    std::lock_guard lock(log.mutex);
    WriteToStandardError(log, {});
}

uint32_t SetLineWaitMs(uint32_t ms)
{
    Log& log = GetLog();
    std::lock_guard lock(log.mutex);
    return std::exchange(log.lineWaitMs, ms);
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
