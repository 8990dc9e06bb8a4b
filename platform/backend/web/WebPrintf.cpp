// snprintf without floating point conversions, linked in place of the C
// library's (-Wl,--wrap=snprintf): the full one brings the float formatter and
// its long double arguments along, about 2 KB of the compressed module, and
// nothing in the web build formats a float. A %f, %e, %g or %a reaching it
// traps (an abort in the console), never prints wrong digits.
#include <cstdarg>
#include <cstddef>

extern "C" {
int vsniprintf(char* s, size_t n, const char* format, va_list ap);

int __wrap_snprintf(char* s, size_t n, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    const int r = vsniprintf(s, n, format, ap);
    va_end(ap);
    return r;
}
}
