#include "data/Csv.h"

#include <QFile>

#include <stdexcept>

namespace kiro {

QList<QStringList> parseCsv(const QString& text, QChar separator)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    int line = 1;
    int quoteLine = 0;
    const qsizetype n = text.size();

    auto endField = [&] {
        row.append(field);
        field.clear();
        fieldStarted = false;
    };
    auto endRow = [&] {
        endField();
        // A blank line is no record.
        if (!(row.size() == 1 && row.first().isEmpty()))
            rows.append(row);
        row.clear();
    };

    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    field += QLatin1Char('"');
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                if (!(c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')))
                    field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
            quoteLine = line;
        } else if (c == separator) {
            endField();
        } else if (c == QLatin1Char('\n')) {
            endRow();
            ++line;
        } else if (c == QLatin1Char('\r')) {
            // part of a CRLF line end
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted)
        throw std::runtime_error(
            QStringLiteral("a quoted field that starts on line %1 is not closed").arg(quoteLine).toStdString());
    if (fieldStarted || !row.isEmpty())
        endRow();
    return rows;
}

QList<QStringList> readCsvFile(const QString& path, QChar separator)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Could not read '%1': %2").arg(path, file.errorString()).toStdString());
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    try {
        return parseCsv(QString::fromUtf8(bytes), separator);
    } catch (const std::exception& e) {
        throw std::runtime_error(QStringLiteral("'%1': %2").arg(path, QString::fromUtf8(e.what())).toStdString());
    }
}

} // namespace kiro
