#pragma once
// Where the debug log's lines go: standard error, or one UDP datagram per line when a target is
// set. Text is UTF-8. Safe to call from any thread. A line standard error does not take at once (a full
// pipe, a terminal paused with Ctrl+S) waits for its reader up to about 50 ms, which a reader that
// takes data (cat, tee, a terminal that scrolls) meets; once such a wait has run out, lines do not wait
// until one goes again. A line not taken is dropped, and the next line that goes comes after one that
// counts the lost ones. The UDP target's socket takes a datagram at once or not at all.
#include <cstdint>
#include <string>
#include <string_view>

namespace KX::Platform::DebugLog {

// One line (a trailing line break is dropped): to standard error prefixed with the local time
// "hh:mm:ss.mmm ", or as one datagram to the UDP target. A datagram that cannot be sent goes to
// standard error instead.
void WriteLine(std::string_view line);
// A line the user must see without a debug console (no message box could be shown): to standard
// error as WriteLine writes it whatever the target, and to the UDP target too when one is set.
void WriteConsoleLine(std::string_view line);

// As WriteConsoleLine, from another thread while the process ends for want of an answer to the UI
// thread, which may be held inside the log: the line goes out without waiting for the log's lock, and
// at once when another holds it.
void WriteLastLine(std::string_view line);

// At the orderly end: the count of lines lost that no line has carried yet goes out on standard error
// by itself, as a line goes.
void WriteLostLineCount();

// How long a line may wait for standard error to take it, 50 ms unless set; the former wait. A test
// whose reader must not race the machine's load gives a generous one.
uint32_t SetLineWaitMs(uint32_t ms);

// Sends the lines to host:port from now on (an empty host means 127.0.0.1). The first datagram is
// "*** APPLICATION Launched on <local address>***". A port below 1 or a target that cannot be set
// up leaves the log on standard error; false then.
bool SetUdpTarget(std::string_view host, int port);
// Drops a UDP target: the lines go to standard error again.
void UseStandardError();

// The "-DEBUG_CONSOLE" option of a command line, matched in any letter case: absent (None), bare
// (OpenConsole), or "-DEBUG_CONSOLE:<port>:<host>" (SetTarget; the host comes upper-cased and may
// be empty). A first field shorter than two characters is ignored (None).
struct DebugConsoleOption {
    enum class Action { None, OpenConsole, SetTarget };
    Action action = Action::None;
    int port = 0;
    std::string host;
};
DebugConsoleOption ParseDebugConsoleOption(std::string_view commandLine);

} // namespace KX::Platform::DebugLog
