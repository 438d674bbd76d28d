#pragma once
// A file chooser that records every request and returns scripted results (Cancelled once the
// script has run out).
#include "KXFramework/Platform/Dialogs/FileChooser.h"

#include <deque>
#include <vector>

namespace KX::Test {

class FakeFileChooser final : public KX::Platform::FileChooser {
public:
    KX::Platform::FileChooserResult Run(const KX::Platform::FileChooserRequest& request) override
    {
        requests.push_back(request);
        if (results.empty())
            return {KX::Platform::FileChooserResult::Kind::Cancelled, {}};
        KX::Platform::FileChooserResult result = results.front();
        results.pop_front();
        return result;
    }

    std::deque<KX::Platform::FileChooserResult> results;
    std::vector<KX::Platform::FileChooserRequest> requests;
};

} // namespace KX::Test
