#include "platform/win32/win32_event_log.h"

#include "platform/win32/win32_error.h"
#include "program/event_ids.h"
#include "varnhollow_events.h" // made by windmc from resources/varnhollow_events.mc

namespace platform::win32 {

// The core's numbers are the message table's.
static_assert(program::EVENT_STARTED == MSG_VARNHOLLOW_STARTED);
static_assert(program::EVENT_STOPPED == MSG_VARNHOLLOW_STOPPED);
static_assert(program::EVENT_LOCKED == MSG_USB_LOCKED);
static_assert(program::EVENT_UNLOCKED == MSG_USB_UNLOCKED);
static_assert(program::EVENT_WRONG_PASSWORD == MSG_WRONG_PASSWORD);
static_assert(program::EVENT_PASSWORD_CHANGED == MSG_PASSWORD_CHANGED);
static_assert(program::EVENT_CHANGED_OUTSIDE == MSG_LOCK_CHANGED_OUTSIDE);
static_assert(program::EVENT_WRITE_FAILED == MSG_LOCK_WRITE_FAILED);
static_assert(program::EVENT_DRIVES_EJECTED == MSG_USB_DRIVES_EJECTED);
static_assert(program::EVENT_PASSWORD_FILE_UNREADABLE == MSG_PASSWORD_FILE_UNREADABLE);
static_assert(program::EVENT_PASSWORD_SET == MSG_PASSWORD_SET);
static_assert(program::EVENT_WRONG_CURRENT_PASSWORD == MSG_WRONG_CURRENT_PASSWORD);
static_assert(program::EVENT_TOO_MANY_TRIES == MSG_TOO_MANY_TRIES);
static_assert(program::EVENT_SETUP_FILE_FAILED == MSG_SETUP_FILE_FAILED);
static_assert(program::EVENT_RELOCKED == MSG_USB_RELOCKED);

namespace {

constexpr int NAME_SAM_COMPATIBLE = 2; // EXTENDED_NAME_FORMAT
using GetUserNameExFunction = BOOLEAN(WINAPI*)(int format, LPSTR name, PULONG size);
using UniqueModule = UniqueHandle<NullIsEmpty<HMODULE, ::FreeLibrary>>;

std::vector<BYTE> token_user_sid()
{
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened))
        return {};
    const UniqueKernelHandle token(opened);
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        return {};
    const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    if (!::IsValidSid(sid))
        return {};
    const BYTE* first = static_cast<const BYTE*>(sid);
    return std::vector<BYTE>(first, first + ::GetLengthSid(sid));
}

// DOMAIN\user from the logon session, which needs no domain controller;
// secur32 is loaded for this one call.
std::string logon_session_user()
{
    const UniqueModule secur32(::LoadLibraryA("secur32.dll"));
    if (!secur32)
        return {};
    const auto get_user_name = reinterpret_cast<GetUserNameExFunction>(
        reinterpret_cast<void*>(::GetProcAddress(secur32.get(), "GetUserNameExA")));
    char name[512];
    ULONG size = sizeof name;
    if (!get_user_name || !get_user_name(NAME_SAM_COMPATIBLE, name, &size) || size >= sizeof name)
        return {};
    return std::string(name, size);
}

std::string account_name(PSID sid)
{
    char name[256];
    char domain[256];
    DWORD name_size = sizeof name;
    DWORD domain_size = sizeof domain;
    SID_NAME_USE use;
    if (!sid || !::LookupAccountSidA(nullptr, sid, name, &name_size, domain, &domain_size, &use))
        return {};
    return domain_size ? std::string(domain) + "\\" + name : std::string(name);
}

} // namespace

Win32Account account_of(PSID sid)
{
    if (!sid || !::IsValidSid(sid))
        return {};
    const BYTE* first = static_cast<const BYTE*>(sid);
    return {std::vector<BYTE>(first, first + ::GetLengthSid(sid)), account_name(sid)};
}

PSID Win32EventLog::user_sid()
{
    if (!sid_read_) {
        user_sid_ = token_user_sid();
        sid_read_ = true;
    }
    return user_sid_.empty() ? nullptr : user_sid_.data();
}

bool Win32EventLog::report(EventType type, std::uint32_t event_id, const std::vector<std::string>& inserts)
{
    if (!source_)
        source_.reset(::RegisterEventSourceA(nullptr, source_name_.c_str()));
    if (!source_)
        return false;
    std::vector<const char*> strings;
    for (const std::string& insert : inserts)
        strings.push_back(insert.c_str());
    return ::ReportEventA(source_.get(), static_cast<WORD>(type), 0, event_id, user_sid(),
                          static_cast<WORD>(strings.size()), 0, strings.empty() ? nullptr : strings.data(),
                          nullptr) != FALSE;
}

std::string Win32EventLog::user_name()
{
    if (!name_read_) {
        user_name_ = logon_session_user();
        if (user_name_.empty())
            user_name_ = account_name(user_sid());
        name_read_ = true;
    }
    return user_name_;
}

std::string Win32EventLog::error_text(long status)
{
    return platform::win32::error_text(static_cast<DWORD>(status));
}

} // namespace platform::win32
