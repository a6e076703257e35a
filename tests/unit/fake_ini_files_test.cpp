// The fake INI reader answers as GetPrivateProfileStringA does at its edges.
#include <gtest/gtest.h>

#include "fake_platform.h"

namespace {

class FakeIniFiles : public testing::Test {
protected:
    fakes::FakeFileSystem disk;
    fakes::FakeIniFiles ini{disk};

    std::pair<std::uint32_t, std::string> read(const std::string& section, const std::string& key,
                                               std::uint32_t size = 255, const std::string& path = "C:\\v.ini")
    {
        std::string buffer(size + 1, '#');
        const auto copied = ini.get_private_profile_string(section, key, "def", buffer.data(), size, path);
        EXPECT_EQ(buffer[copied], '\0');
        return {copied, buffer.substr(0, copied)};
    }
};

TEST_F(FakeIniFiles, FindsKeysInTheirSectionInAnyCaseAndTrimsValues)
{
    disk.files["C:\\v.ini"] = "[A]\r\nVersion=1\r\n[Varnhollow]\nversion =  2.5 \r\n  Infos=\"quoted\"\r\n";
    EXPECT_EQ(read("VARNHOLLOW", "Version"), std::pair(3u, std::string("2.5")));
    EXPECT_EQ(read("a", "VERSION"), std::pair(1u, std::string("1")));
    EXPECT_EQ(read("Varnhollow", "Infos"), std::pair(6u, std::string("quoted")));
}

TEST_F(FakeIniFiles, GivesTheDefaultForAMissingFileSectionOrKey)
{
    disk.files["C:\\v.ini"] = "[A]\r\nVersion=1\r\n";
    EXPECT_EQ(read("A", "URL"), std::pair(3u, std::string("def")));
    EXPECT_EQ(read("B", "Version"), std::pair(3u, std::string("def")));
    EXPECT_EQ(read("A", "Version", 255, "C:\\missing.ini"), std::pair(3u, std::string("def")));
}

TEST_F(FakeIniFiles, CutsALongValueToOneLessThanTheBuffer)
{
    disk.files["C:\\v.ini"] = "[A]\r\nInfos=" + std::string(300, 'x') + "\r\n";
    EXPECT_EQ(read("A", "Infos"), std::pair(254u, std::string(254, 'x')));
    EXPECT_EQ(read("A", "Infos", 1), std::pair(0u, std::string()));
}

} // namespace
