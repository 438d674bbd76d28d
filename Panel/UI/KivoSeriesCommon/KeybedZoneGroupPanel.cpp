#include "Panel/UI/KivoSeriesCommon/KeybedZoneGroupPanel.h"

#include "Panel/UI/DriverCommon/PanelErrors.h"

namespace {

constexpr const char* kPath = "UI\\KivoSeriesCommon\\KeybedZoneGroupPanel";
constexpr const char* kInitialize = "LKeybedZoneGroupPanel::Initialize";

void Check(KXRESULT r, int line)
{
    if (KX::Failed(r))
        throw KX::Exception<KX::FailedResultException>("Failed Result : " + KX::ResultToString(r) +
                                                       KX::SourcePlace(kInitialize, kPath, line));
}

} // namespace

LKeybedZoneGroupPanel::LKeybedZoneGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LUIModuleGroup<IKeybedZones, IKeybedZone>(parent, name)
{
}

KXRESULT LKeybedZoneGroupPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    m_handler = Handler::Create(this);
    if (!m_handler)
        return base;
    KX::RCPtr<KX::LControl> top;
    GetTopLevelControl(top);
    const KX::RCPtr<KX::LControl> view = top ? top->FindChild(u"viewDevice") : KX::RCPtr<KX::LControl>();
    m_editor = RequireChild(KX::RCPtr<LKeybedZoneEditPanel>(view ? view->FindChild(u"zoneEditPanel") : nullptr),
                            "zoneEditPanel not found", kInitialize, kPath, 37);
    Check(m_handler->SetNotification(&LKeybedZoneGroupPanel::OnEditPanelVisibilityChange, m_editor,
                                     u"NID_VISIBLITY_CONDITION_CHANGE", 0),
          34);
    m_editPanel = m_editor;
    for (const char16_t* name : {u"zone1", u"zone2", u"zone3", u"zone4"}) {
        const KX::RCPtr<LKeybedZonePanel> tile(FindChild(name));
        if (!tile)
            Check(KX::E_FAIL, 59);
        const KX::RCPtr<KX::LControl> button =
            RequireChild(tile->FindChild(u"button"), "Cannot find child button", kInitialize, kPath, 55);
        Check(m_handler->SetNotification(&LKeybedZoneGroupPanel::OnZoneButtonClick, button, u"NID_LEFT_CLICK", 0), 55);
        m_tiles.push_back(tile);
        m_items.push_back(tile);
        m_buttons.push_back(button);
    }
    return base;
}

KXRESULT LKeybedZoneGroupPanel::OnZoneButtonClick(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                  const KX::RCPtr<KX::LNotification>&)
{
    for (size_t i = 0; i < m_tiles.size(); ++i) {
        if (sender.Get() != static_cast<KX::LNotificationDistributor*>(m_buttons[i].Get())) {
            static_cast<void>(m_buttons[i]->SetValue(0.0)); // the value stored is not needed
            continue;
        }
        static_cast<void>(m_buttons[i]->SetValue(1.0));                                                // as above
        static_cast<void>(m_editor->SetFirstParamID(this, m_tiles[i]->GetFirstParamID(), int32_t(i))); // always 0
        // Showing the zone editor in place of the others is the device view's.
        static_cast<void>(m_editor->SetVisible(true)); // true: it was already shown
    }
    return 1;
}

KXRESULT LKeybedZoneGroupPanel::OnEditPanelVisibilityChange(const KX::RCPtr<KX::LNotificationDistributor>&,
                                                            const KX::RCPtr<KX::LNotification>&)
{
    const KX::RectT<double>& rect = m_editor->GetRect();
    if (!m_editor->IsVisible(false) || rect.width <= 0 || rect.height <= 0) {
        for (const KX::RCPtr<KX::LControl>& button : m_buttons)
            static_cast<void>(button->SetValue(0.0)); // the value stored is not needed
    }
    return 1;
}

KXRESULT LKeybedZoneGroupPanel::ReceiveNotification(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                    const KX::RCPtr<KX::LNotification>& n)
{
    KXRESULT handled = KX::S_OK;
    if (m_handler && m_handler->Dispatch(sender, n, handled))
        return handled;
    return KX::LPanel::ReceiveNotification(sender, n);
}

KXRESULT LKeybedZoneGroupPanel::UnregisterForNotification(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                          const char16_t* name)
{
    if (m_handler)
        m_handler->RemoveNotification(sender, name);
    return KX::LPanel::UnregisterForNotification(sender, name);
}

KXRESULT LKeybedZoneGroupPanel::BreakCycles()
{
    m_handler = nullptr;
    m_tiles.clear();
    m_buttons.clear();
    m_editor = nullptr;
    return LUIModuleGroup<IKeybedZones, IKeybedZone>::BreakCycles();
}
