// Stands in for cfgmgr32.dll: presents the small device tree described in
// C:\stand_in_devices.txt, one node a line, children in the order given:
//
//   NODE<TAB>PARENT<TAB>DEVICE ID<TAB>FRIENDLY NAME<TAB>DESCRIPTION<TAB>accept|refuse
//
// The root is node 1 with parent 0; "-" is a property the device lacks.
// Appends to C:\stand_in_cfgmgr32.txt one line when the library is loaded
// ("loaded"), then one per removal request:
//
//   eject<TAB>DEVICE ID<TAB>veto buffer|no veto buffer<TAB>accepted|refused
//
// A refused request answers as Windows does when a file is open on the drive.

// The header's own declarations become the exports.
#define CMAPI __declspec(dllexport)
#include <windows.h>
#include <cfgmgr32.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct Device {
    DEVINST parent = 0;
    std::string id, friendly_name, description;
    bool refuses = false;
    std::vector<DEVINST> children;
};

void record(const std::string& line)
{
    FILE* log = std::fopen("C:\\stand_in_cfgmgr32.txt", "ab");
    if (!log)
        return;
    const std::string text = line + "\r\n";
    std::fwrite(text.data(), 1, text.size(), log);
    std::fclose(log);
}

std::vector<std::string> fields_of(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

std::map<DEVINST, Device>& tree()
{
    static std::map<DEVINST, Device> devices;
    static bool read = false;
    if (read)
        return devices;
    read = true;
    devices[1].id = "HTREE\\ROOT\\0";
    FILE* file = std::fopen("C:\\stand_in_devices.txt", "rb");
    if (!file)
        return devices;
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, file)) {
        std::string line = buffer;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        const auto f = fields_of(line);
        if (f.size() != 6)
            continue;
        const DEVINST node = std::stoul(f[0]);
        Device& device = devices[node];
        device.parent = std::stoul(f[1]);
        device.id = f[2];
        device.friendly_name = f[3] == "-" ? "" : f[3];
        device.description = f[4] == "-" ? "" : f[4];
        device.refuses = f[5] == "refuse";
        devices[device.parent].children.push_back(node);
    }
    std::fclose(file);
    return devices;
}

const Device* find(DEVINST node)
{
    const auto found = tree().find(node);
    return found == tree().end() ? nullptr : &found->second;
}

CONFIGRET answer(DEVINST found, PDEVINST out)
{
    if (!out)
        return CR_INVALID_POINTER;
    if (!found)
        return CR_NO_SUCH_DEVNODE;
    *out = found;
    return CR_SUCCESS;
}

DEVINST next_sibling_of(DEVINST node)
{
    const Device* device = find(node);
    const Device* parent = device ? find(device->parent) : nullptr;
    if (!parent)
        return 0;
    for (std::size_t i = 0; i + 1 < parent->children.size(); ++i) {
        if (parent->children[i] == node)
            return parent->children[i + 1];
    }
    return 0;
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        record("loaded");
    return TRUE;
}

CONFIGRET WINAPI CM_Locate_DevNodeA(PDEVINST root, DEVINSTID_A id, ULONG)
{
    return id ? CR_NO_SUCH_DEVNODE : answer(1, root);
}

CONFIGRET WINAPI CM_Get_Child(PDEVINST child, DEVINST node, ULONG)
{
    const Device* device = find(node);
    if (!device)
        return CR_INVALID_DEVNODE;
    return answer(device->children.empty() ? 0 : device->children.front(), child);
}

CONFIGRET WINAPI CM_Get_Sibling(PDEVINST sibling, DEVINST node, ULONG)
{
    if (!find(node))
        return CR_INVALID_DEVNODE;
    return answer(next_sibling_of(node), sibling);
}

CONFIGRET WINAPI CM_Get_Parent(PDEVINST parent, DEVINST node, ULONG)
{
    const Device* device = find(node);
    if (!device)
        return CR_INVALID_DEVNODE;
    return answer(find(device->parent) ? device->parent : 0, parent);
}

CONFIGRET WINAPI CM_Get_Device_IDA(DEVINST node, PCHAR buffer, ULONG length, ULONG)
{
    const Device* device = find(node);
    if (!device)
        return CR_INVALID_DEVNODE;
    if (!buffer || length < device->id.size())
        return CR_BUFFER_SMALL;
    std::memcpy(buffer, device->id.c_str(), device->id.size());
    if (length > device->id.size())
        buffer[device->id.size()] = '\0';
    return CR_SUCCESS;
}

CONFIGRET WINAPI CM_Get_DevNode_Registry_PropertyA(DEVINST node, ULONG property, PULONG type,
                                                                         PVOID buffer, PULONG length, ULONG)
{
    const Device* device = find(node);
    if (!device)
        return CR_INVALID_DEVNODE;
    if (!length)
        return CR_INVALID_POINTER;
    const std::string* value = property == CM_DRP_FRIENDLYNAME ? &device->friendly_name
                               : property == CM_DRP_DEVICEDESC ? &device->description
                                                               : nullptr;
    if (!value || value->empty())
        return CR_NO_SUCH_VALUE;
    const ULONG needed = static_cast<ULONG>(value->size() + 1);
    if (type)
        *type = REG_SZ;
    if (!buffer || *length < needed) {
        *length = needed;
        return CR_BUFFER_SMALL;
    }
    std::memcpy(buffer, value->c_str(), needed);
    *length = needed;
    return CR_SUCCESS;
}

CONFIGRET WINAPI CM_Request_Device_EjectA(DEVINST node, PPNP_VETO_TYPE veto_type,
                                                                LPSTR veto_name, ULONG name_length, ULONG)
{
    const Device* device = find(node);
    if (!device)
        return CR_INVALID_DEVNODE;
    const bool veto_buffer = veto_type && veto_name && name_length > 0;
    record("eject\t" + device->id + '\t' + (veto_buffer ? "veto buffer" : "no veto buffer") + '\t' +
           (device->refuses ? "refused" : "accepted"));
    if (!device->refuses)
        return CR_SUCCESS;
    if (veto_type)
        *veto_type = PNP_VetoOutstandingOpen;
    if (veto_name && name_length > 0)
        lstrcpynA(veto_name, "\\Device\\HarddiskVolume9", static_cast<int>(name_length));
    return CR_REMOVE_VETOED;
}

} // extern "C"
