#include "KXFramework/Platform/Folders/WindowPlacement.h"

#include <gtest/gtest.h>

#include <climits>

namespace KX::Test {

namespace {

using KX::Platform::ParseWindowPlacement;
using KX::Platform::SerializeWindowPlacement;
using KX::Platform::WindowPlacementRecord;

TEST(WindowPlacement, TheRecordIsElevenLittleEndianWordsAndReadsBack)
{
    const WindowPlacementRecord record{44, 2, 3, -1, -2, -32000, 7, -100, 20, 1180, 820};
    const std::vector<uint8_t> bytes = SerializeWindowPlacement(record);
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 12),
              (std::vector<uint8_t>{0x2C, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 28, bytes.begin() + 32),
              (std::vector<uint8_t>{0x9C, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(ParseWindowPlacement(bytes), record);
}

TEST(WindowPlacement, OnlyARecordThatCanBeAppliedIsAccepted)
{
    const struct {
        const char* what;
        WindowPlacementRecord record;
        bool accepted;
    } cases[] = {
        {"normal", {44, 0, 1, -1, -1, -1, -1, 0, 0, 800, 600}, true},
        {"minimised", {44, 0, 2, -1, -1, -1, -1, 0, 0, 800, 600}, true},
        {"maximised", {44, 0, 3, -1, -1, -1, -1, 0, 0, 800, 600}, true},
        {"minimise", {44, 0, 6, -1, -1, -1, -1, 0, 0, 800, 600}, true},
        {"minimised, not active", {44, 0, 7, -1, -1, -1, -1, 0, 0, 800, 600}, true},
        {"hidden", {44, 0, 0, -1, -1, -1, -1, 0, 0, 800, 600}, false},
        {"show without activating", {44, 0, 4, -1, -1, -1, -1, 0, 0, 800, 600}, false},
        {"restore", {44, 0, 9, -1, -1, -1, -1, 0, 0, 800, 600}, false},
        {"length 40", {40, 0, 1, -1, -1, -1, -1, 0, 0, 800, 600}, false},
        {"smallest", {44, 0, 1, -1, -1, -1, -1, -5, -5, -4, -4}, true},
        {"largest", {44, 0, 1, -1, -1, -1, -1, 0, 100, 32767, 32867}, true},
        {"no width", {44, 0, 1, -1, -1, -1, -1, 10, 0, 10, 600}, false},
        {"negative height", {44, 0, 1, -1, -1, -1, -1, 0, 600, 800, 0}, false},
        {"too wide", {44, 0, 1, -1, -1, -1, -1, -1, 0, 32767, 600}, false},
        {"edges that overflow", {44, 0, 1, -1, -1, -1, -1, INT_MIN, 0, INT_MAX, 600}, false},
        {"edges that wrap", {44, 0, 1, -1, -1, -1, -1, INT_MAX, 0, INT_MIN, 600}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseWindowPlacement(SerializeWindowPlacement(c.record)).has_value(), c.accepted) << c.what;

    std::vector<uint8_t> bytes = SerializeWindowPlacement(cases[0].record);
    EXPECT_FALSE(ParseWindowPlacement({}));
    bytes.push_back(0);
    EXPECT_FALSE(ParseWindowPlacement(bytes));
    bytes.resize(43);
    EXPECT_FALSE(ParseWindowPlacement(bytes));
}

} // namespace

} // namespace KX::Test
