// strtod by the browser's own number parser, linked in place of the C
// library's (-Wl,--wrap=strtod): that one brings a long double software
// float library along, about 7 KB of the compressed module. Both round
// decimal input correctly, so the doubles are the same; the C syntax around
// them (white space, sign, inf, nan, hexadecimal) is kept in strtod.js.
extern "C" {
double sc_strtod(const char* s, int* used);

double __wrap_strtod(const char* s, char** end) {
    int used = 0;
    const double v = sc_strtod(s, &used);
    if (end) *end = const_cast<char*>(s + used);
    return v;
}
}
