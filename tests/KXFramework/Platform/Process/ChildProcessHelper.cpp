// A program waiting for a child of its own, for the tests that end it from outside. Usage: helper <file>
// The child writes its process id and a line feed into the file, then runs until it is ended.
#include "KXFramework/Platform/Process/ChildProcess.h"

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const auto result =
        KX::Platform::RunChildProcess({"/bin/sh", "-c", "echo $$ > \"$1\"; exec sleep 600", "sh", argv[1]});
    return result.status == KX::Platform::ChildProcessResult::Status::Exited ? result.exitCode : 1;
}
