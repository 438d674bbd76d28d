#pragma once
// The menu bar: a row of menu titles (combo menus) built from the bar's string table, the
// "MENU_LABEL.<nn>" entries naming the titles and the "CONTEXT_MENU<nn>" entries giving their items.
// Every title's commands go to the root window; the focus held before the bar was entered is kept,
// so edit commands act on that control, and closing a title's menu gives it back.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"

#include <cstdint>

namespace KX {

class LComboMenu;

class LMainMenu : public LControl {
public:
    using LControl::LControl;
    ~LMainMenu() override;

    [[nodiscard]] KXRESULT Initialize() override;
    // A new skin: the titles made from the string table are made again from the new template,
    // with their menus and texts.
    [[nodiscard]] KXRESULT ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor) override;
    [[nodiscard]] KXRESULT AddChild(const RCPtr<LControl>& child, const RCPtr<LControlDescriptor>& descriptor) override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    void RefreshIdleSubscription() override;
    void FindTextInputTarget(RCPtr<LControl>& out) override;
    // Forwards to the target of the updater the bar's user gave: 1 without one, E_FAIL when that
    // updater's control is gone.
    [[nodiscard]] KXRESULT HandleEditRequest(const RCPtr<LMenuDescriptor>& menu, unsigned index,
                                             const String& notification, MenuItemState& state) override;
    // The updater that answers for the items of every title; true when it is the one already set.
    bool SetMenuItemUpdater(const RCPtr<LMenuItemUpdater>& updater);

    unsigned GetMenuCount() const;
    RCPtr<LComboMenu> GetMenuAt(unsigned index) const;
    // Dynamic titles (after the skin's own) are addressed by their dynamic index.
    String GetMenuName(int32_t dynamicIndex) const;
    int32_t IndexOfMenu(const String& name) const;
    // E_INVALIDARG when the bar already has a child of that name.
    [[nodiscard]] KXRESULT AddMenu(const String& name);
    [[nodiscard]] KXRESULT InsertMenu(int32_t dynamicIndex, const String& name, const String& label,
                                      const RCPtr<LMenuDescriptor>& menu);
    // The new title's dynamic index; E_INVALIDARG when `before` names no dynamic title.
    [[nodiscard]] KXRESULT InsertMenuBefore(const String& before, const String& name, const String& label,
                                            const RCPtr<LMenuDescriptor>& menu);
    const RCPtr<LControl>& GetSavedFocus() const { return m_savedFocus; }
    // To the control that had the focus before the bar was entered, or, when none had it or that
    // one takes it no more, to none, Tab going on from where it was.
    void GiveFocusBack();
    KXRESULT BreakCycles() override;

private:
    void SetTitle(const RCPtr<LComboMenu>& title, const String& label, const RCPtr<LMenuDescriptor>& menu);
    void SetOwnerOf(const RCPtr<LComboMenu>& title);
    // Focus boundary, the bar's updater and the root window as owner.
    void AdoptTitle(const RCPtr<LComboMenu>& title);

    RCPtr<LControl> m_savedFocus;
    // Where Tab went on from, when the focus was released as the bar was entered.
    RCPtr<LControl> m_savedTabOrigin;
    RCPtr<LControlDescriptor> m_titleTemplate;
    RCPtr<LMenuItemUpdater> m_itemUpdater;
    // Set while a question is forwarded: an updater that leads back to the bar is not asked again.
    bool m_forwarding = false;
    int32_t m_skinTitleCount = 0;
    bool m_hasTemplate = false;
};

} // namespace KX
