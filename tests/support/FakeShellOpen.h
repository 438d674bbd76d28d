#pragma once
// A document opener that records every path and answers from a script (true once it has run out).
#include "KXFramework/Platform/Process/ShellOpen.h"

#include <deque>
#include <string>
#include <vector>

namespace KX::Test {

class FakeShellOpen final : public KX::Platform::ShellOpen {
public:
    bool Open(const std::string& path) override
    {
        paths.push_back(path);
        if (answers.empty())
            return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<bool> answers;
    std::vector<std::string> paths;
};

} // namespace KX::Test
