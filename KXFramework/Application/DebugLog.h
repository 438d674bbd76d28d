#pragma once
// The debug log: one line per entry, to standard error (with the time of day) or, once a target is
// set, as one UDP datagram per line. Safe to call from any thread.
#include "KXFramework/Utilities/Storage/Formatter.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <string>

namespace KX {

void DebugLogLine(const String& text);

namespace Detail {
void WriteDebugLogLine(const std::string& utf8);
}

// printf-style (the framework formatter's conversions), UTF-8; "%s" takes a UTF-8 const char*.
template <class... Args>
void DebugLog(const char* format, const Args&... args)
{
    Detail::WriteDebugLogLine(FormatText(format, args...));
}

// The "-DEBUG_CONSOLE" switch: there is no console window to open, so the log is sent to standard
// error, where the program's terminal shows it (this also ends a UDP target).
void OpenDebugConsole();

// "-DEBUG_CONSOLE:<port>:<host>": with a port of at least 1 the lines go to host:port over UDP
// (host null or empty: 127.0.0.1), the first of them "*** APPLICATION Launched on <local
// address>***". A target that cannot be reached leaves the log on standard error.
void SetDebugLogTarget(const char16_t* host, int port);

} // namespace KX
