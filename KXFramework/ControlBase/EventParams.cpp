#include "KXFramework/ControlBase/EventParams.h"

#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/Utilities/Storage/ReuseAllocator.h"

#include <new>

namespace KX {

namespace {

// The framework's pools run without a lock: every parameter is made and read on the UI thread.
template <class T, unsigned n>
void* PoolAllocate(std::size_t size)
{
    if (void* p = ProcessReuseAllocator<T, n, false>().Allocate(size))
        return p;
    throw std::bad_alloc();
}

template <class T, unsigned n>
void PoolFree(void* p)
{
    ProcessReuseAllocator<T, n, false>().Free(p);
}

} // namespace

RCPtr<LValueParam> LValueParam::Create(double value, double rangedValue)
{
    return RCPtr<LValueParam>(new LValueParam(value, rangedValue));
}

void* LValueParam::operator new(std::size_t size)
{
    return PoolAllocate<LValueParam, 4>(size);
}

void LValueParam::operator delete(void* p)
{
    PoolFree<LValueParam, 4>(p);
}

String LValueParam::ToString() const
{
    return String::Format(u"ValueParam = %lf", value);
}

RCPtr<LConditionsParam> LConditionsParam::Create(uint32_t previous, uint32_t current, const PointT<double>& point)
{
    return RCPtr<LConditionsParam>(new LConditionsParam(previous, current, point));
}

void* LConditionsParam::operator new(std::size_t size)
{
    return PoolAllocate<LConditionsParam, 4>(size);
}

void LConditionsParam::operator delete(void* p)
{
    PoolFree<LConditionsParam, 4>(p);
}

String LConditionsParam::ToString() const
{
    return String::Format(u"(%g, %g)", point.x, point.y);
}

String LPointParam::ToString() const
{
    return String::Format(u"point(%d, %d)", point.x, point.y);
}

RCPtr<LPointWithModifiersParam> LPointWithModifiersParam::Create(const PointT<int32_t>& p, uint32_t modifierKeys,
                                                                 uint32_t secondWord)
{
    return RCPtr<LPointWithModifiersParam>(new LPointWithModifiersParam(p, modifierKeys, secondWord));
}

void* LPointWithModifiersParam::operator new(std::size_t size)
{
    return PoolAllocate<LPointWithModifiersParam, 32>(size);
}

void LPointWithModifiersParam::operator delete(void* p)
{
    PoolFree<LPointWithModifiersParam, 32>(p);
}

String LPointWithModifiersParam::ToString() const
{
    String text = LPointParam::ToString();
    text += String::Format(u"  modifiers: 0x%08x", modifiers);
    return text;
}

RCPtr<LMouseButtonParam> LMouseButtonParam::Create(int32_t button, const PointT<int32_t>& p, uint32_t modifierKeys,
                                                   bool doubleClick, uint32_t heldButtons, uint32_t secondWord)
{
    return RCPtr<LMouseButtonParam>(
        new LMouseButtonParam(button, p, modifierKeys, doubleClick, heldButtons, secondWord));
}

void* LMouseButtonParam::operator new(std::size_t size)
{
    return PoolAllocate<LMouseButtonParam, 32>(size);
}

void LMouseButtonParam::operator delete(void* p)
{
    PoolFree<LMouseButtonParam, 32>(p);
}

RCPtr<LMouseWheelParam> LMouseWheelParam::Create(const PointT<int32_t>& p, uint32_t modifierKeys, int32_t direction)
{
    return RCPtr<LMouseWheelParam>(new LMouseWheelParam(p, modifierKeys, direction));
}

void* LMouseWheelParam::operator new(std::size_t size)
{
    return PoolAllocate<LMouseWheelParam, 4>(size);
}

void LMouseWheelParam::operator delete(void* p)
{
    PoolFree<LMouseWheelParam, 4>(p);
}

String LMouseWheelParam::ToString() const
{
    String text = LPointWithModifiersParam::ToString();
    text += direction != 0 ? u"  direction: up" : u"  direction: down";
    return text;
}

LKeyParam::LKeyParam(const KeyRecord& k) : key(k) {}

LKeyParam::~LKeyParam() = default;

LSiblingKeyParam::LSiblingKeyParam(const KeyRecord& k, const RCPtr<LControl>& from) : key(k), source(from) {}

LSiblingKeyParam::~LSiblingKeyParam() = default;

} // namespace KX
