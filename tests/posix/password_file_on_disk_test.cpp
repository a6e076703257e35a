#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fake_platform.h"
#include "password/passwd.h"
#include "password/password_file.h"
#include "platform/posix/posix_record_files.h"

namespace fs = std::filesystem;

namespace {

// A temporary directory stands in for the Windows directory.
class PasswordFileOnDisk : public testing::Test {
protected:
    void SetUp() override
    {
        windows = fs::temp_directory_path() /
                  ("varnhollow-" + std::to_string(::getpid()) + "-" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(windows);
        fs::create_directories(windows / "system32");
        system.windows_directory = windows.string();
        path = password::WinDir(system) + password::SYSTEM32_SUFFIX;
    }
    void TearDown() override { fs::remove_all(windows); }

    fs::path on_disk() const { return windows / "system32" / "PSTACK.DRV"; }
    void put(const std::string& bytes) const { std::ofstream(on_disk(), std::ios::binary) << bytes; }
    std::string contents() const
    {
        std::ifstream in(on_disk(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path windows;
    fakes::FakeSystemInfo system;
    fakes::FakeMessageBox boxes;
    platform::PosixRecordFiles files;
    password::PasswordFile file{files, boxes};
    std::string path;
    const std::string name = password::PASSWORD_FILE_NAME;
};

TEST_F(PasswordFileOnDisk, MissingFileReadsAsTheEmptyPasswordAndIsNotCreated)
{
    EXPECT_EQ(file.Lecture_Fichier(path, name), std::string(16, '\0'));
    EXPECT_EQ(file.stored_password(path, name), std::string());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(fs::exists(on_disk()));
}

TEST_F(PasswordFileOnDisk, AnEmptyFileHoldsNoPassword)
{
    put("");
    EXPECT_EQ(file.stored_password(path, name), std::nullopt);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.rfind(password::READ_ERROR_PREFIX, 0), 0u);
}

TEST_F(PasswordFileOnDisk, TheWriteCreatesAMissingFileForItsOwnerOnly)
{
    EXPECT_EQ(file.Ecriture_Fichier(password::Codage_Passwd("neuf"), path, name), 0);
    ASSERT_TRUE(fs::exists(on_disk()));
    EXPECT_EQ(fs::status(on_disk()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(PasswordFileOnDisk, WriteThenReadGivesThePasswordBack)
{
    const std::string code = password::Codage_Passwd("secret");
    EXPECT_EQ(file.Ecriture_Fichier(code, path, name), 0);
    EXPECT_EQ(contents(), code + std::string(16, '\0'));

    password::PasswordFile later{files, boxes};
    EXPECT_EQ(password::Decodage_Passwd(later.Lecture_Fichier(path, name)), "SECRET");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PasswordFileOnDisk, LongerFileKeepsItsTailAndTheReserveComesBack)
{
    const std::string reserve = "RESERVE-16-BYTES";
    const std::string tail = "TAIL1234";
    put(std::string(16, 'x') + reserve + tail);

    EXPECT_EQ(file.Lecture_Fichier(path, name), std::string(16, 'x'));
    EXPECT_EQ(file.Enreg_Passwd().Reserve, reserve);
    EXPECT_EQ(file.Ecriture_Fichier("short", path, name), 0);
    EXPECT_EQ(contents(), "short" + std::string(11, ' ') + reserve + tail);

    EXPECT_EQ(file.Ecriture_Fichier("a text longer than sixteen", path, name), 0);
    EXPECT_EQ(contents().substr(0, 16), "a text longer th");
    EXPECT_EQ(contents().size(), 40u);
}

TEST_F(PasswordFileOnDisk, ShortFileReadsWhatIsThereAndNulsForTheRest)
{
    put("ABCDEFGHIJKLMNOPQR");
    EXPECT_EQ(file.Lecture_Fichier(path, name), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(file.Enreg_Passwd().Reserve, std::string("QR") + std::string(14, '\0'));
    put("ABC");
    EXPECT_EQ(file.Lecture_Fichier(path, name), std::string("ABC") + std::string(13, '\0'));
}

TEST_F(PasswordFileOnDisk, UnreachableDirectoryShowsTheMessagesWithTheSystemError)
{
    fs::remove_all(windows / "system32");
    const std::string stored = file.Lecture_Fichier(path, name);
    EXPECT_EQ(password::Decodage_Passwd(stored), password::DECODING_ERROR);
    EXPECT_EQ(file.Ecriture_Fichier(password::Codage_Passwd("x"), path, name), 1);

    const std::string detail = std::string("\r\nErreur  ") + std::to_string(ENOENT) + " - " + std::strerror(ENOENT);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, "Erreur d'ouverture ou de lecture du fichier " + path + name + detail);
    EXPECT_EQ(boxes.shown[1].text, "Erreur d'ouverture ou d'\xE9""criture du fichier " + path + name + detail);
    EXPECT_FALSE(fs::exists(windows / "system32"));
}

TEST_F(PasswordFileOnDisk, ADirectoryInThePlaceOfTheFileCannotBeRead)
{
    fs::create_directory(on_disk());
    EXPECT_EQ(password::Decodage_Passwd(file.Lecture_Fichier(path, name)), password::DECODING_ERROR);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find(std::string("Erreur  ") + std::to_string(EISDIR) + " - "), std::string::npos);
}

} // namespace
