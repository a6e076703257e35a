#include "platform/win32/win32_services.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/win32/boundary.h"
#include "platform/win32/file_protection.h"
#include "platform/win32/win32_error.h"
#include "program/product.h"

namespace platform::win32 {

namespace {

RegistryFailure registry_failure(RegistryStep step, LONG status)
{
    return RegistryFailure{step, status, status == ERROR_ACCESS_DENIED, status == ERROR_FILE_NOT_FOUND};
}

// Opens an existing file only; the error of a missing one is marked so.
program::Result<UniqueFileHandle, FileError> open_existing(const std::string& path, DWORD access)
{
    UniqueFileHandle file(::CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file)
        return file;
    FileError error = last_error();
    error.missing = error.code == ERROR_FILE_NOT_FOUND;
    return error;
}

// A new file, protected from its first moment as the installer protects it.
program::Result<UniqueFileHandle, FileError> create_protected(const std::string& path)
{
    AdministratorsOnlyDescriptor descriptor;
    if (!descriptor.get())
        return last_error();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    UniqueFileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return last_error();
    return file;
}

// The file to write: the existing one, or a new protected one when it is missing.
program::Result<UniqueFileHandle, FileError> open_for_writing(const std::string& path)
{
    auto existing = open_existing(path, GENERIC_WRITE);
    if (existing.succeeded() || !existing.error().missing)
        return existing;
    return create_protected(path);
}

} // namespace

program::Result<RegistryValue, RegistryFailure> Win32Registry::read_value(const std::string& path,
                                                                          const std::string& name)
{
    HKEY opened = nullptr;
    const LONG status = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &opened);
    if (status != ERROR_SUCCESS)
        return registry_failure(RegistryStep::open, status);
    const UniqueKey key(opened);
    auto read = query_value(key.get(), name, REGISTRY_VALUE_ROOM);
    if (!read.succeeded())
        return registry_failure(RegistryStep::read, read.error());
    return std::move(read.value());
}

program::Result<void, RegistryFailure> Win32Registry::write_dword(const std::string& path, const std::string& name,
                                                                  std::uint32_t number)
{
    HKEY opened = nullptr;
    LONG status = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &opened);
    if (status != ERROR_SUCCESS)
        return registry_failure(RegistryStep::open, status);
    UniqueKey key(opened);
    const DWORD data = number;
    status = ::RegSetValueExA(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                              sizeof data);
    if (status != ERROR_SUCCESS)
        return registry_failure(RegistryStep::write, status);
    // Closed here rather than by the handle: its status is part of the outcome.
    status = ::RegCloseKey(key.release());
    if (status != ERROR_SUCCESS)
        return registry_failure(RegistryStep::close, status);
    return {};
}

std::optional<SystemVersion> Win32SystemInfo::version()
{
    // The first record, which every system fills.
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExA(&info))
        return std::nullopt;
    return SystemVersion{system_family(info.dwPlatformId), info.dwMajorVersion, info.dwMinorVersion,
                         info.dwBuildNumber};
}

std::string Win32SystemInfo::windows_directory()
{
    std::vector<char> buffer(WINDOWS_DIRECTORY_BUFFER, '\0');
    const UINT length = ::GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size() - 1));
    return directory_reported(buffer, length);
}

int Win32MessageBoxes::show(const std::string& text, Buttons buttons, BoxIcon icon)
{
    return show_owned(0, text, buttons, icon);
}

int Win32MessageBoxes::show_owned(std::uintptr_t owner, const std::string& text, Buttons buttons, BoxIcon icon)
{
    UINT style = buttons == Buttons::yes_no ? MB_YESNO : MB_OK;
    switch (icon) {
    case BoxIcon::none: break;
    case BoxIcon::error: style |= MB_ICONERROR; break;
    case BoxIcon::warning: style |= MB_ICONWARNING; break;
    case BoxIcon::question: style |= MB_ICONQUESTION; break;
    case BoxIcon::information: style |= MB_ICONINFORMATION; break;
    }
    // The tray's hidden window cannot bring a box to the front: the box
    // brings itself there.
    return ::MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), program::PRODUCT_NAME, style | MB_SETFOREGROUND);
}

bool Win32Runtime::previous_instance()
{
    if (!instance_mutex_) {
        instance_mutex_.reset(::CreateMutexA(nullptr, FALSE, "Varnhollow.Instance"));
        another_instance_ = ::GetLastError() == ERROR_ALREADY_EXISTS;
    }
    return another_instance_;
}

// The command line is parsed as Windows parses it: a program path with blanks
// must be quoted, or the first blank ends it.
bool Win32Runtime::start_program(const std::string& command_line)
{
    std::string buffer = command_line; // CreateProcessA may write into it
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    UniqueKernelHandle thread(process.hThread);
    UniqueKernelHandle started(process.hProcess);
    return true;
}

program::Result<std::string, FileError> Win32RecordFiles::read_start(const std::string& path, std::size_t size)
{
    auto opened = open_existing(path, GENERIC_READ);
    if (!opened.succeeded())
        return opened.error();
    UniqueFileHandle& file = opened.value();
    std::string buffer(size, '\0');
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(size), &got, nullptr))
        return last_error();
    if (!::CloseHandle(file.release()))
        return last_error();
    buffer.resize(got);
    return buffer;
}

program::Result<void, FileError> Win32RecordFiles::write_start(const std::string& path, const std::string& bytes)
{
    auto opened = open_for_writing(path);
    if (!opened.succeeded())
        return opened.error();
    UniqueFileHandle& file = opened.value();
    DWORD written = 0;
    const BOOL succeeded = ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (const auto outcome = write_outcome(succeeded, written, bytes.size()); !outcome.succeeded())
        return outcome;
    if (!::CloseHandle(file.release()))
        return last_error();
    return {};
}

} // namespace platform::win32
