#include "audit/audit_trail.h"

namespace audit {

namespace {

const char* lock_text(bool locked)
{
    return locked ? LOCK_ON : LOCK_OFF;
}

std::string joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

} // namespace

void AuditTrail::started(const std::string& version, bool locked)
{
    report(platform::EventType::information, EVENT_STARTED, {version, log_.user_name(), lock_text(locked)});
}

void AuditTrail::stopped(bool locked)
{
    report(platform::EventType::information, EVENT_STOPPED, {log_.user_name(), lock_text(locked)});
}

void AuditTrail::locked()
{
    report(platform::EventType::audit_success, EVENT_LOCKED, {log_.user_name()});
}

void AuditTrail::unlocked()
{
    report(platform::EventType::audit_success, EVENT_UNLOCKED, {log_.user_name()});
}

void AuditTrail::wrong_password()
{
    report(platform::EventType::audit_failure, EVENT_WRONG_PASSWORD, {log_.user_name()});
}

void AuditTrail::password_changed()
{
    report(platform::EventType::audit_success, EVENT_PASSWORD_CHANGED, {log_.user_name()});
}

void AuditTrail::changed_outside(bool locked, const std::string& start_value)
{
    report(platform::EventType::warning, EVENT_CHANGED_OUTSIDE, {lock_text(locked), start_value});
}

void AuditTrail::write_failed(long status)
{
    report(platform::EventType::error, EVENT_WRITE_FAILED, {log_.user_name(), log_.error_text(status)});
}

void AuditTrail::drives_ejected(const std::vector<std::string>& names)
{
    report(platform::EventType::information, EVENT_DRIVES_EJECTED, {log_.user_name(), joined(names)});
}

// The result is not examined: the user's action has happened either way.
void AuditTrail::report(platform::EventType type, std::uint32_t event_id, const std::vector<std::string>& inserts)
{
    log_.report(type, event_id, inserts);
}

} // namespace audit
