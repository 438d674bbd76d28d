// The editor's main routine with a simulated Kivo 61 on the virtual MIDI system in place of the
// computer's MIDI ports, for tests that drive the program from outside. At the real protocol timings.
//
// KIVO_E2E_STATE names a folder where the keyboard's state is mirrored whenever it changes:
// "slot-NN" (the 1338 bytes of slot NN), "globals" (17 lines), "plugged" ("1" or "0"), and last
// "generation", a count that grows with every change. SIGUSR1 unplugs the keyboard, SIGUSR2 plugs it
// back in; "plugged" follows.
//
// KIVO_E2E_HOLD_END=<seconds> holds the orderly end that long, the UI thread working, once the
// application has shut down and while video still runs: "ending" in the folder says the hold has begun,
// "held" that it is through.
#include "KXFramework/Application/MFCFrameworkApp.h"
#include "KXFramework/Platform/Midi/MidiBackend.h"
#include "KXFramework/Platform/Resources/Resources.h"
#include "Panel/Application.h"

#include "SimulatedKivo61.h"
#include "VirtualMidiSystem.h"

#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

class HeldEndApp : public KX::MFCFrameworkApp<LApplication> {
public:
    int ExitInstance() override
    {
        const char* seconds = std::getenv("KIVO_E2E_HOLD_END");
        const char* folder = std::getenv("KIVO_E2E_STATE");
        if (seconds != nullptr && folder != nullptr) {
            std::ofstream(std::string(folder) + "/ending") << "1\n";
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(seconds));
            while (std::chrono::steady_clock::now() < end) {
            }
            std::ofstream(std::string(folder) + "/held") << "1\n";
        }
        return MFCFrameworkApp::ExitInstance();
    }
};

HeldEndApp g_theApp;

// Written by the signal handlers, read by the mirror thread.
int g_commandPipe[2] = {-1, -1};

void OnSignal(int signal)
{
    const int saved = errno;
    const char command = signal == SIGUSR1 ? 'u' : 'r';
    [[maybe_unused]] const ssize_t written = write(g_commandPipe[1], &command, 1);
    errno = saved;
}

// Mirrors the keyboard into a folder and carries out the plug commands, on its own thread.
class StateMirror {
public:
    StateMirror(KX::Test::VirtualMidiSystem& midi, KX::Test::SimulatedKivo61& kivo, std::string folder)
        : m_midi(midi),
          m_kivo(kivo),
          m_folder(std::move(folder)),
          m_thread([this] { Run(); })
    {
    }
    ~StateMirror()
    {
        m_stop = true;
        m_thread.join();
    }
    StateMirror(const StateMirror&) = delete;
    StateMirror& operator=(const StateMirror&) = delete;

private:
    using Bytes = KX::Test::SimulatedKivo61::Bytes;

    void Run()
    {
        while (!m_stop) {
            Mirror();
            pollfd command{g_commandPipe[0], POLLIN, 0};
            if (poll(&command, 1, 10) == 1) {
                char c = 0;
                if (read(g_commandPipe[0], &c, 1) == 1) {
                    m_plugged = c != 'u';
                    if (m_plugged)
                        m_midi.Replug(m_kivo.Device());
                    else
                        m_midi.Unplug(m_kivo.Device());
                }
            }
        }
    }

    void Mirror()
    {
        bool changed = false;
        for (int s = 0; s < KX::Test::SimulatedKivo61::kSlots; ++s) {
            Bytes slot = m_kivo.Slot(s);
            if (slot != m_slots[s] || m_generation == 0) {
                char name[16];
                std::snprintf(name, sizeof name, "slot-%02d", s);
                Write(name, std::string(slot.begin(), slot.end()));
                m_slots[s] = std::move(slot);
                changed = true;
            }
        }
        std::string globals;
        for (int g = 0; g < KX::Test::SimulatedKivo61::kGlobals; ++g)
            globals += std::to_string(m_kivo.Global(g)) + "\n";
        if (globals != m_globals || m_generation == 0) {
            Write("globals", globals);
            m_globals = std::move(globals);
            changed = true;
        }
        if (m_plugged != m_writtenPlugged || m_generation == 0) {
            Write("plugged", m_plugged ? "1\n" : "0\n");
            m_writtenPlugged = m_plugged;
            changed = true;
        }
        if (changed)
            Write("generation", std::to_string(++m_generation) + "\n");
    }

    // Whole files only: a reader never sees one half written.
    void Write(const std::string& name, const std::string& bytes) const
    {
        const std::string path = m_folder + "/" + name;
        {
            std::ofstream out(path + ".new", std::ios::binary | std::ios::trunc);
            out << bytes;
        }
        std::rename((path + ".new").c_str(), path.c_str());
    }

    KX::Test::VirtualMidiSystem& m_midi;
    KX::Test::SimulatedKivo61& m_kivo;
    const std::string m_folder;
    std::array<Bytes, KX::Test::SimulatedKivo61::kSlots> m_slots{};
    std::string m_globals;
    bool m_plugged = true;
    bool m_writtenPlugged = true;
    long m_generation = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread; // last: starts once the rest is made
};

} // namespace

int main(int argc, char** argv)
{
    // The MIDI system stays in its slot for the process's life: the framework object outlives main.
    auto midi = std::make_shared<KX::Test::VirtualMidiSystem>();
    KX::Platform::Midi::BackendSlot().Set(midi);
    auto kivo = std::make_unique<KX::Test::SimulatedKivo61>(*midi);

    std::unique_ptr<StateMirror> mirror;
    if (const char* folder = std::getenv("KIVO_E2E_STATE")) {
        if (pipe2(g_commandPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return 125;
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGUSR1, &action, nullptr);
        sigaction(SIGUSR2, &action, nullptr);
        mirror = std::make_unique<StateMirror>(*midi, *kivo, folder);
    }

    KX::RegisterEmbeddedResources();
    if (!std::setlocale(LC_CTYPE, "") || std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");
    const int status = KX::RunFrameworkMain(g_theApp, argc, argv, -1);

    mirror.reset();
    midi->WaitIdle();
    kivo.reset();
    return status;
}
