#pragma once
// What the kernel shows of one thread of a process (/proc/<process>/task/<thread>/stat): whether it
// runs, sleeps in a wait or is stopped, and the processor time it has had. It reads into a buffer of its
// own and allocates nothing, so that a watch's thread may call it at any moment.
#include <cstdint>
#include <sys/types.h>

namespace KX::Platform {

struct ThreadState {
    // R running or waiting for its turn, S asleep in a wait, D in the disk's wait, T stopped (SIGSTOP,
    // Ctrl+Z), t stopped by a debugger, Z or X gone.
    char state = '?';
    // User and system time, in clock ticks.
    uint64_t processorTicks = 0;

    bool Stopped() const { return state == 'T' || state == 't'; }
};

// False when the thread cannot be read: gone, or not visible from here.
bool ReadThreadState(pid_t process, pid_t thread, ThreadState& out);

} // namespace KX::Platform
