// One window of the window skin on SDL's dummy driver (or the one named): the time from one pushed pointer move that
// changes one control's look to the presented frame, beside a full repaint of the same window
// (goal: at most 5 % of it); and the CPU time the open window uses over 10 s (or
// KX_BENCH_IDLE_SECONDS) with nothing happening (goal: at most 1 % of one core).
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/OSWindow.h"
#include "KXFramework/Platform/Window/EventPump.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/VideoSystem.h"

#include "DocumentResources.h"
#include "IdleSeconds.h"
#include "UiDoubles.h"
#include "WindowSkin.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>

namespace KX::Test {
namespace {

class WindowBench {
public:
    WindowBench()
    {
        // The dummy driver has no way to wait for events and polls; KX_BENCH_VIDEODRIVER=x11 under
        // Xvfb measures the desktop's own wait.
        const char* driver = std::getenv("KX_BENCH_VIDEODRIVER");
        setenv("SDL_VIDEODRIVER", driver ? driver : "dummy", 1);
        Platform::VideoSystem::Start();
        m_documents.Set(u"APP_SKINS", kWindowSkin);
        m_services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        static_cast<void>(m_services.factory->LoadSkin(u"::APP_SKINS")); // the built-in skin always loads
        static_cast<void>(m_services.registry->RegisterControlCreateFunction(
            u"Test.WindowProbe", &CreateControlOf<WindowProbe>)); // a name registered twice keeps its function
        Platform::WindowParams params;
        params.width = 800;
        params.height = 600;
        window = OSWindow::Create(params, LRenderer::kGdi);
        static_cast<void>(
            window->GetRootWindow()->SetContentByName(u"mainControl")); // the skin is built in and names it
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        Push(Focus());
        OSWindow::RunOnce(0);
    }
    ~WindowBench()
    {
        window->EndModal(0);
        OSWindow::RunOnce(0);
        Platform::VideoSystem::Stop();
    }

    SDL_Event Focus() const
    {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = window->GetWindowHandle()->Id();
        event.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
        return event;
    }
    SDL_Event Motion(int x, int y) const
    {
        SDL_Event event{};
        event.type = SDL_MOUSEMOTION;
        event.motion.windowID = window->GetWindowHandle()->Id();
        event.motion.x = x;
        event.motion.y = y;
        return event;
    }
    static void Push(SDL_Event event) { SDL_PushEvent(&event); }

    OSWindow* window = nullptr;

private:
    DocumentResources m_documents;
    FakeFrameworkServices m_services;
};

// Each iteration moves onto the small control or off it: one look change, one dirty rectangle.
void BM_PointerMoveToPresentedFrame(benchmark::State& state)
{
    WindowBench bench;
    bool on = false;
    for (auto _ : state) {
        on = !on;
        WindowBench::Push(bench.Motion(on ? 30 : 400, on ? 30 : 300));
        OSWindow::RunOnce(0);
    }
}
BENCHMARK(BM_PointerMoveToPresentedFrame)->Unit(benchmark::kMicrosecond);

void BM_FullRepaint(benchmark::State& state)
{
    WindowBench bench;
    for (auto _ : state)
        bench.window->Redraw();
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMicrosecond);

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The share of one core the loop uses while the window sits idle for 10 s (ticks included).
void BM_IdleWindowCpu(benchmark::State& state)
{
    WindowBench bench;
    const double seconds = Bench::IdleSeconds(10);
    for (auto _ : state) {
        const double cpuStart = CpuSeconds();
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end)
            OSWindow::RunOnce(Platform::EventPump::kTickMs);
        state.counters["cpu_percent"] = (CpuSeconds() - cpuStart) / seconds * 100.0;
    }
}
BENCHMARK(BM_IdleWindowCpu)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
} // namespace KX::Test

BENCHMARK_MAIN();
