#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Opaque key handle handed out by open_key.
using RegistryKey = std::uintptr_t;

inline constexpr std::uintptr_t HKEY_LOCAL_MACHINE_ROOT = 0x80000002;
inline constexpr std::uint32_t KEY_QUERY_VALUE_ACCESS = 0x0001;
inline constexpr std::uint32_t KEY_ALL_ACCESS_RIGHTS = 0xF003F;
inline constexpr std::uint32_t REG_SZ_TYPE = 1;
inline constexpr std::uint32_t REG_DWORD_TYPE = 4;
// ERROR_MORE_DATA: the value is larger than the room given.
inline constexpr long MORE_DATA_STATUS = 234;

// The four registry calls the program makes, with the arguments of their ANSI
// Win32 forms. Every call returns the system's status code: 0 on success.
// Exists so that the lock logic can be exercised against a registry in memory.
class Registry {
public:
    virtual ~Registry() = default;

    // RegOpenKeyExA
    virtual long open_key(std::uintptr_t root, const std::string& path, std::uint32_t options,
                          std::uint32_t access, RegistryKey& key) = 0;
    // RegQueryValueExA into data; size is the data size (in: the room given,
    // never taken as more than data.size(); out: the bytes stored, or with
    // MORE_DATA_STATUS the bytes the value needs).
    virtual long query_value(RegistryKey key, const std::string& name, std::uint32_t& type,
                             std::vector<std::uint8_t>& data, std::uint32_t& size) = 0;
    // RegSetValueExA (the reserved argument is always 0)
    virtual long set_value(RegistryKey key, const std::string& name, std::uint32_t type,
                           const std::vector<std::uint8_t>& data) = 0;
    // RegCloseKey
    virtual long close_key(RegistryKey key) = 0;
};

} // namespace platform
