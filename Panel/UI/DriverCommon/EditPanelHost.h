#pragma once
// What a group panel needs of the device view: showing the edit panel of one control of a group and
// hiding the others. The device view implements it; a group whose "viewDevice" is some other control
// (a test's plain parent) shows its edit panel itself.
#include <cstdint>

// The groups as the device view numbers them.
enum EditPanelGroup : int32_t {
    kFaderGroup = 0,
    kEncoderGroup = 1,
    kPadGroup = 2,
    kXYPadGroup = 3,
    kWheelGroup = 4,
    kKeybedZoneGroup = 5,
    kPushButtonGroup = 6,
    kPedalGroup = 7,
};

class IEditPanelHost {
public:
    virtual void ShowEditPanel(int32_t group, int32_t index) = 0;

protected:
    ~IEditPanelHost() = default;
};
