#include "password/passwd.h"

#include <chrono>
#include <cstdint>
#include <random>

#include "password/windows1252.h"

namespace password {

namespace {

constexpr std::size_t PLAIN_LENGTH = 8;
constexpr std::size_t ENCODED_LENGTH = 16;
constexpr int CODE_BASE = 62;
constexpr int SALT_BITS = 60;
// Each character of an encoding carries 6 bits above CODE_BASE.
constexpr int CODE_DIGIT_MAX = 63;

std::mt19937 clock_seeded_generator()
{
    const auto wall = std::chrono::system_clock::now().time_since_epoch().count();
    const auto steady = std::chrono::steady_clock::now().time_since_epoch().count();
    std::seed_seq seed{static_cast<std::uint32_t>(wall), static_cast<std::uint32_t>(wall >> 32),
                       static_cast<std::uint32_t>(steady), static_cast<std::uint32_t>(steady >> 32)};
    return std::mt19937(seed);
}

} // namespace

std::string encode_password(std::string password)
{
    password.append(PLAIN_LENGTH, '\0');
    password.resize(PLAIN_LENGTH);
    password = upper_case_1252(password);

    auto generator = clock_seeded_generator();
    std::uniform_real_distribution<double> uniform(0.0, 1.0);

    std::string encoded;
    for (const char ch : password) {
        const int byte = static_cast<unsigned char>(ch);
        const int salt = static_cast<int>(uniform(generator) * 256) & SALT_BITS;
        encoded += static_cast<char>(((byte ^ salt) >> 2) + CODE_BASE);
        encoded += static_cast<char>((salt | (byte & 3)) + CODE_BASE);
    }
    return encoded;
}

std::optional<std::string> decode_stored_password(const std::string& field)
{
    if (field.size() != ENCODED_LENGTH)
        return std::nullopt;
    std::string decoded;
    bool padding = false;
    for (std::size_t i = 0; i < ENCODED_LENGTH; i += 2) {
        const int salted_high_bits = static_cast<unsigned char>(field[i]) - CODE_BASE;
        const int salt_and_low_bits = static_cast<unsigned char>(field[i + 1]) - CODE_BASE;
        if (salted_high_bits < 0 || salted_high_bits > CODE_DIGIT_MAX || salt_and_low_bits < 0 ||
            salt_and_low_bits > CODE_DIGIT_MAX)
            return std::nullopt;
        const int byte = ((salted_high_bits * 4) ^ (salt_and_low_bits & SALT_BITS)) | (salt_and_low_bits & 3);
        if (byte == 0)
            padding = true;
        else if (padding)
            return std::nullopt; // a byte after the padding: not an encoding of a typed password
        else
            decoded += static_cast<char>(byte);
    }
    return decoded;
}

std::string decode_password(std::string encoded)
{
    encoded.append(ENCODED_LENGTH, ' ');
    encoded.resize(ENCODED_LENGTH);

    std::string decoded;
    for (std::size_t i = 0; i < ENCODED_LENGTH; i += 2) {
        // 16-bit two's-complement arithmetic, as the stored form was defined.
        const auto first = static_cast<std::int16_t>(static_cast<unsigned char>(encoded[i]));
        const auto second = static_cast<std::int16_t>(static_cast<unsigned char>(encoded[i + 1]));
        const auto salted_high_bits = static_cast<std::int16_t>((first - CODE_BASE) * 4);
        const auto salt_and_low_bits = static_cast<std::int16_t>(second - CODE_BASE);
        const auto byte =
            static_cast<std::int16_t>((salted_high_bits ^ (salt_and_low_bits & SALT_BITS)) | (salt_and_low_bits & 3));
        if (byte > 255)
            return DECODING_ERROR;
        if (byte > 0)
            decoded += static_cast<char>(byte);
    }
    return decoded;
}

} // namespace password
