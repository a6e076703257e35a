#include "platform/win32/win32_registry_watch.h"

namespace platform::win32 {

Win32RegistryWatch::~Win32RegistryWatch()
{
    stop();
}

bool Win32RegistryWatch::watch(const std::string& path, std::function<void()> on_change)
{
    stop();
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_NOTIFY, &key) != ERROR_SUCCESS)
        return false;
    key_.reset(key);
    event_.reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!event_ || !arm()) {
        stop();
        return false;
    }
    on_change_ = std::move(on_change);
    waits_.add(event_.get(), [this] { changed(); });
    return true;
}

bool Win32RegistryWatch::arm()
{
    return ::RegNotifyChangeKeyValue(key_.get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, event_.get(), TRUE) ==
           ERROR_SUCCESS;
}

void Win32RegistryWatch::changed()
{
    // Re-armed before the handler reads, so no later change is missed. A key
    // that was deleted cannot be watched any more.
    const bool armed = arm();
    auto handler = on_change_;
    if (!armed)
        stop();
    if (handler)
        handler();
}

void Win32RegistryWatch::stop()
{
    if (event_)
        waits_.remove(event_.get());
    on_change_ = nullptr;
    key_.reset(); // closing the key ends a pending notification
    event_.reset();
}

} // namespace platform::win32
