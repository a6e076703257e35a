#include <windows.h>

#include "platform/forms.h"
#include "platform/services.h"
#include "platform/win32/win32_event_log.h"
#include "platform/win32/win32_plug_and_play.h"
#include "platform/win32/win32_registry_watch.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_update_services.h"
#include "platform/win32/win32_window_system.h"
#include "shell/main_window.h"
#include "program/product.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    using namespace platform::win32;
    Win32Registry registry;
    Win32NotificationArea tray;
    Win32SystemInfo system;
    Win32MessageBoxes boxes;
    Win32Runtime runtime;
    Win32RecordFiles files;
    Win32Internet internet;
    Win32IniFiles ini;
    Win32FileSystem file_system;
    Win32Shell shell;
    Win32WindowSystem windows(instance);
    Win32RegistryWatch watch(windows.waits);
    Win32PlugAndPlay devices;
    Win32EventLog events(program::PRODUCT_NAME);
    platform::Services services{registry, tray,  system,   boxes, runtime,     windows, windows,
                                files,    internet, ini,   file_system, shell, watch, devices, events};

    platform::Forms forms(windows);
    program::ProgramFlags flags;
    shell::Form1 form1(services, forms, flags);
    forms.load(form1.window);
    const int exit_code = windows.run_event_loop();
    // The loop also ends on a quit message posted from outside, with the
    // windows still loaded: unload them while every object they use exists.
    form1.Form_Terminate();
    return exit_code;
}
