#pragma once

#include <windows.h>

#include "platform/plug_and_play.h"

namespace platform::win32 {

// The configuration manager's calls through cfgmgr32.dll, loaded by name at
// the first call (the first lock that looks for USB drives), never at
// start-up, and kept until the process ends. A library or function that
// cannot be had makes every call fail, as a failing call would.
class Win32PlugAndPlay : public PlugAndPlay {
public:
    std::uint32_t locate_root(DeviceNode& root) override;
    std::uint32_t get_child(DeviceNode node, DeviceNode& child) override;
    std::uint32_t get_sibling(DeviceNode node, DeviceNode& sibling) override;
    std::uint32_t get_parent(DeviceNode node, DeviceNode& parent) override;
    std::uint32_t get_device_id(DeviceNode node, std::string& id) override;
    std::uint32_t get_text_property(DeviceNode node, std::uint32_t property, std::string& text) override;
    std::uint32_t request_eject(DeviceNode node, std::uint32_t& veto_type, std::string& veto_name) override;

private:
    template <typename Function>
    Function function(const char* name);
    std::uint32_t next_node(const char* function_name, DeviceNode node, DeviceNode& next);

    HMODULE cfgmgr32_ = nullptr;
};

} // namespace platform::win32
