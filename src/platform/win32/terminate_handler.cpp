// The program throws no exception of its own and catches none; if the C++
// runtime ever has to terminate, aborting is all there is to do. Defining the
// runtime's default terminate handler here keeps the linker from pulling in
// the library's verbose one, which names the exception's type and so brings
// the whole C++ name demangler and the printf family (some 90 KB) into the exe.

#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx
