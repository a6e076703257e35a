#include "about/contact.h"

#include "program/maker.h"

namespace about {

std::string contact_address()
{
    return std::string(MAIL_PREFIX) + program::MAKER_EMAIL + MAIL_SUBJECT;
}

bool open_mail_to_maker(platform::Shell& shell, platform::SystemInfo& system, const platform::Form& main_window)
{
    const std::string windows = system.windows_directory();
    const std::string directory = windows.empty() ? std::string() : windows + MAIL_DIRECTORY_SUFFIX;
    return shell.open_mail(main_window.window_handle, contact_address(), directory);
}

} // namespace about
