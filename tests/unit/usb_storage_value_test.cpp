#include <gtest/gtest.h>

#include "fake_platform.h"
#include "lock/usb_storage_value.h"

namespace {

using lock::STATE_LOCKED;
using lock::STATE_UNLOCKED;

struct BytesCase {
    const char* what;
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
    int state;
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
                    BytesCase{"binary 04", 3, {4, 0, 0, 0}, STATE_UNLOCKED}));

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
