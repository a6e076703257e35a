#pragma once

#include <cstdint>
#include <string>

namespace platform {

// A device node of the Plug and Play tree (a DEVINST).
using DeviceNode = std::uint32_t;

// CONFIGRET codes the program tells apart; any other non-zero code is a failure too.
inline constexpr std::uint32_t CR_SUCCESS_STATUS = 0;
inline constexpr std::uint32_t CR_NO_SUCH_DEVNODE_STATUS = 0x0D;
inline constexpr std::uint32_t CR_FAILURE_STATUS = 0x13;
inline constexpr std::uint32_t CR_REMOVE_VETOED_STATUS = 0x17;

// Device properties (CM_DRP_...).
inline constexpr std::uint32_t DEVICE_DESCRIPTION_PROPERTY = 0x01; // CM_DRP_DEVICEDESC
inline constexpr std::uint32_t FRIENDLY_NAME_PROPERTY = 0x0D;      // CM_DRP_FRIENDLYNAME

// PNP_VetoTypeUnknown: nobody objected.
inline constexpr std::uint32_t NO_VETO = 0;

// The configuration manager's calls the program makes, with their ANSI forms'
// meaning; every call returns the CONFIGRET code, 0 on success. Exists so that
// the choice of the devices to eject can be exercised on a tree in memory.
class PlugAndPlay {
public:
    virtual ~PlugAndPlay() = default;

    // CM_Locate_DevNodeA with no device ID: the root of the tree.
    virtual std::uint32_t locate_root(DeviceNode& root) = 0;
    // CM_Get_Child, CM_Get_Sibling, CM_Get_Parent
    virtual std::uint32_t get_child(DeviceNode node, DeviceNode& child) = 0;
    virtual std::uint32_t get_sibling(DeviceNode node, DeviceNode& sibling) = 0;
    virtual std::uint32_t get_parent(DeviceNode node, DeviceNode& parent) = 0;
    // CM_Get_Device_IDA: the device instance ID, such as "USBSTOR\DISK&VEN_...".
    virtual std::uint32_t get_device_id(DeviceNode node, std::string& id) = 0;
    // CM_Get_DevNode_Registry_PropertyA for a text property (REG_SZ); a value
    // of another type is a failure.
    virtual std::uint32_t get_text_property(DeviceNode node, std::uint32_t property, std::string& text) = 0;
    // CM_Request_Device_EjectA with a veto buffer, so Windows shows nothing
    // itself: veto_type is NO_VETO when nobody objected.
    virtual std::uint32_t request_eject(DeviceNode node, std::uint32_t& veto_type, std::string& veto_name) = 0;
};

} // namespace platform
