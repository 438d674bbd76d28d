#include "KXFramework/Platform/Window/EventPump.h"

#include "KXFramework/Platform/Process/TerminationWatch.h"
#include "KXFramework/Platform/Text/TextConversion.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/KeyMap.h"
#include "KXFramework/Platform/Window/VideoSystem.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

namespace KX::Platform {

namespace {

// Set from the moment a wake is pushed until the pump takes it out of SDL's queue, so that posting
// threads cannot flood the bounded queue.
std::atomic<bool> g_wakePending = false;

uint64_t SteadyMs()
{
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool IsInput(RecordKind kind)
{
    switch (kind) {
    case RecordKind::ButtonDown:
    case RecordKind::ButtonUp:
    case RecordKind::Motion:
    case RecordKind::Wheel:
    case RecordKind::Key:
    case RecordKind::Text:
    case RecordKind::Leave:
        return true;
    default:
        return false;
    }
}

int FrameworkButton(uint8_t sdlButton)
{
    switch (sdlButton) {
    case SDL_BUTTON_LEFT:
        return 1;
    case SDL_BUTTON_MIDDLE:
        return 2;
    case SDL_BUTTON_RIGHT:
        return 4;
    default:
        return 0;
    }
}

InputRecord Record(RecordKind kind, uint32_t window)
{
    InputRecord record;
    record.kind = kind;
    record.window = window;
    return record;
}

} // namespace

EventPump::EventPump(Clock clock) : m_clock(clock ? std::move(clock) : Clock(SteadyMs)) {}

bool EventPump::Next(InputRecord& out, uint32_t timeoutMs)
{
    const uint64_t deadline = m_clock() + timeoutMs;
    for (;;) {
        // A termination signal is the quit of the process; the watch wakes the wait for it.
        if (!m_terminationSeen && TerminationWatch::Requested()) {
            m_terminationSeen = true;
            m_pending.push_back(Record(RecordKind::Quit, 0));
        }
        while (!m_pending.empty()) {
            InputRecord record = m_pending.front();
            m_pending.pop_front();
            const bool keyboard = record.kind == RecordKind::Key || record.kind == RecordKind::Text;
            if (keyboard && record.window != 0 && record.window == m_typedAhead.window && m_typedAhead.focusBefore != 0)
                record.window = m_typedAhead.focusBefore;
            if (!Admit(record))
                continue;
            Track(record);
            out = record;
            return true;
        }
        SDL_Event event;
        if (SDL_PollEvent(&event)) {
            Translate(&event);
            continue;
        }
        // Ticks come when nothing else waits, as timer messages do.
        const uint64_t now = m_clock();
        if (TickDue(now)) {
            // A late pump gets one tick, not a burst of the ones it missed.
            m_nextTick += kTickMs;
            if (m_nextTick <= now)
                m_nextTick = now + kTickMs;
            out = Record(RecordKind::Tick, 0);
            return true;
        }
        if (now >= deadline)
            return false;
        uint64_t until = deadline;
        if (!m_timers.empty())
            until = std::min(until, m_nextTick);
        if (SDL_WaitEventTimeout(&event, int(std::min<uint64_t>(until - now, 1000))))
            Translate(&event);
    }
}

void EventPump::StartTimer(uint32_t window)
{
    if (m_timers.empty())
        m_nextTick = m_clock() + kTickMs;
    m_timers.insert(window);
}

void EventPump::StopTimer(uint32_t window)
{
    m_timers.erase(window);
}

void EventPump::BeginModal(uint32_t window)
{
    // A key typed ahead into the dialog that closed last can open this loop before the records of the focus
    // going back have come: the focus is on its way to the window it goes back to.
    const uint32_t focus = m_state.focusWindow == m_typedAhead.window ? m_typedAhead.focusBefore : m_state.focusWindow;
    m_modal.push_back({window, focus});
}

void EventPump::EndModal()
{
    if (!m_modal.empty()) {
        m_typedAhead = m_modal.back();
        m_modal.pop_back();
    }
}

void EventPump::Wake()
{
    if (g_wakePending.exchange(true))
        return;
    // A failed push (video not running, queue full) must not leave the flag set, or no wake would follow.
    if (!VideoSystem::PushWakeEvent())
        g_wakePending = false;
}

void EventPump::StartTextInput(RectI caret)
{
    SDL_Rect rect{caret.x, caret.y, caret.width, caret.height};
    SDL_SetTextInputRect(&rect);
    SDL_StartTextInput();
}

void EventPump::StopTextInput()
{
    // SDL drops the text still in its queue when text input stops. That text was typed before the
    // focus left the box (a click or Tab into the next one, then digits at once): it is taken first,
    // in order with what came around it, and goes wherever the focus is when its turn comes.
    SDL_Event event;
    while (SDL_PollEvent(&event))
        Translate(&event);
    SDL_StopTextInput();
}

bool EventPump::TickDue(uint64_t now) const
{
    return !m_timers.empty() && now >= m_nextTick;
}

bool EventPump::Admit(const InputRecord& record) const
{
    // Virtual windows never reach SDL's queue, so any other id that SDL no longer knows is closed.
    if (record.window != 0 && !SDL_GetWindowFromID(record.window))
        return false;
    if (record.window == 0 || TakesInput(record.window))
        return true;
    return !IsInput(record.kind) && record.kind != RecordKind::CloseRequested;
}

void EventPump::Track(const InputRecord& record)
{
    switch (record.kind) {
    case RecordKind::Motion:
    case RecordKind::Wheel:
    case RecordKind::ButtonUp:
        m_state.x = record.x;
        m_state.y = record.y;
        if (record.kind == RecordKind::ButtonUp)
            m_state.buttons &= ~uint32_t(record.button);
        break;
    case RecordKind::ButtonDown:
        m_state.x = record.x;
        m_state.y = record.y;
        m_state.buttons |= uint32_t(record.button);
        // The desktop may report the focus after the click that caused it.
        m_state.focusWindow = record.window;
        break;
    case RecordKind::Key:
        m_state.keyFlags = record.keyFlags;
        break;
    case RecordKind::FocusGained:
        m_state.focusWindow = record.window;
        break;
    case RecordKind::FocusLost:
        // Releases made elsewhere never arrive.
        if (m_state.focusWindow == record.window)
            m_state.focusWindow = 0;
        m_state.buttons = 0;
        m_state.keyFlags = 0;
        break;
    default:
        break;
    }
}

void EventPump::AddWheel(uint32_t window, int x, int y, float preciseX, float preciseY, bool flipped)
{
    const double sign = flipped ? -1.0 : 1.0;
    m_wheelRestX += sign * double(preciseX) * 120.0;
    m_wheelRestY += sign * double(preciseY) * 120.0;
    // Bounded, so a wild device value cannot overflow the record.
    m_wheelRestX = std::clamp(m_wheelRestX, -1.0e6, 1.0e6);
    m_wheelRestY = std::clamp(m_wheelRestY, -1.0e6, 1.0e6);
    const double unitsX = std::round(m_wheelRestX);
    const double unitsY = std::round(m_wheelRestY);
    m_wheelRestX -= unitsX;
    m_wheelRestY -= unitsY;
    if (unitsX == 0 && unitsY == 0)
        return;
    InputRecord record = Record(RecordKind::Wheel, window);
    record.x = x;
    record.y = y;
    record.wheelX = int(unitsX);
    record.wheelY = int(unitsY);
    m_pending.push_back(record);
}

void EventPump::Translate(const void* storage)
{
    const SDL_Event& event = *static_cast<const SDL_Event*>(storage);
    if (event.type == VideoSystem::WakeEventType() && event.type != 0) {
        g_wakePending = false;
        m_pending.push_back(Record(RecordKind::Wake, 0));
        return;
    }
    switch (event.type) {
    case SDL_QUIT:
        m_pending.push_back(Record(RecordKind::Quit, 0));
        break;
    case SDL_DISPLAYEVENT:
        m_pending.push_back(Record(RecordKind::DisplayChanged, 0));
        break;
    case SDL_CLIPBOARDUPDATE:
        m_pending.push_back(Record(RecordKind::ClipboardChanged, 0));
        break;
    case SDL_WINDOWEVENT: {
        const uint32_t window = event.window.windowID;
        switch (event.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
            m_pending.push_back(Record(RecordKind::Exposed, window));
            break;
        case SDL_WINDOWEVENT_MOVED: {
            InputRecord record = Record(RecordKind::Moved, window);
            record.x = event.window.data1;
            record.y = event.window.data2;
            m_pending.push_back(record);
            break;
        }
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            // Also raised for size changes the program makes, which never give RESIZED.
            InputRecord record = Record(RecordKind::Resized, window);
            record.width = std::clamp(event.window.data1, 0, kMaxClientSide);
            record.height = std::clamp(event.window.data2, 0, kMaxClientSide);
            m_pending.push_back(record);
            break;
        }
        case SDL_WINDOWEVENT_ENTER:
            if (m_leftWindow == window)
                m_leftWindow = 0;
            break;
        case SDL_WINDOWEVENT_LEAVE:
            m_leftWindow = window;
            m_pending.push_back(Record(RecordKind::Leave, window));
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            m_pending.push_back(Record(RecordKind::FocusGained, window));
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            m_typingKeyFlags = 0;
            m_pending.push_back(Record(RecordKind::FocusLost, window));
            break;
        case SDL_WINDOWEVENT_CLOSE:
            m_pending.push_back(Record(RecordKind::CloseRequested, window));
            break;
        case SDL_WINDOWEVENT_DISPLAY_CHANGED:
            m_pending.push_back(Record(RecordKind::DisplayChanged, window));
            break;
        default:
            break;
        }
        break;
    }
    case SDL_MOUSEMOTION: {
        // After a release outside, SDL sends a motion clamped to the bottom-right pixel between two
        // leaves; hovering that corner for a moment would start its tool-tip.
        if (event.motion.windowID == m_leftWindow && m_state.buttons == 0)
            break;
        InputRecord record = Record(RecordKind::Motion, event.motion.windowID);
        record.x = event.motion.x;
        record.y = event.motion.y;
        m_pending.push_back(record);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const int button = FrameworkButton(event.button.button);
        if (button == 0)
            break;
        InputRecord record = Record(event.type == SDL_MOUSEBUTTONDOWN ? RecordKind::ButtonDown : RecordKind::ButtonUp,
                                    event.button.windowID);
        record.x = event.button.x;
        record.y = event.button.y;
        record.button = button;
        record.clicks = event.button.clicks;
        m_pending.push_back(record);
        break;
    }
    case SDL_MOUSEWHEEL:
        AddWheel(event.wheel.windowID, event.wheel.mouseX, event.wheel.mouseY, event.wheel.preciseX,
                 event.wheel.preciseY, event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const SDL_Keysym& key = event.key.keysym;
        m_altGr = (key.mod & KMOD_MODE) != 0;
        m_typingKeyFlags = KeyFlagsFromSdl(key.mod);
        InputRecord record = Record(RecordKind::Key, event.key.windowID);
        record.virtualKey = VirtualKeyFromSdl(key.sym, key.scancode);
        record.down = event.type == SDL_KEYDOWN;
        record.repeat = event.key.repeat != 0;
        record.keyFlags = KeyFlagsFromSdl(key.mod);
        // A key without a virtual key matters only as part of a Ctrl+Alt chord.
        if (record.virtualKey == 0 && !((record.keyFlags & kKeyCtrl) && (record.keyFlags & kKeyAlt)))
            break;
        m_pending.push_back(record);
        break;
    }
    case SDL_TEXTINPUT: {
        // Ctrl+letter and Left Alt+letter also type text on X11, which a text box would insert; AltGr
        // (right Alt or the mode switch) types real characters even with Ctrl.
        const uint32_t flags = m_typingKeyFlags;
        const bool altGr = m_altGr || (flags & kKeyAltRight);
        if ((flags & kKeyWin) || (flags & kKeyAltLeft) || ((flags & kKeyCtrl) && !altGr))
            break;
        for (char16_t unit : Utf16FromUtf8(event.text.text)) {
            InputRecord record = Record(RecordKind::Text, event.text.windowID);
            record.unit = unit;
            m_pending.push_back(record);
        }
        break;
    }
    default:
        break;
    }
}

} // namespace KX::Platform
