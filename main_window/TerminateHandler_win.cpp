// What ends the program when an exception escapes or a noexcept function
// throws. libstdc++'s own handler names the exception's type on stderr, which
// a GUI program has not, and brings its demangler (some 46 KB) into the image;
// defining the handler here keeps the library's copy out of the link.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {  // NOLINT(cert-dcl58-cpp): replaces the library's definition

// NOLINTNEXTLINE(bugprone-reserved-identifier): the name libstdc++ calls
void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
