#include "data/Formula.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kiro;

namespace {

struct FormulaCase {
    const char16_t* formula;
    double x;
    double value;
    int stop;
};

void PrintTo(const FormulaCase& c, std::ostream* os)
{
    *os << QString::fromUtf16(c.formula).toStdString() << " x=" << c.x;
}

class FormulaTest : public ::testing::TestWithParam<FormulaCase> {};

TEST_P(FormulaTest, Evaluates)
{
    const FormulaCase& c = GetParam();
    const FormulaResult r = EvaluateFormula(QString::fromUtf16(c.formula), c.x, 7);
    if (std::fabs(c.value) >= 1e300)
        EXPECT_EQ(r.value, c.value);
    else
        EXPECT_NEAR(r.value, c.value, 1e-9 * std::max(1.0, std::fabs(c.value)));
    EXPECT_EQ(r.stopPosition, c.stop);
}

constexpr double h = 1.570796327;

INSTANTIATE_TEST_SUITE_P(Levels, FormulaTest,
                         ::testing::Values(FormulaCase{u"1+2*3", 0, 7, 0}, FormulaCase{u"10-4-3", 0, 3, 0},
                                           FormulaCase{u"2^3^2", 0, 64, 0}, FormulaCase{u"-2^2", 0, 4, 0},
                                           FormulaCase{u"-2\u00B2", 0, 4, 0}, FormulaCase{u"3\u00B2^2", 0, 81, 0},
                                           FormulaCase{u" X * 1000 ", 2, 2000, 0},
                                           FormulaCase{u"(x-32)/1.8", 212, 100, 0},
                                           FormulaCase{u"x*1.8+32", 100, 212, 0}, FormulaCase{u"y+x", 1, 8, 0},
                                           FormulaCase{u"2.5e2", 0, 250, 0}, FormulaCase{u"1.5E-1", 0, 0.15, 0},
                                           FormulaCase{u"\u03C0", 0, 3.141592653589793, 0},
                                           FormulaCase{u"\u212F", 0, 2.718281828459045, 0},
                                           FormulaCase{u"\u00E3*2", 0, 2 * 3.141592653589793, 0},
                                           FormulaCase{u"\u00FD", 0, 0, 1}, FormulaCase{u"5\u00FD", 0, 25, 0}));

INSTANTIATE_TEST_SUITE_P(Division, FormulaTest,
                         ::testing::Values(FormulaCase{u"1/0", 0, 1e308, 0}, FormulaCase{u"-1/0", 0, 1e308, 0},
                                           FormulaCase{u"x/0*0", 3, 0, 0}, FormulaCase{u"1/0+1", 0, 1e308, 0}));

INSTANTIATE_TEST_SUITE_P(Powers, FormulaTest,
                         ::testing::Values(FormulaCase{u"0^0", 0, 1, 0}, FormulaCase{u"0^5", 0, 0, 0},
                                           FormulaCase{u"1^1000", 0, 1, 0},
                                           FormulaCase{u"10^100", 0, std::exp(85.0), 0},
                                           FormulaCase{u"10^-100", 0, std::exp(-85.0), 0},
                                           FormulaCase{u"(-2)^3", 0, -8, 0}, FormulaCase{u"(-2)^2", 0, 4, 0},
                                           FormulaCase{u"(-2)^0.5", 0, 0, 0}, FormulaCase{u"(-1)^7", 0, -1, 0}));

INSTANTIATE_TEST_SUITE_P(
    Functions, FormulaTest,
    ::testing::Values(FormulaCase{u"abs(-3)", 0, 3, 0}, FormulaCase{u"\u221A16", 0, 4, 0},
                      FormulaCase{u"\u221A(-4)", 0, 0, 0}, FormulaCase{u"\u00FB9", 0, 3, 0},
                      FormulaCase{u"sin x", 0.5, std::sin(0.5), 0}, FormulaCase{u"cos(0)", 0, 1, 0},
                      FormulaCase{u"SIN 2", 0, std::sin(2.0), 0}, FormulaCase{u"tan 1", 0, std::tan(1.0), 0},
                      FormulaCase{u"cot 0", 0, 1e308, 0}, FormulaCase{u"asin 0.5", 0, std::asin(0.5), 0},
                      FormulaCase{u"asin 1", 0, h, 0}, FormulaCase{u"asin(-2)", 0, -h, 0},
                      FormulaCase{u"acos 0.5", 0, h + std::asin(0.5), 0}, FormulaCase{u"acos 1", 0, 2 * h, 0},
                      FormulaCase{u"acos(-1)", 0, 0, 0}, FormulaCase{u"atan 1", 0, std::atan(1.0), 0},
                      FormulaCase{u"atan(1/0)", 0, h, 0}, FormulaCase{u"acot 1", 0, h + std::atan(1.0), 0},
                      FormulaCase{u"acot(1/0)", 0, 2 * h, 0}, FormulaCase{u"acot(-(1/0))", 0, 0, 0},
                      FormulaCase{u"-1/0", 0, 1e308, 0}, FormulaCase{u"ln 1", 0, 0, 0},
                      FormulaCase{u"ln 0", 0, -1e308, 0}, FormulaCase{u"exp 1", 0, std::exp(1.0), 0},
                      FormulaCase{u"exp 85", 0, 1e308, 0}, FormulaCase{u"exp(-85)", 0, 0, 0},
                      FormulaCase{u"log 1000", 0, 3 * 0.4342944819 * std::log(10.0), 0},
                      FormulaCase{u"log(-1)", 0, -1e308, 0}, FormulaCase{u"2*abs x", -4, 8, 0}));

INSTANTIATE_TEST_SUITE_P(Stops, FormulaTest,
                         ::testing::Values(FormulaCase{u"x*2#", 3, 6, 4}, FormulaCase{u"x*#", 3, 3, 3},
                                           FormulaCase{u"#", 3, 0, 1}, FormulaCase{u"(1+2", 0, 3, 5},
                                           FormulaCase{u"(1+2)3", 0, 3, 6}, FormulaCase{u"1 2+1", 0, 0, 1},
                                           FormulaCase{u"1..2", 0, 0, 1}, FormulaCase{u"sin -1", 0, 0, 5},
                                           FormulaCase{u"2+", 0, 2, 3}, FormulaCase{u"+2", 0, 0, 1},
                                           FormulaCase{u"x/#", 5, 5, 3}, FormulaCase{u"", 0, 0, 1}));

TEST(FormulaInputTest, NumbersAsTheFieldsReadThem)
{
    EXPECT_EQ(toNumber(QStringLiteral(" 12.5 ")), 12.5);
    EXPECT_EQ(toNumber(QStringLiteral("-3")), -3);
    EXPECT_FALSE(toNumber(QString()).has_value());
    EXPECT_FALSE(toNumber(QStringLiteral("abc")).has_value());
    EXPECT_FALSE(toNumber(QStringLiteral("1 2")).has_value());
    EXPECT_FALSE(toNumber(QStringLiteral("inf")).has_value());
    EXPECT_EQ(numberOrZero(QStringLiteral("x")), 0);
}

TEST(FormatFloatTest, Pictures)
{
    struct Case {
        const char* picture;
        double value;
        const char* text;
    } cases[] = {
        {"#,###", 1234567.5, "1,234,568"},
        {"#,###", 0, ""},
        {"#,###", -1234, "-1,234"},
        {"#,##0.#", 12.26, "12.3"},
        {"#,##0.#", 12, "12"},
        {"#,##0.#", 0, "0"},
        {"#,##0.###", 0.0875, "0.088"},
        {"#0.##", 111.1111, "111.11"},
        {"#,##0", 999.5, "1,000"},
        {"#,##0.##", 20, "20"},
        {"0.00", 8, "8.00"},
        {"0.0", -0.04, "0.0"},
        {"0", 2.5, "3"},
        {"0.0 'm'", 1.25, "1.3 m"},
        {"0;(0);zero", -5, "(5)"},
        {"0;(0);zero", 0, "zero"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFloat(QString::fromLatin1(c.picture), c.value), QString::fromLatin1(c.text))
            << c.picture << " " << c.value;
    EXPECT_EQ(FormatGeneral(8), QStringLiteral("8"));
    EXPECT_EQ(FormatGeneral(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(FormatGeneral(1.0 / 3), QStringLiteral("0.333333333333333"));
}

} // namespace
