#include "platform/win32/console_output.h"

#include <windows.h>

namespace platform::win32 {

namespace {

constexpr UINT WINDOWS_1252 = 1252;

std::wstring from_windows_1252(const std::string& text)
{
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(WINDOWS_1252, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(WINDOWS_1252, 0, text.data(), size, wide.data(), length);
    return wide;
}

// The text in the console's output code page; through the OEM code page when
// the console names one this system cannot convert to.
std::string in_console_code_page(const std::string& text)
{
    const std::wstring wide = from_windows_1252(text);
    const UINT code_page = ::GetConsoleOutputCP();
    const int size = static_cast<int>(wide.size());
    const int length = ::WideCharToMultiByte(code_page, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (text.empty() || length <= 0) {
        std::string oem(text.size(), '\0');
        ::CharToOemBuffA(text.data(), oem.data(), static_cast<DWORD>(text.size()));
        return oem;
    }
    std::string converted(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(code_page, 0, wide.data(), size, converted.data(), length, nullptr, nullptr);
    return converted;
}

bool is_console(HANDLE handle)
{
    DWORD mode = 0;
    return ::GetConsoleMode(handle, &mode) != FALSE;
}

// WriteConsoleA counts characters, not bytes, and writes a short line whole.
void write_to_console(HANDLE handle, const std::string& text)
{
    DWORD written = 0;
    ::WriteConsoleA(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// A pipe may take fewer bytes than given.
void write_to_file(HANDLE handle, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
            written == 0)
            return;
        done += written;
    }
}

} // namespace

std::string with_windows_line_ends(const std::string& text)
{
    std::string lines;
    lines.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            lines += '\r';
        lines += text[i];
    }
    return lines;
}

void write_line(StandardStream stream, const std::string& text)
{
    const HANDLE handle = ::GetStdHandle(stream == StandardStream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    const std::string line = with_windows_line_ends(text + "\n");
    if (is_console(handle))
        write_to_console(handle, in_console_code_page(line));
    else
        write_to_file(handle, line);
}

} // namespace platform::win32
