#pragma once

#include <cctype>
#include <string>

#include <gtest/gtest.h>

namespace testing_support {

// Turns a row's readable name ("lock, open", "16 NULs") into the identifier
// GoogleTest needs ("LockOpen", "16NULs"), so that ctest lists a table's rows
// by name and the names stay the same from one build to the next.
inline std::string identifier_of(const std::string& name)
{
    std::string id;
    bool word_start = true;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) && byte < 0x80) {
            id += word_start ? static_cast<char>(std::toupper(byte)) : c;
            word_start = false;
        } else {
            word_start = true;
        }
    }
    return id.empty() ? "Unnamed" : id;
}

// The name generator for tables whose rows have a `name` or `what` member.
struct RowName {
    template <class Row>
    std::string operator()(const testing::TestParamInfo<Row>& info) const
    {
        if constexpr (requires { info.param.name; })
            return identifier_of(info.param.name);
        else
            return identifier_of(info.param.what);
    }
};

// For rows named by a text of any bytes: letters and digits stay, every other
// byte is written xHH, and the empty text is "Empty".
inline std::string identifier_of_bytes(const std::string& text)
{
    constexpr char digits[] = "0123456789ABCDEF";
    std::string id;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) && byte < 0x80)
            id += c;
        else
            id += std::string("x") + digits[byte / 16] + digits[byte % 16];
    }
    return id.empty() ? "Empty" : id;
}

} // namespace testing_support
