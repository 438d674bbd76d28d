#pragma once
// Joins the threads whose owner cannot: a threader or pool whose last reference goes inside its own
// job ends on that very thread. A thread handed over here finishes alone and is joined by the
// reaper's thread, which the process joins among its exit-time destructors, so no such thread still
// runs (and destroys what its job held) while the process tears down what it uses.
#include <thread>

namespace KX {

class ThreadReaper {
public:
    // Takes a running thread that is not the caller's and returns at once; an empty one is ignored.
    static void Take(std::thread thread);
};

} // namespace KX
