#include <windows.h>

#include "platform/forms.h"
#include "platform/win32/win32_platform.h"
#include "shell/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    platform::win32::Win32Platform system(instance);
    platform::Forms forms(system.windows);
    program::ProgramFlags flags;
    shell::Form1 form1(system.services, forms, flags);
    forms.load(form1.window);
    const int exit_code = system.windows.run_event_loop();
    // The loop also ends on a quit message posted from outside, with the
    // windows still loaded: unload them while every object they use exists.
    form1.Form_Terminate();
    return exit_code;
}
