#include "platform/win32/file_protection.h"

#include <windows.h>
#include <aclapi.h>

#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform::win32 {

namespace {

UniqueSid well_known_sid(BYTE count, DWORD first, DWORD second)
{
    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!::AllocateAndInitializeSid(&nt_authority, count, first, second, 0, 0, 0, 0, 0, 0, &sid))
        return UniqueSid();
    return UniqueSid(sid);
}

} // namespace

UniqueSid administrators_sid()
{
    return well_known_sid(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
}

std::vector<std::uint32_t> administrators_only_acl()
{
    const UniqueSid administrators = administrators_sid();
    const UniqueSid system = well_known_sid(1, SECURITY_LOCAL_SYSTEM_RID, 0);
    if (!administrators || !system)
        return {};

    const DWORD size = sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD)) +
                       ::GetLengthSid(administrators.get()) + ::GetLengthSid(system.get());
    std::vector<std::uint32_t> storage((size + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* acl = reinterpret_cast<PACL>(storage.data());
    if (!::InitializeAcl(acl, size, ACL_REVISION) ||
        !::AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, administrators.get()) ||
        !::AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, system.get()))
        return {};
    return storage;
}

bool file_exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

program::Result<void, FileError> restrict_to_administrators(const std::string& path)
{
    std::vector<std::uint32_t> acl = administrators_only_acl();
    const UniqueSid owner = administrators_sid();
    if (acl.empty() || !owner)
        return file_error(::GetLastError());

    // PROTECTED: the folder's entries (Users may read) no longer flow down.
    std::string name = path;
    const DWORD status = ::SetNamedSecurityInfoA(
        name.data(), SE_FILE_OBJECT,
        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, owner.get(),
        nullptr, reinterpret_cast<PACL>(acl.data()), nullptr);
    if (status != ERROR_SUCCESS)
        return file_error(status);
    return {};
}

AdministratorsOnlyDescriptor::AdministratorsOnlyDescriptor()
    : owner_(administrators_sid()), acl_(administrators_only_acl())
{
    built_ = owner_ && !acl_.empty() && ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
             ::SetSecurityDescriptorOwner(&descriptor_, owner_.get(), FALSE) &&
             ::SetSecurityDescriptorDacl(&descriptor_, TRUE, reinterpret_cast<PACL>(acl_.data()), FALSE) &&
             ::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

} // namespace platform::win32
