// Stands in for a program the real one starts (the web browser, the mail
// program): appends one line to C:\launches.txt and ends.
//
//   MODULE<TAB>COMMAND LINE<TAB>CURRENT DIRECTORY<TAB>SHOW COMMAND
//
// The show command is the one the starter asked for, or -1 when it left it
// to the system. Copies of this program sit wherever the bench needs to see
// what would have been started.

#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    char directory[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, directory);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    const std::string line = std::string(module) + '\t' + ::GetCommandLineA() + '\t' + directory + '\t' +
                             std::to_string(show) + "\r\n";
    FILE* log = std::fopen("C:\\launches.txt", "ab");
    if (!log)
        return 1;
    std::fwrite(line.data(), 1, line.size(), log);
    std::fclose(log);
    return 0;
}
