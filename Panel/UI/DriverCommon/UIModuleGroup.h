#pragma once
// The base of every group panel: a panel from the skin that is at once the model's group module
// (`Interface`, e.g. IPushButtons) whose children are its item panels (`Child`, e.g. IPushButton).
//
// Hand-out: while the group is being numbered its getter answers with its items; afterwards it
// answers with the group's edit panel in place of the item the edit panel shows, so that values for
// the edited control reach the edit panel first. Routing: the edit panel passes such a value on
// (SetParamValue climbs to the group), and the group gives it to every item whose identifier is the
// edit panel's. `Base` is the panel class the group is made of, as for the leaves.
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ModuleInterfaces.h"
#include "Panel/UI/DriverCommon/ScopedFlag.h"

#include <cstdint>
#include <vector>

template <class Interface, class Child, class Base = KX::LPanel>
class LUIModuleGroup : public Base, public Interface {
public:
    LUIModuleGroup(const KX::RCPtr<KX::LControl>& parent, const KX::String& name) : Base(parent, name) {}

    KXRESULT SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index) override
    {
        const ScopedFlag numbering(m_numbering);
        return Interface::SetFirstParamID(parent, first, index);
    }

    // Every item showing the edit panel's control takes the value (flag 0); 1 when none did.
    [[nodiscard]] KXRESULT SetParamValue(const KX::ParamDescriptor& d, const KX::Variant& v) override
    {
        KXRESULT result = 1;
        const int32_t shown = m_editPanel ? m_editPanel->GetFirstParamID() : -1;
        for (const KX::RCPtr<Child>& item : m_items) {
            if (item && shown >= 0 && item->GetFirstParamID() == shown)
                result = item->SetParamValueLocal(d, v, 0);
        }
        return result;
    }

    KXRESULT BreakCycles() override
    {
        m_items.clear();
        m_editPanel = nullptr;
        return Base::BreakCycles();
    }

protected:
    // What the group's getter answers for child i: null outside the items.
    KX::ConstRCPtr<Child> HandOut(int32_t i) const
    {
        if (i < 0 || i >= static_cast<int32_t>(m_items.size()))
            return KX::ConstRCPtr<Child>();
        const KX::RCPtr<Child>& item = m_items[static_cast<size_t>(i)];
        if (!m_numbering && m_editPanel && item && m_editPanel->GetFirstParamID() == item->GetFirstParamID())
            return KX::ConstRCPtr<Child>(m_editPanel);
        return KX::ConstRCPtr<Child>(item);
    }

    // The item panels in child order (an absent one as null) and the group's edit panel.
    std::vector<KX::RCPtr<Child>> m_items;
    KX::RCPtr<Child> m_editPanel;

private:
    bool m_numbering = false;
};
