#pragma once
// The process's application host: the start-up phases a framework object overrides and the UI
// thread's message loop. The loop waits for window events, the 33 ms window tick and wake-ups
// (posted notifications, the quit message), and it ends once the quit message is posted. The
// watched descriptor (the single-instance listener) is served at the end of every turn of every
// loop, a modal dialog's and a wait for a box included, so that it never waits for a dialog.
// UI thread only, except PostQuitMessage.
#include <atomic>
#include <cstdint>
#include <functional>

namespace KX::Platform {

class AppHost {
public:
    // The longest a turn of this loop waits.
    static constexpr uint32_t kTurnMs = 33;

    AppHost();
    virtual ~AppHost();
    AppHost(const AppHost&) = delete;
    AppHost& operator=(const AppHost&) = delete;

    // The host of the process (the last one made); null when none exists.
    static AppHost* GetCurrent();

    virtual bool InitApplication() { return true; }
    virtual bool InitInstance() { return true; }
    // Runs the message loop until the quit message, then ExitInstance.
    virtual int Run();
    virtual int ExitInstance() { return 0; }
    // Idle work after the pending events, count 0 after every turn that handled one; true asks for
    // another pass with the next count.
    virtual bool OnIdle(long count) { return false; }

    // Runs turns until the quit message; returns its exit code and clears the quit flag, so that a
    // later loop runs again.
    int RunMessageLoop();
    // Any thread: the loop of the current host ends after its turn.
    static void PostQuitMessage(int exitCode);
    bool IsQuitPosted() const { return m_quit; }
    // The quit message was posted once: the process is ending, also after its loop has ended.
    bool IsEnding() const { return m_ending; }

    // The descriptor the loops serve: onReadable runs on the UI thread whenever it can be read, and
    // at the end of every turn while it answers true (work left that the descriptor does not
    // announce, such as connections taken from it). Once the process is ending (the quit message was
    // posted, or a termination signal came, which the loop has yet to see) the descriptor is watched no
    // more and onEnding runs instead, once. A negative descriptor watches nothing.
    void WatchDescriptor(int descriptor, std::function<bool()> onReadable, std::function<void()> onEnding = {});
    // Runs onReadable when the watched descriptor can be read now or work is left, or onEnding; the end
    // of every loop's turn.
    void ServeDescriptor();

    // The framework's main window; null until one is made.
    void* m_pMainWnd = nullptr;

protected:
    // One turn: waits up to timeoutMs for an event and handles it with every event pending, the
    // paints and the idle passes, then serves the watched descriptor. Answers false when no event
    // came.
    virtual bool PumpMessage(uint32_t timeoutMs) = 0;

private:
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_ending{false};
    std::atomic<int> m_exitCode{0};
    int m_descriptor = -1;
    std::function<bool()> m_onReadable;
    std::function<void()> m_onEnding;
    bool m_workLeft = false;
};

} // namespace KX::Platform
