#include "platform/win32/win32_shell.h"

#include <windows.h>
#include <shellapi.h>

namespace platform::win32 {

namespace {

// ShellExecuteA's results up to this one are errors.
constexpr INT_PTR SHELL_EXECUTE_MAX_ERROR = 32;

// An empty folder is passed as a null pointer: the shell's own choice.
bool shell_execute(std::uintptr_t owner, const std::string& address, const std::string& folder)
{
    const HINSTANCE result = ::ShellExecuteA(reinterpret_cast<HWND>(owner), nullptr, address.c_str(), "",
                                             folder.empty() ? nullptr : folder.c_str(), SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > SHELL_EXECUTE_MAX_ERROR;
}

} // namespace

bool Win32Shell::open(std::uintptr_t owner, const std::string& address)
{
    return shell_execute(owner, address, "");
}

bool Win32Shell::open_mail(std::uintptr_t owner, const std::string& mailto_address, const std::string& folder)
{
    return shell_execute(owner, mailto_address, folder);
}

} // namespace platform::win32
