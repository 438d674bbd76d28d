#include "KXFramework/Platform/Process/ThreadState.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace KX::Platform {

namespace {

// The file's text, 0-terminated, into `text`; its length, or -1.
ssize_t ReadSmallFile(const char* path, char* text, size_t size)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const ssize_t n = ::read(fd, text, size - 1);
    ::close(fd);
    text[n > 0 ? n : 0] = '\0';
    return n;
}

} // namespace

bool ReadThreadState(pid_t process, pid_t thread, ThreadState& out)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/task/%d/stat", int(process), int(thread));
    char text[1024];
    if (ReadSmallFile(path, text, sizeof text) <= 0)
        return false;
    // "tid (name) S ppid ...": the name may hold blanks and parentheses, so the fields count from its end.
    // The state is the 3rd field; utime and stime are the 14th and 15th.
    const char* at = std::strrchr(text, ')');
    if (at == nullptr || at[1] != ' ' || at[2] == '\0')
        return false;
    out.state = at[2];
    at += 3; // the blank before the 4th field
    for (int field = 4; field < 14; ++field) {
        at = std::strchr(at + 1, ' ');
        if (at == nullptr)
            return false;
    }
    char* end = nullptr;
    const unsigned long long user = std::strtoull(at, &end, 10);
    if (end == at || *end != ' ')
        return false;
    const unsigned long long system = std::strtoull(end, &end, 10);
    out.processorNs = (user + system) * (1000000000ull / static_cast<unsigned long long>(::sysconf(_SC_CLK_TCK)));
    // A tick is 10 ms: a thread held to a sliver of a processor adds one seldom. Its time on the processor
    // in ns, first of the three fields, says more.
    std::snprintf(path, sizeof path, "/proc/%d/task/%d/schedstat", int(process), int(thread));
    if (ReadSmallFile(path, text, sizeof text) > 0) {
        const unsigned long long ns = std::strtoull(text, &end, 10);
        if (end != text && *end == ' ')
            out.processorNs = ns;
    }
    return true;
}

} // namespace KX::Platform
