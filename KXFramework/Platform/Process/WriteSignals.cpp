#include "KXFramework/Platform/Process/WriteSignals.h"

namespace KX::Platform {

void IgnoreWriteSignals()
{
    for (const int signal : kWriteSignals) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
            !(current.sa_flags & SA_SIGINFO))
            std::signal(signal, SIG_IGN);
    }
}

} // namespace KX::Platform
