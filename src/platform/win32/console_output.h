#pragma once

#include <string>

namespace platform::win32 {

enum class StandardStream { output, error };

// Writes Windows-1252 text and a line break to the standard output or error.
// A console shows its own code page (850 on a French Windows), so the text is
// converted to it; a file or a pipe gets the Windows-1252 bytes. Lines end
// with CR LF either way.
void write_line(StandardStream stream, const std::string& text);

// Line breaks as CR LF, whether the text had LF or CR LF.
std::string with_windows_line_ends(const std::string& text);

} // namespace platform::win32
