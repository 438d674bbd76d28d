#include "Panel/AboutDlg.h"

#include "KXFramework/Application/Version.h"
#include "KXFramework/Controls/Button.h"
#include "KXFramework/ObjectBase/Exception.h"
#include "Panel/Application.h"

using namespace KX;

LAboutDlg::LAboutDlg(const RCPtr<LControl>& parent, const String& name) : LDialog(parent, name) {}

int32_t LAboutDlg::Run()
{
    return RunNamedDialog(kSkinName);
}

KXRESULT LAboutDlg::Initialize()
{
    const KXRESULT r = LDialog::Initialize();
    if (Failed(r))
        return r;
    const RCPtr<LControl>& product = FindChild(u"labelProduct");
    const RCPtr<LControl>& copyright = FindChild(u"labelCopyright");
    if (!product || !copyright)
        throw Exception<std::runtime_error>(std::string("Runtime Error : Null Pointer : Could not find child ") +
                                            (product ? "labelCopyright" : "labelProduct") +
                                            SourcePlace("LAboutDlg::Initialize", "AboutDlg", 30));
    const Version version;
    // Single spaces throughout; an empty part still leaves its spaces.
    String line = version.GetCompanyName();
    line += u" ";
    line += version.GetProductName();
    line += u" ";
    line += GetAppString(u"APP_VERSION");
    line += u" ";
    line += version.GetProductVersion();
    const KXRESULT set = product->SetText(line);
    if (Failed(set))
        return set;
    return copyright->SetText(version.GetValue(u"LegalCopyright"));
}

bool LAboutDlg::PressButton(const RCPtr<LKeyParam>& key)
{
    const uint32_t pressed = key ? key->key.key : 0;
    if (pressed != KeyCode::Press(VirtualKey::kEnter) && pressed != KeyCode::Press(VirtualKey::kSpace))
        return false;
    if (auto* ok = dynamic_cast<LButton*>(FindChild(u"buttonOK").Get()))
        ok->SimulateClick();
    return true;
}

KXRESULT LAboutDlg::OnKey(const RCPtr<LKeyParam>& key)
{
    return PressButton(key) ? S_OK : LDialog::OnKey(key);
}

// From a control inside the box that left the key unused.
KXRESULT LAboutDlg::HandleKey(const RCPtr<LKeyParam>& key)
{
    return PressButton(key) ? S_OK : LDialog::HandleKey(key);
}
