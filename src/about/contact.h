#pragma once

#include <string>

#include "platform/controls.h"
#include "platform/shell.h"

namespace about {

inline constexpr char MAIL_PREFIX[] = "mailto:";
inline constexpr char MAIL_SUBJECT[] = "?subject=Varnhollow : Demande d'informations";
inline constexpr char MAIL_DIRECTORY[] = "C:\\";

// "mailto:" + the maker's e-mail + the subject, passed on unescaped.
std::string contact_address();

// "Email": hands the address to the desktop shell, owned by the main window,
// with no verb and no parameters. The shell's answer is not examined.
void MNU_Email_Click(platform::Shell& shell, const platform::Form& main_window);

} // namespace about
