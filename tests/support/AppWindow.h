#pragma once
// The window in which the application tests show their "mainControl", and its closing together with
// the application and the video session.
#include "KXFramework/ControlBase/OSWindow.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/VideoSystem.h"
#include "KXFramework/Renderer/Renderer.h"

#include "SdlEvents.h"

#include <SDL.h>

namespace KX::Test {

// A visible 300 × 200 window showing "mainControl" and told that it has the focus; null when either
// fails. The caller turns the loop to handle its first events.
inline OSWindow* OpenMainControlWindow()
{
    Platform::WindowParams params;
    params.width = 300;
    params.height = 200;
    params.visible = true;
    OSWindow* window = OSWindow::Create(params, LRenderer::kGdi);
    if (!window || window->GetRootWindow()->SetContentByName(u"mainControl") != S_OK)
        return nullptr;
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    PushWindowEvent(window->GetWindowHandle()->Id(), SDL_WINDOWEVENT_FOCUS_GAINED);
    return window;
}

// Closes the window when it is still open, then ends the application and the video session.
template <class App>
void CloseAppAndVideo(OSWindow* window, RCPtr<App>& app)
{
    if (window && OSWindow::FromId(window->GetWindowHandle()->Id()) == window)
        static_cast<void>(window->EndModal(0)); // closes the window
    OSWindow::RunOnce(0);
    if (app) {
        app->BreakCycles();
        app = nullptr;
    }
    Platform::VideoSystem::Stop();
}

} // namespace KX::Test
