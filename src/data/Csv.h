#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace kiro {

// Comma-separated text as spreadsheets write it: fields in double quotes
// may hold separators, line breaks and doubled quotes. Throws
// std::runtime_error naming the line of an unterminated quoted field.
QList<QStringList> parseCsv(const QString& text, QChar separator = QLatin1Char(','));

// Reads a UTF-8 CSV file (a byte-order mark is skipped). Throws
// std::runtime_error with the file name when it cannot be read or parsed.
QList<QStringList> readCsvFile(const QString& path, QChar separator = QLatin1Char(','));

} // namespace kiro
