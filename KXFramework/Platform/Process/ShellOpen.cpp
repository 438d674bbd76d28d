#include "KXFramework/Platform/Process/ShellOpen.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"
#include "KXFramework/Platform/Process/WriteSignals.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace KX::Platform {

namespace {

constexpr auto kWaitLimit = std::chrono::seconds(3);
constexpr auto kWaitStep = std::chrono::milliseconds(20);

// Openers still running when their call gave up waiting, reaped by their process id only.
std::mutex g_pendingLock;
std::vector<pid_t> g_pending;

void ReapPending()
{
    std::lock_guard lock(g_pendingLock);
    std::erase_if(g_pending, [](pid_t pid) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        return r == pid || (r < 0 && errno == ECHILD);
    });
}

} // namespace

std::shared_ptr<ShellOpen> ShellOpen::Get()
{
    return Slot().GetOrMake([] { return std::shared_ptr<ShellOpen>(std::make_shared<XdgShellOpen>()); });
}

ServiceSlot<std::shared_ptr<ShellOpen>>& ShellOpen::Slot()
{
    static auto* slot = new ServiceSlot<std::shared_ptr<ShellOpen>>;
    return *slot;
}

bool XdgShellOpen::Open(const std::string& path)
{
    ReapPending();
    // The caller's box names no cause: the log does.
    const auto fail = [&](const std::string& cause) {
        DebugLog::WriteLine("Shell open: cannot open " + path + ": " + cause);
        return false;
    };
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return fail(std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        return fail("not a regular file");
    posix_spawn_file_actions_t actions;
    if (const int error = posix_spawn_file_actions_init(&actions); error != 0)
        return fail(std::strerror(error));
    for (int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    // The opener and what it starts get the write signals at their default and no signal blocked, as
    // programs expect, whatever this process was started with.
    posix_spawnattr_t attributes;
    if (const int error = posix_spawnattr_init(&attributes); error != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return fail(std::strerror(error));
    }
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : kWriteSignals)
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    std::string program = "xdg-open";
    std::string argument = path;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = -1;
    const int started = posix_spawnp(&pid, "xdg-open", &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return fail(std::string("cannot start xdg-open: ") + std::strerror(started));
    const auto end = std::chrono::steady_clock::now() + kWaitLimit;
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
                return true;
            return fail(WIFEXITED(status) ? "xdg-open ended with status " + std::to_string(WEXITSTATUS(status))
                                          : "xdg-open ended by signal " + std::to_string(WTERMSIG(status)));
        }
        if (r < 0)
            return fail(std::string("cannot wait for xdg-open: ") + std::strerror(errno));
        std::this_thread::sleep_for(kWaitStep);
    }
    std::lock_guard lock(g_pendingLock);
    g_pending.push_back(pid);
    return true;
}

} // namespace KX::Platform
