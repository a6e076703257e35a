// The setup files' permissions on the Win32 layer, run under Wine. Wine keeps
// no access list on files: SetNamedSecurityInfoA succeeds and
// GetNamedSecurityInfoA answers a list made from the Unix mode, so what is
// read back after a write is printed, not checked against Windows. Checked:
// the calls succeed on a file of the prefix, a missing file is told as such,
// and the lock's rule runs on them through a Windows folder of its own.

#include <windows.h>

#include <cstdio>
#include <string>

#include "checks.h"
#include "lock/driver_setup_files.h"
#include "platform/win32/win32_file_access.h"

namespace {

using checks::check;

std::string entry_text(const platform::AccessEntry& entry)
{
    const char* kinds[] = {"allow", "deny", "other"};
    return std::string(kinds[static_cast<int>(entry.kind)]) + " " + entry.trustee + " " +
           (entry.rights == platform::AccessRights::reading ? "reading" : "other");
}

void print_entries(const char* when, platform::FileAccess& access, const std::string& path)
{
    const auto entries = access.own_entries(path);
    check(entries.succeeded(), std::string("the entries read ") + when);
    if (!entries.succeeded())
        return;
    std::printf("%s: %u entries\n", when, static_cast<unsigned>(entries.value().size()));
    for (const auto& entry : entries.value())
        std::printf("  %s\n", entry_text(entry).c_str());
}

// A Windows folder of the test's own.
struct TestSystem : platform::SystemInfo {
    std::string folder;
    std::optional<platform::SystemVersion> version() override { return std::nullopt; }
    std::string windows_directory() override { return folder; }
};

bool write_file(const std::string& path)
{
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = ::WriteFile(file, "[Version]\r\n", 11, &written, nullptr) && written == 11;
    ::CloseHandle(file);
    return ok;
}

} // namespace

int main()
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string windows = std::string(temp) + "varnhollow-setup-" + std::to_string(::GetCurrentProcessId());
    const std::string inf_folder = windows + "\\Inf";
    const std::string inf = inf_folder + "\\Usbstor.inf";
    ::CreateDirectoryA(windows.c_str(), nullptr);
    ::CreateDirectoryA(inf_folder.c_str(), nullptr);
    check(write_file(inf), "the setup file is made");

    platform::win32::Win32FileAccess access;
    const std::vector<std::string> both{platform::EVERYONE_SID, platform::SYSTEM_SID};

    const auto missing = access.own_entries(inf_folder + "\\Usbstor.pnf");
    check(!missing.succeeded() && missing.error().missing, "a missing file is told as missing");
    const auto missing_write = access.deny_reading(inf_folder + "\\Usbstor.pnf", both);
    check(!missing_write.succeeded() && missing_write.error().missing, "a missing file is not created");
    check(::GetFileAttributesA((inf_folder + "\\Usbstor.pnf").c_str()) == INVALID_FILE_ATTRIBUTES,
          "no file appeared");

    print_entries("as made", access, inf);
    const auto denied = access.deny_reading(inf, both);
    check(denied.succeeded(), "the read denials are written");
    if (!denied.succeeded())
        std::printf("deny: error %ld - %s\n", denied.error().code, denied.error().description.c_str());
    print_entries("after the denials", access, inf);
    const auto removed = access.remove_read_denials(inf, both);
    check(removed.succeeded(), "the read denials are removed");
    print_entries("after the removal", access, inf);

    const auto bad_trustee = access.deny_reading(inf, {"not a SID"});
    check(!bad_trustee.succeeded() && !bad_trustee.error().missing, "a trustee that is no SID fails the write");

    // The lock's rule on the real calls: the .pnf is not there and is left alone.
    TestSystem system;
    system.folder = windows;
    lock::DriverSetupFiles setup_files(access, system);
    const auto closing = setup_files.close();
    check(!closing, "the lock closes the setup files");
    std::printf("closed as read back: %s\n", setup_files.closed() ? "yes" : "no (Wine keeps no access list)");
    const auto opening = setup_files.open();
    check(!opening, "the unlock opens them");
    if (closing)
        std::printf("close: %s error %ld - %s\n", closing->file.c_str(), closing->code, closing->text.c_str());
    if (opening)
        std::printf("open: %s error %ld - %s\n", opening->file.c_str(), opening->code, opening->text.c_str());

    ::DeleteFileA(inf.c_str());
    ::RemoveDirectoryA(inf_folder.c_str());
    ::RemoveDirectoryA(windows.c_str());
    return checks::report();
}
