// SPDX-License-Identifier: GPL-3.0-or-later
// exp2, log2, log10, 10^x and sin that give the same bits on every platform.
// The C libraries (glibc, mingw-w64's, Microsoft's) differ in the last bit of
// their transcendental functions, and the engine's tables, rate constants and
// log codes are built from these: computed here from IEEE additions,
// multiplications and divisions alone, carried in double-double precision
// (about 106 bits) and rounded once at the end, they are correctly rounded in
// all but astronomically rare cases, and identical everywhere as long as the
// compiler does not fuse a * b + c (the build sets -ffp-contract=off).
// Not for per-sample use: each call costs a few hundred operations. portableSin
// keeps its accuracy for |x| up to about 1e9.
#pragma once

namespace kest::tolvane {

double portableExp2(double x);
double portableLog2(double x);
double portableLog10(double x);
double portablePow10(double x);
double portableSin(double x);

} // namespace kest::tolvane
