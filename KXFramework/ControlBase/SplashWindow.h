#pragma once
// The start-up picture with a progress bar, shown while the application loads. A thread of its own
// keeps the bar animating while the UI thread is busy: it takes posted messages from a queue of its
// own, composes each frame (the picture, then the bar) and wakes the UI thread's pump, whose loop
// calls Present to show the newest frame. The window itself belongs to the UI thread, as all
// windows do. Start, Stop and Present run on the UI thread; the posting calls on any thread.
// Thread: SetProgress and AnimateProgress (the posting calls) on any thread; the rest on the UI thread only.
#include "KXFramework/Utilities/Graphics/Bitmap.h"

#include <cstdint>
#include <memory>
#include <thread>

namespace KX {

namespace Platform {
class HostWindow;
}

class LSplashWindow {
public:
    // The posted messages: the bar's position, and an animated run.
    static constexpr uint32_t kSetPosition = 1026;
    static constexpr uint32_t kAnimate = 1028;
    static constexpr uint32_t kAnimationStepMs = 250;
    static constexpr uint32_t kStartTimeoutMs = 5000;
    static constexpr uint32_t kStopTimeoutMs = 1000;

    // The step period and the start wait are the defaults above; tests shorten them.
    explicit LSplashWindow(uint32_t stepMs = kAnimationStepMs, uint32_t startTimeoutMs = kStartTimeoutMs);
    ~LSplashWindow();
    LSplashWindow(const LSplashWindow&) = delete;
    LSplashWindow& operator=(const LSplashWindow&) = delete;

    // Keeps a copy of the bitmap's pixels, only when no picture is held yet.
    void SetImage(const RCPtr<LBitmap>& bitmap);
    // With a picture: a borderless, always-on-top window without a taskbar entry, of the picture's
    // size, centred on the work area; then the thread, waited for until its first frame is composed
    // (at most the start wait). Without one the thread ends at once and the wait runs out. Nothing
    // while the thread runs.
    void Start();
    // Stops a running animation and sets the bar (0 to 100), making it first if needed.
    void SetProgress(int position);
    // Sets the bar to from, then steps it towards to, seconds × 4 times a second, by
    // (to - from) / (seconds × 4) in whole steps. Below 1 second: to at once.
    void AnimateProgress(int from, int to, int seconds);
    // Ends the thread (waiting at most kStopTimeoutMs), closes the window and drops the picture.
    void Stop();
    // Shows the newest composed frame, when there is one not shown yet.
    void Present();

    Platform::HostWindow* GetWindow() const { return m_window.get(); }
    // The bar's position; -1 while there is no bar.
    int GetPosition() const;
    bool IsAnimating() const;

    struct Shared; // what the thread and the UI thread share, under its lock

private:
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
    std::unique_ptr<Platform::HostWindow> m_window;
    const uint32_t m_stepMs;
    const uint32_t m_startTimeoutMs;
    uint64_t m_shownFrame = 0;
};

} // namespace KX
