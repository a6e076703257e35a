#include <functional>

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "row_names.h"
#include "password/passwd.h"
#include "password/password_file.h"

namespace {

TEST(WindowsDirectory, ThePasswordFileFolderIsUnknownWithoutIt)
{
    fakes::FakeSystemInfo system;
    system.windows_folder = "C:\\WINNT";
    EXPECT_EQ(password::password_file_folder(system), "C:\\WINNT\\system32\\");
    system.windows_folder = "";
    EXPECT_EQ(password::password_file_folder(system), "");
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
    const auto read = file.read_record("C:\\WINDOWS\\system32\\", "PSTACK.DRV");
    ASSERT_FALSE(read.succeeded());
    EXPECT_EQ(password::failure_message(read.error()),
              "Erreur d'ouverture ou de lecture du fichier C:\\WINDOWS\\system32\\PSTACK.DRV"
              "\r\nErreur  5 - Acc\xE8s refus\xE9.");
    // For a check no password was read: a state of its own, not a text.
    const auto stored = file.stored_password("C:\\WINDOWS\\system32\\", "PSTACK.DRV");
    ASSERT_FALSE(stored.succeeded());
    EXPECT_EQ(stored.error().access, password::FileAccess::read);
    EXPECT_EQ(stored.error().file, "C:\\WINDOWS\\system32\\PSTACK.DRV");
    EXPECT_EQ(stored.error().code, 5);
    EXPECT_EQ(stored.error().text, "Acc\xE8s refus\xE9.");
}

TEST_F(PasswordFileErrors, AFailedWriteGivesTheFailure)
{
    files.fail_with = platform::FileError{-3, "Chemin introuvable"};
    const auto written = file.write_password("code", "D:\\", "PSTACK.DRV");
    ASSERT_FALSE(written.succeeded());
    EXPECT_EQ(password::failure_message(written.error()),
              "Erreur d'ouverture ou d'\xE9""criture du fichier D:\\PSTACK.DRV\r\nErreur -3 - Chemin introuvable");
}

TEST_F(PasswordFileErrors, AMissingFileReadsAsNulsWithoutFailureAndIsNotCreated)
{
    const auto read = file.read_record("C:\\WINDOWS\\system32\\", "PSTACK.DRV");
    ASSERT_TRUE(read.succeeded());
    EXPECT_EQ(read.value().record.encoded_password, std::string(16, '\0'));
    const auto stored = file.stored_password("C:\\WINDOWS\\system32\\", "PSTACK.DRV");
    ASSERT_TRUE(stored.succeeded());
    EXPECT_EQ(stored.value(), std::string());
    EXPECT_TRUE(files.files.empty());
    EXPECT_FALSE(read.value().found);
}

TEST_F(PasswordFileErrors, AFileWithoutAPasswordOfTwoToEightCharactersHoldsNoPassword)
{
    const std::string path = "C:\\WINDOWS\\system32\\PSTACK.DRV";
    for (const std::string& content : {std::string(), std::string(32, ' '), std::string(16, '~'),
                                       password::encode_password("A"), password::encode_password("AB").substr(0, 2)}) {
        files.files[path] = content;
        const auto stored = file.stored_password("C:\\WINDOWS\\system32\\", "PSTACK.DRV");
        ASSERT_FALSE(stored.succeeded()) << content;
        EXPECT_EQ(password::failure_message(stored.error()),
                  "Erreur d'ouverture ou de lecture du fichier " + path +
                      "\r\nErreur  13 - Donn\xE9" "es non valides.");
    }
    files.files[path] = password::encode_password("ab") + std::string(16, '\0');
    const auto two_characters = file.stored_password("C:\\WINDOWS\\system32\\", "PSTACK.DRV");
    ASSERT_TRUE(two_characters.succeeded());
    EXPECT_EQ(two_characters.value(), std::string("AB"));
}

// Each row spoils a stored record of SECRET. A lenient read would lose the
// characters a missing or bad pair stands for, and let a shorter entry, or
// one with a character added, unlock.
struct SpoiledRecord {
    const char* name;
    std::function<std::string(std::string)> spoil;
};

class SpoiledPasswordFile : public PasswordFileErrors, public testing::WithParamInterface<SpoiledRecord> {};

TEST_P(SpoiledPasswordFile, IsUnreadableAndHoldsNoPassword)
{
    const std::string path = "C:\\WINDOWS\\system32\\PSTACK.DRV";
    files.files[path] = GetParam().spoil(password::encode_password("SECRET") + std::string(16, '\0'));
    const auto stored = file.stored_password("C:\\WINDOWS\\system32\\", "PSTACK.DRV");
    ASSERT_FALSE(stored.succeeded());
    EXPECT_EQ(stored.error().code, password::INVALID_DATA_CODE);
    EXPECT_EQ(stored.error().access, password::FileAccess::read);
}

std::string with_character(std::string record, std::size_t at, char character)
{
    record[at] = character;
    return record;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SpoiledPasswordFile,
    testing::Values(
        SpoiledRecord{"CutToFourBytes", [](std::string r) { return r.substr(0, 4); }},
        SpoiledRecord{"CutToThirteenBytes", [](std::string r) { return r.substr(0, 13); }},
        SpoiledRecord{"CutAfterTheEncoding", [](std::string r) { return r.substr(0, 16); }},
        SpoiledRecord{"OneByteShort", [](std::string r) { return r.substr(0, 31); }},
        SpoiledRecord{"APairSpoiledByANul", [](std::string r) { return with_character(r, 5, '\0'); }},
        SpoiledRecord{"ACodeBelowTheRange", [](std::string r) { return with_character(r, 2, '='); }},
        SpoiledRecord{"ACodeAboveTheRange", [](std::string r) { return with_character(r, 3, '~'); }},
        SpoiledRecord{"ACharacterAfterThePadding",
                      [](std::string r) { return password::encode_password(std::string("SECRET\0X", 8)) + r.substr(16); }}),
    testing_support::RowName{});

// A bare name would be looked for in the current folder, where anyone may
// have planted a file, or have none (the empty password).
TEST_F(PasswordFileErrors, WithoutAFolderNothingIsReadOrWritten)
{
    files.files["PSTACK.DRV"] = password::encode_password("PLANTED") + std::string(16, '\0');
    const std::string planted = files.files["PSTACK.DRV"];
    const auto stored = file.stored_password("", "PSTACK.DRV");
    ASSERT_FALSE(stored.succeeded());
    EXPECT_EQ(password::failure_message(stored.error()),
              "Erreur d'ouverture ou de lecture du fichier PSTACK.DRV\r\nErreur  3 - Le dossier Windows est "
              "introuvable.");
    const auto written = file.write_password(password::encode_password("NEW"), "", "PSTACK.DRV");
    ASSERT_FALSE(written.succeeded());
    EXPECT_EQ(written.error().access, password::FileAccess::write);
    EXPECT_EQ(files.files.size(), 1u);
    EXPECT_EQ(files.files["PSTACK.DRV"], planted);
}

TEST_F(PasswordFileErrors, AnEmptyLocationDoesNothing)
{
    files.fail_with = platform::FileError{5, "x"};
    const auto read = file.read_record("", "");
    ASSERT_TRUE(read.succeeded());
    EXPECT_FALSE(read.value().found);
    const auto stored = file.stored_password("", "");
    ASSERT_TRUE(stored.succeeded());
    EXPECT_EQ(stored.value(), std::nullopt);
    EXPECT_TRUE(file.write_password("code", "", "").succeeded());
    EXPECT_TRUE(files.files.empty());
}

} // namespace
