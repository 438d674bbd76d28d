#pragma once
// The signals by which a failed write would end the process: SIGPIPE, for a pipe or socket whose
// reader has gone (the connection of an X server that has gone), and SIGXFSZ, for a write past the
// process's file-size limit (ulimit -f), which would end the editor with the preset in it. Ignored,
// the write fails with EPIPE or EFBIG instead, and its caller reports it as any failed write.
#include <csignal>

namespace KX::Platform {

inline constexpr int kWriteSignals[] = {SIGPIPE, SIGXFSZ};

// Once, at the start of the process: each of them still at its default is ignored from then on. A
// child process starts with them back at their default (ChildProcess, ShellOpen): programs expect them.
void IgnoreWriteSignals();

} // namespace KX::Platform
