// vhpasswd: sets the password of Varnhollow's USB lock on this machine, for
// administrators who deploy the program by script. It writes the password file
// with the program's own cipher and file code, and lets only Administrators and
// SYSTEM open it.
//
//   vhpasswd PASSWORD     store PASSWORD (2 to 8 Windows-1252 characters)
//   vhpasswd --protect    only restrict the permissions of the existing file
//
// Exit codes: 0 done, 1 bad command line or password, 2 the file could not be
// written or protected.

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "password/new_password.h"
#include "password/password_file.h"
#include "platform/win32/file_protection.h"
#include "platform/win32/win32_services.h"

namespace {

constexpr int DONE = 0;
constexpr int BAD_INPUT = 1;
constexpr int FILE_FAILED = 2;
constexpr UINT WINDOWS_1252 = 1252;
constexpr char PROTECT_ONLY[] = "--protect";

// Windows-1252 text to the console, which shows the OEM code page.
void say(const std::string& text)
{
    std::string oem(text.size(), '\0');
    ::CharToOemBuffA(text.c_str(), oem.data(), static_cast<DWORD>(text.size()));
    std::fprintf(stderr, "%s\n", oem.c_str());
}

// The file layer's messages go to the console instead of a window.
class ConsoleBoxes : public platform::MessageBoxes {
public:
    int show(const std::string& text, platform::Buttons, platform::BoxIcon) override
    {
        say(text);
        return platform::ANSWER_OK;
    }
};

// An argument as Windows-1252 text, or false when it holds a character that
// code page lacks (no look-alike replacement).
bool to_windows_1252(const wchar_t* argument, std::string& text)
{
    const int length = ::lstrlenW(argument);
    if (length == 0) {
        text.clear();
        return true;
    }
    std::vector<char> buffer(static_cast<std::size_t>(length) * 2 + 1);
    BOOL replaced = FALSE;
    const int written = ::WideCharToMultiByte(WINDOWS_1252, WC_NO_BEST_FIT_CHARS, argument, length, buffer.data(),
                                              static_cast<int>(buffer.size()), nullptr, &replaced);
    if (written <= 0 || replaced)
        return false;
    text.assign(buffer.data(), static_cast<std::size_t>(written));
    return true;
}

void show_usage()
{
    say("Usage : vhpasswd MOTDEPASSE\n"
        "        vhpasswd --protect\n"
        "Enregistre le mot de passe du verrou USB de Varnhollow (2 à 8 caractères) dans le\n"
        "fichier PSTACK.DRV du dossier system32, lisible seulement par les Administrateurs et\n"
        "SYSTEM. --protect restreint seulement les droits du fichier existant.");
}

int protect_existing(const std::string& file)
{
    if (::GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        say("Le fichier " + file + " n'existe pas.");
        return FILE_FAILED;
    }
    if (const auto error = platform::win32::restrict_to_administrators(file)) {
        say("Impossible de restreindre les droits du fichier " + file + "\r\nErreur " +
            std::to_string(error->code) + " - " + error->description);
        return FILE_FAILED;
    }
    return DONE;
}

int store(const std::string& path, const std::string& name, const std::string& password)
{
    platform::win32::Win32RecordFiles files;
    ConsoleBoxes boxes;
    const auto protect = [&] { return protect_existing(path + name) == DONE; };
    return password::store_password(files, boxes, path, name, password, protect) ? DONE : FILE_FAILED;
}

// The command line after the program's name. A double quote inside the
// password would be taken by the command line's own quoting and silently
// dropped ("ab"cd" gives abcd), so the password's quotes are counted here.
bool quotes_only_around_the_argument(const wchar_t* command_line)
{
    const wchar_t* p = command_line;
    if (*p == L'"') {
        for (++p; *p && *p != L'"'; ++p) {
        }
        if (*p)
            ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t')
            ++p;
    }
    while (*p == L' ' || *p == L'\t')
        ++p;
    std::wstring rest = p;
    while (!rest.empty() && (rest.back() == L' ' || rest.back() == L'\t'))
        rest.pop_back();
    const auto quotes = std::count(rest.begin(), rest.end(), L'"');
    return quotes == 0 || (quotes == 2 && rest.size() >= 2 && rest.front() == L'"' && rest.back() == L'"');
}

} // namespace

int main()
{
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!arguments || count != 2) {
        if (arguments)
            ::LocalFree(arguments);
        show_usage();
        return BAD_INPUT;
    }
    std::string argument;
    const bool representable = to_windows_1252(arguments[1], argument);
    ::LocalFree(arguments);
    if (!quotes_only_around_the_argument(::GetCommandLineW())) {
        say(password::QUOTE_REFUSED);
        return BAD_INPUT;
    }

    platform::win32::Win32SystemInfo system;
    const std::string path = password::WinDir(system) + password::SYSTEM32_SUFFIX;
    const std::string name = password::PASSWORD_FILE_NAME;

    if (representable && argument == PROTECT_ONLY)
        return protect_existing(path + name);
    if (!representable) {
        say("Le mot de passe contient un caractère hors de Windows-1252 ou qui ne se tape pas.");
        return BAD_INPUT;
    }
    if (const auto problem = password::new_password_problem(argument)) {
        say(*problem);
        show_usage();
        return BAD_INPUT;
    }
    const int result = store(path, name, argument);
    if (result == DONE)
        say("Mot de passe enregistré dans " + path + name);
    return result;
}
