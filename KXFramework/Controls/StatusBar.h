#pragma once
// A one-line text strip: its child label "label1" shows texts set at once or posted, the posted
// ones on the next idle tick. The bar is its own posting queue.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Label.h"
#include "KXFramework/Notification/NotificationQueue.h"

namespace KX {

class LStatusBar : public LControlWithHandler<LControl, LStatusBar>, private LNotificationQueue {
public:
    using LControlWithHandler::LControlWithHandler;

    void OnIdleTick() override;
    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT ReadCreateParams() override;
    KXRESULT BreakCycles() override;

    // Posts the text; shown on the next idle tick. E_FAIL before Initialize.
    [[nodiscard]] KXRESULT SetStatusText(const String& text);
    // Shows the text now, after whatever was posted before it, and repaints at once; S_OK, for the record only; callers
    // may ignore it.
    KXRESULT SetStatusTextImmediately(const String& text);
    const String& GetDefaultText() const { return m_defaultText; }
    const RCPtr<LLabel>& GetLabel() const { return m_label; }

private:
    [[nodiscard]] KXRESULT OnSetStatusText(const RCPtr<LNotificationDistributor>& sender,
                                           const RCPtr<LNotification>& n);

    RCPtr<LLabel> m_label;
    String m_defaultText;
};

} // namespace KX
