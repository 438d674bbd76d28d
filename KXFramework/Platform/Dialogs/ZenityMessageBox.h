#pragma once
// Message boxes through zenity, or through a program that takes its arguments: --info, --warning,
// --error or --question with the caption as title and the text shown as it is (no markup).
#include "KXFramework/Platform/Dialogs/MessageBoxService.h"

#include <functional>
#include <string>

namespace KX::Platform {

class ZenityMessageBox final : public MessageBoxService {
public:
    // The program runs for each box (Zenity::ProgramName() or Zenity::MessageBoxProgramName()).
    // whileWaiting runs about every 30 ms while the box is open (the caller repaints and drops input);
    // answering false closes the box.
    explicit ZenityMessageBox(std::string program, std::function<bool()> whileWaiting = {});

    // kNotShown when the program could not be started or failed (an exit with a failure, a crash), which
    // may be before its box showed. DefaultMessageBoxAnswer when whileWaiting closed the box, and when a
    // signal ended the program from outside (SIGKILL, SIGTERM, SIGHUP, SIGINT), with a line that says so.
    int32_t Show(const MessageBoxRequest& request) override;

private:
    std::string m_program;
    std::function<bool()> m_whileWaiting;
};

} // namespace KX::Platform
