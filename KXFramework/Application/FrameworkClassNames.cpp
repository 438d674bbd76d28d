#include "KXFramework/Application/FrameworkClassNames.h"

#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/CheckedListBox.h"
#include "KXFramework/Controls/Label.h"
#include "KXFramework/Controls/ListBox.h"
#include "KXFramework/Controls/ListBoxItem.h"
#include "KXFramework/Controls/Scrollbar.h"
#include "KXFramework/Controls/SplitterBase.h"
#include "KXFramework/Controls/StatusBar.h"
#include "KXFramework/Controls/ToolTip.h"

namespace KX {

namespace {

struct ClassName {
    const char16_t* name;
    ControlCreateFunction function;
    int line;
};

const ClassName kClassNames[] = {
    {u"Framework.Button", &CreateControlOf<LButton>, 94},
    {u"Framework.OverlayButton", &CreateControlOf<LListBoxItem>, 97},
    {u"Framework.ListBox", &CreateControlOf<LListBox>, 99},
    {u"Framework.listboxNoScroll", &CreateControlOf<LListBox>, 100},
    {u"Framework.ListBoxItem", &CreateControlOf<LListBoxItem>, 101},
    {u"Framework.CheckedListBox", &CreateControlOf<LCheckedListBox>, 102},
    {u"Framework.CheckedListBoxItem", &CreateControlOf<LCheckedListBoxItem>, 103},
    {u"Framework.ListBoxWithIcons", &CreateControlOf<LCheckedListBox>, 104},
    {u"Framework.ScrollBar", &CreateControlOf<LScrollbar>, 106},
    {u"Framework.Label", &CreateControlOf<LLabel>, 117},
    {u"Framework.ToolTip", &CreateControlOf<LToolTip>, 121},
    {u"Framework.StatusBar", &CreateControlOf<LStatusBar>, 127},
    {u"Framework.SplitterH", &CreateControlOf<LSplitterH>, 128},
    {u"Framework.SplitterV", &CreateControlOf<LSplitterV>, 129},
};

} // namespace

KXRESULT RegisterFrameworkClassNames(LControlClassRegistry& registry, int& failedLine)
{
    failedLine = 0;
    for (const ClassName& c : kClassNames) {
        const KXRESULT r = registry.RegisterControlCreateFunction(c.name, c.function);
        if (Failed(r)) {
            failedLine = c.line;
            return r;
        }
    }
    return S_OK;
}

} // namespace KX
