#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/controls.h"
#include "platform/services.h"
#include "program/result.h"
#include "update/step_error.h"

namespace update {

inline constexpr char NOT_CONNECTED[] = "Vous n'êtes pas connecté à internet, vérification impossible.";
inline constexpr char NO_INFORMATION[] = "Aucune information disponible. Ré-essayer ultérieurement.";
inline constexpr char NO_NEW_VERSION[] = "Aucune nouvelle version n'est disponible.";

// The versions file is downloaded into a new file of the user's temporary
// folder named after this prefix ("VHxxxx.tmp").
inline constexpr char TEMPORARY_FILE_PREFIX[] = "VH";
// The whole download, from its start: past it the check fails and a late
// result is thrown away.
inline constexpr std::uint32_t DOWNLOAD_DEADLINE_MS = 30000;

// What a check compares: where the versions file lies, the product's section
// in it, and the version the user runs.
struct CheckedProduct {
    std::string versions_address;
    std::string product;
    std::string version;
};

// Our product's section of the versions file, as read.
struct PublishedVersion {
    std::string version;
    std::string news;
    std::string download_address;
};

// The update check: downloads the versions file, compares and tells the
// user, offering to open the download address of a newer version. It never
// waits: starting it starts the download and returns, and the rest runs
// when the download has ended or its deadline has passed, as events of the
// window thread's loop.
class UpdateCheck {
public:
    // What the check opens (the download address) is owned by `owner`.
    UpdateCheck(platform::Services& services, const platform::Form& owner);
    // A check under way goes with it, its download abandoned.
    ~UpdateCheck();
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    // Starts a check, which reports every outcome in a message box; nothing
    // when a check is under way. Never fails to its caller.
    void check_for_update(const CheckedProduct& checked);
    // From the start of a check to the close of its last box.
    bool checking() const { return run_ != nullptr; }

    // The host hears when a check begins and when it has ended (its last box
    // closed). A check that goes with its object (the program ends) is not
    // told to have ended.
    std::function<void()> on_started;
    std::function<void()> on_ended;

private:
    struct Run;

    program::Result<void, StepError> start_download();
    void download_ended(const platform::RunningDownload::Outcome& outcome);
    void deadline_passed();
    program::Result<void, StepError> use_versions_file(const platform::RunningDownload::Outcome& outcome);
    void end(const program::Result<void, StepError>& outcome);
    void show_failure(const StepError& error);
    program::Result<void, StepError> delete_downloaded_file();
    program::Result<PublishedVersion, StepError> read_versions_file();
    program::Result<void, StepError> offer(const PublishedVersion& published);
    program::Result<void, StepError> open_download_address(const std::string& url);

    platform::Services& services_;
    const platform::Form& owner_;
    // The check under way, if any.
    std::unique_ptr<Run> run_;
};

} // namespace update
