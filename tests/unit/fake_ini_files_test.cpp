// The fake INI reader answers as the Win32 one (GetPrivateProfileStringA
// through its buffer) does at its edges.
#include <gtest/gtest.h>

#include "fake_platform.h"

namespace {

class FakeIniFiles : public testing::Test {
protected:
    fakes::FakeFileSystem disk;
    fakes::FakeIniFiles ini{disk};

    std::string read(const std::string& section, const std::string& key, const std::string& path = "C:\\v.ini")
    {
        return ini.value(path, section, key);
    }
};

TEST_F(FakeIniFiles, FindsKeysInTheirSectionInAnyCaseAndTrimsValues)
{
    disk.files["C:\\v.ini"] = "[A]\r\nVersion=1\r\n[Varnhollow]\nversion =  2.5 \r\n  Infos=\"quoted\"\r\n";
    EXPECT_EQ(read("VARNHOLLOW", "Version"), "2.5");
    EXPECT_EQ(read("a", "VERSION"), "1");
    EXPECT_EQ(read("Varnhollow", "Infos"), "quoted");
}

TEST_F(FakeIniFiles, GivesAnEmptyTextForAMissingFileSectionOrKey)
{
    disk.files["C:\\v.ini"] = "[A]\r\nVersion=1\r\n";
    EXPECT_EQ(read("A", "URL"), "");
    EXPECT_EQ(read("B", "Version"), "");
    EXPECT_EQ(read("A", "Version", "C:\\missing.ini"), "");
}

TEST_F(FakeIniFiles, CutsALongValueToTheLongestReadableOne)
{
    disk.files["C:\\v.ini"] = "[A]\r\nInfos=" + std::string(300, 'x') + "\r\nExact=" + std::string(254, 'y') + "\r\n";
    EXPECT_EQ(read("A", "Infos"), std::string(254, 'x'));
    EXPECT_EQ(read("A", "Exact"), std::string(254, 'y'));
    EXPECT_EQ(platform::LONGEST_INI_VALUE, 254u);
}

} // namespace
