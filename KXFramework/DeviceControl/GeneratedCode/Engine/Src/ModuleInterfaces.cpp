#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ModuleInterfaces.h"

namespace {

// First parameter offset of each device part in dump order, and the end of the model.
constexpr int32_t kPartOffset[IDevice::kPartCount + 1] = {0, 1, 5, 7, 9, 25, 61, 97, 129, kParamCount};

// Offset of `id` from `first` when it lies in [0, count), else -1; computed without overflow. An
// unnumbered module (first -1) holds nothing.
int32_t OffsetIn(int32_t id, int32_t first, int32_t count)
{
    if (first < 0)
        return -1;
    const int64_t offset = static_cast<int64_t>(id) - first;
    return offset >= 0 && offset < count ? static_cast<int32_t>(offset) : -1;
}

int32_t PartOf(int32_t offset)
{
    int32_t p = 0;
    while (offset >= kPartOffset[p + 1])
        ++p;
    return p;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// IRootModule

IRootModule::IRootModule() : LParameterizedModule(false) {}

KXRESULT IRootModule::SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index)
{
    CheckFirstParamID(first, kParamCount, "IRootModule::SetFirstParamID", __LINE__);
    LParameterizedModule::SetFirstParamID(parent, first, index);
    if (KX::RCPtr<IDevice> device = GetDevice())
        return device->SetFirstParamID(this, first, 0);
    return KX::S_OK;
}

KX::RCPtr<LParameterizedModule> IRootModule::GetModule(int32_t id)
{
    if (OffsetIn(id, m_firstParamID, kParamCount) < 0)
        return KX::RCPtr<LParameterizedModule>();
    KX::RCPtr<IDevice> device = GetDevice();
    return device ? device->GetModule(id) : KX::RCPtr<LParameterizedModule>();
}

KX::ConstRCPtr<LParameterizedModule> IRootModule::GetModule(int32_t id) const
{
    if (OffsetIn(id, m_firstParamID, kParamCount) < 0)
        return KX::ConstRCPtr<LParameterizedModule>();
    KX::ConstRCPtr<IDevice> device = GetDevice();
    return device ? device->GetModule(id) : KX::ConstRCPtr<LParameterizedModule>();
}

KX::RCPtr<IDevice> IRootModule::GetDevice()
{
    return ModifiableModule(std::as_const(*this).GetDevice());
}

KXRESULT IRootModule::SendParamValue(const KX::ParamDescriptor&, const KX::Variant&)
{
    return KX::E_NOTIMPL;
}

// ---------------------------------------------------------------------------------------------
// IModuleGroup, IModuleLeaf, IPedals

IModuleGroup::IModuleGroup(int32_t childCount) : LParameterizedModule(false), m_childCount(childCount) {}

KXRESULT IModuleGroup::SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index)
{
    LParameterizedModule::SetFirstParamID(parent, first, index);
    for (int32_t i = 0; i < m_childCount; ++i) {
        KX::RCPtr<LParameterizedModule> child = ModifiableModule(GetChildModule(i));
        if (child)
            child->SetFirstParamID(this, first + i, i);
    }
    return KX::S_OK;
}

KX::RCPtr<LParameterizedModule> IModuleGroup::GetModule(int32_t id)
{
    const int32_t i = OffsetIn(id, m_firstParamID, m_childCount);
    if (i < 0)
        return KX::RCPtr<LParameterizedModule>();
    KX::RCPtr<LParameterizedModule> child = ModifiableModule(GetChildModule(i));
    return child ? child->GetModule(id) : KX::RCPtr<LParameterizedModule>();
}

KX::ConstRCPtr<LParameterizedModule> IModuleGroup::GetModule(int32_t id) const
{
    const int32_t i = OffsetIn(id, m_firstParamID, m_childCount);
    if (i < 0)
        return KX::ConstRCPtr<LParameterizedModule>();
    KX::ConstRCPtr<LParameterizedModule> child = GetChildModule(i);
    return child ? child->GetModule(id) : KX::ConstRCPtr<LParameterizedModule>();
}

IModuleLeaf::IModuleLeaf() : LParameterizedModule(true) {}

KX::RCPtr<LParameterizedModule> IModuleLeaf::GetModule(int32_t id)
{
    if (m_firstParamID < 0 || id != m_firstParamID)
        return KX::RCPtr<LParameterizedModule>();
    return KX::RCPtr<LParameterizedModule>(this);
}

KX::ConstRCPtr<LParameterizedModule> IModuleLeaf::GetModule(int32_t id) const
{
    if (m_firstParamID < 0 || id != m_firstParamID)
        return KX::ConstRCPtr<LParameterizedModule>();
    return KX::ConstRCPtr<LParameterizedModule>(this);
}

KX::ConstRCPtr<LParameterizedModule> IPedals::GetChildModule(int32_t i) const
{
    if (i == 0)
        return GetVolumePedal();
    if (i == 1)
        return GetSustainPedal();
    return KX::ConstRCPtr<LParameterizedModule>();
}

// ---------------------------------------------------------------------------------------------
// IDevice

IDevice::IDevice() : LParameterizedModule(false) {}

KX::ConstRCPtr<LParameterizedModule> IDevice::GetPart(int32_t p) const
{
    switch (p) {
    case 0:
        return GetPresetName();
    case 1:
        return GetKeybedZones();
    case 2:
        return GetWheels();
    case 3:
        return GetPedals();
    case 4:
        return GetPads();
    case 5:
        return GetPushButtons();
    case 6:
        return GetFaders();
    case 7:
        return GetEncoders();
    case 8:
        return GetTouchPadAxises();
    default:
        return KX::ConstRCPtr<LParameterizedModule>();
    }
}

KXRESULT IDevice::SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index)
{
    CheckFirstParamID(first, kParamCount, "IDevice::SetFirstParamID", __LINE__);
    LParameterizedModule::SetFirstParamID(parent, first, index);
    for (int32_t p = 0; p < kPartCount; ++p) {
        KX::RCPtr<LParameterizedModule> part = ModifiableModule(GetPart(p));
        if (part)
            part->SetFirstParamID(this, first + kPartOffset[p], p);
    }
    return KX::S_OK;
}

KX::RCPtr<LParameterizedModule> IDevice::GetModule(int32_t id)
{
    const int32_t offset = OffsetIn(id, m_firstParamID, kParamCount);
    if (offset < 0)
        return KX::RCPtr<LParameterizedModule>();
    KX::RCPtr<LParameterizedModule> part = ModifiableModule(GetPart(PartOf(offset)));
    return part ? part->GetModule(id) : KX::RCPtr<LParameterizedModule>();
}

KX::ConstRCPtr<LParameterizedModule> IDevice::GetModule(int32_t id) const
{
    const int32_t offset = OffsetIn(id, m_firstParamID, kParamCount);
    if (offset < 0)
        return KX::ConstRCPtr<LParameterizedModule>();
    KX::ConstRCPtr<LParameterizedModule> part = GetPart(PartOf(offset));
    return part ? part->GetModule(id) : KX::ConstRCPtr<LParameterizedModule>();
}
