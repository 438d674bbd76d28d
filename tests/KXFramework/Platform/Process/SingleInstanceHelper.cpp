// The other process of the single-instance tests. Usage: helper <name> listen|hold|drop
// Prints its role, then for "listen" "listening" once it listens and "got:<text>" for every command
// line handed over. "hold" listens only once a byte comes on its standard input. "drop" listens, and
// once a byte comes and a connection waits, closes its socket without serving and prints "dropped",
// keeping the lock: a first instance on its way out. It ends when its standard input closes.
#include "KXFramework/Platform/Process/SingleInstance.h"

#include <cstring>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

void Say(const std::string& line)
{
    const std::string text = line + "\n";
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(1, text.data() + done, text.size() - done);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

} // namespace

int main(int argc, char** argv)
{
    using KX::Platform::SingleInstance;
    if (argc != 3)
        return 2;
    auto instance = SingleInstance::Acquire(argv[1]);
    const SingleInstance::Role role = instance->GetRole();
    Say(role == SingleInstance::Role::First ? "First" : role == SingleInstance::Role::Second ? "Second" : "Unguarded");
    const auto listen = [&] { Say(instance->Listen() ? "listening" : "not listening"); };
    if (role == SingleInstance::Role::First && std::strcmp(argv[2], "drop") == 0) {
        listen();
        char c;
        pollfd waiting{instance->GetListenDescriptor(), POLLIN, 0};
        if (::read(0, &c, 1) <= 0 || ::poll(&waiting, 1, -1) != 1)
            ::_exit(1);
        // Behind the instance's back, which is never used again.
        ::close(instance->GetListenDescriptor());
        Say("dropped");
        while (::read(0, &c, 1) > 0) {
        }
        ::_exit(0);
    }
    if (role == SingleInstance::Role::First && std::strcmp(argv[2], "listen") == 0)
        listen();
    bool pending = false;
    for (;;) {
        pollfd fds[2] = {{0, POLLIN, 0}, {instance->GetListenDescriptor(), POLLIN, 0}};
        // Connections kept for the rest of their records are read again soon, as a loop's turn does.
        if (::poll(fds, fds[1].fd >= 0 ? 2 : 1, pending ? 10 : -1) < 0)
            continue;
        if (fds[0].revents != 0) {
            char c;
            if (::read(0, &c, 1) <= 0)
                return 0;
            if (role == SingleInstance::Role::First && instance->GetListenDescriptor() < 0)
                listen();
        }
        if (fds[1].revents != 0 || pending)
            pending = instance->ServePending([](const std::string& text) {
                Say(text.size() <= 1024
                        ? "got:" + text
                        : "got " + std::to_string(text.size()) + " bytes ending " + text.substr(text.size() - 8));
            });
    }
}
