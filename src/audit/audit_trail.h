#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/event_log.h"
#include "program/event_ids.h"

namespace audit {

inline constexpr char LOCK_ON[] = "activé";
inline constexpr char LOCK_OFF[] = "désactivé";
// What could not be done to a setup file of the driver.
inline constexpr char SETUP_FILE_CLOSED[] = "fermé";
inline constexpr char SETUP_FILE_OPENED[] = "rouvert";

// Why the lock came back by itself.
enum class RelockCause {
    delay_elapsed, // RelockMinutes after an unlock made through the program
    startup,       // RelockAtStartup, at the start of the service or the program
};
inline constexpr char RELOCK_DELAY_ELAPSED[] = "délai de la stratégie RelockMinutes écoulé";
inline constexpr char RELOCK_AT_STARTUP[] = "démarrage avec la stratégie RelockAtStartup";

// Who did what to the lock and the password, for the administrators who read
// the machine's event log. Reporting never changes what the user sees: an
// event that cannot be written is left out. Names and texts from outside the
// program go in as data: no control character, no '%' a viewer could expand.
class AuditTrail {
public:
    explicit AuditTrail(platform::EventLog& log) : log_(log) {}

    // Start-up has shown the icon.
    void started(const std::string& version, bool locked);
    void stopped(bool locked);
    void locked();
    // The lock came back by itself, as the policies ask; the lock's own event
    // has been written by whoever wrote it.
    void relocked(RelockCause cause);
    // Unlocked after the password window accepted the password.
    void unlocked();
    // A wrong password typed to unlock.
    void wrong_password();
    // A wrong current password typed to change the password.
    void wrong_current_password();
    // This user's wrong password was one too many: every password is refused
    // for a while.
    void too_many_tries();
    // Changed in the password window.
    void password_changed();
    // Set by a deployment tool (vhpasswd, which the package runs too).
    void password_set(const std::string& tool);
    // The Start value changed from outside and the icon followed it.
    void changed_outside(bool locked, const std::string& start_value);
    // Writing the Start value failed with this status.
    void write_failed(long status);
    // USB drives ejected after a lock, by the names the user knows them by.
    void drives_ejected(const std::vector<std::string>& names);
    // The password file could not be read, with the system's code and text
    // (or the program's own for a file that holds no readable password): no
    // entry could be checked, which is not a wrong password.
    void password_file_unreadable(const std::string& file, long code, const std::string& text);

    // A setup file of the USB storage driver could not be closed (on a lock)
    // or opened again (on an unlock), with the system's code and text.
    void setup_file_failed(bool closing, const std::string& file, long code, const std::string& text);

private:
    void report(platform::EventType type, std::uint32_t event_id, const std::vector<std::string>& inserts);

    platform::EventLog& log_;
};

} // namespace audit
