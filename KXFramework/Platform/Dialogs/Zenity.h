#pragma once
// zenity, the desktop's dialog program, run as a child process for message boxes and file
// choosers, so that no second toolkit runs inside this process. Where zenity cannot show a box, the
// framework's own box program, which takes zenity's message-box arguments, runs the same way.
#include "KXFramework/Platform/Process/ChildProcess.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace KX::Platform::Zenity {

struct Outcome {
    std::string program; // the program that was run
    ChildProcessResult process;
    // Its standard error without the toolkit's diagnostics: empty when it reported no failure.
    std::string message;
};

// "zenity", or the program that KX_ZENITY names (tests use a script in its place).
std::string ProgramName();
// The framework's box program: the one KX_MESSAGE_BOX names, else kx-message-box beside the running
// program; empty when the running program's own path cannot be read (no /proc).
std::string MessageBoxProgramName();

// How the dialog's windows become the owner's. zenity's boxes, and the box program, take --attach for
// the one window they show; zenity's file chooser ignores it, so its windows are made the owner's as
// they show.
enum class Attach { Argument, ArgumentAndWindows };

// Runs the program with the arguments; whileWaiting is called about every 30 ms until it ends, and
// answering false ends it (Stopped). Standard output is limited to 1 MiB. The dialog is kept above
// its owner (SDL's window id, 0 for none) where the window system lets us do so (X11).
Outcome Run(const std::string& program, std::vector<std::string> arguments, uint32_t ownerWindow, Attach attach,
            const std::function<bool()>& whileWaiting);

// The lines of standard error that report a failure. GTK and GLib print warnings such as
// "(zenity:12): dconf-WARNING **: ..." on ordinary runs, cancelled ones included; they are left
// out, except the one for a display that cannot be opened.
std::string FailureMessage(std::string_view errors);

// How a run ended, naming the program, for the debug log: "zenity could not be started: No such file
// or directory", "zenity ended by signal 25 (File size limit exceeded)", ….
std::string Describe(const Outcome& outcome);

} // namespace KX::Platform::Zenity
