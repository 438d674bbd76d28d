#include "Panel/ApplicationFolders.h"

#include "KXFramework/Application/DebugLog.h"
#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Platform/Folders/Folders.h"
#include "KXFramework/Platform/Folders/ProfileStore.h"
#include "KXFramework/Platform/Text/TextConversion.h"
#include "KXFramework/Utilities/Storage/File.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

namespace KX {

namespace {

const char16_t* const kIniFileNames[] = {u"AppSettings.ini", u"UserSettings.ini"};
const char16_t kSettingsVersion[] = u"1_0_0";
const char16_t kPlacementEntry[] = u"WP";

String Wide(const std::string& utf8)
{
    const std::u16string text = Platform::Utf16FromUtf8(utf8);
    String wide;
    wide.Assign(text.c_str(), static_cast<unsigned>(text.size()));
    return wide;
}

std::string Narrow(const String& text)
{
    return Platform::Utf8FromUtf16(std::u16string_view(text.GetString(), text.GetLength()));
}

// Creates each missing folder of an absolute path (a missing home folder too), which the debug log
// says, as it says why a level cannot be made; whoever uses the folder then fails.
void CreateFolders(const std::string& path)
{
    std::string first; // the first level that was missing
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string level = path.substr(0, slash);
        const KXRESULT made = File::CreateDirectory(Wide(level));
        if (Failed(made)) {
            DebugLog("Folders: cannot create %s: %s", level.c_str(), std::strerror(errno));
            return;
        }
        if (made == S_OK && first.empty())
            first = level;
        if (slash == std::string::npos)
            break;
    }
    if (first == path)
        DebugLog("Folders: created %s, which did not exist", path.c_str());
    else if (!first.empty())
        DebugLog("Folders: created %s, as %s did not exist", path.c_str(), first.c_str());
}

std::string SystemFolder(Platform::PlatformFolder which)
{
    const std::string folder = Platform::GetPlatformFolder(which);
    if (!folder.empty())
        CreateFolders(folder);
    return folder;
}

bool IsMinimised(uint32_t showCmd)
{
    return showCmd == 2 || showCmd == 6 || showCmd == 7;
}

} // namespace

LApplicationFolders::LApplicationFolders(const String& company, const String& product, const String& resourceFolder,
                                         IIniFileManager* iniFiles)
    : m_company(company),
      m_product(product),
      m_resourceFolder(resourceFolder),
      m_iniFiles(iniFiles)
{
}

String LApplicationFolders::GetFolder(int id) const
{
    switch (id) {
    case 0:
        return Wide(Platform::GetPlatformFolder(Platform::PlatformFolder::Executable));
    case 1:
        return m_resourceFolder.IsEmpty() ? String(u"::") : m_resourceFolder;
    case 2:
    case 3:
        return DataFolder(id);
    case 4:
    case 5:
    case 6:
        return Wide(SystemFolder(Platform::PlatformFolder::Documents));
    default:
        throw Exception<std::out_of_range>("Out of Range : Unknown Path ID." +
                                           SourcePlace("KX::MFCFrameworkApp<class LApplication>::GetFolder",
                                                       "Application/ApplicationBaseWin", __LINE__));
    }
}

String LApplicationFolders::DataFolder(int id) const
{
    const std::string base =
        SystemFolder(id == 2 ? Platform::PlatformFolder::CommonAppData : Platform::PlatformFolder::LocalAppData);
    if (base.empty())
        return String();
    String folder = Wide(base);
    for (const String* name : {&m_company, &m_product}) {
        folder += String(u"/") + File::MakeValidFileName(*name);
        static_cast<void>(File::CreateDirectory(folder)); // a level that cannot be made fails its users
    }
    return folder;
}

int32_t LApplicationFolders::GetIniFile(int which)
{
    if (which != 0 && which != 1)
        return 0;
    int32_t& handle = m_iniHandles[which];
    if (handle == 0 && m_iniFiles != nullptr) {
        // Without a folder the name alone would be a file of the working folder: nothing is opened.
        const String folder = GetFolder(which == 0 ? 2 : 3);
        if (!folder.IsEmpty())
            static_cast<void>(m_iniFiles->OpenIniFile(folder + String(u"/") + String(kIniFileNames[which]),
                                                      String(kSettingsVersion), m_product,
                                                      &handle)); // a failed open leaves 0 and the next call retries
    }
    return handle;
}

std::optional<Platform::WindowPlacementRecord>
LApplicationFolders::LoadWindowPlacement(const RectT<int32_t>& workArea, const AdjustRect& adjustToContent) const
{
    const std::optional<std::vector<uint8_t>> bytes = Platform::ReadProfileBinary(
        Narrow(m_company), Narrow(m_company + String(u"_") + m_product), Narrow(String(kPlacementEntry)));
    if (!bytes)
        return std::nullopt;
    const std::optional<Platform::WindowPlacementRecord> record = Platform::ParseWindowPlacement(*bytes);
    if (!record)
        return std::nullopt;
    return FitOntoWorkArea(*record, workArea, adjustToContent);
}

bool LApplicationFolders::SaveWindowPlacement(const Platform::WindowPlacementRecord& record) const
{
    return Platform::WriteProfileBinary(Narrow(m_company), Narrow(m_company + String(u"_") + m_product),
                                        Narrow(String(kPlacementEntry)), Platform::SerializeWindowPlacement(record));
}

Platform::WindowPlacementRecord LApplicationFolders::FitOntoWorkArea(Platform::WindowPlacementRecord record,
                                                                     const RectT<int32_t>& workArea,
                                                                     const AdjustRect& adjustToContent)
{
    if (IsMinimised(record.showCmd))
        record.showCmd = (record.flags & Platform::WindowPlacementRecord::kRestoreToMaximized) ? 3 : 1;
    if (workArea.width <= 0 || workArea.height <= 0)
        return record;

    // 64-bit edges, so no stored value can overflow on the way.
    RectT<int32_t> rect{record.left, record.top,
                        static_cast<int32_t>(std::min<int64_t>(int64_t(record.right) - record.left, workArea.width)),
                        static_cast<int32_t>(std::min<int64_t>(int64_t(record.bottom) - record.top, workArea.height))};
    if (adjustToContent)
        adjustToContent(rect);
    const auto onto = [](int64_t start, int64_t size, int64_t areaStart, int64_t areaSize) {
        start = std::max(start, areaStart);
        if (start + size > areaStart + areaSize)
            start = std::max(areaStart + areaSize - size, areaStart);
        return start;
    };
    const int64_t left = onto(rect.x, rect.width, workArea.x, workArea.width);
    const int64_t top = onto(rect.y, rect.height, workArea.y, workArea.height);
    record.left = static_cast<int32_t>(left);
    record.top = static_cast<int32_t>(top);
    record.right = static_cast<int32_t>(std::min<int64_t>(left + rect.width, INT32_MAX));
    record.bottom = static_cast<int32_t>(std::min<int64_t>(top + rect.height, INT32_MAX));
    return record;
}

} // namespace KX
