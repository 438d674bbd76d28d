#pragma once
// Look-ups of the inner parts of the skin's small composites (labelled selectors, min/max, MSB/LSB,
// on/off and pressed/released pairs), which always carry the same child names, and operations over
// arrays of controls. A missing composite or child at any step gives null; nothing throws.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/NumericUpDown.h"
#include "KXFramework/Notification/NotificationHandler.h"
#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Utilities/Storage/IArray.h"

namespace ControlUtilities {

using ControlPtr = KX::RCPtr<KX::LControl>;

ControlPtr GetComboBoxChild(ControlPtr composite);
ControlPtr GetNumericUpDownChild(ControlPtr composite);
ControlPtr GetButtonChild(ControlPtr composite);
ControlPtr GetControlNameLabelChild(ControlPtr composite);
ControlPtr GetCCSelectorNumericUpDown(ControlPtr composite);
KX::RCPtr<KX::LNumericUpDown> GetNoteSelectorNumericUpDown(ControlPtr composite);
ControlPtr GetMSBLSBSelectorsChild(ControlPtr composite);
ControlPtr GetMSBNumericUpDown(ControlPtr composite);
ControlPtr GetLSBNumericUpDown(ControlPtr composite);
ControlPtr GetMinMaxSelectorsChild(ControlPtr composite);
ControlPtr GetMinNumericUpDown(ControlPtr composite);
ControlPtr GetMaxNumericUpDown(ControlPtr composite);
ControlPtr GetOnOffSelectorsChild(ControlPtr composite);
// These four are called on the pair composite itself.
ControlPtr GetOnNumericUpDown(ControlPtr onOffSelectors);
ControlPtr GetOffNumericUpDown(ControlPtr onOffSelectors);
ControlPtr GetPressedNumericUpDown(ControlPtr pressedReleasedSelectors);
ControlPtr GetReleasedNumericUpDown(ControlPtr pressedReleasedSelectors);

// The up-down's number in its range, truncated toward zero; 0 for a null or non-finite one.
int NumberOf(const KX::RCPtr<KX::LNumericUpDown>& box);
// NumberOf as a record byte.
char ByteOf(const KX::RCPtr<KX::LNumericUpDown>& box);

// A byte that no entry of a list names is shown as unknown, the same way on every panel and tile: a
// combo box selects nothing and reads kNoEntryText, a colour indicator shows the look after its
// colours' looks (an empty outline), a keybed zone's key reads kNoEntryText for its number and names,
// and nothing keeps what the control or the preset before it showed. The panel packs the byte back
// as it came unless the user picks an entry or sets that number.
inline constexpr const char16_t* kNoEntryText = u"?";

// Selects entry `position` of the combo box's list, or none with kNoEntryText shown for a position
// the list does not hold. Only a change of the selection is sent, as SetSelectedIndex sends it.
void ShowListPosition(const KX::RCPtr<KX::LComboBox>& combo, int position);

// Shows look `position` of a colour indicator whose look list holds one look per entry of a list of
// `count` colours and then the look of a colour that no entry names; null shows nothing.
void ShowColourLook(const ControlPtr& indicator, int position, int count);

// Shows the string-table text of `key` in `label`, `number` filled in when `hasNumber`.
void ShowKeyText(const ControlPtr& label, const char16_t* key, bool hasNumber, unsigned number);

// Registers `member` of the handler's owner for `name` with every element in order; a failure
// throws "Failed Result : ", the elements before it staying registered.
template <class T, class C>
void SetNotificationForAllArrayItems(const KX::IArray<KX::RCPtr<C>>& controls,
                                     const KX::RCPtr<KX::LNotificationHandler<T>>& handler, const char16_t* name,
                                     typename KX::LNotificationHandler<T>::Member member)
{
    for (unsigned i = 0; i < controls.GetCount(); ++i) {
        const KXRESULT r = handler ? handler->SetNotification(member, controls.GetAt(i), name, 0) : KX::E_INVALIDARG;
        if (KX::Failed(r))
            throw KX::Exception<KX::FailedResultException>(
                "Failed Result : " + KX::ResultToString(r) +
                " : SetNotificationForAllArrayItems : ui\\kivoseriescommon\\ControlUtilities : Line 29");
    }
}

// Gives every element the range (min, max), linear; E_FAIL when any element failed (every one is
// tried), else 0.
template <class C>
KXRESULT SetRangeForAll(const KX::IArray<KX::RCPtr<C>>& controls, double minimum, double maximum)
{
    KXRESULT result = KX::S_OK;
    for (unsigned i = 0; i < controls.GetCount(); ++i) {
        const KX::RCPtr<C>& c = controls.GetAt(i);
        if (!c || KX::Failed(c->SetRange(minimum, maximum, 0)))
            result = KX::E_FAIL;
    }
    return result;
}

} // namespace ControlUtilities
