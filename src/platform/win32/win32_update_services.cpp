#include "platform/win32/win32_update_services.h"

#include <windows.h>
#include <objbase.h>
#include <urlmon.h>
#include <wininet.h>

#include "platform/win32/win32_error.h"

namespace platform::win32 {

namespace {

// The library, loaded the first time it is needed.
HMODULE loaded(HMODULE& library, const char* name)
{
    if (!library)
        library = ::LoadLibraryA(name);
    return library;
}

template <typename Function>
Function function_of(HMODULE library, const char* name)
{
    if (!library)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

} // namespace

int Win32Internet::get_connected_state(std::uint32_t& flags, std::uint32_t reserved)
{
    const auto connected_state = function_of<decltype(&::InternetGetConnectedState)>(
        loaded(wininet_, "wininet.dll"), "InternetGetConnectedState");
    if (!connected_state)
        return 0;
    DWORD state = flags;
    const BOOL connected = connected_state(&state, reserved);
    flags = state;
    return connected;
}

long Win32Internet::download_to_file(const std::string& url, const std::string& path, std::uint32_t reserved)
{
    const HMODULE ole32 = loaded(ole32_, "ole32.dll");
    const auto co_initialize = function_of<decltype(&::CoInitialize)>(ole32, "CoInitialize");
    const auto co_uninitialize = function_of<decltype(&::CoUninitialize)>(ole32, "CoUninitialize");
    const auto download =
        function_of<decltype(&::URLDownloadToFileA)>(loaded(urlmon_, "urlmon.dll"), "URLDownloadToFileA");
    if (!co_initialize || !co_uninitialize || !download)
        return E_FAIL;
    // urlmon is a COM library: the calling thread must be in an apartment.
    const HRESULT apartment = co_initialize(nullptr);
    const HRESULT result = download(nullptr, url.c_str(), path.c_str(), reserved, nullptr);
    if (SUCCEEDED(apartment))
        co_uninitialize();
    return result;
}

std::uint32_t Win32IniFiles::get_private_profile_string(const std::string& section, const std::string& key,
                                                        const std::string& fallback, char* buffer,
                                                        std::uint32_t size, const std::string& path)
{
    return ::GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer, size, path.c_str());
}

std::string Win32FileSystem::program_directory()
{
    char path[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length < MAX_PATH ? length : 0);
    const auto last_separator = directory.find_last_of('\\');
    return last_separator == std::string::npos ? std::string() : directory.substr(0, last_separator);
}

std::optional<FileError> Win32FileSystem::delete_file(const std::string& path)
{
    if (!::DeleteFileA(path.c_str()))
        return last_error();
    return std::nullopt;
}

} // namespace platform::win32
