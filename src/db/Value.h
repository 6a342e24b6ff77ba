#pragma once

#include "db/FieldType.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QVariant>

// Conversions between the values callers hand the engine, the form in which
// rows are kept in memory and written to the file, and the typed values the
// field accessors return. Pure functions; any thread.
//
// Storage form (what a dataset's row buffer holds and what is bound to SQL):
//   Text/Memo  QString (Text cut to its width)
//   Integer/Short int
//   Float      double
//   Boolean    bool (0/1 in the file)
//   DateTime   QString "yyyy-MM-dd HH:mm:ss.zzz", local wall-clock time. ISO
//              text sorts and compares chronologically in SQL as well as in
//              memory, and converting to QDateTime is deferred until a
//              caller asks (building a local QDateTime costs a time-zone
//              computation, far more than reading the row).
//   Binary     QByteArray; Bytes(n) exactly n bytes (cut or padded with 0)
//   null       invalid QVariant
namespace kiro::db::value {

// Converts a caller's value to the storage form of a field. Empty text
// assigned to a number, boolean or date-time field is null. Throws
// DatabaseError naming the field when the value does not convert or is out
// of range.
QVariant toStorage(const QVariant& input, FieldType type, int size, const QString& fieldName);

// The typed value of a stored one (DateTime becomes QDateTime); the
// conventions of FilterRow.
QVariant fromStorage(const QVariant& stored, FieldType type);

// Accessors over a stored value. Null gives "", 0, false, an invalid
// QDateTime, an empty QByteArray. Text that does not read as the asked type
// throws DatabaseError naming the field.
QString asString(const QVariant& stored, FieldType type);
int asInteger(const QVariant& stored, FieldType type, const QString& fieldName);
double asFloat(const QVariant& stored, FieldType type, const QString& fieldName);
bool asBoolean(const QVariant& stored, FieldType type, const QString& fieldName);
QDateTime asDateTime(const QVariant& stored, FieldType type, const QString& fieldName);
QByteArray asBytes(const QVariant& stored, FieldType type);

// Cuts text to `width` characters (code points: a surrogate pair is never split).
QString cutText(const QString& text, int width);

QString dateTimeToStorage(const QDateTime& dt);
// Accepts yyyy-MM-dd with an optional time (hh:mm, hh:mm:ss, hh:mm:ss.zzz)
// after a blank or 'T'. Invalid text gives an invalid QDateTime. The result
// is local time; Qt::UTC gives the same wall-clock date and time without
// the time-zone computation, for callers that read only date() and time().
QDateTime parseDateTime(QStringView text, Qt::TimeSpec spec = Qt::LocalTime);

// Orders two stored values as SQLite orders them (null < numbers < text <
// blobs; text by code point, with `caseInsensitive` folding A-Z only, as the
// NOCASE collation does), so that rows placed in memory agree with rows read
// back through ORDER BY.
int compare(const QVariant& a, const QVariant& b, bool caseInsensitive = false);

} // namespace kiro::db::value
