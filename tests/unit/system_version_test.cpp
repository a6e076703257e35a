#include <gtest/gtest.h>

#include "fake_platform.h"
#include "row_names.h"
#include "shell/system_version.h"

namespace {

constexpr auto NINE_X = platform::SystemFamily::windows_9x;
constexpr auto NT = platform::SystemFamily::windows_nt;
constexpr auto OTHER = platform::SystemFamily::other;

struct Row {
    const char* name;
    platform::SystemFamily family;
    std::uint32_t major, minor, build;
    std::int32_t code;
    bool supported;
};

class SystemVersion : public testing::TestWithParam<Row> {};

TEST_P(SystemVersion, ClassifiesAndDecides)
{
    const Row row = GetParam();
    const platform::SystemVersion version{row.family, row.major, row.minor, row.build};
    const auto code = shell::classify_system(version);
    EXPECT_EQ(code, row.code);
    EXPECT_EQ(shell::system_supported(code, version), row.supported);
}

INSTANTIATE_TEST_SUITE_P(EveryRow, SystemVersion,
                         testing::Values(Row{"Windows 95", NINE_X, 4, 0, 950, 0, false},
                                         Row{"Windows 95 OSR2", NINE_X, 4, 0, 1111, 1, false},
                                         Row{"Windows 98", NINE_X, 4, 10, 1998, 2, false},
                                         Row{"Windows 98 SE", NINE_X, 4, 10, 2222, 3, false},
                                         Row{"Windows Me", NINE_X, 4, 90, 3000, 4, false},
                                         Row{"4 or more, more than 10", NINE_X, 5, 11, 0, 4, false},
                                         Row{"unknown 9x", NINE_X, 4, 5, 0, 0, false},
                                         Row{"NT 3.0", NT, 3, 0, 0, 5, false},
                                         Row{"NT 3.1", NT, 3, 1, 0, 6, false},
                                         Row{"NT 3.5", NT, 3, 5, 0, 7, false},
                                         Row{"NT 3.51: no row", NT, 3, 51, 0, 0, false},
                                         Row{"NT 4.0", NT, 4, 0, 1381, 8, false},
                                         Row{"Windows 2000", NT, 5, 0, 2195, 9, true},
                                         Row{"Windows XP", NT, 5, 1, 2600, 10, true},
                                         Row{"Server 2003", NT, 5, 2, 3790, 0, true},
                                         Row{"Vista", NT, 6, 0, 6000, 0, false},
                                         Row{"Windows 7", NT, 6, 1, 7601, 0, false},
                                         Row{"Windows 8: minor 2 as 2003", NT, 6, 2, 9200, 0, false},
                                         Row{"Windows 10", NT, 10, 0, 19045, 0, false},
                                         Row{"Win32s", OTHER, 5, 1, 2600, 0, false},
                                         Row{"CE", OTHER, 5, 1, 2600, 0, false},
                                         Row{"no version", OTHER, 0, 0, 0, 0, false}),
                         testing_support::RowName{});

} // namespace
