#include <gtest/gtest.h>

#include <algorithm>

#include "fake_platform.h"
#include "row_names.h"
#include "lock/usb_storage_value.h"

namespace {

constexpr auto STATE_LOCKED = lock::LockState::locked;
constexpr auto STATE_UNLOCKED = lock::LockState::unlocked;

struct BytesCase {
    const char* what;
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
    lock::LockState state;
};

class StartValueBytes : public testing::TestWithParam<BytesCase> {};

TEST_P(StartValueBytes, GiveTheLockState)
{
    const auto& c = GetParam();
    EXPECT_EQ(lock::lock_state_from_bytes(c.type, c.bytes), c.state) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartValueBytes,
    testing::Values(BytesCase{"0", 4, {0, 0, 0, 0}, STATE_UNLOCKED}, BytesCase{"1", 4, {1, 0, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"2", 4, {2, 0, 0, 0}, STATE_UNLOCKED}, BytesCase{"3", 4, {3, 0, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"4", 4, {4, 0, 0, 0}, STATE_LOCKED}, BytesCase{"5", 4, {5, 0, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"6", 4, {6, 0, 0, 0}, STATE_UNLOCKED}, BytesCase{"7", 4, {7, 0, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"8", 4, {8, 0, 0, 0}, STATE_UNLOCKED}, BytesCase{"9", 4, {9, 0, 0, 0}, STATE_UNLOCKED},
                    // "0", "04", then "040": the 4 seen on the way counts.
                    BytesCase{"0x0400", 4, {0, 4, 0, 0}, STATE_LOCKED},
                    // Last byte 4 is kept: "4" then "40", "400", "4000".
                    BytesCase{"0x04000000", 4, {0, 0, 0, 4}, STATE_LOCKED},
                    // "0", "00", "0043": 43 is neither.
                    BytesCase{"0x43", 4, {0x43, 0, 0, 0}, STATE_UNLOCKED},
                    // A hex letter makes the text no number: unlocked.
                    BytesCase{"0x040A", 4, {0x0A, 4, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"0x0B", 4, {0x0B, 0, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"zero length", 4, {}, STATE_UNLOCKED},
                    BytesCase{"one zero byte", 4, {0}, STATE_UNLOCKED},
                    BytesCase{"one byte 4", 4, {4}, STATE_LOCKED},
                    BytesCase{"two bytes 4 0", 4, {4, 0}, STATE_LOCKED},
                    BytesCase{"string \"4\"", platform::REG_SZ_TYPE, {'4', 0}, STATE_UNLOCKED},
                    BytesCase{"binary 04", 3, {4, 0, 0, 0}, STATE_UNLOCKED}),
    testing_support::RowName{});

class ReadLockState : public testing::Test {
protected:
    fakes::FakeRegistry registry;
};

TEST_F(ReadLockState, QueriesWithTheExactArgumentsAndClosesTheKey)
{
    registry.set_dword(lock::USBSTOR_KEY, "Start", 4);
    EXPECT_EQ(lock::read_lock_state(registry), STATE_LOCKED);
    EXPECT_EQ(registry.calls, (std::vector<std::string>{
                                  "open SYSTEM\\CurrentControlSet\\Services\\USBSTOR root=2147483650 options=0 access=1",
                                  "query Start buffer=1024 size=1024", "close"}));
    EXPECT_TRUE(registry.open_handles.empty());
}

TEST_F(ReadLockState, FailsWhenTheKeyIsMissing)
{
    EXPECT_EQ(lock::read_lock_state(registry), std::nullopt);
    EXPECT_EQ(registry.calls.size(), 1u);
}

TEST_F(ReadLockState, FailsAndClosesTheKeyWhenTheValueIsMissing)
{
    registry.keys[lock::USBSTOR_KEY]["Other"] = {};
    EXPECT_EQ(lock::read_lock_state(registry), std::nullopt);
    EXPECT_EQ(registry.calls.back(), "close");
    EXPECT_TRUE(registry.open_handles.empty());
}

TEST_F(ReadLockState, AStringValueReadsAsUnlocked)
{
    registry.keys[lock::USBSTOR_KEY]["Start"] = {platform::REG_SZ_TYPE, {'4', 0}};
    EXPECT_EQ(lock::read_lock_state(registry), STATE_UNLOCKED);
}

struct QueryRoom {
    const char* name;
    std::size_t value_size, buffer, stated;
    long status;
    std::uint32_t size_after;
    bool copied;
};

class FakeRegistryQuery : public testing::TestWithParam<QueryRoom> {};

// The fake answers at the edges as RegQueryValueExA does.
TEST_P(FakeRegistryQuery, CopiesOnlyWhatFits)
{
    const auto& c = GetParam();
    fakes::FakeRegistry registry;
    registry.keys["K"]["V"] = {3, std::vector<std::uint8_t>(c.value_size, 0xAB)};
    platform::RegistryKey key = 0;
    ASSERT_EQ(registry.open_key(platform::HKEY_LOCAL_MACHINE_ROOT, "K", 0, 1, key), 0);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data(c.buffer, 0);
    std::uint32_t size = static_cast<std::uint32_t>(c.stated);
    EXPECT_EQ(registry.query_value(key, "V", type, data, size), c.status);
    EXPECT_EQ(size, c.size_after);
    EXPECT_EQ(type, 3u);
    const auto copied = static_cast<std::size_t>(std::count(data.begin(), data.end(), 0xAB));
    EXPECT_EQ(copied, c.copied ? c.value_size : 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, FakeRegistryQuery,
                         testing::Values(QueryRoom{"Fits", 4, 1024, 1024, 0, 4, true},
                                         QueryRoom{"FillsTheBuffer", 1024, 1024, 1024, 0, 1024, true},
                                         QueryRoom{"OneByteTooMany", 1025, 1024, 1024, 234, 1025, false},
                                         QueryRoom{"TwoThousandBytes", 2000, 1024, 1024, 234, 2000, false},
                                         QueryRoom{"StatedSizeSmaller", 8, 1024, 4, 234, 8, false},
                                         QueryRoom{"StatedSizeLargerThanTheBuffer", 8, 4, 1024, 234, 8, false}),
                         [](const testing::TestParamInfo<QueryRoom>& info) { return info.param.name; });

TEST_F(ReadLockState, AValueLargerThanTheBufferFailsAndClosesTheKey)
{
    registry.keys[lock::USBSTOR_KEY]["Start"] = {platform::REG_DWORD_TYPE, std::vector<std::uint8_t>(2000, 4)};
    EXPECT_EQ(lock::read_lock_state(registry), std::nullopt);
    EXPECT_EQ(registry.calls.back(), "close");
    EXPECT_TRUE(registry.open_handles.empty());
}

TEST(WriteStartValue, WritesFourLittleEndianBytesWithFullAccess)
{
    fakes::FakeRegistry registry;
    registry.set_dword(lock::USBSTOR_KEY, "Start", 3);
    EXPECT_EQ(lock::write_start_value(registry, 4), lock::WriteResult::written);
    EXPECT_EQ(registry.keys[lock::USBSTOR_KEY]["Start"].bytes, (std::vector<std::uint8_t>{4, 0, 0, 0}));
    EXPECT_EQ(registry.calls, (std::vector<std::string>{
                                  "open SYSTEM\\CurrentControlSet\\Services\\USBSTOR root=2147483650 options=0 "
                                  "access=983103",
                                  "set Start type=4 size=4", "close"}));
}

TEST(WriteStartValue, ReportsEachFailingStep)
{
    struct Case {
        long open, set, close;
        lock::WriteResult result;
        long long stored;
    };
    for (const Case c : {Case{5, 0, 0, lock::WriteResult::open_failed, 3},
                         Case{0, 5, 0, lock::WriteResult::set_failed, 3},
                         Case{0, 0, 6, lock::WriteResult::close_failed, 4}}) {
        fakes::FakeRegistry registry;
        registry.set_dword(lock::USBSTOR_KEY, "Start", 3);
        registry.open_status = c.open;
        registry.set_status = c.set;
        registry.close_status = c.close;
        EXPECT_EQ(lock::write_start_value(registry, 4), c.result);
        EXPECT_EQ(registry.dword(lock::USBSTOR_KEY, "Start"), c.stored);
        EXPECT_TRUE(registry.open_handles.empty());
    }
}

} // namespace
