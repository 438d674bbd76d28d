#include "KXFramework/Renderer/FontRenderer/FontFileInfo.h"

#include "KXFramework/Platform/Graphics/FontSystem.h"
#include "KXFramework/Renderer/FontRenderer/FontNameReader.h"
#include "KXFramework/Utilities/Graphics/Font.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/File.h"
#include "KXFramework/Utilities/Storage/HashedList.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"

#include <algorithm>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace KX {

namespace {

RCPtrArray<LFontFileInfo, 16, 0>& Registry()
{
    static RCPtrArray<LFontFileInfo, 16, 0> registry;
    return registry;
}

RCPtrMap<LFont, LFontFileInfo, 8>& FontCache()
{
    static RCPtrMap<LFont, LFontFileInfo, 8> cache;
    return cache;
}

// The slots tried for each style, own slot first.
constexpr LFontFileInfo::Slot kSlotOrder[4][4] = {
    {LFontFileInfo::kRegular, LFontFileInfo::kBold, LFontFileInfo::kItalic, LFontFileInfo::kBoldItalic},
    {LFontFileInfo::kBold, LFontFileInfo::kBoldItalic, LFontFileInfo::kRegular, LFontFileInfo::kItalic},
    {LFontFileInfo::kItalic, LFontFileInfo::kBoldItalic, LFontFileInfo::kRegular, LFontFileInfo::kBold},
    {LFontFileInfo::kBoldItalic, LFontFileInfo::kBold, LFontFileInfo::kItalic, LFontFileInfo::kRegular},
};

class FileSource : public FontNameReader::ISource {
public:
    explicit FileSource(File& file) : m_file(file), m_size(file.GetLength()) {}

    uint64_t GetSize() const override { return m_size; }

    bool ReadAt(uint64_t offset, void* buffer, unsigned count) override
    {
        // The file's offsets are 32-bit, and its largest one means "the current position".
        if (offset >= File::kCurrentPosition)
            return false;
        return m_file.Read(buffer, count, static_cast<unsigned>(offset)) == count;
    }

private:
    File& m_file;
    const uint64_t m_size;
};

// The font files of the folders: every "*.ttf" by path, then every "*.ttc" by path.
std::vector<String> ListFontFiles()
{
    std::vector<String> files;
    for (const char* pattern : {"*.ttf", "*.ttc"}) {
        Array<String> found;
        for (const std::string& folder : Platform::FontSystem::Get().FontDirectories())
            static_cast<void>(File::FindFiles(String(folder.c_str()), String(pattern), found)); // unreadable: no files
        std::vector<String> sorted;
        for (unsigned i = 0; i < found.GetCount(); ++i)
            sorted.push_back(found.GetAt(i));
        std::sort(sorted.begin(), sorted.end());
        files.insert(files.end(), sorted.begin(), sorted.end());
    }
    return files;
}

} // namespace

LFontFileInfo::LFontFileInfo(int id) : m_id(id) {}

void LFontFileInfo::ScanFontFolder()
{
    Clear();
    for (const String& path : ListFontFiles()) {
        try {
            File file(path, File::kRead);
            if (!file.IsOpen())
                continue;
            FileSource source(file);
            FontNameReader reader(source,
                                  [&path](const String& family, const String& style) { AddFace(family, style, path); });
            static_cast<void>(reader.Read()); // a file that cannot be read adds no faces
        } catch (const std::exception&) {
            // A file that fails to read is left out, like one that cannot be opened.
        }
    }
}

void LFontFileInfo::Create(RCPtr<LFontFileInfo>& out)
{
    auto& registry = Registry();
    out = new LFontFileInfo(static_cast<int>(registry.GetCount()));
    registry.AddItem(out);
}

void LFontFileInfo::AddFace(const String& family, const String& style, const String& path)
{
    RCPtr<LFontFileInfo> entry = FindFamily(family);
    if (!entry) {
        Create(entry);
        entry->m_familyName = family;
    }
    Slot slot = kRegular;
    if (style == u"bold")
        slot = kBold;
    else if (style == u"italic")
        slot = kItalic;
    else if (style == u"bold italic")
        slot = kBoldItalic;
    entry->m_paths[slot] = path;
}

RCPtr<LFontFileInfo> LFontFileInfo::FindFamily(const String& family)
{
    const auto& registry = Registry();
    for (unsigned i = registry.GetCount(); i-- > 0;) {
        if (registry.GetAt(i)->m_familyName == family)
            return registry.GetAt(i);
    }
    return nullptr;
}

RCPtr<LFontFileInfo> LFontFileInfo::FindFile(const String& path)
{
    const auto& registry = Registry();
    for (unsigned i = registry.GetCount(); i-- > 0;) {
        const RCPtr<LFontFileInfo>& entry = registry.GetAt(i);
        if (std::find(std::begin(entry->m_paths), std::end(entry->m_paths), path) != std::end(entry->m_paths))
            return entry;
    }
    return nullptr;
}

int LFontFileInfo::GetFileID(const RCPtr<LFont>& font)
{
    RCPtr<LFontFileInfo> entry = font ? FontCache().Find(font) : nullptr;
    if (font && !entry) {
        entry = FindFamily(font->GetFace());
        // The family of the face fontconfig puts in the font's place ("Arial" -> "Liberation
        // Sans"), so that text drawn here uses the files the other renderer uses.
        if (!entry) {
            const String& face = font->GetFace();
            const auto match = Platform::FontSystem::Get().Match(
                std::u16string_view(face.GetString(), face.GetLength()), false, false);
            if (match)
                entry = FindFile(String(match->File().c_str()));
        }
        // The default font's family.
        if (!entry) {
            const std::u16string family = Platform::FontSystem::Get().DefaultUiFont().family;
            entry = FindFamily(String(family.c_str()));
        }
        if (entry)
            FontCache().Insert(font, entry);
    }
    if (!entry)
        throw Exception<std::runtime_error>(
            "Runtime Error : KX::LFontFileInfo::GetFileID : Renderer\\FontRenderer\\FontFileInfo : Line 469");

    const int style = font->GetStyle() & 3;
    const Slot* order = kSlotOrder[style];
    String& own = entry->m_paths[order[0]];
    if (own.IsEmpty()) {
        const Slot* slot = order + 1;
        while (slot != order + 3 && entry->m_paths[*slot].IsEmpty())
            ++slot;
        own = entry->m_paths[*slot];
    }
    return entry->m_id * 4 + style;
}

String LFontFileInfo::GetFilePathForID(int fileID)
{
    const int index = fileID >> 2;
    const auto& registry = Registry();
    if (index < 0 || static_cast<unsigned>(index) >= registry.GetCount())
        return String();
    return registry.GetAt(static_cast<unsigned>(index))->m_paths[fileID & 3];
}

void LFontFileInfo::Clear()
{
    FontCache().Clear();
    Registry().SetCount(0);
}

unsigned LFontFileInfo::GetCount()
{
    return Registry().GetCount();
}

} // namespace KX
