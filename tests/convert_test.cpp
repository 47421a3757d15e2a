// Number conversions: the module's own atol / atof / truncation against the standard library
// on ordinary input, and the fixed answers where the standard ones are unsafe or locale-bound.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <charconv>
#include <random>
#include <string>
#include <system_error>

#include "dxfhost/groups.h"
#include "import/dxf.h"

namespace {

bool same_bits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(Convert, AtofMatchesStrtodOnDecimalText) {
    const char* cases[] = {"0",
                           "1.5",
                           "-2.25e3",
                           "  +7",
                           "\t-0.125",
                           ".5",
                           "5.",
                           "-.5e1",
                           "12abc",
                           "1e",
                           "1e+",
                           "1.0E-2",
                           "1e400",
                           "-1e400",
                           "1e-400",
                           "4.9e-324",
                           "2.5e-324",
                           "1e-310",
                           "9007199254740993",
                           "2.2250738585072011e-308",
                           "3.14159265358979323846264338327950288419716939937510"};
    for (const char* c : cases)
        EXPECT_TRUE(same_bits(dxf_atof(c), std::strtod(c, nullptr))) << c;

    // Random doubles printed with every precision read back exactly as strtod reads them.
    std::mt19937_64 gen(42);
    char buf[64];
    for (int i = 0; i < 200000; ++i) {
        uint64_t u = gen();
        double d;
        std::memcpy(&d, &u, sizeof d);
        if (!std::isfinite(d))
            continue;
        std::snprintf(buf, sizeof buf, "%.*g", int(gen() % 19) + 1, d);
        ASSERT_TRUE(same_bits(dxf_atof(buf), std::strtod(buf, nullptr))) << buf;
    }
}

// The general conversion the module's atof stands for: the decimal span, as it scans it, handed
// whole to from_chars; out of range, an infinity or zero after the first significant digit.
double general_atof(const char* s) {
    while (*s == ' ' || (*s >= '\t' && *s <= '\r'))
        ++s;
    bool neg = false;
    if (*s == '+' || *s == '-')
        neg = *s++ == '-';
    const char* start = s;
    int digits = 0;
    for (; *s >= '0' && *s <= '9'; ++s)
        ++digits;
    if (*s == '.')
        for (++s; *s >= '0' && *s <= '9'; ++s)
            ++digits;
    if (digits == 0)
        return 0.0;
    const char* end = s;
    if (*s == 'e' || *s == 'E') {
        const char* q = s + 1;
        if (*q == '+' || *q == '-')
            ++q;
        if (*q >= '0' && *q <= '9') {
            while (*q >= '0' && *q <= '9')
                ++q;
            end = q;
        }
    }
    double v = 0.0;
    std::from_chars_result r = std::from_chars(start, end, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large when the first significant digit stands at a positive decimal exponent.
        double probe = std::strtod(std::string(start, end).c_str(), nullptr);
        v = std::isinf(probe) ? HUGE_VAL : 0.0;
    }
    return neg ? -v : v;
}

// Several million texts, built to reach every way through the conversion: few and many
// digits, leading and trailing zeros, the full stop anywhere, exponents near the edges of the
// exact powers of ten and far beyond, incomplete exponents, signs, blanks and trailing text.
TEST(Convert, AtofAgreesWithTheGeneralConversionOnEveryForm) {
    std::mt19937_64 gen(2026);
    std::string t;
    std::size_t checked = 0;
    for (int i = 0; i < 3000000; ++i) {
        t.clear();
        if (gen() % 8 == 0)
            t += gen() % 2 ? " " : "\t";
        if (gen() % 3 == 0)
            t += gen() % 2 ? '-' : '+';
        int lead = gen() % 4 == 0 ? int(gen() % 25) : 0;
        t.append(std::size_t(lead), '0');
        int digits = gen() % 50 == 0 ? int(gen() % 400) : int(gen() % 24);
        int point = gen() % 4 == 0 ? -1 : int(gen() % (digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point)
                t += '.';
            t += char('0' + (gen() % 5 == 0 ? 0 : gen() % 10));
        }
        if (point == digits)
            t += '.';
        if (gen() % 3 == 0) {
            t += gen() % 2 ? 'e' : 'E';
            if (gen() % 2)
                t += gen() % 2 ? '-' : '+';
            int e = gen() % 3 == 0 ? int(gen() % 400) : int(gen() % 30);
            if (gen() % 10 != 0)
                t += std::to_string(e);
        }
        if (gen() % 10 == 0)
            t += gen() % 2 ? "x" : " 1";
        double got = dxf_atof(t.c_str()), want = general_atof(t.c_str());
        ASSERT_TRUE(same_bits(got, want)) << '"' << t << "\" " << got << " " << want;
        ASSERT_TRUE(same_bits(groups::number(t), want)) << "host: \"" << t << '"';
        ++checked;
    }
    // Drawing values, and integers around 2^53 where the digits stop being exact.
    char line[64];
    for (uint64_t k = 0; k < 1000000; ++k) {
        uint64_t u = gen();
        switch (k % 4) {
        case 0:
            std::snprintf(line, sizeof line, "%.4f", double(u % 100000000) / 1000.0);
            break;
        case 1:
            std::snprintf(line, sizeof line, "-%.6f", double(u % 1000000000) / 1e6);
            break;
        case 2:
            std::snprintf(line, sizeof line, "%llu",
                          (unsigned long long)((UINT64_C(1) << 53) - 500000 + (u % 1000000)));
            break;
        default:
            std::snprintf(line, sizeof line, "%llue%d", (unsigned long long)(u % 100000),
                          int(u >> 40) % 50 - 25);
            break;
        }
        ASSERT_TRUE(same_bits(dxf_atof(line), general_atof(line))) << line;
        ASSERT_TRUE(same_bits(groups::number(line), general_atof(line))) << "host: " << line;
    }
    EXPECT_EQ(checked, 3000000u);
}

TEST(Convert, AtofReadsOnlyTheDecimalForm) {
    EXPECT_EQ(dxf_atof("inf"), 0.0);
    EXPECT_EQ(dxf_atof("-nan"), 0.0);
    EXPECT_EQ(dxf_atof("infinity"), 0.0);
    EXPECT_EQ(dxf_atof("0x1A"), 0.0);
    EXPECT_EQ(dxf_atof("1.5inf"), 1.5);
    EXPECT_EQ(dxf_atof(""), 0.0);
    EXPECT_EQ(dxf_atof("-"), 0.0);
    EXPECT_EQ(dxf_atof("1,5"), 1.0);
    EXPECT_TRUE(std::isinf(dxf_atof("1e99999999999999999999")));
    EXPECT_LT(dxf_atof("-1e99999999999999999999"), 0.0);
    EXPECT_EQ(dxf_atof("1e-99999999999999999999"), 0.0);
}

TEST(Convert, AtofIgnoresTheLocale) {
    // A locale with a decimal comma must not change what a full stop means.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        EXPECT_EQ(dxf_atof("2.5"), 2.5);
        EXPECT_EQ(dxf_atof("2,5"), 2.0);
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(dxf_atof("2.5"), 2.5);
}

TEST(Convert, AtolSaturatesLikeStrtolIn32Bits) {
    const char* cases[] = {"0",
                           "  42",
                           "-17x",
                           "+5",
                           "x",
                           "-",
                           "2147483647",
                           "2147483648",
                           "-2147483648",
                           "-2147483649",
                           "99999999999999999999999",
                           "  -1"};
    for (const char* c : cases) {
        long long want = std::strtoll(c, nullptr, 10);
        if (want > INT32_MAX)
            want = INT32_MAX;
        if (want < INT32_MIN)
            want = INT32_MIN;
        EXPECT_EQ(dxf_atol(c), want) << c;
    }
    // A code line -1 becomes the large unsigned code.
    EXPECT_EQ(uint32_t(dxf_atol("-1")), 4294967295u);
    // Every byte before and inside the digits: white space is what the C locale calls so.
    for (int c = 1; c < 256; ++c) {
        const char lead[] = {char(c), char(c), '7', char(c), '5', 0};
        const char* t = lead;
        while (*t == ' ' || (*t >= '\t' && *t <= '\r'))
            ++t;
        EXPECT_EQ(dxf_atol(lead), std::strtol(t, nullptr, 10)) << "byte " << c;
        EXPECT_EQ(groups::integer(lead), dxf_atol(lead)) << "host, byte " << c;
        EXPECT_EQ(dxf_atof(lead), std::strtod(t, nullptr)) << "byte " << c;
    }
}

TEST(Convert, TruncationIsTotal) {
    EXPECT_EQ(dxf_trunc(2.9), 2);
    EXPECT_EQ(dxf_trunc(-2.9), -2);
    EXPECT_EQ(dxf_trunc(2147483647.9), 2147483647);
    EXPECT_EQ(dxf_trunc(-2147483648.9), INT32_MIN);
    EXPECT_EQ(dxf_trunc(2147483648.0), INT32_MIN);
    EXPECT_EQ(dxf_trunc(-1e300), INT32_MIN);
    EXPECT_EQ(dxf_trunc(std::numeric_limits<double>::quiet_NaN()), INT32_MIN);
    EXPECT_EQ(dxf_trunc(std::numeric_limits<double>::infinity()), INT32_MIN);

    // 16-bit fields keep the low 16 bits; the indefinite value leaves 0 there.
    EXPECT_EQ(dxf_t16(16384.9), 16384);
    EXPECT_EQ(dxf_t16(65529.0), -7);
    EXPECT_EQ(dxf_t16(70000.7), 4464);
    EXPECT_EQ(dxf_t16(-1.0), -1);
    EXPECT_EQ(dxf_t16(1e12), 0);
    EXPECT_EQ(dxf_t16(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(dxf_r16(-0.7), 0); // rounding adds 0.5 and truncates toward zero
    EXPECT_EQ(dxf_r16(8191.5), 8192);
    EXPECT_EQ(dxf_r16(-1.6), -1);
    EXPECT_EQ(dxf_r16(0.0 / std::numeric_limits<double>::infinity() * 0.0), 0);

    EXPECT_EQ(dxf_best(150000.7), 150000u);
    EXPECT_EQ(dxf_best(4294967295.9), 4294967295u);
    EXPECT_EQ(dxf_best(4294967296.0), 4294967295u);
    EXPECT_EQ(dxf_best(1e300), 4294967295u);
    EXPECT_EQ(dxf_best(-5.0), 0u);
    EXPECT_EQ(dxf_best(std::numeric_limits<double>::quiet_NaN()), 0u);
}

} // namespace
