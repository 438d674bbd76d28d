#include "Panel/UI/KivoSeriesCommon/FaderPanels.h"

LFaderPanel::LFaderPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LMoveableTilePanel(parent, name, {u"faderNumberLabel", 9, "LFaderPanel", "UI\\KivoSeriesCommon\\FaderPanel"})
{
}

LFaderEditPanel::LFaderEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LMoveableLeafEditPanel(parent, name, u"faderName", 9, IFaders::kChildCount, "LFaderEditPanel",
                             "UI\\KivoSeriesCommon\\FaderEditPanel")
{
}

LFaderGroupPanel::LFaderGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LControlGroupPanel(parent, name, kFaderGroup, BankedTilePlaces(u"faderBank", 4, u"fader", 9, u"faderEditPanel"),
                         "LFaderGroupPanel::Initialize", "UI\\KivoSeriesCommon\\FaderGroupPanel")
{
}
