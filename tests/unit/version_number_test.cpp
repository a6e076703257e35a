#include "update/version_number.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* name;
    const char* text;
    std::optional<std::int16_t> number;
};

class VersionNumber : public testing::TestWithParam<Row> {};

TEST_P(VersionNumber, ReadsTheDigitsLeftAsOneWholeNumber)
{
    EXPECT_EQ(update::version_number(GetParam().text), GetParam().number) << '"' << GetParam().text << '"';
}

const Row rows[] = {
    {"TwoParts", "1.4", 14},
    {"TwoDigitMinor", "1.10", 110},
    {"ThreeParts", "1.3.9", 139},
    {"DotsAnywhere", ".1..2.", 12},
    {"BlanksAround", " 15 ", 15},
    {"TabsAround", "\t7\t", 7},
    {"Signs", "+7", 7},
    {"Negative", "-1.2", -12},
    {"Largest", "3.2.7.6.7", 32767},
    {"Smallest", "-32768", -32768},
    {"JustPastLargest", "3.2.7.6.8", std::nullopt},
    {"JustPastSmallest", "-32769", std::nullopt},
    {"FarTooLarge", "123456789012345678901234567890", std::nullopt},
    {"Empty", "", std::nullopt},
    {"OnlyDots", "..", std::nullopt},
    {"OnlyBlanks", "   ", std::nullopt},
    {"OnlySign", "-", std::nullopt},
    {"Letters", "abc", std::nullopt},
    {"TrailingLetter", "1.5b", std::nullopt},
    {"BlankInside", "1 5", std::nullopt},
    {"DecimalComma", "1,5", std::nullopt},
    {"HexPrefix", "&H10", std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Texts, VersionNumber, testing::ValuesIn(rows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace
