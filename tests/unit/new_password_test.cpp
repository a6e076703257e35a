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
    fakes::FakeMessageBox boxes;
};

TEST_F(StorePassword, CreatesOneRecordThatDecodesToThePasswordUpperCased)
{
    EXPECT_TRUE(password::store_password(files, boxes, PATH, NAME, "s\xE9" "cu42"));
    ASSERT_EQ(files.files[FILE_PATH].size(), password::RECORD_SIZE);
    EXPECT_EQ(password::Decodage_Passwd(files.files[FILE_PATH].substr(0, 16)), "S\xC9" "CU42");
    EXPECT_EQ(files.files[FILE_PATH].substr(16), std::string(16, '\0'));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(StorePassword, KeepsTheReserveAndTheBytesAfterTheRecord)
{
    files.files[FILE_PATH] = std::string(16, 'x') + "RESERVE-16-BYTES" + "TAIL";
    EXPECT_TRUE(password::store_password(files, boxes, PATH, NAME, "neuf"));
    EXPECT_EQ(files.files[FILE_PATH].substr(16), "RESERVE-16-BYTESTAIL");
    EXPECT_EQ(password::Decodage_Passwd(files.files[FILE_PATH].substr(0, 16)), "NEUF");
}

TEST_F(StorePassword, RunsTheStepBeforeWritingOnAnExistingFile)
{
    files.files[FILE_PATH] = "OLD-CONTENT";
    std::string seen_code;
    EXPECT_TRUE(password::store_password(files, boxes, PATH, NAME, "neuf", [&] {
        seen_code = files.files[FILE_PATH];
        return true;
    }));
    EXPECT_EQ(seen_code, "OLD-CONTENT") << "the password must not be in the file before the step";
    EXPECT_EQ(password::Decodage_Passwd(files.files[FILE_PATH].substr(0, 16)), "NEUF");
}

// The read never creates the file; the write does, and the platform gives a
// file it creates the password file's protection from its first moment.
TEST_F(StorePassword, AMissingFileIsCreatedByTheWriteAlone)
{
    bool step_ran = false;
    EXPECT_TRUE(password::store_password(files, boxes, PATH, NAME, "neuf", [&] { return step_ran = true; }));
    EXPECT_FALSE(step_ran);
    EXPECT_EQ(files.created, std::vector<std::string>{FILE_PATH});
    EXPECT_EQ(password::Decodage_Passwd(files.files[FILE_PATH].substr(0, 16)), "NEUF");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(StorePassword, AFailedStepBeforeWritingLeavesTheFileAsItWas)
{
    files.files[FILE_PATH] = "OLD-CONTENT";
    EXPECT_FALSE(password::store_password(files, boxes, PATH, NAME, "neuf", [] { return false; }));
    EXPECT_EQ(files.files[FILE_PATH], "OLD-CONTENT");
}

TEST_F(StorePassword, AFailedReadShowsItsMessageAndWritesNothing)
{
    files.fail_with = platform::FileError{5, "Acc\xE8s refus\xE9."};
    bool step_ran = false;
    EXPECT_FALSE(password::store_password(files, boxes, PATH, NAME, "neuf", [&] { return step_ran = true; }));
    EXPECT_FALSE(step_ran);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.rfind(password::READ_ERROR_PREFIX, 0), 0u);
    EXPECT_EQ(files.files.count(FILE_PATH), 0u);
}

} // namespace
