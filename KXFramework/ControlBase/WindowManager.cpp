#include "KXFramework/ControlBase/WindowManager.h"

#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/OSWindow.h"
#include "KXFramework/Platform/Window/EventPump.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/VideoSystem.h"

namespace KX {

LWindowManager& LWindowManager::Current()
{
    static std::unique_ptr<LWindowManager> current;
    // A loop still running in the old session's windows keeps their manager until it ends.
    const uint64_t session = Platform::VideoSystem::Session();
    if (!current || (current->m_session != session && current->m_loopDepth == 0))
        current.reset(new LWindowManager(session));
    return *current;
}

LWindowManager::LWindowManager(uint64_t session) : m_session(session) {}

LWindowManager::~LWindowManager() = default;

Platform::EventPump& LWindowManager::GetEventPump()
{
    if (!m_pump)
        m_pump = std::make_unique<Platform::EventPump>();
    return *m_pump;
}

OSWindow* LWindowManager::FindWindow(uint32_t id) const
{
    const auto it = m_windows.find(id);
    return it == m_windows.end() ? nullptr : it->second;
}

std::vector<OSWindow*> LWindowManager::GetWindows() const
{
    std::vector<OSWindow*> windows;
    for (const auto& [id, window] : m_windows)
        windows.push_back(window);
    return windows;
}

void LWindowManager::DeleteClosedWindows()
{
    if (m_loopDepth == 0)
        m_closed.clear();
}

void LWindowManager::RetireWindow(OSWindow* window)
{
    m_closed.emplace_back(window);
}

uintptr_t LWindowManager::ExchangeCursor(uintptr_t cursor)
{
    const uintptr_t previous = m_cursor;
    m_cursor = cursor;
    return previous;
}

} // namespace KX
