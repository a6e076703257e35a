#include <gtest/gtest.h>

#include "row_names.h"

#include "password/passwd.h"
#include "password/windows1252.h"

namespace {

using password::decode_password;
using password::encode_password;

std::string all_bytes_from(int first, int count)
{
    std::string text;
    for (int c = first; c < first + count; ++c)
        text += static_cast<char>(c);
    return text;
}

struct RoundTrip {
    std::string typed;
    std::string decoded;
};

class PasswordRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(PasswordRoundTrip, DecodesToTheFirstEightUpperCasedWithoutNuls)
{
    const auto& c = GetParam();
    const std::string encoded = encode_password(c.typed);
    ASSERT_EQ(encoded.size(), 16u);
    for (const char ch : encoded) {
        const int code = static_cast<unsigned char>(ch);
        EXPECT_GE(code, 62);
        EXPECT_LE(code, 125);
    }
    EXPECT_EQ(decode_password(encoded), c.decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Passwords, PasswordRoundTrip,
    testing::Values(RoundTrip{"", ""}, RoundTrip{"A", "A"}, RoundTrip{"ab", "AB"}, RoundTrip{"Abc", "ABC"},
                    RoundTrip{"secret12", "SECRET12"}, RoundTrip{"motdepasse", "MOTDEPAS"},
                    RoundTrip{"a b  c", "A B  C"}, RoundTrip{" ", " "},
                    // Windows-1252: é è à ç œ š ž ÿ and bytes without upper case.
                    RoundTrip{"\xE9t\xE9", "\xC9T\xC9"}, RoundTrip{"\xE8\xE0\xE7\xF9", "\xC8\xC0\xC7\xD9"},
                    RoundTrip{"\x9C\x9A\x9E\xFF", "\x8C\x8A\x8E\x9F"}, RoundTrip{"\xDF\xF7\xB5\xAA", "\xDF\xF7\xB5\xAA"},
                    RoundTrip{std::string("a\0b", 3), "AB"}, RoundTrip{"\x01\x7F\x80\xFE", "\x01\x7F\x80\xDE"}),
    [](const testing::TestParamInfo<RoundTrip>& info) { return testing_support::identifier_of_bytes(info.param.typed); });

TEST(PasswordCipher, EveryByteSurvivesTheRoundTrip)
{
    for (int first = 1; first < 256; first += 8) {
        const std::string plain = all_bytes_from(first, std::min(8, 256 - first));
        EXPECT_EQ(decode_password(encode_password(plain)), password::upper_case_1252(plain)) << first;
    }
}

TEST(PasswordCipher, UpperCaseTableLeavesNoLowerCaseLetter)
{
    const std::string upper = password::upper_case_1252(all_bytes_from(1, 255));
    for (int c = 'a'; c <= 'z'; ++c)
        EXPECT_EQ(upper.find(static_cast<char>(c)), std::string::npos);
    EXPECT_EQ(upper[0xE9 - 1], '\xC9');
    EXPECT_EQ(upper[0xF7 - 1], '\xF7');
    EXPECT_EQ(upper[0xFF - 1], '\x9F');
    EXPECT_EQ(upper[0xC9 - 1], '\xC9');
}

TEST(PasswordCipher, TwoEncodingsDifferButDecodeTheSame)
{
    const std::string first = encode_password("secret");
    const std::string second = encode_password("secret");
    EXPECT_NE(first, second);
    EXPECT_EQ(decode_password(first), "SECRET");
    EXPECT_EQ(decode_password(second), "SECRET");
}

TEST(PasswordCipher, EncodingsUseEveryBitOfTheSalt)
{
    int seen = 0;
    for (int round = 0; round < 50; ++round) {
        const std::string encoded = encode_password("abcdefgh");
        for (std::size_t i = 1; i < 16; i += 2)
            seen |= (static_cast<unsigned char>(encoded[i]) - 62) & 60;
    }
    EXPECT_EQ(seen, 60);
}

// Each Windows-1252 letter with its capital, written out rather than computed.
TEST(PasswordCipher, UpperCaseFollowsTheWindows1252LetterPairs)
{
    const char* const pairs[][2] = {
        {"à", "À"}, {"á", "Á"}, {"â", "Â"}, {"ã", "Ã"}, {"ä", "Ä"}, {"å", "Å"}, {"æ", "Æ"}, {"ç", "Ç"},
        {"è", "È"}, {"é", "É"}, {"ê", "Ê"}, {"ë", "Ë"}, {"ì", "Ì"}, {"í", "Í"}, {"î", "Î"}, {"ï", "Ï"},
        {"ð", "Ð"}, {"ñ", "Ñ"}, {"ò", "Ò"}, {"ó", "Ó"}, {"ô", "Ô"}, {"õ", "Õ"}, {"ö", "Ö"}, {"ø", "Ø"},
        {"ù", "Ù"}, {"ú", "Ú"}, {"û", "Û"}, {"ü", "Ü"}, {"ý", "Ý"}, {"þ", "Þ"}, {"š", "Š"}, {"œ", "Œ"},
        {"ž", "Ž"}, {"ÿ", "Ÿ"}};
    std::string lower;
    std::string capitals;
    for (const auto& pair : pairs) {
        ASSERT_EQ(std::string(pair[0]).size(), 1u); // one Windows-1252 byte each
        lower += pair[0];
        capitals += pair[1];
    }
    EXPECT_EQ(password::upper_case_1252(lower), capitals);
    EXPECT_EQ(password::upper_case_1252(capitals), capitals);
    // No capital of their own: sharp s, division sign, micro, ordinals.
    EXPECT_EQ(password::upper_case_1252("ß÷µªº"), "ß÷µªº");
}

TEST(PasswordCipher, EmptyPasswordIsEightSaltOnlyPairs)
{
    const std::string encoded = encode_password("");
    for (std::size_t i = 0; i < 16; i += 2) {
        const int d = static_cast<unsigned char>(encoded[i + 1]) - 62;
        EXPECT_EQ(d & ~60, 0);
        EXPECT_EQ(static_cast<unsigned char>(encoded[i]), d / 4 + 62);
    }
}

struct Decoding {
    const char* what;
    std::string encoded;
    std::string decoded;
};

class FixedDecoding : public testing::TestWithParam<Decoding> {};

TEST_P(FixedDecoding, Gives)
{
    EXPECT_EQ(decode_password(GetParam().encoded), GetParam().decoded) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FixedDecoding,
    testing::Values(Decoding{"empty text", "", ""}, Decoding{"16 NULs", std::string(16, '\0'), ""},
                    Decoding{"16 blanks", std::string(16, ' '), ""},
                    Decoding{"leading tildes", "~~AB", "<?? ERROR ?\?>"},
                    Decoding{"tilde after good pairs", "P>~>", "<?? ERROR ?\?>"},
                    Decoding{"pair 62 65", ">A", "\x03"},
                    // 'A' (65): (65 xor 0) div 4 + 62 = 78 'N', (0 or 1) + 62 = 63 '?'.
                    Decoding{"A with salt 0", "N?", "A"},
                    // With salt 4: (65 xor 4) div 4 + 62 = 79 'O', (4 or 1) + 62 = 67 'C'.
                    Decoding{"A with salt 4", "OC", "A"},
                    // With salt 60: (65 xor 60) div 4 + 62 = 93 ']', (60 or 1) + 62 = 123 '{'.
                    Decoding{"A with salt 60", "]{", "A"},
                    Decoding{"17th character ignored", "N?N?N?N?N?N?N?N?~", "AAAAAAAA"},
                    Decoding{"first below 62", "0?N?", "A"}),
    testing_support::RowName{});

} // namespace
