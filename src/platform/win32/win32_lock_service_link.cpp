#include "platform/win32/win32_lock_service_link.h"

#include <aclapi.h>

#include <cstring>

namespace platform::win32 {

namespace {

using Exchange = program::Result<std::vector<std::uint8_t>, LinkFailure>;

UniquePipe open_instance(const std::string& name)
{
    return UniquePipe(::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                    nullptr));
}

LinkFailure failure_to_open(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return LinkFailure::absent;
    case ERROR_ACCESS_DENIED:
        return LinkFailure::denied;
    default:
        return LinkFailure::broken;
    }
}

// Someone who creates a pipe of the service's name before the service (pipe
// squatting) owns it: such a pipe is told nothing, the password least of all.
bool belongs_to_the_system(HANDLE pipe)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(pipe, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                          &descriptor) != ERROR_SUCCESS)
        return false;
    const bool trusted = owned_by_the_system(owner);
    ::LocalFree(descriptor);
    return trusted;
}

} // namespace

bool owned_by_the_system(PSID owner)
{
    if (!owner || !::IsValidSid(owner))
        return false;
    const SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    if (std::memcmp(::GetSidIdentifierAuthority(owner), &nt_authority, sizeof nt_authority) != 0)
        return false;
    const BYTE count = *::GetSidSubAuthorityCount(owner);
    const auto sub = [&](DWORD index) { return *::GetSidSubAuthority(owner, index); };
    const bool system = count == 1 && sub(0) == SECURITY_LOCAL_SYSTEM_RID;
    const bool administrators =
        count == 2 && sub(0) == SECURITY_BUILTIN_DOMAIN_RID && sub(1) == DOMAIN_ALIAS_RID_ADMINS;
    return system || administrators;
}

program::Result<UniquePipe, LinkFailure> Win32LockServiceLink::open_pipe()
{
    UniquePipe pipe = open_instance(pipe_name_);
    if (!pipe && ::GetLastError() == ERROR_PIPE_BUSY) {
        // Every instance is serving: wait, for a bounded time, for one.
        if (!::WaitNamedPipeA(pipe_name_.c_str(), limits_.busy_wait_ms))
            return LinkFailure::broken;
        pipe = open_instance(pipe_name_);
    }
    if (!pipe)
        return failure_to_open(::GetLastError());
    return pipe;
}

Exchange Win32LockServiceLink::exchange(const std::vector<std::uint8_t>& request)
{
    auto opened = open_pipe();
    if (!opened.succeeded())
        return opened.error();
    const UniquePipe pipe = std::move(opened.value());
    if (!belongs_to_the_system(pipe.get()))
        return LinkFailure::untrusted;
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!::SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr))
        return LinkFailure::broken;
    if (write_message(pipe.get(), request, limits_.answer_wait_ms, nullptr) != PipeIo::done)
        return LinkFailure::broken;
    std::vector<std::uint8_t> answer;
    if (read_message(pipe.get(), limits_.answer_size_limit, limits_.answer_wait_ms, nullptr, answer) != PipeIo::done)
        return LinkFailure::broken;
    return answer;
}

} // namespace platform::win32
