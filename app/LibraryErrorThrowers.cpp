// The standard library's containers report misuse through these helpers. The runtime's own
// versions throw std::length_error and its kin, whose message member is a reference-counted
// string of the old ABI: one call to them links that whole second string implementation, some
// 80 KB of the image. Ours take their place and throw the program's own exception with the very
// same what() text, which is all a handler here looks at (every one catches std::exception or
// anything). A use of another helper of that family fails to link, as a duplicate definition:
// add it here then.

#include <cstdarg>
#include <cstddef>
#include <new>
#include <string>

#include "container/Exception.h"

// <string> declares them.
namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }

void __throw_bad_array_new_length() { throw bad_array_new_length(); }

void __throw_logic_error(const char* message) { throw tolma::Exception(message); }

void __throw_length_error(const char* message) { throw tolma::Exception(message); }

// The format language of the callers: "%s", "%zu" and "%%"; any other "%" stands for itself.
void __throw_out_of_range_fmt(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::string message;
  for (const char* p = format; *p != '\0'; ++p) {
    if (p[0] == '%' && p[1] == '%') {
      message += '%';
      ++p;
    } else if (p[0] == '%' && p[1] == 's') {
      message += va_arg(arguments, const char*);
      ++p;
    } else if (p[0] == '%' && p[1] == 'z' && p[2] == 'u') {
      message += std::to_string(va_arg(arguments, size_t));
      p += 2;
    } else {
      message += *p;
    }
  }
  va_end(arguments);
  throw tolma::Exception(std::move(message));
}

}  // namespace std
