#pragma once
// The small payloads that control notifications carry: a value, a control's condition masks, a
// point with the keys held, a mouse button press, a key, and a key passed between siblings. The
// ones made on every pointer move or value change come from reuse pools.
// Thread: UI thread only.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstddef>
#include <cstdint>

namespace KX {

class LControl;

class LValueParam : public virtual LRefCountedObject {
public:
    static RCPtr<LValueParam> Create(double value, double rangedValue);
    static void* operator new(std::size_t size);
    static void operator delete(void* p);

    String ToString() const override;

    double value;       // normalised, in [0, 1]
    double rangedValue; // mapped through the control's range

private:
    LValueParam(double v, double ranged) : value(v), rangedValue(ranged) {}
};

class LConditionsParam : public virtual LRefCountedObject {
public:
    static RCPtr<LConditionsParam> Create(uint32_t previous, uint32_t current, const PointT<double>& point);
    static void* operator new(std::size_t size);
    static void operator delete(void* p);

    String ToString() const override;

    uint32_t previousMask;
    uint32_t currentMask;
    PointT<double> point;

private:
    LConditionsParam(uint32_t previous, uint32_t current, const PointT<double>& p)
        : previousMask(previous),
          currentMask(current),
          point(p)
    {
    }
};

class LPointParam : public virtual LRefCountedObject {
public:
    explicit LPointParam(const PointT<int32_t>& p) : point(p) {}

    String ToString() const override;

    PointT<int32_t> point;
};

class LPointWithModifiersParam : public LPointParam {
public:
    // Mouse modifiers: Ctrl 0x01, Shift 0x08, Alt 0x40. The second word is the pointer index.
    LPointWithModifiersParam(const PointT<int32_t>& p, uint32_t modifierKeys, uint32_t secondWord)
        : LPointParam(p),
          modifiers(modifierKeys),
          pointerIndex(secondWord)
    {
    }
    static RCPtr<LPointWithModifiersParam> Create(const PointT<int32_t>& p, uint32_t modifierKeys, uint32_t secondWord);
    static void* operator new(std::size_t size);
    static void operator delete(void* p);

    String ToString() const override;

    uint32_t modifiers;
    uint32_t pointerIndex;
};

// The mouse buttons as input records number them; a held-buttons word is a mask of them.
enum MouseButton : int32_t { kLeftButton = 1, kMiddleButton = 2, kRightButton = 4 };

class LMouseButtonParam : public LPointWithModifiersParam {
public:
    // button is a MouseButton; heldButtons is the mask after the event.
    static RCPtr<LMouseButtonParam> Create(int32_t button, const PointT<int32_t>& p, uint32_t modifierKeys,
                                           bool doubleClick, uint32_t heldButtons, uint32_t secondWord);
    static void* operator new(std::size_t size);
    static void operator delete(void* p);

    int32_t button;
    bool isDoubleClick;
    uint32_t heldButtons;

private:
    LMouseButtonParam(int32_t b, const PointT<int32_t>& p, uint32_t modifierKeys, bool doubleClick, uint32_t held,
                      uint32_t secondWord)
        : LPointWithModifiersParam(p, modifierKeys, secondWord),
          button(b),
          isDoubleClick(doubleClick),
          heldButtons(held)
    {
    }
};

// Directions: 0 down, 1 up, 2 left, 3 right. The point is in the window's client coordinates.
class LMouseWheelParam : public LPointWithModifiersParam {
public:
    LMouseWheelParam(const PointT<int32_t>& p, uint32_t modifierKeys, int32_t d)
        : LPointWithModifiersParam(p, modifierKeys, 0),
          direction(d)
    {
    }
    static RCPtr<LMouseWheelParam> Create(const PointT<int32_t>& p, uint32_t modifierKeys, int32_t direction);
    static void* operator new(std::size_t size);
    static void operator delete(void* p);

    String ToString() const override;

    int32_t direction;
};

// The three words of a key record, as the window layer packs them.
struct KeyRecord {
    uint32_t key = 0;
    uint32_t modifiers = 0;
    uint32_t flags = 0;
};

class LKeyParam : public virtual LRefCountedObject {
public:
    explicit LKeyParam(const KeyRecord& k);
    ~LKeyParam() override;

    KeyRecord key;
    bool handled = false;
    // The controls the key has passed on its way up.
    RCPtrArray<LControl, 1, 0> receivers;
};

class LSiblingKeyParam : public virtual LRefCountedObject {
public:
    LSiblingKeyParam(const KeyRecord& k, const RCPtr<LControl>& from);
    ~LSiblingKeyParam() override;

    KeyRecord key;
    RCPtr<LControl> source;
    int32_t consumed = -1; // a handler clears it to mark the key used
};

} // namespace KX
