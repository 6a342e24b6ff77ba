#pragma once

#include <QString>

#include <optional>

// Pure helpers of the price calculation and the unit conversion: number
// input, display formats and the formula language of the Units table. No
// database, no widgets; any thread.
namespace kiro {

// --- number input -------------------------------------------------------------

// Text as a number the way the price and currency fields are read: blanks
// around the number are allowed, the decimal point is '.' (or the decimal
// separator of the system locale). Empty text, text that is not a number
// and numbers that are not finite give nothing.
std::optional<double> toNumber(const QString& text);

// toNumber() with the default of the price rules: 0 for empty or
// unconvertible text.
double numberOrZero(const QString& text);

// --- display formats ------------------------------------------------------------

// The display formats of the amounts. Stored amounts are never rounded;
// only what is shown is.
inline constexpr const char* kAmountFormat = "#,###";
inline constexpr const char* kPercentFormat = "#,##0.#";
inline constexpr const char* kPriceRowFactorFormat = "#,##0.###";
inline constexpr const char* kLineFactorFormat = "#0.##";
inline constexpr const char* kProjectTotalFormat = "#,##0";
inline constexpr const char* kContributionPercentFormat = "#,##0.##";
inline constexpr const char* kCurrencyRateFormat = "#,##0.###";

// Formats a number with a picture of digit placeholders: "0" always shows a
// digit, "#" only a significant one, "," anywhere before the decimal point
// groups thousands, "." places the decimal point; text in quotes and other
// characters are copied. Up to three sections "positive;negative;zero".
// The value is rounded half away from zero to the decimals shown. Uses '.'
// and ',' (the locale of the files of the original program), so that a
// picture means the same on every machine.
QString FormatFloat(const QString& picture, double value);

// A number as text in general format: up to 15 significant digits, no
// exponent for ordinary magnitudes, no trailing zeros ("8", "0.125").
QString FormatGeneral(double value);

// --- formulas of the unit conversion ---------------------------------------------------

// The four special characters of the formula language. In the tables'
// original code page they were single bytes; here they are these Unicode
// characters. The Latin-1 reading of the bytes (U+00FD, U+00FB, U+00E3 and
// U+0090, which is what a formula copied byte for byte from such a file
// becomes) is accepted as well.
inline constexpr char16_t kFormulaSquare = u'\u00B2';     // ² — byte 0xFD: the value times itself
inline constexpr char16_t kFormulaSquareRoot = u'\u221A'; // √ — byte 0xFB
inline constexpr char16_t kFormulaPi = u'\u03C0';         // π — byte 0xE3
inline constexpr char16_t kFormulaEuler = u'\u212F';      // ℯ — byte 0x90

struct FormulaResult {
    double value = 0;
    // 0 when the whole text was read; otherwise the 1-based position of the
    // character where reading stopped.
    int stopPosition = 0;
};

// Evaluates a formula of the Units table with the variables x and y.
//
// Precedence, lowest first: + and - ; * and / ; the square sign and ^ (left
// to right, so 2^3^2 is 64) ; a leading minus, which binds tighter than ^
// (-2^2 is 4). Factors: numbers, (sum), x, y, π, ℯ, and the functions abs,
// √, sin, cos, tan, cot, asin, acos, atan, acot, ln, exp, log, each followed
// directly by a factor (sin x, sin(x)). Letter case does not matter and
// blanks are skipped.
//
// Nothing in a formula raises: a zero divisor makes the term 1e308, the
// functions and ^ return bounded values outside their domains. Reading stops
// at a character that fits nowhere, at a missing ")" and at a number that
// does not convert; what was computed up to there is the value (x*2
// followed by "#" gives 2x). A factor that could not be read has no value:
// the operator before it is not applied ("x*#" gives x), and a formula
// without any value gives 0. A rejected number stops at its first
// character; a ")" missing at the end stops just past the last one.
FormulaResult EvaluateFormula(const QString& formula, double x, double y);

} // namespace kiro
