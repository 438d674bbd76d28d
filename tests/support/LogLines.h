#pragma once
// The debug log's lines as a test sees them: its standard error, captured with GoogleTest's
// CaptureStderr, each line without its time of day.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace KX::Test {

// Ends the capture begun by testing::internal::CaptureStderr() and returns its lines.
inline std::vector<std::string> CapturedLogLines()
{
    std::vector<std::string> lines;
    std::istringstream in(testing::internal::GetCapturedStderr());
    constexpr size_t kTimeOfDay = sizeof "hh:mm:ss.mmm " - 1;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.size() >= kTimeOfDay ? line.substr(kTimeOfDay) : line);
    return lines;
}

} // namespace KX::Test
