// SPDX-License-Identifier: GPL-3.0-or-later
// What the code base uses of C++20's library and the libc++ of Debian's
// Emscripten (version 13) lacks, given to every file of the WebAssembly build
// (-include) so that the shared layers compile there unchanged. Each piece is
// what a newer libc++ has, and steps aside when the library has it itself.
#pragma once

#ifdef __cplusplus

#include <version>

#include <bit>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

namespace std {

#if !defined(__cpp_lib_bit_cast)
// As libc++ 14 defines it.
template <class To, class From>
requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> && is_trivially_copyable_v<From>) constexpr To
    bit_cast(const From& from) noexcept
{
    return __builtin_bit_cast(To, from);
}
#endif

#if !defined(__cpp_lib_to_chars)
namespace tolvane_compat {

inline bool skipDigits(const char*& p, const char* end)
{
    const char* start = p;
    while (p != end && *p >= '0' && *p <= '9')
        ++p;
    return p != start;
}

// The longest decimal number at the front of [first, last) as from_chars reads
// one: [-] digits [. digits] or [-] . digits, then (unless fixed) an exponent.
// "inf" and "nan" are left out: the code base refuses them anyway.
inline const char* decimalEnd(const char* first, const char* last, chars_format format)
{
    const char* p = first;
    if (p != last && *p == '-')
        ++p;
    bool digits = skipDigits(p, last);
    if (p != last && *p == '.') {
        const char* afterPoint = p + 1;
        if (skipDigits(afterPoint, last) || digits) {
            p = afterPoint;
            digits = true;
        }
    }
    if (!digits)
        return first;
    if (format != chars_format::fixed && p != last && (*p == 'e' || *p == 'E')) {
        const char* exponent = p + 1;
        if (exponent != last && (*exponent == '+' || *exponent == '-'))
            ++exponent;
        if (skipDigits(exponent, last))
            p = exponent;
    }
    return p;
}

} // namespace tolvane_compat

// strtod rounds correctly, as from_chars does, and reads in the C locale,
// the only one the WebAssembly build has.
inline from_chars_result from_chars(const char* first, const char* last, double& value,
                                    chars_format format = chars_format::general)
{
    const char* end = tolvane_compat::decimalEnd(first, last, format);
    if (end == first)
        return {first, errc::invalid_argument};
    const string text(first, end);
    errno = 0;
    const double parsed = strtod(text.c_str(), nullptr);
    if (errno == ERANGE)
        return {end, errc::result_out_of_range};
    value = parsed;
    return {end, errc()};
}

// printf's conversions give the digits to_chars gives for a precision.
inline to_chars_result to_chars(char* first, char* last, float value, chars_format format, int precision)
{
    const char* conversion = format == chars_format::fixed        ? "%.*f"
                             : format == chars_format::scientific ? "%.*e"
                                                                  : "%.*g";
    const int size =
        snprintf(first, static_cast<size_t>(last - first), conversion, precision, static_cast<double>(value));
    if (size < 0 || size >= last - first)
        return {last, errc::value_too_large};
    return {first + size, errc()};
}
#endif

} // namespace std

#endif // __cplusplus
