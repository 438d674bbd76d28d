#pragma once
// A menu title: a drop-down control whose drop-down is its child popup menu "popupMenu", placed
// below it inside the window. While a sibling title's menu is open, moving onto this title opens
// this one instead.
#include "KXFramework/Controls/DropDownControl.h"

namespace KX {

class LPopupMenu;

class LComboMenu : public LDropDownControl {
public:
    using LDropDownControl::LDropDownControl;
    ~LComboMenu() override;

    // E_FAIL without a "popupMenu" child; the title then stays closed.
    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT PostInitialize() override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    bool IsDropDownShown() const override;
    [[nodiscard]] KXRESULT ShowDropDown(bool show) override;
    RCPtr<LPopupMenu> GetPopup() const;
    RCPtr<LComboMenu> FindOpenSiblingMenu() const;

    [[nodiscard]] KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender,
                                               const RCPtr<LNotification>& n) override;
    [[nodiscard]] KXRESULT UnregisterForNotification(const RCPtr<LNotificationDistributor>& sender,
                                                     const char16_t* name) override;
    [[nodiscard]] KXRESULT BreakCycles() override;

private:
    using Handler = LNotificationHandler<LComboMenu>;

    void ShowLook(int look);
    void ShowClosedLook();
    [[nodiscard]] KXRESULT OnPopupItemActivated(const RCPtr<LNotificationDistributor>& sender,
                                                const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnPopupVisibilityChange(const RCPtr<LNotificationDistributor>& sender,
                                                   const RCPtr<LNotification>& n);

    RCPtr<Handler> m_handler;
    double m_popupOffsetX = 0.0;
    PointT<double> m_dragOrigin;
};

} // namespace KX
