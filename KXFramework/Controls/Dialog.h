#pragma once
// The content of a modal window, a scroll view that knows the standard dialog buttons by name, closes with a numeric
// result (also on Escape), lets listeners veto the closing ("NID_DIALOG_CLOSING" with an LCancelArgs) and runs
// itself modally through the application.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/ScrollView.h"

#include <cstdint>

namespace KX {

// The payload of "NID_DIALOG_CLOSING": a listener sets cancel to keep the dialog open.
class LCancelArgs : public virtual LRefCountedObject {
public:
    bool cancel = false;
};

class LDialog : public LControlWithHandler<LScrollView, LDialog> {
public:
    // The result of a close asked for by the window itself (its close box).
    static constexpr int32_t kCancelResult = 2;

    LDialog(const RCPtr<LControl>& parent, const String& name);

    [[nodiscard]] KXRESULT Initialize() override;

    // Escape that no control inside took closes the dialog as its close box does.
    [[nodiscard]] KXRESULT OnKey(const RCPtr<LKeyParam>& key) override;
    [[nodiscard]] KXRESULT HandleKey(const RCPtr<LKeyParam>& key) override;

    // Asks the listeners, then the window, to close with the result.
    void Close(int32_t result);
    int32_t GetResult() const { return m_result; }
    // The dialog's result, or E_FAIL when no window could be made for it.
    virtual int32_t DoModal();
    // At the end of a close that went ahead; for subclasses.
    virtual void OnClosed();

private:
    [[nodiscard]] KXRESULT OnButtonClicked(const RCPtr<LNotificationDistributor>& sender,
                                           const RCPtr<LNotification>& n);

    int32_t m_result = 0;
};

} // namespace KX
