#include "platform/win32/file_protection.h"

#include <windows.h>
#include <aclapi.h>

#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform::win32 {

namespace {

using UniqueSid = UniqueHandle<NullIsEmpty<PSID, ::FreeSid>>;

UniqueSid well_known_sid(BYTE count, DWORD first, DWORD second)
{
    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!::AllocateAndInitializeSid(&nt_authority, count, first, second, 0, 0, 0, 0, 0, 0, &sid))
        return UniqueSid();
    return UniqueSid(sid);
}

} // namespace

std::vector<std::uint32_t> administrators_only_acl()
{
    const UniqueSid administrators = well_known_sid(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
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

std::optional<FileError> restrict_to_administrators(const std::string& path)
{
    std::vector<std::uint32_t> acl = administrators_only_acl();
    if (acl.empty())
        return file_error(::GetLastError());

    // PROTECTED: the folder's entries (Users may read) no longer flow down.
    std::string name = path;
    const DWORD status = ::SetNamedSecurityInfoA(name.data(), SE_FILE_OBJECT,
                                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                                 nullptr, nullptr, reinterpret_cast<PACL>(acl.data()), nullptr);
    if (status != ERROR_SUCCESS)
        return file_error(status);
    return std::nullopt;
}

} // namespace platform::win32
