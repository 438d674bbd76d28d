#pragma once
// The program's message boxes: zenity first (a real desktop dialog), the framework's box program
// when zenity cannot show one, and the default answer at once where no box can be shown at all, so
// that no run ever waits on a box that nobody can see.
#include "KXFramework/Platform/Dialogs/MessageBoxService.h"

#include <functional>
#include <memory>
#include <vector>

namespace KX::Platform {

class DesktopMessageBox final : public MessageBoxService {
public:
    // Asks each service in turn until one shows the box; canShow answers whether a display can
    // show boxes at all.
    DesktopMessageBox(std::vector<std::unique_ptr<MessageBoxService>> services, std::function<bool()> canShow);

    // zenity, then the box program, shown where DisplayCanShowBoxes allows. whileWaiting runs while
    // either's box is open; answering false closes it.
    static std::unique_ptr<DesktopMessageBox> Create(std::function<bool()> whileWaiting);

    // False without an X11 or Wayland display, and always under SDL's dummy and offscreen drivers
    // (which tests use, with a display that nobody watches).
    static bool DisplayCanShowBoxes();

    // Where no box is shown: one line on standard error and DefaultMessageBoxAnswer. A box that a
    // service showed and that ended unanswered is not shown again by the next.
    int32_t Show(const MessageBoxRequest& request) override;

private:
    std::vector<std::unique_ptr<MessageBoxService>> m_services;
    std::function<bool()> m_canShow;
};

} // namespace KX::Platform
