#pragma once
// The open and save file dialogs of the editor: the "|"-separated filter, the folder last used,
// "Untitled" as the proposed save name, the default extension, multiple selection and the
// save-name length limit, on top of the platform's file chooser.
// Thread: UI thread only.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <vector>

namespace KX {

namespace Platform {
class FileChooser;
class MessageBoxService;
} // namespace Platform

class LFileDialog : public virtual LRefCountedObject {
public:
    // The chooser and the message box outlive the dialog. A relative initial folder is taken
    // against the current directory when a dialog starts.
    LFileDialog(const String& initialFolder, Platform::FileChooser& chooser, Platform::MessageBoxService& messageBox);

    // 0 when a file was chosen; E_FAIL when cancelled or failed, the path unchanged.
    [[nodiscard]] KXRESULT ShowOpen(const String& filter, const String& defaultExtension, const String& title,
                                    bool allowMultiple);
    // E_INVALIDARG for a maxNameLength of 0; E_FAIL when cancelled, failed, or the name is longer
    // than maxNameLength (> 0), which the user is told. A name completed with the extension that
    // names an existing file is asked about; No opens the chooser again.
    [[nodiscard]] KXRESULT ShowSave(const String& filter, const String& defaultExtension, const String& title,
                                    int maxNameLength);

    String GetPath() const { return m_path; }
    const std::vector<String>& GetPaths() const { return m_paths; }
    const String& GetInitialFolder() const { return m_initialFolder; }

private:
    void Remember(const String& path);

    Platform::FileChooser& m_chooser;
    Platform::MessageBoxService& m_messageBox;
    String m_path;
    String m_initialFolder;
    std::vector<String> m_paths;
};

} // namespace KX
