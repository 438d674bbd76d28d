#pragma once
// The tile and the edit panel of a control whose value is the 6-byte moveable record unchanged
// (fader, encoder, volume pedal): the tile prints the record in its view panel; the edit panel shows
// it in its moveable editor, passes it on to the tile and reports every edit as the complete record.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Label.h"
#include "Panel/UI/DriverCommon/PanelErrors.h"
#include "Panel/UI/DriverCommon/UIModuleLeaf.h"
#include "Panel/UI/KivoSeriesCommon/ControlLabels.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlViewPanel.h"

#include <string>

// Where a panel's labels and errors name it: the number label (empty for none), the tiles per bank,
// the method prefix and the source path of its messages.
struct MoveablePanelNames {
    const char16_t* numberLabel;
    int perBank;
    const char* className;
    const char* path;
};

template <class Interface>
class LMoveableTilePanel : public LUIModuleLeaf<Interface> {
    static_assert(Interface::kValueSize == MoveableRecord::kSize, "the value is the record itself");

public:
    LMoveableTilePanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name, MoveablePanelNames names)
        : LUIModuleLeaf<Interface>(parent, name),
          m_names(names)
    {
    }

    [[nodiscard]] KXRESULT Initialize() override
    {
        const KXRESULT base = KX::LPanel::Initialize();
        if (KX::Failed(base))
            return base;
        m_viewPanel = RequireChild(KX::RCPtr<LMoveableControlViewPanel>(this->FindChild(u"viewPanel")),
                                   "cannot find child viewPanel", Method("::Initialize").c_str(), m_names.path, 33);
        return base;
    }

    // Stores the fields and numbers the tile within its bank ("F%d" → F1 to F9).
    KXRESULT SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index) override
    {
        Interface::SetFirstParamID(parent, first, index);
        if (m_names.numberLabel && index >= 0)
            SetNumberedLabel(*this, m_names.numberLabel, index % m_names.perBank + 1,
                             "Cannot find child: " + NarrowLabel(), Method("::SetFirstParamID").c_str(), m_names.path,
                             69);
        return KX::S_OK;
    }

    KXRESULT BreakCycles() override
    {
        m_viewPanel = nullptr;
        return LUIModuleLeaf<Interface>::BreakCycles();
    }

    const KX::RCPtr<LMoveableControlViewPanel>& GetViewPanel() const { return m_viewPanel; }

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int) override
    {
        if (m_viewPanel)
            m_viewPanel->ShowControlRecord(MoveableRecord::FromBytes(bytes, MoveableRecord::kSize));
        return KX::S_OK;
    }

private:
    std::string Method(const char* operation) const { return std::string(m_names.className) + operation; }
    std::string NarrowLabel() const
    {
        std::string s;
        for (const char16_t* c = m_names.numberLabel; *c; ++c)
            s += char(*c);
        return s;
    }

    const MoveablePanelNames m_names;
    KX::RCPtr<LMoveableControlViewPanel> m_viewPanel;
};

template <class Interface>
class LMoveableLeafEditPanel
    : public LUIEditPanel<Interface, KX::LControlWithHandler<KX::LPanel, LMoveableLeafEditPanel<Interface>>> {
    using Edit = LUIEditPanel<Interface, KX::LControlWithHandler<KX::LPanel, LMoveableLeafEditPanel<Interface>>>;
    static_assert(Interface::kValueSize == MoveableRecord::kSize, "the value is the record itself");

public:
    // `nameLabel` reads "<KIND> %d" with the control's number in its bank, "bankName" "BANK %d";
    // `count` controls in all.
    LMoveableLeafEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name, const char16_t* nameLabel,
                           int perBank, int count, const char* className, const char* path)
        : Edit(parent, name),
          m_nameLabel(nameLabel),
          m_perBank(perBank),
          m_count(count),
          m_className(className),
          m_path(path)
    {
    }

    [[nodiscard]] KXRESULT Initialize() override
    {
        const KXRESULT base = KX::LPanel::Initialize();
        if (KX::Failed(base))
            return base;
        const std::string method = std::string(m_className) + "::Initialize";
        m_editor = RequireChild(KX::RCPtr<LMoveableControlEditPanel>(this->FindChild(u"moveableTypePanel")),
                                "Cannot find child: moveableTypePanel", method.c_str(), m_path, 32);
        const KXRESULT r =
            this->Bind(&LMoveableLeafEditPanel::OnParametersChanged, m_editor, u"NID_PARAMETERS_CHANGED");
        if (KX::Failed(r))
            throw KX::Exception<KX::FailedResultException>("Failed Result : " + KX::ResultToString(r) +
                                                           KX::SourcePlace(method.c_str(), m_path, 33));
        RequireChild(this->FindChild(m_nameLabel), "Cannot find child: " + Narrow(m_nameLabel), method.c_str(), m_path,
                     36);
        return base;
    }

    // The name and bank labels of control `index`; nothing outside 0..count-1.
    virtual void SetLabelText(int32_t index)
    {
        if (index < 0 || index >= m_count)
            return;
        const std::string method = std::string(m_className) + "::SetLabelText";
        SetNumberedLabel(*this, m_nameLabel, index % m_perBank + 1, "Couldn't find child " + Narrow(m_nameLabel),
                         method.c_str(), m_path, 112);
        SetNumberedLabel(*this, u"bankName", index / m_perBank + 1, "Couldn't find child bankName", method.c_str(),
                         m_path, 115);
    }

    KXRESULT BreakCycles() override
    {
        m_editor = nullptr;
        return Edit::BreakCycles();
    }

    const KX::RCPtr<LMoveableControlEditPanel>& GetEditor() const { return m_editor; }

protected:
    [[nodiscard]] KXRESULT ShowParamValue(const unsigned char* bytes, int) override
    {
        m_editor->ShowControlRecord(MoveableRecord::FromBytes(bytes, MoveableRecord::kSize));
        KX::Variant value;
        value.SetBlob(bytes, MoveableRecord::kSize);
        static_cast<void>(this->SetParamValue(KX::ParamDescriptor(this->GetFirstParamID()), value)); // 1: no tile
        return KX::S_OK;
    }

    void OnRepointed() override { SetLabelText(this->GetIndex()); }

    [[nodiscard]] KXRESULT OnParametersChanged(const KX::RCPtr<KX::LNotificationDistributor>&,
                                               const KX::RCPtr<KX::LNotification>&)
    {
        const MoveableControlRecord record = m_editor->BuildControlRecord();
        if (record.GetCount() == MoveableRecord::kSize)
            static_cast<void>(this->ReportParamValue(reinterpret_cast<const unsigned char*>(record.GetData())));
        return 1;
    }

private:
    static std::string Narrow(const char16_t* text)
    {
        std::string s;
        for (; *text; ++text)
            s += char(*text);
        return s;
    }

    const char16_t* const m_nameLabel;
    const int m_perBank;
    const int m_count;
    const char* const m_className;
    const char* const m_path;
    KX::RCPtr<LMoveableControlEditPanel> m_editor;
};
