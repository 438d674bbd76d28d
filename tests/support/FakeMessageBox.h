#pragma once
// A message box that records every request and answers from a script (1, OK, once the script
// has run out); a test may look at the program while the box is up.
#include "KXFramework/Platform/Dialogs/MessageBoxService.h"

#include <deque>
#include <functional>
#include <vector>

namespace KX::Test {

class FakeMessageBox final : public KX::Platform::MessageBoxService {
public:
    int32_t Show(const KX::Platform::MessageBoxRequest& request) override
    {
        requests.push_back(request);
        if (whileShown)
            whileShown();
        if (answers.empty())
            return KX::Platform::MessageBoxAnswer::kOk;
        const int32_t answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<int32_t> answers;
    std::vector<KX::Platform::MessageBoxRequest> requests;
    std::function<void()> whileShown;
};

} // namespace KX::Test
