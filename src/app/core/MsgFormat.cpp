#include "app/core/MsgFormat.h"

#include <QLocale>

#include <cmath>

namespace kiro {

namespace {

[[noreturn]] void fail(const QString& format, const QString& why)
{
    throw FormatError(QStringLiteral("Format '%1' invalid or incompatible with argument: %2").arg(format, why));
}

bool isIntegral(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isNumeric(const QVariant& v)
{
    return isIntegral(v) || v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

QString pad(const QString& text, int width, bool left)
{
    if (width <= text.size())
        return text;
    const QString fill(width - text.size(), QLatin1Char(' '));
    return left ? text + fill : fill + text;
}

// Thousands separators for %n and %m, from the C locale so that output does
// not depend on the desktop's locale settings.
QString withThousands(double value, int decimals)
{
    QString digits = QString::number(std::fabs(value), 'f', decimals);
    const qsizetype point = digits.indexOf(QLatin1Char('.'));
    qsizetype intEnd = point < 0 ? digits.size() : point;
    for (qsizetype i = intEnd - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace

QString formatMessage(const QString& format, const QVariantList& args)
{
    QString out;
    out.reserve(format.size() + 16);
    int next = 0;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        if (++i >= n)
            fail(format, QStringLiteral("a lone '%' at the end"));
        if (format.at(i) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            continue;
        }

        auto readNumber = [&](int& value) -> bool {
            if (i < n && format.at(i) == QLatin1Char('*')) {
                if (next >= args.size() || !isIntegral(args.at(next)))
                    fail(format, QStringLiteral("'*' needs an integer argument"));
                value = args.at(next++).toInt();
                ++i;
                return true;
            }
            bool any = false;
            value = 0;
            while (i < n && format.at(i).isDigit()) {
                value = value * 10 + format.at(i).digitValue();
                ++i;
                any = true;
            }
            return any;
        };

        int number = 0;
        const qsizetype start = i;
        bool haveNumber = readNumber(number);
        if (haveNumber && i < n && format.at(i) == QLatin1Char(':')) {
            next = number;
            ++i;
            haveNumber = false;
        } else if (haveNumber) {
            i = start; // it was a width; read it again below
        }
        bool left = false;
        if (i < n && format.at(i) == QLatin1Char('-')) {
            left = true;
            ++i;
        }
        int width = 0;
        readNumber(width);
        int precision = -1;
        if (i < n && format.at(i) == QLatin1Char('.')) {
            ++i;
            if (!readNumber(precision))
                precision = 0;
        }
        if (i >= n)
            fail(format, QStringLiteral("an incomplete placeholder"));
        const QChar type = format.at(i).toLower();
        if (next >= args.size())
            fail(format, QStringLiteral("too few arguments"));
        const QVariant arg = args.at(next++);

        QString piece;
        switch (type.unicode()) {
        case 'd':
        case 'u': {
            if (!isIntegral(arg))
                fail(format, QStringLiteral("%d needs an integer"));
            const qlonglong v = arg.toLongLong();
            piece = QString::number(std::llabs(v));
            if (precision > piece.size())
                piece = QString(precision - piece.size(), QLatin1Char('0')) + piece;
            if (v < 0)
                piece.prepend(QLatin1Char('-'));
            break;
        }
        case 'x': {
            if (!isIntegral(arg))
                fail(format, QStringLiteral("%x needs an integer"));
            piece = QString::number(arg.toULongLong(), 16).toUpper();
            if (precision > piece.size())
                piece = QString(precision - piece.size(), QLatin1Char('0')) + piece;
            break;
        }
        case 's':
            if (isNumeric(arg) || !arg.canConvert<QString>())
                fail(format, QStringLiteral("%s needs a text"));
            piece = arg.toString();
            if (precision >= 0 && precision < piece.size())
                piece.truncate(precision);
            break;
        case 'f':
        case 'e':
        case 'g':
        case 'n':
        case 'm': {
            if (!isNumeric(arg))
                fail(format, QStringLiteral("%%1 needs a number").arg(type));
            const double v = arg.toDouble();
            if (type == QLatin1Char('f'))
                piece = QString::number(v, 'f', precision < 0 ? 2 : precision);
            else if (type == QLatin1Char('e'))
                piece = QString::number(v, 'E', precision < 0 ? 15 : precision);
            else if (type == QLatin1Char('g'))
                piece = QString::number(v, 'g', precision < 0 ? 15 : precision);
            else
                piece = withThousands(v, precision < 0 ? 2 : precision);
            break;
        }
        case 'p':
            if (!isIntegral(arg))
                fail(format, QStringLiteral("%p needs an integer"));
            piece = QString::number(arg.toULongLong(), 16).toUpper().rightJustified(8, QLatin1Char('0'));
            break;
        default:
            fail(format, QStringLiteral("unknown placeholder type '%1'").arg(format.at(i)));
        }
        out += pad(piece, width, left);
    }
    return out;
}

} // namespace kiro
