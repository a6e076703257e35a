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
        system.windows_folder = windows.string();
        path = password::password_file_folder(system);
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
    platform::PosixRecordFiles files;
    password::PasswordFile file{files};
    std::string path;
    const std::string name = password::PASSWORD_FILE_NAME;
};

TEST_F(PasswordFileOnDisk, MissingFileReadsAsTheEmptyPasswordAndIsNotCreated)
{
    const auto read = file.read_record(path, name);
    ASSERT_TRUE(read.succeeded());
    EXPECT_EQ(read.value().record.encoded_password, std::string(16, '\0'));
    const auto stored = file.stored_password(path, name);
    ASSERT_TRUE(stored.succeeded());
    EXPECT_EQ(stored.value(), std::string());
    EXPECT_FALSE(fs::exists(on_disk()));
}

TEST_F(PasswordFileOnDisk, AnEmptyFileHoldsNoPassword)
{
    put("");
    const auto stored = file.stored_password(path, name);
    ASSERT_FALSE(stored.succeeded());
    EXPECT_EQ(password::failure_message(stored.error()).rfind(password::READ_ERROR_PREFIX, 0), 0u);
}

TEST_F(PasswordFileOnDisk, TheWriteCreatesAMissingFileForItsOwnerOnly)
{
    EXPECT_TRUE(file.write_password(password::encode_password("neuf"), path, name).succeeded());
    ASSERT_TRUE(fs::exists(on_disk()));
    EXPECT_EQ(fs::status(on_disk()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(PasswordFileOnDisk, WriteThenReadGivesThePasswordBack)
{
    const std::string code = password::encode_password("secret");
    EXPECT_TRUE(file.write_password(code, path, name).succeeded());
    EXPECT_EQ(contents(), code + std::string(16, '\0'));

    password::PasswordFile later{files};
    const auto read = later.read_record(path, name);
    ASSERT_TRUE(read.succeeded());
    EXPECT_EQ(password::decode_password(read.value().record.encoded_password), "SECRET");
}

TEST_F(PasswordFileOnDisk, LongerFileKeepsItsTailAndTheReserveComesBack)
{
    const std::string reserve = "RESERVE-16-BYTES";
    const std::string tail = "TAIL1234";
    put(std::string(16, 'x') + reserve + tail);

    const auto read = file.read_record(path, name);
    ASSERT_TRUE(read.succeeded());
    EXPECT_EQ(read.value().record.encoded_password, std::string(16, 'x'));
    EXPECT_EQ(read.value().record.reserve, reserve);
    EXPECT_TRUE(file.write_password("short", path, name).succeeded());
    EXPECT_EQ(contents(), "short" + std::string(11, ' ') + reserve + tail);

    EXPECT_TRUE(file.write_password("a text longer than sixteen", path, name).succeeded());
    EXPECT_EQ(contents().substr(0, 16), "a text longer th");
    EXPECT_EQ(contents().size(), 40u);
}

TEST_F(PasswordFileOnDisk, ShortFileReadsWhatIsThereAndNulsForTheRest)
{
    put("ABCDEFGHIJKLMNOPQR");
    const auto read = file.read_record(path, name);
    ASSERT_TRUE(read.succeeded());
    EXPECT_TRUE(read.value().found);
    EXPECT_EQ(read.value().record.encoded_password, "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(read.value().record.reserve, std::string("QR") + std::string(14, '\0'));
    put("ABC");
    const auto short_read = file.read_record(path, name);
    ASSERT_TRUE(short_read.succeeded());
    EXPECT_EQ(short_read.value().record.encoded_password, std::string("ABC") + std::string(13, '\0'));
}

TEST_F(PasswordFileOnDisk, UnreachableDirectoryGivesTheFailuresWithTheSystemError)
{
    fs::remove_all(windows / "system32");
    const auto stored = file.stored_password(path, name);
    const auto written = file.write_password(password::encode_password("x"), path, name);

    const std::string detail = std::string("\r\nErreur  ") + std::to_string(ENOENT) + " - " + std::strerror(ENOENT);
    ASSERT_FALSE(stored.succeeded());
    ASSERT_FALSE(written.succeeded());
    EXPECT_EQ(password::failure_message(stored.error()),
              "Erreur d'ouverture ou de lecture du fichier " + path + name + detail);
    EXPECT_EQ(password::failure_message(written.error()),
              "Erreur d'ouverture ou d'\xE9""criture du fichier " + path + name + detail);
    EXPECT_FALSE(fs::exists(windows / "system32"));
}

TEST_F(PasswordFileOnDisk, ADirectoryInThePlaceOfTheFileCannotBeRead)
{
    fs::create_directory(on_disk());
    const auto stored = file.stored_password(path, name);
    ASSERT_FALSE(stored.succeeded());
    EXPECT_NE(password::failure_message(stored.error()).find(std::string("Erreur  ") + std::to_string(EISDIR) + " - "),
              std::string::npos);
}

} // namespace
