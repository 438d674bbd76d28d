#pragma once
// A part of a test run as a user whom file modes bind. Root may write any file, which would hide
// what a user meets; run as root, the part runs as nobody (65534) without root's capabilities,
// otherwise as the user the tests run as. It runs in a child process, which shares the test's
// standard error (a captured debug log takes the child's lines too).
#include <cerrno>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace KX::Test {

inline constexpr uid_t kNobody = 65534;

// Makes a file or folder the plain user's own (when root runs the tests): a folder of TempFolder
// given so lets that user make files in it.
inline bool GiveToPlainUser(const std::string& path)
{
    return ::geteuid() != 0 || ::chown(path.c_str(), kNobody, kNobody) == 0;
}

// The part's result (0 to 254) as the child's exit status; 255 when the child could not become the
// plain user or did not end by itself.
inline int RunAsPlainUser(const std::function<int()>& part)
{
    const pid_t child = ::fork();
    if (child < 0)
        return 255;
    if (child == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                                 ::setresuid(kNobody, kNobody, kNobody) != 0))
            ::_exit(255);
        ::_exit(part() & 0xFF);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return 255;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

} // namespace KX::Test
