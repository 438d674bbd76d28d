#pragma once
// What a root window asks of the operating-system window that hosts it.
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace KX {

class IWindowOSServices {
public:
    virtual ~IWindowOSServices() = default;
    virtual void SetWindowTitle(const String& title) = 0;
    virtual void InvalidateAll() = 0;
    virtual void InvalidateArea(const RectT<int32_t>& area) = 0;
    // Client size, and the screen position of the client origin.
    virtual RectT<int32_t> GetClientArea() const = 0;
    // Moves and sizes the client area (screen position and size).
    virtual void SetWindowArea(const RectT<int32_t>& area) = 0;
    virtual bool IsActive() const = 0;
    // The pointer in client coordinates, as the window last saw it.
    virtual PointT<int32_t> GetCursorPosition() const = 0;
    // The cursor shown before.
    virtual uintptr_t SetCursor(uintptr_t cursor) = 0;
};

} // namespace KX
