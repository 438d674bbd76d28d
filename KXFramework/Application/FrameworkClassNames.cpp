#include "KXFramework/Application/FrameworkClassNames.h"

#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/CenteredSlider.h"
#include "KXFramework/Controls/CheckedComboBox.h"
#include "KXFramework/Controls/CheckedListBox.h"
#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/ComboMenu.h"
#include "KXFramework/Controls/ComboSlider.h"
#include "KXFramework/Controls/FileDropper.h"
#include "KXFramework/Controls/Knob.h"
#include "KXFramework/Controls/Label.h"
#include "KXFramework/Controls/LevelMeter.h"
#include "KXFramework/Controls/ListBox.h"
#include "KXFramework/Controls/ListBoxItem.h"
#include "KXFramework/Controls/MainMenu.h"
#include "KXFramework/Controls/MultiColumnListBox.h"
#include "KXFramework/Controls/NumericUpDown.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/Controls/PopupMenu.h"
#include "KXFramework/Controls/ProgressBar.h"
#include "KXFramework/Controls/Scrollbar.h"
#include "KXFramework/Controls/Slider.h"
#include "KXFramework/Controls/SplitterBase.h"
#include "KXFramework/Controls/StatusBar.h"
#include "KXFramework/Controls/TabControl.h"
#include "KXFramework/Controls/TextBox.h"
#include "KXFramework/Controls/ToolTip.h"
#include "KXFramework/Controls/TreeView.h"

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
    {u"Framework.listbox2ColumnSortable", &CreateControlOf<LMultiColumnListBox>, 105},
    {u"Framework.ScrollBar", &CreateControlOf<LScrollbar>, 106},
    {u"Framework.ScrollChannel", &CreateControlOf<LPanel>, 107},
    {u"Framework.ComboBox", &CreateControlOf<LComboBox>, 108},
    {u"Framework.ComboTextBox", &CreateControlOf<LComboBox>, 109},
    {u"Framework.CheckedComboBox", &CreateControlOf<LCheckedComboBox>, 110},
    {u"Framework.ComboBoxWithIcons", &CreateControlOf<LCheckedComboBox>, 111},
    {u"Framework.ComboSlider", &CreateControlOf<LComboSlider>, 112},
    {u"Framework.ComboSlider.DropDownPanel", &CreateControlOf<LPanel>, 113},
    {u"Framework.Slider", &CreateControlOf<LSlider>, 114},
    {u"Framework.Knob", &CreateControlOf<LKnob>, 115},
    {u"Framework.TabControl", &CreateControlOf<LTabControl>, 116},
    {u"Framework.Label", &CreateControlOf<LLabel>, 117},
    {u"Framework.TextBox", &CreateControlOf<LTextBox>, 118},
    {u"Framework.NumericUpDown", &CreateControlOf<LNumericUpDown>, 119},
    {u"Framework.Panel", &CreateControlOf<LPanel>, 120},
    {u"Framework.ToolTip", &CreateControlOf<LToolTip>, 121},
    {u"Framework.PopupMenu", &CreateControlOf<LPopupMenu>, 122},
    {u"Framework.MenuItem", &CreateControlOf<LMenuListBoxItem>, 123},
    {u"Framework.ComboMenu", &CreateControlOf<LComboMenu>, 124},
    {u"Framework.MainMenu", &CreateControlOf<LMainMenu>, 125},
    {u"Framework.FileDropper", &CreateControlOf<LFileDropper>, 126},
    {u"Framework.StatusBar", &CreateControlOf<LStatusBar>, 127},
    {u"Framework.SplitterH", &CreateControlOf<LSplitterH>, 128},
    {u"Framework.SplitterV", &CreateControlOf<LSplitterV>, 129},
    {u"Framework.LevelMeter", &CreateControlOf<LLevelMeter>, 130},
    {u"Framework.ProgressBar", &CreateControlOf<LProgressBar>, 131},
    {u"Framework.TreeView", &CreateControlOf<LTreeView>, 132},
    {u"Framework.TreeViewItem", &CreateControlOf<LTreeViewItem>, 133},
    {u"Framework.CenteredSlider", &CreateControlOf<LCenteredSlider>, 135},
    {u"Framework.CenteredSliderBounds", &CreateControlOf<LPanel>, 136},
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
