#include "Panel/SkinClassRegistry.h"

#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/Controls/TabControl.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/ButtonControlViewPanel.h"
#include "Panel/UI/KivoSeriesCommon/MIDIChannelViewPanel.h"
// Buttons, encoders and faders.
#include "Panel/UI/KivoSeriesCommon/ButtonPanels.h"
#include "Panel/UI/KivoSeriesCommon/EncoderPanels.h"
#include "Panel/UI/KivoSeriesCommon/FaderPanels.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlEditPanel.h"
#include "Panel/UI/KivoSeriesCommon/MoveableControlViewPanel.h"
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
