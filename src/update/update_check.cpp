#include "update/update_check.h"

#include <vector>

#include "update/version_number.h"

namespace update {

namespace {

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

bool letter_or_digit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Labels of letters, digits and hyphens, one dot between two.
bool host_name(const std::string& host)
{
    std::size_t label_length = 0;
    for (const char c : host) {
        if (c == '.') {
            if (label_length == 0)
                return false;
            label_length = 0;
        } else if (letter_or_digit(c) || c == '-') {
            ++label_length;
        } else {
            return false;
        }
    }
    return label_length > 0;
}

// The part after "//" up to the path, query or fragment (a backslash too,
// which browsers read as a slash): an optional user name and password ending
// at its last '@', the host, an optional ':' and port number.
bool names_a_host(const std::string& url, std::size_t after_slashes)
{
    const std::size_t end = url.find_first_of("/?#\\", after_slashes);
    std::string authority = url.substr(after_slashes, end - after_slashes); // to the end when npos
    if (const std::size_t at = authority.rfind('@'); at != std::string::npos)
        authority.erase(0, at + 1);
    const std::size_t colon = authority.find(':');
    if (colon != std::string::npos && authority.find_first_not_of("0123456789", colon + 1) != std::string::npos)
        return false;
    return host_name(authority.substr(0, colon));
}

// The download address comes from an unauthenticated download: the shell
// would just as well start a program or open a local file, and a blank or a
// quote could end the address inside the browser's command line, so only
// whole, plain web addresses naming a host go to it; without one, Windows may
// read what follows as a local path. An address as long as the reader's
// buffer allows may have been cut.
bool web_address(const std::string& url)
{
    std::size_t after_slashes = 0;
    if (starts_with_ignoring_case(url, "http://"))
        after_slashes = 7;
    else if (starts_with_ignoring_case(url, "https://"))
        after_slashes = 8;
    else
        return false;
    return url.size() < INI_BUFFER_SIZE - 1 && printable_ascii_without_blanks_or_quotes(url) &&
           names_a_host(url, after_slashes);
}

// A download that ended: usable when it succeeded within the deadline.
StepResult<void> downloaded_in_time(const platform::RunningDownload::Outcome& outcome)
{
    if (outcome.took_ms > DOWNLOAD_DEADLINE_MS)
        return StepError{Failure::download_too_late}; // seen late, after a longer wait of another command
    if (outcome.result != 0)
        return StepError{Failure::download_failed, outcome.result};
    return {};
}

} // namespace

UpdateCheck::UpdateCheck(std::string name, platform::Services& services)
    : UserControl(std::move(name), IMAGE_SIZE_TWIPS, IMAGE_SIZE_TWIPS), services_(services)
{
    controls = {&globe};
    on_resize = [this] { keep_globe_size(); };
    on_read_properties = [this](const platform::PropertyBag& properties) { read_stored_properties(properties); };
}

void UpdateCheck::set_address(const std::string& address)
{
    address_ = address;
    property_changed("Adresse");
}

void UpdateCheck::set_product(const std::string& product)
{
    product_ = product;
    property_changed("Logiciel");
}

void UpdateCheck::set_current_version(const std::string& version)
{
    current_version_ = version;
    property_changed("Version");
}

// Verifier
void UpdateCheck::check_for_update()
{
    if (checking_)
        return; // chosen again while the download runs
    checking_ = true;
    if (const auto outcome = run_steps(); !outcome.succeeded())
        show_failure(outcome.error());
    checking_ = false;
}

// The user hears of a missing connection; every other failure has the one
// message, and once the program is ending, nothing more is shown.
void UpdateCheck::show_failure(const StepError& error)
{
    switch (error.failure) {
    case Failure::not_connected:
        services_.boxes.show(NOT_CONNECTED, platform::Buttons::ok, platform::BoxIcon::error);
        return;
    case Failure::abandoned:
        return;
    case Failure::no_temporary_file:
    case Failure::download_not_started:
    case Failure::download_failed:
    case Failure::download_too_late:
    case Failure::file_kept:
    case Failure::version_not_a_number:
    case Failure::not_a_web_address:
        services_.boxes.show(NO_INFORMATION, platform::Buttons::ok, platform::BoxIcon::error);
        return;
    }
}

StepResult<void> UpdateCheck::run_steps()
{
    if (const auto connected = test_connection(); !connected.succeeded())
        return connected.error();
    const auto local = download_versions_file(address_);
    if (!local.succeeded())
        return local.error();
    const auto published = read_versions_file(local.value());
    if (!published.succeeded())
        return published.error();
    const auto newer = compare_versions(current_version_, published.value().version);
    if (!newer.succeeded())
        return newer.error();

    if (!newer.value()) {
        services_.boxes.show(NO_NEW_VERSION, platform::Buttons::ok, platform::BoxIcon::warning);
        return {};
    }
    const PublishedVersion& offered = published.value();
    const int answer = services_.boxes.show(offer_text(current_version_, offered.version, offered.news),
                                            platform::Buttons::yes_no, platform::BoxIcon::question);
    if (answer != platform::ANSWER_YES)
        return {};
    return open_download_address(offered.download_address);
}

// Connexion_Internet
StepResult<void> UpdateCheck::test_connection()
{
    std::uint32_t flags = 0;
    if (services_.internet.get_connected_state(flags, 0) == 0)
        return StepError{Failure::not_connected};
    return {};
}

// Telechargement: downloads into a new file that no one else has written, and
// gives its path only when the download succeeded in time. A download that
// ended, or never started, leaves no file. One still running when the check
// gives up is abandoned with its file: the download may still write it, and
// deletes it itself when it ends; until then the file keeps its name taken,
// so the next check gets another one.
StepResult<std::string> UpdateCheck::download_versions_file(const std::string& address)
{
    const auto local = services_.file_system.new_temporary_file(TEMPORARY_FILE_PREFIX);
    if (!local)
        return StepError{Failure::no_temporary_file};
    const auto download = services_.internet.start_download(address, *local, platform::BIND_GET_NEWEST_VERSION);
    if (!download) {
        services_.file_system.delete_file(*local);
        return StepError{Failure::download_not_started};
    }
    const auto ended = wait_for(*download);
    if (!ended.succeeded())
        return ended.error(); // the download still runs, and owns the file
    if (const auto usable = downloaded_in_time(ended.value()); !usable.succeeded()) {
        services_.file_system.delete_file(*local); // the check fails either way
        return usable.error();
    }
    return *local;
}

// The download's outcome once it has ended, or why the check stopped waiting
// first. Menu commands keep running meanwhile.
StepResult<platform::RunningDownload::Outcome> UpdateCheck::wait_for(platform::RunningDownload& download)
{
    for (;;) {
        if (const auto outcome = download.outcome())
            return *outcome;
        if (download.elapsed_ms() > DOWNLOAD_DEADLINE_MS)
            return StepError{Failure::download_too_late};
        if (!services_.pump.process_pending_events())
            return StepError{Failure::abandoned};
    }
}

// Reads our section, then deletes the file before anything else can fail, so
// it never outlives the check.
StepResult<PublishedVersion> UpdateCheck::read_versions_file(const std::string& local)
{
    PublishedVersion published;
    published.version = read_value(local, "Version");
    published.news = read_value(local, "Infos");
    published.download_address = read_value(local, "URL");
    if (const auto error = services_.file_system.delete_file(local))
        return StepError{Failure::file_kept, error->code, error->description};
    return published;
}

// Lecture_Ini: a missing file, section or key reads as an empty text.
std::string UpdateCheck::read_value(const std::string& path, const std::string& key)
{
    std::string buffer(INI_BUFFER_SIZE, '\0');
    const std::uint32_t copied =
        services_.ini.get_private_profile_string(product_, key, "", buffer.data(), INI_BUFFER_SIZE, path);
    return buffer.substr(0, copied);
}

// Comparer_Versions: true when the published version is the newer one.
StepResult<bool> UpdateCheck::compare_versions(const std::string& current, const std::string& published)
{
    const auto current_number = version_number(current);
    const auto published_number = version_number(published);
    if (!current_number || !published_number)
        return StepError{Failure::version_not_a_number};
    return *current_number < *published_number;
}

StepResult<void> UpdateCheck::open_download_address(const std::string& url)
{
    if (!web_address(url))
        return StepError{Failure::not_a_web_address};
    services_.shell.shell_execute(window_handle, "", url, "", "", platform::SW_SHOWNORMAL_MODE);
    return {};
}

// UserControl_Resize: the control is always as large as its globe.
void UpdateCheck::keep_globe_size()
{
    set_width_twips(globe.width_twips());
    set_height_twips(globe.height_twips());
}

// UserControl_ReadProperties: a property absent from the bag reads as empty.
void UpdateCheck::read_stored_properties(const platform::PropertyBag& properties)
{
    const auto read = [&properties](const char* name) {
        const auto found = properties.find(name);
        return found == properties.end() ? std::string() : found->second;
    };
    address_ = read("Adresse");
    product_ = read("Logiciel");
    current_version_ = read("Version");
}

} // namespace update
