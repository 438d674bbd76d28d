#pragma once
// Where the editor keeps things: its folders by number, the two settings files opened on first
// use, and the main window's placement between runs, fitted onto the desktop when it is restored.
#include "KXFramework/Application/IniFileManager.h"
#include "KXFramework/Platform/Folders/WindowPlacement.h"
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace KX {

class LApplicationFolders {
public:
    // The window's own size limits applied to a rectangle (x, y, width, height).
    using AdjustRect = std::function<void(RectT<int32_t>& rect)>;

    // company and product name the folders below the data folders and, joined by "_" into the
    // application title, the profile section of the window placement. resourceFolder: the folder
    // the documents are read from during development, empty for the program's own resources.
    // iniFiles opens the settings files and must outlive this object; null: no settings files.
    LApplicationFolders(const String& company, const String& product, const String& resourceFolder,
                        IIniFileManager* iniFiles);

    // 0 the program's folder; 1 "::" (the program's resources) or the resource folder; 2 and 3 the
    // data and configuration folders with "/<company>/<product>" appended, each level created when
    // missing; 4, 5 and 6 the documents folder, created when missing. Empty when the system folder
    // cannot be determined. Any other id throws KX::Exception<std::out_of_range> "Unknown Path ID.".
    String GetFolder(int id) const;
    // The ini handle of "AppSettings.ini" in folder 2 (which 0) or "UserSettings.ini" in folder 3
    // (which 1), opened on the first call; 0 for any other index or when the file cannot be opened
    // (the next call tries again).
    int32_t GetIniFile(int which);

    // The stored placement, restored when it was minimised and fitted onto the work area; none
    // when nothing valid is stored.
    std::optional<Platform::WindowPlacementRecord> LoadWindowPlacement(const RectT<int32_t>& workArea,
                                                                       const AdjustRect& adjustToContent = {}) const;
    // Stores the placement under the application title; false when it could not be written.
    bool SaveWindowPlacement(const Platform::WindowPlacementRecord& record) const;
    // A minimised window restored (maximised when its flags say so), its normal rectangle no larger
    // than the work area, adjusted to its content's limits, then moved onto the work area: an edge
    // left of or above the area moves to it, and one beyond the right or bottom edge moves the
    // window back inside (to the area's left or top edge when it is still larger). An empty work
    // area changes nothing but the restore.
    static Platform::WindowPlacementRecord FitOntoWorkArea(Platform::WindowPlacementRecord record,
                                                           const RectT<int32_t>& workArea,
                                                           const AdjustRect& adjustToContent = {});

private:
    String DataFolder(int id) const;

    String m_company;
    String m_product;
    String m_resourceFolder;
    IIniFileManager* m_iniFiles;
    int32_t m_iniHandles[2] = {0, 0};
};

} // namespace KX
