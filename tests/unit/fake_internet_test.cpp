// The fake web server, temporary files and event loop behave as the update
// check's tests rely on.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fake_platform.h"

namespace {

using Outcome = platform::RunningDownload::Outcome;

class FakeDownloads : public testing::Test {
protected:
    fakes::FakeFileSystem disk;
    fakes::FakeEventLoop loop;
    fakes::FakeInternet internet{disk, loop};
    std::vector<Outcome> told;

    std::unique_ptr<platform::RunningDownload> start(const std::string& url, const std::string& path)
    {
        return internet.start_download(url, path, [this](const Outcome& outcome) { told.push_back(outcome); });
    }
};

TEST_F(FakeDownloads, ARunningDownloadEndsWhenTheTestSaysAndTheLoopTellsHowLongItTook)
{
    internet.answers_at_once = false;
    internet.served["http://a/"] = "body";
    const auto path = disk.new_temporary_file("VH");
    auto download = start("http://a/", *path);
    EXPECT_FALSE(download->outcome());
    loop.time_passes(1200);
    EXPECT_EQ(disk.files[*path], "");
    internet.finish_download();
    EXPECT_EQ(disk.files[*path], "body");
    EXPECT_EQ(internet.running(), 0);
    EXPECT_TRUE(told.empty()) << "told before the loop ran";
    loop.time_passes(5000);
    loop.run();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].result, 0);
    EXPECT_EQ(told[0].took_ms, 1200u) << "the time it took, not the time the loop looked";
    ASSERT_TRUE(download->outcome());
    EXPECT_EQ(download->outcome()->took_ms, 1200u);
}

TEST_F(FakeDownloads, AnAbandonedDownloadWritesNothingWhenItEnds)
{
    internet.answers_at_once = false;
    internet.served["http://a/"] = "body";
    auto download = start("http://a/", "C:\\f.tmp");
    download.reset();
    EXPECT_EQ(internet.abandoned, 1);
    internet.finish_download();
    EXPECT_EQ(internet.late_results, 1);
    EXPECT_EQ(disk.files.count("C:\\f.tmp"), 0u);
    loop.run();
    EXPECT_TRUE(told.empty());
}

TEST_F(FakeDownloads, AnAbandonedDownloadKeepsItsFileUntilItEndsThenDeletesIt)
{
    internet.answers_at_once = false;
    internet.served["http://a/"] = "body";
    const auto path = disk.new_temporary_file("VH");
    auto download = start("http://a/", *path);
    download.reset();
    EXPECT_EQ(disk.files.count(*path), 1u);
    internet.finish_download();
    EXPECT_EQ(disk.files.count(*path), 0u);
    EXPECT_TRUE(disk.deletions.empty()) << "the download's own deletion is not the program's";
}

TEST_F(FakeDownloads, ADownloadLetGoAfterAnEndNeverToldDeletesItsFileAndTellsNothing)
{
    internet.served["http://a/"] = "body";
    const auto path = disk.new_temporary_file("VH");
    auto download = start("http://a/", *path);
    EXPECT_EQ(loop.waiting(), 1);
    download.reset();
    EXPECT_EQ(loop.waiting(), 0);
    EXPECT_EQ(disk.files.count(*path), 0u);
    EXPECT_EQ(internet.abandoned, 0);
    loop.run();
    EXPECT_TRUE(told.empty());
}

TEST_F(FakeDownloads, AnUnservedAddressFailsAndWritesNothing)
{
    auto download = start("http://nowhere/", "C:\\f.tmp");
    loop.run();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].result, 0);
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
    EXPECT_TRUE(disk.delete_file(*first).succeeded());
    EXPECT_EQ(disk.new_temporary_file("VHxyz"), first) << "a deleted file's name comes back";
    disk.temporary_files_fail = true;
    EXPECT_FALSE(disk.new_temporary_file("VH"));
}

TEST(FakeEventLoop, RunsATimerOnceFromTheLoopWhenItsTimeHasPassedUnlessCancelled)
{
    fakes::FakeEventLoop loop;
    std::vector<std::string> ran;
    auto first = loop.start_timer(1000, [&] { ran.push_back("first"); });
    auto cancelled = loop.start_timer(1000, [&] { ran.push_back("cancelled"); });
    auto later = loop.start_timer(3000, [&] { ran.push_back("later"); });
    loop.time_passes(999);
    loop.run();
    EXPECT_TRUE(ran.empty());
    loop.time_passes(1);
    EXPECT_TRUE(ran.empty()) << "a timer runs from the loop only";
    cancelled.reset();
    loop.run();
    EXPECT_EQ(ran, std::vector<std::string>{"first"});
    loop.time_passes(5000);
    loop.run();
    loop.time_passes(5000);
    loop.run();
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "later"}));
}

TEST(FakeEventLoop, PlaysEventsWaitingTogetherInEitherOrder)
{
    fakes::FakeEventLoop loop;
    std::vector<int> ran;
    loop.post([&] { ran.push_back(1); }, [] { return true; });
    loop.post([&] { ran.push_back(2); }, [] { return true; });
    loop.run(fakes::FakeEventLoop::Order::latest_first);
    loop.post([&] { ran.push_back(3); }, [] { return true; });
    loop.post([&] { ran.push_back(4); }, [] { return true; });
    loop.run();
    EXPECT_EQ(ran, (std::vector<int>{2, 1, 3, 4}));
}

} // namespace
