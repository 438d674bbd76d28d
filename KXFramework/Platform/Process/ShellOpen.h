#pragma once
// Opens a document with the desktop's program for its kind, through xdg-open. The process-wide
// opener is a service slot, so that tests install one that records and answers.
#include "KXFramework/ObjectBase/ServiceSlot.h"

#include <memory>
#include <string>

namespace KX::Platform {

class ShellOpen {
public:
    virtual ~ShellOpen() = default;
    // True when the document was handed to a program: false for a path that is not a regular file,
    // when xdg-open cannot start or ends with a status other than 0 within 3 s (the debug log then
    // says why). A run still going after 3 s counts as opened; it is reaped by a later call.
    virtual bool Open(const std::string& path) = 0;

    // The installed opener, made as the xdg-open one on first use.
    static std::shared_ptr<ShellOpen> Get();
    static ServiceSlot<std::shared_ptr<ShellOpen>>& Slot();
};

// The real opener.
class XdgShellOpen final : public ShellOpen {
public:
    bool Open(const std::string& path) override;
};

} // namespace KX::Platform
