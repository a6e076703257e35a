#include "platform/forms.h"
#include "platform/win32/win32_platform.h"
#include "shell/main_window.h"

// The executable is a Windows program (no console); the C runtime starts it
// through main all the same.
int main()
{
    platform::win32::Win32Platform system;
    platform::Forms forms(system.windows);
    shell::MainWindow main_window(system.services, forms);
    forms.load(main_window.window);
    const int exit_code = system.windows.run_event_loop();
    // The loop also ends on a quit message posted from outside, with the
    // windows still loaded: unload them while every object they use exists.
    main_window.final_release();
    system.end_program(exit_code);
    return exit_code;
}
