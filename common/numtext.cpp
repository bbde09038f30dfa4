// Number text: numbers shown in the user's regional format and typed
// numbers read back. Formatting goes through the C library, so it follows
// LC_NUMERIC; reading checks the syntax itself and then converts in the
// "C" locale, so that both the locale's separator and '.' are understood
// whatever LC_NUMERIC says.
#include "common/numtext.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

void numtext_init_locale()
{
    std::setlocale(LC_NUMERIC, "");
}

char decimal_separator()
{
    const std::lconv* lc = std::localeconv();
    // A separator of more than one byte (a few locales use one) cannot be
    // typed as one character; '.' is then the only separator we offer.
    if (lc && lc->decimal_point && lc->decimal_point[0] != '\0' && lc->decimal_point[1] == '\0')
        return lc->decimal_point[0];
    return '.';
}

std::string fmt_g(double v)
{
    // 15 significant digits is what a double holds without noise in the last
    // place; %g drops the trailing zeros and picks fixed or exponent form.
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%.15g", v);
    if (n < 0)
        return std::string();
    return without_negative_zero(
        std::string(buf, static_cast<size_t>(n) < sizeof buf ? static_cast<size_t>(n) : sizeof buf - 1));
}

std::string without_negative_zero(std::string text)
{
    if (text.size() < 2 || text[0] != '-')
        return text;
    // Only zeros and a decimal separator after the sign ("-nan" and
    // "-inf" have no zero and stay as they are).
    bool zero = false;
    for (size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '0')
            zero = true;
        else if (c != '.' && c != ',' && c != decimal_separator())
            return text;
    }
    return zero ? text.substr(1) : text;
}

// Both rely on the default rounding mode (to nearest, ties to even), which
// the program never changes.
double round_even(double v)
{
    return std::nearbyint(v);
}
long double round_even(long double v)
{
    return std::nearbyintl(v);
}
double cut(double v)
{
    return std::trunc(v);
}
long double cut(long double v)
{
    return std::truncl(v);
}

namespace {

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// The "C" locale as a handle, made once, for strtod_l: the conversion must
// not depend on the user's separator, which we have already replaced by '.'.
locale_t c_locale()
{
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return loc;
}

} // namespace

bool parse_number(const std::string& text, double& out)
{
    const char sep = decimal_separator();
    // Rewrite the accepted text in the plain "C" spelling while checking it:
    // [sign] digits [sep digits] [e [sign] digits], one digit at least in
    // the mantissa, one at least in the exponent.
    std::string plain;
    plain.reserve(text.size());
    size_t i = 0;
    const size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-'))
        plain += text[i++];
    size_t mantissa_digits = 0;
    bool seen_point = false;
    while (i < n) {
        const char c = text[i];
        if (is_digit(c)) {
            plain += c;
            ++mantissa_digits;
        } else if (c == '.' || c == sep) {
            if (seen_point)
                return false;
            seen_point = true;
            plain += '.';
        } else {
            break;
        }
        ++i;
    }
    if (mantissa_digits == 0)
        return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        plain += 'e';
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            plain += text[i++];
        size_t exponent_digits = 0;
        while (i < n && is_digit(text[i])) {
            plain += text[i++];
            ++exponent_digits;
        }
        if (exponent_digits == 0)
            return false;
    }
    if (i != n)
        return false; // anything left over: spaces, letters, a second sign, a NUL
    const locale_t loc = c_locale();
    if (loc == static_cast<locale_t>(0))
        return false;
    char* end = nullptr;
    const double v = strtod_l(plain.c_str(), &end, loc);
    if (end != plain.c_str() + plain.size() || std::isinf(v) || std::isnan(v))
        return false;
    // Underflow towards zero is accepted: the value is as near as a double
    // can come to what was typed.
    out = v;
    return true;
}
