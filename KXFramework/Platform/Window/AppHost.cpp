#include "KXFramework/Platform/Window/AppHost.h"

#include "KXFramework/Platform/Process/TerminationWatch.h"
#include "KXFramework/Platform/Window/EventPump.h"
#include "KXFramework/Platform/Window/VideoSystem.h"

#include <atomic>
#include <poll.h>

namespace KX::Platform {

namespace {

std::atomic<AppHost*> g_current{nullptr};

} // namespace

AppHost::AppHost()
{
    g_current = this;
}

AppHost::~AppHost()
{
    AppHost* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

AppHost* AppHost::GetCurrent()
{
    return g_current;
}

int AppHost::Run()
{
    RunMessageLoop(); // the exit status is ExitInstance's
    return ExitInstance();
}

int AppHost::RunMessageLoop()
{
    while (!m_quit)
        PumpMessage(kTurnMs);
    m_quit = false;
    return m_exitCode;
}

void AppHost::PostQuitMessage(int exitCode)
{
    AppHost* host = g_current;
    if (!host)
        return;
    host->m_exitCode = exitCode;
    host->m_quit = true;
    host->m_ending = true;
    VideoSystem::NoteEndRequested();
    // Ends a wait at once; without video the turn ends at its time-out.
    EventPump::Wake();
}

void AppHost::WatchDescriptor(int descriptor, std::function<bool()> onReadable, std::function<void()> onEnding)
{
    m_descriptor = descriptor;
    m_onReadable = std::move(onReadable);
    m_onEnding = std::move(onEnding);
    m_workLeft = false;
}

void AppHost::ServeDescriptor()
{
    if (m_descriptor < 0 || !m_onReadable)
        return;
    if (IsEnding() || TerminationWatch::Requested()) {
        const std::function<void()> ending = std::move(m_onEnding);
        WatchDescriptor(-1, {});
        if (ending)
            ending();
        return;
    }
    pollfd entry{m_descriptor, POLLIN, 0};
    if (m_workLeft || (poll(&entry, 1, 0) == 1 && (entry.revents & (POLLIN | POLLERR | POLLHUP)) != 0)) {
        // The call may watch another descriptor, or none, in its place.
        const std::function<bool()> serve = m_onReadable;
        const bool workLeft = serve();
        if (m_onReadable && m_descriptor == entry.fd)
            m_workLeft = workLeft;
    }
}

} // namespace KX::Platform
