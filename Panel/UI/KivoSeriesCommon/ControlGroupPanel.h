#pragma once
// The group panel of the device picture, written once for every control group (faders, encoders,
// push buttons, pads, XY pad, pedals, wheels, keybed zones). A concrete group names its interface
// (IFaders), its item interface (IFader), its group number and where its tiles sit, and answers its
// getter with HandOut:
//
//     class LFaderGroupPanel : public LControlGroupPanel<IFaders, IFader> {
//         LFaderGroupPanel(parent, name)
//             : LControlGroupPanel(parent, name, kFaderGroup, BankedTilePlaces(u"faderBank", 4, u"fader", 9,
//                                  u"faderEditPanel"), "LFaderGroupPanel::Initialize", kPath) {}
//         KX::ConstRCPtr<IFader> GetFader(int32_t i) const override { return HandOut(i); }
//     };
//
// What the pattern does:
// - Initialize finds each tile (under its bank, or directly under the group) and each tile's edit
//   panel under "viewDevice" (the top-level control's child); a missing bank, tile, tile "button" or
//   edit panel throws the null-pointer runtime error naming it. It subscribes to every tile's
//   "button" NID_LEFT_CLICK and to every edit panel's NID_VISIBLITY_CONDITION_CHANGE.
// - Hand-out and routing (LUIModuleGroup): while the model numbers the group, the getter answers the
//   tiles in order; afterwards the tile the edit panel shows is answered by the edit panel, which
//   passes each value on through SetParamValue to that tile.
// - A click on tile i shows its edit panel (IEditPanelHost::ShowEditPanel (group, i) on "viewDevice",
//   or SetVisible when "viewDevice" is no host), presses tile i's "button" and releases all others,
//   then re-points the edit panel at tile i (SetFirstParamID (group, tile's identifier, i)), which asks
//   the engine for the value.
// - When the edit panel in use becomes invisible, every tile's "button" is released.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Panel.h"
#include "Panel/UI/DriverCommon/ChildLookup.h"
#include "Panel/UI/DriverCommon/EditPanelHost.h"
#include "Panel/UI/DriverCommon/PanelErrors.h"
#include "Panel/UI/DriverCommon/UIModuleGroup.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

// Where tile i sits: its bank (a child of the group; empty for a tile directly in the group), its
// name, and the edit panel (a child of "viewDevice") that edits it.
struct GroupTilePlace {
    std::u16string bank;
    std::u16string tile;
    std::u16string editPanel;
};

// Tiles "<tile>1" to "<tile><perBank>" of the banks "<bank>1" to "<bank><banks>", bank by bank, all
// edited by `editPanel`.
std::vector<GroupTilePlace> BankedTilePlaces(const std::u16string& bank, unsigned banks, const std::u16string& tile,
                                             unsigned perBank, const std::u16string& editPanel);

// UTF-16 names in error texts.
std::string NarrowName(const std::u16string& name);

template <class Interface, class Child, class Base = KX::LPanel>
class LControlGroupPanel
    : public LUIModuleGroup<Interface, Child,
                            KX::LControlWithHandler<Base, LControlGroupPanel<Interface, Child, Base>>> {
    using Group = LUIModuleGroup<Interface, Child, KX::LControlWithHandler<Base, LControlGroupPanel>>;

public:
    LControlGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name, int32_t group,
                       std::vector<GroupTilePlace> places, const char* method, const char* path)
        : Group(parent, name),
          m_group(group),
          m_places(std::move(places)),
          m_method(method),
          m_path(path)
    {
    }

    [[nodiscard]] KXRESULT Initialize() override
    {
        const KXRESULT base = Base::Initialize();
        if (KX::Failed(base))
            return base;
        const KX::RCPtr<KX::LControl> view = FindViewDevice(*this);
        this->m_items.clear();
        m_tiles.clear();
        m_tileEditPanels.clear();
        std::vector<KX::RCPtr<KX::LControl>> subscribed;
        for (const GroupTilePlace& place : m_places) {
            const KX::RCPtr<KX::LControl> panel = Need(FindChildAt(view, {place.editPanel.c_str()}),
                                                       NarrowName(place.editPanel) + " not found", __LINE__);
            Need(KX::RCPtr<Child>(panel), NarrowName(place.editPanel) + " is no edit panel of this group", __LINE__);
            if (std::find(subscribed.begin(), subscribed.end(), panel) == subscribed.end()) {
                Subscribe(&LControlGroupPanel::OnEditPanelVisibilityChanged, panel, u"NID_VISIBLITY_CONDITION_CHANGE",
                          __LINE__);
                subscribed.push_back(panel);
            }
            KX::RCPtr<KX::LControl> holder(this);
            if (!place.bank.empty())
                holder =
                    Need(this->FindChild(place.bank.c_str()), "can not find child " + NarrowName(place.bank), __LINE__);
            const KX::RCPtr<KX::LControl> tile =
                Need(holder->FindChild(place.tile.c_str()), "can not find child " + NarrowName(place.tile), __LINE__);
            const KX::RCPtr<Child> item =
                Need(KX::RCPtr<Child>(tile), NarrowName(place.tile) + " is no tile of this group", __LINE__);
            const KX::RCPtr<KX::LControl> button =
                Need(tile->FindChild(u"button"), "can not find child button of " + NarrowName(place.tile), __LINE__);
            Subscribe(&LControlGroupPanel::OnTileClicked, button, u"NID_LEFT_CLICK", __LINE__);
            this->m_items.push_back(item);
            m_tiles.push_back(tile);
            m_tileEditPanels.push_back(panel);
        }
        this->m_editPanel = m_tileEditPanels.empty() ? KX::RCPtr<Child>() : KX::RCPtr<Child>(m_tileEditPanels[0]);
        return base;
    }

    KXRESULT BreakCycles() override
    {
        m_tiles.clear();
        m_tileEditPanels.clear();
        return Group::BreakCycles();
    }

    // The tile controls in hand-out order.
    const std::vector<KX::RCPtr<KX::LControl>>& GetTiles() const { return m_tiles; }

protected:
    using Handler = KX::LNotificationHandler<LControlGroupPanel>;

    [[nodiscard]] KXRESULT OnTileClicked(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                         const KX::RCPtr<KX::LNotification>&)
    {
        int32_t clicked = -1;
        for (size_t i = 0; i < m_tiles.size(); ++i) {
            const KX::RCPtr<KX::LControl> button = m_tiles[i]->FindChild(u"button");
            if (button && static_cast<KX::LNotificationDistributor*>(button.Get()) == sender.Get())
                clicked = static_cast<int32_t>(i);
        }
        const KX::RCPtr<KX::LControl> view = FindViewDevice(*this);
        if (clicked >= 0 && view) {
            const KX::RCPtr<KX::LControl>& panel = m_tileEditPanels[size_t(clicked)];
            this->m_editPanel = KX::RCPtr<Child>(panel);
            // Shown first: a view that hides every edit panel on the way must not release the new choice.
            if (IEditPanelHost* host = dynamic_cast<IEditPanelHost*>(view.Get()))
                host->ShowEditPanel(m_group, clicked);
            else
                panel->SetVisible(true);
            this->m_editPanel->SetFirstParamID(this, this->m_items[size_t(clicked)]->GetFirstParamID(), clicked);
        }
        for (size_t i = 0; i < m_tiles.size(); ++i) {
            if (const KX::RCPtr<KX::LControl> button = m_tiles[i]->FindChild(u"button"))
                button->SetValue(int32_t(i) == clicked ? 1.0 : 0.0);
        }
        return 1;
    }

    [[nodiscard]] KXRESULT OnEditPanelVisibilityChanged(const KX::RCPtr<KX::LNotificationDistributor>&,
                                                        const KX::RCPtr<KX::LNotification>&)
    {
        const KX::LControl* panel = dynamic_cast<const KX::LControl*>(this->m_editPanel.Get());
        if (panel && panel->IsVisible(false))
            return 1;
        for (const KX::RCPtr<KX::LControl>& tile : m_tiles) {
            if (const KX::RCPtr<KX::LControl> button = tile->FindChild(u"button"))
                button->SetValue(0.0);
        }
        return 1;
    }

private:
    template <class P>
    const P& Need(const P& p, const std::string& phrase, int line) const
    {
        return RequireChild(p, phrase, m_method, m_path, line);
    }

    void Subscribe(typename Handler::Member member, const KX::RCPtr<KX::LControl>& sender, const char16_t* name,
                   int line)
    {
        const KXRESULT r = this->Bind(member, sender, name);
        if (KX::Failed(r))
            throw KX::Exception<KX::FailedResultException>("Failed Result : " + KX::ResultToString(r) +
                                                           KX::SourcePlace(m_method, m_path, line));
    }

    const int32_t m_group;
    const std::vector<GroupTilePlace> m_places;
    const char* const m_method;
    const char* const m_path;
    std::vector<KX::RCPtr<KX::LControl>> m_tiles;
    std::vector<KX::RCPtr<KX::LControl>> m_tileEditPanels;
};
