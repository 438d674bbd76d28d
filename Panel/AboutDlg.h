#pragma once
// The about box: the product line and the copyright line, built from the program's own version
// values so that they never disagree with the file. Return and Space press its one button.
#include "KXFramework/Controls/Dialog.h"

class LAboutDlg : public KX::LDialog {
public:
    static constexpr const char16_t* kSkinName = u"dialogAbout";

    LAboutDlg(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    // Opens the box modally over the main window; answers the value it closed with, or E_FAIL
    // when the skin lacks it.
    static int32_t Run();

    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT OnKey(const KX::RCPtr<KX::LKeyParam>& key) override;
    [[nodiscard]] KXRESULT HandleKey(const KX::RCPtr<KX::LKeyParam>& key) override;

private:
    // Presses the OK button for Return and Space; false for any other key.
    bool PressButton(const KX::RCPtr<KX::LKeyParam>& key);
};
