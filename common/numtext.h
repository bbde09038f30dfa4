// Numbers to text and back, in the user's regional format: the general
// format with at most 15 significant digits, trailing zeros dropped, and
// the locale's decimal separator.
#pragma once

#include <string>

// Takes the user's decimal separator (setlocale(LC_NUMERIC, "")). Called
// once at start-up; the formatting below follows whatever LC_NUMERIC is.
void numtext_init_locale();
// The decimal separator of LC_NUMERIC now, '.' or ','.
char decimal_separator();

// %.15g in the current locale: 0.5 -> "0.5" (or "0,5"), 2 -> "2", 1e-20 -> "1e-20".
// A zero is "0", whichever its sign.
std::string fmt_g(double v);
// The text of a number with its minus sign dropped when all its digits are
// zeros ("-0" -> "0", "-0.00" -> "0.00"): a value that rounds to zero is
// written as zero, from whichever side it came. Any other text is returned
// as it is.
std::string without_negative_zero(std::string text);

// Nearest whole number, ties to the even one (2.5 -> 2, 3.5 -> 4).
double round_even(double v);
long double round_even(long double v);
// v with its fraction dropped, toward zero.
double cut(double v);
long double cut(long double v);

// Reads a typed number: optional sign, digits with at most one decimal
// separator (the locale's, or '.'), at least one digit, an optional exponent
// (e or E, optional sign, digits), nothing else. "nan", "inf", hex, empty
// text, spaces and stray characters are refused. Returns false and leaves
// `out` alone when the text is not a number or overflows to infinity.
bool parse_number(const std::string& text, double& out);
