#include "Panel/UI/KivoSeriesCommon/ControlLabels.h"

#include "KXFramework/Controls/Label.h"
#include "Panel/UI/DriverCommon/PanelErrors.h"

void SetNumberedLabel(KX::LControl& owner, const char16_t* child, int number, const std::string& phrase,
                      const char* method, const char* path, int line)
{
    const KX::RCPtr<KX::LLabel> label =
        RequireChild(KX::RCPtr<KX::LLabel>(owner.FindChild(child)), phrase, method, path, line);
    KX::String format;
    label->SetText(KX::String::Format(label->GetString(format, u"LABEL").GetString(), number));
}
