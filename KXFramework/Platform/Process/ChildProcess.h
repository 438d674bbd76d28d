#pragma once
// Runs another program to its end and collects what it prints: an argument vector (no shell),
// standard input from /dev/null, standard output and standard error read while it runs so that
// neither side can block on a full pipe, and memory bounded however much it prints.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace KX::Platform {

struct ChildProcessOptions {
    // Standard output beyond this ends the child: the result is OutputTooLarge.
    size_t outputLimit = 1024 * 1024;
    // Standard error beyond this is read and dropped, so a chatty child keeps running.
    size_t errorLimit = 64 * 1024;
    // Ends the child when it runs longer; none waits for as long as it runs.
    std::optional<uint32_t> timeoutMs;
    // Called with the child's process id about every waitStepMs while it runs (the caller's window
    // repaints meanwhile); answering false ends the child: the result is Stopped, whatever it printed.
    std::function<bool(int child)> whileWaiting;
    uint32_t waitStepMs = 30;
    // Environment variables the child must not see.
    std::vector<std::string> removedVariables;
};

struct ChildProcessResult {
    enum class Status {
        Exited,         // exitCode holds the exit status
        Signalled,      // ended by the signal in exitCode
        StartFailed,    // could not be started; startError holds the errno value
        OutputTooLarge, // printed more than outputLimit and was ended
        TimedOut,       // ran past timeoutMs and was ended
        Stopped,        // ended because whileWaiting answered false
    };
    Status status = Status::StartFailed;
    int exitCode = 0; // -1 when the status was lost (the child was reaped elsewhere)
    int startError = 0;
    std::string output;
    std::string errors;
    bool errorsTruncated = false;
};

// Starts argv[0] (searched in PATH unless it holds a '/') with the arguments argv[1...] and waits
// for it. The child runs in its own process group, so ending it ends whatever it started too; it
// is reaped by its process id only. It ends with this process, also when this one is killed or
// crashes; as the kernel ties that to the calling thread, call it from a thread that lasts as long
// as the process (the UI thread).
ChildProcessResult RunChildProcess(const std::vector<std::string>& argv, const ChildProcessOptions& options = {});

} // namespace KX::Platform
