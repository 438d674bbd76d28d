#pragma once
// A list box whose entries carry a check state and an optional icon, shown by the "checkBox"
// button of each row. A click on a check box records the new state and reports it.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/ListBox.h"
#include "KXFramework/Utilities/Graphics/Bitmap.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"

#include <cstdint>

namespace KX {

class LIndexedDataParam : public virtual LRefCountedObject {
public:
    LIndexedDataParam(const RCPtr<LRefCountedObject>& d, int32_t i) : data(d), index(i) {}
    String ToString() const override;

    const RCPtr<LRefCountedObject> data;
    const int32_t index;
};

class LIndexedDataWithValueParam : public LIndexedDataParam {
public:
    LIndexedDataWithValueParam(const RCPtr<LRefCountedObject>& d, int32_t i, double v)
        : LIndexedDataParam(d, i),
          value(v)
    {
    }
    String ToString() const override;

    const double value;
};

class LCheckedListBoxItem : public LControlWithHandler<LListBoxItem, LCheckedListBoxItem> {
public:
    using LControlWithHandler::LControlWithHandler;

    [[nodiscard]] KXRESULT Initialize() override;
    virtual bool SetItemLook(unsigned look, bool exclusive);

    // The "checkBox" child; null when the skin has none.
    RCPtr<LButton> GetCheckBox() const;
    // Without a check box these return 1, for the record only; callers may ignore it.
    KXRESULT SetCheckBoxLook(unsigned look);
    void SetCheckBoxValue(bool on);
    void SetCheckBoxVisible(bool visible);
    KXRESULT SetCheckBoxIcon(const RCPtr<LBitmap>& icon);

    bool checkBoxFollowsLook = false;

private:
    [[nodiscard]] KXRESULT OnCheckBoxHoverChanged(const RCPtr<LNotificationDistributor>& sender,
                                                  const RCPtr<LNotification>& n);
};

class LCheckedListBox : public LListBox {
public:
    using LListBox::LListBox;

    [[nodiscard]] KXRESULT Initialize() override;
    int32_t SetItemCount(int32_t n) override;
    KXRESULT RefreshItem(int32_t index, int32_t& row) override;
    virtual void SetAutoCheck(bool on);
    virtual void RecountChecked();

    // Out-of-range indices and unchanged states do nothing; sends nothing.
    void SetItemChecked(int32_t index, bool checked);
    bool IsItemChecked(int32_t index) const;
    RCPtr<LBitmap> GetItemIcon(int32_t index) const;
    RCPtr<LCheckedListBoxItem> GetCheckedItemControl(int32_t row) const;
    void SetCheckBoxesPassive(bool passive);
    // Row icons cycle through these instead of the entries' own.
    void AddIcon(const RCPtr<LBitmap>& icon) { m_icons.AddItem(icon); }
    bool HasIcons() const { return m_icons.GetCount() > 0; }
    int32_t GetCheckedCount() const { return m_checkedCount; }
    bool IsAutoCheck() const { return m_autoCheck; }

protected:
    void OnItemControlAdded(const RCPtr<LListBoxItem>& row) override;
    void OnItemControlDropped(const RCPtr<LListBoxItem>& row) override;

private:
    // Binds the check box's click (autoCheck off) or value change (on) and drops the other.
    void BindCheckBox(const RCPtr<LButton>& box);
    // The entry whose row holds the check box; -1 when none.
    int32_t EntryOfCheckBox(const LControl* box) const;
    [[nodiscard]] KXRESULT OnCheckBoxClicked(const RCPtr<LNotificationDistributor>& sender,
                                             const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnCheckBoxValueChanged(const RCPtr<LNotificationDistributor>& sender,
                                                  const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT Report(const RCPtr<LNotificationDistributor>& sender, const char16_t* name,
                                  bool countChange);

    bool m_checkBoxesPassive = false;
    bool m_autoCheck = true;
    int32_t m_checkedCount = 0;
    RCPtrArray<LBitmap, 1, 0> m_icons;
};

} // namespace KX
