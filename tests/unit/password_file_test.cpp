#include <gtest/gtest.h>

#include "fake_platform.h"
#include "password/passwd.h"
#include "password/password_file.h"

namespace {

TEST(WinDir, AsksWithTheStatedSizeAndKeepsTheDirectoryAsReported)
{
    fakes::FakeSystemInfo system;
    system.windows_directory = "C:\\WINNT";
    EXPECT_EQ(password::WinDir(system), "C:\\WINNT");
    EXPECT_EQ(system.stated_size_seen, 4095u);
    system.windows_directory = "";
    EXPECT_EQ(password::WinDir(system), "");
}

class PasswordFileErrors : public testing::Test {
protected:
    fakes::FakeRecordFiles files;
    fakes::FakeMessageBox boxes;
    password::PasswordFile file{files, boxes};
};

TEST_F(PasswordFileErrors, AFailedReadShowsTheMessageAndMatchesNoPassword)
{
    files.fail_with = platform::FileError{5, "Acc\xE8s refus\xE9."};
    const std::string stored = file.Lecture_Fichier("C:\\WINDOWS\\system32\\", "PSTACK.DRV");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Erreur d'ouverture ou de lecture du fichier C:\\WINDOWS\\system32\\PSTACK.DRV"
                                   "\r\nErreur  5 - Acc\xE8s refus\xE9.");
    EXPECT_EQ(boxes.shown[0].buttons, platform::Buttons::ok);
    EXPECT_EQ(boxes.shown[0].icon, platform::BoxIcon::none);
    EXPECT_EQ(password::Decodage_Passwd(stored), password::DECODING_ERROR);
    EXPECT_NE(password::Decodage_Passwd(stored), "");
    // For a check no password was read: a state of its own, not a text.
    EXPECT_EQ(file.stored_password("C:\\WINDOWS\\system32\\", "PSTACK.DRV"), std::nullopt);
}

TEST_F(PasswordFileErrors, AFailedWriteShowsTheMessageAndReturnsOne)
{
    files.fail_with = platform::FileError{-3, "Chemin introuvable"};
    EXPECT_EQ(file.Ecriture_Fichier("code", "D:\\", "PSTACK.DRV"), 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Erreur d'ouverture ou d'\xE9""criture du fichier D:\\PSTACK.DRV\r\nErreur -3 - Chemin introuvable");
}

TEST_F(PasswordFileErrors, AMissingFileReadsAsNulsWithoutMessageAndIsNotCreated)
{
    EXPECT_EQ(file.Lecture_Fichier("C:\\WINDOWS\\system32\\", "PSTACK.DRV"), std::string(16, '\0'));
    EXPECT_EQ(file.stored_password("C:\\WINDOWS\\system32\\", "PSTACK.DRV"), std::string());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(files.files.empty());
    EXPECT_FALSE(file.found());
}

TEST_F(PasswordFileErrors, AFileWithoutAPasswordOfTwoToEightCharactersHoldsNoPassword)
{
    const std::string path = "C:\\WINDOWS\\system32\\PSTACK.DRV";
    for (const std::string& content : {std::string(), std::string(32, ' '), std::string(16, '~'),
                                       password::Codage_Passwd("A"), password::Codage_Passwd("AB").substr(0, 2)}) {
        files.files[path] = content;
        boxes.shown.clear();
        EXPECT_EQ(file.stored_password("C:\\WINDOWS\\system32\\", "PSTACK.DRV"), std::nullopt) << content;
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "Erreur d'ouverture ou de lecture du fichier " + path +
                                           "\r\nErreur  13 - Donn\xE9" "es non valides.");
    }
    files.files[path] = password::Codage_Passwd("ab");
    EXPECT_EQ(file.stored_password("C:\\WINDOWS\\system32\\", "PSTACK.DRV"), std::string("AB"));
}

TEST_F(PasswordFileErrors, AnEmptyLocationDoesNothing)
{
    files.fail_with = platform::FileError{5, "x"};
    EXPECT_EQ(file.Lecture_Fichier("", ""), "");
    EXPECT_EQ(file.Ecriture_Fichier("code", "", ""), 0);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(files.files.empty());
}

} // namespace
