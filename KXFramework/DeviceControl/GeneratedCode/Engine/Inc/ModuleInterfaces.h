#pragma once
// The module interfaces of the keyboard: the root, the device, its nine parts and the leaves.
// The device model implements them, and so do the editor's panels, which keep these base bodies
// wherever they do not override them, so that identifier arithmetic and child selection are the
// same on both sides.
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ParamTable.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ParameterizedModule.h"

#include <utility>

class IDevice;
class LDeviceCommunicationInterface;

class IRootModule : public LParameterizedModule {
public:
    static constexpr int32_t kParamCount = ::kParamCount;

    // Stores the fields and numbers the device from `first`; `first` must leave room for all 131
    // identifiers (logic error "Invalid FirstParamID").
    KXRESULT SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index) override;
    // The device's module for `id` when 0 <= id - first < 131, else null.
    KX::RCPtr<LParameterizedModule> GetModule(int32_t id) override;
    KX::ConstRCPtr<LParameterizedModule> GetModule(int32_t id) const override;

    virtual KX::ConstRCPtr<IDevice> GetDevice() const = 0;
    KX::RCPtr<IDevice> GetDevice();
    virtual KX::RCPtr<LDeviceCommunicationInterface> GetDeviceCommunicationInterface() = 0;
    [[nodiscard]] virtual KXRESULT ReportParamValueChange(const KX::ParamDescriptor& d, const KX::Variant& v) = 0;
    // Sets the value in the model and passes it on to the device; E_NOTIMPL here.
    [[nodiscard]] virtual KXRESULT SendParamValue(const KX::ParamDescriptor& d, const KX::Variant& v);

protected:
    IRootModule();
};

// A part of the device whose children are reached by index through a virtual getter. Child i has
// identifier first + i; the walk always goes through the getter, so a panel that switches what its
// getter answers is followed.
class IModuleGroup : public LParameterizedModule {
public:
    // Stores the fields, then gives child i (the group, first + i, i); null children are skipped.
    KXRESULT SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index) override;
    KX::RCPtr<LParameterizedModule> GetModule(int32_t id) override;
    KX::ConstRCPtr<LParameterizedModule> GetModule(int32_t id) const override;

protected:
    explicit IModuleGroup(int32_t childCount);
    virtual KX::ConstRCPtr<LParameterizedModule> GetChildModule(int32_t i) const = 0;

    const int32_t m_childCount;
};

// A control of the device: one parameter, identifier FirstParamID.
class IModuleLeaf : public LParameterizedModule {
public:
    // This module when id is its identifier, else null.
    KX::RCPtr<LParameterizedModule> GetModule(int32_t id) override;
    KX::ConstRCPtr<LParameterizedModule> GetModule(int32_t id) const override;

protected:
    IModuleLeaf();
};

#define KX_DECLARE_LEAF_INTERFACE(Name, Size)                                                                          \
    class Name : public IModuleLeaf {                                                                                  \
    public:                                                                                                            \
        static constexpr uint32_t kValueSize = Size;                                                                   \
    }

KX_DECLARE_LEAF_INTERFACE(IPresetName, 6);
KX_DECLARE_LEAF_INTERFACE(IKeybedZone, 9);
KX_DECLARE_LEAF_INTERFACE(IWheel, 5);
KX_DECLARE_LEAF_INTERFACE(IVolumePedal, 6);
KX_DECLARE_LEAF_INTERFACE(ISustainPedal, 6);
KX_DECLARE_LEAF_INTERFACE(IPad, 14);
KX_DECLARE_LEAF_INTERFACE(IPushButton, 17);
KX_DECLARE_LEAF_INTERFACE(IFader, 6);
KX_DECLARE_LEAF_INTERFACE(IEncoder, 6);
KX_DECLARE_LEAF_INTERFACE(ITouchPadAxis, 15);

#undef KX_DECLARE_LEAF_INTERFACE

// A group of `Count` children of one interface, got through `Getter`.
#define KX_DECLARE_GROUP_INTERFACE(Name, Child, Getter, Count)                                                         \
    class Name : public IModuleGroup {                                                                                 \
    public:                                                                                                            \
        static constexpr int32_t kChildCount = Count;                                                                  \
        /* Child i, null outside 0..Count-1. */                                                                        \
        virtual KX::ConstRCPtr<Child> Getter(int32_t i) const = 0;                                                     \
        KX::RCPtr<Child> Getter(int32_t i) { return ModifiableModule(std::as_const(*this).Getter(i)); }                \
                                                                                                                       \
    protected:                                                                                                         \
        Name() : IModuleGroup(Count) {}                                                                                \
        KX::ConstRCPtr<LParameterizedModule> GetChildModule(int32_t i) const override { return Getter(i); }            \
    }

KX_DECLARE_GROUP_INTERFACE(IKeybedZones, IKeybedZone, GetKeybedZone, 4);
KX_DECLARE_GROUP_INTERFACE(IWheels, IWheel, GetWheel, 2);
KX_DECLARE_GROUP_INTERFACE(IPads, IPad, GetPad, 16);
KX_DECLARE_GROUP_INTERFACE(IPushButtons, IPushButton, GetPushButton, 36);
KX_DECLARE_GROUP_INTERFACE(IFaders, IFader, GetFader, 36);
KX_DECLARE_GROUP_INTERFACE(IEncoders, IEncoder, GetEncoder, 32);
KX_DECLARE_GROUP_INTERFACE(ITouchPadAxises, ITouchPadAxis, GetTouchPadAxis, 2);

#undef KX_DECLARE_GROUP_INTERFACE

// The pedals: the volume pedal is child 0, the sustain pedal child 1.
class IPedals : public IModuleGroup {
public:
    static constexpr int32_t kChildCount = 2;
    virtual KX::ConstRCPtr<IVolumePedal> GetVolumePedal() const = 0;
    KX::RCPtr<IVolumePedal> GetVolumePedal() { return ModifiableModule(std::as_const(*this).GetVolumePedal()); }
    virtual KX::ConstRCPtr<ISustainPedal> GetSustainPedal() const = 0;
    KX::RCPtr<ISustainPedal> GetSustainPedal() { return ModifiableModule(std::as_const(*this).GetSustainPedal()); }

protected:
    IPedals() : IModuleGroup(kChildCount) {}
    KX::ConstRCPtr<LParameterizedModule> GetChildModule(int32_t i) const override;
};

class IDevice : public LParameterizedModule {
public:
    // Stores the fields, then numbers its nine parts in dump order (first + 0, 1, 5, 7, 9, 25, 61,
    // 97, 129); part p gets index p; null parts are skipped.
    KXRESULT SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index) override;
    // The part that holds `id`, then that part's module; null outside the 131.
    KX::RCPtr<LParameterizedModule> GetModule(int32_t id) override;
    KX::ConstRCPtr<LParameterizedModule> GetModule(int32_t id) const override;

    virtual KX::ConstRCPtr<IPresetName> GetPresetName() const = 0;
    virtual KX::ConstRCPtr<IKeybedZones> GetKeybedZones() const = 0;
    virtual KX::ConstRCPtr<IWheels> GetWheels() const = 0;
    virtual KX::ConstRCPtr<IPedals> GetPedals() const = 0;
    virtual KX::ConstRCPtr<IPads> GetPads() const = 0;
    virtual KX::ConstRCPtr<IPushButtons> GetPushButtons() const = 0;
    virtual KX::ConstRCPtr<IFaders> GetFaders() const = 0;
    virtual KX::ConstRCPtr<IEncoders> GetEncoders() const = 0;
    virtual KX::ConstRCPtr<ITouchPadAxises> GetTouchPadAxises() const = 0;
    KX::RCPtr<IPresetName> GetPresetName() { return ModifiableModule(std::as_const(*this).GetPresetName()); }
    KX::RCPtr<IKeybedZones> GetKeybedZones() { return ModifiableModule(std::as_const(*this).GetKeybedZones()); }
    KX::RCPtr<IWheels> GetWheels() { return ModifiableModule(std::as_const(*this).GetWheels()); }
    KX::RCPtr<IPedals> GetPedals() { return ModifiableModule(std::as_const(*this).GetPedals()); }
    KX::RCPtr<IPads> GetPads() { return ModifiableModule(std::as_const(*this).GetPads()); }
    KX::RCPtr<IPushButtons> GetPushButtons() { return ModifiableModule(std::as_const(*this).GetPushButtons()); }
    KX::RCPtr<IFaders> GetFaders() { return ModifiableModule(std::as_const(*this).GetFaders()); }
    KX::RCPtr<IEncoders> GetEncoders() { return ModifiableModule(std::as_const(*this).GetEncoders()); }
    KX::RCPtr<ITouchPadAxises> GetTouchPadAxises()
    {
        return ModifiableModule(std::as_const(*this).GetTouchPadAxises());
    }

    static constexpr int32_t kPartCount = 9;

protected:
    IDevice();
    // Part p (0..8) in dump order, null outside.
    KX::ConstRCPtr<LParameterizedModule> GetPart(int32_t p) const;
};
