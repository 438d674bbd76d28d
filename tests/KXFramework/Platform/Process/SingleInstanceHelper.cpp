// The other process of the single-instance tests.
// Usage: helper <name> listen|hold|drop|mute|busy|fitful|spin
// Prints its role, then for "listen" "listening" once it listens and "got:<text>" for every command
// line handed over. "hold" listens only once a byte comes on its standard input. "drop" listens, and
// once a byte comes and a connection waits, stops listening and prints "dropped", keeping the lock: a
// first instance whose end has begun. "mute" listens and serves only once a byte comes, as a first held
// in a call. "busy" listens and, once a connection waits, works for two and a half seconds before it
// serves, as a first busy with its start. "fitful" does so for two seconds, asleep but for a moment of
// work every quarter of a second, as a first held to a sliver of a busy machine. "spin" listens, and
// once a connection waits, works on and drops every connection unanswered, as an end that takes long.
// It ends when its standard input closes.
#include "KXFramework/Platform/Process/SingleInstance.h"

#include <chrono>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
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
        instance->StopListening();
        Say("dropped");
        while (::read(0, &c, 1) > 0) {
        }
        ::_exit(0);
    }
    const bool mute = std::strcmp(argv[2], "mute") == 0;
    const bool busy = std::strcmp(argv[2], "busy") == 0;
    const bool fitful = std::strcmp(argv[2], "fitful") == 0;
    const bool spin = std::strcmp(argv[2], "spin") == 0;
    if (role == SingleInstance::Role::First && (std::strcmp(argv[2], "listen") == 0 || mute || busy || fitful || spin))
        listen();
    if (mute) {
        char c;
        if (::read(0, &c, 1) <= 0)
            return 0;
    }
    const auto work = [](std::chrono::milliseconds time) {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
        }
    };
    if (busy || fitful || spin) {
        pollfd waiting{instance->GetListenDescriptor(), POLLIN, 0};
        if (::poll(&waiting, 1, -1) != 1)
            ::_exit(1);
    }
    if (busy)
        work(std::chrono::milliseconds(2500));
    for (int moment = 0; fitful && moment < 8; ++moment) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        work(std::chrono::milliseconds(10));
    }
    for (pollfd input{0, POLLIN, 0}; spin && ::poll(&input, 1, 0) == 0;) {
        const int connection = ::accept4(instance->GetListenDescriptor(), nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0)
            ::close(connection);
        work(std::chrono::milliseconds(10));
    }
    if (spin)
        return 0;
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
