#include "update/mise_a_jour.h"

#include <vector>

#include "update/version_number.h"

namespace update {

namespace {

// Any failure inside the check; the check shows one message for all of them,
// so the failure carries nothing.
struct CheckFailed {};
// The program's thread was told to end during the check: nothing more is shown.
struct CheckAbandoned {};

std::string offer_text(const std::string& current, const std::string& published, const std::string& infos)
{
    const std::vector<std::string> lines = {
        "Vous disposez actuellement de la version : " + current,
        "",
        "Une nouvelle version du logiciel est disponible :",
        "Il s'agit de la version " + published,
        "",
        "Les nouveautés de cette version :",
        infos,
        "",
        "Souhaitez-vous télécharger cette nouvelle version ?",
    };
    std::string text = lines.front();
    for (std::size_t i = 1; i < lines.size(); ++i)
        text += "\r\n" + lines[i];
    return text;
}

bool starts_with_ignoring_case(const std::string& text, const std::string& prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

bool printable_ascii_without_blanks_or_quotes(const std::string& text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte >= 0x7F || c == '"' || c == '\'')
            return false;
    }
    return true;
}

// The download address comes from an unauthenticated download: the shell
// would just as well start a program or open a local file, and a blank or a
// quote could end the address inside the browser's command line, so only
// whole, plain web addresses go to it. An address as long as the reader's
// buffer allows may have been cut.
bool web_address(const std::string& url)
{
    return (starts_with_ignoring_case(url, "http://") || starts_with_ignoring_case(url, "https://")) &&
           url.size() < INI_BUFFER_SIZE - 1 && printable_ascii_without_blanks_or_quotes(url);
}

std::int16_t whole_number(const std::string& version)
{
    const auto number = version_number(version);
    if (!number)
        throw CheckFailed{};
    return *number;
}

} // namespace

MiseAjour::MiseAjour(std::string name, platform::Services& services)
    : UserControl(std::move(name), IMAGE_SIZE_TWIPS, IMAGE_SIZE_TWIPS), services_(services)
{
    controls = {&Image1};
    on_resize = [this] { UserControl_Resize(); };
    on_read_properties = [this](const platform::PropertyBag& properties) { UserControl_ReadProperties(properties); };
}

void MiseAjour::set_Adresse(const std::string& New_Adresse)
{
    adresse_ = New_Adresse;
    property_changed("Adresse");
}

void MiseAjour::set_Logiciel(const std::string& New_Logiciel)
{
    logiciel_ = New_Logiciel;
    property_changed("Logiciel");
}

void MiseAjour::set_Version(const std::string& New_Version)
{
    version_ = New_Version;
    property_changed("Version");
}

void MiseAjour::Verifier()
{
    if (checking_)
        return; // chosen again while the download runs
    checking_ = true;
    try {
        check();
    } catch (const CheckFailed&) {
        services_.boxes.show(NO_INFORMATION, platform::Buttons::ok, platform::BoxIcon::error);
    } catch (const CheckAbandoned&) {
        // The program is ending: the user is told nothing more.
    }
    checking_ = false;
}

void MiseAjour::check()
{
    if (!Connexion_Internet()) {
        services_.boxes.show(NOT_CONNECTED, platform::Buttons::ok, platform::BoxIcon::error);
        return;
    }
    const std::string local = Telechargement(adresse_);
    const std::string published = Lecture_Ini(local, logiciel_, "Version");
    const std::string infos = Lecture_Ini(local, logiciel_, "Infos");
    const std::string url = Lecture_Ini(local, logiciel_, "URL");

    // Before anything else can fail, so the file never outlives the check.
    if (const auto error = services_.file_system.delete_file(local))
        throw CheckFailed{};

    if (!Comparer_Versions(version_, published)) {
        services_.boxes.show(NO_NEW_VERSION, platform::Buttons::ok, platform::BoxIcon::warning);
        return;
    }
    const int answer = services_.boxes.show(offer_text(version_, published, infos), platform::Buttons::yes_no,
                                            platform::BoxIcon::question);
    if (answer != platform::ANSWER_YES)
        return;
    if (!web_address(url))
        throw CheckFailed{};
    services_.shell.shell_execute(window_handle, "", url, "", "", platform::SW_SHOWNORMAL_MODE);
}

bool MiseAjour::Connexion_Internet()
{
    std::uint32_t flags = 0;
    return services_.internet.get_connected_state(flags, 0) != 0;
}

// Downloads into a new file that no one else has written, and returns its
// path only when the download succeeded in time; otherwise the file goes.
std::string MiseAjour::Telechargement(const std::string& address)
{
    const auto local = services_.file_system.new_temporary_file(TEMPORARY_FILE_PREFIX);
    if (!local)
        throw CheckFailed{};
    try {
        if (downloaded_in_time(address, *local))
            return *local;
    } catch (const CheckAbandoned&) {
        services_.file_system.delete_file(*local);
        throw;
    }
    services_.file_system.delete_file(*local);
    throw CheckFailed{};
}

// A download still running when this returns is abandoned: what it writes
// later is deleted.
bool MiseAjour::downloaded_in_time(const std::string& address, const std::string& local)
{
    const auto download = services_.internet.start_download(address, local, platform::BIND_GET_NEWEST_VERSION);
    return download && wait_for(*download) == 0L;
}

// The download's result, or nothing when it did not end within the deadline.
// Menu commands keep running meanwhile.
std::optional<long> MiseAjour::wait_for(platform::RunningDownload& download)
{
    for (;;) {
        if (const auto outcome = download.outcome()) {
            if (outcome->took_ms > DOWNLOAD_DEADLINE_MS)
                return std::nullopt; // it ended late, during a longer wait of another command
            return outcome->result;
        }
        if (download.elapsed_ms() > DOWNLOAD_DEADLINE_MS)
            return std::nullopt;
        if (!services_.pump.process_pending_events())
            throw CheckAbandoned{};
    }
}

std::string MiseAjour::Lecture_Ini(const std::string& path, const std::string& section, const std::string& key)
{
    std::string buffer(INI_BUFFER_SIZE, '\0');
    const std::uint32_t copied =
        services_.ini.get_private_profile_string(section, key, "", buffer.data(), INI_BUFFER_SIZE, path);
    return buffer.substr(0, copied);
}

bool MiseAjour::Comparer_Versions(const std::string& current, const std::string& published)
{
    return whole_number(current) < whole_number(published);
}

void MiseAjour::UserControl_Resize()
{
    set_width_twips(Image1.width_twips());
    set_height_twips(Image1.height_twips());
}

void MiseAjour::UserControl_ReadProperties(const platform::PropertyBag& properties)
{
    const auto read = [&properties](const char* name) {
        const auto found = properties.find(name);
        return found == properties.end() ? std::string() : found->second;
    };
    adresse_ = read("Adresse");
    logiciel_ = read("Logiciel");
    version_ = read("Version");
}

} // namespace update
