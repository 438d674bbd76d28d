#include "KXFramework/ControlBase/LayoutDescriptor.h"

namespace KX {

namespace {

bool IsAxis(int axis)
{
    return axis == 0 || axis == 1;
}

} // namespace

LLayoutDescriptor::LLayoutDescriptor()
{
    size[0].absolute = 16.0;
    size[1].absolute = 40.0;
}

RCPtr<LLayoutDescriptor> LLayoutDescriptor::Clone() const
{
    // The copy constructor starts the copy with counters of its own.
    return RCPtr<LLayoutDescriptor>(new LLayoutDescriptor(*this));
}

KXRESULT LLayoutDescriptor::GetPlacement(int axis, PositionSpec& outPosition, SizeSpec& outSize) const
{
    if (!IsAxis(axis))
        return E_INVALIDARG;
    outPosition = position[axis];
    outSize = size[axis];
    return S_OK;
}

KXRESULT LLayoutDescriptor::SetPlacement(int axis, const PositionSpec& newPosition, const SizeSpec& newSize)
{
    if (!IsAxis(axis))
        return E_INVALIDARG;
    position[axis] = newPosition;
    size[axis] = newSize;
    return S_OK;
}

KXRESULT LLayoutDescriptor::GetSizeLimitSpecs(int axis, SizeLimitSpec& minimum, SizeLimitSpec& maximum) const
{
    if (!IsAxis(axis))
        return E_INVALIDARG;
    minimum = minSize[axis];
    maximum = maxSize[axis];
    return S_OK;
}

KXRESULT LLayoutDescriptor::SetSizeLimitSpecs(int axis, const SizeLimitSpec& minimum, const SizeLimitSpec& maximum)
{
    if (!IsAxis(axis))
        return E_INVALIDARG;
    minSize[axis] = minimum;
    maxSize[axis] = maximum;
    return S_OK;
}

} // namespace KX
