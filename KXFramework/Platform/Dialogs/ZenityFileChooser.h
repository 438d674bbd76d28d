#pragma once
// The file chooser through "zenity --file-selection". zenity's patterns match with case while the
// Windows dialog matched without it, so each letter is written as both cases ("[Kk]").
#include "KXFramework/Platform/Dialogs/FileChooser.h"

#include <functional>
#include <string>
#include <string_view>

namespace KX::Platform {

class MessageBoxService;

class ZenityFileChooser final : public FileChooser {
public:
    // messageBox shows "File Dialog Error" when the chooser fails; whileWaiting runs about every
    // 30 ms while the chooser is open, and answering false closes it.
    explicit ZenityFileChooser(MessageBoxService& messageBox, std::function<bool()> whileWaiting = {});

    // Chosen with every path absolute (and, when mustExist, naming an existing file that is not a
    // folder); Cancelled when the user cancelled or whileWaiting closed the chooser; Failed for
    // anything else, logged and told to the user with what failed.
    FileChooserResult Run(const FileChooserRequest& request) override;

    // What zenity printed on success: the paths, without the final line feed, split at the
    // separator of a multiple selection. Failed when any of them is unusable, and why in `problem`.
    static FileChooserResult ReadChoice(std::string_view output, const FileChooserRequest& request,
                                        std::string* problem = nullptr);

    // "*.*" -> "*", "*.Kp" -> "*.[Kk][Pp]"; a blank (which would split zenity's list) -> "?".
    static std::string ZenityPattern(std::string_view pattern);

private:
    void TellFailure(const FileChooserRequest& request, const std::string& text);

    MessageBoxService& m_messageBox;
    std::function<bool()> m_whileWaiting;
};

} // namespace KX::Platform
