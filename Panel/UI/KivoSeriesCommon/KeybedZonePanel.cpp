#include "Panel/UI/KivoSeriesCommon/KeybedZonePanel.h"

#include "Panel/UI/DriverCommon/ChildLookup.h"
#include "Panel/UI/DriverCommon/PanelErrors.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"
#include "Panel/UI/KivoSeriesCommon/KeybedZoneEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/MIDIChannelViewPanel.h"

#include <vector>

namespace {

constexpr const char* kPath = "UI\\KivoSeriesCommon\\KeybedZonePanel";

// The texts of a label's string table in key order: the key or octave names of the note selector.
std::vector<KX::String> NamesOf(const KX::RCPtr<KX::LControl>& label)
{
    std::vector<KX::String> names;
    if (label && label->GetStringTable()) {
        for (const auto& [key, text] : label->GetStringTable()->GetEntries())
            names.push_back(text);
    }
    return names;
}

} // namespace

LKeybedZonePanel::LKeybedZonePanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LUIModuleLeaf<IKeybedZone>(parent, name)
{
}

KXRESULT LKeybedZonePanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    m_info = RequireChild(KX::RCPtr<KX::LLabel>(FindChild(u"infoLabel")), "Cannot find child: infoLabel ",
                          "LKeybedZonePanel::Initialize", kPath, 33);
    return base;
}

KXRESULT LKeybedZonePanel::SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index)
{
    IKeybedZone::SetFirstParamID(parent, first, index);
    const KX::RCPtr<KX::LControl> title = RequireChild(FindChild(u"zoneName"), "Cannot find child: zoneName",
                                                       "LKeybedZonePanel::SetFirstParamID", kPath, 120);
    title->SetText(KX::String::Format(title->GetText().GetString(), index + 1));
    return KX::S_OK;
}

KXRESULT LKeybedZonePanel::ShowParamValue(const unsigned char* bytes, int)
{
    using namespace KeybedZoneValue;
    if (!m_info)
        return KX::E_FAIL;
    // The key names are those of the zone editor's note selector, under the device view.
    const KX::RCPtr<KX::LControl>& strip = KX::LPanel::GetParent();
    const KX::RCPtr<KX::LControl> view = strip ? strip->GetParent() : KX::RCPtr<KX::LControl>();
    const KX::RCPtr<KX::LControl> selector =
        FindChildAt(view, {u"zoneEditPanel", u"startEndNoteSelector", u"startNote", u"noteSelector"});
    const std::vector<KX::String> names = NamesOf(FindChildAt(selector, {u"noteNameLabel"}));
    const std::vector<KX::String> octaves = NamesOf(FindChildAt(selector, {u"octaveNameLabel"}));
    // The keys as the editor's note selectors show them: a byte that is no key of the keybed (one of
    // 0x80 and above reads negative) names neither key nor octave.
    const int first = static_cast<signed char>(bytes[kFirstKey]);
    const int last = static_cast<signed char>(bytes[kLastKey]);
    const auto named = [&](int key) {
        return !IsKey(key) || (size_t(key % 12) < names.size() && size_t(key / 12) < octaves.size());
    };
    // Only a skin without the name tables leaves the summary as it was.
    if (named(first) && named(last)) {
        const KX::String unknown(ControlUtilities::kNoEntryText);
        const auto name = [&](int key) { return IsKey(key) ? names[size_t(key % 12)] : unknown; };
        const auto octave = [&](int key) { return IsKey(key) ? octaves[size_t(key / 12)] : unknown; };
        KX::String format;
        m_info->GetString(format, u"INFO_TEXT");
        m_info->SetText(KX::String::Format(format.GetString(), name(first).GetString(), octave(first).GetString(),
                                           name(last).GetString(), octave(last).GetString()));
    }
    if (const KX::RCPtr<LMIDIChannelViewPanel> channel{FindChild(u"midiChannel")})
        channel->ShowMidiChannel(static_cast<char>(bytes[kChannel]), kChannelPositions);
    return KX::S_OK;
}

KXRESULT LKeybedZonePanel::BreakCycles()
{
    m_info = nullptr;
    return KX::LPanel::BreakCycles();
}
