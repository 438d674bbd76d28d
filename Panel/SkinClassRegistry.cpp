#include "Panel/SkinClassRegistry.h"

#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/Controls/TabControl.h"
// The main control and the device view.
#include "Panel/UI/DeviceView.h"
#include "Panel/UI/DriverCommon/MainControl.h"
// The dialogs.
#include "Panel/AboutDlg.h"
#include "Panel/UI/KivoSeriesCommon/GlobalSettingsDlg.h"
#include "Panel/UI/PresetEditorCommon/GetPresetFromMidiDeviceDlg.h"
#include "Panel/UI/PresetEditorCommon/SendPresetToMidiDeviceDlg.h"
// The shared editors.
#include "Panel/UI/KivoSeriesCommon/ButtonControlEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlViewPanel.h"
#include "Panel/UI/KivoSeriesCommon/MIDIChannelViewPanel.h"
// Buttons, encoders and faders.
#include "Panel/UI/KivoSeriesCommon/ButtonPanels.h"
#include "Panel/UI/KivoSeriesCommon/EncoderPanels.h"
#include "Panel/UI/KivoSeriesCommon/FaderPanels.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlViewPanel.h"
// Keybed zones, XY pad, pads, preset name, pedals and wheels.
#include "Panel/UI/KivoSeriesCommon/KeybedZoneEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/KeybedZoneGroupPanel.h"
#include "Panel/UI/KivoSeriesCommon/KeybedZonePanel.h"
#include "Panel/UI/KivoSeriesCommon/NoteModeEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/PadPanels.h"
#include "Panel/UI/KivoSeriesCommon/PedalPanels.h"
#include "Panel/UI/KivoSeriesCommon/PresetNamePanel.h"
#include "Panel/UI/KivoSeriesCommon/WheelPanels.h"
#include "Panel/UI/KivoSeriesCommon/XYPadPanels.h"
#include "Panel/UI/PresetEditorCommon/MidiNoteSelector.h"
#include "Panel/UI/PresetEditorCommon/NumberBoxTextSelector.h"

void RegisterSkinClasses(KX::LControlClassRegistry& registry)
{
    // Results are not examined: the table names each class once with one function.
#define KIVO_SKIN_CLASS(Class, name)                                                                                   \
    static_cast<void>(registry.RegisterControlCreateFunction(name, &KX::CreateControlOf<Class>));
#include "Panel/SkinClassTable.h"
#undef KIVO_SKIN_CLASS
}
