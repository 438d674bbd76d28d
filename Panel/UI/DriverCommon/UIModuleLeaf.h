#pragma once
// The base of every item and edit panel: a panel from the skin that is at once the model's leaf
// module of its control kind (`Interface`, e.g. IPushButton), numbered by its group.
//
// Values down: a value is taken only for the panel's own identifier and only with exactly the byte
// size of its control kind; anything else is refused with E_FAIL and changes nothing. Showing a
// value never reports it. Edits up: ReportParamValue hands the control's complete value to the
// module root above the panel, and does nothing (1) without one.
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ModuleInterfaces.h"
#include "Panel/UI/DriverCommon/ScopedFlag.h"
#include "Panel/UI/DriverCommon/UIModuleRoot.h"

#include <cstdint>

template <class Interface, class Base = KX::LPanel>
class LUIModuleLeaf : public Base, public Interface {
public:
    static constexpr uint32_t kValueSize = Interface::kValueSize;

    LUIModuleLeaf(const KX::RCPtr<KX::LControl>& parent, const KX::String& name) : Base(parent, name) {}

    [[nodiscard]] KXRESULT SetParamValueLocal(const KX::ParamDescriptor& d, const KX::Variant& v, int flag) override
    {
        unsigned size = 0;
        const unsigned char* bytes = v.GetData(&size);
        if (d.id != this->GetFirstParamID() || size != kValueSize || !bytes)
            return KX::E_FAIL;
        // Whatever the panel's fields tell it while it fills them, this value is nobody's edit.
        const ScopedFlag showing(m_showingValue);
        return ShowParamValue(bytes, flag);
    }

protected:
    // Shows a value of exactly kValueSize bytes; the flag is 1 for values from the engine, 0 for
    // values passed on by the group. Showing must not report.
    [[nodiscard]] virtual KXRESULT ShowParamValue(const unsigned char* bytes, int flag) = 0;

    // Reports the control's complete value under the panel's identifier to the module root; 1 (not
    // reported) without a root or while a value is being shown.
    [[nodiscard]] KXRESULT ReportParamValue(const unsigned char* bytes)
    {
        IUIModuleRoot* root = FindUIModuleRoot(*this);
        if (!root || m_showingValue)
            return 1;
        KX::Variant value;
        value.SetBlob(bytes, kValueSize);
        return root->ReportParamValueChange(KX::ParamDescriptor(this->GetFirstParamID()), value);
    }

private:
    bool m_showingValue = false;
};

// An edit panel: re-pointed at the chosen control by its group, it asks the engine for that control's
// value, which comes back down the tree to it.
template <class Interface, class Base = KX::LPanel>
class LUIEditPanel : public LUIModuleLeaf<Interface, Base> {
public:
    using LUIModuleLeaf<Interface, Base>::LUIModuleLeaf;

    KXRESULT SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index) override
    {
        Interface::SetFirstParamID(parent, first, index);
        if (IUIModuleRoot* root = FindUIModuleRoot(*this))
            static_cast<void>(root->RequestParamValue(first)); // an engine that cannot answer leaves the panel as it is
        OnRepointed();
        return KX::S_OK;
    }

protected:
    // After a re-pointing: the panel refreshes the labels that name the control (index, bank).
    virtual void OnRepointed() {}
};
