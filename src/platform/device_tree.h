#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// A device node of the Plug and Play tree.
using DeviceNode = std::uint32_t;

// What a request to stop a device for safe removal got: the system stopped
// it, or it did not (a program holds a file open on it, or the request
// failed).
enum class RemovalAnswer { ejected, refused };

// The Plug and Play device tree, as the program walks it. Every question
// answers nothing both when there is nothing (a node without children) and
// when the system could not answer; the tree may loop or never end, and the
// caller bounds its walk. Exists so that the choice of the devices to eject
// can be exercised on a tree in memory.
class DeviceTree {
public:
    virtual ~DeviceTree() = default;

    virtual std::optional<DeviceNode> root() = 0;
    virtual std::optional<DeviceNode> first_child(DeviceNode node) = 0;
    virtual std::optional<DeviceNode> next_sibling(DeviceNode node) = 0;
    virtual std::optional<DeviceNode> parent(DeviceNode node) = 0;
    // The device instance ID, such as "USBSTOR\DISK&VEN_...".
    virtual std::optional<std::string> instance_id(DeviceNode node) = 0;
    // The names the device gives itself; either may be empty.
    virtual std::optional<std::string> friendly_name(DeviceNode node) = 0;
    virtual std::optional<std::string> description(DeviceNode node) = 0;
    // Asks the system to stop the device and all below it so that it can be
    // unplugged; a refusal comes back as the answer, never as a window of the
    // system's own.
    virtual RemovalAnswer request_removal(DeviceNode node) = 0;
};

} // namespace platform
