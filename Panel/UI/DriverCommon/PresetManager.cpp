#include "Panel/UI/DriverCommon/PresetManager.h"

#include "KXFramework/Application/DebugLog.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Platform/Files/FileAccess.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace KX {

namespace {

constexpr const char16_t* kPreLoad = u"NID_PRESETFILE_PRE_LOAD";
constexpr const char16_t* kPostLoad = u"NID_PRESETFILE_POST_LOAD";
constexpr const char16_t* kLoadControlPanelSettings = u"NID_GLOBAL_LOAD_CONTROL_PANEL_SETTINGS";
constexpr const char16_t* kMessageCaption = u"SETTINGS_FILE_LOAD_CAPTION";
constexpr uint32_t kErrorIconFlags = 0x10;
constexpr size_t kReadCap = 1 << 20;

uint32_t ReadWord(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void WriteWord(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

void Post(const char16_t* name)
{
    RCPtr<LNotification> n;
    if (Failed(LNotification::Create(n, name, RCPtr<LRefCountedObject>())) || !n)
        return;
    RCPtr<LNotificationCenter> centre = GetDefaultNotificationCenter();
    if (centre)
        static_cast<void>(centre->PostNotification(n)); // only a centre being shut down refuses
}

std::string ToPath(const String& path)
{
    return std::string(path.ToNarrow().GetData());
}

// Why a file could not be read, for the debug log: the boxes name no cause.
std::string ReadFailure(Platform::Files::ReadStatus status, int error)
{
    switch (status) {
    case Platform::Files::ReadStatus::NotRegular:
        return "not a regular file";
    case Platform::Files::ReadStatus::TooLarge:
        return "larger than " + std::to_string(kReadCap) + " bytes";
    default:
        return std::strerror(error);
    }
}

} // namespace

void LPresetManager::Create(RCPtr<LPresetManager>& out)
{
    RCPtr<LPresetManager> manager(new LPresetManager);
    manager->m_handler = LNotificationHandler<LPresetManager>::Create(manager.Get());
    KXRESULT r = manager->m_handler ? S_OK : E_OUTOFMEMORY;
    if (Succeeded(r))
        r = manager->m_handler->SetNotification(&LPresetManager::OnLoadControlPanelSettings,
                                                RCPtr<LNotificationDistributor>(GetDefaultNotificationCenter()),
                                                kLoadControlPanelSettings, 0);
    ThrowIfFailed(
        r, SourcePlace("KX::LPresetManager::Create", "Panel\\UI\\DriverCommon\\PresetManager", __LINE__).c_str());
    out = manager;
}

KXRESULT LPresetManager::ReceiveNotification(const RCPtr<LNotificationDistributor>& sender,
                                             const RCPtr<LNotification>& n)
{
    return m_handler ? m_handler->HandleNotification(sender, n) : S_OK;
}

KXRESULT LPresetManager::OnLoadControlPanelSettings(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    return S_OK;
}

KXRESULT LPresetManager::BreakCycles()
{
    UnregisterForAllNotifications();
    return LNotificationClient::BreakCycles();
}

// ---------------------------------------------------------------------------------------------
// The file format

KXRESULT LPresetManager::ReadPresetFile(const uint8_t* data, size_t size, int32_t firstParamID, Array<ParamValue>& out)
{
    if (!data || size < kHeaderSize)
        return kCorrupt;
    const uint32_t version = ReadWord(data);
    if (version < kFormatVersion)
        return kOlderFormat;
    if (version > kFormatVersion)
        return kNewerFormat;
    if (ReadWord(data + 4) != kDeviceWord1 || ReadWord(data + 8) != kDeviceWord2)
        return kWrongDevice;
    if (size != kFileSize)
        return kCorrupt;

    Array<ParamValue> values;
    values.SetCount(kParamCount);
    size_t offset = kHeaderSize;
    for (int32_t i = 0; i < kParamCount; ++i) {
        const uint32_t valueSize = ParamValueSize(i);
        const size_t chunkSize = Variant::RecordHeaderSize + valueSize;
        if (size - offset < chunkSize || ReadWord(data + offset) != chunkSize)
            return kCorrupt;
        ParamValue& value = values.GetAt(static_cast<unsigned>(i));
        if (Variant::ReadRecord(value.value, data + offset, static_cast<unsigned>(chunkSize)) != S_OK ||
            value.value.GetType() != Variant::Blob || value.value.GetSize() != valueSize)
            return kCorrupt;
        value.descriptor = ParamDescriptor(firstParamID + i);
        offset += chunkSize;
    }
    if (offset != size)
        return kCorrupt;
    out = values;
    return kLoaded;
}

KXRESULT LPresetManager::WritePresetFile(const Array<ParamValue>& values, Array<unsigned char>& out)
{
    if (values.GetCount() != static_cast<unsigned>(kParamCount))
        return E_FAIL;
    Array<unsigned char> bytes;
    bytes.SetCount(static_cast<unsigned>(kFileSize));
    uint8_t* p = bytes.GetData();
    WriteWord(p, kFormatVersion);
    WriteWord(p + 4, kDeviceWord1);
    WriteWord(p + 8, kDeviceWord2);
    size_t offset = kHeaderSize;
    for (int32_t i = 0; i < kParamCount; ++i) {
        const Variant& value = values.GetAt(static_cast<unsigned>(i)).value;
        const uint32_t valueSize = ParamValueSize(i);
        if (value.GetType() != Variant::Blob || value.GetSize() != valueSize)
            return E_FAIL;
        const KXRESULT written =
            Variant::WriteRecord(value, p + offset, static_cast<unsigned>(bytes.GetCount() - offset));
        if (written != static_cast<KXRESULT>(Variant::RecordHeaderSize + valueSize))
            return E_FAIL;
        offset += static_cast<size_t>(written);
    }
    out = bytes;
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// Load and save

KXRESULT LPresetManager::Load(const String& path)
{
    // A file of another format version may be larger than ours and still tell its version; anything
    // beyond the cap is refused unread.
    std::string bytes;
    const Platform::Files::ReadStatus read = Platform::Files::ReadWholeFile(ToPath(path), kReadCap, bytes);
    if (read != Platform::Files::ReadStatus::Ok) {
        const int error = errno;
        DebugLog("Preset file: cannot read %s: %s", ToPath(path).c_str(), ReadFailure(read, error).c_str());
        return kCorrupt;
    }
    RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine();
    const int32_t first = engine ? engine->GetFirstParamID() : 0;
    Array<ParamValue> values;
    const KXRESULT r = ReadPresetFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), first, values);
    if (r != kLoaded)
        return r;
    if (!engine || engine->GetConnectionState() != LRootModuleEngine::Connected)
        return E_FAIL;
    Post(kPreLoad);
    const KXRESULT applied = engine->ApplyParamValues(values);
    Post(kPostLoad);
    return Succeeded(applied) ? kLoaded : applied;
}

KXRESULT LPresetManager::Save(const String& path)
{
    RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine();
    if (!engine)
        return E_FAIL;
    Array<ParamValue> values;
    if (Failed(engine->GetParamValues(engine->GetFirstParamID(), kParamCount, values, -1)))
        return E_FAIL;
    Array<unsigned char> bytes;
    if (Failed(WritePresetFile(values, bytes)))
        return E_FAIL;
    if (Failed(Platform::Files::WriteAtomically(ToPath(path), bytes.GetData(), bytes.GetCount()))) {
        const int error = errno;
        DebugLog("Preset file: cannot save %s: %s", ToPath(path).c_str(), std::strerror(error));
        return E_FAIL;
    }
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// Messages

ServiceSlot<LPresetManager::MessageHook>& LPresetManager::MessageHookSlot()
{
    static auto* slot = new ServiceSlot<MessageHook>;
    return *slot;
}

void LPresetManager::SetMessageHook(MessageHook hook)
{
    MessageHookSlot().Set(std::move(hook));
}

KXRESULT LPresetManager::ShowMessage(const char16_t* textKey)
{
    if (MessageHook hook = MessageHookSlot().Get())
        return hook(textKey, kMessageCaption, kErrorIconFlags);
    DebugLog("Preset file load: %s", String(textKey).ToNarrow().GetData());
    return S_OK;
}

KXRESULT LPresetManager::ShowLoadOlderMessage()
{
    return ShowMessage(u"SETTINGS_FILE_LOAD_OLDER_MESSAGE");
}

KXRESULT LPresetManager::ShowLoadNewerMessage()
{
    return ShowMessage(u"SETTINGS_FILE_LOAD_NEWER_MESSAGE");
}

KXRESULT LPresetManager::ShowLoadCorruptMessage()
{
    return ShowMessage(u"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE");
}

KXRESULT LPresetManager::ShowLoadWrongDeviceMessage()
{
    return ShowMessage(u"SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE");
}

KXRESULT LPresetManager::ShowTranslationFailureMessage()
{
    return ShowMessage(u"SETTINGS_FILE_TRANSLATION_FAILURE_MESSAGE");
}

} // namespace KX
