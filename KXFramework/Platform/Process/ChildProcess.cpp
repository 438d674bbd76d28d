#include "KXFramework/Platform/Process/ChildProcess.h"

#include "KXFramework/Platform/Process/WriteSignals.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <pthread.h>
#include <string_view>
#include <sys/prctl.h>
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
// Where the child keeps the report of a failed start until its exec closes it.
constexpr int kReportFd = STDERR_FILENO + 1;

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

// Sets a standard stream of the child to fd, which the exec then keeps open.
bool Attach(int fd, int target)
{
    if (fd == target)
        return ::fcntl(fd, F_SETFD, 0) == 0;
    return ::dup2(fd, target) == target;
}

// What the child is to run, all of it made before the fork: between the fork and the exec the child
// makes system calls only, as another thread of ours may have held a lock (the allocator's) when it forked.
struct Launch {
    std::vector<char*> args;
    std::vector<char*> env;
    pid_t parent = 0;
    int outFd = -1;
    int errFd = -1;
    int reportFd = -1; // the errno of a failed start goes here
};

[[noreturn]] void StartChild(const Launch& launch)
{
    // Its own process group, so that ending it reaches its helpers.
    ::setpgid(0, 0);
    // It ends with this process, however this one ends (SIGKILL or a crash included), so that no box
    // or chooser outlives the program. The signal comes when the thread that forked ends, not the
    // process: children are started by the UI thread (the wait for a box or the chooser), which lasts as
    // long as the process. Should this process have ended before the call, nothing would send it.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != launch.parent)
        ::_exit(127);
    // No handler of ours runs in the child, the write signals are back at their default whatever this
    // process set, and no signal is blocked (the parent blocked them all for the fork).
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction action {};
        const bool writeSignal =
            std::find(std::begin(kWriteSignals), std::end(kWriteSignals), signal) != std::end(kWriteSignals);
        if (::sigaction(signal, nullptr, &action) != 0 || action.sa_handler == SIG_DFL ||
            (action.sa_handler == SIG_IGN && !writeSignal))
            continue;
        action.sa_handler = SIG_DFL;
        action.sa_flags = 0;
        ::sigaction(signal, &action, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    int error = 0;
    const int input = ::open("/dev/null", O_RDONLY);
    if (input < 0 || !Attach(input, STDIN_FILENO) || !Attach(launch.outFd, STDOUT_FILENO) ||
        !Attach(launch.errFd, STDERR_FILENO))
        error = errno;
    // Nothing else of ours reaches the child, whether or not it was opened close-on-exec: a lock or
    // socket it held would outlive us while the child runs. The report stays until the exec.
    int report = launch.reportFd;
    if (error == 0 && report != kReportFd) {
        report = ::dup3(report, kReportFd, O_CLOEXEC) == kReportFd ? kReportFd : -1;
        error = report < 0 ? errno : 0;
    }
    if (error == 0) {
        ::closefrom(kReportFd + 1);
        ::execvpe(launch.args[0], launch.args.data(), launch.env.data());
        error = errno;
    }
    if (report >= 0)
        static_cast<void>(::write(report, &error, sizeof error) == sizeof error); // nobody left to tell otherwise
    ::_exit(127);
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& removedVariables, int outFd,
            int errFd, int& error)
{
    int reportFds[2];
    if (::pipe2(reportFds, O_CLOEXEC) != 0) {
        error = errno;
        return -1;
    }
    Descriptor reportRead(reportFds[0]);
    Descriptor reportWrite(reportFds[1]);
    Launch launch;
    for (const std::string& arg : argv)
        launch.args.push_back(const_cast<char*>(arg.c_str()));
    launch.args.push_back(nullptr);
    launch.env = ChildEnvironment(removedVariables);
    launch.parent = ::getpid();
    launch.outFd = outFd;
    launch.errFd = errFd;
    launch.reportFd = reportWrite.Get();

    // Every signal blocked across the fork, so that no handler of ours runs in the child before it has
    // put the defaults back.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t pid = ::fork();
    if (pid == 0)
        StartChild(launch);
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    reportWrite.Close();
    if (pid < 0) {
        error = forkError;
        return -1;
    }
    // Nothing comes before the exec closes the report; the errno of a failed start otherwise.
    int childError = 0;
    ssize_t n = 0;
    while ((n = ::read(reportRead.Get(), &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    if (n == sizeof childError) {
        Reap(pid);
        error = childError;
        return -1;
    }
    error = 0;
    return pid;
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
            stopped = !options.whileWaiting(pid);
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
