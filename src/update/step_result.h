#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace update {

// Why a step of the update check did not succeed.
enum class Failure {
    not_connected,        // the connection test says the machine is offline
    no_temporary_file,    // no new file could be made in the temporary folder
    download_not_started, // the download could not be started
    download_failed,      // the download ended with an error (code: its HRESULT)
    download_too_late,    // the download did not end within the deadline
    abandoned,            // the program's thread was told to end during the wait
    file_kept,            // the downloaded file could not be deleted
    version_not_a_number, // a version is no whole number once its dots are gone
    not_a_web_address,    // the published download address is no plain web address
};

struct StepError {
    StepError(Failure why, long error_code = 0, std::string error_text = {})
        : failure(why), code(error_code), system_text(std::move(error_text))
    {
    }

    Failure failure;
    long code;               // the system's error code, 0 when it gave none
    std::string system_text; // the system's error text, empty when it gave none
};

// What one step of the check did: its value, or why it failed.
template <typename T>
class [[nodiscard]] StepResult {
public:
    StepResult(T value) : outcome_(std::move(value)) {}
    StepResult(StepError error) : outcome_(std::move(error)) {}

    bool succeeded() const { return std::holds_alternative<T>(outcome_); }
    const T& value() const { return std::get<T>(outcome_); }
    const StepError& error() const { return std::get<StepError>(outcome_); }

private:
    std::variant<T, StepError> outcome_;
};

// A step with nothing to hand on.
template <>
class [[nodiscard]] StepResult<void> {
public:
    StepResult() = default;
    StepResult(StepError error) : error_(std::move(error)) {}

    bool succeeded() const { return !error_; }
    const StepError& error() const { return *error_; }

private:
    std::optional<StepError> error_;
};

} // namespace update
