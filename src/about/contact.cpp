#include "about/contact.h"

#include "shell/maker.h"

namespace about {

std::string contact_address()
{
    return std::string(MAIL_PREFIX) + shell::MAKER_EMAIL + MAIL_SUBJECT;
}

void MNU_Email_Click(platform::Shell& shell, const platform::Form& main_window)
{
    shell.shell_execute(main_window.window_handle, "", contact_address(), "", MAIL_DIRECTORY,
                        platform::SW_SHOWNORMAL_MODE);
}

} // namespace about
