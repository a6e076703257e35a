#include "password/windows1252.h"

namespace password {

namespace {

unsigned char upper(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) // à..þ except ÷
        return static_cast<unsigned char>(c - 0x20);
    switch (c) {
    case 0x9A: return 0x8A; // š
    case 0x9C: return 0x8C; // œ
    case 0x9E: return 0x8E; // ž
    case 0xFF: return 0x9F; // ÿ
    default: return c;
    }
}

} // namespace

std::string upper_case_1252(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(upper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace password
