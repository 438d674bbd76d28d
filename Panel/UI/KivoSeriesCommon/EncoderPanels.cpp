#include "Panel/UI/KivoSeriesCommon/EncoderPanels.h"

LEncoderPanel::LEncoderPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LMoveableTilePanel(parent, name, {u"encoderNameLabel", 8, "LEncoderPanel", "UI\\KivoSeriesCommon\\EncoderPanel"})
{
}

LEncoderEditPanel::LEncoderEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LMoveableLeafEditPanel(parent, name, u"knobName", 8, IEncoders::kChildCount, "LEncoderEditPanel",
                             "UI\\KivoSeriesCommon\\EncoderEditPanel")
{
}

LEncoderGroupPanel::LEncoderGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LControlGroupPanel(parent, name, kEncoderGroup,
                         BankedTilePlaces(u"encoderBank", 4, u"encoder", 8, u"knobEditPanel"),
                         "LEncoderGroupPanel::Initialize", "UI\\KivoSeriesCommon\\EncoderGroupPanel")
{
}
