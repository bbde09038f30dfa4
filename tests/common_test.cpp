// Shared helpers: complex arithmetic and number text (formatting, rounding,
// reading typed numbers), in the "C" locale and in a Czech one, which uses
// a decimal comma.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

#include "common/cplx.h"
#include "common/numtext.h"

namespace fs = std::filesystem;

// ---------------------------------------------------------------- complex

TEST(ComplexDivision, MatchesTheTextbookQuotient)
{
    // (1 + 2i) / (3 - 4i) = (1 + 2i)(3 + 4i) / 25 = (-5 + 10i) / 25.
    const cplx q = cdiv(cplx(1, 2), cplx(3, -4));
    EXPECT_NEAR(q.real(), -0.2, 1e-15);
    EXPECT_NEAR(q.imag(), 0.4, 1e-15);
    const cplx r = cdiv(cplx(2.0, 0.0), cplx(0, 4)); // 2 / 4i = -0.5i
    EXPECT_NEAR(r.real(), 0.0, 1e-15);
    EXPECT_NEAR(r.imag(), -0.5, 1e-15);
}

TEST(ComplexDivision, HugeDivisorDoesNotOverflowToZero)
{
    // |b|^2 would overflow a double; scaling keeps the quotient exact.
    const cplx q = cdiv(cplx(1e300, 1e300), cplx(1e300, 1e300));
    EXPECT_NEAR(q.real(), 1.0, 1e-15);
    EXPECT_NEAR(q.imag(), 0.0, 1e-15);
}

TEST(ComplexDivision, ZeroDivisorGivesNonFiniteParts)
{
    const cplx q = cdiv(cplx(1, 1), cplx(0, 0));
    EXPECT_FALSE(std::isfinite(q.real()) && std::isfinite(q.imag()));
}

TEST(RealSquareRoot, NegativeArgumentGivesPositiveImaginaryRoot)
{
    EXPECT_EQ(csqrt_real(4.0), cplx(2.0, 0.0));
    EXPECT_EQ(csqrt_real(-9.0), cplx(0.0, 3.0));
    EXPECT_EQ(csqrt_real(0.0), cplx(0.0, 0.0));
    EXPECT_DOUBLE_EQ(norm2(cplx(3, 4)), 25.0);
}

// ---------------------------------------------------------------- rounding

TEST(Rounding, RoundEvenSendsTiesToTheEvenNeighbour)
{
    EXPECT_EQ(round_even(2.5), 2.0);
    EXPECT_EQ(round_even(3.5), 4.0);
    EXPECT_EQ(round_even(-2.5), -2.0);
    EXPECT_EQ(round_even(0.5), 0.0);
    EXPECT_EQ(round_even(2.5000001), 3.0);
    EXPECT_EQ(round_even(-1.7), -2.0);
    EXPECT_EQ(round_even(2.5L), 2.0L);
    EXPECT_EQ(round_even(3.5L), 4.0L);
    // A tie that only the 64-bit mantissa can hold exactly.
    EXPECT_EQ(round_even(4503599627370496.5L), 4503599627370496.0L);
}

TEST(Rounding, CutDropsTheFractionTowardZero)
{
    EXPECT_EQ(cut(2.9), 2.0);
    EXPECT_EQ(cut(-2.9), -2.0);
    EXPECT_EQ(cut(-0.4), 0.0);
    EXPECT_EQ(cut(7.0), 7.0);
    EXPECT_EQ(cut(2.9L), 2.0L);
    EXPECT_EQ(cut(-2.9L), -2.0L);
}

// ---------------------------------------------------------------- C locale

class NumberTextC : public ::testing::Test {
  protected:
    void SetUp() override { std::setlocale(LC_NUMERIC, "C"); }
};

TEST_F(NumberTextC, FormatsWithFifteenSignificantDigitsAndNoTrailingZeros)
{
    EXPECT_EQ(decimal_separator(), '.');
    EXPECT_EQ(fmt_g(0.5), "0.5");
    EXPECT_EQ(fmt_g(2.0), "2");
    EXPECT_EQ(fmt_g(-1.25), "-1.25");
    EXPECT_EQ(fmt_g(1e-20), "1e-20");
    EXPECT_EQ(fmt_g(1e15), "1e+15");
    EXPECT_EQ(fmt_g(123456789012345.0), "123456789012345");
    EXPECT_EQ(fmt_g(0.1 + 0.2), "0.3"); // the 17th digit noise is hidden
    EXPECT_EQ(fmt_g(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(fmt_g(2.61), "2.61");
    // A zero is written without sign, whichever side it was rounded from;
    // small values that are not zero keep theirs.
    EXPECT_EQ(fmt_g(-0.0), "0");
    EXPECT_EQ(fmt_g(std::nearbyint(-0.3)), "0");
    EXPECT_EQ(fmt_g(-1e-300), "-1e-300");
    EXPECT_EQ(without_negative_zero("-0.00"), "0.00");
    EXPECT_EQ(without_negative_zero("-0.01"), "-0.01");
    EXPECT_EQ(without_negative_zero("-nan"), "-nan");
}

TEST_F(NumberTextC, ReadsSignedDecimalsAndExponents)
{
    double v = 0;
    EXPECT_TRUE(parse_number("0.5", v));
    EXPECT_EQ(v, 0.5);
    EXPECT_TRUE(parse_number("-3", v));
    EXPECT_EQ(v, -3.0);
    EXPECT_TRUE(parse_number("+.25", v));
    EXPECT_EQ(v, 0.25);
    EXPECT_TRUE(parse_number("7.", v));
    EXPECT_EQ(v, 7.0);
    EXPECT_TRUE(parse_number("1e3", v));
    EXPECT_EQ(v, 1000.0);
    EXPECT_TRUE(parse_number("-2.5E-2", v));
    EXPECT_EQ(v, -0.025);
    EXPECT_TRUE(parse_number("1e+2", v));
    EXPECT_EQ(v, 100.0);
    EXPECT_TRUE(parse_number("0.1", v));
    EXPECT_EQ(v, 0.1); // correctly rounded, same double as the literal
}

TEST_F(NumberTextC, RefusesEverythingThatIsNotAPlainNumber)
{
    const char* bad[] = {"",   " ",   "nan", "NaN", "inf", "-inf",  "infinity", "0x10", "0x1p3",
                         "1e", "1e+", "e5",  ".",   "-",   "+-1",   "--1",      "1..2", "1.2.3",
                         " 1", "1 ",  "1,5", "1a",  "a1",  "1e5.0", "1_000",    "١"};
    for (const char* text : bad) {
        double v = 42.0;
        EXPECT_FALSE(parse_number(text, v)) << "accepted \"" << text << "\"";
        EXPECT_EQ(v, 42.0) << "changed the output for \"" << text << "\"";
    }
    double v = 42.0;
    EXPECT_FALSE(parse_number(std::string("1\0", 2), v)); // an embedded NUL is a stray character
}

TEST_F(NumberTextC, RefusesOverflowButAcceptsUnderflowAsTiny)
{
    double v = 42.0;
    EXPECT_FALSE(parse_number("1e400", v));
    EXPECT_FALSE(parse_number("-1e309", v));
    EXPECT_EQ(v, 42.0);
    EXPECT_TRUE(parse_number("1e-400", v));
    EXPECT_EQ(v, 0.0);
    EXPECT_TRUE(parse_number("1.7976931348623157e308", v));
    EXPECT_EQ(v, DBL_MAX);
}

TEST_F(NumberTextC, FormattedNumbersReadBackExactlyToFifteenDigits)
{
    const double values[] = {0.0, 1.0, -2.61, 6.582119514e-16, 1e15, 3.141592654, 123.456};
    for (double x : values) {
        double back = 0;
        ASSERT_TRUE(parse_number(fmt_g(x), back)) << fmt_g(x);
        EXPECT_EQ(fmt_g(back), fmt_g(x));
    }
}

// ---------------------------------------------------------------- Czech locale

// Builds cs_CZ.UTF-8 from the system's locale sources into a private folder
// once for the suite, and points glibc at it through LOCPATH. Every test
// restores the "C" locale afterwards.
class NumberTextCzech : public ::testing::Test {
  protected:
    static inline fs::path dir;
    static inline bool available = false;

    static void SetUpTestSuite()
    {
        dir = fs::temp_directory_path() / ("vlnkar-locale-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        const std::string cmd =
            "localedef -i cs_CZ -f UTF-8 '" + (dir / "cs_CZ.UTF-8").string() + "' >/dev/null 2>&1";
        const int rc = std::system(cmd.c_str());
        // localedef returns 1 for mere warnings; the folder is what counts.
        available = (rc == 0 || WEXITSTATUS(rc) == 1) && fs::exists(dir / "cs_CZ.UTF-8");
        if (available)
            ::setenv("LOCPATH", dir.c_str(), 1);
    }
    static void TearDownTestSuite()
    {
        ::unsetenv("LOCPATH");
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void SetUp() override
    {
        ASSERT_TRUE(available) << "localedef could not build cs_CZ.UTF-8 (package 'locales')";
        ASSERT_NE(std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8"), nullptr);
    }
    void TearDown() override { std::setlocale(LC_NUMERIC, "C"); }
};

TEST_F(NumberTextCzech, PrintsADecimalComma)
{
    EXPECT_EQ(decimal_separator(), ',');
    EXPECT_EQ(fmt_g(0.5), "0,5");
    EXPECT_EQ(fmt_g(-1.25), "-1,25");
    EXPECT_EQ(fmt_g(2.0), "2");
    EXPECT_EQ(fmt_g(6.582119514e-16), "6,582119514e-16");
}

TEST_F(NumberTextCzech, ReadsBothCommaAndPoint)
{
    double v = 0;
    EXPECT_TRUE(parse_number("0,5", v));
    EXPECT_EQ(v, 0.5);
    EXPECT_TRUE(parse_number("0.5", v));
    EXPECT_EQ(v, 0.5);
    EXPECT_TRUE(parse_number("-1,25e1", v));
    EXPECT_EQ(v, -12.5);
    EXPECT_TRUE(parse_number(",75", v));
    EXPECT_EQ(v, 0.75);
    // Still one separator only, whichever are mixed.
    v = 42.0;
    EXPECT_FALSE(parse_number("1,5.2", v));
    EXPECT_FALSE(parse_number("1,,5", v));
    EXPECT_FALSE(parse_number("1 000,5", v));
    EXPECT_FALSE(parse_number("nan", v));
    EXPECT_EQ(v, 42.0);
}

TEST_F(NumberTextCzech, CommaTextReadsBackToTheSameNumber)
{
    double back = 0;
    ASSERT_TRUE(parse_number(fmt_g(2.61), back));
    EXPECT_EQ(back, 2.61);
    ASSERT_TRUE(parse_number(fmt_g(-3.75e-12), back));
    EXPECT_EQ(back, -3.75e-12);
}

TEST(NumberTextInit, TakesTheSeparatorOfTheEnvironment)
{
    // The test runs in a "C"-like environment unless told otherwise; the
    // call must at least leave a usable single-byte separator behind.
    numtext_init_locale();
    const char sep = decimal_separator();
    EXPECT_TRUE(sep == '.' || sep == ',');
    double v = 0;
    EXPECT_TRUE(parse_number(fmt_g(0.5), v));
    EXPECT_EQ(v, 0.5);
    std::setlocale(LC_NUMERIC, "C");
}
