#include <gtest/gtest.h>

#include "fake_platform.h"
#include "password/new_password.h"
#include "password/passwd.h"
#include "password/password_file.h"

namespace {

struct PasswordCase {
    const char* name;
    std::string password;
    bool accepted;
};

class NewPasswordCheck : public testing::TestWithParam<PasswordCase> {};

TEST_P(NewPasswordCheck, AcceptsWhatThePasswordWindowCanTakeAndChange)
{
    const auto problem = password::new_password_problem(GetParam().password);
    EXPECT_EQ(!problem.has_value(), GetParam().accepted) << problem.value_or("");
    if (problem) {
        EXPECT_FALSE(problem->empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NewPasswordCheck,
    testing::Values(PasswordCase{"Empty", "", false}, PasswordCase{"OneCharacter", "A", false},
                    PasswordCase{"TwoCharacters", "AB", true}, PasswordCase{"EightCharacters", "ABCDEFGH", true},
                    PasswordCase{"NineCharacters", "ABCDEFGHI", false},
                    PasswordCase{"AccentedLetters", "S\xE9" "cu\xEF" "t\xE9", true},
                    PasswordCase{"EuroSignAndBlank", "\x80 100", true},
                    PasswordCase{"Tab", "ab\tcd", false}, PasswordCase{"Delete", "ab\x7F", false},
                    PasswordCase{"UndefinedCode81", "ab\x81", false},
                    PasswordCase{"UndefinedCode9D", "ab\x9D", false},
                    PasswordCase{"NonBreakingSpaceAndYDiaeresis", "\xA0\xFF", true},
                    PasswordCase{"DoubleQuote", "ab\"cd", false}, PasswordCase{"SingleQuote", "l'ami", true},
                    PasswordCase{"EndsInABackslash", "ab\\", false},
                    PasswordCase{"EndsInTwoBackslashes", "ab\\\\", false},
                    PasswordCase{"BackslashInside", "a\\b", true},
                    PasswordCase{"DefaultPassword", password::DEFAULT_PASSWORD, true}),
    [](const testing::TestParamInfo<PasswordCase>& info) { return std::string(info.param.name); });

constexpr char PATH[] = "C:\\WINDOWS\\system32\\";
constexpr char NAME[] = "PSTACK.DRV";
const std::string FILE_PATH = std::string(PATH) + NAME;

class StorePassword : public testing::Test {
protected:
    fakes::FakeRecordFiles files;
};

TEST_F(StorePassword, CreatesOneRecordThatDecodesToThePasswordUpperCased)
{
    const auto result = password::store_password(files, PATH, NAME, "s\xE9" "cu42");
    EXPECT_TRUE(result.succeeded());
    ASSERT_EQ(files.files[FILE_PATH].size(), password::RECORD_SIZE);
    EXPECT_EQ(password::decode_password(files.files[FILE_PATH].substr(0, 16)), "S\xC9" "CU42");
    EXPECT_EQ(files.files[FILE_PATH].substr(16), std::string(16, '\0'));
}

TEST_F(StorePassword, KeepsTheReserveAndTheBytesAfterTheRecord)
{
    files.files[FILE_PATH] = std::string(16, 'x') + "RESERVE-16-BYTES" + "TAIL";
    EXPECT_TRUE(password::store_password(files, PATH, NAME, "neuf").succeeded());
    EXPECT_EQ(files.files[FILE_PATH].substr(16), "RESERVE-16-BYTESTAIL");
    EXPECT_EQ(password::decode_password(files.files[FILE_PATH].substr(0, 16)), "NEUF");
}

TEST_F(StorePassword, RunsTheStepBeforeWritingOnAnExistingFile)
{
    files.files[FILE_PATH] = "OLD-CONTENT";
    std::string seen_code;
    EXPECT_TRUE(password::store_password(files, PATH, NAME, "neuf", [&] {
        seen_code = files.files[FILE_PATH];
        return true;
    }).succeeded());
    EXPECT_EQ(seen_code, "OLD-CONTENT") << "the password must not be in the file before the step";
    EXPECT_EQ(password::decode_password(files.files[FILE_PATH].substr(0, 16)), "NEUF");
}

// The read never creates the file; the write does, and the platform gives a
// file it creates the password file's protection from its first moment.
TEST_F(StorePassword, AMissingFileIsCreatedByTheWriteAlone)
{
    bool step_ran = false;
    const auto result = password::store_password(files, PATH, NAME, "neuf", [&] { return step_ran = true; });
    EXPECT_TRUE(result.succeeded());
    EXPECT_FALSE(step_ran);
    EXPECT_EQ(files.created, std::vector<std::string>{FILE_PATH});
    EXPECT_EQ(password::decode_password(files.files[FILE_PATH].substr(0, 16)), "NEUF");
}

TEST_F(StorePassword, AFailedStepBeforeWritingLeavesTheFileAsItWas)
{
    files.files[FILE_PATH] = "OLD-CONTENT";
    const auto result = password::store_password(files, PATH, NAME, "neuf", [] { return false; });
    ASSERT_FALSE(result.succeeded());
    EXPECT_FALSE(result.error().file) << "the step reports its own reason";
    EXPECT_EQ(files.files[FILE_PATH], "OLD-CONTENT");
}

TEST_F(StorePassword, AFailedReadGivesItsFailureAndWritesNothing)
{
    files.fail_with = platform::FileError{5, "Acc\xE8s refus\xE9."};
    bool step_ran = false;
    const auto result = password::store_password(files, PATH, NAME, "neuf", [&] { return step_ran = true; });
    ASSERT_FALSE(result.succeeded());
    EXPECT_FALSE(step_ran);
    ASSERT_TRUE(result.error().file);
    EXPECT_EQ(password::failure_message(*result.error().file).rfind(password::READ_ERROR_PREFIX, 0), 0u);
    EXPECT_EQ(files.files.count(FILE_PATH), 0u);
}

TEST_F(StorePassword, AFailedWriteGivesItsFailure)
{
    files.files[FILE_PATH] = "OLD-CONTENT";
    const auto result = password::store_password(files, PATH, NAME, "neuf", [&] {
        files.fail_with = platform::FileError{112, "Espace insuffisant sur le disque."};
        return true;
    });
    ASSERT_FALSE(result.succeeded());
    ASSERT_TRUE(result.error().file);
    EXPECT_EQ(password::failure_message(*result.error().file),
              std::string(password::WRITE_ERROR_PREFIX) + FILE_PATH +
                  "\r\nErreur  112 - Espace insuffisant sur le disque.");
    EXPECT_EQ(files.files[FILE_PATH], "OLD-CONTENT");
}

} // namespace
