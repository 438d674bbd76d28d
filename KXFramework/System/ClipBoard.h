#pragma once
// The program's one clipboard object: text to and from the system clipboard through a backend,
// the content last read or written (what a paste inside the program gets back while the system
// clipboard has not changed), and the edit requests that reach the focused control.
// Thread: UI thread only.
#include "KXFramework/Notification/NotificationDistributor.h"
#include "KXFramework/Notification/NotificationHandler.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Platform/Clipboard/ClipboardBackend.h"
#include "KXFramework/Utilities/Storage/StringT.h"
#include "KXFramework/Utilities/Storage/Wrapper.h"

#include <cstdint>
#include <memory>

namespace KX {

class LControl;

// The clipboard's text content.
using LClipboardText = LWrapperStringable<String, &StringToString, LRefCountedObject>;

// Edit kinds of the edit requests.
namespace EditKind {
inline constexpr int kDelete = 0;
inline constexpr int kCut = 1;
inline constexpr int kCopy = 2;
inline constexpr int kPaste = 3;
} // namespace EditKind

// Asked of the focused text-input target before an edit: whether it can do it now (a selection to
// cut, text on the clipboard to paste). The control core has no such query, so text-input
// controls implement this beside their PerformEdit.
class IEditTarget {
public:
    virtual ~IEditTarget() = default;
    virtual bool CanPerformEdit(int32_t kind) = 0;
};

class LClipboard : public LNotificationClient {
public:
    static RCPtr<LClipboard> Create(std::unique_ptr<Platform::ClipboardBackend> backend);

    // Binds the four edit requests on the default notification centre; throws a failed-result
    // exception when a binding fails.
    [[nodiscard]] KXRESULT Initialize();

    // The current content: the cached one while the system clipboard is unchanged or still holds
    // our private claim; a fresh read of the system text otherwise; null without text.
    RCPtr<LRefCountedObject> GetContent();
    // 0; E_FAIL when the system clipboard could not be written (the object keeps the content);
    // 1 when called again while a call runs. Null drops the content; text goes to the system
    // clipboard; any other object claims it, so other programs see it empty.
    [[nodiscard]] KXRESULT SetContent(const RCPtr<LRefCountedObject>& object);

    bool CanEditFocus(int kind);
    // The target's result; 1 when nothing was done.
    [[nodiscard]] KXRESULT EditFocus(int kind);

    KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n) override;
    KXRESULT BreakCycles() override;

private:
    explicit LClipboard(std::unique_ptr<Platform::ClipboardBackend> backend) : m_backend(std::move(backend)) {}
    // The focused control's text-input target that can do the edit; null when there is none.
    RCPtr<LControl> FindEditTarget(int kind);
    [[nodiscard]] KXRESULT OnCut(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&);
    [[nodiscard]] KXRESULT OnCopy(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&);
    [[nodiscard]] KXRESULT OnPaste(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&);
    [[nodiscard]] KXRESULT OnDelete(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&);

    RCPtr<LNotificationHandler<LClipboard>> m_handler;
    uint32_t m_lastSequenceNumber = 0;
    RCPtr<LRefCountedObject> m_content;
    bool m_busy = false;
    std::unique_ptr<Platform::ClipboardBackend> m_backend;
};

} // namespace KX
