#pragma once
// The 32 encoders (4 banks of 8): the tile on the device picture, the edit panel "knobEditPanel" and
// the group "encoders" that holds the tiles. Encoder i is encoder i mod 8 + 1 of bank i / 8 + 1.
#include "Panel/UI/KivoSeriesCommon/ControlGroupPanel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlPanels.h"

class LEncoderPanel : public LMoveableTilePanel<IEncoder> {
public:
    LEncoderPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);
};

class LEncoderEditPanel : public LMoveableLeafEditPanel<IEncoder> {
public:
    LEncoderEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);
};

class LEncoderGroupPanel : public LControlGroupPanel<IEncoders, IEncoder> {
public:
    LEncoderGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);
    KX::ConstRCPtr<IEncoder> GetEncoder(int32_t i) const override { return HandOut(i); }
};
