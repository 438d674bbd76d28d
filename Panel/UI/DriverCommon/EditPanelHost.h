#pragma once
// What a group panel needs of the device view: showing the edit panel of one control (group number:
// 0 faders, 1 encoders, 2 pads, 3 XY pad, 4 wheels, 5 keybed zones, 6 push buttons, 7 pedals) and
// hiding the others. The device view implements it; a group whose "viewDevice" is some other control
// (a test's plain parent) shows its edit panel itself.
#include <cstdint>

class IEditPanelHost {
public:
    virtual void ShowEditPanel(int32_t group, int32_t index) = 0;

protected:
    ~IEditPanelHost() = default;
};
