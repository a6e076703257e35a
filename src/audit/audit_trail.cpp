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

bool is_control_character(unsigned char c)
{
    // The five bytes Windows-1252 leaves unassigned become C1 control
    // characters when the log turns the insert into Unicode.
    return c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

// Inserts are data, yet Event Viewer breaks the line at a line break in one
// and replaces "%%" and a number with a text of its own; "%1" and "%n" mean
// an insert and a line break to anything that formats the text again. So
// each control character becomes '?', which shows the administrator that
// something was there, and a '%' followed by anything but a blank gets a
// blank after it ("% 1", "% % 1", "% n"): every other character stays as it
// was, and no '%' starts a sequence.
std::string event_insert(const std::string& text)
{
    std::string insert;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        insert += is_control_character(c) ? '?' : static_cast<char>(c);
        if (c == '%' && i + 1 < text.size() && text[i + 1] != ' ')
            insert += ' ';
    }
    return insert;
}

} // namespace

void AuditTrail::started(const std::string& version, bool locked)
{
    report(platform::EventType::information, program::EVENT_STARTED, {version, log_.user_name(), lock_text(locked)});
}

void AuditTrail::stopped(bool locked)
{
    report(platform::EventType::information, program::EVENT_STOPPED, {log_.user_name(), lock_text(locked)});
}

void AuditTrail::locked()
{
    report(platform::EventType::audit_success, program::EVENT_LOCKED, {log_.user_name()});
}

void AuditTrail::relocked(RelockCause cause)
{
    const char* why = cause == RelockCause::delay_elapsed ? RELOCK_DELAY_ELAPSED : RELOCK_AT_STARTUP;
    report(platform::EventType::audit_success, program::EVENT_RELOCKED, {log_.user_name(), why});
}

void AuditTrail::unlocked()
{
    report(platform::EventType::audit_success, program::EVENT_UNLOCKED, {log_.user_name()});
}

void AuditTrail::wrong_password()
{
    report(platform::EventType::audit_failure, program::EVENT_WRONG_PASSWORD, {log_.user_name()});
}

void AuditTrail::wrong_current_password()
{
    report(platform::EventType::audit_failure, program::EVENT_WRONG_CURRENT_PASSWORD, {log_.user_name()});
}

void AuditTrail::too_many_tries()
{
    report(platform::EventType::warning, program::EVENT_TOO_MANY_TRIES, {log_.user_name()});
}

void AuditTrail::password_set(const std::string& tool)
{
    report(platform::EventType::audit_success, program::EVENT_PASSWORD_SET, {log_.user_name(), tool});
}

void AuditTrail::password_changed()
{
    report(platform::EventType::audit_success, program::EVENT_PASSWORD_CHANGED, {log_.user_name()});
}

void AuditTrail::changed_outside(bool locked, const std::string& start_value)
{
    report(platform::EventType::warning, program::EVENT_CHANGED_OUTSIDE, {lock_text(locked), start_value});
}

void AuditTrail::write_failed(long status)
{
    report(platform::EventType::error, program::EVENT_WRITE_FAILED, {log_.user_name(), log_.error_text(status)});
}

void AuditTrail::drives_ejected(const std::vector<std::string>& names)
{
    report(platform::EventType::information, program::EVENT_DRIVES_EJECTED, {log_.user_name(), joined(names)});
}

void AuditTrail::password_file_unreadable(const std::string& file, long code, const std::string& text)
{
    report(platform::EventType::error, program::EVENT_PASSWORD_FILE_UNREADABLE,
           {log_.user_name(), file, std::to_string(code), text});
}

void AuditTrail::setup_file_failed(bool closing, const std::string& file, long code, const std::string& text)
{
    report(platform::EventType::error, program::EVENT_SETUP_FILE_FAILED,
           {log_.user_name(), closing ? SETUP_FILE_CLOSED : SETUP_FILE_OPENED, file, std::to_string(code), text});
}

// Every insert, the program's own texts included, is made an event insert
// here: user and drive names, the Start value and the system's texts come
// from outside. The result is not examined: the user's action has happened
// either way.
void AuditTrail::report(platform::EventType type, std::uint32_t event_id, const std::vector<std::string>& inserts)
{
    std::vector<std::string> safe;
    for (const std::string& insert : inserts)
        safe.push_back(event_insert(insert));
    log_.report(type, event_id, safe);
}

} // namespace audit
