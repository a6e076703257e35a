#include <windows.h>

#include "platform/forms.h"
#include "platform/services.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_window_system.h"
#include "shell/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    using namespace platform::win32;
    Win32Registry registry;
    Win32NotificationArea tray;
    Win32SystemInfo system;
    Win32MessageBoxes boxes;
    Win32Runtime runtime;
    Win32RecordFiles files;
    Win32Shell shell;
    Win32WindowSystem windows(instance);
    platform::Services services{registry, tray, system, boxes, runtime, windows, windows, files, shell};

    platform::Forms forms(windows);
    shell::ProgramFlags flags;
    shell::Form1 form1(services, forms, flags);
    forms.load(form1.window);
    return windows.run_event_loop();
}
