#include "lock/usb_storage_value.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace lock {

namespace {

constexpr std::uint32_t QUERY_BUFFER_SIZE = 1024;
constexpr std::uint32_t REG_EXPAND_SZ_TYPE = 2;

std::string upper_hex(std::uint8_t byte)
{
    constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    if (byte >= 16)
        text += digits[byte / 16];
    text += digits[byte % 16];
    return text;
}

bool all_digits(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The decimal value of a digit text compared with a one-digit number,
// whatever its length (leading zeros included).
bool decimal_equals(const std::string& digits, char number)
{
    auto first = digits.find_first_not_of('0');
    return first != std::string::npos && digits.size() - first == 1 && digits[first] == number;
}

} // namespace

LockState lock_state_from_bytes(std::uint32_t type, std::vector<std::uint8_t> bytes)
{
    if (!bytes.empty() && bytes.back() == 0)
        bytes.pop_back();
    if (type != platform::REG_DWORD_TYPE)
        return LockState::unlocked;

    // The bytes, most significant first, each as hexadecimal without leading
    // zeros; the text is read as a decimal number after every byte.
    LockState state = LockState::unlocked;
    std::string text;
    for (auto it = bytes.rbegin(); it != bytes.rend(); ++it) {
        text += upper_hex(*it);
        if (!all_digits(text))
            return LockState::unlocked; // a hex letter: not a number the service uses
        if (decimal_equals(text, '3'))
            state = LockState::unlocked;
        else if (decimal_equals(text, '4'))
            state = LockState::locked;
    }
    return state;
}

std::optional<LockState> read_lock_state(platform::Registry& registry)
{
    const auto stored = read_start_value(registry);
    if (!stored)
        return std::nullopt;
    return lock_state_of(*stored);
}

std::optional<StoredStart> read_start_value(platform::Registry& registry)
{
    platform::RegistryKey key = 0;
    if (registry.open_key(platform::HKEY_LOCAL_MACHINE_ROOT, USBSTOR_KEY, 0, platform::KEY_QUERY_VALUE_ACCESS, key) != 0)
        return std::nullopt;

    StoredStart stored;
    stored.bytes.assign(QUERY_BUFFER_SIZE, 0);
    std::uint32_t size = QUERY_BUFFER_SIZE;
    if (registry.query_value(key, START_VALUE, stored.type, stored.bytes, size) != 0) {
        registry.close_key(key);
        return std::nullopt;
    }
    registry.close_key(key);

    stored.bytes.resize(std::min<std::uint32_t>(size, QUERY_BUFFER_SIZE));
    return stored;
}

LockState lock_state_of(const StoredStart& stored)
{
    return lock_state_from_bytes(stored.type, stored.bytes);
}

std::string start_value_text(const StoredStart& stored)
{
    if (stored.type == platform::REG_DWORD_TYPE) {
        std::uint32_t number = 0;
        for (std::size_t i = 0; i < stored.bytes.size() && i < 4; ++i)
            number |= static_cast<std::uint32_t>(stored.bytes[i]) << (8 * i);
        return std::to_string(number);
    }
    if (stored.type == platform::REG_SZ_TYPE || stored.type == REG_EXPAND_SZ_TYPE) {
        const auto end = std::find(stored.bytes.begin(), stored.bytes.end(), 0);
        return std::string(stored.bytes.begin(), end);
    }
    return {};
}

WriteResult write_start_value(platform::Registry& registry, std::uint32_t value)
{
    long status = 0;
    return write_start_value(registry, value, status);
}

WriteResult write_start_value(platform::Registry& registry, std::uint32_t value, long& status)
{
    platform::RegistryKey key = 0;
    status = registry.open_key(platform::HKEY_LOCAL_MACHINE_ROOT, USBSTOR_KEY, 0, platform::KEY_ALL_ACCESS_RIGHTS, key);
    if (status != 0)
        return WriteResult::open_failed;

    const std::vector<std::uint8_t> bytes{
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    status = registry.set_value(key, START_VALUE, platform::REG_DWORD_TYPE, bytes);
    if (status != 0) {
        registry.close_key(key);
        return WriteResult::set_failed;
    }
    status = registry.close_key(key);
    if (status != 0)
        return WriteResult::close_failed;
    return WriteResult::written;
}

} // namespace lock
