#pragma once
// Preset files: load a preset file into the device model and save the model to one. The file is
// checked whole before anything is applied, and replaced atomically when saved.
//
// Format (all words unsigned 32-bit little-endian, 2922 bytes in all): format version 1, the two
// device words, then one variant record per parameter in identifier order, each a blob of the
// parameter's size.
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ParamTable.h"
#include "KXFramework/Notification/NotificationDistributor.h"
#include "KXFramework/Notification/NotificationHandler.h"
#include "KXFramework/ObjectBase/ServiceSlot.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/ParamValue.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace KX {

class LPresetManager : public LNotificationClient {
public:
    // Load results.
    static constexpr KXRESULT kLoaded = 0;
    static constexpr KXRESULT kOlderFormat = -1;
    static constexpr KXRESULT kNewerFormat = -2;
    static constexpr KXRESULT kCorrupt = -3;
    static constexpr KXRESULT kWrongDevice = -4;
    static constexpr KXRESULT kTranslationFailure = -5; // never returned by Load

    static constexpr uint32_t kFormatVersion = 1;
    static constexpr uint32_t kDeviceWord1 = 0x00006E2D; // the maker's SysEx identifier 00 6E 2D
    static constexpr uint32_t kDeviceWord2 = 0x00003106; // the product bytes 31 06 of the SysEx head
    static constexpr size_t kHeaderSize = 12;
    static constexpr size_t kFileSize = kHeaderSize + 12 * kParamCount + kPresetValueBytes;

    // Makes the manager and registers it for NID_GLOBAL_LOAD_CONTROL_PANEL_SETTINGS on the
    // application's centre; throws FailedResultException on failure.
    static void Create(RCPtr<LPresetManager>& out);

    // 0 loaded, -1 older format, -2 newer format, -3 corrupt or unreadable, -4 another device;
    // E_FAIL when the engine is missing or not connected. Nothing is applied unless the whole file
    // is sound; an applied file is announced with NID_PRESETFILE_PRE_LOAD and _POST_LOAD.
    [[nodiscard]] KXRESULT Load(const String& path);
    // 0, or E_FAIL with the old file intact when the model's 131 values cannot be collected or the
    // file cannot be written.
    [[nodiscard]] KXRESULT Save(const String& path);

    // The message of each load failure, shown through the message hook.
    [[nodiscard]] KXRESULT ShowLoadOlderMessage();
    [[nodiscard]] KXRESULT ShowLoadNewerMessage();
    [[nodiscard]] KXRESULT ShowLoadCorruptMessage();
    [[nodiscard]] KXRESULT ShowLoadWrongDeviceMessage();
    [[nodiscard]] KXRESULT ShowTranslationFailureMessage();

    // Shows a message box: string-table keys of the text and the caption, message-box flags; the
    // box's result. Supplied by the application; without it the message goes to the debug log.
    using MessageHook = std::function<int32_t(const char16_t* textKey, const char16_t* captionKey, uint32_t flags)>;
    static ServiceSlot<MessageHook>& MessageHookSlot();
    static void SetMessageHook(MessageHook hook);

    // Checks a whole file and gives its 131 values, numbered from `firstParamID`: 0, or -1..-4 as
    // Load; `out` is untouched unless the result is 0.
    [[nodiscard]] static KXRESULT ReadPresetFile(const uint8_t* data, size_t size, int32_t firstParamID,
                                                 Array<ParamValue>& out);
    // The file of 131 values in identifier order; E_FAIL when one is not a blob of its size.
    [[nodiscard]] static KXRESULT WritePresetFile(const Array<ParamValue>& values, Array<unsigned char>& out);

    KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n) override;
    KXRESULT BreakCycles() override;

private:
    LPresetManager() = default;
    [[nodiscard]] KXRESULT OnLoadControlPanelSettings(const RCPtr<LNotificationDistributor>& sender,
                                                      const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT ShowMessage(const char16_t* textKey);

    RCPtr<LNotificationHandler<LPresetManager>> m_handler;
};

} // namespace KX
