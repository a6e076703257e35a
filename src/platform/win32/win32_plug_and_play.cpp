#include "platform/win32/win32_plug_and_play.h"

#include <cfgmgr32.h>

#include <type_traits>
#include <vector>

namespace platform::win32 {

namespace {

// Text the call wrote into `buffer`, up to its first NUL: a value stored
// without one cannot run past the room given.
std::string text_in(const std::vector<char>& buffer, std::size_t written)
{
    const std::size_t size = written < buffer.size() ? written : buffer.size();
    std::size_t length = 0;
    while (length < size && buffer[length] != '\0')
        ++length;
    return std::string(buffer.data(), length);
}

// Largest text property read; friendly names and descriptions are short.
constexpr ULONG MAX_PROPERTY_BYTES = 4096;
constexpr ULONG INITIAL_PROPERTY_BYTES = 256;
constexpr ULONG VETO_NAME_CHARACTERS = MAX_PATH;

} // namespace

template <typename Function>
Function Win32PlugAndPlay::function(const char* name)
{
    if (!cfgmgr32_)
        cfgmgr32_ = ::LoadLibraryA("cfgmgr32.dll");
    if (!cfgmgr32_)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(cfgmgr32_, name)));
}

std::uint32_t Win32PlugAndPlay::locate_root(DeviceNode& root)
{
    const auto locate = function<decltype(&::CM_Locate_DevNodeA)>("CM_Locate_DevNodeA");
    if (!locate)
        return CR_FAILURE;
    DEVINST found = 0;
    const CONFIGRET status = locate(&found, nullptr, CM_LOCATE_DEVNODE_NORMAL);
    if (status == CR_SUCCESS)
        root = found;
    return status;
}

// CM_Get_Child, CM_Get_Sibling and CM_Get_Parent: one step through the tree.
std::uint32_t Win32PlugAndPlay::next_node(const char* function_name, DeviceNode node, DeviceNode& next)
{
    using Step = decltype(&::CM_Get_Child); // the three take the same arguments
    static_assert(std::is_same_v<Step, decltype(&::CM_Get_Sibling)>);
    static_assert(std::is_same_v<Step, decltype(&::CM_Get_Parent)>);
    const auto step = function<Step>(function_name);
    if (!step)
        return CR_FAILURE;
    DEVINST found = 0;
    const CONFIGRET status = step(&found, node, 0);
    if (status == CR_SUCCESS)
        next = found;
    return status;
}

std::uint32_t Win32PlugAndPlay::get_child(DeviceNode node, DeviceNode& child)
{
    return next_node("CM_Get_Child", node, child);
}

std::uint32_t Win32PlugAndPlay::get_sibling(DeviceNode node, DeviceNode& sibling)
{
    return next_node("CM_Get_Sibling", node, sibling);
}

std::uint32_t Win32PlugAndPlay::get_parent(DeviceNode node, DeviceNode& parent)
{
    return next_node("CM_Get_Parent", node, parent);
}

std::uint32_t Win32PlugAndPlay::get_device_id(DeviceNode node, std::string& id)
{
    const auto get = function<decltype(&::CM_Get_Device_IDA)>("CM_Get_Device_IDA");
    if (!get)
        return CR_FAILURE;
    // The call ends the ID with a NUL only when there is room for one.
    std::vector<char> buffer(MAX_DEVICE_ID_LEN + 1, '\0');
    const CONFIGRET status = get(node, buffer.data(), MAX_DEVICE_ID_LEN, 0);
    if (status == CR_SUCCESS)
        id = text_in(buffer, MAX_DEVICE_ID_LEN);
    return status;
}

std::uint32_t Win32PlugAndPlay::get_text_property(DeviceNode node, std::uint32_t property, std::string& text)
{
    const auto get = function<decltype(&::CM_Get_DevNode_Registry_PropertyA)>("CM_Get_DevNode_Registry_PropertyA");
    if (!get)
        return CR_FAILURE;
    ULONG room = INITIAL_PROPERTY_BYTES;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::vector<char> buffer(room + 1, '\0');
        ULONG type = 0;
        ULONG length = room;
        const CONFIGRET status = get(node, property, &type, buffer.data(), &length, 0);
        if (status == CR_BUFFER_SMALL && length > room && length <= MAX_PROPERTY_BYTES) {
            room = length; // the size the value needs
            continue;
        }
        if (status != CR_SUCCESS)
            return status;
        if (type != REG_SZ)
            return CR_FAILURE;
        text = text_in(buffer, length);
        return CR_SUCCESS;
    }
    return CR_FAILURE; // grew again between the two calls
}

std::uint32_t Win32PlugAndPlay::request_eject(DeviceNode node, std::uint32_t& veto_type, std::string& veto_name)
{
    const auto request = function<decltype(&::CM_Request_Device_EjectA)>("CM_Request_Device_EjectA");
    if (!request)
        return CR_FAILURE;
    // With a veto buffer, Windows reports a refusal to the caller instead of
    // showing a box of its own.
    PNP_VETO_TYPE veto = PNP_VetoTypeUnknown;
    std::vector<char> name(VETO_NAME_CHARACTERS + 1, '\0');
    const CONFIGRET status = request(node, &veto, name.data(), VETO_NAME_CHARACTERS, 0);
    veto_type = static_cast<std::uint32_t>(veto);
    veto_name = text_in(name, VETO_NAME_CHARACTERS);
    return status;
}

} // namespace platform::win32
