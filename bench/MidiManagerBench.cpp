// A preset fetch and a preset send against the simulated keyboard on the virtual MIDI system, with
// the protocol's own timings. Beside each, the time the protocol itself prescribes (the pause after
// every piece sent, with a device that answers at once), so that any overhead of ours shows.
#include "Panel/Engine/PresetEditorCommon/MidiManager.h"

#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "KXFramework/Midi/MidiTimings.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "SimulatedKivo61.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

using namespace KX;

// Pieces of 256 bytes in a framed message.
constexpr double Pieces(double bytes)
{
    return static_cast<double>((static_cast<int>(bytes) + 255) / 256);
}

class Setup {
public:
    explicit Setup(bool polling)
    {
        MidiTimingsSlot().Set({});
        Platform::Midi::BackendSlot().Set(m_midi);
        m_engine = LRootModuleEngine::Create();
        static_cast<void>(m_engine->Initialize(0));
        LRootModuleEngine::SetRootModuleEngine(m_engine);
        LMidiManager::Create(m_manager);
        if (polling)
            static_cast<void>(m_manager->StartDeviceStatusPolling());
    }
    ~Setup()
    {
        m_manager = nullptr;
        LRootModuleEngine::SetRootModuleEngine(nullptr);
        m_engine = nullptr;
        Deliver();
        Platform::Midi::BackendSlot().Set(nullptr);
    }
    static void Deliver()
    {
        const RCPtr<LNotificationCenter> centre = GetDefaultNotificationCenter();
        while (centre->ProcessNotifications(false)) {
        }
    }
    LMidiManager& Manager() { return *m_manager; }

private:
    std::shared_ptr<Test::VirtualMidiSystem> m_midi = std::make_shared<Test::VirtualMidiSystem>();
    Test::SimulatedKivo61 m_kivo{*m_midi};
    RCPtr<LRootModuleEngine> m_engine;
    RCPtr<LMidiManager> m_manager;
};

// The firmware check: the mode message and the identity request, one piece each.
double FirmwareCheckMs()
{
    return 2 * GetMidiTimings().pieceGapMs;
}

void Report(benchmark::State& state, double totalMs, double prescribedMs)
{
    const double measured = totalMs / static_cast<double>(state.iterations());
    state.counters["measured_ms"] = measured;
    state.counters["prescribed_ms"] = prescribedMs;
    state.counters["overhead_ms"] = measured - prescribedMs;
}

void BM_PresetFetch(benchmark::State& state)
{
    Setup setup(state.range(0) != 0);
    // Firmware check, then the mode message and the dump request.
    const double prescribed = FirmwareCheckMs() + 2 * GetMidiTimings().pieceGapMs;
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (setup.Manager().GetPresetFromMidiDevice(3) != S_OK)
            state.SkipWithError("the fetch failed");
        total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        Setup::Deliver();
        state.ResumeTiming();
    }
    Report(state, total, prescribed);
}

void BM_PresetSend(benchmark::State& state)
{
    Setup setup(state.range(0) != 0);
    // Firmware check, then the mode message and the 1350-byte dump in pieces.
    const double prescribed = FirmwareCheckMs() + (1 + Pieces(1350)) * GetMidiTimings().pieceGapMs;
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (setup.Manager().SendPresetToDevice(3) < 0)
            state.SkipWithError("the send failed");
        total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    Report(state, total, prescribed);
}

// Argument: presence polling off (0) or on (1).
BENCHMARK(BM_PresetFetch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_PresetSend)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

} // namespace

BENCHMARK_MAIN();
