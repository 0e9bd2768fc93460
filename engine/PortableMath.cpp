// SPDX-License-Identifier: GPL-3.0-or-later
#include "PortableMath.h"

#include <array>
#include <cmath>
#include <limits>

namespace kest::tolvane {

namespace {

// A value as the unevaluated sum hi + lo, |lo| <= half an ulp of hi.
struct Double2 {
    double hi;
    double lo;
};

Double2 twoSum(double a, double b)
{
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

Double2 quickTwoSum(double a, double b)
{
    const double s = a + b;
    return {s, b - (s - a)};
}

// Dekker's exact product, without a fused multiply-add.
Double2 twoProduct(double a, double b)
{
    constexpr double kSplitter = 134217729.0; // 2^27 + 1
    const double p = a * b;
    const double ta = kSplitter * a;
    const double aHi = ta - (ta - a);
    const double aLo = a - aHi;
    const double tb = kSplitter * b;
    const double bHi = tb - (tb - b);
    const double bLo = b - bHi;
    return {p, ((aHi * bHi - p) + aHi * bLo + aLo * bHi) + aLo * bLo};
}

Double2 operator+(Double2 x, Double2 y)
{
    const Double2 s = twoSum(x.hi, y.hi);
    return quickTwoSum(s.hi, s.lo + x.lo + y.lo);
}

Double2 operator-(Double2 x) { return {-x.hi, -x.lo}; }
Double2 operator-(Double2 x, Double2 y) { return x + -y; }

Double2 operator*(Double2 x, Double2 y)
{
    const Double2 p = twoProduct(x.hi, y.hi);
    return quickTwoSum(p.hi, p.lo + (x.hi * y.lo + x.lo * y.hi));
}

Double2 operator*(Double2 x, double y) { return x * Double2{y, 0.0}; }

Double2 operator/(Double2 x, Double2 y)
{
    const double q1 = x.hi / y.hi;
    const Double2 r1 = x - y * q1;
    const double q2 = r1.hi / y.hi;
    const Double2 r2 = r1 - y * q2;
    const double q3 = r2.hi / y.hi;
    return quickTwoSum(q1, q2) + Double2{q3, 0.0};
}

Double2 operator/(Double2 x, double y) { return x / Double2{y, 0.0}; }

// ln 2, log2(e), log10(e), ln 10 and pi/2 to 106 bits (pi/2 to 159 in three parts).
constexpr Double2 kLn2{0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};
constexpr Double2 kLog2E{0x1.71547652b82fep+0, 0x1.777d0ffda0d24p-56};
constexpr Double2 kLog10E{0x1.bcb7b1526e50ep-2, 0x1.95355baaafad3p-57};
constexpr Double2 kLn10{0x1.26bb1bbb55516p+1, -0x1.f48ad494ea3e9p-53};
constexpr double kHalfPi[3] = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54, -0x1.f1976b7ed8fbcp-110};

// The coefficients of a series, computed once: the series are evaluated by
// Horner's rule, a multiply and an add per term instead of a division too.
template <int Terms, typename Coefficient> const std::array<Double2, Terms>& seriesCoefficients(Coefficient of)
{
    static const std::array<Double2, Terms> coefficients = [of] {
        std::array<Double2, Terms> c{};
        for (int k = 0; k < Terms; ++k)
            c[static_cast<std::size_t>(k)] = of(k);
        return c;
    }();
    return coefficients;
}

// sum of c[k] x^k.
template <std::size_t Terms> Double2 horner(const std::array<Double2, Terms>& c, Double2 x)
{
    Double2 sum = c[Terms - 1];
    for (std::size_t k = Terms - 1; k-- > 0;)
        sum = sum * x + c[k];
    return sum;
}

// e^r for |r| <= ln(2)/2, by its Taylor series to r^27 / 27!.
Double2 expSeries(Double2 r)
{
    struct InverseFactorial {
        Double2 operator()(int k) const
        {
            Double2 value{1.0, 0.0};
            for (int i = 2; i <= k; ++i)
                value = value / static_cast<double>(i);
            return value;
        }
    };
    return horner(seriesCoefficients<28>(InverseFactorial{}), r);
}

// e^(n ln 2 + r): the series, scaled exactly by 2^n.
double scaledExp(double n, Double2 r)
{
    if (n > 1100.0)
        return std::numeric_limits<double>::infinity();
    if (n < -1100.0)
        return 0.0;
    const Double2 e = expSeries(r);
    return std::ldexp(e.hi + e.lo, static_cast<int>(n));
}

// ln x for finite x > 0, as a double-double.
Double2 naturalLog(double x)
{
    int exponent = 0;
    double m = std::frexp(x, &exponent); // exact: x = m * 2^exponent, 0.5 <= m < 1
    if (m < 0x1.6a09e667f3bcdp-1) {      // below sqrt(1/2): take m in [sqrt(1/2), sqrt(2))
        m *= 2.0;
        --exponent;
    }
    // ln m = 2 atanh(s) with s = (m - 1) / (m + 1), |s| < 0.172.
    const Double2 s = Double2{m - 1.0, 0.0} / twoSum(m, 1.0);
    // atanh(s) = s (1 + s^2/3 + s^4/5 + ... + s^44/45).
    struct InverseOdd {
        Double2 operator()(int k) const { return Double2{1.0, 0.0} / static_cast<double>(2 * k + 1); }
    };
    const Double2 sum = s * horner(seriesCoefficients<23>(InverseOdd{}), s * s);
    return kLn2 * static_cast<double>(exponent) + sum * 2.0;
}

// NaN, infinities, zero and negatives as the C library answers them.
bool logSpecialCase(double x, double& result)
{
    if (std::isnan(x) || x < 0.0)
        result = std::numeric_limits<double>::quiet_NaN();
    else if (x == 0.0)
        result = -std::numeric_limits<double>::infinity();
    else if (std::isinf(x))
        result = x;
    else
        return false;
    return true;
}

// sin r or cos r for |r| <= pi/4, by the Taylor series.
Double2 sinSeries(Double2 r)
{
    const Double2 r2 = r * r;
    Double2 term = r;
    Double2 sum = r;
    for (int k = 2; k <= 30; k += 2) {
        term = -(term * r2 / static_cast<double>(k * (k + 1)));
        sum = sum + term;
    }
    return sum;
}

Double2 cosSeries(Double2 r)
{
    const Double2 r2 = r * r;
    Double2 term{1.0, 0.0};
    Double2 sum{1.0, 0.0};
    for (int k = 1; k <= 29; k += 2) {
        term = -(term * r2 / static_cast<double>(k * (k + 1)));
        sum = sum + term;
    }
    return sum;
}

} // namespace

double portableExp2(double x)
{
    if (std::isnan(x))
        return x;
    if (x > 1100.0 || x < -1100.0)
        return x > 0.0 ? std::numeric_limits<double>::infinity() : 0.0;
    const double n = std::floor(x + 0.5);
    return scaledExp(n, kLn2 * (x - n)); // x - n is exact
}

double portablePow10(double x)
{
    if (std::isnan(x))
        return x;
    if (x > 400.0 || x < -400.0)
        return x > 0.0 ? std::numeric_limits<double>::infinity() : 0.0;
    // 10^x = 2^n e^r with r = x ln 10 - n ln 2.
    const Double2 exponent = kLn10 * x;
    const double n = std::floor((exponent * kLog2E).hi + 0.5);
    return scaledExp(n, exponent - kLn2 * n);
}

namespace {
// The logarithm to a base, as ln x times 1 / ln base.
double logarithm(double x, const Double2& inverseLnBase)
{
    double special = 0.0;
    if (logSpecialCase(x, special))
        return special;
    const Double2 result = naturalLog(x) * inverseLnBase;
    return result.hi + result.lo;
}
} // namespace

double portableLog2(double x) { return logarithm(x, kLog2E); }

double portableLog10(double x) { return logarithm(x, kLog10E); }

double portableSin(double x)
{
    if (!std::isfinite(x))
        return std::numeric_limits<double>::quiet_NaN();
    // x = q pi/2 + r, |r| <= pi/4, with pi/2 carried in three parts.
    const double q = std::floor(x / kHalfPi[0] + 0.5);
    const Double2 r =
        Double2{x, 0.0} - twoProduct(q, kHalfPi[0]) - twoProduct(q, kHalfPi[1]) - Double2{q * kHalfPi[2], 0.0};
    // q is a whole number of any size: its quadrant comes from an exact fmod,
    // not from a cast that overflows a long of 32 bits (Windows, WebAssembly).
    const int quadrant = static_cast<int>(std::fmod(q, 4.0) + 4.0) & 3;
    const Double2 v = (quadrant & 1) ? cosSeries(r) : sinSeries(r);
    const double result = v.hi + v.lo;
    return quadrant >= 2 ? -result : result;
}

} // namespace kest::tolvane
