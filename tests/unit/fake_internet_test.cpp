// The fake web server and temporary files behave as the update check's tests
// rely on.

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace {

class FakeDownloads : public testing::Test {
protected:
    fakes::FakeFileSystem disk;
    fakes::FakeInternet internet{disk};
};

TEST_F(FakeDownloads, ARunningDownloadEndsWhenTheTestSaysAndTellsHowLongItTook)
{
    internet.answers_at_once = false;
    internet.served["http://a/"] = "body";
    const auto path = disk.new_temporary_file("VH");
    auto download = internet.start_download("http://a/", *path, 0);
    EXPECT_FALSE(download->outcome());
    internet.time_passes(1200);
    EXPECT_EQ(download->elapsed_ms(), 1200u);
    EXPECT_EQ(disk.files[*path], "");
    internet.finish_download();
    ASSERT_TRUE(download->outcome());
    EXPECT_EQ(download->outcome()->result, 0);
    EXPECT_EQ(download->outcome()->took_ms, 1200u);
    EXPECT_EQ(disk.files[*path], "body");
    EXPECT_EQ(internet.running(), 0);
}

TEST_F(FakeDownloads, AnAbandonedDownloadWritesNothingWhenItEnds)
{
    internet.answers_at_once = false;
    internet.served["http://a/"] = "body";
    auto download = internet.start_download("http://a/", "C:\\f.tmp", 0);
    download.reset();
    EXPECT_EQ(internet.abandoned, 1);
    internet.finish_download();
    EXPECT_EQ(internet.late_results, 1);
    EXPECT_EQ(disk.files.count("C:\\f.tmp"), 0u);
}

TEST_F(FakeDownloads, AnAbandonedDownloadKeepsItsFileUntilItEndsThenDeletesIt)
{
    internet.answers_at_once = false;
    internet.served["http://a/"] = "body";
    const auto path = disk.new_temporary_file("VH");
    auto download = internet.start_download("http://a/", *path, 0);
    download.reset();
    EXPECT_EQ(disk.files.count(*path), 1u);
    internet.finish_download();
    EXPECT_EQ(disk.files.count(*path), 0u);
    EXPECT_TRUE(disk.deletions.empty()) << "the download's own deletion is not the program's";
}

TEST_F(FakeDownloads, AnUnservedAddressFailsAndWritesNothing)
{
    auto download = internet.start_download("http://nowhere/", "C:\\f.tmp", 0);
    ASSERT_TRUE(download->outcome());
    EXPECT_NE(download->outcome()->result, 0);
    EXPECT_EQ(disk.files.count("C:\\f.tmp"), 0u);
    EXPECT_EQ(internet.abandoned, 0);
}

TEST_F(FakeDownloads, TemporaryFilesAreNewEmptyAndNamedAsWindowsNamesThem)
{
    const std::string taken = disk.temporary_directory + "\\VHx1A2B.tmp";
    disk.files[taken] = "someone else's";
    const auto first = disk.new_temporary_file("VHxyz");
    const auto second = disk.new_temporary_file("VHxyz");
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, taken);
    EXPECT_NE(*first, *second);
    EXPECT_EQ(*first, disk.temporary_directory + "\\VHx1A2C.tmp");
    EXPECT_EQ(disk.files[*first], "");
    EXPECT_EQ(disk.files[taken], "someone else's");
    disk.delete_file(*first);
    EXPECT_EQ(disk.new_temporary_file("VHxyz"), first) << "a deleted file's name comes back";
    disk.temporary_files_fail = true;
    EXPECT_FALSE(disk.new_temporary_file("VH"));
}

} // namespace
