#include "about/contact.h"

#include "shell/maker.h"

namespace about {

std::string contact_address()
{
    return std::string(MAIL_PREFIX) + shell::MAKER_EMAIL + MAIL_SUBJECT;
}

void MNU_Email_Click(platform::Shell& shell, const platform::Form& main_window)
{
    shell.open(main_window.window_handle, std::nullopt, contact_address(), std::nullopt, std::string(MAIL_DIRECTORY),
               platform::SHOW_NORMAL);
}

} // namespace about
