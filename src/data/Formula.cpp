#include "data/Formula.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace kiro {

// --- number input ---------------------------------------------------------------

std::optional<double> toNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    double v = t.toDouble(&ok); // C locale: '.' whatever the machine says
    if (!ok)
        v = QLocale().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

double numberOrZero(const QString& text)
{
    return toNumber(text).value_or(0.0);
}

// --- display formats ----------------------------------------------------------------

namespace {

QStringList splitSections(const QString& picture)
{
    QStringList sections;
    QString current;
    QChar quote;
    for (QChar c : picture) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            current += c;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
            current += c;
        } else if (c == u';') {
            sections << current;
            current.clear();
        } else {
            current += c;
        }
    }
    sections << current;
    return sections;
}

QString formatSection(const QString& picture, double magnitude, bool withMinus)
{
    // Literal text before the first and after the last placeholder; the
    // placeholders between them describe the number.
    QString prefix;
    QString suffix;
    int intZeros = 0;
    int decimals = 0;
    int minDecimals = 0;
    bool grouping = false;
    bool seenPoint = false;
    bool seenDigit = false;
    QChar quote;
    for (QChar c : picture) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                (seenDigit ? suffix : prefix) += c;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
            continue;
        }
        const bool placeholder = c == u'0' || c == u'#';
        if (placeholder || c == u',' || c == u'.') {
            // Text between placeholders is dropped, not moved to the end.
            suffix.clear();
            if (c == u'.') {
                seenPoint = true;
            } else if (c == u',') {
                if (!seenPoint)
                    grouping = true;
            } else if (seenPoint) {
                ++decimals;
                if (c == u'0')
                    minDecimals = decimals;
            } else if (c == u'0') {
                ++intZeros;
            }
            if (placeholder)
                seenDigit = true;
            continue;
        }
        (seenDigit ? suffix : prefix) += c;
    }
    if (!seenDigit)
        return prefix + suffix;

    // Half away from zero on the decimals shown; beyond what a double holds
    // exactly the digits are what they are.
    double rounded = magnitude;
    const double scale = std::pow(10.0, decimals);
    if (magnitude * scale < 9007199254740992.0)
        rounded = std::round(magnitude * scale) / scale;
    QString digits = QString::number(rounded, 'f', decimals);
    QString intPart = digits;
    QString fracPart;
    const qsizetype point = digits.indexOf(u'.');
    if (point >= 0) {
        intPart = digits.left(point);
        fracPart = digits.mid(point + 1);
    }
    while (fracPart.size() > minDecimals && fracPart.endsWith(u'0'))
        fracPart.chop(1);
    if (intPart == QLatin1String("0"))
        intPart.clear();
    while (intPart.size() < intZeros)
        intPart.prepend(u'0');
    if (grouping && intPart.size() > 3) {
        QString grouped;
        const qsizetype n = intPart.size();
        for (qsizetype i = 0; i < n; ++i) {
            if (i > 0 && (n - i) % 3 == 0)
                grouped += u',';
            grouped += intPart[i];
        }
        intPart = grouped;
    }
    const bool allZero = std::all_of(intPart.begin(), intPart.end(), [](QChar c) { return c == u'0' || c == u','; }) &&
                         std::all_of(fracPart.begin(), fracPart.end(), [](QChar c) { return c == u'0'; });
    QString number = intPart;
    if (!fracPart.isEmpty())
        number += u'.' + fracPart;
    if (withMinus && !allZero)
        number.prepend(u'-');
    return prefix + number + suffix;
}

} // namespace

QString FormatFloat(const QString& picture, double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    const QStringList sections = splitSections(picture);
    if (value < 0 && sections.size() >= 2 && !sections[1].isEmpty())
        return formatSection(sections[1], -value, false);
    if (value == 0 && sections.size() >= 3 && !sections[2].isEmpty())
        return formatSection(sections[2], 0, false);
    return formatSection(sections[0], std::fabs(value), value < 0);
}

QString FormatGeneral(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // also for -0
    return QString::number(value, 'g', 15);
}

// --- formulas --------------------------------------------------------------------------

namespace {

constexpr double kHuge = 1e308;
constexpr double kHalfPi = 1.570796327; // the constant of the original functions, not M_PI_2
constexpr double kPi = 3.141592653589793;
constexpr double kEuler = 2.718281828459045;

double signOf(double v)
{
    return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0);
}

double boundedExp(double exponent)
{
    return std::exp(std::clamp(exponent, -85.0, 85.0));
}

double power(double base, double exponent)
{
    if (exponent == 0)
        return 1;
    if (base == 0)
        return 0;
    if (base == 1)
        return 1;
    if (base > 0)
        return boundedExp(exponent * std::log(base));
    if (exponent != std::floor(exponent))
        return 0;
    const double magnitude = base == -1 ? 1.0 : boundedExp(exponent * std::log(-base));
    return std::fmod(exponent, 2.0) != 0 ? -magnitude : magnitude;
}

double asinBounded(double a)
{
    return (a > -1 && a < 1) ? std::asin(a) : kHalfPi * signOf(a);
}

class FormulaReader {
public:
    FormulaReader(const QString& formula, double x, double y)
        : m_text(formula.toLower())
        , m_x(x)
        , m_y(y)
    {
        m_pos = -1;
        advance();
    }

    FormulaResult run()
    {
        const std::optional<double> v = sum();
        FormulaResult result;
        result.value = v.value_or(0.0);
        if (!m_stopped && !atEnd())
            stopHere();
        result.stopPosition = m_stopped ? m_stopPosition : 0;
        return result;
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar ch() const { return atEnd() ? QChar() : m_text[m_pos]; }
    void advance()
    {
        do {
            ++m_pos;
        } while (m_pos < m_text.size() && m_text[m_pos] == u' ');
    }
    void stopAt(qsizetype index)
    {
        if (!m_stopped) {
            m_stopped = true;
            m_stopPosition = int(index) + 1;
        }
    }
    void stopHere() { stopAt(m_pos); }

    static bool isSquare(QChar c) { return c == kFormulaSquare || c == QChar(0xFD); }
    static bool isRoot(QChar c) { return c == kFormulaSquareRoot || c == QChar(0xFB); }
    static bool isPi(QChar c) { return c == kFormulaPi || c == QChar(0xE3); }
    static bool isEuler(QChar c) { return c == kFormulaEuler || c == QChar(0x90); }

    std::optional<double> sum()
    {
        std::optional<double> v = term();
        if (!v)
            return v;
        while (!m_stopped && (ch() == u'+' || ch() == u'-')) {
            const bool plus = ch() == u'+';
            advance();
            const std::optional<double> t = term();
            if (!t)
                return v;
            *v = plus ? *v + *t : *v - *t;
        }
        return v;
    }

    std::optional<double> term()
    {
        std::optional<double> v = powerLevel();
        if (!v)
            return v;
        while (!m_stopped && (ch() == u'*' || ch() == u'/')) {
            const bool times = ch() == u'*';
            advance();
            const std::optional<double> p = powerLevel();
            if (!p)
                return v;
            if (times)
                *v *= *p;
            else if (*p == 0)
                *v = kHuge;
            else
                *v /= *p;
        }
        return v;
    }

    std::optional<double> powerLevel()
    {
        std::optional<double> v = signedFactor();
        if (!v)
            return v;
        if (!m_stopped && isSquare(ch())) {
            *v = *v * *v;
            advance();
        }
        while (!m_stopped && ch() == u'^') {
            advance();
            const std::optional<double> p = signedFactor();
            if (!p)
                return v;
            *v = power(*v, *p);
        }
        return v;
    }

    std::optional<double> signedFactor()
    {
        if (!m_stopped && ch() == u'-') {
            advance();
            std::optional<double> v = factor();
            if (v)
                *v = -*v;
            return v;
        }
        return factor();
    }

    std::optional<double> number()
    {
        const qsizetype start = m_pos;
        while (!atEnd() && (ch().isDigit() || ch() == u'.'))
            advance();
        if (ch() == u'e') {
            advance();
            if (ch() == u'+' || ch() == u'-')
                advance();
            while (!atEnd() && ch().isDigit())
                advance();
        }
        // Blanks were skipped while reading, so one inside the number makes
        // the text unconvertible, as it should.
        bool ok = false;
        const double v = m_text.mid(start, m_pos - start).trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v)) {
            stopAt(start);
            return std::nullopt;
        }
        return v;
    }

    std::optional<double> factor()
    {
        if (m_stopped)
            return std::nullopt;
        const QChar c = ch();
        if (atEnd()) {
            stopHere();
            return std::nullopt;
        }
        if (c.isDigit() && c.unicode() < 128)
            return number();
        if (c == u'(') {
            advance();
            const std::optional<double> v = sum();
            if (!m_stopped) {
                if (ch() == u')')
                    advance();
                else
                    stopHere();
            }
            return v;
        }
        if (c == u'x') {
            advance();
            return m_x;
        }
        if (c == u'y') {
            advance();
            return m_y;
        }
        if (isPi(c)) {
            advance();
            return kPi;
        }
        if (isEuler(c)) {
            advance();
            return kEuler;
        }
        return function();
    }

    bool takeName(QStringView name)
    {
        if (QStringView(m_text).mid(m_pos, name.size()) != name)
            return false;
        m_pos += name.size() - 1;
        advance();
        return true;
    }

    std::optional<double> function()
    {
        enum Fn { Abs, Sqrt, Sin, Cos, Tan, Cot, Asin, Acos, Atan, Acot, Ln, Exp, Log };
        static const struct {
            const char16_t* name;
            Fn fn;
        } names[] = {{u"abs", Abs},   {u"\u221A", Sqrt}, {u"\u00FB", Sqrt}, {u"sin", Sin},   {u"cos", Cos},
                     {u"tan", Tan},   {u"cot", Cot},     {u"asin", Asin},   {u"acos", Acos}, {u"atan", Atan},
                     {u"acot", Acot}, {u"ln", Ln},       {u"exp", Exp},     {u"log", Log}};
        for (const auto& entry : names) {
            if (!takeName(QStringView(entry.name)))
                continue;
            const std::optional<double> arg = factor();
            if (!arg)
                return std::nullopt;
            const double a = *arg;
            switch (entry.fn) {
            case Abs: return std::fabs(a);
            case Sqrt: return a > 0 ? std::sqrt(a) : 0.0;
            case Sin: return std::sin(a);
            case Cos: return std::cos(a);
            case Tan: {
                const double c = std::cos(a);
                return c == 0 ? kHuge * signOf(std::sin(a)) : std::sin(a) / c;
            }
            case Cot: {
                const double s = std::sin(a);
                return s == 0 ? kHuge * signOf(std::cos(a)) : std::cos(a) / s;
            }
            case Asin: return asinBounded(a);
            case Acos:
                // The original adds where acos would subtract; stored
                // formulas were written against this.
                if (a > -1 && a < 1)
                    return kHalfPi + std::asin(a);
                return a >= 1 ? 2 * kHalfPi : 0.0;
            case Atan: return std::fabs(a) < kHuge ? std::atan(a) : kHalfPi * signOf(a);
            case Acot:
                // Beyond the bound the limit of the formula below it: 2h for
                // large positive and 0 for large negative arguments.
                if (std::fabs(a) < kHuge)
                    return kHalfPi + std::atan(a);
                return a > 0 ? 2 * kHalfPi : 0.0;
            case Ln: return a > 0 ? std::log(a) : -kHuge;
            case Exp:
                if (a > -85 && a < 85)
                    return std::exp(a);
                return a >= 85 ? kHuge : 0.0;
            case Log: return a > 0 ? std::log(a) * 0.4342944819 : -kHuge;
            }
        }
        stopHere();
        return std::nullopt;
    }

    QString m_text;
    double m_x;
    double m_y;
    qsizetype m_pos = 0;
    bool m_stopped = false;
    int m_stopPosition = 0;
};

} // namespace

FormulaResult EvaluateFormula(const QString& formula, double x, double y)
{
    return FormulaReader(formula, x, y).run();
}

} // namespace kiro
