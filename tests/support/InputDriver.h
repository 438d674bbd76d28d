#pragma once
// Pointer and key input for a root window on a FakeWindow, injected through the root window's
// dispatch functions as the desktop window delivers it: a pointer that moved reaches the window as a
// move before its button record. Points are in client coordinates.
#include "KXFramework/ControlBase/RootWindow.h"

#include <cstdint>

namespace KX::Test {

class InputDriver {
public:
    // The root window is read at each call, so a fixture may make it after the driver; `modifiers`
    // are the mouse records' modifier keys (KeyCode::kCtrlFlag, kShiftFlag, kAltFlag).
    InputDriver(const RCPtr<LRootWindow>& root, const uint32_t& modifiers) : m_root(root), m_modifiers(modifiers) {}

    void Move(int32_t x, int32_t y) { m_root->DispatchMouseMove({x, y}, m_modifiers, 0); }
    void Press(int32_t x, int32_t y, int32_t button = kLeftButton, bool doubleClick = false)
    {
        m_root->DispatchMouseButton(doubleClick ? LRootWindow::kDoubleClick : LRootWindow::kPress, button, m_modifiers,
                                    {x, y}, 0);
    }
    void Release(int32_t x, int32_t y, int32_t button = kLeftButton)
    {
        m_root->DispatchMouseButton(LRootWindow::kRelease, button, m_modifiers, {x, y}, 0);
    }
    // The pointer moves onto the point even when it is there already, then presses and releases.
    void Click(int32_t x, int32_t y, int32_t button = kLeftButton)
    {
        Move(x, y);
        Press(x, y, button);
        Release(x, y, button);
    }
    // A packed key word (KeyCode) to the focus control.
    void Key(uint32_t key) { m_root->DispatchKey(RCPtr<LKeyParam>(new LKeyParam({key, 0, 0}))); }
    // The pointer is at the point with the buttons held, and no control hears of it: where a window
    // left it before the test, or a press another control handed over.
    void Place(int32_t x, int32_t y, uint32_t buttons = 0) { m_root->SetPointerState({{x, y}, buttons, m_modifiers}); }

private:
    const RCPtr<LRootWindow>& m_root;
    const uint32_t& m_modifiers;
};

} // namespace KX::Test
