#pragma once

#include <windows.h>

#include "platform/services.h"
#include "platform/win32/win32_device_tree.h"
#include "platform/win32/win32_event_log.h"
#include "platform/win32/win32_file_access.h"
#include "platform/win32/win32_lock_service_link.h"
#include "platform/win32/win32_registry_watch.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_timers.h"
#include "platform/win32/win32_tray_icon.h"
#include "platform/win32/win32_update_services.h"
#include "platform/win32/win32_user_settings.h"
#include "platform/win32/win32_wall_clock.h"
#include "platform/win32/win32_window_system.h"
#include "program/product.h"

namespace platform::win32 {

// Every system service the program uses, on the real API, handed to the core
// as one platform::Services. The program and the Win32 test programs build this
// same set; it lives as long as the program's windows.
struct Win32Platform {
    // The services of the program's own module, or of `instance`.
    explicit Win32Platform(HINSTANCE instance = ::GetModuleHandleA(nullptr)) : tray(instance), windows(instance) {}
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    Win32Registry registry;
    Win32TrayIcon tray;
    Win32SystemInfo system;
    Win32MessageBoxes boxes;
    Win32Runtime runtime;
    Win32RecordFiles files;
    Win32IniFiles ini;
    Win32FileSystem file_system;
    Win32Shell shell;
    Win32WindowSystem windows;
    Win32Internet internet{windows.waits};
    Win32Timers timers{windows.waits};
    Win32RegistryWatch watch{windows.waits};
    Win32DeviceTree devices;
    Win32EventLog events{program::PRODUCT_NAME};
    Win32LockServiceLink lock_service;
    Win32FileAccess file_access;
    Win32WallClock wall_clock;
    Win32UserSettings user_settings;
    platform::Services services{registry, tray,  system,      boxes, runtime, windows, windows, files,  internet,
                                ini,      file_system, shell, watch, devices, events,  timers,  lock_service,
                                file_access, wall_clock, user_settings};

    // The end of the program, once its windows are gone; returns when the
    // process may end as usual.
    void end_program(int exit_code);
};

} // namespace platform::win32
