#include "db/Value.h"

#include "db/DatabaseError.h"

#include <cstring>
#include <optional>

#include <cmath>
#include <limits>

namespace kiro::db::value {

namespace {

[[noreturn]] void conversionError(const QVariant& input, const QString& typeName, const QString& fieldName)
{
    throw DatabaseError(
        QStringLiteral("'%1' is not a valid %2 value for field '%3'").arg(input.toString(), typeName, fieldName));
}

bool isNumberType(int id)
{
    switch (id) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong: return true;
    default: return false;
    }
}

bool isStringType(int id)
{
    return id == QMetaType::QString || id == QMetaType::QDateTime || id == QMetaType::QDate || id == QMetaType::QTime;
}

QString storageText(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QString: return v.toString();
    case QMetaType::Bool: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
    case QMetaType::Float: return QString::number(v.toDouble(), 'g', 15);
    case QMetaType::QDateTime: return dateTimeToStorage(v.toDateTime());
    case QMetaType::QDate: return v.toDate().toString(Qt::ISODate);
    case QMetaType::QByteArray: return QString::fromUtf8(v.toByteArray());
    default: return v.toString();
    }
}

// Maps UTF-16 code units so that comparing them orders by code point:
// surrogates (U+D800..DFFF, which encode code points above U+FFFF) must sort
// after U+E000..U+FFFF.
inline char16_t codePointOrder(char16_t u)
{
    if (u >= 0xD800) {
        return u >= 0xE000 ? char16_t(u - 0x800) : char16_t(u + 0x2000);
    }
    return u;
}

int compareText(QStringView a, QStringView b, bool caseInsensitive)
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t* pa = a.utf16();
    const char16_t* pb = b.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        char16_t ca = pa[i];
        char16_t cb = pb[i];
        if (ca == cb) {
            continue;
        }
        if (caseInsensitive) {
            if (ca >= 'A' && ca <= 'Z') {
                ca += 32;
            }
            if (cb >= 'A' && cb <= 'Z') {
                cb += 32;
            }
            if (ca == cb) {
                continue;
            }
        }
        return codePointOrder(ca) < codePointOrder(cb) ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int sortClass(const QVariant& v)
{
    if (!v.isValid() || v.isNull()) {
        return 0;
    }
    const int id = v.typeId();
    if (isNumberType(id)) {
        return 1;
    }
    if (isStringType(id)) {
        return 2;
    }
    return 3;
}

QVariant parseNumberText(const QString& text, bool integer, bool& ok)
{
    const QString t = text.trimmed();
    if (integer) {
        const qlonglong n = t.toLongLong(&ok);
        if (ok) {
            return n;
        }
        // "12.0" from a restructured float column is a fine integer.
        const double d = t.toDouble(&ok);
        if (ok && std::isfinite(d) && d == std::floor(d)) {
            return static_cast<qlonglong>(d);
        }
        ok = false;
        return {};
    }
    const double d = t.toDouble(&ok);
    return ok && std::isfinite(d) ? QVariant(d) : (ok = false, QVariant());
}

QVariant toIntegerStorage(const QVariant& input, FieldType type, const QString& fieldName)
{
    qlonglong n = 0;
    const int id = input.typeId();
    if (id == QMetaType::QString || id == QMetaType::QByteArray) {
        const QString text = input.toString();
        if (text.trimmed().isEmpty()) {
            return {};
        }
        bool ok = false;
        const QVariant v = parseNumberText(text, true, ok);
        if (!ok) {
            conversionError(input, QStringLiteral("integer"), fieldName);
        }
        n = v.toLongLong();
    } else if (id == QMetaType::Double || id == QMetaType::Float) {
        const double d = input.toDouble();
        if (!std::isfinite(d) || std::fabs(d) > 9.2e18) {
            conversionError(input, QStringLiteral("integer"), fieldName);
        }
        n = std::llround(d);
    } else if (isNumberType(id)) {
        n = input.toLongLong();
    } else {
        conversionError(input, QStringLiteral("integer"), fieldName);
    }
    const qlonglong lo =
        type == FieldType::Short ? std::numeric_limits<qint16>::min() : std::numeric_limits<qint32>::min();
    const qlonglong hi =
        type == FieldType::Short ? std::numeric_limits<qint16>::max() : std::numeric_limits<qint32>::max();
    if (n < lo || n > hi) {
        throw DatabaseError(
            QStringLiteral("%1 is out of range for field '%2' (%3 to %4)").arg(n).arg(fieldName).arg(lo).arg(hi));
    }
    return int(n);
}

std::optional<bool> boolFromText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(u"true", Qt::CaseInsensitive) == 0 || t.compare(u"t", Qt::CaseInsensitive) == 0 ||
        t.compare(u"yes", Qt::CaseInsensitive) == 0 || t.compare(u"y", Qt::CaseInsensitive) == 0 || t == u"1") {
        return true;
    }
    if (t.compare(u"false", Qt::CaseInsensitive) == 0 || t.compare(u"f", Qt::CaseInsensitive) == 0 ||
        t.compare(u"no", Qt::CaseInsensitive) == 0 || t.compare(u"n", Qt::CaseInsensitive) == 0 || t == u"0") {
        return false;
    }
    return std::nullopt;
}

} // namespace

QString cutText(const QString& text, int width)
{
    if (width <= 0 || text.size() <= width) {
        return text;
    }
    // Count code points: a character beyond U+FFFF takes two UTF-16 units.
    qsizetype units = 0;
    int points = 0;
    while (units < text.size() && points < width) {
        units += (text.at(units).isHighSurrogate() && units + 1 < text.size()) ? 2 : 1;
        ++points;
    }
    return units >= text.size() ? text : text.left(units);
}

QString dateTimeToStorage(const QDateTime& dt)
{
    if (!dt.isValid()) {
        return {};
    }
    const QDateTime local = dt.timeSpec() == Qt::LocalTime ? dt : dt.toLocalTime();
    return local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QDateTime parseDateTime(QStringView t, Qt::TimeSpec spec)
{
    auto digits = [&](qsizetype pos, int count, int& out) {
        if (pos + count > t.size()) {
            return false;
        }
        int v = 0;
        for (int i = 0; i < count; ++i) {
            const char16_t c = t[pos + i].unicode();
            if (c < '0' || c > '9') {
                return false;
            }
            v = v * 10 + (c - '0');
        }
        out = v;
        return true;
    };
    t = t.trimmed();
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    if (!digits(0, 4, y) || t.size() < 10 || t[4] != u'-' || !digits(5, 2, mo) || t[7] != u'-' || !digits(8, 2, d)) {
        return {};
    }
    if (t.size() > 10) {
        if ((t[10] != u' ' && t[10] != u'T') || !digits(11, 2, h) || t.size() < 16 || t[13] != u':' ||
            !digits(14, 2, mi)) {
            return {};
        }
        qsizetype pos = 16;
        if (t.size() > pos) {
            if (t[pos] != u':' || !digits(pos + 1, 2, s)) {
                return {};
            }
            pos += 3;
            if (t.size() > pos) {
                if (t[pos] != u'.' && t[pos] != u',') {
                    return {};
                }
                int frac = 0;
                int n = 0;
                for (qsizetype i = pos + 1; i < t.size(); ++i) {
                    const char16_t c = t[i].unicode();
                    if (c < '0' || c > '9') {
                        return {};
                    }
                    if (n < 3) {
                        frac = frac * 10 + (c - '0');
                        ++n;
                    }
                }
                while (n < 3) {
                    frac *= 10;
                    ++n;
                }
                ms = frac;
            }
        }
    }
    const QDate date(y, mo, d);
    const QTime time(h, mi, s, ms);
    if (!date.isValid() || !time.isValid()) {
        return {};
    }
    return QDateTime(date, time, spec);
}

QVariant toStorage(const QVariant& input, FieldType type, int size, const QString& fieldName)
{
    if (!input.isValid() || input.isNull()) {
        return {};
    }
    const int id = input.typeId();
    switch (type) {
    case FieldType::Text: return cutText(storageText(input), size);
    case FieldType::Memo: return storageText(input);
    case FieldType::Integer:
    case FieldType::Short: return toIntegerStorage(input, type, fieldName);
    case FieldType::Float: {
        if (id == QMetaType::QString || id == QMetaType::QByteArray) {
            const QString text = input.toString();
            if (text.trimmed().isEmpty()) {
                return {};
            }
            bool ok = false;
            const QVariant v = parseNumberText(text, false, ok);
            if (!ok) {
                conversionError(input, QStringLiteral("float"), fieldName);
            }
            return v;
        }
        if (!isNumberType(id)) {
            conversionError(input, QStringLiteral("float"), fieldName);
        }
        const double d = input.toDouble();
        if (!std::isfinite(d)) {
            conversionError(input, QStringLiteral("float"), fieldName);
        }
        return d;
    }
    case FieldType::Boolean: {
        if (id == QMetaType::QString || id == QMetaType::QByteArray) {
            const QString text = input.toString();
            if (text.trimmed().isEmpty()) {
                return {};
            }
            if (const auto b = boolFromText(text)) {
                return *b;
            }
            conversionError(input, QStringLiteral("boolean"), fieldName);
        }
        if (!isNumberType(id)) {
            conversionError(input, QStringLiteral("boolean"), fieldName);
        }
        return input.toDouble() != 0.0;
    }
    case FieldType::DateTime: {
        if (id == QMetaType::QDateTime) {
            const QDateTime dt = input.toDateTime();
            if (!dt.isValid()) {
                return {};
            }
            return dateTimeToStorage(dt);
        }
        if (id == QMetaType::QDate) {
            const QDate date = input.toDate();
            if (!date.isValid()) {
                return {};
            }
            return dateTimeToStorage(QDateTime(date, QTime(0, 0)));
        }
        if (id == QMetaType::QString) {
            const QString text = input.toString();
            if (text.trimmed().isEmpty()) {
                return {};
            }
            const QDateTime dt = parseDateTime(text);
            if (!dt.isValid()) {
                conversionError(input, QStringLiteral("date-time"), fieldName);
            }
            return dateTimeToStorage(dt);
        }
        conversionError(input, QStringLiteral("date-time"), fieldName);
    }
    case FieldType::Binary:
        if (id == QMetaType::QString) {
            return input.toString().toUtf8();
        }
        return input.toByteArray();
    case FieldType::Bytes: {
        QByteArray b = id == QMetaType::QString ? input.toString().toUtf8() : input.toByteArray();
        if (size > 0 && b.size() != size) {
            b.resize(size, '\0');
        }
        return b;
    }
    }
    return input;
}

QVariant fromStorage(const QVariant& stored, FieldType type)
{
    if (type == FieldType::DateTime && stored.typeId() == QMetaType::QString) {
        const QDateTime dt = parseDateTime(stored.toString());
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    return stored;
}

QString asString(const QVariant& stored, FieldType type)
{
    if (!stored.isValid() || stored.isNull()) {
        return {};
    }
    if (type == FieldType::DateTime && stored.typeId() == QMetaType::QString) {
        // Drop a zero fraction so that dates read as people write them.
        QString s = stored.toString();
        if (s.endsWith(u".000")) {
            s.chop(4);
        }
        return s;
    }
    return storageText(stored);
}

int asInteger(const QVariant& stored, FieldType type, const QString& fieldName)
{
    if (!stored.isValid() || stored.isNull()) {
        return 0;
    }
    Q_UNUSED(type);
    const int id = stored.typeId();
    if (id == QMetaType::Int) {
        return stored.toInt();
    }
    if (id == QMetaType::Double) {
        const double d = stored.toDouble();
        if (std::fabs(d) > 2147483647.0) {
            conversionError(stored, QStringLiteral("integer"), fieldName);
        }
        return int(std::llround(d));
    }
    if (id == QMetaType::QString) {
        if (stored.toString().trimmed().isEmpty()) {
            return 0;
        }
        return toIntegerStorage(stored, FieldType::Integer, fieldName).toInt();
    }
    if (isNumberType(id)) {
        return toIntegerStorage(stored, FieldType::Integer, fieldName).toInt();
    }
    conversionError(stored, QStringLiteral("integer"), fieldName);
}

double asFloat(const QVariant& stored, FieldType type, const QString& fieldName)
{
    if (!stored.isValid() || stored.isNull()) {
        return 0.0;
    }
    Q_UNUSED(type);
    const int id = stored.typeId();
    if (isNumberType(id)) {
        return stored.toDouble();
    }
    if (id == QMetaType::QString) {
        if (stored.toString().trimmed().isEmpty()) {
            return 0.0;
        }
        bool ok = false;
        const QVariant v = parseNumberText(stored.toString(), false, ok);
        if (!ok) {
            conversionError(stored, QStringLiteral("float"), fieldName);
        }
        return v.toDouble();
    }
    conversionError(stored, QStringLiteral("float"), fieldName);
}

bool asBoolean(const QVariant& stored, FieldType type, const QString& fieldName)
{
    if (!stored.isValid() || stored.isNull()) {
        return false;
    }
    Q_UNUSED(type);
    const int id = stored.typeId();
    if (isNumberType(id)) {
        return stored.toDouble() != 0.0;
    }
    if (id == QMetaType::QString) {
        if (stored.toString().trimmed().isEmpty()) {
            return false;
        }
        if (const auto b = boolFromText(stored.toString())) {
            return *b;
        }
    }
    conversionError(stored, QStringLiteral("boolean"), fieldName);
}

QDateTime asDateTime(const QVariant& stored, FieldType type, const QString& fieldName)
{
    if (!stored.isValid() || stored.isNull()) {
        return {};
    }
    Q_UNUSED(type);
    if (stored.typeId() == QMetaType::QDateTime) {
        return stored.toDateTime();
    }
    if (stored.typeId() == QMetaType::QString) {
        if (stored.toString().trimmed().isEmpty()) {
            return {};
        }
        const QDateTime dt = parseDateTime(stored.toString());
        if (dt.isValid()) {
            return dt;
        }
    }
    conversionError(stored, QStringLiteral("date-time"), fieldName);
}

QByteArray asBytes(const QVariant& stored, FieldType type)
{
    Q_UNUSED(type);
    if (!stored.isValid() || stored.isNull()) {
        return {};
    }
    if (stored.typeId() == QMetaType::QString) {
        return stored.toString().toUtf8();
    }
    return stored.toByteArray();
}

int compare(const QVariant& a, const QVariant& b, bool caseInsensitive)
{
    const int ca = sortClass(a);
    const int cb = sortClass(b);
    if (ca != cb) {
        return ca < cb ? -1 : 1;
    }
    switch (ca) {
    case 0: return 0;
    case 1: {
        const int ia = a.typeId();
        const int ib = b.typeId();
        if ((ia == QMetaType::Int || ia == QMetaType::LongLong || ia == QMetaType::Bool) &&
            (ib == QMetaType::Int || ib == QMetaType::LongLong || ib == QMetaType::Bool)) {
            const qlonglong x = a.toLongLong();
            const qlonglong y = b.toLongLong();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case 2: {
        if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString) {
            return compareText(*static_cast<const QString*>(a.constData()), *static_cast<const QString*>(b.constData()),
                               caseInsensitive);
        }
        return compareText(storageText(a), storageText(b), caseInsensitive);
    }
    default: {
        const QByteArray x = a.toByteArray();
        const QByteArray y = b.toByteArray();
        const int c = std::memcmp(x.constData(), y.constData(), size_t(std::min(x.size(), y.size())));
        if (c != 0) {
            return c < 0 ? -1 : 1;
        }
        return x.size() < y.size() ? -1 : (x.size() > y.size() ? 1 : 0);
    }
    }
}

} // namespace kiro::db::value
