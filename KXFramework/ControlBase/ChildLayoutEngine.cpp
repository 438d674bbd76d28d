#include "KXFramework/ControlBase/ChildLayoutEngine.h"

#include "KXFramework/ControlBase/Control.h"

#include <algorithm>
#include <cmath>

namespace KX {

namespace {

constexpr double kEpsilon = 2.220446049250313e-16;

double Round(double v)
{
    return LControl::Round(v);
}

double Along(const RectT<double>& r, int axis)
{
    return axis == 0 ? r.x : r.y;
}

double Extent(const RectT<double>& r, int axis)
{
    return axis == 0 ? r.width : r.height;
}

double& Along(PointT<double>& p, int axis)
{
    return axis == 0 ? p.x : p.y;
}

double Along(const PointT<double>& p, int axis)
{
    return axis == 0 ? p.x : p.y;
}

bool IsDocked(const LControl& c, int axis)
{
    const LLayoutDescriptor* layout = c.GetLayoutDescriptor().Get();
    return layout && layout->position[axis].docked;
}

// A sibling's position and extent on an axis, its position taken before the parent's scroll
// offset when it is docked there; zero for a missing sibling.
void SiblingReference(const LControl* parent, const String& name, int axis, double& position, double& extent)
{
    position = extent = 0.0;
    if (!parent)
        return;
    const RCPtr<LControl>& sibling = parent->FindChild(name);
    if (!sibling)
        return;
    position = Along(sibling->GetRect(), axis);
    extent = Extent(sibling->GetRect(), axis);
    if (IsDocked(*sibling, axis))
        position -= Along(parent->GetScrollOffset(), axis);
}

// A child's rectangle in the coordinates of the control's parent, before the control's scrolling.
RectT<double> ChildInParent(const LControl& control, const LControl& child)
{
    const PointT<double> origin = control.GetClientOrigin();
    RectT<double> r = child.GetRect();
    r.x += origin.x + control.GetRect().x;
    r.y += origin.y + control.GetRect().y;
    for (int axis = 0; axis < 2; ++axis) {
        if (IsDocked(child, axis))
            (axis == 0 ? r.x : r.y) -= Along(control.GetScrollOffset(), axis);
    }
    return r;
}

RectT<double> Union(const RectT<double>& a, const RectT<double>& b)
{
    const double left = std::min(a.x, b.x);
    const double top = std::min(a.y, b.y);
    const double right = std::max(a.x + a.width, b.x + b.width);
    const double bottom = std::max(a.y + a.height, b.y + b.height);
    return {left, top, right - left, bottom - top};
}

// The rectangle a size limit refers to: the child of that name, or for "Children" the union of
// the children (the first one always, the others when visible; for a maximum without those docked
// on both axes), placed at the control's own position less the anchor share. False when the
// control has no children.
bool LimitReference(const LControl& control, const SizeLimitSpec& spec, bool forMaximum, RectT<double>& out)
{
    const LControl::ChildControlList& children = control.GetChildren();
    if (children.GetCount() == 0)
        return false;
    if (const RCPtr<LControl>& named = control.FindChild(spec.referenceName)) {
        out = ChildInParent(control, *named);
        return true;
    }
    if (spec.referenceName != String(u"Children")) {
        out = {};
        return true;
    }
    bool any = false;
    for (unsigned i = 0; i < children.GetCount(); ++i) {
        const LControl& child = *children.GetAt(i, LControl::kInsertionOrder);
        const LLayoutDescriptor* layout = child.GetLayoutDescriptor().Get();
        if (i > 0 && !(layout && layout->isVisible))
            continue;
        if (forMaximum && IsDocked(child, 0) && IsDocked(child, 1))
            continue;
        const RectT<double> r = ChildInParent(control, child);
        out = any ? Union(out, r) : r;
        any = true;
    }
    if (!any)
        out = {};
    const LLayoutDescriptor& layout = *control.GetLayoutDescriptor();
    out.x = control.GetRect().x - layout.position[0].anchor * out.width;
    out.y = control.GetRect().y - layout.position[1].anchor * out.height;
    return true;
}

} // namespace

RectT<double> RoundRectEdges(const RectT<double>& r)
{
    const double left = Round(r.x);
    const double top = Round(r.y);
    const double right = Round(r.x + r.width);
    const double bottom = Round(r.y + r.height);
    return {left, top, right - left, bottom - top};
}

KXRESULT CalculateLayoutRect(const LLayoutDescriptor* layout, const LControl* parent, const RectT<double>& parentRect,
                             const PointT<double>& clientSize, const PointT<double>& referencePoint, RectT<double>& out)
{
    if (!layout)
        return E_INVALIDARG;
    double coordinate[2] = {0.0, 0.0};
    double extent[2] = {0.0, 0.0};
    RectT<double> client{};
    if (parent)
        client = parent->GetClientRect();
    for (int axis = 0; axis < 2; ++axis) {
        double parentExtent, originTerm, clientExtent;
        if (parent) {
            parentExtent = Extent(parent->GetRect(), axis);
            originTerm = -Along(client, axis);
            clientExtent = Extent(client, axis);
        } else {
            parentExtent = Extent(parentRect, axis);
            originTerm = Along(parentRect, axis);
            clientExtent = Along(clientSize, axis);
        }
        const PositionSpec& pos = layout->position[axis];
        double p;
        switch (pos.referenceKind) {
        case PositionSpec::kParent:
            p = Round(double(pos.relative) * parentExtent) + pos.absolute + originTerm;
            break;
        case PositionSpec::kClient:
            p = Round(double(pos.relative) * clientExtent) + pos.absolute;
            break;
        default: {
            double refPosition = 0.0, refExtent = 0.0;
            if (parent)
                SiblingReference(parent, pos.referenceName, axis, refPosition, refExtent);
            else
                refPosition = Along(referencePoint, axis);
            p = Round(double(pos.relative) * refExtent) + refPosition + pos.absolute;
            break;
        }
        }
        const SizeSpec& size = layout->size[axis];
        double s;
        if (size.referenceKind == SizeSpec::kSelf) {
            s = std::max(size.absolute, 0.0);
        } else {
            double refPosition = 0.0, refExtent = 0.0;
            if (size.referenceKind == SizeSpec::kParent) {
                refPosition = originTerm;
                refExtent = parentExtent;
            } else if (size.referenceKind == SizeSpec::kClient) {
                refExtent = clientExtent;
            } else if (parent) {
                SiblingReference(parent, size.referenceName, axis, refPosition, refExtent);
            }
            const double far = Round(double(size.relative) * refExtent) + refPosition + size.absolute;
            const double d = far - p;
            const double a = pos.anchor;
            if (d > 0.0 && a >= 0.0 && a < 1.0)
                s = d / (1.0 - a);
            else if (d < 0.0 && a > 0.0 && a <= 1.0)
                s = -d / a;
            else
                s = 0.0;
        }
        double x = p - double(pos.anchor) * s;
        if (pos.docked && parent)
            x += Along(parent->GetScrollOffset(), axis);
        coordinate[axis] = x;
        extent[axis] = s;
    }
    out = RoundRectEdges({coordinate[0], coordinate[1], extent[0], extent[1]});
    return S_OK;
}

KXRESULT ApplyLayoutMinSize(LControl& control, PointT<double>& position, PointT<double>& size)
{
    const LLayoutDescriptor* layout = control.GetLayoutDescriptor().Get();
    if (!layout)
        return E_INVALIDARG;
    KXRESULT result = S_OK;
    for (int axis = 0; axis < 2; ++axis) {
        const SizeLimitSpec& spec = layout->minSize[axis];
        const double anchor = layout->position[axis].anchor;
        double& p = Along(position, axis);
        double& s = Along(size, axis);
        if (!spec.hasReference) {
            double minimum = std::max(spec.absolute, control.GetTextMinimumSize(axis, size));
            if (s < minimum) {
                p -= Round(anchor * (minimum - s));
                s = minimum;
                result = S_FALSE;
            }
            continue;
        }
        RectT<double> reference;
        if (!LimitReference(control, spec, false, reference) || !(Extent(reference, axis) > 0.0))
            continue;
        double far = double(spec.relative) * Extent(reference, axis) + Along(reference, axis) + spec.absolute;
        // The children must fit inside the look's border, so the border belongs to the minimum
        // whether or not the control is already larger than the children alone.
        if (spec.referenceName == String(u"Children"))
            far += Extent(control.GetRect(), axis) - Extent(control.GetLookClientRect(-1), axis);
        bool changed = false;
        if (p <= far && p + s < far) {
            if (!(anchor >= 0.0 && anchor < 1.0)) {
                result = E_FAIL;
                continue;
            }
            p -= Round(anchor * (far - (p + s)) / (1.0 - anchor));
            s = Round(far) - p;
            changed = true;
        } else if (p > far) {
            if (!(anchor > 0.0 && anchor <= 1.0)) {
                result = E_FAIL;
                continue;
            }
            const double d = p - far;
            p -= d;
            s += Round(d / anchor);
            changed = true;
        }
        if (changed && result != E_FAIL)
            result = S_FALSE;
    }
    return result;
}

KXRESULT ApplyLayoutMaxSize(LControl& control, PointT<double>& position, PointT<double>& size)
{
    const LLayoutDescriptor* layout = control.GetLayoutDescriptor().Get();
    if (!layout)
        return E_INVALIDARG;
    KXRESULT result = S_OK;
    for (int axis = 0; axis < 2; ++axis) {
        const SizeLimitSpec& spec = layout->maxSize[axis];
        const double anchor = layout->position[axis].anchor;
        double& p = Along(position, axis);
        double& s = Along(size, axis);
        if (!spec.hasReference) {
            // 0 means no maximum; a negative one, which would give a negative size, counts the same.
            if (spec.absolute > 0.0 && s > spec.absolute) {
                p -= Round(anchor * (spec.absolute - s));
                s = spec.absolute;
                result = S_FALSE;
            }
            continue;
        }
        RectT<double> reference;
        if (!LimitReference(control, spec, true, reference) || !(reference.width > kEpsilon) ||
            !(reference.height > kEpsilon))
            continue;
        const double far = double(spec.relative) * Extent(reference, axis) + Along(reference, axis) + spec.absolute;
        if (p < far && far < p + s && far > anchor) {
            p -= Round(anchor * (far - (p + s)));
            s = Round(far) - p;
            result = S_FALSE;
        }
    }
    return result;
}

} // namespace KX
