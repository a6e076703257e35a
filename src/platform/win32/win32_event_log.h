#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/event_log.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

using UniqueEventSource = UniqueHandle<NullIsEmpty<HANDLE, ::DeregisterEventSource>>;

// The Application log through RegisterEventSourceA / ReportEventA. Nothing is
// opened or looked up before the first report, so a program that refuses to
// start touches no log; a source that cannot be opened is tried again at the
// next report.
class Win32EventLog : public EventLog {
public:
    explicit Win32EventLog(std::string source) : source_name_(std::move(source)) {}

    bool report(EventType type, std::uint32_t event_id, const std::vector<std::string>& inserts) override;
    std::string user_name() override;
    std::string error_text(long status) override;

private:
    PSID user_sid();

    std::string source_name_;
    UniqueEventSource source_;
    std::vector<BYTE> user_sid_; // empty until read, and when it cannot be
    bool sid_read_ = false;
    std::string user_name_;
    bool name_read_ = false;
};

} // namespace platform::win32
