#include "platform/win32/win32_file_access.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform::win32 {

namespace {

using UniqueLocal = UniqueHandle<NullIsEmpty<HLOCAL, ::LocalFree>>;

// A file's access list, and the descriptor that holds it.
struct FileDacl {
    UniqueLocal descriptor;
    PACL dacl = nullptr;
};

FileError file_failure(DWORD code)
{
    FileError error = file_error(code);
    error.missing = code == ERROR_FILE_NOT_FOUND;
    return error;
}

program::Result<FileDacl, FileError> read_dacl(const std::string& path)
{
    std::string name = path;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status = ::GetNamedSecurityInfoA(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                                 nullptr, &dacl, nullptr, &descriptor);
    if (status != ERROR_SUCCESS)
        return file_failure(status);
    return FileDacl{UniqueLocal(descriptor), dacl};
}

// The ACEs of a list, in order; each starts with its header.
std::vector<ACE_HEADER*> aces_of(PACL dacl)
{
    std::vector<ACE_HEADER*> aces;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (::GetAce(dacl, i, &ace))
            aces.push_back(static_cast<ACE_HEADER*>(ace));
    }
    return aces;
}

bool is_allowed_or_denied(const ACE_HEADER* ace)
{
    return ace->AceType == ACCESS_ALLOWED_ACE_TYPE || ace->AceType == ACCESS_DENIED_ACE_TYPE;
}

// Allowed and denied ACEs share their layout: a mask, then the SID.
const ACCESS_ALLOWED_ACE* simple_ace(const ACE_HEADER* ace)
{
    return reinterpret_cast<const ACCESS_ALLOWED_ACE*>(ace);
}

std::string sid_text(const ACE_HEADER* ace)
{
    char* text = nullptr;
    if (!::ConvertSidToStringSidA(const_cast<DWORD*>(&simple_ace(ace)->SidStart), &text))
        return {};
    const UniqueLocal owner(text);
    return text;
}

AccessEntry entry_of(const ACE_HEADER* ace)
{
    if (!is_allowed_or_denied(ace))
        return {};
    const bool reading = simple_ace(ace)->Mask == READING_RIGHTS && (ace->AceFlags & VALID_INHERIT_FLAGS) == 0;
    return AccessEntry{ace->AceType == ACCESS_DENIED_ACE_TYPE ? AccessKind::deny : AccessKind::allow, sid_text(ace),
                       reading ? AccessRights::reading : AccessRights::other};
}

bool is_read_denial_to(const ACE_HEADER* ace, const std::vector<std::string>& trustees)
{
    const AccessEntry entry = entry_of(ace);
    return entry.kind == AccessKind::deny && entry.rights == AccessRights::reading &&
           std::find(trustees.begin(), trustees.end(), entry.trustee) != trustees.end();
}

// SIDs made from their texts, freed with LocalFree.
program::Result<std::vector<UniqueLocal>, FileError> sids_of(const std::vector<std::string>& trustees)
{
    std::vector<UniqueLocal> sids;
    for (const std::string& trustee : trustees) {
        PSID sid = nullptr;
        if (!::ConvertStringSidToSidA(trustee.c_str(), &sid))
            return last_error();
        sids.emplace_back(sid);
    }
    return sids;
}

// A new access list: a read denial to each of `denied` first, then each ACE
// of `kept` copied as it is. Aligned storage, as an ACL must be.
program::Result<std::vector<DWORD>, FileError> build_dacl(BYTE revision, const std::vector<UniqueLocal>& denied,
                                                         const std::vector<ACE_HEADER*>& kept)
{
    DWORD size = sizeof(ACL);
    for (const UniqueLocal& sid : denied)
        size += sizeof(ACCESS_DENIED_ACE) - sizeof(DWORD) + ::GetLengthSid(sid.get());
    for (const ACE_HEADER* ace : kept)
        size += ace->AceSize;
    std::vector<DWORD> storage((size + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* acl = reinterpret_cast<PACL>(storage.data());
    if (!::InitializeAcl(acl, static_cast<DWORD>(storage.size() * sizeof(DWORD)), revision))
        return last_error();
    for (const UniqueLocal& sid : denied)
        if (!::AddAccessDeniedAce(acl, revision, READING_RIGHTS, sid.get()))
            return last_error();
    for (ACE_HEADER* ace : kept)
        if (!::AddAce(acl, revision, MAXDWORD, ace, ace->AceSize))
            return last_error();
    return storage;
}

// Reads the file's list, writes it back with the read denials to `denied`
// first and the ACEs `keep` chooses after.
template <typename Keep>
program::Result<void, FileError> rewrite(const std::string& path, const std::vector<std::string>& denied, Keep keep)
{
    const auto current = read_dacl(path);
    if (!current.succeeded())
        return current.error();
    if (!current.value().dacl)
        return file_failure(ERROR_NO_SECURITY_ON_OBJECT);
    const auto sids = sids_of(denied);
    if (!sids.succeeded())
        return sids.error();
    std::vector<ACE_HEADER*> kept;
    for (ACE_HEADER* ace : aces_of(current.value().dacl))
        if (keep(ace))
            kept.push_back(ace);
    const BYTE revision = std::max<BYTE>(ACL_REVISION, current.value().dacl->AclRevision);
    auto built = build_dacl(revision, sids.value(), kept);
    if (!built.succeeded())
        return built.error();
    std::string name = path;
    const DWORD status = ::SetNamedSecurityInfoA(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                                 nullptr, reinterpret_cast<PACL>(built.value().data()), nullptr);
    if (status != ERROR_SUCCESS)
        return file_failure(status);
    return {};
}

} // namespace

program::Result<std::vector<AccessEntry>, FileError> Win32FileAccess::own_entries(const std::string& path)
{
    const auto current = read_dacl(path);
    if (!current.succeeded())
        return current.error();
    std::vector<AccessEntry> entries;
    for (const ACE_HEADER* ace : aces_of(current.value().dacl))
        if ((ace->AceFlags & INHERITED_ACE) == 0)
            entries.push_back(entry_of(ace));
    return entries;
}

program::Result<void, FileError> Win32FileAccess::deny_reading(const std::string& path,
                                                               const std::vector<std::string>& trustees)
{
    return rewrite(path, trustees, [](const ACE_HEADER*) { return true; });
}

program::Result<void, FileError> Win32FileAccess::remove_read_denials(const std::string& path,
                                                                      const std::vector<std::string>& trustees)
{
    return rewrite(path, {}, [&trustees](const ACE_HEADER* ace) { return !is_read_denial_to(ace, trustees); });
}

} // namespace platform::win32
