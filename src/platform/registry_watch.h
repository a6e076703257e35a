#pragma once

#include <functional>
#include <string>

namespace platform {

// Tells the program when a value under a registry key has changed, whoever
// changed it. Exists so that following the lock value can be tested without
// a registry.
class RegistryWatch {
public:
    virtual ~RegistryWatch() = default;
    // Watches the values of HKEY_LOCAL_MACHINE\path (RegNotifyChangeKeyValue).
    // on_change runs on the window thread, from its event loop, after each
    // change, the program's own writes included; it may run once for several
    // changes. False when the key cannot be watched.
    virtual bool watch(const std::string& path, std::function<void()> on_change) = 0;
};

} // namespace platform
