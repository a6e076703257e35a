#include "update/update_check.h"

#include <utility>
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
// read what follows as a local path. An address as long as the longest value
// the INI reader hands back may have been cut.
bool web_address(const std::string& url)
{
    std::size_t after_slashes = 0;
    if (starts_with_ignoring_case(url, "http://"))
        after_slashes = 7;
    else if (starts_with_ignoring_case(url, "https://"))
        after_slashes = 8;
    else
        return false;
    return url.size() < platform::LONGEST_INI_VALUE && printable_ascii_without_blanks_or_quotes(url) &&
           names_a_host(url, after_slashes);
}

// A download that ended: usable when it succeeded within the deadline.
program::Result<void, StepError> downloaded_in_time(const platform::RunningDownload::Outcome& outcome)
{
    if (outcome.took_ms > DOWNLOAD_DEADLINE_MS)
        return StepError{Failure::download_too_late};
    if (outcome.result != 0)
        return StepError{Failure::download_failed, outcome.result};
    return {};
}

// Comparer_Versions: true when the published version is the newer one.
program::Result<bool, StepError> newer(const std::string& current, const std::string& published)
{
    const auto current_number = version_number(current);
    const auto published_number = version_number(published);
    if (!current_number || !published_number)
        return StepError{Failure::version_not_a_number};
    return *current_number < *published_number;
}

} // namespace

// The check under way. Letting go of it cancels the deadline and abandons a
// download still running, which keeps its file until it ends.
struct UpdateCheck::Run {
    CheckedProduct checked;
    std::string local_file; // where the versions file is downloaded
    std::unique_ptr<platform::RunningDownload> download;
    std::unique_ptr<platform::PendingTimer> deadline;
};

UpdateCheck::UpdateCheck(platform::Services& services, const platform::Form& owner)
    : services_(services), owner_(owner)
{
}

UpdateCheck::~UpdateCheck() = default;

// Verifier
void UpdateCheck::check_for_update(const CheckedProduct& checked)
{
    if (run_)
        return; // chosen again during a check
    run_ = std::make_unique<Run>();
    run_->checked = checked;
    if (on_started)
        on_started();
    if (const auto started = start_download(); !started.succeeded())
        end(started);
}

// Connexion_Internet, then the start of Telechargement: the download goes
// into a new file that no one else has written; one that cannot start leaves
// no file.
program::Result<void, StepError> UpdateCheck::start_download()
{
    if (!services_.internet.connected())
        return StepError{Failure::not_connected};
    const auto local = services_.file_system.new_temporary_file(TEMPORARY_FILE_PREFIX);
    if (!local)
        return StepError{Failure::no_temporary_file};
    auto download = services_.internet.start_download(
        run_->checked.versions_address, *local,
        [this](const platform::RunningDownload::Outcome& outcome) { download_ended(outcome); });
    if (!download) {
        (void)services_.file_system.delete_file(*local); // the check fails either way
        return StepError{Failure::download_not_started};
    }
    run_->local_file = *local;
    run_->download = std::move(download);
    // Passed once a download that ended now would have taken too long.
    run_->deadline = services_.timers.start_timer(DOWNLOAD_DEADLINE_MS + 1, [this] { deadline_passed(); });
    return {};
}

void UpdateCheck::download_ended(const platform::RunningDownload::Outcome& outcome)
{
    run_->deadline.reset();
    end(use_versions_file(outcome));
}

// The download may have ended in time all the same, its end not heard yet:
// the loop was held up, by a box of another command for one. What it took
// decides. One still running is abandoned with its file: the download may
// still write it, and deletes it itself when it ends; until then the file
// keeps its name taken, so the next check gets another one.
void UpdateCheck::deadline_passed()
{
    if (const auto outcome = run_->download->outcome()) {
        download_ended(*outcome);
        return;
    }
    run_->download.reset();
    end(StepError{Failure::download_too_late});
}

// The rest of Telechargement, Lecture_Ini and Comparer_Versions, then the
// offer. A download that failed or ended too late is not read.
program::Result<void, StepError> UpdateCheck::use_versions_file(const platform::RunningDownload::Outcome& outcome)
{
    if (const auto usable = downloaded_in_time(outcome); !usable.succeeded()) {
        (void)services_.file_system.delete_file(run_->local_file); // the check fails either way
        return usable;
    }
    const auto published = read_versions_file();
    if (!published.succeeded())
        return published.error();
    return offer(published.value());
}

// The check is over: its failure, if any, is told, then the host hears it.
void UpdateCheck::end(const program::Result<void, StepError>& outcome)
{
    if (!outcome.succeeded())
        show_failure(outcome.error());
    run_.reset();
    if (on_ended)
        on_ended();
}

// The user hears of a missing connection; every other failure has the one
// message.
void UpdateCheck::show_failure(const StepError& error)
{
    switch (error.failure) {
    case Failure::not_connected:
        services_.boxes.show(NOT_CONNECTED, platform::Buttons::ok, platform::BoxIcon::error);
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

// Lecture_Ini: reads our section (a missing file, section or key reads as an
// empty text), then deletes the file before anything else can fail, so it
// never outlives the check.
program::Result<PublishedVersion, StepError> UpdateCheck::read_versions_file()
{
    const std::string& path = run_->local_file;
    const std::string& section = run_->checked.product;
    PublishedVersion published;
    published.version = services_.ini.value(path, section, "Version");
    published.news = services_.ini.value(path, section, "Infos");
    published.download_address = services_.ini.value(path, section, "URL");
    if (const auto deleted = services_.file_system.delete_file(path); !deleted.succeeded())
        return StepError{Failure::file_kept, deleted.error().code, deleted.error().description};
    return published;
}

program::Result<void, StepError> UpdateCheck::offer(const PublishedVersion& published)
{
    const std::string& current = run_->checked.version;
    const auto is_newer = newer(current, published.version);
    if (!is_newer.succeeded())
        return is_newer.error();
    if (!is_newer.value()) {
        services_.boxes.show(NO_NEW_VERSION, platform::Buttons::ok, platform::BoxIcon::warning);
        return {};
    }
    const int answer = services_.boxes.show(offer_text(current, published.version, published.news),
                                            platform::Buttons::yes_no, platform::BoxIcon::question);
    if (answer != platform::ANSWER_YES)
        return {};
    return open_download_address(published.download_address);
}

// A browser that does not start is the shell's to tell.
program::Result<void, StepError> UpdateCheck::open_download_address(const std::string& url)
{
    if (!web_address(url))
        return StepError{Failure::not_a_web_address};
    services_.shell.open(owner_.window_handle, url);
    return {};
}

} // namespace update
