// The C++ runtime's default terminate handler writes the type of an uncaught exception,
// demangled, to stderr: a GUI program has no stderr, and the demangler is some 46 KB of its
// image. Our definition takes the place of the runtime's, and ends the process as it does.

#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler();

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
