#include "KXFramework/Renderer/OpenGL/GLRenderContextInfo.h"

#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Renderer/OpenGL/GLImage.h"

#include <GL/gl.h>

namespace KX {

LGLRenderContextInfo::LGLRenderContextInfo(const RectT<int32_t>& viewport, Platform::HostWindow* window, bool offscreen)
    : LRenderContextInfo(viewport, window, offscreen)
{
    // Without a current context GL writes nothing and the maxima stay 0.
    GLint dims[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    DrainGlErrors();
    m_maxWidth = dims[0];
    m_maxHeight = dims[1];
}

void LGLRenderContextInfo::SwapBuffers()
{
    if (!IsOffscreen() && GetWindow())
        GetWindow()->SwapGl();
}

} // namespace KX
