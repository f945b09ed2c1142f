#include "match/kmath.h"

#include <array>
#include <cmath>

// Every result is built from exact pieces carried as double-doubles (a value hi + lo, lo
// at most half an ulp of hi), so the one rounding that matters is the last one. Series
// terms too small to move that rounding are summed in plain doubles.

namespace {

struct dd {
    double hi, lo;
};

constexpr dd two_sum(double a, double b) {
    double s = a + b, bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// Exact like two_sum, when |a| >= |b| or a is zero.
constexpr dd quick_two_sum(double a, double b) {
    double s = a + b;
    return {s, b - (s - a)};
}

// The upper 26 bits of a; a minus them is exact.
constexpr double upper(double a) {
    double c = 134217729.0 * a; // 2^27 + 1
    return c - (c - a);
}

// a * b exactly, while neither part overflows or underflows.
constexpr dd two_prod(double a, double b) {
    double p = a * b;
    double ah = upper(a), al = a - ah, bh = upper(b), bl = b - bh;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

// Sums here never cancel most of their parts, so the cheap form is accurate enough.
constexpr dd add(dd a, dd b) {
    dd s = two_sum(a.hi, b.hi);
    return two_sum(s.hi, s.lo + a.lo + b.lo);
}

constexpr dd neg(dd a) { return {-a.hi, -a.lo}; }

constexpr dd mul(dd a, dd b) {
    dd p = two_prod(a.hi, b.hi);
    return quick_two_sum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

constexpr dd div(dd a, dd b) {
    double q = a.hi / b.hi;
    dd r = add(a, neg(mul(b, {q, 0})));
    return quick_two_sum(q, r.hi / b.hi);
}

constexpr double to_double(dd a) { return a.hi + a.lo; }

constexpr dd inv_factorial(int n, double sign) {
    dd v{sign, 0};
    for (int k = 2; k <= n; k++)
        v = div(v, {(double)k, 0});
    return v;
}

// ---- sine and cosine ----

// Taylor series on |r| <= pi/4. The largest term is formed exactly; the rest (under
// 1/250 of the result) in doubles. The first term left out is below 2^-72 of the result.
constexpr dd S3 = inv_factorial(3, -1), C4 = inv_factorial(4, 1);
constexpr double S5 = inv_factorial(5, 1).hi, S7 = inv_factorial(7, -1).hi,
                 S9 = inv_factorial(9, 1).hi, S11 = inv_factorial(11, -1).hi,
                 S13 = inv_factorial(13, 1).hi, S15 = inv_factorial(15, -1).hi,
                 S17 = inv_factorial(17, 1).hi, S19 = inv_factorial(19, -1).hi,
                 S21 = inv_factorial(21, 1).hi;
constexpr double C6 = inv_factorial(6, -1).hi, C8 = inv_factorial(8, 1).hi,
                 C10 = inv_factorial(10, -1).hi, C12 = inv_factorial(12, 1).hi,
                 C14 = inv_factorial(14, -1).hi, C16 = inv_factorial(16, 1).hi,
                 C18 = inv_factorial(18, -1).hi, C20 = inv_factorial(20, 1).hi;

// sin(x + lo) = x + S3 x^3 + x^5 (S5 + ...) + lo cos(x).
double sin_kernel(dd r) {
    double x = r.hi;
    dd z = two_prod(x, x);
    double w = z.hi;
    dd x3 = two_prod(w, x);
    x3.lo += z.lo * x;
    dd t = two_prod(x3.hi, S3.hi);
    t.lo += x3.lo * S3.hi + x3.hi * S3.lo;
    double tail =
        x3.hi * w *
        (S5 +
         w * (S7 + w * (S9 + w * (S11 + w * (S13 + w * (S15 + w * (S17 + w * (S19 + w * S21))))))));
    dd h = two_sum(x, t.hi);
    return h.hi + (h.lo + (t.lo + (tail + r.lo * (1 + w * (-0.5 + w * C4.hi)))));
}

// cos(x + lo) = 1 - x^2/2 + C4 x^4 + x^6 (C6 + ...) - lo sin(x).
double cos_kernel(dd r) {
    double x = r.hi;
    dd z = two_prod(x, x);
    double w = z.hi;
    dd z2 = two_prod(w, w);
    z2.lo += 2 * w * z.lo;
    dd t = two_prod(z2.hi, C4.hi);
    t.lo += z2.lo * C4.hi + z2.hi * C4.lo;
    double tail =
        z2.hi * w *
        (C6 + w * (C8 + w * (C10 + w * (C12 + w * (C14 + w * (C16 + w * (C18 + w * C20)))))));
    dd a = two_sum(1.0, -0.5 * w); // w/2 is exact
    dd b = two_sum(a.hi, t.hi);
    return b.hi + (b.lo + (a.lo + (t.lo - 0.5 * z.lo + (tail - r.lo * x * (1 + w * S3.hi)))));
}

// pi/2 in pieces of 33 bits (the last one whole): a multiple n * piece is exact while n
// has at most 20 bits.
constexpr double PIO2_1 = 0x1.921fb54400000p+0, PIO2_2 = 0x1.0b4611a600000p-34,
                 PIO2_3 = 0x1.3198a2e000000p-69, PIO2_3T = 0x1.b839a252049c1p-104;
constexpr double TWO_OVER_PI = 0x1.45f306dc9c883p-1;
constexpr double TWO_PI = 0x1.921fb54442d18p+2;
constexpr double REDUCE_EXACT = 0x1p20; // below this, n < 2^20
// Adding and taking this away again rounds a double below 2^51 to the nearest integer.
constexpr double ROUND_INT = 0x1.8p52;

struct reduced {
    dd r;         // x - n * pi/2, |r| <= pi/4
    int quadrant; // n mod 4
};

reduced reduce(double x) {
    if (std::fabs(x) <= 0x1.921fb54442d18p-1) return {{x, 0}, 0};
    // No angle in the game comes near; past this the reduction uses the double nearest
    // 2 pi: still the same on every machine, no longer accurate.
    if (std::fabs(x) >= REDUCE_EXACT) x = std::fmod(x, TWO_PI);
    double fn = (x * TWO_OVER_PI + ROUND_INT) - ROUND_INT;
    double a = x - fn * PIO2_1; // exact: the product is, and the two are within a factor 2
    dd s = two_sum(a, -fn * PIO2_2);
    dd t = two_sum(s.hi, -fn * PIO2_3);
    double lo = (s.lo + t.lo) - fn * PIO2_3T;
    return {quick_two_sum(t.hi, lo), (int)fn & 3};
}

// ---- arctangent ----

// atan(v) for |v| <= 1/64, to 2^-110 of it: for building the table only.
constexpr dd atan_series(dd v) {
    dd v2 = mul(v, v), power = v, sum = v;
    for (int j = 1; j <= 10; j++) {
        power = mul(power, v2);
        dd term = div(power, {(double)(2 * j + 1), 0});
        sum = add(sum, j % 2 ? neg(term) : term);
    }
    return sum;
}

// atan(k/64) for k = 0..64, each step from the one before:
// atan(k/64) - atan((k-1)/64) = atan((1/64) / (1 + k(k-1)/4096)).
constexpr std::array<dd, 65> atan_table() {
    std::array<dd, 65> t{};
    for (int k = 1; k <= 64; k++) {
        dd v = div({1.0 / 64, 0}, {1.0 + k * (k - 1) / 4096.0, 0});
        t[k] = add(t[k - 1], atan_series(v));
    }
    return t;
}

constexpr std::array<dd, 65> ATAN = atan_table();
constexpr dd PI_4 = ATAN[64];
constexpr dd PI_2 = {2 * PI_4.hi, 2 * PI_4.lo};
constexpr dd PI = {4 * PI_4.hi, 4 * PI_4.lo};
constexpr dd THREE_PI_4 = add(PI_2, PI_4);
constexpr dd ZERO = {0, 0};
static_assert(PI_4.hi == 0x1.921fb54442d18p-1 && PI_4.lo - 0x1.1a62633145c07p-55 < 0x1p-100 &&
                  PI_4.lo - 0x1.1a62633145c07p-55 > -0x1p-100,
              "the arctangent table has drifted from pi/4");

// atan(num / den) for finite 0 < num <= den.
dd atan_ratio(double num, double den) {
    double th = num / den;
    if (th < 0x1p-30) return {th, 0}; // atan(t) = t (1 - t^2/3): t is all there is
    // Scaled so that two_prod below stays exact; num does not underflow, being at
    // least 2^-30 den.
    if (den > 0x1p500) {
        num *= 0x1p-600;
        den *= 0x1p-600;
    } else if (den < 0x1p-500) {
        num *= 0x1p600;
        den *= 0x1p600;
    }
    dd p = two_prod(th, den);
    dd t = {th, ((num - p.hi) - p.lo) / den}; // num / den to twice the bits

    // atan(t) = atan(c) + atan(u), u = (t - c) / (1 + t c), c the nearest k/64.
    int k = (int)(th * 64 + 0.5);
    double c = k / 64.0;
    dd top = two_sum(th - c, t.lo); // th - c is exact
    dd tc = two_prod(th, c);
    dd bottom = add({1, 0}, {tc.hi, tc.lo + t.lo * c});
    dd u = div(top, bottom);
    double w = u.hi * u.hi; // |u| < 1/128: the series' tail is below 2^-12 of u
    double tail = u.hi * w * (-1.0 / 3 + w * (1.0 / 5 + w * (-1.0 / 7 + w * (1.0 / 9 - w / 11))));
    return add(ATAN[k], add(u, {tail, 0}));
}

} // namespace

void ksincos(double x, double &s, double &c) {
    if (!std::isfinite(x)) {
        s = c = x - x;
        return;
    }
    if (std::fabs(x) < 0x1p-27) { // x^3/6 and x^2/2 are below half an ulp (keeps -0 too)
        s = x;
        c = 1.0;
        return;
    }
    reduced v = reduce(x);
    double sr = sin_kernel(v.r), cr = cos_kernel(v.r);
    switch (v.quadrant) {
    case 0:
        s = sr, c = cr;
        break;
    case 1:
        s = cr, c = -sr;
        break;
    case 2:
        s = -sr, c = -cr;
        break;
    default:
        s = -cr, c = sr;
    }
}

double ksin(double x) {
    double s, c;
    ksincos(x, s, c);
    return s;
}

double kcos(double x) {
    double s, c;
    ksincos(x, s, c);
    return c;
}

double katan2(double y, double x) {
    if (std::isnan(x) || std::isnan(y)) return x + y;
    double ax = std::fabs(x), ay = std::fabs(y);
    dd a; // the angle of (x, |y|), in [0, pi]
    if (ay == 0)
        a = std::signbit(x) ? PI : ZERO;
    else if (std::isinf(ax) && std::isinf(ay))
        a = x < 0 ? THREE_PI_4 : PI_4;
    else if (ax == 0 || std::isinf(ay))
        a = PI_2;
    else if (std::isinf(ax))
        a = x < 0 ? PI : ZERO;
    else {
        a = ay <= ax ? atan_ratio(ay, ax) : add(PI_2, neg(atan_ratio(ax, ay)));
        if (x < 0) a = add(PI, neg(a));
    }
    double r = to_double(a);
    return std::signbit(y) ? -r : r;
}

float ksinf(float x) { return (float)ksin(x); }
float kcosf(float x) { return (float)kcos(x); }
