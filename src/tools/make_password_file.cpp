// Writes a new password file holding the default password, encoded with the
// program's own cipher and file code, for the installer to ship.
//   make_password_file OUTPUT

#include <cstdio>
#include <string>

#include "password/new_password.h"
#include "platform/posix/posix_record_files.h"

namespace {

class ErrorOutput : public platform::MessageBoxes {
public:
    int show(const std::string& text, platform::Buttons, platform::BoxIcon) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
        return platform::ANSWER_OK;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_password_file OUTPUT\n");
        return 1;
    }
    const std::string output = argv[1];
    std::remove(output.c_str()); // a new file of exactly one record
    platform::PosixRecordFiles files;
    ErrorOutput errors;
    return password::store_password(files, errors, "", output, password::DEFAULT_PASSWORD) ? 0 : 1;
}
