#pragma once
// The UI thread's source of input records: desktop events turned into records, the 33 ms tick while any
// window's timer runs, and wake-ups from other threads. One pump per process, used on the UI thread
// after VideoSystem::Start; Wake is the one call for any thread.
#include "KXFramework/Platform/Window/Geometry.h"
#include "KXFramework/Platform/Window/InputRecord.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <vector>

namespace KX::Platform {

class EventPump {
public:
    static constexpr uint32_t kTickMs = 33;
    using Clock = std::function<uint64_t()>; // milliseconds, never going back

    // The clock decides when ticks are due; tests inject one they move by hand.
    explicit EventPump(Clock clock = {});

    // Waits up to timeoutMs for the next record; false when none came. Input for windows that no longer
    // exist, and input for other windows while a modal loop runs, is dropped here.
    bool Next(InputRecord& out, uint32_t timeoutMs);
    // As of the last record handed out.
    const InputState& State() const { return m_state; }

    // One tick every kTickMs serves every window whose timer runs.
    void StartTimer(uint32_t window);
    void StopTimer(uint32_t window);

    // While a modal loop runs, only `window` gets input and close requests; window 0 takes input from
    // every window (a wait for a child process). A quit passes at once: the desktop's logout does not
    // wait for a dialog. Keys still on their way to the window of the loop that ended last were typed
    // ahead: they go to the window that had the focus when that loop began, where the desktop gives the
    // focus back.
    void BeginModal(uint32_t window);
    void EndModal();
    // Whether the window gets input: unless a modal loop runs for another one, or a wait.
    bool TakesInput(uint32_t window) const { return m_modal.empty() || m_modal.back().window == window; }

    // Any thread. At most one wake is pending: a wake posted while one waits joins it.
    static void Wake();

    // Text arrives only while a text box has focus, so an input method cannot take key presses from
    // other controls. The caret rectangle places the input method's window. Text typed before the
    // stop is kept.
    static void StartTextInput(RectI caret);
    void StopTextInput();

private:
    // Turns one SDL event, passed as its storage, into records appended to m_pending.
    void Translate(const void* event);
    bool Admit(const InputRecord& record) const;
    void Track(const InputRecord& record);
    bool TickDue(uint64_t now) const;
    void AddWheel(uint32_t window, int x, int y, float preciseX, float preciseY, bool flipped);

    Clock m_clock;
    InputState m_state;
    std::deque<InputRecord> m_pending;
    std::set<uint32_t> m_timers;
    uint64_t m_nextTick = 0;
    // A modal loop's window, and the window that had the focus when the loop began.
    struct ModalLoop {
        uint32_t window = 0;
        uint32_t focusBefore = 0;
    };
    std::vector<ModalLoop> m_modal;
    // The loop that ended last, whose keys still on their way are typed ahead.
    ModalLoop m_typedAhead;
    // The window the pointer last left with no enter since: its motions are the desktop's clamped echo of
    // a release outside, not the user's.
    uint32_t m_leftWindow = 0;
    // AltGr as the mode switch was held at the last key: what it types is wanted even under Ctrl.
    bool m_altGr = false;
    // The modifiers as the last key event translated left them, which decide whether text counts:
    // events are translated ahead of their records when text input stops.
    uint32_t m_typingKeyFlags = 0;
    // The termination signal has been given out as the quit record.
    bool m_terminationSeen = false;
    // Wheel amounts below one unit, carried to the next wheel event.
    double m_wheelRestX = 0;
    double m_wheelRestY = 0;
};

} // namespace KX::Platform
