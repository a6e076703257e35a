// The update check's Win32 services, run under Wine: the INI reader and file
// deletion at the edges the fakes model, new temporary files, the download on
// a thread of its own, and the update control's own window with its globe.

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <optional>
#include <string>

#include "checks.h"
#include "platform/forms.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_update_services.h"
#include "update/update_check.h"

namespace {

using checks::check;

void write_file(const std::string& path, const std::string& bytes)
{
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
}

bool exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string temporary_folder()
{
    char base[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, base);
    std::string folder = std::string(base) + "varnhollow-update-test";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::pair<std::uint32_t, std::string> read_ini(platform::IniFiles& ini, const std::string& path,
                                               const std::string& section, const std::string& key)
{
    std::string buffer(255, '\0');
    const std::uint32_t copied = ini.get_private_profile_string(section, key, "", buffer.data(), 255, path);
    return {copied, buffer.substr(0, copied)};
}

void ini_reader(const std::string& folder)
{
    platform::win32::Win32IniFiles ini;
    const std::string path = folder + "\\Tempo.net";
    write_file(path, "[Autre]\r\nVersion=9.9\r\n[varnhollow]\r\nVERSION = 1.5 \r\nInfos=" + std::string(300, 'x') +
                         "\r\nURL=\"http://www.varnhollow.example/v\xe9.zip\"\r\n");
    check(read_ini(ini, path, "Varnhollow", "Version") == std::pair(3u, std::string("1.5")),
          "section and key in any case, blanks dropped");
    check(read_ini(ini, path, "Varnhollow", "Infos") == std::pair(254u, std::string(254, 'x')),
          "a long value is cut to 254 characters");
    const std::string url = "http://www.varnhollow.example/v\xe9.zip";
    check(read_ini(ini, path, "Varnhollow", "URL") == std::pair(static_cast<std::uint32_t>(url.size()), url),
          "quotes dropped, Windows-1252 kept");
    check(read_ini(ini, path, "Varnhollow", "Missing") == std::pair(0u, std::string()), "missing key");
    check(read_ini(ini, path, "Nothing", "Version") == std::pair(0u, std::string()), "missing section");
    check(read_ini(ini, folder + "\\missing.ini", "Varnhollow", "Version") == std::pair(0u, std::string()),
          "missing file");
    ::DeleteFileA(path.c_str());
}

std::string read_file(const std::string& path)
{
    std::string bytes;
    if (FILE* in = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
            bytes.append(buffer, got);
        std::fclose(in);
    }
    return bytes;
}

// What GetTempFileNameA makes of the prefix "VHt": the system writes the
// unique number in hex without leading zeros (Wine) or as four digits, and
// the extension in either case.
bool is_temporary_file_name(const std::string& name)
{
    if (name.size() < 9 || name.size() > 11 || name.rfind("VHt", 0) != 0)
        return false;
    const std::string digits = name.substr(3, name.size() - 7);
    const std::string extension = name.substr(name.size() - 4);
    return digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos &&
           _stricmp(extension.c_str(), ".tmp") == 0;
}

void files(const std::string& folder)
{
    platform::win32::Win32FileSystem system;
    char temporary[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temporary);
    const auto first = system.new_temporary_file("VHtest");
    const auto second = system.new_temporary_file("VHtest");
    check(first && second && *first != *second, "each temporary file is a new one");
    if (first && second) {
        const std::string name = first->substr(first->find_last_of('\\') + 1);
        check(first->rfind(temporary, 0) == 0, "in the user's temporary folder: " + *first);
        check(is_temporary_file_name(name), "named VHt, 1 to 4 hex digits, .tmp: " + name);
        check(exists(*first) && read_file(*first).empty(), "created empty");
        ::DeleteFileA(first->c_str());
        ::DeleteFileA(second->c_str());
    }

    const std::string path = folder + "\\Tempo.net";
    write_file(path, "x");
    check(!system.delete_file(path) && !exists(path), "an existing file is deleted");
    const auto missing = system.delete_file(path);
    check(missing && missing->code == ERROR_FILE_NOT_FOUND && !missing->description.empty(),
          "deleting a missing file is an error with the system's text");
}

// Lets the thread's messages run until the download ends, for at most 20 s.
std::optional<platform::RunningDownload::Outcome> wait_for(platform::RunningDownload& download)
{
    for (int i = 0; i < 400; ++i) {
        if (const auto outcome = download.outcome())
            return outcome;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&message);
    }
    return std::nullopt;
}

std::string file_url(const std::string& path)
{
    std::string url = "file:///" + path;
    for (char& c : url)
        if (c == '\\')
            c = '/';
    return url;
}

int thread_count()
{
    int count = 0;
    const platform::win32::UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry))
        count += entry.th32OwnerProcessID == ::GetCurrentProcessId();
    return count;
}

void downloads(const std::string& folder)
{
    platform::win32::Win32Internet internet;
    platform::win32::Win32FileSystem system;
    const std::string source = folder + "\\versions.txt";
    const std::string body = "[Varnhollow]\r\nVersion=1.5\r\n" + std::string(100000, 'x');
    write_file(source, body);

    const auto target = system.new_temporary_file("VHt");
    const auto failing = system.new_temporary_file("VHt");
    const auto abandoned = system.new_temporary_file("VHt");
    if (!target || !failing || !abandoned) {
        check(false, "temporary files for the downloads");
        return;
    }
    const int threads_before = thread_count();
    auto download = internet.start_download(file_url(source), *target, platform::BIND_GET_NEWEST_VERSION);
    check(download != nullptr, "a download starts");
    check(thread_count() > threads_before, "on a thread of its own");
    if (!download)
        return;
    const auto outcome = wait_for(*download);
    check(outcome && outcome->result == 0, "it ends with success");
    check(outcome && outcome->took_ms <= download->elapsed_ms(), "after the time it took");
    check(read_file(*target) == body, "into the existing file, replaced");
    download.reset();
    check(exists(*target), "a download that ended keeps its file when let go");
    ::DeleteFileA(target->c_str());

    download = internet.start_download(file_url(folder + "\\missing.txt"), *failing, 0);
    const auto failed = download ? wait_for(*download) : std::nullopt;
    check(failed && failed->result != 0, "a missing source ends with an error");
    ::DeleteFileA(failing->c_str());

    // Let go at once: the thread deletes what it writes after that.
    download = internet.start_download(file_url(source), *abandoned, 0);
    download.reset();
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i) {
        ::Sleep(50);
        gone = !exists(*abandoned);
    }
    check(gone, "an abandoned download deletes its file when it ends");
    ::DeleteFileA(abandoned->c_str());
    ::DeleteFileA(source.c_str());
}

void control_window(HINSTANCE instance)
{
    platform::win32::Win32Platform system(instance);
    platform::Forms forms(system.windows);
    platform::Form form{"Form1", "Varnhollow"};
    update::UpdateCheck control{"MiseAjour1", system.services};
    form.controls = {&control};
    forms.load(form);

    const auto hwnd = reinterpret_cast<HWND>(control.window_handle);
    check(::IsWindow(hwnd) != FALSE, "the control has its own window");
    RECT r{};
    ::GetClientRect(hwnd, &r);
    check(r.right == 32 && r.bottom == 32, "the control's window is 32 x 32 after loading");
    control.resize(3000, 150);
    ::GetClientRect(hwnd, &r);
    check(r.right == 32 && r.bottom == 32, "and springs back to 32 x 32 after a resize");

    HWND image = ::GetWindow(hwnd, GW_CHILD);
    check(image && ::SendMessageA(image, STM_GETICON, 0, 0) != 0, "the image shows the globe from the resources");
    forms.unload(form);
    check(control.window_handle == 0 && !::IsWindow(hwnd), "unloading destroys the window");
}

} // namespace

int main()
{
    const std::string folder = temporary_folder();
    ini_reader(folder);
    files(folder);
    downloads(folder);
    control_window(::GetModuleHandleA(nullptr));
    ::RemoveDirectoryA(folder.c_str());
    return checks::report();
}
