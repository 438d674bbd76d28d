#include "VideoFixture.h"

#include "KXFramework/Platform/Window/Cursor.h"

#include <gtest/gtest.h>

#include <vector>

namespace KX::Test {
namespace {

using Platform::Cursor;
using Platform::SystemCursor;

using CursorTest = VideoFixture;

TEST_F(CursorTest, SetCursorReturnsThePreviousAndChangesNothingForTheSame)
{
    const Cursor arrow = Cursor::System(SystemCursor::Arrow);
    const Cursor hand = Cursor::System(SystemCursor::Hand);
    EXPECT_TRUE(Cursor::System(SystemCursor::Help) == arrow) << "shapes the desktop lacks are the arrow";
    EXPECT_TRUE(Cursor::System(SystemCursor::Hand) == hand);
    EXPECT_FALSE(hand == arrow);

    Platform::SetCursor(arrow);
    EXPECT_TRUE(Platform::SetCursor(hand) == arrow);
    EXPECT_TRUE(Platform::SetCursor(hand) == hand);
    EXPECT_TRUE(Platform::SetCursor(arrow) == hand);
}

TEST_F(CursorTest, ImagesMakeCursorsOfTheirOwnAndBadImagesNone)
{
    std::vector<uint8_t> pixels(32 * 32 * 4, 0x80);
    struct Case {
        int width, height, stride, hotX, hotY;
        bool made;
    };
    const Case cases[] = {
        {32, 32, 128, 0, 0, true},   {32, 32, 128, 31, 31, true}, {0, 32, 128, 0, 0, false},
        {32, -1, 128, 0, 0, false},  {257, 1, 1028, 0, 0, false}, {32, 32, 127, 0, 0, false},
        {32, 32, 128, 32, 0, false}, {32, 32, 128, 0, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        const auto cursor =
            Cursor::FromImage(c.width, c.height, c.stride,
                              c.width == 257 ? std::vector<uint8_t>(1028).data() : pixels.data(), c.hotX, c.hotY);
        EXPECT_EQ(cursor.has_value(), c.made);
    }
    EXPECT_FALSE(Cursor::FromImage(1, 1, 4, nullptr, 0, 0));

    const auto first = Cursor::FromImage(32, 32, 128, pixels.data(), 0, 0);
    const auto second = Cursor::FromImage(32, 32, 128, pixels.data(), 0, 0);
    ASSERT_TRUE(first && second);
    EXPECT_FALSE(*first == *second);
    Platform::SetCursor(*first);
    EXPECT_TRUE(Platform::SetCursor(*second) == *first);
    Platform::SetCursor(Cursor::System(SystemCursor::Arrow));
}

} // namespace
} // namespace KX::Test
