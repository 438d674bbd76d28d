// One debug log line to standard error: a pipe that a thread drains (`2>&1 | cat`), a regular file
// (`2>file`) and /dev/null. Goal: each within 10 % of what a line cost when the log wrote descriptor 2
// directly, waiting as long as the reader took.
#include "KXFramework/Platform/DebugLog/LogOutput.h"

#include "StandardErrorOn.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <poll.h>
#include <thread>

namespace KX::Test {
namespace {

constexpr const char* kLine = "Single instance: a hand-over record was refused";

void ToADrainedPipe(benchmark::State& state)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        state.SkipWithError("no pipe");
        return;
    }
    // Stopped by a flag, not by the pipe's end: the log may keep a description of the pipe open.
    std::atomic<bool> done{false};
    std::thread drain([&done, reader = ends[0]] {
        char buffer[65536];
        while (!done) {
            pollfd entry{reader, POLLIN, 0};
            if (::poll(&entry, 1, 10) == 1)
                static_cast<void>(::read(reader, buffer, sizeof buffer));
        }
    });
    {
        const StandardErrorOn on(ends[1]);
        for (auto _ : state)
            Platform::DebugLog::WriteLine(kLine);
    }
    done = true;
    drain.join();
    ::close(ends[0]);
    ::close(ends[1]);
    state.SetItemsProcessed(state.iterations());
}

void ToARegularFile(benchmark::State& state)
{
    std::FILE* file = std::tmpfile();
    if (file == nullptr) {
        state.SkipWithError("no temporary file");
        return;
    }
    {
        const StandardErrorOn on(::fileno(file));
        unsigned lines = 0;
        for (auto _ : state) {
            Platform::DebugLog::WriteLine(kLine);
            // Kept small: the page cache, not the disk, is what a line meets.
            if ((++lines & 0xFFFF) == 0) {
                state.PauseTiming();
                static_cast<void>(::ftruncate(::fileno(file), 0));
                ::lseek(::fileno(file), 0, SEEK_SET);
                state.ResumeTiming();
            }
        }
    }
    std::fclose(file);
    state.SetItemsProcessed(state.iterations());
}

void ToDevNull(benchmark::State& state)
{
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    {
        const StandardErrorOn on(null);
        for (auto _ : state)
            Platform::DebugLog::WriteLine(kLine);
    }
    ::close(null);
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(ToADrainedPipe)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(ToARegularFile)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(ToDevNull)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
} // namespace KX::Test

BENCHMARK_MAIN();
