#include "KXFramework/Platform/Process/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace KX::Platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Reads per call, so that a child printing without pause cannot keep the waiting loop from its
// other duties.
constexpr int kReadsPerTurn = 16;
constexpr size_t kReadSize = 64 * 1024;

class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        Close();
        m_fd = other.m_fd;
        other.m_fd = -1;
        return *this;
    }
    int Get() const { return m_fd; }
    void Close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

// A pipe whose reading end is ours (non-blocking) and whose writing end becomes a standard stream
// of the child. Both ends are close-on-exec; the child's copy made by dup2 is not.
bool MakePipe(Descriptor& readEnd, Descriptor& writeEnd)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    readEnd = Descriptor(fds[0]);
    writeEnd = Descriptor(fds[1]);
    return ::fcntl(fds[0], F_SETFL, O_NONBLOCK) == 0;
}

struct Stream {
    Descriptor fd;
    std::string* text = nullptr;
    size_t limit = 0;
    bool open = true;
    bool overflowed = false;
};

// Reads what the stream has ready. Text past the limit is dropped and marks the stream
// overflowed; end of file or an error closes it.
void ReadReady(Stream& stream)
{
    char buffer[kReadSize];
    for (int turn = 0; stream.open && turn < kReadsPerTurn; ++turn) {
        const ssize_t n = ::read(stream.fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0) {
            stream.open = false;
            stream.fd.Close();
            return;
        }
        const size_t room = stream.limit - std::min(stream.limit, stream.text->size());
        stream.text->append(buffer, std::min(room, static_cast<size_t>(n)));
        if (static_cast<size_t>(n) > room)
            stream.overflowed = true;
    }
}

std::vector<char*> ChildEnvironment(const std::vector<std::string>& removed)
{
    std::vector<char*> env;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const std::string_view name = text.substr(0, text.find('='));
        if (std::find(removed.begin(), removed.end(), name) == removed.end())
            env.push_back(*entry);
    }
    env.push_back(nullptr);
    return env;
}

int Reap(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

void SetExit(ChildProcessResult& result, int status)
{
    if (WIFSIGNALED(status)) {
        result.status = ChildProcessResult::Status::Signalled;
        result.exitCode = WTERMSIG(status);
    } else {
        result.status = ChildProcessResult::Status::Exited;
        result.exitCode = WEXITSTATUS(status);
    }
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& removedVariables, int outFd,
            int errFd, int& error)
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawnattr_init(&attributes);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    // Nothing else of ours reaches the child, whether or not it was opened close-on-exec: a lock or
    // socket it held would outlive us while the child runs.
    ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

    // Its own process group, so that ending it reaches its helpers; default SIGPIPE and an
    // empty signal mask whatever this process has set.
    sigset_t defaults;
    sigset_t mask;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigemptyset(&mask);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    ::posix_spawnattr_setpgroup(&attributes, 0);
    ::posix_spawnattr_setsigdefault(&attributes, &defaults);
    ::posix_spawnattr_setsigmask(&attributes, &mask);

    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char*> env = ChildEnvironment(removedVariables);

    pid_t pid = -1;
    error = ::posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), env.data());
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    return error == 0 ? pid : -1;
}

} // namespace

ChildProcessResult RunChildProcess(const std::vector<std::string>& argv, const ChildProcessOptions& options)
{
    ChildProcessResult result;
    if (argv.empty() || argv[0].empty()) {
        result.startError = ENOENT;
        return result;
    }
    Stream out;
    out.text = &result.output;
    out.limit = options.outputLimit;
    Stream err;
    err.text = &result.errors;
    err.limit = options.errorLimit;
    Descriptor outWrite;
    Descriptor errWrite;
    if (!MakePipe(out.fd, outWrite) || !MakePipe(err.fd, errWrite)) {
        result.startError = errno;
        return result;
    }
    const pid_t pid = Spawn(argv, options.removedVariables, outWrite.Get(), errWrite.Get(), result.startError);
    outWrite.Close();
    errWrite.Close();
    if (pid < 0)
        return result;
    // Should the wait hook throw, the child still ends and is reaped.
    struct Unreaped {
        pid_t pid;
        ~Unreaped()
        {
            if (pid > 0) {
                ::kill(-pid, SIGKILL);
                Reap(pid);
            }
        }
    } unreaped{pid};

    const auto start = SteadyClock::now();
    auto lastHook = start;
    const auto step = std::chrono::milliseconds(options.waitStepMs);
    for (;;) {
        int waitMs = static_cast<int>(options.waitStepMs);
        if (options.timeoutMs) {
            const auto left = start + std::chrono::milliseconds(*options.timeoutMs) - SteadyClock::now();
            waitMs = static_cast<int>(
                std::clamp<int64_t>(std::chrono::ceil<std::chrono::milliseconds>(left).count(), 0, waitMs));
        }
        pollfd fds[2];
        nfds_t count = 0;
        for (Stream* stream : {&out, &err}) {
            if (stream->open)
                fds[count++] = pollfd{stream->fd.Get(), POLLIN, 0};
        }
        const bool pollFailed = ::poll(fds, count, waitMs) < 0 && errno != EINTR;
        ReadReady(out);
        ReadReady(err);

        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        const int waitError = done < 0 ? errno : 0;
        if (done == pid) {
            // Whatever it wrote before ending is in the pipes already.
            ReadReady(out);
            ReadReady(err);
            SetExit(result, status);
            unreaped.pid = 0;
            break;
        }
        bool stopped = false;
        if (options.whileWaiting && SteadyClock::now() - lastHook >= step) {
            lastHook = SteadyClock::now();
            stopped = !options.whileWaiting();
        }
        const bool timedOut =
            options.timeoutMs && SteadyClock::now() - start >= std::chrono::milliseconds(*options.timeoutMs);
        if (waitError == ECHILD) {
            // Someone else reaped it (SIGCHLD ignored): the status is lost.
            result.status = ChildProcessResult::Status::Exited;
            result.exitCode = -1;
            unreaped.pid = 0;
            break;
        }
        if (out.overflowed || timedOut || pollFailed || stopped) {
            ::kill(-pid, SIGKILL);
            SetExit(result, Reap(pid));
            unreaped.pid = 0;
            if (out.overflowed)
                result.status = ChildProcessResult::Status::OutputTooLarge;
            else if (timedOut)
                result.status = ChildProcessResult::Status::TimedOut;
            else if (stopped)
                result.status = ChildProcessResult::Status::Stopped;
            break;
        }
    }
    if (out.overflowed)
        result.status = ChildProcessResult::Status::OutputTooLarge;
    result.errorsTruncated = err.overflowed;
    return result;
}

} // namespace KX::Platform
