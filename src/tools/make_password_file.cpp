// Writes a new password file holding the default password, encoded with the
// program's own cipher and file code, for the installer to ship.
//   make_password_file OUTPUT

#include <cstdio>
#include <string>

#include "password/new_password.h"
#include "platform/posix/posix_record_files.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_password_file OUTPUT\n");
        return 1;
    }
    const std::string output = argv[1];
    std::remove(output.c_str()); // a new file of exactly one record
    platform::PosixRecordFiles files;
    // The password file code opens a file only in a folder it is given.
    const std::size_t name_start = output.find_last_of('/') + 1;
    const std::string folder = name_start > 0 ? output.substr(0, name_start) : "./";
    const auto result =
        password::store_password(files, folder, output.substr(name_start), password::DEFAULT_PASSWORD);
    if (!result.succeeded() && result.error().file)
        std::fprintf(stderr, "%s\n", password::failure_message(*result.error().file).c_str());
    return result.succeeded() ? 0 : 1;
}
