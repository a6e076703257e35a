#include <cctype>
#include <functional>

#include "audit/audit_trail.h"
#include "main_window_fixture.h"
#include "password/passwd.h"
#include "row_names.h"

namespace {

using Event = fakes::FakeEventLog::Event;
using platform::EventType;

const std::string USER = "POSTE-042\\mdurand";
const std::string ON = "activ\xE9";
const std::string OFF = "d\xE9sactiv\xE9";
const std::string PASSWORD_FILE = "C:\\WINDOWS\\system32\\PSTACK.DRV";
const std::string INVALID_DATA = "Donn\xE9" "es non valides.";

// --- each report: its type, number and inserts --------------------------------

struct Report {
    const char* name;
    std::function<void(audit::AuditTrail&)> act;
    Event expected;
};

class AuditTrailReport : public testing::TestWithParam<Report> {};

TEST_P(AuditTrailReport, WritesOneEventWithItsTypeNumberAndInserts)
{
    fakes::FakeEventLog log;
    log.user = USER;
    audit::AuditTrail trail(log);
    GetParam().act(trail);
    EXPECT_EQ(log.events, std::vector<Event>{GetParam().expected});
}

INSTANTIATE_TEST_SUITE_P(
    Events, AuditTrailReport,
    testing::Values(
        Report{"StartedLocked", [](audit::AuditTrail& t) { t.started("1.4", true); },
               {EventType::information, 0x40000064, {"1.4", USER, ON}}},
        Report{"StartedUnlocked", [](audit::AuditTrail& t) { t.started("1.4", false); },
               {EventType::information, 0x40000064, {"1.4", USER, OFF}}},
        Report{"StoppedLocked", [](audit::AuditTrail& t) { t.stopped(true); },
               {EventType::information, 0x40000065, {USER, ON}}},
        Report{"Locked", [](audit::AuditTrail& t) { t.locked(); }, {EventType::audit_success, 0x0000006E, {USER}}},
        Report{"Unlocked", [](audit::AuditTrail& t) { t.unlocked(); }, {EventType::audit_success, 0x0000006F, {USER}}},
        Report{"RelockedAfterTheDelay", [](audit::AuditTrail& t) { t.relocked(audit::RelockCause::delay_elapsed); },
               {EventType::audit_success, 0x0000007A,
                {USER, "d\xE9lai de la strat\xE9gie RelockMinutes \xE9" "coul\xE9"}}},
        Report{"RelockedAtStartup", [](audit::AuditTrail& t) { t.relocked(audit::RelockCause::startup); },
               {EventType::audit_success, 0x0000007A, {USER, "d\xE9marrage avec la strat\xE9gie RelockAtStartup"}}},
        Report{"WrongPassword", [](audit::AuditTrail& t) { t.wrong_password(); },
               {EventType::audit_failure, 0x80000070, {USER}}},
        Report{"WrongCurrentPassword", [](audit::AuditTrail& t) { t.wrong_current_password(); },
               {EventType::audit_failure, 0x80000077, {USER}}},
        Report{"TooManyTries", [](audit::AuditTrail& t) { t.too_many_tries(); },
               {EventType::warning, 0x80000078, {USER}}},
        Report{"PasswordSetByATool", [](audit::AuditTrail& t) { t.password_set("vhpasswd"); },
               {EventType::audit_success, 0x00000076, {USER, "vhpasswd"}}},
        Report{"PasswordChanged", [](audit::AuditTrail& t) { t.password_changed(); },
               {EventType::audit_success, 0x00000071, {USER}}},
        Report{"ChangedOutside", [](audit::AuditTrail& t) { t.changed_outside(false, "3"); },
               {EventType::warning, 0x80000072, {OFF, "3"}}},
        Report{"WriteFailedWithTheSystemsText", [](audit::AuditTrail& t) { t.write_failed(5); },
               {EventType::error, 0xC0000073, {USER, "Acc\xE8s refus\xE9."}}},
        Report{"DrivesEjectedJoinedByCommas",
               [](audit::AuditTrail& t) { t.drives_ejected({"Cl\xE9 USB (E:)", "Disque USB (F:)", "SANDISK (G:)"}); },
               {EventType::information, 0x40000074, {USER, "Cl\xE9 USB (E:), Disque USB (F:), SANDISK (G:)"}}},
        Report{"OneDriveEjected", [](audit::AuditTrail& t) { t.drives_ejected({"Cl\xE9 USB (E:)"}); },
               {EventType::information, 0x40000074, {USER, "Cl\xE9 USB (E:)"}}},
        Report{"PasswordFileDenied",
               [](audit::AuditTrail& t) { t.password_file_unreadable(PASSWORD_FILE, 5, "Acc\xE8s refus\xE9."); },
               {EventType::error, 0xC0000075, {USER, PASSWORD_FILE, "5", "Acc\xE8s refus\xE9."}}},
        Report{"PasswordFileHoldsNoPassword",
               [](audit::AuditTrail& t) { t.password_file_unreadable(PASSWORD_FILE, 13, INVALID_DATA); },
               {EventType::error, 0xC0000075, {USER, PASSWORD_FILE, "13", INVALID_DATA}}},
        Report{"PasswordFileWithANegativeCode",
               [](audit::AuditTrail& t) { t.password_file_unreadable(PASSWORD_FILE, -1, "Erreur -1."); },
               {EventType::error, 0xC0000075, {USER, PASSWORD_FILE, "-1", "Erreur -1."}}}),
    [](const testing::TestParamInfo<Report>& info) { return info.param.name; });

TEST(AuditTrail, EventNumbersAreTheLowWordUnderTheSeverity)
{
    EXPECT_EQ(program::EVENT_STARTED & 0xFFFF, 100u);
    EXPECT_EQ(program::EVENT_STOPPED & 0xFFFF, 101u);
    EXPECT_EQ(program::EVENT_LOCKED & 0xFFFF, 110u);
    EXPECT_EQ(program::EVENT_UNLOCKED & 0xFFFF, 111u);
    EXPECT_EQ(program::EVENT_WRONG_PASSWORD & 0xFFFF, 112u);
    EXPECT_EQ(program::EVENT_PASSWORD_CHANGED & 0xFFFF, 113u);
    EXPECT_EQ(program::EVENT_CHANGED_OUTSIDE & 0xFFFF, 114u);
    EXPECT_EQ(program::EVENT_WRITE_FAILED & 0xFFFF, 115u);
    EXPECT_EQ(program::EVENT_DRIVES_EJECTED & 0xFFFF, 116u);
    EXPECT_EQ(program::EVENT_PASSWORD_FILE_UNREADABLE & 0xFFFF, 117u);
    EXPECT_EQ(program::EVENT_PASSWORD_SET & 0xFFFF, 118u);
    EXPECT_EQ(program::EVENT_WRONG_CURRENT_PASSWORD & 0xFFFF, 119u);
    EXPECT_EQ(program::EVENT_TOO_MANY_TRIES & 0xFFFF, 120u);
    // Facility 0, no customer bit: only the severity above the low word.
    for (std::uint32_t id : {program::EVENT_STARTED, program::EVENT_LOCKED, program::EVENT_WRONG_PASSWORD,
                             program::EVENT_CHANGED_OUTSIDE, program::EVENT_WRITE_FAILED,
                             program::EVENT_PASSWORD_FILE_UNREADABLE, program::EVENT_PASSWORD_SET,
                             program::EVENT_WRONG_CURRENT_PASSWORD, program::EVENT_TOO_MANY_TRIES})
        EXPECT_EQ(id & 0x3FFF0000u, 0u) << std::hex << id;
}

// --- texts from outside go in as data ---------------------------------------------

// What a viewer could take for something else than text: a control character
// (the five bytes Windows-1252 leaves unassigned become C1 controls), or a '%'
// before a digit, an n or another '%'.
bool is_plain_data(const std::string& insert)
{
    for (std::size_t i = 0; i < insert.size(); ++i) {
        const auto c = static_cast<unsigned char>(insert[i]);
        if (c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D)
            return false;
        const char next = i + 1 < insert.size() ? insert[i + 1] : ' ';
        if (c == '%' && (std::isdigit(static_cast<unsigned char>(next)) || next == 'n' || next == 'N' || next == '%'))
            return false;
    }
    return true;
}

// Every character a name may show as it is: Windows-1252 from the blank to
// 0xFF, but for '%', DEL and the unassigned bytes.
std::string every_printable_character()
{
    std::string text;
    for (int c = 0x20; c <= 0xFF; ++c)
        if (c != '%' && c != 0x7F && c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D)
            text += static_cast<char>(c);
    return text;
}

struct DriveName {
    const char* name;
    std::string from_device;
    std::string in_event;
};

class DriveNameInEvent : public testing::TestWithParam<DriveName> {};

TEST_P(DriveNameInEvent, ShowsEveryCharacterAsData)
{
    fakes::FakeEventLog log;
    log.user = USER;
    audit::AuditTrail(log).drives_ejected({GetParam().from_device});
    ASSERT_EQ(log.events.size(), 1u);
    const std::string& insert = log.events[0].inserts.at(1);
    EXPECT_EQ(insert, GetParam().in_event);
    EXPECT_TRUE(is_plain_data(insert)) << insert;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DriveNameInEvent,
    testing::Values(DriveName{"line breaks", "SanDisk\r\nVerrou USB activ\xE9 par ADMIN",
                              "SanDisk??Verrou USB activ\xE9 par ADMIN"},
                    DriveName{"tab", "Cl\xE9\tUSB", "Cl\xE9?USB"},
                    DriveName{"other control codes", std::string("N\0U\x01L\x1B[0m\x1F", 10), "N?U?L?[0m?"},
                    DriveName{"DEL", "USB\x7F\x7F DISK", "USB?? DISK"},
                    DriveName{"bytes Windows-1252 leaves unassigned", "A\x81\x8D\x8F\x90\x9DZ", "A?????Z"},
                    DriveName{"double percent and a number", "SanDisk %%1 (E:)", "SanDisk % % 1 (E:)"},
                    DriveName{"percent and a digit", "%1 (E:)", "% 1 (E:)"},
                    DriveName{"percent and n", "Cl\xE9%nVerrou USB", "Cl\xE9% nVerrou USB"},
                    DriveName{"percent and a letter", "%r%t", "% r% t"},
                    DriveName{"percents in a row", "%%%", "% % %"},
                    DriveName{"lone percent", "100% USB (E:)", "100% USB (E:)"},
                    DriveName{"percent at the end", "USB 100%", "USB 100%"},
                    DriveName{"accented Windows-1252 name", "Cl\xE9 USB G\xE9n\xE9rique \x80 (E:)",
                              "Cl\xE9 USB G\xE9n\xE9rique \x80 (E:)"},
                    DriveName{"every printable Windows-1252 character", every_printable_character(),
                              every_printable_character()}),
    testing_support::RowName{});

// A log whose user and system texts come with what an outsider can put in
// them: a user named with '%', the system's text for error 193, which holds
// its own "%1".
class OutsideLog : public fakes::FakeEventLog {
public:
    OutsideLog() { user = "POSTE-042\\%%1\n"; }
    std::string error_text(long) override { return "%1 n'est pas une application Win32 valide."; }
};

const std::string OUTSIDE_USER = "POSTE-042\\% % 1?";

struct OutsideInserts {
    const char* name;
    std::function<void(audit::AuditTrail&)> act;
    std::vector<std::string> inserts;
};

class OutsideInsertsInEvent : public testing::TestWithParam<OutsideInserts> {};

TEST_P(OutsideInsertsInEvent, GoInAsData)
{
    OutsideLog log;
    audit::AuditTrail trail(log);
    GetParam().act(trail);
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_EQ(log.events[0].inserts, GetParam().inserts);
}

INSTANTIATE_TEST_SUITE_P(
    Events, OutsideInsertsInEvent,
    testing::Values(
        OutsideInserts{"started", [](audit::AuditTrail& t) { t.started("1.4", true); }, {"1.4", OUTSIDE_USER, ON}},
        OutsideInserts{"stopped", [](audit::AuditTrail& t) { t.stopped(false); }, {OUTSIDE_USER, OFF}},
        OutsideInserts{"locked", [](audit::AuditTrail& t) { t.locked(); }, {OUTSIDE_USER}},
        OutsideInserts{"unlocked", [](audit::AuditTrail& t) { t.unlocked(); }, {OUTSIDE_USER}},
        OutsideInserts{"wrong password", [](audit::AuditTrail& t) { t.wrong_password(); }, {OUTSIDE_USER}},
        OutsideInserts{"password changed", [](audit::AuditTrail& t) { t.password_changed(); }, {OUTSIDE_USER}},
        OutsideInserts{"Start value stored as text",
                       [](audit::AuditTrail& t) { t.changed_outside(false, "3\r\n%%1"); },
                       {OFF, "3??% % 1"}},
        OutsideInserts{"system error text",
                       [](audit::AuditTrail& t) { t.write_failed(193); },
                       {OUTSIDE_USER, "% 1 n'est pas une application Win32 valide."}},
        OutsideInserts{"drives ejected", [](audit::AuditTrail& t) { t.drives_ejected({"%1", "B\n"}); },
                       {OUTSIDE_USER, "% 1, B?"}},
        OutsideInserts{"unreadable password file",
                       [](audit::AuditTrail& t) { t.password_file_unreadable("D:\\50%%1\r\\PSTACK.DRV", 193, "%1 ?"); },
                       {OUTSIDE_USER, "D:\\50% % 1?\\PSTACK.DRV", "193", "% 1 ?"}}),
    testing_support::RowName{});

// --- the program's actions ------------------------------------------------------

class AuditedProgram : public fakes::MainWindowFixture {
protected:
    AuditedProgram() { p.events.user = USER; }

    void store_password(const std::string& plain)
    {
        p.files.files[PASSWORD_FILE] = password::encode_password(plain) + std::string(16, '\0');
    }
    // Keys as the real field gets them, through the window's key rule.
    void type_and_enter(platform::TextBox& field, const std::string& text)
    {
        fakes::type_keys(dialog.window, field, text + "\r");
    }
    void type_in_verify_window(const std::string& text) { dialog.current_field.set_text(text); }
    void press_ok() { dialog.ok_button.on_click(); }

    std::vector<Event> events_since(std::size_t first) const
    {
        return {p.events.events.begin() + static_cast<std::ptrdiff_t>(first), p.events.events.end()};
    }
    void change_from_outside(std::uint32_t start)
    {
        seed_start(start);
        p.watch.notify();
    }
};

TEST_F(AuditedProgram, StartUpIsReportedOnceTheIconIsUp)
{
    p.events.user = ""; // a user the system could not name
    bool icon_up_when_reported = false;
    p.events.while_reporting = [&] { icon_up_when_reported = p.tray.shown.has_value(); };
    start_with(4);
    EXPECT_TRUE(icon_up_when_reported);
    EXPECT_EQ(p.events.events, (std::vector<Event>{{EventType::information, 0x40000064, {"1.4", "", ON}}}));
}

TEST_F(AuditedProgram, StartUpUnlockedSaysDisabled)
{
    start_with(3);
    EXPECT_EQ(p.events.events, (std::vector<Event>{{EventType::information, 0x40000064, {"1.4", USER, OFF}}}));
}

struct Refused {
    const char* name;
    std::function<void(fakes::FakePlatform&)> arrange;
};

class AuditedRefusal : public AuditedProgram, public testing::WithParamInterface<Refused> {};

TEST_P(AuditedRefusal, ReportsNothingAndNeverAsksTheLog)
{
    GetParam().arrange(p);
    start_with(3);
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_FALSE(form.window.loaded());
    form.final_release();
    EXPECT_EQ(p.events.reports, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AuditedRefusal,
    testing::Values(
        Refused{"UnsupportedSystem",
                [](fakes::FakePlatform& f) {
                    f.system.system_version = {platform::SystemFamily::windows_9x, 4, 10, 1998};
                }},
        Refused{"SecondInstance", [](fakes::FakePlatform& f) { f.runtime.other_instance = true; }},
        Refused{"StartValueUnreadable", [](fakes::FakePlatform& f) { f.registry.query_status = 5; }}),
    [](const testing::TestParamInfo<Refused>& info) { return info.param.name; });

TEST_F(AuditedProgram, LockingIsReportedAfterTheValueAndTheIcon)
{
    start_with(3);
    const auto before = p.events.events.size();
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), 4);
    EXPECT_EQ(events_since(before), (std::vector<Event>{{EventType::audit_success, 0x6E, {USER}}}));
}

TEST_F(AuditedProgram, AWrongPasswordThenTheRightOneUnlocks)
{
    store_password("SECRET");
    start_with(4);
    const auto before = p.events.events.size();
    std::size_t reported_before_the_message = 0;
    p.boxes.while_shown = [&] { reported_before_the_message = p.events.events.size() - before; };
    p.pump.script = {[&] {
                         type_in_verify_window("faux");
                         press_ok();
                     },
                     [&] {
                         type_in_verify_window("secret");
                         press_ok();
                     }};
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), 3);
    EXPECT_EQ(reported_before_the_message, 1u); // the attempt, before the user reads the message
    EXPECT_EQ(events_since(before), (std::vector<Event>{{EventType::audit_failure, 0x80000070, {USER}},
                                                        {EventType::audit_success, 0x6F, {USER}}}));
}

TEST_F(AuditedProgram, GivingUpTheUnlockReportsNothing)
{
    start_with(4);
    const auto before = p.events.events.size();
    p.pump.script = {[&] { dialog.abandon_verify_button.on_click(); }};
    choose("MNU_USBLocked");
    p.pump.script = {[&] { dialog.window.on_close(); }};
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), 4);
    EXPECT_EQ(p.events.events.size(), before);
}

TEST_F(AuditedProgram, ChangingThePasswordReportsAWrongCurrentOneThenTheChange)
{
    store_password("OLD");
    start_with(3);
    const auto before = p.events.events.size();
    choose("MNU_Password");
    type_and_enter(dialog.current_field, "bad");
    type_and_enter(dialog.current_field, "old");
    type_and_enter(dialog.new_field, "new");
    type_and_enter(dialog.confirm_field, "NEW"); // differs: not a wrong password, no event
    dialog.confirm_field.set_text("");
    type_and_enter(dialog.confirm_field, "new");
    EXPECT_EQ(password::decode_password(p.files.files[PASSWORD_FILE].substr(0, 16)), "NEW");
    // The wrong password says it was typed to change the password, not to unlock.
    EXPECT_EQ(events_since(before), (std::vector<Event>{{EventType::audit_failure, 0x80000077, {USER}},
                                                        {EventType::audit_success, 0x71, {USER}}}));
}

TEST_F(AuditedProgram, APasswordThatCouldNotBeWrittenIsNotReportedAsChanged)
{
    store_password("OLD");
    start_with(3);
    const auto before = p.events.events.size();
    choose("MNU_Password");
    type_and_enter(dialog.current_field, "old");
    type_and_enter(dialog.new_field, "new");
    p.files.fail_writes_with = platform::FileError{5, "Acc\xE8s refus\xE9."};
    type_and_enter(dialog.confirm_field, "new");
    EXPECT_EQ(p.events.events.size(), before);
}

struct OutsideChange {
    const char* name;
    std::uint32_t from, to;
    std::vector<std::string> inserts;
};

class AuditedOutsideChange : public AuditedProgram, public testing::WithParamInterface<OutsideChange> {};

TEST_P(AuditedOutsideChange, IsAWarningWithTheNewStateAndValue)
{
    const auto& c = GetParam();
    start_with(c.from);
    const auto before = p.events.events.size();
    change_from_outside(c.to);
    EXPECT_EQ(events_since(before), (std::vector<Event>{{EventType::warning, 0x80000072, c.inserts}}));
}

INSTANTIATE_TEST_SUITE_P(Cases, AuditedOutsideChange,
                         testing::Values(OutsideChange{"Locked", 3, 4, {ON, "4"}},
                                         OutsideChange{"Unlocked", 4, 3, {OFF, "3"}},
                                         OutsideChange{"ServiceStartedAtBoot", 4, 0, {OFF, "0"}}),
                         [](const testing::TestParamInfo<OutsideChange>& info) { return info.param.name; });

TEST_F(AuditedProgram, NoOutsideChangeForTheProgramsOwnWriteOrAnEqualState)
{
    start_with(3);
    choose("MNU_USBLocked");
    const auto before = p.events.events.size();
    p.watch.notify(); // the notification of the program's own write
    change_from_outside(4);
    EXPECT_EQ(p.events.events.size(), before);
}

TEST_F(AuditedProgram, AStartValueStoredAsTextIsShownAsItIs)
{
    start_with(4);
    const auto before = p.events.events.size();
    p.registry.keys[lock::USBSTOR_KEY]["Start"] = {platform::ValueType::string, {'4', 0}}; // reads as unlocked
    p.watch.notify();
    EXPECT_EQ(events_since(before), (std::vector<Event>{{EventType::warning, 0x80000072, {OFF, "4"}}}));
}

struct WriteFailure {
    const char* name;
    long open, set, close;
    std::uint32_t start;
    std::string error;
};

class AuditedWriteFailure : public AuditedProgram, public testing::WithParamInterface<WriteFailure> {};

// A write refused for want of rights leaves the program running; any other
// failure ends it.
TEST_P(AuditedWriteFailure, IsAnErrorWithTheSystemsTextThenTheEndUnlessRightsWereMissing)
{
    const auto& c = GetParam();
    start_with(c.start);
    const auto before = p.events.events.size();
    std::vector<Event> reported_before_the_message;
    p.boxes.while_shown = [&] { reported_before_the_message = events_since(before); };
    p.registry.open_status = c.open;
    p.registry.set_status = c.set;
    p.registry.close_status = c.close;
    if (c.start == 4)
        p.pump.script = {[&] { press_ok(); }}; // no password file: the empty password
    choose("MNU_USBLocked");
    const Event failure{EventType::error, 0xC0000073, {USER, c.error}};
    EXPECT_EQ(reported_before_the_message, std::vector<Event>{failure});
    const std::string state = c.start == 4 ? ON : OFF; // as the icon still shows it
    const Event end{EventType::information, 0x40000065, {USER, state}};
    const bool denied = c.open == 5 || c.set == 5;
    const std::vector<Event> expected = denied ? std::vector<Event>{failure} : std::vector<Event>{failure, end};
    EXPECT_EQ(events_since(before), expected);
    form.final_release();
    EXPECT_EQ(events_since(before), (std::vector<Event>{failure, end}));
}

INSTANTIATE_TEST_SUITE_P(Cases, AuditedWriteFailure,
                         testing::Values(WriteFailure{"LockOpenDenied", 5, 0, 0, 3, "Acc\xE8s refus\xE9."},
                                         WriteFailure{"LockSetDenied", 0, 5, 0, 3, "Acc\xE8s refus\xE9."},
                                         WriteFailure{"UnlockCloseFailed", 0, 0, 6, 4, "Erreur 6."},
                                         WriteFailure{"LockSetFailed", 0, 1018, 0, 3, "Erreur 1018."}),
                         [](const testing::TestParamInfo<WriteFailure>& info) { return info.param.name; });

TEST_F(AuditedProgram, QuittingReportsTheEndOnceWithTheLockState)
{
    start_with(4);
    const auto before = p.events.events.size();
    p.boxes.answers = {7}; // No: the program stays
    choose("MNU_Quitter");
    EXPECT_EQ(p.events.events.size(), before);
    p.boxes.answers = {6};
    choose("MNU_Quitter");
    form.final_release(); // the loop has ended
    EXPECT_EQ(events_since(before), (std::vector<Event>{{EventType::information, 0x40000065, {USER, ON}}}));
}

TEST_F(AuditedProgram, AQuitMessageFromOutsideReportsTheEnd)
{
    start_with(3);
    const auto before = p.events.events.size();
    form.final_release();
    EXPECT_EQ(events_since(before), (std::vector<Event>{{EventType::information, 0x40000065, {USER, OFF}}}));
}

// One machine with the program on fakes, for stories played twice.
struct Machine {
    fakes::FakePlatform p;
    platform::Forms forms{p.windows};
    shell::MainWindow form{p.services, forms};
    password::PasswordWindow& dialog = form.password_window;

    void choose(const std::string& item)
    {
        p.windows.on_popup = [item](platform::MenuItem& menu) { fakes::find_item(menu, item)->on_click(); };
        p.tray.user_asks_for_menu();
        p.windows.on_popup = nullptr;
        p.pump.play(); // back in the event loop
    }
    void start_value(std::uint32_t start) { p.registry.set_dword(lock::USBSTOR_KEY, "Start", start); }

    // Start, lock, a wrong password then the right one, a change of password,
    // a change from outside, quit.
    void play_story()
    {
        p.events.user = USER;
        p.files.files[PASSWORD_FILE] = password::encode_password("SECRET") + std::string(16, '\0');
        start_value(3);
        forms.load(form.window);
        choose("MNU_USBLocked");
        p.pump.script = {[&] { verify("faux"); }, [&] { verify("secret"); }};
        choose("MNU_USBLocked");
        choose("MNU_Password");
        enter(dialog.current_field, "secret");
        enter(dialog.new_field, "neuf");
        enter(dialog.confirm_field, "neuf");
        start_value(4);
        p.watch.notify();
        p.boxes.answers = {6};
        choose("MNU_Quitter");
        form.final_release();
    }
    void verify(const std::string& password)
    {
        dialog.current_field.set_text(password);
        dialog.ok_button.on_click();
    }
    void enter(platform::TextBox& field, const std::string& text)
    {
        field.set_text(text);
        fakes::type_keys(dialog.window, field, "\r");
    }
};

TEST(AuditedStory, GivesItsEventsInOrder)
{
    Machine m;
    m.play_story();
    std::vector<std::uint32_t> numbers;
    for (const Event& e : m.p.events.events)
        numbers.push_back(e.id & 0xFFFF);
    EXPECT_EQ(numbers, (std::vector<std::uint32_t>{100, 110, 112, 111, 113, 114, 101}));
}

TEST(AuditedStory, AFailingLogChangesNothingTheUserSeesOrTheMachineHolds)
{
    Machine working;
    working.play_story();
    Machine failing;
    failing.p.events.fails = true;
    failing.play_story();

    EXPECT_EQ(failing.p.events.reports, 7);
    EXPECT_TRUE(failing.p.events.events.empty());
    EXPECT_EQ(failing.p.registry.calls, working.p.registry.calls);
    EXPECT_EQ(failing.p.registry.keys[lock::USBSTOR_KEY]["Start"].bytes,
              working.p.registry.keys[lock::USBSTOR_KEY]["Start"].bytes);
    std::vector<std::string> working_boxes, failing_boxes;
    for (const auto& b : working.p.boxes.shown)
        working_boxes.push_back(b.text);
    for (const auto& b : failing.p.boxes.shown)
        failing_boxes.push_back(b.text);
    EXPECT_EQ(failing_boxes, working_boxes);
    EXPECT_EQ(working_boxes.size(), 3u); // the wrong password, the change, the question on quitting
    EXPECT_EQ(failing.p.tray.calls.size(), working.p.tray.calls.size());
    EXPECT_FALSE(failing.p.tray.shown);
    // The cipher is seeded by the clock: compare the passwords, not the bytes.
    const auto stored_password = [](Machine& m) {
        return password::decode_password(m.p.files.files[PASSWORD_FILE].substr(0, 16));
    };
    EXPECT_EQ(stored_password(failing), "NEUF");
    EXPECT_EQ(stored_password(working), "NEUF");
    EXPECT_EQ(failing.p.windows.created, working.p.windows.created);
    EXPECT_EQ(failing.p.windows.destroyed, working.p.windows.destroyed);
    EXPECT_EQ(failing.form.locked(), working.form.locked());
    EXPECT_EQ(failing.p.pump.rounds, working.p.pump.rounds);
}

} // namespace
