// The C++ runtime's default terminate handler writes the type of an uncaught exception,
// demangled, to stderr: a GUI program has no stderr, and the demangler is some 46 KB of its
// image. Our definition takes the place of the runtime's, and ends the process as it does.

#include <cstdlib>

namespace __gnu_cxx {

// The runtime's own name is the point: the linker takes ours in its place.
void __verbose_terminate_handler();  // NOLINT(bugprone-reserved-identifier)

void __verbose_terminate_handler() { std::abort(); }  // NOLINT(bugprone-reserved-identifier)

}  // namespace __gnu_cxx
