#pragma once
// A scope for a long operation on the UI thread: the wait cursor and a status text show at once,
// and the cursor shown before comes back when the scope ends.
// Thread: UI thread only.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace KX {

class LRootWindow;

class LBusyCursor {
public:
    explicit LBusyCursor(const String& statusText);
    ~LBusyCursor();
    LBusyCursor(const LBusyCursor&) = delete;
    LBusyCursor& operator=(const LBusyCursor&) = delete;

private:
    RCPtr<LRootWindow> m_root;
    uintptr_t m_previous = 0;
};

} // namespace KX
