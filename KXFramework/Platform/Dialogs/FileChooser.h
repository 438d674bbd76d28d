#pragma once
// The open and save file chooser behind the framework's file dialog.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace KX::Platform {

struct FileChooserRequest {
    bool save = false;
    bool multiple = false;
    bool mustExist = false;
    bool confirmOverwrite = false;
    uint32_t ownerWindow = 0; // the owner's window id (SDL's), 0 for none
    std::u16string title;
    std::u16string initialFolder;
    std::u16string proposedName; // the name offered by a save chooser
    // (description, patterns separated by ";"), such as (u"Presets", u"*.kp;*.kpx").
    std::vector<std::pair<std::u16string, std::u16string>> filters;
};

struct FileChooserResult {
    enum class Kind { Chosen, Cancelled, Failed };
    Kind kind = Kind::Failed;
    std::vector<std::u16string> paths; // absolute; one unless the request allowed several
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // Modal: returns when the user is done. A chooser that fails tells the user why itself, so
    // Failed, like Cancelled, asks nothing more of the caller than to go on without a file.
    virtual FileChooserResult Run(const FileChooserRequest& request) = 0;
};

} // namespace KX::Platform
