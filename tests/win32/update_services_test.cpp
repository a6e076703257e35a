// The update check's Win32 services, run under Wine: the INI reader and file
// deletion at the edges the fakes model, the program directory, and the
// update control's own window with its globe.

#include <windows.h>

#include <cstdio>
#include <string>

#include "checks.h"
#include "platform/forms.h"
#include "platform/win32/win32_event_log.h"
#include "platform/win32/win32_registry_watch.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_update_services.h"
#include "platform/win32/win32_window_system.h"
#include "update/mise_a_jour.h"

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

void files(const std::string& folder)
{
    platform::win32::Win32FileSystem system;
    const std::string directory = system.program_directory();
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    check(!directory.empty() && directory.back() != '\\', "program directory without a trailing backslash");
    check(std::string(module).rfind(directory + "\\", 0) == 0, "program directory holds the program");

    const std::string path = folder + "\\Tempo.net";
    write_file(path, "x");
    check(!system.delete_file(path) && !exists(path), "an existing file is deleted");
    const auto missing = system.delete_file(path);
    check(missing && missing->code == ERROR_FILE_NOT_FOUND && !missing->description.empty(),
          "deleting a missing file is an error with the system's text");
}

void control_window(HINSTANCE instance)
{
    platform::win32::Win32Registry registry;
    platform::win32::Win32NotificationArea tray;
    platform::win32::Win32SystemInfo system;
    platform::win32::Win32MessageBoxes boxes;
    platform::win32::Win32Runtime runtime;
    platform::win32::Win32RecordFiles record_files;
    platform::win32::Win32Internet internet;
    platform::win32::Win32IniFiles ini;
    platform::win32::Win32FileSystem file_system;
    platform::win32::Win32Shell shell;
    platform::win32::Win32WindowSystem windows(instance);
    platform::win32::Win32RegistryWatch watch(windows.waits);
    platform::win32::Win32EventLog events("Varnhollow");
    platform::Services services{registry, tray,         system,   boxes, runtime,     windows, windows,
                                record_files, internet, ini,   file_system, shell, watch, events};
    platform::Forms forms(windows);
    platform::Form form{"Form1", "Varnhollow"};
    update::MiseAjour control{"MiseAjour1", services};
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
    control_window(::GetModuleHandleA(nullptr));
    ::RemoveDirectoryA(folder.c_str());
    return checks::report();
}
