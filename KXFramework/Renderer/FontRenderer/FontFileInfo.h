#pragma once
// The installed-font registry: for every font family found in the system's font folders, the
// files of its regular, bold, italic and bold-italic faces, read from the fonts' own naming
// tables. Fonts map to compact file IDs, (entry ID × 4) | style, which the FreeType cache takes as
// face identifiers and turns back into paths. UI thread only.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Utilities/Storage/StringT.h"

namespace KX {

class LFont;

class LFontFileInfo : public virtual LRefCountedObject {
public:
    // Path slots, in file-ID order.
    enum Slot { kRegular = 0, kBold = 1, kItalic = 2, kBoldItalic = 3 };

    // Empties the registry and fills it from the font folders.
    static void ScanFontFolder();
    // Appends a new, empty entry whose ID is the registry's count.
    static void Create(RCPtr<LFontFileInfo>& out);
    // The font's file ID. Throws a runtime error when neither the font's family, nor the family of
    // the face fontconfig matches for it, nor the default font's family is installed.
    static int GetFileID(const RCPtr<LFont>& font);
    // The path of a file ID; empty for an unknown ID or an empty slot.
    static String GetFilePathForID(int fileID);
    // Empties the font-to-entry cache, then the registry.
    static void Clear();
    static unsigned GetCount();

    const String& GetFamilyName() const { return m_familyName; }
    const String& GetPath(Slot slot) const { return m_paths[slot]; }
    int GetID() const { return m_id; }

private:
    explicit LFontFileInfo(int id);

    // Registers one face of a font file under its family.
    static void AddFace(const String& family, const String& style, const String& path);
    // The last entry with this family name (case-sensitive), or null.
    static RCPtr<LFontFileInfo> FindFamily(const String& family);
    // The last entry with this file in one of its slots, or null.
    static RCPtr<LFontFileInfo> FindFile(const String& path);

    String m_familyName;
    String m_paths[4];
    const int m_id;
};

} // namespace KX
