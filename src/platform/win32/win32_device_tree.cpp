#include "platform/win32/win32_device_tree.h"

#include <cfgmgr32.h>

#include <type_traits>
#include <vector>

#include "platform/win32/boundary.h"

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
Function Win32DeviceTree::function(const char* name)
{
    if (!cfgmgr32_)
        cfgmgr32_ = ::LoadLibraryA("cfgmgr32.dll");
    if (!cfgmgr32_)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(cfgmgr32_, name)));
}

std::optional<DeviceNode> Win32DeviceTree::root()
{
    const auto locate = function<decltype(&::CM_Locate_DevNodeA)>("CM_Locate_DevNodeA");
    if (!locate)
        return std::nullopt;
    DEVINST found = 0;
    if (locate(&found, nullptr, CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS)
        return std::nullopt;
    return found;
}

// CM_Get_Child, CM_Get_Sibling and CM_Get_Parent: one step through the tree.
std::optional<DeviceNode> Win32DeviceTree::next_node(const char* function_name, DeviceNode node)
{
    using Step = decltype(&::CM_Get_Child); // the three take the same arguments
    static_assert(std::is_same_v<Step, decltype(&::CM_Get_Sibling)>);
    static_assert(std::is_same_v<Step, decltype(&::CM_Get_Parent)>);
    const auto step = function<Step>(function_name);
    if (!step)
        return std::nullopt;
    DEVINST found = 0;
    if (step(&found, node, 0) != CR_SUCCESS)
        return std::nullopt; // CR_NO_SUCH_DEVNODE at the tree's edge, or a failure
    return found;
}

std::optional<DeviceNode> Win32DeviceTree::first_child(DeviceNode node)
{
    return next_node("CM_Get_Child", node);
}

std::optional<DeviceNode> Win32DeviceTree::next_sibling(DeviceNode node)
{
    return next_node("CM_Get_Sibling", node);
}

std::optional<DeviceNode> Win32DeviceTree::parent(DeviceNode node)
{
    return next_node("CM_Get_Parent", node);
}

std::optional<std::string> Win32DeviceTree::instance_id(DeviceNode node)
{
    const auto get = function<decltype(&::CM_Get_Device_IDA)>("CM_Get_Device_IDA");
    if (!get)
        return std::nullopt;
    // The call ends the ID with a NUL only when there is room for one.
    std::vector<char> buffer(MAX_DEVICE_ID_LEN + 1, '\0');
    if (get(node, buffer.data(), MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS)
        return std::nullopt;
    return text_in(buffer, MAX_DEVICE_ID_LEN);
}

std::optional<std::string> Win32DeviceTree::friendly_name(DeviceNode node)
{
    return text_property(node, CM_DRP_FRIENDLYNAME);
}

std::optional<std::string> Win32DeviceTree::description(DeviceNode node)
{
    return text_property(node, CM_DRP_DEVICEDESC);
}

// A text property (REG_SZ); a value of another type is none.
std::optional<std::string> Win32DeviceTree::text_property(DeviceNode node, ULONG property)
{
    const auto get = function<decltype(&::CM_Get_DevNode_Registry_PropertyA)>("CM_Get_DevNode_Registry_PropertyA");
    if (!get)
        return std::nullopt;
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
        if (status != CR_SUCCESS || type != REG_SZ)
            return std::nullopt;
        return text_in(buffer, length);
    }
    return std::nullopt; // grew again between the two calls
}

RemovalAnswer Win32DeviceTree::request_removal(DeviceNode node)
{
    const auto request = function<decltype(&::CM_Request_Device_EjectA)>("CM_Request_Device_EjectA");
    if (!request)
        return RemovalAnswer::refused;
    // With a veto buffer, Windows reports a refusal to the caller instead of
    // showing a box of its own.
    PNP_VETO_TYPE veto = PNP_VetoTypeUnknown;
    std::vector<char> name(VETO_NAME_CHARACTERS + 1, '\0');
    const CONFIGRET status = request(node, &veto, name.data(), VETO_NAME_CHARACTERS, 0);
    return removal_answer(status, veto);
}

} // namespace platform::win32
