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
    const password::RecordRead read = file.read_record(path, name);
    EXPECT_EQ(read.record.encoded_password, std::string(16, '\0'));
    EXPECT_FALSE(read.failure);
    const password::StoredPassword stored = file.stored_password(path, name);
    EXPECT_EQ(stored.password, std::string());
    EXPECT_FALSE(stored.failure);
    EXPECT_FALSE(fs::exists(on_disk()));
}

TEST_F(PasswordFileOnDisk, AnEmptyFileHoldsNoPassword)
{
    put("");
    const password::StoredPassword stored = file.stored_password(path, name);
    EXPECT_EQ(stored.password, std::nullopt);
    ASSERT_TRUE(stored.failure);
    EXPECT_EQ(password::failure_message(*stored.failure).rfind(password::READ_ERROR_PREFIX, 0), 0u);
}

TEST_F(PasswordFileOnDisk, TheWriteCreatesAMissingFileForItsOwnerOnly)
{
    EXPECT_EQ(file.write_password(password::encode_password("neuf"), path, name), std::nullopt);
    ASSERT_TRUE(fs::exists(on_disk()));
    EXPECT_EQ(fs::status(on_disk()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(PasswordFileOnDisk, WriteThenReadGivesThePasswordBack)
{
    const std::string code = password::encode_password("secret");
    EXPECT_EQ(file.write_password(code, path, name), std::nullopt);
    EXPECT_EQ(contents(), code + std::string(16, '\0'));

    password::PasswordFile later{files};
    const password::RecordRead read = later.read_record(path, name);
    EXPECT_EQ(password::decode_password(read.record.encoded_password), "SECRET");
    EXPECT_FALSE(read.failure);
}

TEST_F(PasswordFileOnDisk, LongerFileKeepsItsTailAndTheReserveComesBack)
{
    const std::string reserve = "RESERVE-16-BYTES";
    const std::string tail = "TAIL1234";
    put(std::string(16, 'x') + reserve + tail);

    const password::RecordRead read = file.read_record(path, name);
    EXPECT_EQ(read.record.encoded_password, std::string(16, 'x'));
    EXPECT_EQ(read.record.reserve, reserve);
    EXPECT_EQ(file.write_password("short", path, name), std::nullopt);
    EXPECT_EQ(contents(), "short" + std::string(11, ' ') + reserve + tail);

    EXPECT_EQ(file.write_password("a text longer than sixteen", path, name), std::nullopt);
    EXPECT_EQ(contents().substr(0, 16), "a text longer th");
    EXPECT_EQ(contents().size(), 40u);
}

TEST_F(PasswordFileOnDisk, ShortFileReadsWhatIsThereAndNulsForTheRest)
{
    put("ABCDEFGHIJKLMNOPQR");
    const password::RecordRead read = file.read_record(path, name);
    EXPECT_TRUE(read.found);
    EXPECT_EQ(read.record.encoded_password, "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(read.record.reserve, std::string("QR") + std::string(14, '\0'));
    put("ABC");
    EXPECT_EQ(file.read_record(path, name).record.encoded_password, std::string("ABC") + std::string(13, '\0'));
}

TEST_F(PasswordFileOnDisk, UnreachableDirectoryGivesTheFailuresWithTheSystemError)
{
    fs::remove_all(windows / "system32");
    const password::StoredPassword stored = file.stored_password(path, name);
    EXPECT_EQ(stored.password, std::nullopt);
    const auto written = file.write_password(password::encode_password("x"), path, name);

    const std::string detail = std::string("\r\nErreur  ") + std::to_string(ENOENT) + " - " + std::strerror(ENOENT);
    ASSERT_TRUE(stored.failure);
    ASSERT_TRUE(written);
    EXPECT_EQ(password::failure_message(*stored.failure),
              "Erreur d'ouverture ou de lecture du fichier " + path + name + detail);
    EXPECT_EQ(password::failure_message(*written),
              "Erreur d'ouverture ou d'\xE9""criture du fichier " + path + name + detail);
    EXPECT_FALSE(fs::exists(windows / "system32"));
}

TEST_F(PasswordFileOnDisk, ADirectoryInThePlaceOfTheFileCannotBeRead)
{
    fs::create_directory(on_disk());
    const password::StoredPassword stored = file.stored_password(path, name);
    EXPECT_EQ(stored.password, std::nullopt);
    ASSERT_TRUE(stored.failure);
    EXPECT_NE(password::failure_message(*stored.failure).find(std::string("Erreur  ") + std::to_string(EISDIR) + " - "),
              std::string::npos);
}

} // namespace
