#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ParamTable.h"

#include <gtest/gtest.h>

#include <vector>

namespace KX::Test {

namespace {

std::vector<uint8_t> Default(int32_t index)
{
    uint8_t bytes[kMaxParamValueSize + 1];
    const uint32_t n = ParamDefaultBytes(index, bytes);
    return std::vector<uint8_t>(bytes, bytes + n);
}

std::vector<uint8_t> Bytes(std::initializer_list<int> list)
{
    std::vector<uint8_t> out;
    for (int b : list)
        out.push_back(static_cast<uint8_t>(b));
    return out;
}

// The keyboard assignment of push button i: light colour, key, modifier.
std::vector<uint8_t> Hid(int32_t button)
{
    const std::vector<uint8_t> v = Default(25 + button);
    return std::vector<uint8_t>(v.begin() + 14, v.end());
}

} // namespace

TEST(ParamTableTest, KindsTileTheParametersAndMatchTheDumpLayout)
{
    uint32_t total = 0;
    int32_t next = 0;
    for (int k = 0; k < kParamKindCount; ++k) {
        const ParamKindInfo& info = GetParamKindInfo(static_cast<ParamKind>(k));
        EXPECT_EQ(info.firstIndex, next);
        next += info.count;
        total += info.size * static_cast<uint32_t>(info.count);
    }
    EXPECT_EQ(next, kParamCount);
    EXPECT_EQ(total, kPresetValueBytes);
    // With the 11-byte head and the closing F7 the dump is 1350 bytes.
    EXPECT_EQ(ParamDumpOffset(kParamCount - 1) + ParamValueSize(kParamCount - 1) + 1, 1350u);

    const std::pair<int32_t, int32_t> offsets[] = {{0, 11},   {1, 17},   {5, 53},    {7, 63},     {8, 69},    {9, 75},
                                                   {25, 299}, {61, 911}, {97, 1127}, {129, 1319}, {130, 1334}};
    for (auto [index, offset] : offsets)
        EXPECT_EQ(ParamDumpOffset(index), offset) << index;

    const std::pair<int32_t, uint32_t> sizes[] = {{0, 6},  {1, 9},  {4, 9},   {5, 5},    {6, 5},   {7, 6},
                                                  {8, 6},  {9, 14}, {24, 14}, {25, 17},  {60, 17}, {61, 6},
                                                  {96, 6}, {97, 6}, {128, 6}, {129, 15}, {130, 15}};
    for (auto [index, size] : sizes) {
        EXPECT_EQ(ParamValueSize(index), size) << index;
        EXPECT_EQ(Default(index).size(), size) << index;
    }
}

TEST(ParamTableTest, OutsideTheModelNothingIsAnswered)
{
    uint8_t bytes[kMaxParamValueSize] = {0xEE};
    for (int32_t index : {-1, kParamCount, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(ParamValueSize(index), 0u);
        EXPECT_EQ(ParamDumpOffset(index), -1);
        EXPECT_EQ(FindParamKindInfo(index), nullptr);
        EXPECT_EQ(ParamDefaultBytes(index, bytes), 0u);
    }
    EXPECT_EQ(bytes[0], 0xEE);
}

TEST(ParamTableTest, DefaultsOfTheSmallControls)
{
    EXPECT_EQ(Default(0), Bytes({0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Default(1), Bytes({0x01, 0, 0, 0, 0, 0, 0x3C, 0x05, 0x0C}));
    for (int32_t zone = 2; zone <= 4; ++zone)
        EXPECT_EQ(Default(zone), Bytes({0x00, 0, 0, 0, 0, 0, 0x3C, 0x05, 0x0C}));
    EXPECT_EQ(Default(5), Bytes({0, 1, 16, 0, 127}));
    EXPECT_EQ(Default(6), Bytes({0, 0, 1, 0, 127}));
    EXPECT_EQ(Default(7), Bytes({0, 0, 7, 0, 0, 127}));
    EXPECT_EQ(Default(8), Bytes({0, 0, 64, 0, 0, 127}));
    EXPECT_EQ(Default(129),
              Bytes({0x00, 0x00, 0x23, 0x00, 0x00, 0x7F, 0x08, 0x3C, 0x48, 0x3E, 0x40, 0x41, 0x43, 0x45, 0x47}));
    EXPECT_EQ(Default(130),
              Bytes({0x00, 0x00, 0x29, 0x00, 0x00, 0x7F, 0x08, 0x45, 0x51, 0x47, 0x48, 0x4A, 0x4C, 0x4D, 0x4F}));
}

TEST(ParamTableTest, PadDefaults)
{
    EXPECT_EQ(Default(9), Bytes({0, 0x0A, 0x0D, 7, 5, 1, 0x13, 36, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Default(9 + 5), Bytes({0, 0x0B, 0x0C, 7, 5, 1, 0x13, 41, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Default(9 + 10), Bytes({0, 0x0C, 0x0B, 7, 5, 1, 0x13, 46, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Default(9 + 15), Bytes({0, 0x0D, 0x0A, 7, 5, 1, 0x13, 51, 0, 0, 0, 0, 0, 0}));
}

TEST(ParamTableTest, PushButtonDefaults)
{
    EXPECT_EQ(Default(25 + 0), Bytes({0x00, 0x03, 0x03, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0x7F, 0x03, 0x37, 0x00}));
    EXPECT_EQ(Default(25 + 35), Bytes({0x00, 0x02, 0x02, 0x00, 0x00, 0x00, 0x75, 0x23, 0x00, 0x00, 0x00, 0x00, 0x00,
                                       0x7F, 0x03, 0x1A, 0x00}));
    // Bank colours, the blue first button of each bank, and the CC rule at its breaks.
    const struct {
        int32_t button;
        uint8_t colour, cc;
    } cases[] = {{1, 6, 9},   {2, 6, 14},  {8, 6, 20},   {9, 3, 21},   {10, 7, 22},
                 {18, 3, 30}, {19, 5, 31}, {20, 5, 102}, {27, 3, 109}, {28, 2, 110}};
    for (const auto& c : cases) {
        const std::vector<uint8_t> v = Default(25 + c.button);
        EXPECT_EQ(v[1], c.colour) << c.button;
        EXPECT_EQ(v[2], c.colour) << c.button;
        EXPECT_EQ(v[6], c.cc) << c.button;
        EXPECT_EQ(v[7], c.button);
    }
    // A few keyboard assignments from the middle of the table.
    EXPECT_EQ(Hid(10), Bytes({5, 73, 0}));
    EXPECT_EQ(Hid(23), Bytes({6, 35, 20}));
    EXPECT_EQ(Hid(34), Bytes({4, 27, 17}));
}

TEST(ParamTableTest, FaderAndEncoderDefaults)
{
    EXPECT_EQ(Default(61), Bytes({0, 0, 118, 0, 0, 127}));
    EXPECT_EQ(Default(61 + 9), Bytes({0, 0, 127, 0, 0, 127}));
    EXPECT_EQ(Default(61 + 10), Bytes({0, 0, 0, 0, 0, 127}));
    EXPECT_EQ(Default(61 + 35), Bytes({0, 0, 74, 0, 0, 127}));
    EXPECT_EQ(Default(97), Bytes({0, 0, 35, 0, 0, 127}));
    EXPECT_EQ(Default(97 + 31), Bytes({0, 0, 90, 0, 0, 127}));
    EXPECT_EQ(FaderDefaultCC(16), 32);
    EXPECT_EQ(EncoderDefaultCC(6), 52);
    EXPECT_EQ(EncoderDefaultCC(18), 75);
    EXPECT_EQ(EncoderDefaultCC(27), 85);
    // No two continuous controls share a CC, and none takes the pedals' or modulation wheel's.
    bool used[128] = {};
    for (int i = 0; i < 36; ++i) {
        EXPECT_FALSE(used[FaderDefaultCC(i)]) << "fader " << i;
        used[FaderDefaultCC(i)] = true;
    }
    for (int i = 0; i < 32; ++i) {
        EXPECT_FALSE(used[EncoderDefaultCC(i)]) << "encoder " << i;
        used[EncoderDefaultCC(i)] = true;
    }
    EXPECT_FALSE(used[1] || used[7] || used[64]);
}

} // namespace KX::Test
