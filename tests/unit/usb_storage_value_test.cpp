#include <gtest/gtest.h>

#include <algorithm>

#include "fake_platform.h"
#include "row_names.h"
#include "lock/usb_storage_value.h"

namespace {

constexpr auto STATE_LOCKED = lock::LockState::locked;
constexpr auto STATE_UNLOCKED = lock::LockState::unlocked;

constexpr auto DWORD = platform::ValueType::dword;

struct BytesCase {
    const char* what;
    platform::ValueType type;
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
    testing::Values(BytesCase{"0", DWORD, {0, 0, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"1", DWORD, {1, 0, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"2", DWORD, {2, 0, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"3", DWORD, {3, 0, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"4", DWORD, {4, 0, 0, 0}, STATE_LOCKED},
                    BytesCase{"5", DWORD, {5, 0, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"6", DWORD, {6, 0, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"7", DWORD, {7, 0, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"8", DWORD, {8, 0, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"9", DWORD, {9, 0, 0, 0}, STATE_UNLOCKED},
                    // "0", "04", then "040": the 4 seen on the way counts.
                    BytesCase{"0x0400", DWORD, {0, 4, 0, 0}, STATE_LOCKED},
                    // Last byte 4 is kept: "4" then "40", "400", "4000".
                    BytesCase{"0x04000000", DWORD, {0, 0, 0, 4}, STATE_LOCKED},
                    // "0", "00", "0043": 43 is neither.
                    BytesCase{"0x43", DWORD, {0x43, 0, 0, 0}, STATE_UNLOCKED},
                    // A hex letter makes the text no number: unlocked.
                    BytesCase{"0x040A", DWORD, {0x0A, 4, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"0x0B", DWORD, {0x0B, 0, 0, 0}, STATE_UNLOCKED},
                    BytesCase{"zero length", DWORD, {}, STATE_UNLOCKED},
                    BytesCase{"one zero byte", DWORD, {0}, STATE_UNLOCKED},
                    BytesCase{"one byte 4", DWORD, {4}, STATE_LOCKED},
                    BytesCase{"two bytes 4 0", DWORD, {4, 0}, STATE_LOCKED},
                    BytesCase{"string \"4\"", platform::ValueType::string, {'4', 0}, STATE_UNLOCKED},
                    BytesCase{"expandable string \"4\"", platform::ValueType::expandable_string, {'4', 0},
                              STATE_UNLOCKED},
                    BytesCase{"binary 04", platform::ValueType::other, {4, 0, 0, 0}, STATE_UNLOCKED}),
    testing_support::RowName{});

class ReadLockState : public testing::Test {
protected:
    fakes::FakeRegistry registry;
};

TEST_F(ReadLockState, ReadsTheStartValueOfTheUsbstorKey)
{
    registry.set_dword(lock::USBSTOR_KEY, "Start", 4);
    EXPECT_EQ(lock::read_lock_state(registry), STATE_LOCKED);
    EXPECT_EQ(registry.calls,
              (std::vector<std::string>{"read SYSTEM\\CurrentControlSet\\Services\\USBSTOR Start"}));
}

TEST_F(ReadLockState, FailsWhenTheKeyIsMissing)
{
    EXPECT_EQ(lock::read_lock_state(registry), std::nullopt);
    EXPECT_EQ(registry.calls.size(), 1u);
}

TEST_F(ReadLockState, FailsWhenTheValueIsMissing)
{
    registry.keys[lock::USBSTOR_KEY]["Other"] = {};
    EXPECT_EQ(lock::read_lock_state(registry), std::nullopt);
}

TEST_F(ReadLockState, AStringValueReadsAsUnlocked)
{
    registry.keys[lock::USBSTOR_KEY]["Start"] = {platform::ValueType::string, {'4', 0}};
    EXPECT_EQ(lock::read_lock_state(registry), STATE_UNLOCKED);
}

struct ValueRoom {
    const char* name;
    std::size_t value_size;
    bool read;
};

class FakeRegistryRead : public testing::TestWithParam<ValueRoom> {};

// The fake reads as the Win32 layer does: no more than the room a read has.
TEST_P(FakeRegistryRead, TakesOnlyWhatFits)
{
    const auto& c = GetParam();
    fakes::FakeRegistry registry;
    registry.keys["K"]["V"] = {platform::ValueType::other, std::vector<std::uint8_t>(c.value_size, 0xAB)};
    const auto read = registry.read_value("K", "V");
    ASSERT_EQ(read.succeeded(), c.read);
    if (c.read) {
        EXPECT_EQ(read.value().type, platform::ValueType::other);
        EXPECT_EQ(read.value().bytes, std::vector<std::uint8_t>(c.value_size, 0xAB));
    } else {
        EXPECT_EQ(read.error().step, platform::RegistryStep::read);
        EXPECT_EQ(read.error().status, 234); // ERROR_MORE_DATA
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, FakeRegistryRead,
                         testing::Values(ValueRoom{"Fits", 4, true}, ValueRoom{"FillsTheRoom", 1024, true},
                                         ValueRoom{"OneByteTooMany", 1025, false},
                                         ValueRoom{"TwoThousandBytes", 2000, false}),
                         [](const testing::TestParamInfo<ValueRoom>& info) { return info.param.name; });

TEST_F(ReadLockState, AValueLargerThanTheRoomFails)
{
    registry.keys[lock::USBSTOR_KEY]["Start"] = {DWORD, std::vector<std::uint8_t>(2000, 4)};
    EXPECT_EQ(lock::read_lock_state(registry), std::nullopt);
}

TEST(WriteStartValue, WritesADword)
{
    fakes::FakeRegistry registry;
    registry.set_dword(lock::USBSTOR_KEY, "Start", 3);
    EXPECT_TRUE(lock::write_start_value(registry, 4).succeeded());
    EXPECT_EQ(registry.keys[lock::USBSTOR_KEY]["Start"].type, DWORD);
    EXPECT_EQ(registry.keys[lock::USBSTOR_KEY]["Start"].bytes, (std::vector<std::uint8_t>{4, 0, 0, 0}));
    EXPECT_EQ(registry.calls,
              (std::vector<std::string>{"set SYSTEM\\CurrentControlSet\\Services\\USBSTOR Start 4"}));
}

TEST(WriteStartValue, ReportsEachFailingStepWithItsStatus)
{
    struct Case {
        long open, set, close;
        platform::RegistryStep step;
        long status;
        long long stored;
    };
    for (const Case c : {Case{5, 0, 0, platform::RegistryStep::open, 5, 3},
                         Case{0, 5, 0, platform::RegistryStep::write, 5, 3},
                         Case{0, 0, 6, platform::RegistryStep::close, 6, 4}}) {
        fakes::FakeRegistry registry;
        registry.set_dword(lock::USBSTOR_KEY, "Start", 3);
        registry.open_status = c.open;
        registry.set_status = c.set;
        registry.close_status = c.close;
        const auto written = lock::write_start_value(registry, 4);
        ASSERT_FALSE(written.succeeded());
        EXPECT_EQ(written.error().step, c.step);
        EXPECT_EQ(written.error().status, c.status);
        EXPECT_EQ(registry.dword(lock::USBSTOR_KEY, "Start"), c.stored);
    }
}

} // namespace
