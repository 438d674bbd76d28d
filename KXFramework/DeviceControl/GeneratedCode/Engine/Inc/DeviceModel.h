#pragma once
// The device model: the tree of modules that mirrors the keyboard. Leaves hold no values; they
// read and write the root's parameter cache and know their kind's default.
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ModuleInterfaces.h"

#include <array>

// The default value of a leaf of `kind` numbered by its parent; E_FAIL before numbering,
// E_INVALIDARG (and an empty value) for another identifier.
[[nodiscard]] KXRESULT GetLeafDefault(const LParameterizedModule& leaf, ParamKind kind, const KX::ParamDescriptor& d,
                                      KX::Variant& out);

#define KX_DECLARE_MODEL_LEAF(Name, Interface, Kind)                                                                   \
    class Name : public Interface {                                                                                    \
    public:                                                                                                            \
        [[nodiscard]] KXRESULT GetParamValueDefault(const KX::ParamDescriptor& d, KX::Variant& out) const override     \
        {                                                                                                              \
            return GetLeafDefault(*this, Kind, d, out);                                                                \
        }                                                                                                              \
    }

KX_DECLARE_MODEL_LEAF(LPresetName, IPresetName, ParamKind::PresetName);
KX_DECLARE_MODEL_LEAF(LKeybedZone, IKeybedZone, ParamKind::KeybedZone);
KX_DECLARE_MODEL_LEAF(LWheel, IWheel, ParamKind::Wheel);
KX_DECLARE_MODEL_LEAF(LVolumePedal, IVolumePedal, ParamKind::VolumePedal);
KX_DECLARE_MODEL_LEAF(LSustainPedal, ISustainPedal, ParamKind::SustainPedal);
KX_DECLARE_MODEL_LEAF(LPad, IPad, ParamKind::Pad);
KX_DECLARE_MODEL_LEAF(LPushButton, IPushButton, ParamKind::PushButton);
KX_DECLARE_MODEL_LEAF(LFader, IFader, ParamKind::Fader);
KX_DECLARE_MODEL_LEAF(LEncoder, IEncoder, ParamKind::Encoder);
KX_DECLARE_MODEL_LEAF(LTouchPadAxis, ITouchPadAxis, ParamKind::TouchPadAxis);

#undef KX_DECLARE_MODEL_LEAF

// A group that makes its children in its constructor and holds them for its lifetime.
#define KX_DECLARE_MODEL_GROUP(Name, Interface, Child, ChildInterface, Getter)                                         \
    class Name : public Interface {                                                                                    \
    public:                                                                                                            \
        Name();                                                                                                        \
        using Interface::Getter;                                                                                       \
        KX::ConstRCPtr<ChildInterface> Getter(int32_t i) const override;                                               \
                                                                                                                       \
    private:                                                                                                           \
        std::array<KX::RCPtr<Child>, Interface::kChildCount> m_children;                                               \
    }

KX_DECLARE_MODEL_GROUP(LKeybedZones, IKeybedZones, LKeybedZone, IKeybedZone, GetKeybedZone);
KX_DECLARE_MODEL_GROUP(LWheels, IWheels, LWheel, IWheel, GetWheel);
KX_DECLARE_MODEL_GROUP(LPads, IPads, LPad, IPad, GetPad);
KX_DECLARE_MODEL_GROUP(LPushButtons, IPushButtons, LPushButton, IPushButton, GetPushButton);
KX_DECLARE_MODEL_GROUP(LFaders, IFaders, LFader, IFader, GetFader);
KX_DECLARE_MODEL_GROUP(LEncoders, IEncoders, LEncoder, IEncoder, GetEncoder);
KX_DECLARE_MODEL_GROUP(LTouchPadAxises, ITouchPadAxises, LTouchPadAxis, ITouchPadAxis, GetTouchPadAxis);

#undef KX_DECLARE_MODEL_GROUP

class LPedals : public IPedals {
public:
    LPedals();
    using IPedals::GetSustainPedal;
    using IPedals::GetVolumePedal;
    KX::ConstRCPtr<IVolumePedal> GetVolumePedal() const override;
    KX::ConstRCPtr<ISustainPedal> GetSustainPedal() const override;

private:
    KX::RCPtr<LVolumePedal> m_volume;
    KX::RCPtr<LSustainPedal> m_sustain;
};

class LDevice : public IDevice {
public:
    LDevice();
    using IDevice::GetEncoders;
    using IDevice::GetFaders;
    using IDevice::GetKeybedZones;
    using IDevice::GetPads;
    using IDevice::GetPedals;
    using IDevice::GetPresetName;
    using IDevice::GetPushButtons;
    using IDevice::GetTouchPadAxises;
    using IDevice::GetWheels;
    KX::ConstRCPtr<IPresetName> GetPresetName() const override;
    KX::ConstRCPtr<IKeybedZones> GetKeybedZones() const override;
    KX::ConstRCPtr<IWheels> GetWheels() const override;
    KX::ConstRCPtr<IPedals> GetPedals() const override;
    KX::ConstRCPtr<IPads> GetPads() const override;
    KX::ConstRCPtr<IPushButtons> GetPushButtons() const override;
    KX::ConstRCPtr<IFaders> GetFaders() const override;
    KX::ConstRCPtr<IEncoders> GetEncoders() const override;
    KX::ConstRCPtr<ITouchPadAxises> GetTouchPadAxises() const override;

private:
    KX::RCPtr<LPresetName> m_presetName;
    KX::RCPtr<LKeybedZones> m_keybedZones;
    KX::RCPtr<LWheels> m_wheels;
    KX::RCPtr<LPedals> m_pedals;
    KX::RCPtr<LPads> m_pads;
    KX::RCPtr<LPushButtons> m_pushButtons;
    KX::RCPtr<LFaders> m_faders;
    KX::RCPtr<LEncoders> m_encoders;
    KX::RCPtr<LTouchPadAxises> m_touchPadAxises;
};
