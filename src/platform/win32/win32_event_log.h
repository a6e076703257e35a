#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/event_log.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

using UniqueEventSource = UniqueHandle<NullIsEmpty<HANDLE, ::DeregisterEventSource>>;

// A user an event is reported for: the SID's bytes and DOMAIN\user.
struct Win32Account {
    std::vector<BYTE> sid;
    std::string name;
};

// The account of a SID: its bytes, and DOMAIN\user as LookupAccountSidA
// gives it (empty when the system cannot name it).
Win32Account account_of(PSID sid);

// The Application log through RegisterEventSourceA / ReportEventA. Nothing is
// opened or looked up before the first report, so a program that refuses to
// start touches no log; a source that cannot be opened is tried again at the
// next report.
class Win32EventLog : public EventLog {
public:
    // Reports for the process's user.
    explicit Win32EventLog(std::string source) : source_name_(std::move(source)) {}
    // Reports for `account`, a client the process serves (the lock service
    // runs as SYSTEM, and its events name the user who asked).
    Win32EventLog(std::string source, Win32Account account)
        : source_name_(std::move(source)), user_sid_(std::move(account.sid)), sid_read_(true),
          user_name_(std::move(account.name)), name_read_(true)
    {
    }

    bool report(EventType type, std::uint32_t event_id, const std::vector<std::string>& inserts) override;
    std::string user_name() override;
    std::string error_text(long status) override;

    // The SID ReportEventA passes; null when it cannot be told.
    PSID user_sid();

private:

    std::string source_name_;
    UniqueEventSource source_;
    std::vector<BYTE> user_sid_; // empty until read, and when it cannot be
    bool sid_read_ = false;
    std::string user_name_;
    bool name_read_ = false;
};

} // namespace platform::win32
