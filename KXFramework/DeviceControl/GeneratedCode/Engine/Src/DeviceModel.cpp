#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/DeviceModel.h"

KXRESULT GetLeafDefault(const LParameterizedModule& leaf, ParamKind kind, const KX::ParamDescriptor& d,
                        KX::Variant& out)
{
    out.Clear();
    const ParamKindInfo& info = GetParamKindInfo(kind);
    // Both pedals are children of one group but of different kinds: each kind has one parameter.
    const int32_t leafIndex = info.count > 1 ? leaf.GetIndex() : 0;
    if (leaf.GetFirstParamID() < 0 || leafIndex < 0 || leafIndex >= info.count)
        return KX::E_FAIL;
    if (d.id != leaf.GetFirstParamID())
        return KX::E_INVALIDARG;
    const int32_t index = info.firstIndex + leafIndex;
    out = ParamDefaultValue(index);
    return KX::S_OK;
}

#define KX_DEFINE_MODEL_GROUP(Name, Child, ChildInterface, Getter)                                                     \
    Name::Name()                                                                                                       \
    {                                                                                                                  \
        for (int32_t i = 0; i < kChildCount; ++i)                                                                      \
            m_children[i] = KX::RCPtr<Child>(new Child);                                                               \
    }                                                                                                                  \
    KX::ConstRCPtr<ChildInterface> Name::Getter(int32_t i) const                                                       \
    {                                                                                                                  \
        if (i < 0 || i >= kChildCount)                                                                                 \
            return KX::ConstRCPtr<ChildInterface>();                                                                   \
        return KX::ConstRCPtr<ChildInterface>(m_children[i]);                                                          \
    }

KX_DEFINE_MODEL_GROUP(LKeybedZones, LKeybedZone, IKeybedZone, GetKeybedZone)
KX_DEFINE_MODEL_GROUP(LWheels, LWheel, IWheel, GetWheel)
KX_DEFINE_MODEL_GROUP(LPads, LPad, IPad, GetPad)
KX_DEFINE_MODEL_GROUP(LPushButtons, LPushButton, IPushButton, GetPushButton)
KX_DEFINE_MODEL_GROUP(LFaders, LFader, IFader, GetFader)
KX_DEFINE_MODEL_GROUP(LEncoders, LEncoder, IEncoder, GetEncoder)
KX_DEFINE_MODEL_GROUP(LTouchPadAxises, LTouchPadAxis, ITouchPadAxis, GetTouchPadAxis)

#undef KX_DEFINE_MODEL_GROUP

LPedals::LPedals() : m_volume(new LVolumePedal), m_sustain(new LSustainPedal) {}

KX::ConstRCPtr<IVolumePedal> LPedals::GetVolumePedal() const
{
    return KX::ConstRCPtr<IVolumePedal>(m_volume);
}

KX::ConstRCPtr<ISustainPedal> LPedals::GetSustainPedal() const
{
    return KX::ConstRCPtr<ISustainPedal>(m_sustain);
}

LDevice::LDevice()
    : m_presetName(new LPresetName),
      m_keybedZones(new LKeybedZones),
      m_wheels(new LWheels),
      m_pedals(new LPedals),
      m_pads(new LPads),
      m_pushButtons(new LPushButtons),
      m_faders(new LFaders),
      m_encoders(new LEncoders),
      m_touchPadAxises(new LTouchPadAxises)
{
}

KX::ConstRCPtr<IPresetName> LDevice::GetPresetName() const
{
    return KX::ConstRCPtr<IPresetName>(m_presetName);
}

KX::ConstRCPtr<IKeybedZones> LDevice::GetKeybedZones() const
{
    return KX::ConstRCPtr<IKeybedZones>(m_keybedZones);
}

KX::ConstRCPtr<IWheels> LDevice::GetWheels() const
{
    return KX::ConstRCPtr<IWheels>(m_wheels);
}

KX::ConstRCPtr<IPedals> LDevice::GetPedals() const
{
    return KX::ConstRCPtr<IPedals>(m_pedals);
}

KX::ConstRCPtr<IPads> LDevice::GetPads() const
{
    return KX::ConstRCPtr<IPads>(m_pads);
}

KX::ConstRCPtr<IPushButtons> LDevice::GetPushButtons() const
{
    return KX::ConstRCPtr<IPushButtons>(m_pushButtons);
}

KX::ConstRCPtr<IFaders> LDevice::GetFaders() const
{
    return KX::ConstRCPtr<IFaders>(m_faders);
}

KX::ConstRCPtr<IEncoders> LDevice::GetEncoders() const
{
    return KX::ConstRCPtr<IEncoders>(m_encoders);
}

KX::ConstRCPtr<ITouchPadAxises> LDevice::GetTouchPadAxises() const
{
    return KX::ConstRCPtr<ITouchPadAxises>(m_touchPadAxises);
}
