#include "platform/win32/command_line.h"

#include <windows.h>
#include <shellapi.h>

namespace platform::win32 {

namespace {

constexpr UINT WINDOWS_1252 = 1252;

CommandLineText to_windows_1252(const wchar_t* text)
{
    const int length = ::lstrlenW(text);
    if (length == 0)
        return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) * 2 + 1);
    BOOL replaced = FALSE;
    const int written = ::WideCharToMultiByte(WINDOWS_1252, WC_NO_BEST_FIT_CHARS, text, length, buffer.data(),
                                              static_cast<int>(buffer.size()), "?", &replaced);
    if (written <= 0)
        return {"", false};
    return {std::string(buffer.data(), static_cast<std::size_t>(written)), !replaced};
}

} // namespace

CommandLineText whole_command_line()
{
    return to_windows_1252(::GetCommandLineW());
}

std::vector<CommandLineText> arguments_after_the_program_name()
{
    std::vector<CommandLineText> arguments;
    int count = 0;
    LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!words)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(to_windows_1252(words[i]));
    ::LocalFree(words);
    return arguments;
}

} // namespace platform::win32
