#include "lock/usb_drive_ejection.h"

#include <map>
#include <optional>
#include <set>

namespace lock {

namespace {

using platform::DeviceNode;
using platform::DeviceTree;

constexpr char STORAGE_ID_PREFIX[] = "USBSTOR\\";
constexpr char USB_DEVICE_ID_PREFIX[] = "USB\\";
constexpr char LINE_END[] = "\r\n";

char ascii_upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Device IDs are compared without regard to letter case.
bool starts_with_ignoring_case(const std::string& text, const std::string& prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (ascii_upper(text[i]) != ascii_upper(prefix[i]))
            return false;
    }
    return true;
}

// The friendly name, else the description, else the instance ID; an empty
// name is no name.
std::string device_name(DeviceTree& devices, DeviceNode node, const std::string& id)
{
    if (auto name = devices.friendly_name(node); name && !name->empty())
        return *name;
    if (auto description = devices.description(node); description && !description->empty())
        return *description;
    return id;
}

// The USB device holding a storage node, or the node itself when its parent
// is something else; nothing when the parent cannot be told.
std::optional<DeviceNode> removal_node_of(DeviceTree& devices, DeviceNode storage_node)
{
    const auto parent = devices.parent(storage_node);
    if (!parent)
        return std::nullopt;
    const auto parent_id = devices.instance_id(*parent);
    if (!parent_id)
        return std::nullopt;
    return starts_with_ignoring_case(*parent_id, USB_DEVICE_ID_PREFIX) ? *parent : storage_node;
}

std::optional<UsbDrive> usb_drive_at(DeviceTree& devices, DeviceNode node)
{
    const auto id = devices.instance_id(node);
    if (!id || !starts_with_ignoring_case(*id, STORAGE_ID_PREFIX))
        return std::nullopt;
    const auto removal_node = removal_node_of(devices, node);
    if (!removal_node)
        return std::nullopt;
    return UsbDrive{device_name(devices, node, *id), *removal_node};
}

std::string lines(const std::vector<std::string>& names)
{
    std::string text;
    for (const auto& name : names)
        text += LINE_END + name;
    return text;
}

std::vector<std::string> names_of(const std::vector<UsbDrive>& drives)
{
    std::vector<std::string> names;
    for (const auto& drive : drives)
        names.push_back(drive.name);
    return names;
}

} // namespace

std::vector<UsbDrive> find_usb_drives(DeviceTree& devices)
{
    std::vector<UsbDrive> drives;
    const auto root = devices.root();
    if (!root)
        return drives;
    // Depth first, children before siblings: the tree's own order. A node met
    // twice is not walked again.
    std::vector<DeviceNode> to_visit{*root};
    std::set<DeviceNode> visited;
    while (!to_visit.empty() && visited.size() < MAX_DEVICE_NODES) {
        const DeviceNode node = to_visit.back();
        to_visit.pop_back();
        if (!visited.insert(node).second)
            continue;
        if (auto drive = usb_drive_at(devices, node))
            drives.push_back(std::move(*drive));
        if (node != *root) {
            if (const auto sibling = devices.next_sibling(node))
                to_visit.push_back(*sibling);
        }
        if (const auto child = devices.first_child(node))
            to_visit.push_back(*child);
    }
    return drives;
}

EjectionResult eject_usb_drives(DeviceTree& devices, const std::vector<UsbDrive>& drives)
{
    std::map<DeviceNode, bool> accepted_by_node;
    EjectionResult result;
    for (const auto& drive : drives) {
        auto asked = accepted_by_node.find(drive.removal_node);
        if (asked == accepted_by_node.end()) {
            const bool accepted = devices.request_removal(drive.removal_node) == platform::RemovalAnswer::ejected;
            asked = accepted_by_node.emplace(drive.removal_node, accepted).first;
        }
        (asked->second ? result.ejected : result.refused).push_back(drive.name);
    }
    return result;
}

std::string eject_question_text(const std::vector<UsbDrive>& drives)
{
    return std::string(DRIVES_STILL_PLUGGED_IN) + LINE_END + lines(names_of(drives)) + LINE_END + LINE_END +
           EJECT_QUESTION;
}

std::string ejection_outcome_text(const EjectionResult& result)
{
    if (result.refused.empty())
        return std::string(DRIVES_EJECTED) + LINE_END + lines(result.ejected);
    return std::string(DRIVES_IN_USE) + LINE_END + lines(result.refused) + LINE_END + LINE_END + CLOSE_FILES_ADVICE;
}

} // namespace lock
