#include "KXFramework/ControlBase/SplashWindow.h"

#include "KXFramework/Application/DebugLog.h"
#include "KXFramework/Platform/Graphics/Painter.h"
#include "KXFramework/Platform/Graphics/Surface.h"
#include "KXFramework/Platform/Window/EventPump.h"
#include "KXFramework/Platform/Window/HostWindow.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>

namespace KX {

namespace {

constexpr uint32_t kWindowColour = 0xFFFFFFFFu;
constexpr uint32_t kBarFrame = 0xFFBCBCBCu;
constexpr uint32_t kBarTrack = 0xFFE6E6E6u;
constexpr uint32_t kBarFill = 0xFF06B025u;

struct Message {
    uint32_t id = 0;
    uint32_t first = 0;
    int32_t second = 0;
};

} // namespace

struct LSplashWindow::Shared {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Message> queue;
    bool quit = false;
    bool started = false; // the started event
    bool finished = false;
    std::shared_ptr<const Platform::Image> image;
    // The bar, made on first use: its position, and the animation's step and steps left.
    int position = -1;
    int step = 0;
    int stepsLeft = 0;
    std::shared_ptr<Platform::Surface> frame; // the newest composed frame
    uint64_t frameNumber = 0;

    void Post(const Message& message)
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            queue.push_back(message);
        }
        changed.notify_all();
    }

    // The native bar keeps its position within its range of 0 to 100.
    void SetPosition(int value) { position = std::clamp(value, 0, 100); }

    // Under the lock: applies one message.
    void Handle(const Message& message)
    {
        switch (message.id) {
        case kSetPosition:
            stepsLeft = 0;
            SetPosition(int(message.first));
            break;
        case kAnimate: {
            const int from = int(message.first & 0xFFFF);
            const int to = int(message.first >> 16);
            const int seconds = message.second;
            if (seconds < 1) {
                // No step can be computed from no time: the run ends where it was to end.
                stepsLeft = 0;
                SetPosition(to);
                break;
            }
            SetPosition(from);
            stepsLeft = seconds * 4;
            step = (to - from) / stepsLeft;
            break;
        }
        default:
            break;
        }
    }

    // Outside the lock: the picture, then the bar, drawn as the window shows them.
    static std::shared_ptr<Platform::Surface> Compose(const std::shared_ptr<const Platform::Image>& image, int position)
    {
        auto surface = Platform::Surface::Create(image->width, image->height);
        if (!surface)
            return nullptr;
        {
            Platform::Painter painter(*surface);
            const double w = image->width, h = image->height;
            painter.FillRect(0, 0, w, h, kWindowColour, Platform::Blend::Source);
            if (auto picture = Platform::Surface::Wrap(image))
                painter.DrawImage(*picture, {0, 0, w, h}, {0, 0, w, h}, Platform::ImageMode::Copy);
            if (position >= 0) {
                const double x = 4, y = h - 20, bw = w - 8, bh = 16;
                painter.FillRect(x, y, bw, bh, kBarFrame, Platform::Blend::Source);
                painter.FillRect(x + 1, y + 1, bw - 2, bh - 2, kBarTrack, Platform::Blend::Source);
                const double filled = std::floor((bw - 2) * position / 100.0);
                if (filled > 0)
                    painter.FillRect(x + 1, y + 1, filled, bh - 2, kBarFill, Platform::Blend::Source);
            }
        }
        surface->Flush();
        return surface;
    }

    void Run(uint32_t stepMs)
    {
        std::unique_lock<std::mutex> guard(lock);
        if (!image) {
            finished = true;
            changed.notify_all();
            return;
        }
        const auto picture = image;
        auto nextStep = std::chrono::steady_clock::now();
        bool first = true;
        for (;;) {
            // Compose outside the lock, so that posting never waits on drawing.
            const int shown = position;
            guard.unlock();
            auto composed = Compose(picture, shown);
            guard.lock();
            frame = std::move(composed);
            ++frameNumber;
            if (first) {
                started = true;
                first = false;
                changed.notify_all();
            }
            Platform::EventPump::Wake();

            const auto hasWork = [&] { return quit || !queue.empty(); };
            if (stepsLeft > 0) {
                if (!changed.wait_until(guard, nextStep, hasWork)) {
                    SetPosition(position + step);
                    --stepsLeft;
                    nextStep += std::chrono::milliseconds(stepMs);
                    continue;
                }
            } else {
                changed.wait(guard, hasWork);
            }
            if (quit)
                break;
            while (!queue.empty()) {
                const bool wasAnimating = stepsLeft > 0;
                Handle(queue.front());
                queue.pop_front();
                if (!wasAnimating && stepsLeft > 0)
                    nextStep = std::chrono::steady_clock::now() + std::chrono::milliseconds(stepMs);
            }
        }
        finished = true;
        changed.notify_all();
    }
};

LSplashWindow::LSplashWindow(uint32_t stepMs, uint32_t startTimeoutMs)
    : m_shared(std::make_shared<Shared>()),
      m_stepMs(stepMs),
      m_startTimeoutMs(startTimeoutMs)
{
}

LSplashWindow::~LSplashWindow()
{
    Stop();
}

void LSplashWindow::SetImage(const RCPtr<LBitmap>& bitmap)
{
    std::lock_guard<std::mutex> guard(m_shared->lock);
    LBitmapData locked;
    if (m_shared->image || !bitmap || bitmap->LockBits(locked) != S_OK)
        return;
    auto copy = std::make_shared<Platform::Image>();
    copy->width = locked.width;
    copy->height = locked.height;
    copy->stride = locked.width * 4;
    copy->pixels.resize(size_t(copy->stride) * size_t(locked.height));
    for (int y = 0; y < locked.height; ++y)
        std::memcpy(copy->pixels.data() + size_t(y) * size_t(copy->stride),
                    locked.pixels + size_t(y) * size_t(locked.stride), size_t(copy->stride));
    bitmap->UnlockBits();
    m_shared->image = std::move(copy);
}

void LSplashWindow::Start()
{
    if (m_thread.joinable())
        return;
    std::shared_ptr<const Platform::Image> image;
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        image = m_shared->image;
        m_shared->started = m_shared->finished = m_shared->quit = false;
        m_shared->queue.clear();
    }
    if (image) {
        Platform::WindowParams params;
        params.width = image->width;
        params.height = image->height;
        params.resizable = false;
        params.decorated = false;
        params.topMost = true;
        params.utility = true;
        m_window = Platform::HostWindow::Create(params);
        if (!m_window) {
            DebugLog("Unable to create SplashWnd");
            return;
        }
        // Placed once shown: a window manager may move a window that is placed before.
        m_window->Show(Platform::ShowCommand::NoActivate);
        const Platform::RectI work = m_window->WorkArea();
        m_window->SetClientArea({(work.x + work.x + work.width - image->width) / 2,
                                 (work.y + work.y + work.height - image->height) / 2, image->width, image->height});
    }
    m_thread = std::thread([shared = m_shared, step = m_stepMs] { shared->Run(step); });
    std::unique_lock<std::mutex> guard(m_shared->lock);
    if (!m_shared->changed.wait_for(guard, std::chrono::milliseconds(m_startTimeoutMs),
                                    [&] { return m_shared->started; }))
        DebugLog("Error starting SplashThread");
}

void LSplashWindow::SetProgress(int position)
{
    m_shared->Post({kSetPosition, uint32_t(position), 0});
}

void LSplashWindow::AnimateProgress(int from, int to, int seconds)
{
    m_shared->Post({kAnimate, (uint32_t(from) & 0xFFFF) | (uint32_t(to) & 0xFFFF) << 16, seconds});
}

void LSplashWindow::Stop()
{
    if (m_thread.joinable()) {
        bool finished;
        {
            std::unique_lock<std::mutex> guard(m_shared->lock);
            m_shared->quit = true;
            m_shared->changed.notify_all();
            finished = m_shared->changed.wait_for(guard, std::chrono::milliseconds(kStopTimeoutMs),
                                                  [&] { return m_shared->finished; });
        }
        // A thread that does not end in time keeps only the shared state alive.
        if (finished)
            m_thread.join();
        else
            m_thread.detach();
        m_shared = std::make_shared<Shared>();
    }
    m_window.reset();
    m_shownFrame = 0;
    std::lock_guard<std::mutex> guard(m_shared->lock);
    m_shared->image = nullptr;
}

void LSplashWindow::Present()
{
    if (!m_window)
        return;
    std::shared_ptr<Platform::Surface> frame;
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        if (m_shared->frameNumber == m_shownFrame)
            return;
        frame = m_shared->frame;
        m_shownFrame = m_shared->frameNumber;
    }
    const Platform::Framebuffer target = m_window->LockFramebuffer();
    if (!frame || !target.pixels)
        return;
    // The frame is opaque: its premultiplied pixels are the window's XRGB.
    const int w = std::min(target.width, frame->Width());
    const int h = std::min(target.height, frame->Height());
    for (int y = 0; y < h; ++y)
        std::memcpy(target.pixels + size_t(y) * size_t(target.stride),
                    frame->Data() + size_t(y) * size_t(frame->Stride()), size_t(w) * 4);
    const Platform::RectI all{0, 0, w, h};
    m_window->PresentRects(&all, 1);
}

int LSplashWindow::GetPosition() const
{
    std::lock_guard<std::mutex> guard(m_shared->lock);
    return m_shared->position;
}

bool LSplashWindow::IsAnimating() const
{
    std::lock_guard<std::mutex> guard(m_shared->lock);
    return m_shared->stepsLeft > 0;
}

} // namespace KX
