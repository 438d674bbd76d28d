#pragma once
// The framework windows of one video session: the UI thread's event pump, the open windows by
// record id, the windows closed while a loop still runs in their frames, the depth of those loops
// and the cursor shown for every window. What the desktop layer made in one session dies with it,
// so each session has a manager of its own and a test that starts video starts from an empty one.
// UI thread only.
// Thread: UI thread only.
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace KX {

namespace Platform {
class EventPump;
} // namespace Platform

class OSWindow;

class LWindowManager {
public:
    // The manager of the video session running now, made at its first use in the session.
    static LWindowManager& Current();

    ~LWindowManager();
    LWindowManager(const LWindowManager&) = delete;
    LWindowManager& operator=(const LWindowManager&) = delete;

    // Made at its first use.
    Platform::EventPump& GetEventPump();

    void AddWindow(uint32_t id, OSWindow* window) { m_windows[id] = window; }
    void RemoveWindow(uint32_t id) { m_windows.erase(id); }
    // Null for an id without an open window.
    OSWindow* FindWindow(uint32_t id) const;
    // A copy: handling one window may close another.
    std::vector<OSWindow*> GetWindows() const;

    // A loop runs in windows' frames from EnterLoop to the matching LeaveLoop.
    void EnterLoop() { ++m_loopDepth; }
    void LeaveLoop() { --m_loopDepth; }
    // Takes a closed window, kept until DeleteClosedWindows runs outside every loop.
    void RetireWindow(OSWindow* window);
    // Deletes the closed windows unless a loop still runs.
    void DeleteClosedWindows();

    // Makes `cursor` the one shown and returns the one shown before.
    uintptr_t ExchangeCursor(uintptr_t cursor);

private:
    explicit LWindowManager(uint64_t session);

    const uint64_t m_session;
    std::unique_ptr<Platform::EventPump> m_pump;
    std::map<uint32_t, OSWindow*> m_windows;
    std::vector<std::unique_ptr<OSWindow>> m_closed;
    int m_loopDepth = 0;
    uintptr_t m_cursor = 0;
};

} // namespace KX
