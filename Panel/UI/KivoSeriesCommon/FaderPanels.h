#pragma once
// The 36 faders (4 banks of 9): the tile on the device picture, the edit panel "faderEditPanel" and
// the group "faders" that holds the tiles. Fader i is fader i mod 9 + 1 of bank i / 9 + 1.
#include "Panel/UI/KivoSeriesCommon/ControlGroupPanel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlPanels.h"

class LFaderPanel : public LMoveableTilePanel<IFader> {
public:
    LFaderPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);
};

class LFaderEditPanel : public LMoveableLeafEditPanel<IFader> {
public:
    LFaderEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);
};

class LFaderGroupPanel : public LControlGroupPanel<IFaders, IFader> {
public:
    LFaderGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);
    KX::ConstRCPtr<IFader> GetFader(int32_t i) const override { return HandOut(i); }
};
