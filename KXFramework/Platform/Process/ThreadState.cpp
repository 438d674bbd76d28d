#include "KXFramework/Platform/Process/ThreadState.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace KX::Platform {

bool ReadThreadState(pid_t process, pid_t thread, ThreadState& out)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/task/%d/stat", int(process), int(thread));
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char text[1024];
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0)
        return false;
    text[n] = '\0';
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
    out.processorTicks = user + system;
    return true;
}

} // namespace KX::Platform
