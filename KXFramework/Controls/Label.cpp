#include "KXFramework/Controls/Label.h"

namespace KX {

KXRESULT LLabel::PostInitialize()
{
    const KXRESULT r = LControl::PostInitialize();
    SetNotFocusable(true);
    return r;
}

String LLabel::GetToolTipText() const
{
    // IsTextTruncated lays the text out, which only fills caches.
    if (const_cast<LLabel*>(this)->IsTextTruncated())
        return GetText();
    return LControl::GetToolTipText();
}

} // namespace KX
