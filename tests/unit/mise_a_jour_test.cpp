#include "update/mise_a_jour.h"

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "main_window_fixture.h"
#include "shell/maker.h"

namespace {

using platform::BoxIcon;
using platform::Buttons;

const std::string ADDRESS = std::string("http://") + shell::MAKER_HOST + "/download/versions.txt";
const std::string TEMPO = "C:\\Program Files\\Varnhollow\\Tempo.net";
const std::string FAILURE = "Aucune information disponible. R\xe9-essayer ult\xe9rieurement.";
const std::string NO_NEW_VERSION = "Aucune nouvelle version n'est disponible.";
const std::string NOT_CONNECTED = "Vous n'\xeates pas connect\xe9 \xe0 internet, v\xe9rification impossible.";

// A versions file as the maker publishes it: another product first, then ours.
std::string versions_file(const std::string& ours)
{
    return "[Autre]\r\nVersion=9.9\r\nInfos=Pas pour nous\r\nURL=http://autre.example/\r\n\r\n[Varnhollow]\r\n" + ours;
}

std::string section(const std::string& version, const std::string& infos, const std::string& url)
{
    return "Version=" + version + "\r\nInfos=" + infos + "\r\nURL=" + url + "\r\n";
}

std::string offer(const std::string& current, const std::string& published, const std::string& infos)
{
    return "Vous disposez actuellement de la version : " + current +
           "\r\n\r\nUne nouvelle version du logiciel est disponible :\r\nIl s'agit de la version " + published +
           "\r\n\r\nLes nouveaut\xe9s de cette version :\r\n" + infos +
           "\r\n\r\nSouhaitez-vous t\xe9l\xe9" "charger cette nouvelle version ?";
}

// The check driven from the tray menu, as the user starts it.
class UpdateCheck : public fakes::MainWindowFixture {
protected:
    void SetUp() override { start_with(3); }

    void publish(const std::string& ours) { p.internet.served[ADDRESS] = versions_file(ours); }
    void check() { choose("MNU_Update"); }

    void expect_only_box(const std::string& text, Buttons buttons, BoxIcon icon)
    {
        ASSERT_EQ(p.boxes.shown.size(), 1u);
        EXPECT_EQ(p.boxes.shown[0].text, text);
        EXPECT_EQ(p.boxes.shown[0].buttons, buttons);
        EXPECT_EQ(p.boxes.shown[0].icon, icon);
    }
    void expect_no_temporary_file() { EXPECT_EQ(p.file_system.files.count(TEMPO), 0u); }
};

TEST_F(UpdateCheck, DownloadsTheMakersVersionsFileFreshIntoTheProgramDirectory)
{
    publish(section("1.4", "", ""));
    check();
    EXPECT_EQ(p.internet.connection_tests, std::vector<std::uint32_t>{0});
    ASSERT_EQ(p.internet.downloads.size(), 1u);
    EXPECT_EQ(p.internet.downloads[0].url, "http://www.varnhollow.example/download/versions.txt");
    EXPECT_EQ(p.internet.downloads[0].path, TEMPO);
    EXPECT_EQ(p.internet.downloads[0].reserved, 0x10u);
    EXPECT_EQ(p.file_system.deletions, std::vector<std::string>{TEMPO});
    expect_no_temporary_file();
    expect_only_box(NO_NEW_VERSION, Buttons::ok, BoxIcon::warning);
}

TEST_F(UpdateCheck, TheMenuCommandSetsTheThreePropertiesInOrderBeforeEachCheck)
{
    std::vector<std::string> changed;
    form.MiseAjour1.on_property_changed = [&](const std::string& name) { changed.push_back(name); };
    form.MiseAjour1.set_Version("0.1");
    publish(section("1.4", "", ""));
    check();
    EXPECT_EQ(changed, (std::vector<std::string>{"Version", "Adresse", "Logiciel", "Version"}));
    EXPECT_EQ(form.MiseAjour1.Adresse(), ADDRESS);
    EXPECT_EQ(form.MiseAjour1.Logiciel(), "Varnhollow");
    EXPECT_EQ(form.MiseAjour1.Version(), "1.4");
    expect_only_box(NO_NEW_VERSION, Buttons::ok, BoxIcon::warning);
}

TEST_F(UpdateCheck, OfferShowsTheNineLinesByteForByteAndYesOpensTheAddress)
{
    publish(section("1.5", "Nouvelle cl\xe9 de s\xe9" "curit\xe9", "http://www.varnhollow.example/download/v15.zip"));
    p.boxes.answers = {platform::ANSWER_YES};
    check();
    expect_only_box(offer("1.4", "1.5", "Nouvelle cl\xe9 de s\xe9" "curit\xe9"), Buttons::yes_no, BoxIcon::question);
    expect_no_temporary_file();
    ASSERT_EQ(p.shell.calls.size(), 1u);
    const auto& call = p.shell.calls[0];
    EXPECT_NE(call.owner, 0u);
    EXPECT_EQ(call.owner, form.MiseAjour1.window_handle);
    EXPECT_EQ(call.operation, "");
    EXPECT_EQ(call.file, "http://www.varnhollow.example/download/v15.zip");
    EXPECT_EQ(call.parameters, "");
    EXPECT_EQ(call.directory, "");
    EXPECT_EQ(call.show, 1);
}

TEST_F(UpdateCheck, NoToTheOfferOpensNothing)
{
    publish(section("2.0", "x", "http://www.varnhollow.example/"));
    p.boxes.answers = {platform::ANSWER_NO};
    check();
    EXPECT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_TRUE(p.shell.calls.empty());
}

TEST_F(UpdateCheck, LongNewsIsCutTo254Characters)
{
    const std::string news(254, 'n');
    publish(section("1.5", news + "XYZ" + std::string(43, 'z'), "http://x.example/"));
    check();
    expect_only_box(offer("1.4", "1.5", news), Buttons::yes_no, BoxIcon::question);
}

TEST_F(UpdateCheck, MissingNewsLeavesTheSeventhLineEmpty)
{
    publish("Version=1.5\r\nURL=http://x.example/\r\n");
    check();
    expect_only_box(offer("1.4", "1.5", ""), Buttons::yes_no, BoxIcon::question);
}

TEST_F(UpdateCheck, NoConnectionSaysSoAndDownloadsNothing)
{
    p.internet.connected = false;
    publish(section("1.5", "", ""));
    check();
    expect_only_box(NOT_CONNECTED, Buttons::ok, BoxIcon::error);
    EXPECT_TRUE(p.internet.downloads.empty());
    EXPECT_TRUE(p.file_system.deletions.empty());
}

TEST_F(UpdateCheck, FailedDownloadIsNoticedByTheMissingFile)
{
    check(); // nothing published: the server does not answer
    ASSERT_EQ(p.internet.downloads.size(), 1u);
    EXPECT_EQ(p.file_system.deletions, std::vector<std::string>{TEMPO});
    expect_only_box(FAILURE, Buttons::ok, BoxIcon::error);
    EXPECT_TRUE(p.shell.calls.empty());
}

TEST_F(UpdateCheck, ALeftOverFileIsReplacedByTheDownload)
{
    p.file_system.files[TEMPO] = "[Varnhollow]\r\nVersion=9.9\r\n";
    publish(section("1.4", "", ""));
    check();
    expect_only_box(NO_NEW_VERSION, Buttons::ok, BoxIcon::warning);
    expect_no_temporary_file();
}

TEST_F(UpdateCheck, AFileThatCannotBeDeletedStaysAndFails)
{
    p.file_system.deletion_denied = true;
    publish(section("1.5", "", "http://x.example/"));
    check();
    expect_only_box(FAILURE, Buttons::ok, BoxIcon::error);
    EXPECT_EQ(p.file_system.files.count(TEMPO), 1u);
}

struct BadFile {
    const char* name;
    std::string content;
};

class UpdateCheckBadFile : public UpdateCheck, public testing::WithParamInterface<BadFile> {};

TEST_P(UpdateCheckBadFile, FailsAndLeavesNoTemporaryFile)
{
    p.internet.served[ADDRESS] = GetParam().content;
    check();
    expect_only_box(FAILURE, Buttons::ok, BoxIcon::error);
    expect_no_temporary_file();
    EXPECT_TRUE(p.shell.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, UpdateCheckBadFile,
    testing::Values(BadFile{"MissingSection", "[Autre]\r\nVersion=9.9\r\n"},
                    BadFile{"EmptyVersion", versions_file(section("", "x", "http://x.example/"))},
                    BadFile{"MissingVersion", versions_file("Infos=x\r\nURL=http://x.example/\r\n")},
                    BadFile{"ErrorPage", "<html><body>404 Not Found</body></html>"},
                    BadFile{"EmptyFile", ""}),
    [](const testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

// The comparison of the current and the published version, on the control
// alone.
enum class Outcome { offer, no_new_version, failure };

struct Comparison {
    const char* name;
    const char* current;
    const char* published; // as written in the versions file
    Outcome outcome;
};

class Comparisons : public testing::TestWithParam<Comparison> {
protected:
    fakes::FakePlatform p;
    update::MiseAjour control{"MiseAjour1", p.services};
};

TEST_P(Comparisons, DecideTheOutcome)
{
    const Comparison& c = GetParam();
    control.set_Adresse(ADDRESS);
    control.set_Logiciel("Varnhollow");
    control.set_Version(c.current);
    p.internet.served[ADDRESS] = versions_file(section(c.published, "x", "http://x.example/"));
    control.Verifier();

    ASSERT_EQ(p.boxes.shown.size(), 1u);
    const auto& box = p.boxes.shown[0];
    switch (c.outcome) {
    case Outcome::offer: {
        // The published text as read (the INI reader drops the quotes), blanks and dots kept.
        std::string shown = c.published;
        if (shown.size() >= 2 && shown.front() == '"')
            shown = shown.substr(1, shown.size() - 2);
        EXPECT_EQ(box.icon, BoxIcon::question);
        EXPECT_NE(box.text.find("\r\nIl s'agit de la version " + shown + "\r\n"), std::string::npos) << box.text;
        break;
    }
    case Outcome::no_new_version: EXPECT_EQ(box.text, NO_NEW_VERSION); break;
    case Outcome::failure:
        EXPECT_EQ(box.text, FAILURE);
        EXPECT_EQ(box.icon, BoxIcon::error);
        break;
    }
    EXPECT_TRUE(p.file_system.files.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Versions, Comparisons,
    testing::Values(Comparison{"Newer", "1.4", "1.5", Outcome::offer},
                    Comparison{"Same", "1.4", "1.4", Outcome::no_new_version},
                    Comparison{"TwoDigitMinor", "1.4", "1.10", Outcome::offer},
                    Comparison{"TrailingZero", "1.4", "1.40", Outcome::offer},
                    // Whole numbers: 139 is more than 14.
                    Comparison{"ThreeParts", "1.4", "1.3.9", Outcome::offer},
                    Comparison{"Older", "1.4", "0.9", Outcome::no_new_version},
                    Comparison{"PublishedOutOfRange", "1.4", "3.2.7.6.8", Outcome::failure},
                    Comparison{"PublishedWithBlanks", "1.4", "\" 15 \"", Outcome::offer},
                    Comparison{"CurrentWithBlanks", " 15 ", "1.5", Outcome::no_new_version},
                    Comparison{"PublishedEmpty", "1.4", "", Outcome::failure},
                    Comparison{"PublishedNotANumber", "1.4", "abc", Outcome::failure},
                    Comparison{"CurrentEmpty", "", "1.5", Outcome::failure},
                    Comparison{"CurrentNotANumber", "abc", "1.5", Outcome::failure}),
    [](const testing::TestParamInfo<Comparison>& info) { return std::string(info.param.name); });

// Only web addresses reach the shell; anything else fails after the Yes.
struct Address {
    const char* name;
    const char* url;
    bool opened;
};

class DownloadAddress : public UpdateCheck, public testing::WithParamInterface<Address> {};

TEST_P(DownloadAddress, IsOpenedOnlyWhenItIsAWebAddress)
{
    publish(section("1.5", "x", GetParam().url));
    p.boxes.answers = {platform::ANSWER_YES};
    check();
    ASSERT_GE(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.shown[0].buttons, Buttons::yes_no);
    if (GetParam().opened) {
        EXPECT_EQ(p.boxes.shown.size(), 1u);
        ASSERT_EQ(p.shell.calls.size(), 1u);
        EXPECT_EQ(p.shell.calls[0].file, GetParam().url);
    } else {
        EXPECT_TRUE(p.shell.calls.empty());
        ASSERT_EQ(p.boxes.shown.size(), 2u);
        EXPECT_EQ(p.boxes.shown[1].text, FAILURE);
        EXPECT_EQ(p.boxes.shown[1].icon, BoxIcon::error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Urls, DownloadAddress,
    testing::Values(Address{"Http", "http://www.varnhollow.example/v15.zip", true},
                    Address{"Https", "https://www.varnhollow.example/v15.zip", true},
                    Address{"UpperCaseScheme", "HTTP://www.varnhollow.example/", true},
                    Address{"MixedCaseScheme", "hTtPs://www.varnhollow.example/", true},
                    Address{"Empty", "", false},
                    Address{"LocalProgram", "C:\\WINDOWS\\system32\\cmd.exe", false},
                    Address{"UncPath", "\\\\server\\share\\setup.exe", false},
                    Address{"FileScheme", "file:///C:/WINDOWS/system32/cmd.exe", false},
                    Address{"OtherScheme", "ftp://www.varnhollow.example/v15.zip", false},
                    Address{"SchemeWithoutSlashes", "http:cmd.exe", false},
                    Address{"LookAlikeScheme", "httpx://www.varnhollow.example/", false}),
    [](const testing::TestParamInfo<Address>& info) { return std::string(info.param.name); });

class UpdateControl : public testing::Test {
protected:
    fakes::FakePlatform p;
    update::MiseAjour control{"MiseAjour1", p.services};
};

TEST_F(UpdateControl, PropertiesStartEmptyAndEachSetterNamesItsProperty)
{
    EXPECT_EQ(control.Adresse(), "");
    EXPECT_EQ(control.Logiciel(), "");
    EXPECT_EQ(control.Version(), "");
    std::vector<std::string> changed;
    control.on_property_changed = [&](const std::string& name) { changed.push_back(name); };
    control.set_Logiciel("L");
    control.set_Adresse("A");
    control.set_Version("V");
    EXPECT_EQ(changed, (std::vector<std::string>{"Logiciel", "Adresse", "Version"}));
    EXPECT_EQ(control.Adresse(), "A");
    EXPECT_EQ(control.Logiciel(), "L");
    EXPECT_EQ(control.Version(), "V");
}

TEST_F(UpdateControl, AlwaysSpringsBackToTheImagesSize)
{
    for (const auto& [width, height] : {std::pair{0, 0}, {1000, 50}, {480, 2000}, {-15, 480}}) {
        control.resize(width, height);
        EXPECT_EQ(control.width_twips(), 480) << width << "x" << height;
        EXPECT_EQ(control.height_twips(), 480) << width << "x" << height;
    }
}

TEST_F(UpdateControl, LoadingReadsTheStoredPropertiesEachEmptyWhenAbsent)
{
    control.set_Adresse("old");
    control.set_Version("old");
    control.stored_properties = {{"Logiciel", "Varnhollow"}, {"Autre", "x"}};
    control.load_stored();
    EXPECT_EQ(control.Adresse(), "");
    EXPECT_EQ(control.Logiciel(), "Varnhollow");
    EXPECT_EQ(control.Version(), "");
    EXPECT_EQ(control.width_twips(), 480);
}

TEST_F(UpdateCheck, TheMainWindowHoldsTheControlWithItsGlobeAtItsSize)
{
    EXPECT_EQ(form.MiseAjour1.name(), "MiseAjour1");
    EXPECT_NE(form.MiseAjour1.window_handle, 0u);
    EXPECT_EQ(form.MiseAjour1.width_twips(), 480);
    EXPECT_EQ(form.MiseAjour1.height_twips(), 480);
    EXPECT_EQ(form.MiseAjour1.Image1.icon_resource(), IDI_GLOBE);
    EXPECT_EQ(form.MiseAjour1.Adresse(), "");
}

} // namespace
