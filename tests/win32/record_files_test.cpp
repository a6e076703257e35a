// The password file on the Win32 file layer, run under Wine: real files in a
// temporary folder, and the system's own error codes and texts.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "checks.h"
#include "password/passwd.h"
#include "password/password_file.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_services.h"

namespace {

using checks::check;

std::string file_contents(const std::string& path)
{
    std::string bytes;
    if (FILE* in = std::fopen(path.c_str(), "rb")) {
        char buffer[256];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
            bytes.append(buffer, n);
        std::fclose(in);
    }
    return bytes;
}

void put(const std::string& path, const std::string& bytes)
{
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
}

} // namespace

int main()
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string windows = std::string(temp) + "varnhollow-files-" + std::to_string(::GetCurrentProcessId());
    const std::string path = windows + password::SYSTEM32_SUFFIX;
    const std::string name = password::PASSWORD_FILE_NAME;
    ::CreateDirectoryA(windows.c_str(), nullptr);
    ::CreateDirectoryA(path.c_str(), nullptr);

    platform::win32::Win32RecordFiles files;
    {
        password::PasswordFile file(files);
        const auto missing = file.read_record(path, name);
        check(missing.succeeded() && missing.value().record.encoded_password == std::string(16, '\0'),
              "missing file reads as 16 NULs");
        const auto none = file.stored_password(path, name);
        check(none.succeeded() && none.value() == std::string(), "missing file holds the empty password");
        check(::GetFileAttributesA((path + name).c_str()) == INVALID_FILE_ATTRIBUTES, "reading does not create it");
        check(missing.succeeded() && none.succeeded(), "no failure for a missing file");

        check(file.write_password(password::encode_password("neuf"), path, name).succeeded(), "a write creates it");
        check(password::decode_password(file_contents(path + name).substr(0, 16)) == "NEUF", "with the password");
        ::DeleteFileA((path + name).c_str());

        put(path + name, "");
        const auto empty = file.stored_password(path, name);
        check(!empty.succeeded() &&
                  password::failure_message(empty.error()).find("\r\nErreur  13 - ") != std::string::npos,
              "an empty file holds no password");

        put(path + name, std::string(16, 'x') + "RESERVE-16-BYTES" + "TAIL1234");
        check(file.read_record(path, name).succeeded(), "a longer file reads");
        const std::string code = password::encode_password("secret");
        check(file.write_password(code, path, name).succeeded(), "write succeeds");
        check(file_contents(path + name) == code + "RESERVE-16-BYTES" + "TAIL1234", "write keeps reserve and tail");
        password::PasswordFile later(files);
        const auto read = later.read_record(path, name);
        check(read.succeeded() && password::decode_password(read.value().record.encoded_password) == "SECRET",
              "round trip");
    }
    {
        password::PasswordFile file(files);
        const std::string missing = windows + "\\absent\\";
        const auto stored = file.stored_password(missing, name);
        check(!stored.succeeded(), "failed read matches no password");
        const auto written = file.write_password("x", missing, name);
        check(!written.succeeded(), "failed write gives its failure");
        std::vector<std::string> texts;
        if (!stored.succeeded())
            texts.push_back(password::failure_message(stored.error()));
        if (!written.succeeded())
            texts.push_back(password::failure_message(written.error()));
        check(texts.size() == 2, "two messages");
        if (!texts.empty())
            std::printf("the read message reads: %s\n", texts[0].c_str());
        const std::string head = "Erreur d'ouverture ou de lecture du fichier " + missing + name + "\r\nErreur  3 - ";
        check(texts.size() == 2 && texts[0].rfind(head, 0) == 0 && texts[0].size() > head.size() &&
                  texts[0].back() != '\n',
              "read message layout, system code 3 and its text: " + (texts.empty() ? "" : texts[0]));
        check(texts.size() == 2 &&
                  texts[1].rfind("Erreur d'ouverture ou d'\xE9" "criture du fichier " + missing + name, 0) == 0,
              "write message layout");
    }
    ::DeleteFileA((path + name).c_str());
    ::RemoveDirectoryA(path.c_str());
    ::RemoveDirectoryA(windows.c_str());

    // The system breaks its longer texts into lines of about 80 characters;
    // an error text is one line with single spaces.
    check(platform::win32::single_spaced("The process cannot access the file because it is being used by another\r\n"
                                         "process.  \r\n") ==
              "The process cannot access the file because it is being used by another process.",
          "a text broken by the system reads as one line");
    for (const DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_DISK_FULL}) {
        const std::string text = platform::win32::error_text(code);
        check(!text.empty() && text.find_first_of("\r\n\t") == std::string::npos &&
                  text.find("  ") == std::string::npos && text.front() != ' ' && text.back() != ' ',
              "error " + std::to_string(code) + " as one single-spaced line: [" + text + "]");
    }

    return checks::report();
}
