#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"

#include "KXFramework/Controls/ListBox.h"
#include "Panel/UI/DriverCommon/ChildLookup.h"

#include <cmath>

namespace ControlUtilities {

ControlPtr GetComboBoxChild(ControlPtr c)
{
    return FindChildAt(c, {u"comboBox"});
}
ControlPtr GetNumericUpDownChild(ControlPtr c)
{
    return FindChildAt(c, {u"numericUpDown"});
}
ControlPtr GetButtonChild(ControlPtr c)
{
    return FindChildAt(c, {u"button"});
}
ControlPtr GetControlNameLabelChild(ControlPtr c)
{
    return FindChildAt(c, {u"controlNameLabel"});
}
ControlPtr GetCCSelectorNumericUpDown(ControlPtr c)
{
    return FindChildAt(c, {u"ccSelector", u"numericUpDown"});
}
KX::RCPtr<KX::LNumericUpDown> GetNoteSelectorNumericUpDown(ControlPtr c)
{
    return KX::RCPtr<KX::LNumericUpDown>(FindChildAt(c, {u"noteSelector", u"numericUpDown"}));
}
ControlPtr GetMSBLSBSelectorsChild(ControlPtr c)
{
    return FindChildAt(c, {u"msbLSBSelectors"});
}
ControlPtr GetMSBNumericUpDown(ControlPtr c)
{
    return FindChildAt(c, {u"msbLSBSelectors", u"msb", u"numericUpDown"});
}
ControlPtr GetLSBNumericUpDown(ControlPtr c)
{
    return FindChildAt(c, {u"msbLSBSelectors", u"lsb", u"numericUpDown"});
}
ControlPtr GetMinMaxSelectorsChild(ControlPtr c)
{
    return FindChildAt(c, {u"minMaxSelectors"});
}
ControlPtr GetMinNumericUpDown(ControlPtr c)
{
    return FindChildAt(c, {u"minMaxSelectors", u"min", u"numericUpDown"});
}
ControlPtr GetMaxNumericUpDown(ControlPtr c)
{
    return FindChildAt(c, {u"minMaxSelectors", u"max", u"numericUpDown"});
}
ControlPtr GetOnOffSelectorsChild(ControlPtr c)
{
    return FindChildAt(c, {u"onOffSelectors"});
}
ControlPtr GetOnNumericUpDown(ControlPtr c)
{
    return FindChildAt(c, {u"on", u"numericUpDown"});
}
ControlPtr GetOffNumericUpDown(ControlPtr c)
{
    return FindChildAt(c, {u"off", u"numericUpDown"});
}
ControlPtr GetPressedNumericUpDown(ControlPtr c)
{
    return FindChildAt(c, {u"pressed", u"numericUpDown"});
}
ControlPtr GetReleasedNumericUpDown(ControlPtr c)
{
    return FindChildAt(c, {u"released", u"numericUpDown"});
}

int NumberOf(const KX::RCPtr<KX::LNumericUpDown>& box)
{
    if (!box)
        return 0;
    const double v = box->NormalizedToValue(box->GetValue());
    return std::isfinite(v) ? static_cast<int>(v) : 0;
}

char ByteOf(const KX::RCPtr<KX::LNumericUpDown>& box)
{
    return static_cast<char>(NumberOf(box));
}

void ShowListPosition(const KX::RCPtr<KX::LComboBox>& combo, int position)
{
    if (!combo)
        return;
    const KX::RCPtr<KX::LListBox>& list = combo->GetListBox();
    if (list && position >= 0 && position < list->GetItemCount()) {
        combo->SetSelectedIndex(position);
        return;
    }
    // Clearing the selection keeps the text shown before, which would name another value.
    combo->SetSelectedIndex(-1);
    static_cast<void>(combo->SetText(kNoEntryText)); // 1: it read so already
}

void ShowColourLook(const ControlPtr& indicator, int position, int count)
{
    if (indicator)
        static_cast<void>(indicator->SetLookExclusive(
            unsigned(position >= 0 && position < count ? position : count))); // the skin gives every look
}

void ShowKeyText(const ControlPtr& label, const char16_t* key, bool hasNumber, unsigned number)
{
    KX::String text;
    label->GetString(text, key);
    if (hasNumber)
        text = KX::String::Format(text.GetString(), number);
    label->SetText(text);
}

} // namespace ControlUtilities
