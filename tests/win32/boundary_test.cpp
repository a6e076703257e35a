// The size checks of the Win32 layer, run under Wine: the values the core
// hands over never make a call write past a structure or a buffer, and a
// reported error is one that really happened.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "checks.h"
#include "platform/win32/boundary.h"
#include "platform/win32/win32_services.h"

namespace {

using checks::check;

void version_record_size()
{
    platform::win32::Win32SystemInfo system;
    platform::VersionRecord record;
    record.size = 148;
    system.get_version(record);
    check(record.major == 5 && record.platform_id == 2, "a 148-byte record is filled");

    // The extended record's size would let the call write 156 bytes into 148.
    platform::VersionRecord extended;
    extended.size = 156;
    system.get_version(extended);
    check(extended.major == 0 && extended.build == 0 && extended.size == 156, "a larger stated size is refused");
}

// GetWindowsDirectoryA's result: the length of the directory, 0 when it
// failed, or the size it needs when the buffer is too small.
void windows_directory()
{
    const std::string reported = "C:\\WINNT";
    std::vector<char> buffer(reported.size() + 1, '\0');
    std::memcpy(buffer.data(), reported.data(), reported.size());
    const UINT length = static_cast<UINT>(reported.size());
    check(platform::win32::directory_reported(buffer, length) == reported, "the directory as reported");
    check(platform::win32::directory_reported(buffer, 0).empty(), "a failed call reports none");
    check(platform::win32::directory_reported(buffer, length + 1).empty() &&
              platform::win32::directory_reported(buffer, 200).empty(),
          "a directory longer than the buffer is not read from it");
    platform::win32::Win32SystemInfo system;
    const std::string directory = system.windows_directory();
    check(!directory.empty() && directory.back() != '\\' &&
              ::GetFileAttributesA(directory.c_str()) != INVALID_FILE_ATTRIBUTES,
          "the system's Windows directory, without a closing backslash");
}

void tray_tip()
{
    const HWND window = reinterpret_cast<HWND>(0x1234);
    const HICON icon = reinterpret_cast<HICON>(0x5678);
    const NOTIFYICONDATAA long_tip =
        platform::win32::tray_icon_record(window, WM_APP + 1, icon, std::string(200, 'x'));
    check(strnlen(long_tip.szTip, 64) == 63, "a long tip is cut to 63 characters and ended within its 64 bytes");

    const NOTIFYICONDATAA usual = platform::win32::tray_icon_record(window, WM_APP + 1, icon, "Varnhollow v1.4");
    check(usual.cbSize == NOTIFYICONDATAA_V1_SIZE && usual.cbSize <= sizeof usual,
          "a first-version record, as Windows 2000 reads it");
    check(usual.hWnd == window && usual.uID == 1 && usual.uCallbackMessage == WM_APP + 1 && usual.hIcon == icon,
          "the window, id 1, the callback message and the icon");
    check(usual.uFlags == (NIF_MESSAGE | NIF_ICON | NIF_TIP), "the message, the icon and the tip are given");
    check(std::string(usual.szTip) == "Varnhollow v1.4", "the usual tip passes unchanged");
}

void menu_mnemonics()
{
    using platform::win32::menu_texts;
    check(menu_texts({"Verrou USB - NON", "-", "Outils", "-", "A Propos", "Quitter"}) ==
              std::vector<std::string>{"&Verrou USB - NON", "-", "&Outils", "-", "&A Propos", "&Quitter"},
          "each item of the tray menu is reached by its first letter");
    check(menu_texts({"Mise \xE0 Jour", "Mot de Passe", "Email"}) ==
              std::vector<std::string>{"&Mise \xE0 Jour", "M&ot de Passe", "&Email"},
          "a letter taken by an item before goes to the next free one, whatever its case");
    check(menu_texts({"R&D", "", "r"}) == std::vector<std::string>{"&R&&D", "", "r"},
          "an ampersand shows as itself; an item with no free letter has none");
}

void registry_query_room()
{
    const char* const path = "Software\\Varnhollow-boundary-test";
    HKEY raw = nullptr;
    ::RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr);
    const std::vector<BYTE> value(100, 0xAB);
    ::RegSetValueExA(raw, "Big", 0, REG_BINARY, value.data(), static_cast<DWORD>(value.size()));
    ::RegCloseKey(raw);

    platform::win32::Win32Registry registry;
    platform::RegistryKey key = 0;
    const auto hkcu = reinterpret_cast<std::uintptr_t>(HKEY_CURRENT_USER);
    check(registry.open_key(hkcu, path, 0, KEY_QUERY_VALUE, key) == 0, "test key opens");
    // A buffer of 8 bytes with a stated size of 1024: the call gets 8.
    std::vector<std::uint8_t> data(8, 0);
    std::uint32_t size = 1024;
    std::uint32_t type = 0;
    const long status = registry.query_value(key, "Big", type, data, size);
    check(status == ERROR_MORE_DATA, "more data, not a copy past the buffer (status " + std::to_string(status) + ")");
    check(size == 100, "the size needed is reported");
    registry.close_key(key);

    ::RegDeleteKeyA(HKEY_CURRENT_USER, path);
}

void short_write()
{
    ::SetLastError(ERROR_ALREADY_EXISTS); // whatever an earlier call left
    const auto error = platform::win32::write_outcome(TRUE, 16, 32);
    check(error && error->code == ERROR_WRITE_FAULT && !error->description.empty(),
          "a short write reports a write fault, not the last error (" +
              std::to_string(error ? error->code : 0) + ")");

    ::SetLastError(ERROR_DISK_FULL);
    const auto failed_call = platform::win32::write_outcome(FALSE, 0, 32);
    check(failed_call && failed_call->code == ERROR_DISK_FULL, "a failed write reports its own error");
    check(!platform::win32::write_outcome(TRUE, 32, 32), "a full write is no error");
}

} // namespace

int main()
{
    windows_directory();
    version_record_size();
    tray_tip();
    menu_mnemonics();
    registry_query_room();
    short_write();
    return checks::report();
}
