#pragma once

#include <string>

namespace password {

// What decode_password gives for a text that no encoding produced.
inline constexpr char DECODING_ERROR[] = "<?? ERROR ?\?>";

// Encodes a password (its first 8 bytes, upper-cased) into 16 printable
// characters, each byte spread over two characters with a random 4-bit salt,
// so that every encoding of the same password differs.
std::string encode_password(std::string password);

// Gives back the password an encoded text carries, or DECODING_ERROR.
std::string decode_password(std::string encoded);

} // namespace password
