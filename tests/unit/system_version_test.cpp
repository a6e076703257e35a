#include <gtest/gtest.h>

#include "fake_platform.h"
#include "row_names.h"
#include "shell/system_version.h"

namespace {

struct Row {
    const char* name;
    std::uint32_t platform_id, major, minor, build;
    std::int32_t code;
    bool supported;
};

class SystemVersion : public testing::TestWithParam<Row> {};

TEST_P(SystemVersion, ClassifiesAndDecides)
{
    const Row row = GetParam();
    platform::VersionRecord record;
    record.platform_id = row.platform_id;
    record.major = row.major;
    record.minor = row.minor;
    record.build = row.build;
    const auto code = shell::classify_system(record);
    EXPECT_EQ(code, row.code);
    EXPECT_EQ(shell::system_supported(code, record), row.supported);
}

INSTANTIATE_TEST_SUITE_P(EveryRow, SystemVersion,
                         testing::Values(Row{"Windows 95", 1, 4, 0, 950, 0, false},
                                         Row{"Windows 95 OSR2", 1, 4, 0, 1111, 1, false},
                                         Row{"Windows 98", 1, 4, 10, 1998, 2, false},
                                         Row{"Windows 98 SE", 1, 4, 10, 2222, 3, false},
                                         Row{"Windows Me", 1, 4, 90, 3000, 4, false},
                                         Row{"4 or more, more than 10", 1, 5, 11, 0, 4, false},
                                         Row{"unknown 9x", 1, 4, 5, 0, 0, false},
                                         Row{"NT 3.0", 2, 3, 0, 0, 5, false},
                                         Row{"NT 3.1", 2, 3, 1, 0, 6, false},
                                         Row{"NT 3.5", 2, 3, 5, 0, 7, false},
                                         Row{"NT 3.51: no row", 2, 3, 51, 0, 0, false},
                                         Row{"NT 4.0", 2, 4, 0, 1381, 8, false},
                                         Row{"Windows 2000", 2, 5, 0, 2195, 9, true},
                                         Row{"Windows XP", 2, 5, 1, 2600, 10, true},
                                         Row{"Server 2003", 2, 5, 2, 3790, 0, true},
                                         Row{"Vista", 2, 6, 0, 6000, 0, false},
                                         Row{"Windows 7", 2, 6, 1, 7601, 0, false},
                                         Row{"Windows 8: minor 2 as 2003", 2, 6, 2, 9200, 0, false},
                                         Row{"Windows 10", 2, 10, 0, 19045, 0, false},
                                         Row{"Win32s", 0, 5, 1, 2600, 0, false},
                                         Row{"CE", 3, 5, 1, 2600, 0, false},
                                         Row{"GetVersionExA failed", 0, 0, 0, 0, 0, false}),
                         testing_support::RowName{});

} // namespace
