#include "KXFramework/System/ClipBoard.h"

#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Notification/NotificationCenter.h"

#include <string>

namespace KX {

RCPtr<LClipboard> LClipboard::Create(std::unique_ptr<Platform::ClipboardBackend> backend)
{
    return RCPtr<LClipboard>(new LClipboard(std::move(backend)));
}

KXRESULT LClipboard::Initialize()
{
    m_handler = LNotificationHandler<LClipboard>::Create(this);
    RCPtr<LNotificationDistributor> center(GetDefaultNotificationCenter());
    struct Binding {
        LNotificationHandler<LClipboard>::Member member;
        const char16_t* name;
        int line;
    };
    const Binding bindings[] = {
        {&LClipboard::OnCut, u"NID_EDIT_CUT_REQ", 41},
        {&LClipboard::OnCopy, u"NID_EDIT_COPY_REQ", 42},
        {&LClipboard::OnPaste, u"NID_EDIT_PASTE_REQ", 43},
        {&LClipboard::OnDelete, u"NID_EDIT_DELETE_REQ", 44},
    };
    for (const Binding& b : bindings) {
        const KXRESULT r = m_handler->SetNotification(b.member, center, b.name, 0);
        if (r < 0)
            throw FailedResultException("Failed Result : " + ResultToString(r) +
                                        " : KX::LClipboard::Initialize : System\\ClipBoard : Line " +
                                        std::to_string(b.line));
    }
    return S_OK;
}

RCPtr<LRefCountedObject> LClipboard::GetContent()
{
    if (!m_backend || m_backend->SequenceNumber() == m_lastSequenceNumber || m_backend->IsClaimHeld())
        return m_content;
    if (!m_backend->HasText()) {
        m_content = nullptr;
        return m_content;
    }
    std::u16string text;
    if (!m_backend->GetText(text))
        return m_content;
    m_content = RCPtr<LRefCountedObject>(LClipboardText::Create(String(text.c_str())));
    m_lastSequenceNumber = m_backend->SequenceNumber();
    return m_content;
}

KXRESULT LClipboard::SetContent(const RCPtr<LRefCountedObject>& object)
{
    // Taking the clipboard can tell the window that another owner lost it, which calls back here.
    if (m_busy)
        return S_FALSE;
    m_busy = true;
    m_content = object;
    if (!object || !m_backend) {
        m_busy = false;
        return S_OK;
    }
    bool written;
    if (const auto* text = dynamic_cast<const LClipboardText*>(object.Get()))
        written = m_backend->SetText(std::u16string_view(text->GetData(), text->GetLength()));
    else
        written = m_backend->Claim();
    m_lastSequenceNumber = m_backend->SequenceNumber();
    m_busy = false;
    return written ? S_OK : E_FAIL;
}

RCPtr<LControl> LClipboard::FindEditTarget(int kind)
{
    // The window the user works in: the application's active one, else its main window.
    IFrameworkServices* services = GetFrameworkServices();
    if (!services)
        return nullptr;
    RCPtr<LRootWindow> root = services->GetActiveRootWindow();
    if (!root)
        root = services->GetApplicationRootWindow();
    if (!root || !root->GetFocusControl())
        return nullptr;
    RCPtr<LControl> target;
    root->GetFocusControl()->FindTextInputTarget(target);
    auto* edit = dynamic_cast<IEditTarget*>(target.Get());
    if (!target || !target->AcceptsTextInput() || !edit || !edit->CanPerformEdit(kind))
        return nullptr;
    return target;
}

bool LClipboard::CanEditFocus(int kind)
{
    return static_cast<bool>(FindEditTarget(kind));
}

KXRESULT LClipboard::EditFocus(int kind)
{
    RCPtr<LControl> target = FindEditTarget(kind);
    return target ? target->PerformEdit(kind) : S_FALSE;
}

KXRESULT LClipboard::OnCut(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    static_cast<void>(EditFocus(EditKind::kCut)); // a focus control that cannot edit does nothing
    return S_FALSE;
}

KXRESULT LClipboard::OnCopy(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    static_cast<void>(EditFocus(EditKind::kCopy)); // a focus control that cannot edit does nothing
    return S_FALSE;
}

KXRESULT LClipboard::OnPaste(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    static_cast<void>(EditFocus(EditKind::kPaste)); // a focus control that cannot edit does nothing
    return S_FALSE;
}

KXRESULT LClipboard::OnDelete(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    static_cast<void>(EditFocus(EditKind::kDelete)); // a focus control that cannot edit does nothing
    return S_FALSE;
}

KXRESULT LClipboard::ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n)
{
    return m_handler ? m_handler->HandleNotification(sender, n) : 0;
}

KXRESULT LClipboard::BreakCycles()
{
    m_handler = nullptr;
    m_content = nullptr;
    return LNotificationClient::BreakCycles();
}

} // namespace KX
