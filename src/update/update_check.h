#pragma once

#include <cstdint>
#include <string>

#include "platform/controls.h"
#include "platform/services.h"
#include "update/resource_ids.h"
#include "update/step_result.h"

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
// GetPrivateProfileStringA's buffer: a value is cut to one character less.
inline constexpr std::uint32_t INI_BUFFER_SIZE = 255;
// The globe picture: 32 x 32 pixels.
inline constexpr int IMAGE_SIZE_TWIPS = 480;

// Our product's section of the versions file, as read.
struct PublishedVersion {
    std::string version;
    std::string news;
    std::string download_address;
};

// The update check as a reusable control. The host says where the versions
// file lies (the address), which product's section to read and which version
// the user runs; check_for_update downloads the file, compares and tells the
// user, offering to open the download address of a newer version. The
// property names the host stores and hears about are "Adresse", "Logiciel"
// and "Version".
class UpdateCheck : public platform::UserControl {
public:
    UpdateCheck(std::string name, platform::Services& services);

    platform::Image globe{"Image1", IDI_GLOBE, IMAGE_SIZE_TWIPS, IMAGE_SIZE_TWIPS};

    std::string address() const { return address_; }
    void set_address(const std::string& address);
    std::string product() const { return product_; }
    void set_product(const std::string& product);
    std::string current_version() const { return current_version_; }
    void set_current_version(const std::string& version);

    // Runs the whole check and reports every outcome in a message box; never
    // fails to its caller. Events keep running while the versions file
    // downloads; a call during a check starts nothing, and a quit message
    // ends the check with nothing shown.
    void check_for_update();
    bool checking() const { return checking_; }

private:
    StepResult<void> run_steps();
    void show_failure(const StepError& error);
    StepResult<void> test_connection();
    StepResult<std::string> download_versions_file(const std::string& address);
    StepResult<platform::RunningDownload::Outcome> wait_for(platform::RunningDownload& download);
    StepResult<PublishedVersion> read_versions_file(const std::string& local);
    std::string read_value(const std::string& path, const std::string& key);
    StepResult<bool> compare_versions(const std::string& current, const std::string& published);
    StepResult<void> open_download_address(const std::string& url);
    void keep_globe_size();
    void read_stored_properties(const platform::PropertyBag& properties);

    platform::Services& services_;
    std::string address_;
    std::string product_;
    std::string current_version_;
    bool checking_ = false;
};

} // namespace update
