#pragma once
// A panel that pairs a row of tab buttons (children of its child "buttonHolder") with a stack of
// pages (children of "pageHolder"): the n-th button belongs to the n-th page, and only the
// selected page is visible. A tab is known by its button's name.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Panel.h"

#include <cstdint>

namespace KX {

class LTabControl : public LControlWithHandler<LPanel, LTabControl> {
public:
    LTabControl(const RCPtr<LControl>& parent, const String& name);

    virtual uint32_t GetTabCount() const;
    // The last button of that name; -1 for none.
    virtual int32_t IndexOfTab(const String& name) const;
    virtual int32_t GetSelectedIndex() const;
    virtual RCPtr<LControl> GetSelectedPage() const;
    virtual const String& GetSelectedName() const { return m_selectedName; }
    virtual RCPtr<LControl> GetPageByName(const String& name) const;
    // Null past the last button, and past the last page.
    virtual RCPtr<LControl> GetPage(int32_t index) const;
    virtual RCPtr<LControl> GetButtonByName(const String& name) const;
    virtual RCPtr<LControl> GetButton(int32_t index) const;
    // Shows the page of that button and hides the others; E_FAIL without both holders.
    [[nodiscard]] virtual KXRESULT SelectTab(const String& name);
    // The index counts buttons in tab order.
    [[nodiscard]] virtual KXRESULT SelectTabByIndex(int32_t index);
    // After a new page was chosen; for subclasses.
    virtual void OnTabSelected(int32_t index);

    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor) override;

private:
    [[nodiscard]] KXRESULT OnTabButtonClicked(const RCPtr<LNotificationDistributor>& sender,
                                              const RCPtr<LNotification>& n);
    void Send(const char16_t* name, const RCPtr<LRefCountedObject>& payload);

    RCPtr<LControl> m_buttonHolder;
    RCPtr<LControl> m_pageHolder;
    String m_selectedName;
};

} // namespace KX
