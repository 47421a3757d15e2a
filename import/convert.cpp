/*
 * convert.cpp: the module's number conversions.
 *
 * DXF values arrive as text: group codes and integer attributes are read like the standard
 * atol, reals like atof. Reals leave the module as integer fields of the vector object. These
 * functions do both, the same way in every locale and without undefined behaviour on any
 * input: an integer that does not fit saturates, a real that does not fit a 32-bit integer
 * becomes 0x80000000 (the "integer indefinite", whose low 16 bits are 0), and only the decimal
 * form of a real is a number.
 */
#include "dxf.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

/* White space as the C locale has it: blank, and tab to carriage return (9 to 13). */
static int is_space(char c) {
    return c == ' ' || unsigned(c - '\t') <= unsigned('\r' - '\t');
}

/* The value of a decimal digit, or a number above 9 for any other character. */
static unsigned digit_value(char c) {
    return unsigned(static_cast<unsigned char>(c)) - unsigned('0');
}

static int is_digit(char c) {
    return digit_value(c) <= 9;
}

int32_t dxf_atol(const char* s) {
    while (is_space(*s))
        ++s;
    int neg = 0;
    if (*s == '+' || *s == '-')
        neg = *s++ == '-';
    int64_t mag = 0; /* magnitude so far; stops growing once past the 32-bit range */
    for (unsigned d; (d = digit_value(*s)) <= 9; ++s)
        if (mag <= INT64_C(2147483648))
            mag = mag * 10 + d;
    if (neg)
        return mag >= INT64_C(2147483648) ? INT32_MIN : int32_t(-mag);
    return mag > INT32_MAX ? INT32_MAX : int32_t(mag);
}

/* Appends the digits at s to *m while it has room for one more (19 digits after the leading
 * zeros), noting in *many that there were more; returns where the digits end. */
static const char* take_digits(const char* s, uint64_t* m, int* many) {
    uint64_t v = *m;
    int more = 0;
    for (unsigned d; (d = digit_value(*s)) <= 9; ++s) {
        if (v < UINT64_C(1000000000000000000))
            v = v * 10 + d;
        else
            more = 1;
    }
    *m = v;
    *many |= more;
    return s;
}

/* Decimal exponent of the first significant digit of the span [m, mend) (digits with at most
 * one full stop), shifted by the explicit exponent e: tells an overflow from an underflow. */
static int64_t magnitude(const char* m, const char* mend, int64_t e) {
    int64_t intdigits = 0; /* significant digits before the full stop */
    int64_t lead = 0;      /* zeros after the full stop before the first significant digit */
    int seen = 0;          /* a significant digit was met */
    int frac = 0;          /* past the full stop */
    for (const char* p = m; p < mend && !seen; ++p) {
        if (*p == '.')
            frac = 1;
        else if (*p != '0')
            seen = 1;
        else if (frac)
            ++lead;
    }
    for (const char* p = m; p < mend && *p != '.'; ++p)
        if (*p != '0' || intdigits)
            ++intdigits;
    return intdigits ? intdigits + e : e - lead;
}

#if FLT_EVAL_METHOD == 0
/* Powers of ten that a double holds exactly. */
static const double exact_tens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
#endif

/* The general conversion of the number [start, end) (its mantissa ending at mend, its exponent
 * e) and its sign. Out of line: the usual values never come here, and dxf_atof then needs
 * nothing saved for it. */
#if defined(__GNUC__)
__attribute__((noinline))
#endif
static double
general_atof(const char* start, const char* mend, const char* end, int64_t e, int neg) {
    double v = 0.0;
    std::from_chars_result r = std::from_chars(start, end, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range)
        v = magnitude(start, mend, e) > 0 ? HUGE_VAL : 0.0;
    else if (r.ec != std::errc() || r.ptr != end)
        v = 0.0; /* cannot happen for the span checked above */
    return neg ? -v : v;
}

double dxf_atof(const char* s) {
    while (is_space(*s))
        ++s;
    int neg = 0;
    if (*s == '+' || *s == '-')
        neg = *s++ == '-';
    const char* start = s; /* mantissa: digits, full stop, digits */
    uint64_t m = 0;        /* the digits as an integer, while they are few enough */
    int many = 0;          /* more than 19 digits after the leading zeros: m is not all of them */
    s = take_digits(s, &m, &many);
    int64_t ndigits = s - start;
    int64_t frac = 0; /* digits after the full stop */
    if (*s == '.') {
        const char* f = s + 1;
        s = take_digits(f, &m, &many);
        frac = s - f;
        ndigits += frac;
    }
    if (ndigits == 0)
        return 0.0;
    const char* mend = s;
    const char* end = s; /* end of the number, exponent included when it is complete */
    int64_t e = 0;       /* explicit exponent, saturated far beyond any double's range */
    if (*s == 'e' || *s == 'E') {
        const char* q = s + 1;
        int eneg = 0;
        if (*q == '+' || *q == '-')
            eneg = *q++ == '-';
        if (is_digit(*q)) {
            for (; is_digit(*q); ++q)
                if (e < 100000000)
                    e = e * 10 + (*q - '0');
            if (eneg)
                e = -e;
            end = q;
        }
    }
#if FLT_EVAL_METHOD == 0
    /* The usual value: digits an exact double holds, times or over an exact power of ten, is
     * rounded once, hence correctly, which is what the general conversion gives. (Where
     * arithmetic is carried out wider than double, the second rounding could differ.) */
    int64_t e10 = e - frac;
    if (!many && m <= (UINT64_C(1) << 53) && e10 >= -22 && e10 <= 22) {
        double d = double(m);
        d = e10 < 0 ? d / exact_tens[-e10] : d * exact_tens[e10];
        return neg ? -d : d;
    }
#else
    (void)m; /* the general conversion below reads every value */
    (void)many;
    (void)frac;
#endif
    return general_atof(start, mend, end, e, neg);
}

int32_t dxf_trunc(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return INT32_MIN; /* NaN, infinite, or truncation outside the 32-bit range */
    return int32_t(v);
}

int16_t dxf_t16(double v) {
    uint16_t low = uint16_t(uint32_t(dxf_trunc(v)) & 0xFFFFu);
    return int16_t(low);
}

int16_t dxf_r16(double v) {
    return dxf_t16(v + 0.5);
}

uint32_t dxf_best(double v) {
    if (!(v > 0.0))
        return 0; /* NaN, zero, negative */
    if (v >= 4294967296.0)
        return UINT32_MAX;
    return uint32_t(v);
}

double dxf_larger(double old, double v) {
    return v >= old ? v : old;
}

double dxf_smaller(double old, double v) {
    return v <= old ? v : old;
}
