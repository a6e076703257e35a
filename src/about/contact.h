#pragma once

#include <string>

#include "platform/controls.h"
#include "platform/shell.h"
#include "platform/system_info.h"

namespace about {

inline constexpr char MAIL_PREFIX[] = "mailto:";
inline constexpr char MAIL_SUBJECT[] = "?subject=Varnhollow : Demande d'informations";
// Appended to the Windows folder: the mail program starts in the system
// folder, where users may not write, rather than in one where a planted DLL
// would be loaded first.
inline constexpr char MAIL_DIRECTORY_SUFFIX[] = "\\system32";

// What "Email" says when no mail program takes the address, followed by the
// maker's e-mail, so that it can be copied.
inline constexpr char NO_MAIL_PROGRAM[] = "Aucun programme de messagerie n'est configuré. Écrivez à : ";

// "mailto:" + the maker's e-mail + the subject, passed on unescaped.
std::string contact_address();

// The "Email" command (MNU_Email_Click): starts the mail program on the
// address, owned by the main window, in the system folder (no folder when the
// Windows folder is unknown). False when no program took it (none is
// registered for mailto:, as is common on servers).
bool open_mail_to_maker(platform::Shell& shell, platform::SystemInfo& system, const platform::Form& main_window);

} // namespace about
