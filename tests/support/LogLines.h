#pragma once
// The debug log's lines as a test sees them on standard error, each line without its time of day.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace KX::Test {

// The lines of text the log wrote to standard error.
inline std::vector<std::string> LogLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    constexpr size_t kTimeOfDay = sizeof "hh:mm:ss.mmm " - 1;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.size() >= kTimeOfDay ? line.substr(kTimeOfDay) : line);
    return lines;
}

// Ends the capture begun by testing::internal::CaptureStderr() and returns its lines.
inline std::vector<std::string> CapturedLogLines()
{
    return LogLines(testing::internal::GetCapturedStderr());
}

} // namespace KX::Test
