#include "KXFramework/Renderer/Geometry.h"

#include <gtest/gtest.h>

#include <limits>

namespace KX::Test {

TEST(Geometry, FloatToLongRoundsHalfAwayAndSaturates)
{
    struct Case {
        float v;
        int32_t expected;
    };
    const Case cases[] = {
        {2.5f, 3},
        {-2.5f, -3},
        {2.4999f, 2},
        {3.0e9f, INT32_MAX},
        {-3.0e9f, INT32_MIN},
        // 2^31 is outside the 32-bit range although it is not above 2147483648.0.
        {2147483648.0f, INT32_MAX},
        {-2147483648.0f, INT32_MIN},
        {std::numeric_limits<float>::quiet_NaN(), INT32_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ((PointT<float>{c.v, 0.0f}.ToLong().x), c.expected) << c.v;
        EXPECT_EQ((RectT<float>{0.0f, 0.0f, 0.0f, c.v}.ToLong().height), c.expected) << c.v;
    }
}

TEST(Geometry, DoubleRoundSaturates)
{
    EXPECT_EQ((PointT<double>{-0.5, 1e300}.Round()), (PointT<int32_t>{-1, INT32_MAX}));
    EXPECT_EQ((RectT<double>{1.5, -1e12, 2147483646.5, -2147483648.4}.Round()),
              (RectT<int32_t>{2, INT32_MIN, INT32_MAX, INT32_MIN}));
}

TEST(Geometry, LayoutPointsRoundToPixelsAndBack)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ((PointT<double>{0.5, -0.5}.Round()), (PointT<int32_t>{1, -1}));
    EXPECT_EQ((PointT<double>{1.49, -1.49}.Round()), (PointT<int32_t>{1, -1}));
    EXPECT_EQ((PointT<double>{1e12, -1e12}.Round()), (PointT<int32_t>{INT32_MAX, INT32_MIN}));
    EXPECT_EQ((PointT<double>{nan, 2.5}.Round()), (PointT<int32_t>{INT32_MIN, 3}));

    EXPECT_EQ((PointT<int32_t>{INT32_MIN, 7}.ToDouble()), (PointT<double>{-2147483648.0, 7.0}));
    EXPECT_EQ((PointT<int32_t>{10, -10}.OffsetBy({2.5, -0.4})), (PointT<int32_t>{13, -10}));
    EXPECT_EQ((PointT<int32_t>{INT32_MAX - 1, INT32_MIN + 1}.OffsetBy({5.0, -5.0})),
              (PointT<int32_t>{INT32_MAX, INT32_MIN}));
}

TEST(Geometry, IntegerRectangleToFloatClampsAtTwoToThe23)
{
    EXPECT_EQ((RectT<int32_t>{INT32_MIN, 8388609, -5, 7}.ToFloat()),
              (RectT<float>{-8388608.0f, 8388608.0f, -5.0f, 7.0f}));
}

TEST(Geometry, NormalizeFlipsNegativeExtentsAndSnapsCornersDown)
{
    struct Case {
        RectT<double> in;
        RectT<double> expected;
    };
    const Case cases[] = {
        {{10.0, 20.0, -4.0, -6.0}, {6.0, 14.0, 4.0, 6.0}},
        {{1.7, 2.2, 3.6, 0.5}, {1.0, 2.0, 4.0, 0.0}},
        {{-2.5, -3.0, 1.0, 1.0}, {-3.0, -3.0, 1.0, 1.0}},
        // Within the tolerance of a whole pixel, the pixel holds.
        {{0.0, 0.0, 2.9999999999999996, 1.0}, {0.0, 0.0, 3.0, 1.0}},
    };
    for (const Case& c : cases) {
        RectT<double> r = c.in;
        r.Normalize();
        EXPECT_EQ(r, c.expected);
    }
}

TEST(Geometry, IntersectionAndUnion)
{
    const RectT<double> a{0.0, 0.0, 10.0, 10.0};
    EXPECT_EQ(RectT<double>::Intersection(a, {5.0, -5.0, 10.0, 10.0}), (RectT<double>{5.0, 0.0, 5.0, 5.0}));
    EXPECT_LT(RectT<double>::Intersection(a, {20.0, 0.0, 5.0, 5.0}).width, 0.0);

    RectT<float> u;
    EXPECT_TRUE(RectT<float>::Union(u, {0.0f, 0.0f, 0.0f, 0.0f}, {5.0f, 6.0f, 10.0f, 4.0f}));
    EXPECT_EQ(u, (RectT<float>{0.0f, 0.0f, 15.0f, 10.0f}));
    EXPECT_FALSE(RectT<float>::Union(u, {0.0f, 0.0f, 0.0f, 0.0f}, {0.0f, 3.0f, 0.0f, 4.0f}));
}

} // namespace KX::Test
