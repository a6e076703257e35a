#pragma once

#include "platform/registry_watch.h"
#include "platform/win32/event_waits.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

// RegNotifyChangeKeyValue on the key, asynchronous with an event that the
// outer message loop waits for; re-armed after every change.
class Win32RegistryWatch : public RegistryWatch {
public:
    explicit Win32RegistryWatch(EventWaits& waits) : waits_(waits) {}
    ~Win32RegistryWatch() override;
    Win32RegistryWatch(const Win32RegistryWatch&) = delete;
    Win32RegistryWatch& operator=(const Win32RegistryWatch&) = delete;

    bool watch(const std::string& path, std::function<void()> on_change) override;

private:
    bool arm();
    void changed();
    void stop();

    EventWaits& waits_;
    UniqueKey key_;
    UniqueKernelHandle event_;
    std::function<void()> on_change_;
};

} // namespace platform::win32
