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
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_services.h"

namespace {

using checks::check;

void system_version()
{
    platform::win32::Win32SystemInfo system;
    const auto version = system.version();
    check(version && version->major == 5 && version->family == platform::SystemFamily::windows_nt,
          "the bench's Windows XP is read");
    check(platform::win32::system_family(VER_PLATFORM_WIN32_WINDOWS) == platform::SystemFamily::windows_9x &&
              platform::win32::system_family(VER_PLATFORM_WIN32_NT) == platform::SystemFamily::windows_nt &&
              platform::win32::system_family(VER_PLATFORM_WIN32s) == platform::SystemFamily::other &&
              platform::win32::system_family(3) == platform::SystemFamily::other,
          "each platform identifier's line of Windows (3: Windows CE)");
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
    const platform::win32::UniqueKey key(raw);
    const std::vector<BYTE> value(100, 0xAB);
    ::RegSetValueExA(key.get(), "Big", 0, REG_BINARY, value.data(), static_cast<DWORD>(value.size()));

    // 8 bytes of room for a value of 100: more data, and nothing copied past the room.
    const auto short_room = platform::win32::query_value(key.get(), "Big", 8);
    check(!short_room.succeeded() && short_room.error() == ERROR_MORE_DATA,
          "more data, not a copy past the buffer (status " +
              std::to_string(short_room.succeeded() ? 0 : short_room.error()) + ")");
    const auto room = platform::win32::query_value(key.get(), "Big", 1024);
    check(room.succeeded() && room.value().bytes == std::vector<std::uint8_t>(100, 0xAB) &&
              room.value().type == platform::ValueType::other,
          "a value that fits is read to its own size");
    const auto missing = platform::win32::query_value(key.get(), "Absent", 1024);
    check(!missing.succeeded() && missing.error() == ERROR_FILE_NOT_FOUND, "a missing value gives its status");

    using platform::ValueType;
    check(platform::win32::value_type(REG_DWORD) == ValueType::dword &&
              platform::win32::value_type(REG_SZ) == ValueType::string &&
              platform::win32::value_type(REG_EXPAND_SZ) == ValueType::expandable_string &&
              platform::win32::value_type(REG_BINARY) == ValueType::other &&
              platform::win32::value_type(REG_DWORD_BIG_ENDIAN) == ValueType::other &&
              platform::win32::value_type(REG_MULTI_SZ) == ValueType::other,
          "the registry's types as the core reads them");

    ::RegDeleteKeyA(HKEY_CURRENT_USER, path);
}

// The registry service on a key of HKEY_LOCAL_MACHINE, as the program uses
// the USBSTOR key: a DWORD written as 4 little-endian bytes, each failure
// with its step and the system's status, and no key ever created.
void machine_registry()
{
    const char* const path = "SOFTWARE\\Varnhollow-boundary-test";
    platform::win32::Win32Registry registry;
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);

    const auto absent = registry.write_dword(path, "Start", 4);
    check(!absent.succeeded() && absent.error().step == platform::RegistryStep::open &&
              absent.error().status == ERROR_FILE_NOT_FOUND,
          "writing to a missing key fails at the opening");
    HKEY raw = nullptr;
    check(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &raw) == ERROR_FILE_NOT_FOUND,
          "and does not create the key");
    if (raw)
        ::RegCloseKey(raw);
    const auto no_key = registry.read_value(path, "Start");
    check(!no_key.succeeded() && no_key.error().step == platform::RegistryStep::open &&
              no_key.error().status == ERROR_FILE_NOT_FOUND,
          "reading a missing key fails at the opening");

    ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr);
    const platform::win32::UniqueKey key(raw);
    const auto no_value = registry.read_value(path, "Start");
    check(!no_value.succeeded() && no_value.error().step == platform::RegistryStep::read &&
              no_value.error().status == ERROR_FILE_NOT_FOUND,
          "reading a missing value fails at the read");

    const auto written = registry.write_dword(path, "Start", 0x04030201);
    check(written.succeeded(), "a DWORD is written");
    DWORD type = 0;
    std::vector<BYTE> bytes(16, 0);
    DWORD size = static_cast<DWORD>(bytes.size());
    ::RegQueryValueExA(key.get(), "Start", nullptr, &type, bytes.data(), &size);
    check(type == REG_DWORD && size == 4 && bytes[0] == 1 && bytes[1] == 2 && bytes[2] == 3 && bytes[3] == 4,
          "as a REG_DWORD of 4 little-endian bytes");
    const auto read = registry.read_value(path, "Start");
    check(read.succeeded() && read.value().type == platform::ValueType::dword &&
              read.value().bytes == std::vector<std::uint8_t>{1, 2, 3, 4},
          "and read back with its type");

    const std::vector<BYTE> large(platform::REGISTRY_VALUE_ROOM + 1, 4);
    ::RegSetValueExA(key.get(), "Large", 0, REG_DWORD, large.data(), static_cast<DWORD>(large.size()));
    const auto too_large = registry.read_value(path, "Large");
    check(!too_large.succeeded() && too_large.error().step == platform::RegistryStep::read &&
              too_large.error().status == ERROR_MORE_DATA,
          "a value larger than the room is not read");

    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
}

void short_write()
{
    ::SetLastError(ERROR_ALREADY_EXISTS); // whatever an earlier call left
    const auto short_one = platform::win32::write_outcome(TRUE, 16, 32);
    check(!short_one.succeeded() && short_one.error().code == ERROR_WRITE_FAULT &&
              !short_one.error().description.empty(),
          "a short write reports a write fault, not the last error (" +
              std::to_string(short_one.succeeded() ? 0 : short_one.error().code) + ")");

    ::SetLastError(ERROR_DISK_FULL);
    const auto failed_call = platform::win32::write_outcome(FALSE, 0, 32);
    check(!failed_call.succeeded() && failed_call.error().code == ERROR_DISK_FULL,
          "a failed write reports its own error");
    check(platform::win32::write_outcome(TRUE, 32, 32).succeeded(), "a full write is no error");
}

// CM_Request_Device_EjectA's answers: a removal counts only when the call
// succeeded and nobody objected.
void removal_answers()
{
    using platform::RemovalAnswer;
    using platform::win32::removal_answer;
    check(removal_answer(CR_SUCCESS, PNP_VetoTypeUnknown) == RemovalAnswer::ejected, "success without a veto ejects");
    check(removal_answer(CR_SUCCESS, PNP_VetoOutstandingOpen) == RemovalAnswer::refused,
          "a veto reported with success counts as a refusal");
    check(removal_answer(CR_REMOVE_VETOED, PNP_VetoOutstandingOpen) == RemovalAnswer::refused,
          "a vetoed removal is refused");
    check(removal_answer(CR_FAILURE, PNP_VetoTypeUnknown) == RemovalAnswer::refused,
          "a failed request without a veto is refused");
}

} // namespace

int main()
{
    windows_directory();
    system_version();
    tray_tip();
    menu_mnemonics();
    registry_query_room();
    machine_registry();
    short_write();
    removal_answers();
    return checks::report();
}
