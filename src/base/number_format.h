// Writing numbers as the program's text files show them.
#pragma once

// Room formatG6 may need, terminator not included.
constexpr int kG6Chars = 32;

// Writes v as printf("%.6g") does in the C locale (correctly rounded, trailing
// zeros dropped, "e-07" style exponents, "-0", "inf", "nan") and returns the
// end; out must have room for kG6Chars bytes. Nothing is terminated.
char* formatG6(char* out, double v);
