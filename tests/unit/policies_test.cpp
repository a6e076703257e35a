#include <gtest/gtest.h>

#include "fake_platform.h"
#include "lock/policies.h"
#include "row_names.h"

namespace {

using platform::RegistryValue;
using platform::ValueType;

RegistryValue dword(std::uint32_t number)
{
    return {ValueType::dword,
            {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
             static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
}

RegistryValue text(const std::string& characters)
{
    RegistryValue value{ValueType::string, {characters.begin(), characters.end()}};
    value.bytes.push_back(0);
    return value;
}

lock::Policies relock_after(std::uint32_t minutes)
{
    return {.relock_minutes = minutes};
}

struct PolicyRow {
    const char* name;
    const char* value_name;
    RegistryValue stored;
    lock::Policies expected;
};

class PolicyValue : public testing::TestWithParam<PolicyRow> {};

// One value in the policies key; every other policy absent.
TEST_P(PolicyValue, CountsOnlyADwordOfItsRange)
{
    fakes::FakeRegistry registry;
    registry.keys[lock::POLICIES_KEY][GetParam().value_name] = GetParam().stored;
    EXPECT_EQ(lock::read_policies(registry), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PolicyValue,
    testing::Values(
        PolicyRow{"relock after 30 minutes", "RelockMinutes", dword(30), relock_after(30)},
        PolicyRow{"relock after 1 minute", "RelockMinutes", dword(1), relock_after(1)},
        PolicyRow{"relock 0 means never", "RelockMinutes", dword(0), {}},
        PolicyRow{"relock after a day, the longest", "RelockMinutes", dword(1440), relock_after(1440)},
        PolicyRow{"relock a minute past a day is absent", "RelockMinutes", dword(1441), {}},
        PolicyRow{"relock of the largest DWORD is absent", "RelockMinutes", dword(0xFFFFFFFF), {}},
        PolicyRow{"relock as a string is absent", "RelockMinutes", text("30"), {}},
        PolicyRow{"relock as an expandable string is absent", "RelockMinutes",
                  {ValueType::expandable_string, {'3', '0', 0}}, {}},
        PolicyRow{"relock as binary is absent", "RelockMinutes", {ValueType::other, {30, 0, 0, 0}}, {}},
        PolicyRow{"relock of 2 bytes is absent", "RelockMinutes", {ValueType::dword, {30, 0}}, {}},
        PolicyRow{"relock of 8 bytes is absent", "RelockMinutes", {ValueType::dword, {30, 0, 0, 0, 0, 0, 0, 0}}, {}},
        PolicyRow{"relock of no bytes is absent", "RelockMinutes", {ValueType::dword, {}}, {}},
        PolicyRow{"relock at startup 1", "RelockAtStartup", dword(1), {.relock_at_startup = true}},
        PolicyRow{"relock at startup 0", "RelockAtStartup", dword(0), {}},
        PolicyRow{"relock at startup 2 is absent", "RelockAtStartup", dword(2), {}},
        PolicyRow{"relock at startup as a string is absent", "RelockAtStartup", text("1"), {}},
        PolicyRow{"no update check 1", "NoUpdateCheck", dword(1), {.no_update_check = true}},
        PolicyRow{"no update check 0", "NoUpdateCheck", dword(0), {}},
        PolicyRow{"no update check 256 is absent", "NoUpdateCheck", dword(256), {}},
        PolicyRow{"no update check of 1 byte is absent", "NoUpdateCheck", {ValueType::dword, {1}}, {}},
        PolicyRow{"no update check as binary is absent", "NoUpdateCheck", {ValueType::other, {1, 0, 0, 0}}, {}},
        PolicyRow{"no email 1", "NoEmail", dword(1), {.no_email = true}},
        PolicyRow{"no email 0", "NoEmail", dword(0), {}},
        PolicyRow{"no email of the largest DWORD is absent", "NoEmail", dword(0xFFFFFFFF), {}},
        PolicyRow{"no email as a string is absent", "NoEmail", text("1"), {}},
        PolicyRow{"a value of another name is no policy", "NoUpdate", dword(1), {}}),
    testing_support::RowName{});

TEST(Policies, AllFourTogether)
{
    fakes::FakeRegistry registry;
    registry.set_dword(lock::POLICIES_KEY, "RelockMinutes", 15);
    registry.set_dword(lock::POLICIES_KEY, "RelockAtStartup", 1);
    registry.set_dword(lock::POLICIES_KEY, "NoUpdateCheck", 1);
    registry.set_dword(lock::POLICIES_KEY, "NoEmail", 1);
    EXPECT_EQ(lock::read_policies(registry),
              (lock::Policies{.relock_minutes = 15, .relock_at_startup = true, .no_update_check = true, .no_email = true}));
}

// No key (no policy was ever set), or a key that cannot be read: no policy.
TEST(Policies, AKeyThatCannotBeReadHoldsNone)
{
    fakes::FakeRegistry registry;
    EXPECT_EQ(lock::read_policies(registry), lock::Policies{});
    registry.set_dword(lock::POLICIES_KEY, "NoEmail", 1);
    registry.open_status = 5; // access denied
    EXPECT_EQ(lock::read_policies(registry), lock::Policies{});
}

TEST(Policies, AreOnlyReadFromThePoliciesKey)
{
    fakes::FakeRegistry registry;
    lock::read_policies(registry);
    EXPECT_EQ(registry.calls, (std::vector<std::string>{"read SOFTWARE\\Policies\\Varnhollow RelockMinutes",
                                                         "read SOFTWARE\\Policies\\Varnhollow RelockAtStartup",
                                                         "read SOFTWARE\\Policies\\Varnhollow NoUpdateCheck",
                                                         "read SOFTWARE\\Policies\\Varnhollow NoEmail"}));
}

} // namespace
