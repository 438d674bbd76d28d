#include "KXFramework/Platform/Window/VirtualHostWindow.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

namespace KX::Platform {

namespace {

// SDL numbers its windows from 1; these stay far above.
std::atomic<uint32_t> g_nextId = 0x40000000;

} // namespace

VirtualHostWindow::VirtualHostWindow(const WindowParams& params)
    : m_id(g_nextId++),
      m_title(params.title),
      m_area{params.x, params.y, ClampClientSide(params.width), ClampClientSide(params.height)},
      m_visible(params.visible),
      m_topMost(params.topMost)
{
    Reallocate();
}

void VirtualHostWindow::SetClientArea(RectI area)
{
    area.width = std::clamp(area.width, m_minSize.width, m_maxSize.width);
    area.height = std::clamp(area.height, m_minSize.height, m_maxSize.height);
    const bool resized = area.width != m_area.width || area.height != m_area.height;
    m_area = area;
    if (resized)
        Reallocate();
}

bool VirtualHostWindow::Show(ShowCommand command)
{
    const bool wasVisible = m_visible;
    m_visible = command != ShowCommand::Hide;
    if (command == ShowCommand::Maximized)
        m_maximized = true;
    else if (command == ShowCommand::Restore || command == ShowCommand::Normal)
        m_maximized = false;
    return wasVisible;
}

void VirtualHostWindow::SetClientSizeLimits(SizeI min, SizeI max)
{
    m_minSize = SizeI{ClampClientSide(min.width), ClampClientSide(min.height)};
    m_maxSize = SizeI{std::max(m_minSize.width, ClampClientSide(max.width)),
                      std::max(m_minSize.height, ClampClientSide(max.height))};
    SetClientArea(m_area);
}

void VirtualHostWindow::SetPlacement(const Placement& placement)
{
    SetClientArea(placement.normal);
    m_maximized = placement.maximized;
}

Framebuffer VirtualHostWindow::LockFramebuffer()
{
    m_locked = true;
    return Framebuffer{reinterpret_cast<uint8_t*>(m_framebuffer.data()), m_area.width, m_area.height, m_area.width * 4};
}

bool VirtualHostWindow::PresentRects(const RectI* rects, int count)
{
    if (!m_locked)
        return false;
    const RectI bounds{0, 0, m_area.width, m_area.height};
    for (int i = 0; rects && i < count; ++i) {
        const RectI part = rects[i].Intersect(bounds);
        if (part.IsEmpty())
            continue;
        for (int y = part.y; y < part.y + part.height; ++y) {
            const size_t row = size_t(y) * size_t(m_area.width) + size_t(part.x);
            std::memcpy(&m_screen[row], &m_framebuffer[row], size_t(part.width) * 4);
        }
        m_presented.push_back(part);
    }
    return true;
}

void VirtualHostWindow::Fill(uint32_t xrgb)
{
    std::fill(m_framebuffer.begin(), m_framebuffer.end(), xrgb);
    std::fill(m_screen.begin(), m_screen.end(), xrgb);
}

uint32_t VirtualHostWindow::ScreenPixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_area.width || y >= m_area.height)
        return 0;
    return m_screen[size_t(y) * size_t(m_area.width) + size_t(x)];
}

uint32_t VirtualHostWindow::FramebufferPixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_area.width || y >= m_area.height)
        return 0;
    return m_framebuffer[size_t(y) * size_t(m_area.width) + size_t(x)];
}

std::vector<RectI> VirtualHostWindow::TakePresented()
{
    return std::exchange(m_presented, {});
}

void VirtualHostWindow::Reallocate()
{
    // New storage, as a desktop window gets after a size change: a framebuffer locked before is stale.
    const size_t pixels = size_t(m_area.width) * size_t(m_area.height);
    m_framebuffer = std::vector<uint32_t>(pixels, 0);
    m_screen = std::vector<uint32_t>(pixels, 0);
    m_locked = false;
}

} // namespace KX::Platform
