#pragma once

#include "platform/device_tree.h"
#include "platform/event_log.h"
#include "platform/event_pump.h"
#include "platform/file_access.h"
#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "platform/lock_service_link.h"
#include "platform/internet.h"
#include "platform/message_box.h"
#include "platform/record_file.h"
#include "platform/registry.h"
#include "platform/registry_watch.h"
#include "platform/runtime.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "platform/timers.h"
#include "platform/tray_icon.h"
#include "platform/user_settings.h"
#include "platform/wall_clock.h"
#include "platform/window_system.h"

namespace platform {

// Everything the program asks of the system, handed to the windows that need it.
struct Services {
    Registry& registry;
    TrayIcon& tray;
    SystemInfo& system;
    MessageBoxes& boxes;
    Runtime& runtime;
    WindowSystem& windows;
    EventPump& pump;
    RecordFiles& files;
    Internet& internet;
    IniFiles& ini;
    FileSystem& file_system;
    Shell& shell;
    RegistryWatch& watch;
    DeviceTree& devices;
    EventLog& events;
    Timers& timers;
    LockServiceLink& lock_service;
    FileAccess& file_access;
    WallClock& wall_clock;
    UserSettings& user_settings;
};

} // namespace platform
