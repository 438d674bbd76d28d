#include "KXFramework/ControlBase/BusyCursor.h"

#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"

namespace KX {

LBusyCursor::LBusyCursor(const String& statusText)
{
    IFrameworkServices* services = GetFrameworkServices();
    if (!services)
        return;
    m_root = services->GetActiveRootWindow();
    if (!m_root)
        m_root = services->GetApplicationRootWindow();
    if (m_root)
        m_previous = m_root->SetCursor(services->LoadAppCursor(u"UI_CURSOR_WAIT"));
    // Without a status bar there is no text to show; the cursor still tells the user to wait.
    (void)services->SetStatusText(statusText, true);
    // One idle pass, so that the cursor and the text appear before the work starts.
    services->RunIdle(0);
}

LBusyCursor::~LBusyCursor()
{
    if (m_root)
        m_root->SetCursor(m_previous);
    if (IFrameworkServices* services = GetFrameworkServices())
        (void)services->ResetStatusText(false);
}

} // namespace KX
