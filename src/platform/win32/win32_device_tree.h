#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/device_tree.h"

namespace platform::win32 {

// The Plug and Play tree through cfgmgr32.dll, loaded by name at the first
// question (the first lock that looks for USB drives), never at start-up,
// and kept until the process ends. A library or function that cannot be had
// answers as a failing call would: nothing, or a refusal.
class Win32DeviceTree : public DeviceTree {
public:
    std::optional<DeviceNode> root() override;
    std::optional<DeviceNode> first_child(DeviceNode node) override;
    std::optional<DeviceNode> next_sibling(DeviceNode node) override;
    std::optional<DeviceNode> parent(DeviceNode node) override;
    std::optional<std::string> instance_id(DeviceNode node) override;
    std::optional<std::string> friendly_name(DeviceNode node) override;
    std::optional<std::string> description(DeviceNode node) override;
    RemovalAnswer request_removal(DeviceNode node) override;

private:
    template <typename Function>
    Function function(const char* name);
    std::optional<DeviceNode> next_node(const char* function_name, DeviceNode node);
    std::optional<std::string> text_property(DeviceNode node, ULONG property);

    HMODULE cfgmgr32_ = nullptr;
};

} // namespace platform::win32
