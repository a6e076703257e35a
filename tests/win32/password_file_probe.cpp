// Reads what an installation left for the password file, from inside Wine:
//   password_file_probe password        the stored password, decoded with the
//                                       program's own code
//   password_file_probe permissions F   F's DACL: "protected" or "inherited",
//                                       then one "allow|deny SID MASK" per entry

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "password/passwd.h"
#include "password/password_file.h"
#include "platform/win32/win32_services.h"

namespace {

// A failed read prints its message, then what no password decodes to.
int print_password()
{
    platform::win32::Win32SystemInfo system;
    platform::win32::Win32RecordFiles files;
    password::PasswordFile file(files);
    const auto read = file.read_record(password::password_file_folder(system), password::PASSWORD_FILE_NAME);
    if (!read.succeeded()) {
        std::printf("failure: %s\n", password::failure_message(read.error()).c_str());
        std::printf("%s\n", password::DECODING_ERROR);
        return 0;
    }
    std::printf("%s\n", password::decode_password(read.value().record.encoded_password).c_str());
    return 0;
}

std::string sid_text(PSID sid)
{
    char* text = nullptr;
    if (!::ConvertSidToStringSidA(sid, &text))
        return "?";
    std::string result = text;
    ::LocalFree(text);
    return result;
}

int print_permissions(const char* path)
{
    DWORD needed = 0;
    ::GetFileSecurityA(path, DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::vector<DWORD> storage(needed / sizeof(DWORD) + 1);
    auto* descriptor = static_cast<PSECURITY_DESCRIPTOR>(storage.data());
    if (!::GetFileSecurityA(path, DACL_SECURITY_INFORMATION, descriptor, needed, &needed)) {
        std::printf("error %lu\n", ::GetLastError());
        return 1;
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    std::printf("%s\n", (control & SE_DACL_PROTECTED) ? "protected" : "inherited");
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) || !present || !acl) {
        std::printf("no dacl\n");
        return 0;
    }
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(acl, i, &ace))
            continue;
        const auto* header = static_cast<ACE_HEADER*>(ace);
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
            const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            std::printf("%s %s %lx\n", header->AceType == ACCESS_ALLOWED_ACE_TYPE ? "allow" : "deny",
                        sid_text(const_cast<DWORD*>(&allowed->SidStart)).c_str(), allowed->Mask);
        } else {
            std::printf("type %u\n", header->AceType);
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "password" && argc == 2)
        return print_password();
    if (command == "permissions" && argc == 3)
        return print_permissions(argv[2]);
    std::fprintf(stderr, "usage: password_file_probe password | permissions FILE\n");
    return 2;
}
