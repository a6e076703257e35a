#include <gtest/gtest.h>

#include "fake_platform.h"
#include "password/passwd.h"
#include "password/password_file.h"

namespace {

TEST(WindowsDirectory, AsksWithTheStatedSizeAndKeepsTheDirectoryAsReported)
{
    fakes::FakeSystemInfo system;
    system.windows_directory = "C:\\WINNT";
    EXPECT_EQ(password::windows_directory(system), "C:\\WINNT");
    EXPECT_EQ(system.stated_size_seen, 4095u);
    system.windows_directory = "";
    EXPECT_EQ(password::windows_directory(system), "");
}

TEST(FailureMessage, ReadAndWriteHaveTheirOwnPrefixAndASignedNumber)
{
    EXPECT_EQ(password::failure_message({password::FileAccess::read, "C:\\WINDOWS\\system32\\PSTACK.DRV", 5,
                                         "Acc\xE8s refus\xE9."}),
              "Erreur d'ouverture ou de lecture du fichier C:\\WINDOWS\\system32\\PSTACK.DRV"
              "\r\nErreur  5 - Acc\xE8s refus\xE9.");
    EXPECT_EQ(password::failure_message({password::FileAccess::write, "D:\\PSTACK.DRV", -3, "Chemin introuvable"}),
              "Erreur d'ouverture ou d'\xE9""criture du fichier D:\\PSTACK.DRV\r\nErreur -3 - Chemin introuvable");
}

class PasswordFileErrors : public testing::Test {
protected:
    fakes::FakeRecordFiles files;
    password::PasswordFile file{files};
};

TEST_F(PasswordFileErrors, AFailedReadGivesTheFailureAndMatchesNoPassword)
{
    files.fail_with = platform::FileError{5, "Acc\xE8s refus\xE9."};
    const password::RecordRead read = file.read_record("C:\\WINDOWS\\system32\\", "PSTACK.DRV");
    EXPECT_FALSE(read.found);
    ASSERT_TRUE(read.failure);
    EXPECT_EQ(password::failure_message(*read.failure),
              "Erreur d'ouverture ou de lecture du fichier C:\\WINDOWS\\system32\\PSTACK.DRV"
              "\r\nErreur  5 - Acc\xE8s refus\xE9.");
    // For a check no password was read: a state of its own, not a text.
    const password::StoredPassword stored = file.stored_password("C:\\WINDOWS\\system32\\", "PSTACK.DRV");
    EXPECT_EQ(stored.password, std::nullopt);
    ASSERT_TRUE(stored.failure);
    EXPECT_EQ(stored.failure->access, password::FileAccess::read);
    EXPECT_EQ(stored.failure->file, "C:\\WINDOWS\\system32\\PSTACK.DRV");
    EXPECT_EQ(stored.failure->code, 5);
    EXPECT_EQ(stored.failure->text, "Acc\xE8s refus\xE9.");
}

TEST_F(PasswordFileErrors, AFailedWriteGivesTheFailure)
{
    files.fail_with = platform::FileError{-3, "Chemin introuvable"};
    const auto failure = file.write_password("code", "D:\\", "PSTACK.DRV");
    ASSERT_TRUE(failure);
    EXPECT_EQ(password::failure_message(*failure),
              "Erreur d'ouverture ou d'\xE9""criture du fichier D:\\PSTACK.DRV\r\nErreur -3 - Chemin introuvable");
}

TEST_F(PasswordFileErrors, AMissingFileReadsAsNulsWithoutFailureAndIsNotCreated)
{
    const password::RecordRead read = file.read_record("C:\\WINDOWS\\system32\\", "PSTACK.DRV");
    EXPECT_EQ(read.record.encoded_password, std::string(16, '\0'));
    EXPECT_FALSE(read.failure);
    const password::StoredPassword stored = file.stored_password("C:\\WINDOWS\\system32\\", "PSTACK.DRV");
    EXPECT_EQ(stored.password, std::string());
    EXPECT_FALSE(stored.failure);
    EXPECT_TRUE(files.files.empty());
    EXPECT_FALSE(read.found);
}

TEST_F(PasswordFileErrors, AFileWithoutAPasswordOfTwoToEightCharactersHoldsNoPassword)
{
    const std::string path = "C:\\WINDOWS\\system32\\PSTACK.DRV";
    for (const std::string& content : {std::string(), std::string(32, ' '), std::string(16, '~'),
                                       password::encode_password("A"), password::encode_password("AB").substr(0, 2)}) {
        files.files[path] = content;
        const password::StoredPassword stored = file.stored_password("C:\\WINDOWS\\system32\\", "PSTACK.DRV");
        EXPECT_EQ(stored.password, std::nullopt) << content;
        ASSERT_TRUE(stored.failure);
        EXPECT_EQ(password::failure_message(*stored.failure),
                  "Erreur d'ouverture ou de lecture du fichier " + path +
                      "\r\nErreur  13 - Donn\xE9" "es non valides.");
    }
    files.files[path] = password::encode_password("ab");
    EXPECT_EQ(file.stored_password("C:\\WINDOWS\\system32\\", "PSTACK.DRV").password, std::string("AB"));
}

TEST_F(PasswordFileErrors, AnEmptyLocationDoesNothing)
{
    files.fail_with = platform::FileError{5, "x"};
    const password::RecordRead read = file.read_record("", "");
    EXPECT_FALSE(read.found);
    EXPECT_FALSE(read.failure);
    const password::StoredPassword stored = file.stored_password("", "");
    EXPECT_EQ(stored.password, std::nullopt);
    EXPECT_FALSE(stored.failure);
    EXPECT_EQ(file.write_password("code", "", ""), std::nullopt);
    EXPECT_TRUE(files.files.empty());
}

} // namespace
