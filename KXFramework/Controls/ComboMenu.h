#pragma once
// A menu title: a drop-down control whose drop-down is its child popup menu "popupMenu", placed
// below it inside the window. While a sibling title's menu is open, moving onto this title opens
// this one instead, as Left and Right do for the titles beside it; Escape closes it.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/DropDownControl.h"

namespace KX {

class LPopupMenu;

class LComboMenu : public LControlWithHandler<LDropDownControl, LComboMenu> {
public:
    using LControlWithHandler::LControlWithHandler;
    ~LComboMenu() override;

    // E_FAIL without a "popupMenu" child; the title then stays closed.
    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT PostInitialize() override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    bool IsDropDownShown() const override;
    [[nodiscard]] KXRESULT ShowDropDown(bool show) override;
    // Escape, Left and Right that the open drop-down leaves to its title.
    [[nodiscard]] KXRESULT HandleKey(const RCPtr<LKeyParam>& key) override;
    RCPtr<LPopupMenu> GetPopup() const;
    RCPtr<LComboMenu> FindOpenSiblingMenu() const;

private:
    // The enabled, shown sibling title a step (-1 or 1) along the bar, round its ends; null without one.
    RCPtr<LComboMenu> SiblingTitle(int step) const;
    // Closes this title's menu and opens the other's.
    void SwitchTo(const RCPtr<LComboMenu>& other);
    void ShowLook(int look);
    void ShowClosedLook();
    [[nodiscard]] KXRESULT OnPopupItemActivated(const RCPtr<LNotificationDistributor>& sender,
                                                const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnPopupVisibilityChange(const RCPtr<LNotificationDistributor>& sender,
                                                   const RCPtr<LNotification>& n);

    double m_popupOffsetX = 0.0;
    PointT<double> m_dragOrigin;
};

} // namespace KX
