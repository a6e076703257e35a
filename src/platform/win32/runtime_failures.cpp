// How the C++ runtime fails in varnhollow.exe: it aborts.
//
// The program catches no exception of the runtime's (a string too long, no
// memory left): each would end in std::terminate and so in abort(). Giving
// the runtime's own failure points that end directly keeps the linker from
// pulling in what only serves to describe the failure on the way: the
// verbose terminate handler with the C++ name demangler and the printf family,
// and the exception classes with their message strings and a second,
// reference-counted std::string (well over 100 KB together).

#include <cstdlib>
#include <string> // declares the std::__throw_ functions defined here

namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc()
{
    std::abort();
}
void __throw_bad_array_new_length()
{
    std::abort();
}
void __throw_bad_function_call()
{
    std::abort();
}
void __throw_length_error(const char*)
{
    std::abort();
}
void __throw_logic_error(const char*)
{
    std::abort();
}
void __throw_out_of_range_fmt(const char*, ...)
{
    std::abort();
}
} // namespace std
