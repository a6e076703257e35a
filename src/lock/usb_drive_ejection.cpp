#include "lock/usb_drive_ejection.h"

#include <map>
#include <optional>
#include <set>

namespace lock {

namespace {

using platform::CR_SUCCESS_STATUS;
using platform::DeviceNode;
using platform::PlugAndPlay;

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

std::optional<std::string> device_id(PlugAndPlay& devices, DeviceNode node)
{
    std::string id;
    if (devices.get_device_id(node, id) != CR_SUCCESS_STATUS)
        return std::nullopt;
    return id;
}

// The friendly name, else the description, else the instance ID.
std::string device_name(PlugAndPlay& devices, DeviceNode node, const std::string& id)
{
    for (const std::uint32_t property : {platform::FRIENDLY_NAME_PROPERTY, platform::DEVICE_DESCRIPTION_PROPERTY}) {
        std::string text;
        if (devices.get_text_property(node, property, text) == CR_SUCCESS_STATUS && !text.empty())
            return text;
    }
    return id;
}

// The USB device holding a storage node, or the node itself when its parent
// is something else; nothing when the parent cannot be told.
std::optional<DeviceNode> removal_node_of(PlugAndPlay& devices, DeviceNode storage_node)
{
    DeviceNode parent = 0;
    if (devices.get_parent(storage_node, parent) != CR_SUCCESS_STATUS)
        return std::nullopt;
    const auto parent_id = device_id(devices, parent);
    if (!parent_id)
        return std::nullopt;
    return starts_with_ignoring_case(*parent_id, USB_DEVICE_ID_PREFIX) ? parent : storage_node;
}

std::optional<UsbDrive> usb_drive_at(PlugAndPlay& devices, DeviceNode node)
{
    const auto id = device_id(devices, node);
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

std::vector<UsbDrive> find_usb_drives(PlugAndPlay& devices)
{
    std::vector<UsbDrive> drives;
    DeviceNode root = 0;
    if (devices.locate_root(root) != CR_SUCCESS_STATUS)
        return drives;
    // Depth first, children before siblings: the tree's own order. A node met
    // twice is not walked again.
    std::vector<DeviceNode> to_visit{root};
    std::set<DeviceNode> visited;
    while (!to_visit.empty() && visited.size() < MAX_DEVICE_NODES) {
        const DeviceNode node = to_visit.back();
        to_visit.pop_back();
        if (!visited.insert(node).second)
            continue;
        if (auto drive = usb_drive_at(devices, node))
            drives.push_back(std::move(*drive));
        DeviceNode next = 0;
        if (node != root && devices.get_sibling(node, next) == CR_SUCCESS_STATUS)
            to_visit.push_back(next);
        if (devices.get_child(node, next) == CR_SUCCESS_STATUS)
            to_visit.push_back(next);
    }
    return drives;
}

EjectionResult eject_usb_drives(PlugAndPlay& devices, const std::vector<UsbDrive>& drives)
{
    std::map<DeviceNode, bool> accepted_by_node;
    EjectionResult result;
    for (const auto& drive : drives) {
        auto asked = accepted_by_node.find(drive.removal_node);
        if (asked == accepted_by_node.end()) {
            std::uint32_t veto_type = platform::NO_VETO;
            std::string veto_name;
            const std::uint32_t status = devices.request_eject(drive.removal_node, veto_type, veto_name);
            const bool accepted = status == CR_SUCCESS_STATUS && veto_type == platform::NO_VETO;
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
