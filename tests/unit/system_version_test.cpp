#include <gtest/gtest.h>

#include "fake_platform.h"
#include "shell/system_version.h"

namespace {

struct Row {
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
                         testing::Values(Row{1, 4, 0, 950, 0, false},       // Windows 95
                                         Row{1, 4, 0, 1111, 1, false},      // Windows 95 OSR2
                                         Row{1, 4, 10, 1998, 2, false},     // Windows 98
                                         Row{1, 4, 10, 2222, 3, false},     // Windows 98 SE
                                         Row{1, 4, 90, 3000, 4, false},     // Windows Me
                                         Row{1, 5, 11, 0, 4, false},        // 4 or more, more than 10
                                         Row{1, 4, 5, 0, 0, false},         // unknown 9x
                                         Row{2, 3, 0, 0, 5, false},         // NT 3.0
                                         Row{2, 3, 1, 0, 6, false},         // NT 3.1
                                         Row{2, 3, 5, 0, 7, false},         // NT 3.5
                                         Row{2, 3, 51, 0, 0, false},        // NT 3.51: no row
                                         Row{2, 4, 0, 1381, 8, false},      // NT 4.0
                                         Row{2, 5, 0, 2195, 9, true},       // Windows 2000
                                         Row{2, 5, 1, 2600, 10, true},      // Windows XP
                                         Row{2, 5, 2, 3790, 0, true},       // Server 2003
                                         Row{2, 6, 0, 6000, 0, false},      // Vista
                                         Row{2, 6, 1, 7601, 0, false},      // Windows 7
                                         Row{2, 6, 2, 9200, 0, false},      // Windows 8: minor 2 as 2003
                                         Row{2, 10, 0, 19045, 0, false},    // Windows 10
                                         Row{0, 5, 1, 2600, 0, false},      // Win32s
                                         Row{3, 5, 1, 2600, 0, false},      // CE
                                         Row{0, 0, 0, 0, 0, false}));       // GetVersionExA failed

} // namespace
