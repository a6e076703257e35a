#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/controls.h"
#include "platform/services.h"
#include "update/resource_ids.h"

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

// The update check as a reusable control. The host says where the versions
// file lies (Adresse), which product's section to read (Logiciel) and which
// version the user runs (Version); Verifier downloads the file, compares and
// tells the user, offering to open the download address of a newer version.
class MiseAjour : public platform::UserControl {
public:
    MiseAjour(std::string name, platform::Services& services);

    platform::Image Image1{"Image1", IDI_GLOBE, IMAGE_SIZE_TWIPS, IMAGE_SIZE_TWIPS};

    std::string Adresse() const { return adresse_; }
    void set_Adresse(const std::string& New_Adresse);
    std::string Logiciel() const { return logiciel_; }
    void set_Logiciel(const std::string& New_Logiciel);
    std::string Version() const { return version_; }
    void set_Version(const std::string& New_Version);

    // Runs the whole check and reports every outcome in a message box; never
    // fails to its caller. Events keep running while the versions file
    // downloads; a call during a check starts nothing, and a quit message
    // ends the check with nothing shown.
    void Verifier();
    bool checking() const { return checking_; }

private:
    void check();
    bool Connexion_Internet();
    std::string Telechargement(const std::string& address);
    bool downloaded_in_time(const std::string& address, const std::string& local);
    std::optional<long> wait_for(platform::RunningDownload& download);
    std::string Lecture_Ini(const std::string& path, const std::string& section, const std::string& key);
    bool Comparer_Versions(const std::string& current, const std::string& published);
    void UserControl_Resize();
    void UserControl_ReadProperties(const platform::PropertyBag& properties);

    platform::Services& services_;
    std::string adresse_;
    std::string logiciel_;
    std::string version_;
    bool checking_ = false;
};

} // namespace update
