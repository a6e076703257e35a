#pragma once

#include <string>
#include <utility>

namespace update {

// Why a step of the update check did not succeed.
enum class Failure {
    not_connected,        // the connection test says the machine is offline
    no_temporary_file,    // no new file could be made in the temporary folder
    download_not_started, // the download could not be started
    download_failed,      // the download ended with an error (code: its HRESULT)
    download_too_late,    // the download did not end within the deadline
    file_kept,            // the downloaded file could not be deleted
    version_not_a_number, // a version is no whole number once its dots are gone
    not_a_web_address,    // the published download address is no plain web address
};

// What a step of the check reports when it fails (see program::Result).
struct StepError {
    StepError(Failure why, long error_code = 0, std::string error_text = {})
        : failure(why), code(error_code), system_text(std::move(error_text))
    {
    }

    Failure failure;
    long code;               // the system's error code, 0 when it gave none
    std::string system_text; // the system's error text, empty when it gave none
};

} // namespace update
