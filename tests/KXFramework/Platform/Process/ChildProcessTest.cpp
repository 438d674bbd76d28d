#include "KXFramework/Platform/Process/ChildProcess.h"

#include "EnvironmentGuard.h"
#include "Eventually.h"
#include "SignalDispositions.h"
#include "TempFolder.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace KX::Test {

namespace {

using KX::Platform::ChildProcessOptions;
using KX::Platform::ChildProcessResult;
using KX::Platform::RunChildProcess;
using Status = ChildProcessResult::Status;

ChildProcessResult RunShell(const std::string& script, const ChildProcessOptions& options = {},
                            std::vector<std::string> arguments = {})
{
    std::vector<std::string> argv{"/bin/sh", "-c", script, "sh"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunChildProcess(argv, options);
}

TEST(ChildProcess, ArgumentsReachTheChildAsTheyAreWithoutAShell)
{
    const ChildProcessResult result =
        RunShell(R"(for a; do printf '[%s]' "$a"; done)", {}, {"a b", "'q\"", "x\ny", "$HOME;ls", "", "*"});
    ASSERT_EQ(result.status, Status::Exited);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "[a b]['q\"][x\ny][$HOME;ls][][*]");
}

TEST(ChildProcess, ReportsHowTheChildEnded)
{
    ChildProcessResult result = RunShell("echo out; echo err >&2; exit 3");
    EXPECT_EQ(result.status, Status::Exited);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output, "out\n");
    EXPECT_EQ(result.errors, "err\n");

    result = RunShell("kill -TERM $$");
    EXPECT_EQ(result.status, Status::Signalled);
    EXPECT_EQ(result.exitCode, SIGTERM);

    // Standard input is empty, not ours.
    result = RunChildProcess({"cat"});
    EXPECT_EQ(result.status, Status::Exited);
    EXPECT_EQ(result.output, "");

    for (const std::vector<std::string>& argv :
         {std::vector<std::string>{"/nonexistent/program"}, {"kx-no-such-program"}, {""}, {}}) {
        result = RunChildProcess(argv);
        EXPECT_EQ(result.status, Status::StartFailed);
        EXPECT_EQ(result.startError, ENOENT);
    }
}

TEST(ChildProcess, OutputBeyondTheLimitEndsTheChild)
{
    ChildProcessOptions options;
    options.outputLimit = 1024 * 1024;
    for (const char* script : {"head -c 10485760 /dev/zero", "yes garbage"}) {
        const ChildProcessResult result = RunShell(script, options);
        EXPECT_EQ(result.status, Status::OutputTooLarge) << script;
        EXPECT_EQ(result.output.size(), options.outputLimit) << script;
    }
}

TEST(ChildProcess, ErrorsBeyondTheirLimitAreDroppedWhileTheChildRuns)
{
    ChildProcessOptions options;
    options.errorLimit = 1000;
    const ChildProcessResult result = RunShell("head -c 10485760 /dev/zero >&2; echo done", options);
    EXPECT_EQ(result.status, Status::Exited);
    EXPECT_EQ(result.output, "done\n");
    EXPECT_EQ(result.errors.size(), 1000u);
    EXPECT_TRUE(result.errorsTruncated);
}

TEST(ChildProcess, BothStreamsAreReadTogether)
{
    // Each stream alone fills a pipe several times over: reading one after the other would block.
    ChildProcessOptions options;
    options.errorLimit = options.outputLimit;
    const ChildProcessResult result =
        RunShell("i=0; while [ $i -lt 64 ]; do head -c 8192 /dev/zero; head -c 8192 /dev/zero >&2; "
                 "i=$((i+1)); done",
                 options);
    EXPECT_EQ(result.status, Status::Exited);
    EXPECT_EQ(result.output.size(), 64u * 8192u);
    EXPECT_EQ(result.errors.size(), 64u * 8192u);
    EXPECT_FALSE(result.errorsTruncated);
}

TEST(ChildProcess, EndsWhenTheChildEndsEvenIfItsHelperKeepsThePipes)
{
    const ChildProcessResult result = RunShell("sleep 30 & echo $!");
    EXPECT_EQ(result.status, Status::Exited);
    const pid_t helper = std::stoi(result.output);
    EXPECT_EQ(::kill(helper, SIGKILL), 0);
}

// Whether the process whose id the file holds ends (gone, or a zombie awaiting its parent).
// A signal to another process is delivered asynchronously, hence the polling.
bool Ends(const std::string& pidFile)
{
    const std::string pid = TempFolder::ReadFile(pidFile);
    const std::string stat = "/proc/" + pid.substr(0, pid.find('\n')) + "/stat";
    return !pid.empty() && Eventually([&] {
        const std::string state = TempFolder::ReadFile(stat);
        return state.empty() || state.find(") Z") != std::string::npos;
    });
}

TEST(ChildProcess, ATimeoutAStoppingOrAFailingHookEndsTheChildAndItsHelpers)
{
    TempFolder folder;
    const std::string pidFile = folder / "helper";
    const std::string script = "sleep 30 & echo $! > \"$1\"; wait";
    const auto helperStarted = [&] { return !TempFolder::ReadFile(pidFile).empty(); };
    ChildProcessOptions options;
    options.timeoutMs = 50;
    // The hook (due every 30 ms, so before the timeout) holds the wait until the helper runs.
    options.whileWaiting = [&](int) {
        Eventually(helperStarted);
        return true;
    };
    EXPECT_EQ(RunShell(script, options, {pidFile}).status, Status::TimedOut);
    EXPECT_TRUE(Ends(pidFile));

    std::filesystem::remove(pidFile);
    options.timeoutMs.reset();
    // Answering false once the helper runs.
    options.whileWaiting = [&](int) { return !Eventually(helperStarted); };
    EXPECT_EQ(RunShell(script, options, {pidFile}).status, Status::Stopped);
    EXPECT_TRUE(Ends(pidFile));

    std::filesystem::remove(pidFile);
    options.whileWaiting = [&](int) {
        if (Eventually(helperStarted))
            throw std::runtime_error("hook failed");
        return true;
    };
    EXPECT_THROW(RunShell(script, options, {pidFile}), std::runtime_error);
    EXPECT_TRUE(Ends(pidFile));
}

// However the waiting program ends, its child ends with it: a box or a chooser left running would stay
// on the screen with nobody to answer it.
TEST(ChildProcess, TheChildEndsWithTheProgramKilledWhileItWaits)
{
    TempFolder folder;
    const std::string pidFile = folder / "child";
    char* argv[] = {const_cast<char*>(KX_CHILD_PROCESS_HELPER), const_cast<char*>(pidFile.c_str()), nullptr};
    pid_t program = 0;
    ASSERT_EQ(::posix_spawn(&program, KX_CHILD_PROCESS_HELPER, nullptr, nullptr, argv, environ), 0);
    ASSERT_TRUE(Eventually([&] {
        const std::string pid = TempFolder::ReadFile(pidFile);
        return !pid.empty() && pid.back() == '\n';
    })) << "the child did not start";
    ASSERT_EQ(::kill(program, SIGKILL), 0);
    ASSERT_EQ(::waitpid(program, nullptr, 0), program);
    const bool ended = Ends(pidFile);
    if (!ended)
        ::kill(std::stoi(TempFolder::ReadFile(pidFile)), SIGKILL);
    EXPECT_TRUE(ended) << "the child outlived the program";
}

TEST(ChildProcess, TheWaitHookRunsWhileTheChildRuns)
{
    // The child waits until the hook has run: no timing involved.
    TempFolder folder;
    const std::string flag = folder / "flag";
    ChildProcessOptions options;
    int calls = 0;
    options.whileWaiting = [&](int) {
        ++calls;
        TempFolder::WriteFile(flag, "x");
        return true;
    };
    const ChildProcessResult result = RunShell("while [ ! -e \"$1\" ]; do sleep 0.01; done", options, {flag});
    EXPECT_EQ(result.status, Status::Exited);
    EXPECT_GE(calls, 1);
}

TEST(ChildProcess, OnlyTheStandardStreamsReachTheChild)
{
    const int inherited = ::open("/dev/null", O_RDONLY); // not close-on-exec
    ASSERT_GE(inherited, 3);
    const ChildProcessResult result = RunShell("ls /proc/$$/fd");
    ::close(inherited);
    EXPECT_EQ(result.output, "0\n1\n2\n");
}

// The program ignores them so that a failed write fails and ends nothing; a program it starts expects
// them at their default.
TEST(ChildProcess, TheChildStartsWithTheWriteSignalsTheProgramIgnoresAtTheirDefault)
{
    const WriteSignalsIgnored ignored;
    ASSERT_EQ(IgnoredWriteSignals(TempFolder::ReadFile("/proc/self/status")), "PIPE XFSZ");
    EXPECT_EQ(IgnoredWriteSignals(RunShell("cat /proc/$$/status").output), "");
}

TEST(ChildProcess, RemovedVariablesDoNotReachTheChild)
{
    EnvironmentGuard env;
    env.Set("KX_TEST_HIDDEN", "1");
    env.Set("KX_TEST_SEEN", "2");
    ChildProcessOptions options;
    options.removedVariables = {"KX_TEST_HIDDEN"};
    const ChildProcessResult result = RunShell(R"(echo "${KX_TEST_HIDDEN-unset} ${KX_TEST_SEEN-unset}")", options);
    EXPECT_EQ(result.output, "unset 2\n");
}

} // namespace

} // namespace KX::Test
