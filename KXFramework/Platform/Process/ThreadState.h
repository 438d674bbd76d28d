#pragma once
// What the kernel shows of one thread of a process (/proc/<process>/task/<thread>/): whether it runs,
// sleeps in a wait or is stopped, and the processor time it has had. It reads into buffers of its own
// and allocates nothing, so that a watch's thread may call it at any moment.
#include <cstdint>
#include <sys/types.h>

namespace KX::Platform {

struct ThreadState {
    // R running or waiting for its turn, S asleep in a wait, D in the disk's wait, T stopped (SIGSTOP,
    // Ctrl+Z), t stopped by a debugger, Z or X gone.
    char state = '?';
    // User and system time in ns: to the ns where the kernel keeps it (schedstat), else in clock ticks.
    uint64_t processorNs = 0;

    // Asleep in a wait (for a reply, a lock, a child): neither working, nor waiting for its turn on a
    // busy machine, nor for the disk, each of which is progress of a kind.
    bool Asleep() const { return state == 'S'; }
    bool Stopped() const { return state == 'T' || state == 't'; }
};

// False when the thread cannot be read: gone, or not visible from here.
bool ReadThreadState(pid_t process, pid_t thread, ThreadState& out);

} // namespace KX::Platform
