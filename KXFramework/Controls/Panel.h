#pragma once
// The general container, a scroll view that groups child controls and keeps keyboard navigation among them. Keys
// that nobody below handled go up through the parents and end at the application's hot keys;
// sibling keys from the parent are passed on to the panel's own children.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/ScrollView.h"

namespace KX {

class LPanel : public LControlWithHandler<LScrollView, LPanel> {
public:
    LPanel(const RCPtr<LControl>& parent, const String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    // Without a parent the walk's result stands; inside one, a walk that wraps gives null unless
    // the panel cycles its tab focus, so that the focus leaves through the parent.
    RCPtr<LControl> GetNextTabStop(const RCPtr<LControl>& current, bool backward) override;
    // 0 (consumed) only for Tab without Ctrl while the panel cycles its tab focus.
    [[nodiscard]] KXRESULT OnKey(const RCPtr<LKeyParam>& key) override;
    // A parentless panel hands unhandled keys to the application's hot keys only.
    [[nodiscard]] KXRESULT HandleKey(const RCPtr<LKeyParam>& key) override;
    [[nodiscard]] KXRESULT MoveFocus(const RCPtr<LKeyParam>& key) override;
    // A panel groups fields; it is never one itself.
    bool TakesFocusItself() const override { return false; }

    bool GetCycleTabFocus() const { return m_cycleTabFocus; }
    void SetCycleTabFocus(bool cycle) { m_cycleTabFocus = cycle; }

private:
    [[nodiscard]] KXRESULT OnParentSiblingKey(const RCPtr<LNotificationDistributor>& sender,
                                              const RCPtr<LNotification>& n);

    bool m_cycleTabFocus = false;
};

} // namespace KX
