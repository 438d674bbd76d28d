#include "KXFramework/Renderer/OpenGL/GLDisplayList.h"

#include "KXFramework/Renderer/OpenGL/GLImage.h"

#include <GL/gl.h>

namespace KX {

void LGLDisplayList::Create(RCPtr<LGLDisplayList>& out, uint32_t count)
{
    static const RCPtr<LGLDisplayList> empty(new LGLDisplayList(0));
    out = count == 0 ? empty : RCPtr<LGLDisplayList>(new LGLDisplayList(count));
}

LGLDisplayList::~LGLDisplayList()
{
    if (HasList(0)) {
        glDeleteLists(m_base, GLsizei(m_count));
        DrainGlErrors();
    }
}

bool LGLDisplayList::HasList(uint32_t index) const
{
    return m_base != kNoBase && glIsList(m_base + index);
}

KXRESULT LGLDisplayList::BeginList(uint32_t index)
{
    if (m_base == kNoBase) {
        const GLuint base = m_count ? glGenLists(GLsizei(m_count)) : 0;
        if (base != 0)
            m_base = base;
    }
    if (index >= m_count || !HasList(index))
        return E_FAIL;
    glNewList(m_base + index, GL_COMPILE);
    DrainGlErrors();
    return S_OK;
}

KXRESULT LGLDisplayList::EndList()
{
    if (!HasList(0))
        return E_FAIL;
    glEndList();
    DrainGlErrors();
    return S_OK;
}

KXRESULT LGLDisplayList::Call(uint32_t first, uint32_t count)
{
    if (m_base == kNoBase)
        return E_FAIL;
    if (uint64_t(first) + count > m_count)
        return E_INVALIDARG;
    for (uint32_t i = first; i < first + count; ++i) {
        if (!glIsList(m_base + i))
            return E_FAIL;
        glCallList(m_base + i);
        DrainGlErrors();
    }
    return S_OK;
}

} // namespace KX
