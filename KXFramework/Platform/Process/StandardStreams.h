#pragma once
// Standard input, output and error where a launcher or service started the program with them closed:
// the next file, socket or display the program opened would take their numbers, and whatever writes to
// standard error (the debug log, Xlib, SDL) would write into it. The X connection taken for standard
// error would get the log's lines as requests; a lock file, its text.
namespace KX::Platform {

// First in the main routine, before anything opens a descriptor: each of 0, 1 and 2 that is closed is
// opened on /dev/null.
void OpenClosedStandardStreams();

} // namespace KX::Platform
