#pragma once
// A row of the list box: shows one entry's text with one of 14 looks picked from its own
// conditions and the entry's selected, marked and blank state. Also the payload with which the
// list box reports its rows' condition changes.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/EventParams.h"

#include <cstdint>

namespace KX {

// Carries the row's own condition change beside the entry; LConditionsParam's constructor is not
// open to derived classes, so the fields are repeated here.
class LItemConditionsParam : public virtual LRefCountedObject {
public:
    static RCPtr<LItemConditionsParam> Create(int32_t itemIndex, int32_t lookIndex, bool hovered, uint32_t previous,
                                              uint32_t current, const PointT<double>& point);

    String ToString() const override;

    uint32_t previousMask;
    uint32_t currentMask;
    PointT<double> point;
    int32_t itemIndex;
    int32_t lookIndex;
    bool hovered;

private:
    LItemConditionsParam(int32_t item, int32_t look, bool hover, uint32_t previous, uint32_t current,
                         const PointT<double>& p);
};

class LListBoxItem : public LControl {
public:
    // Not selected; the selected looks follow at kSelectedOffset.
    enum Look {
        kNormal = 0,
        kHover = 1,
        kPressed = 2,
        kMarkedOffset = 3,
        kDisabled = 6,
        kSelectedOffset = 7,
        kBlank = 13
    };

    using LControl::LControl;

    void OnValueChanged() override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    [[nodiscard]] KXRESULT PostInitialize() override;
    String GetToolTipText() const override;
    virtual int32_t GetLookIndex() const;
    [[nodiscard]] KXRESULT BeginDrag(int32_t button, int32_t x, int32_t y) override;

    void SetMarked(bool marked);
    void SetBlank(bool blank);
    bool IsMarked() const { return m_marked; }
    bool IsBlank() const { return m_blank; }

    // Written by the list box: the row hands drag starts to it.
    bool dropDownMode = false;

protected:
    void ReapplyLook();

private:
    bool m_marked = false;
    bool m_blank = false;
};

} // namespace KX
