#pragma once

#include <string>

namespace password {

// Upper-cases Windows-1252 text byte by byte, as the system does on a Western
// European Windows: a-z, the accented letters, and š œ ž ÿ; every other byte
// stays as it is.
std::string upper_case_1252(std::string text);

} // namespace password
