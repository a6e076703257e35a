#include "platform/twips.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* name;
    int twips;
    int dpi;
    int pixels;
};

class PixelsFromTwips : public testing::TestWithParam<Row> {};

TEST_P(PixelsFromTwips, DividesByTheTwipsOfOnePixelDroppingAPartPixel)
{
    EXPECT_EQ(platform::pixels_from_twips(GetParam().twips, GetParam().dpi), GetParam().pixels);
}

const Row rows[] = {
    {"PasswordWidthAt96", 2040, 96, 136},   {"PasswordWidthAt120", 2040, 120, 170},
    {"PasswordWidthAt144", 2040, 144, 204}, {"VerifyHeightAt96", 1350, 96, 90},
    {"VerifyHeightAt120", 1350, 120, 112},  {"VerifyHeightAt144", 1350, 144, 135},
    {"ChangeHeightAt120", 2835, 120, 236},  {"AboutWidthAt120", 4260, 120, 355},
    {"ZeroAt120", 0, 120, 0},               {"PartPixelAt120", 11, 120, 0},
    {"OnePixelAt120", 12, 120, 1},          {"LargestTwipsAt144", 2147483647, 144, 214748364},
};

INSTANTIATE_TEST_SUITE_P(Twips, PixelsFromTwips, testing::ValuesIn(rows),
                         [](const testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

TEST(PixelsFromTwips, AtNinetySixDpiEveryLengthIsItsFifteenthAsDesigned)
{
    for (int twips = 0; twips <= 20000; ++twips)
        ASSERT_EQ(platform::pixels_from_twips(twips, platform::DESIGN_DPI), twips / 15) << twips << " twips";
}

TEST(TwipsFromPixels, GivesFifteenTwipsAPixelAt96AndTwelveAt120)
{
    EXPECT_DOUBLE_EQ(platform::twips_from_pixels(1, 96), 15.0);
    EXPECT_DOUBLE_EQ(platform::twips_from_pixels(1, 120), 12.0);
    EXPECT_DOUBLE_EQ(platform::twips_from_pixels(0x204, 96), 0x1E3C);
    EXPECT_DOUBLE_EQ(platform::twips_from_pixels(170, 120), 2040.0);
    EXPECT_DOUBLE_EQ(platform::twips_from_pixels(204, 144), 2040.0);
}

TEST(TwipsFromPixels, BringsEveryWholePixelBackAt96120And144)
{
    for (int dpi : {96, 120, 144})
        for (int pixels = 0; pixels <= 2000; ++pixels)
            ASSERT_EQ(platform::pixels_from_twips(static_cast<int>(platform::twips_from_pixels(pixels, dpi)), dpi),
                      pixels)
                << pixels << " pixels at " << dpi << " DPI";
}

} // namespace
