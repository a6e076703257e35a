#include "lock/usb_storage_value.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

namespace lock {

namespace {

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

LockState lock_state_from_bytes(platform::ValueType type, std::vector<std::uint8_t> bytes)
{
    if (!bytes.empty() && bytes.back() == 0)
        bytes.pop_back();
    if (type != platform::ValueType::dword)
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

std::optional<platform::RegistryValue> read_start_value(platform::Registry& registry)
{
    auto read = registry.read_value(USBSTOR_KEY, START_VALUE);
    if (!read.succeeded())
        return std::nullopt;
    return std::move(read.value());
}

LockState lock_state_of(const platform::RegistryValue& stored)
{
    return lock_state_from_bytes(stored.type, stored.bytes);
}

std::string start_value_text(const platform::RegistryValue& stored)
{
    if (stored.type == platform::ValueType::dword) {
        std::uint32_t number = 0;
        for (std::size_t i = 0; i < stored.bytes.size() && i < 4; ++i)
            number |= static_cast<std::uint32_t>(stored.bytes[i]) << (8 * i);
        return std::to_string(number);
    }
    if (stored.type == platform::ValueType::string || stored.type == platform::ValueType::expandable_string) {
        const auto end = std::find(stored.bytes.begin(), stored.bytes.end(), 0);
        return std::string(stored.bytes.begin(), end);
    }
    return {};
}

program::Result<void, platform::RegistryFailure> write_start_value(platform::Registry& registry, std::uint32_t value)
{
    return registry.write_dword(USBSTOR_KEY, START_VALUE, value);
}

} // namespace lock
