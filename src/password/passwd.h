#pragma once

#include <optional>
#include <string>

namespace password {

// What decode_password gives for a text that no encoding produced.
inline constexpr char DECODING_ERROR[] = "<?? ERROR ?\?>";

// Encodes a password (its first 8 bytes, upper-cased) into 16 printable
// characters, each byte spread over two characters with a random 4-bit salt,
// so that every encoding of the same password differs.
std::string encode_password(std::string password);

// The password a stored field carries, read strictly: exactly 16
// characters, each pair one that the encoding makes, the password's bytes
// first and NUL padding only after them. Nothing for any other text: no
// encoding produced it, or it was cut short, and no entry may match it.
std::optional<std::string> decode_stored_password(const std::string& field);

// Gives back the password an encoded text carries, or DECODING_ERROR. Lenient:
// pairs that decode to nothing are skipped, a short text is padded.
std::string decode_password(std::string encoded);

} // namespace password
