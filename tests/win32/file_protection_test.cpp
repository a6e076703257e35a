// The password file's permissions on the Win32 layer, run under Wine. Wine
// keeps no access list on files (it reports one made from the Unix mode), so
// this checks the list the program hands to the system, the calls' results,
// and that the program's own rewrite in place still works on a protected file.

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <string>

#include "checks.h"
#include "password/new_password.h"
#include "password/passwd.h"
#include "password/password_file.h"
#include "platform/win32/file_protection.h"
#include "platform/win32/win32_services.h"

namespace {

using checks::check;

// Prints a file failure and counts it.
struct FailureCount {
    int failures = 0;
    template <typename T, typename E>
    void note(const program::Result<T, E>& result)
    {
        if (!result.succeeded())
            note(result.error());
    }
    void note(const password::FileFailure& failure)
    {
        std::printf("failure: %s\n", password::failure_message(failure).c_str());
        ++failures;
    }
    void note(const password::StoreFailure& failure)
    {
        if (failure.file)
            note(*failure.file);
        else
            ++failures;
    }
};

std::string ace_text(PACL acl, DWORD index)
{
    void* ace = nullptr;
    if (!::GetAce(acl, index, &ace))
        return "none";
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    char* sid = nullptr;
    if (!::ConvertSidToStringSidA(const_cast<DWORD*>(&allowed->SidStart), &sid))
        return "bad sid";
    char mask[16];
    std::snprintf(mask, sizeof mask, "%lx", allowed->Mask);
    std::string text = std::string(allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE ? "allow " : "other ") + sid +
                       " " + mask + (allowed->Header.AceFlags ? " inherits" : "");
    ::LocalFree(sid);
    return text;
}

} // namespace

int main()
{
    {
        auto storage = platform::win32::administrators_only_acl();
        check(!storage.empty(), "the access list is built");
        if (!storage.empty()) {
            auto* acl = reinterpret_cast<PACL>(storage.data());
            check(::IsValidAcl(acl) != FALSE, "the access list is valid");
            check(acl->AceCount == 2, "two entries, got " + std::to_string(acl->AceCount));
            check(ace_text(acl, 0) == "allow S-1-5-32-544 1f01ff", "Administrators: " + ace_text(acl, 0));
            check(ace_text(acl, 1) == "allow S-1-5-18 1f01ff", "SYSTEM: " + ace_text(acl, 1));
        }
    }

    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "varnhollow-protect-" + std::to_string(::GetCurrentProcessId());
    const std::string path = folder + "\\";
    const std::string name = password::PASSWORD_FILE_NAME;
    ::CreateDirectoryA(folder.c_str(), nullptr);

    {
        const auto restricted = platform::win32::restrict_to_administrators(path + "absent.drv");
        check(!restricted.succeeded() && restricted.error().code == ERROR_FILE_NOT_FOUND &&
                  !restricted.error().description.empty(),
              "a missing file is reported with the system's code and text");
    }
    {
        platform::win32::AdministratorsOnlyDescriptor descriptor;
        check(descriptor.get() && ::IsValidSecurityDescriptor(descriptor.get()), "the descriptor is built");
        if (descriptor.get()) {
            PSID owner = nullptr;
            BOOL defaulted = TRUE, present = FALSE;
            PACL acl = nullptr;
            SECURITY_DESCRIPTOR_CONTROL control = 0;
            DWORD revision = 0;
            ::GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted);
            ::GetSecurityDescriptorDacl(descriptor.get(), &present, &acl, &defaulted);
            ::GetSecurityDescriptorControl(descriptor.get(), &control, &revision);
            char* owner_text = nullptr;
            const bool owner_shown = owner && ::ConvertSidToStringSidA(owner, &owner_text);
            check(owner_shown && std::string(owner_text) == "S-1-5-32-544", "a new file is owned by Administrators");
            if (owner_shown)
                ::LocalFree(owner_text);
            check(present && acl && acl->AceCount == 2 && ace_text(acl, 0) == "allow S-1-5-32-544 1f01ff" &&
                      ace_text(acl, 1) == "allow S-1-5-18 1f01ff",
                  "a new file is for Administrators and SYSTEM only");
            check((control & SE_DACL_PROTECTED) != 0, "a new file inherits nothing from its folder");
        }
    }
    {
        platform::win32::Win32RecordFiles files;
        FailureCount count;
        bool step_ran = false;
        const auto first = password::store_password(files, path, name, "abc", [&] { return step_ran = true; });
        count.note(first);
        check(first.succeeded(), "the password is stored into a new file");
        check(!step_ran, "a new file is created protected: no step before the write");
        check(::GetFileAttributesA((path + name).c_str()) != INVALID_FILE_ATTRIBUTES, "the write created it");

        bool protected_ok = false;
        const auto again = password::store_password(files, path, name, "abc", [&] {
            protected_ok = platform::win32::restrict_to_administrators(path + name).succeeded();
            return protected_ok;
        });
        count.note(again);
        check(again.succeeded(), "the password is stored again");
        check(protected_ok, "the existing file is protected before the password is written");

        // The program's own change of password: an in-place rewrite.
        password::PasswordFile file(files);
        count.note(file.read_record(path, name));
        const auto written = file.write_password(password::encode_password("neuf"), path, name);
        count.note(written);
        check(written.succeeded(), "the program rewrites it");
        password::PasswordFile later(files);
        const auto read = later.read_record(path, name);
        count.note(read);
        check(read.succeeded() && password::decode_password(read.value().record.encoded_password) == "NEUF",
              "and reads it back");
        check(count.failures == 0, "no file failure");
    }
    ::DeleteFileA((path + name).c_str());
    ::RemoveDirectoryA(folder.c_str());

    return checks::report();
}
