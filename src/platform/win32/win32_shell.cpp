#include "platform/win32/win32_shell.h"

#include <windows.h>
#include <shellapi.h>

namespace platform::win32 {

namespace {
const char* or_null(const std::string& text)
{
    return text.empty() ? nullptr : text.c_str();
}
} // namespace

std::intptr_t Win32Shell::shell_execute(std::uintptr_t owner, const std::string& operation, const std::string& file,
                                        const std::string& parameters, const std::string& directory, int show)
{
    const HINSTANCE result = ::ShellExecuteA(reinterpret_cast<HWND>(owner), or_null(operation), file.c_str(),
                                             parameters.c_str(), or_null(directory), show);
    return reinterpret_cast<std::intptr_t>(result);
}

} // namespace platform::win32
