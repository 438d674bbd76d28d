// The editor's transfers with the keyboard, in the real editor run through its main routine under SDL's
// dummy video driver, with the simulated keyboard on the virtual MIDI system and the protocol's own
// timings. Each transfer is timed from its menu command, posted as the menu posts it, through its dialog
// and a click on the dialog's transfer button, to the box that reports its result (the global settings
// report success without a box: there, to the end of the dialog's turn that handled the click). Beside
// it, the time the protocol prescribes for the pieces that went out: the pause after each piece, with a
// keyboard that answers at once (goal: measured at most 1.1 times that). Then the peak resident memory
// of the process over the session, which holds the editor, the simulated keyboard and this driver
// (goal: 60 MB), and the process's CPU while the editor idles 3 s (or KX_BENCH_IDLE_SECONDS) with the
// keyboard connected. A transfer that never ends, or whose box says it failed, or a session that stops
// before its end ends it with status 1.
//   kx_session_bench [rounds] [stop]   rounds of the four transfers, 10 by default; 0 runs none, which
//                                      fails; stop: the editor is ended after that many transfers (all of
//                                      them: before the idle watch), as a user who leaves early, which
//                                      fails too
#include "KXFramework/Application/MFCFrameworkApp.h"
#include "KXFramework/ControlBase/OSWindow.h"
#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Midi/MidiTimings.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/Platform/Resources/Resources.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "Panel/Application.h"

#include "EditorEnvironment.h"
#include "EnvironmentGuard.h"
#include "FakeMessageBox.h"
#include "IdleSeconds.h"
#include "NotificationDoubles.h"
#include "ScopedService.h"
#include "SimulatedKivo61.h"
#include "TempFolder.h"

#include <SDL.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace KX::Test {
namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// User and system time of every thread of the process.
double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long PeakKilobytes()
{
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

struct Transfer {
    const char* what;
    const char16_t* menu;
    const char16_t* button;
    // The box of a preset transfer ends it; its caption says whether it worked.
    const char16_t* successCaption;
};

const Transfer kTransfers[] = {
    {"get preset", u"NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE", u"getButton", u"LABEL_GET_PRESET_SUCEESS_MSGBOX_CAPTION"},
    {"send preset", u"NID_MENU_FILE_SEND_PRESET_TO_DEVICE", u"send", u"LABEL_SEND_PRESET_SUCEESS_MSGBOX_CAPTION"},
    {"get global settings", u"NID_MENU_FILE_GLOBALSETTINGS_REQ", u"getGlobalSettingsButton", nullptr},
    {"send global settings", u"NID_MENU_FILE_GLOBALSETTINGS_REQ", u"sendGlobalSettingsButton", nullptr},
};
constexpr size_t kTransferCount = std::size(kTransfers);

// One run of one transfer, in ms from its menu command.
struct Sample {
    double firstPiece = 0; // the dialog opened, was clicked and the first piece went out
    double end = 0;
    double prescribed = 0;
    size_t pieces = 0;
    bool failed = false;
};

// The editor's session, driven from its UI thread by a notification that reposts itself: each delivery
// looks at the editor's state and takes the next step, so the editor's own loops run between steps.
class Session {
public:
    Session(VirtualMidiSystem& midi, int rounds, int stopAfter) : m_midi(midi), m_rounds(rounds), m_stopAfter(stopAfter)
    {
    }
    ~Session()
    {
        if (m_idleTimer.joinable())
            m_idleTimer.join(); // the editor left before the idle wait ended
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    int Run()
    {
        m_step = RCPtr<Recorder>(new Recorder("step"));
        m_step->react = [this](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) { Step(); };
        m_step->RegisterForNotification(RCPtr<LNotificationDistributor>(GetDefaultNotificationCenter()),
                                        u"NID_BENCH_STEP", 0);
        Repost();
        MFCFrameworkApp<LApplication> app([this] { return std::make_unique<TimedBox>(*this); });
        char name[] = "kivo61-preset-editor";
        char* argv[] = {name, nullptr};
        const int status = RunFrameworkMain(app, 1, argv, 0x0409);
        m_step->UnregisterForAllNotifications();
        for (const RCPtr<Recorder>& watch : m_clickWatches)
            watch->UnregisterForAllNotifications();
        return status;
    }

    // Every step was taken, the idle watch the last.
    bool Finished() const { return m_finished; }
    const std::vector<Sample>& Samples(size_t transfer) const { return m_samples[transfer]; }
    long StartPeakKilobytes() const { return m_startPeak; }
    long EndPeakKilobytes() const { return m_endPeak; }
    double IdleSeconds() const { return m_idleSeconds; }
    double IdleCpuPercent() const { return m_idleCpuPercent; }

private:
    enum class State { Start, Settle, Open, Dialog, Transfer, Idle, Done };
    static constexpr const char* kStateNames[] = {"start", "settle", "open", "dialog", "transfer", "idle", "done"};

    // Records when the editor shows a box, then answers as the fake does.
    class TimedBox final : public Platform::MessageBoxService {
    public:
        explicit TimedBox(Session& session) : m_session(session) {}
        int32_t Show(const Platform::MessageBoxRequest& request) override
        {
            m_session.m_boxAt = Clock::now();
            return m_session.m_boxes.Show(request);
        }

    private:
        Session& m_session;
    };

    static void Repost()
    {
        RCPtr<LNotification> n;
        if (Succeeded(LNotification::Create(n, u"NID_BENCH_STEP", nullptr)))
            static_cast<void>(GetDefaultNotificationCenter()->PostNotification(n)); // refused only at shut-down
    }

    // A step that waits for the editor looks again at the next idle pass, for at most 30 s.
    void Wait()
    {
        if (Clock::now() - m_stateSince > std::chrono::seconds(30)) {
            std::fprintf(stderr, "the editor did not get past the %s step of %s in 30 s\n", kStateNames[int(m_state)],
                         kTransfers[m_transfer].what);
            Exit();
            return;
        }
        Repost();
    }

    void Enter(State state)
    {
        m_state = state;
        m_stateSince = Clock::now();
        Repost();
    }

    void Exit()
    {
        m_state = State::Done;
        if (m_main)
            static_cast<void>(
                m_main->GetRootWindow()->SendNotification(MakeNotification(u"NID_MENU_FILE_EXIT_REQ"))); // as the menu
    }

    // The open modal dialog window; null while none runs its loop.
    OSWindow* ModalDialog() const
    {
        RCPtr<LApplication> application = LApplication::GetApplication();
        if (!application)
            return nullptr;
        for (const RCPtr<LRootWindow>& root : application->GetRootWindows()) {
            auto* window = dynamic_cast<OSWindow*>(root->GetOSServices());
            if (window && window != m_main && window->IsModal() && root->GetContent())
                return window;
        }
        return nullptr;
    }

    void Step()
    {
        switch (m_state) {
        case State::Start: {
            RCPtr<LApplication> application = LApplication::GetApplication();
            m_main = application ? application->GetMainWindow() : nullptr;
            if (!m_main || !m_main->GetRootWindow()->GetContent())
                return Wait();
            m_startPeak = PeakKilobytes();
            return Enter(State::Settle);
        }
        case State::Settle:
            // A user between two commands: what the last transfer left to do is done before the next.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return Enter(State::Open);
        case State::Open:
            return Open();
        case State::Dialog:
            return Click();
        case State::Transfer:
            return Finish();
        case State::Idle:
            return EndIdle();
        case State::Done:
            return;
        }
    }

    void Open()
    {
        if (m_round * int(kTransferCount) + int(m_transfer) == m_stopAfter)
            return Exit();
        if (m_round == m_rounds) {
            m_endPeak = PeakKilobytes();
            return StartIdle();
        }
        m_midi.ClearSent();
        m_boxes.requests.clear();
        m_clicked = false;
        m_menuAt = Clock::now();
        // What a chosen menu item does: its notification goes to the main window's queue.
        static_cast<void>(m_main->GetRootWindow()->GetPostingReceiver()->ReceiveNotification(
            nullptr, MakeNotification(kTransfers[m_transfer].menu))); // checked by the dialog that opens
        Enter(State::Dialog);
    }

    void Click()
    {
        OSWindow* dialog = ModalDialog();
        if (!dialog)
            return Wait();
        const RCPtr<LControl> content = dialog->GetRootWindow()->GetContent();
        const RCPtr<LControl> button = content->FindChild(kTransfers[m_transfer].button);
        if (!button) {
            std::fprintf(stderr, "no button in the dialog of %s\n", kTransfers[m_transfer].what);
            return Exit();
        }
        // The slot a user picks: Preset 1 to 12 in turn.
        if (const RCPtr<LControl>& slots = content->FindChild(u"presetSlot")) {
            if (auto* list = dynamic_cast<LComboBox*>(slots->FindChild(u"comboBox").Get()))
                static_cast<void>(list->SetSelectedIndex(1 + m_round % 12)); // the list holds 13 slots
        }
        // Registered after the dialog's own handler, so it runs once the transfer has returned.
        RCPtr<Recorder> watch(new Recorder("click"));
        watch->react = [this](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
            m_clicked = true;
        };
        watch->RegisterForNotification(RCPtr<LNotificationDistributor>(button), u"NID_LEFT_CLICK", 0);
        m_clickWatches.push_back(watch);
        // A click in the button's middle, as the desktop delivers it to the focused dialog.
        const PointT<double> at = button->GetPositionInRoot();
        const int x = int(at.x + button->GetRect().width / 2), y = int(at.y + button->GetRect().height / 2);
        const uint32_t id = dialog->GetWindowHandle()->Id();
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = id;
        event.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
        SDL_PushEvent(&event);
        event = SDL_Event{};
        event.type = SDL_MOUSEMOTION;
        event.motion.windowID = id;
        event.motion.x = x;
        event.motion.y = y;
        SDL_PushEvent(&event);
        for (bool down : {true, false}) {
            event = SDL_Event{};
            event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
            event.button.windowID = id;
            event.button.button = SDL_BUTTON_LEFT;
            event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
            event.button.clicks = 1;
            event.button.x = x;
            event.button.y = y;
            SDL_PushEvent(&event);
        }
        Enter(State::Transfer);
    }

    // The editor left alone with the keyboard connected; a thread of ours ends the wait with a post.
    void StartIdle()
    {
        m_state = State::Idle;
        m_idleFrom = Clock::now();
        m_idleCpuFrom = CpuSeconds();
        m_idleTimer = std::thread([seconds = m_idleSeconds] {
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
            Repost();
        });
    }

    void EndIdle()
    {
        m_idleTimer.join();
        m_idleCpuPercent = 100.0 * (CpuSeconds() - m_idleCpuFrom) / (Ms(Clock::now() - m_idleFrom) / 1000.0);
        m_finished = true;
        Exit();
    }

    void Finish()
    {
        if (!m_clicked)
            return Wait();
        const Clock::time_point turnEnd = Clock::now();
        const Transfer& transfer = kTransfers[m_transfer];
        const std::vector<VirtualMidiSystem::Sent> sent = m_midi.SentMessages();
        Sample sample;
        sample.firstPiece = sent.empty() ? 0 : Ms(sent.front().at - m_menuAt);
        // Each piece is followed by the protocol's pause; the keyboard's answers take no time.
        sample.pieces = sent.size();
        sample.prescribed = double(sent.size()) * GetMidiTimings().pieceGapMs;
        if (transfer.successCaption) {
            sample.failed = m_boxes.requests.size() != 1 ||
                            String(m_boxes.requests[0].caption.c_str()) != ::GetAppString(transfer.successCaption);
            sample.end = Ms(m_boxAt - m_menuAt);
        } else {
            sample.failed = !m_boxes.requests.empty(); // the global settings show a box only on failure
            sample.end = Ms(turnEnd - m_menuAt);
        }
        m_samples[m_transfer].push_back(sample);
        if (OSWindow* dialog = ModalDialog())
            static_cast<void>(dialog->EndModal(1)); // the user closes the dialog
        if (++m_transfer == kTransferCount) {
            m_transfer = 0;
            ++m_round;
        }
        Enter(State::Settle);
    }

    VirtualMidiSystem& m_midi;
    const int m_rounds;
    const int m_stopAfter; // transfers; -1: none
    FakeMessageBox m_boxes;
    RCPtr<Recorder> m_step;
    std::vector<RCPtr<Recorder>> m_clickWatches;
    OSWindow* m_main = nullptr;
    State m_state = State::Start;
    Clock::time_point m_stateSince = Clock::now();
    bool m_finished = false;
    int m_round = 0;
    size_t m_transfer = 0;
    Clock::time_point m_menuAt{}, m_boxAt{};
    bool m_clicked = false;
    const double m_idleSeconds = Bench::IdleSeconds(3);
    Clock::time_point m_idleFrom{};
    double m_idleCpuFrom = 0;
    std::thread m_idleTimer;
    std::vector<Sample> m_samples[kTransferCount];
    long m_startPeak = -1, m_endPeak = -1;
    double m_idleCpuPercent = -1;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

int Main(int rounds, int stopAfter)
{
    TempFolder home;
    EnvironmentGuard environment;
    IsolateEditorEnvironment(environment, home);
    RegisterEmbeddedResources();
    auto midi = std::make_shared<VirtualMidiSystem>();
    ScopedService<MidiTimings> timings{MidiTimingsSlot(), MidiTimings{}}; // the protocol's own waits
    ScopedService<std::shared_ptr<Platform::Midi::Backend>> backend{Platform::Midi::BackendSlot(), midi};
    SimulatedKivo61 kivo(*midi);
    Session session(*midi, rounds, stopAfter);
    const int status = session.Run();
    midi->WaitIdle();
    if (status != 0) {
        std::fprintf(stderr, "the editor ended with status %d\n", status);
        return 1;
    }

    std::printf("%d rounds, medians in ms from the menu command; prescribed: the protocol's pause after each piece "
                "sent, the keyboard answering at once\n",
                rounds);
    std::printf("%-21s %12s %9s %11s %7s %6s %6s %14s\n", "transfer", "to 1st piece", "measured", "prescribed",
                "pieces", "ratio", "worst", "1st piece on");
    bool failed = false, unended = false;
    for (size_t t = 0; t < kTransferCount; ++t) {
        if (session.Samples(t).empty()) {
            std::printf("%-21s no sample: it never ended\n", kTransfers[t].what);
            unended = true;
            continue;
        }
        std::vector<double> first, end, ratio, fromFirst;
        double prescribed = 0;
        size_t pieces = 0;
        for (const Sample& s : session.Samples(t)) {
            failed = failed || s.failed;
            first.push_back(s.firstPiece);
            end.push_back(s.end);
            ratio.push_back(s.end / s.prescribed);
            fromFirst.push_back((s.end - s.firstPiece) / s.prescribed);
            prescribed = s.prescribed;
            pieces = s.pieces;
        }
        std::printf("%-21s %12.1f %9.1f %11.1f %7zu %6.2f %6.2f %14.2f\n", kTransfers[t].what, Median(first),
                    Median(end), prescribed, pieces, Median(ratio), *std::max_element(ratio.begin(), ratio.end()),
                    Median(fromFirst));
    }
    std::printf("goal: ratio <= 1.1; worst: the slowest round; 1st piece on: the ratio from the first piece sent\n");
    if (!session.Finished()) {
        std::printf("THE SESSION STOPPED BEFORE ITS END: no memory or idle figures\n");
        return 1;
    }
    std::printf("peak resident memory (VmHWM) of this process, editor + simulated keyboard + driver: %.1f MB at the "
                "main window, %.1f MB after the session (goal <= 60)\n",
                session.StartPeakKilobytes() / 1024.0, session.EndPeakKilobytes() / 1024.0);
    std::printf("CPU of the whole process while the editor idles %.1f s with the keyboard connected: %.2f %% of one "
                "core\n",
                session.IdleSeconds(), session.IdleCpuPercent());
    if (failed)
        std::printf("SOME TRANSFERS FAILED: their box said so\n");
    // Whether the session reached its end does not decide it: with no rounds it ends with none.
    if (unended)
        std::printf("SOME TRANSFERS NEVER ENDED\n");
    return failed || unended ? 1 : 0;
}

} // namespace
} // namespace KX::Test

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(0, std::atoi(argv[1])) : 10;
    const int stopAfter = argc > 2 ? std::max(0, std::atoi(argv[2])) : -1;
    return KX::Test::Main(rounds, stopAfter);
}
