#include "KXFramework/Platform/Process/StandardStreams.h"

#include <cerrno>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace KX::Platform {

void OpenClosedStandardStreams()
{
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(stream, F_GETFD) >= 0 || errno != EBADF)
            continue;
        // The lowest free number: this one, as those below it are open by now.
        const int fd = ::open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (fd >= 0 && fd != stream) {
            ::dup2(fd, stream);
            ::close(fd);
        }
    }
}

} // namespace KX::Platform
