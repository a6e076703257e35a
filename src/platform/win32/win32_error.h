#pragma once

#include <windows.h>

#include <string>

#include "platform/record_file.h"

namespace platform::win32 {

// Text with each run of blanks and line breaks as one space, none at the ends.
inline std::string single_spaced(const std::string& text)
{
    std::string spaced;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = !spaced.empty();
            continue;
        }
        if (blank)
            spaced += ' ';
        blank = false;
        spaced += c;
    }
    return spaced;
}

// The system's text for an error code, as one line: the system breaks its
// longer texts into lines of about 80 characters.
inline std::string error_text(DWORD code)
{
    char* buffer = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length ? std::string(buffer, length) : std::string();
    if (buffer)
        ::LocalFree(buffer);
    return single_spaced(text);
}

// The error for a code the system gave, with the system's text.
inline FileError file_error(DWORD code)
{
    return {static_cast<long>(code), error_text(code)};
}

// The failed call's error, as the core expects it.
inline FileError last_error()
{
    return file_error(::GetLastError());
}

} // namespace platform::win32
