#pragma once

#include "data/Schema.h"
#include "data/SeedData.h"
#include "db/Connection.h"
#include "db/Query.h"
#include "db/Value.h"
#include "tree/DumpFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace kiro::test {

inline QString s(const char* text)
{
    return QString::fromLatin1(text);
}

inline std::string str(const QString& text)
{
    return text.toStdString();
}

// An empty project database of its own.
class ProjectDb {
public:
    ProjectDb()
    {
        createDatabase(m_dir.path(), schema::projectTables(), QString());
        m_connection.open(m_dir.path());
    }
    db::Connection& connection() { return m_connection; }
    QString dir() const { return m_dir.path(); }

    void insert(const QString& table, const QVariantMap& values)
    {
        QStringList columns, marks;
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            columns << m_connection.quote(it.key());
            marks << u':' + QString::number(columns.size());
        }
        db::Query q(m_connection, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(m_connection.quote(table), columns.join(u','), marks.join(u',')));
        int i = 0;
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            q.bindValue(QString::number(++i), it.value());
        q.execSql();
    }
    int count(const QString& table, const QString& where = QString())
    {
        db::Query q(
            m_connection,
            QStringLiteral("SELECT COUNT(*) FROM %1%2").arg(table, where.isEmpty() ? QString() : s(" WHERE ") + where));
        q.open();
        return q.field(0).asInteger();
    }
    QVariant value(const QString& table, const QString& field, const QString& where)
    {
        db::Query q(m_connection,
                    QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(m_connection.quote(field), table, where));
        q.open();
        return q.eof() ? QVariant() : q.field(0).value();
    }
    // Rows of every project table, as text, for "nothing changed" checks.
    QStringList snapshot()
    {
        QStringList rows;
        for (const db::TableDef& def : schema::projectTables()) {
            db::Query q(m_connection, QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(def.name));
            for (q.open(); !q.eof(); q.next()) {
                QStringList cells;
                for (int c = 0; c < q.fieldCount(); ++c)
                    cells << q.field(c).asString();
                rows << def.name + u':' + cells.join(u'|');
            }
        }
        return rows;
    }

private:
    QTemporaryDir m_dir;
    db::Connection m_connection;
};

// A value for every field of a table, different per row and per field, with
// the characters where Windows-1252 differs from Latin-1.
inline QVariant fillerValue(const db::FieldDef& f, int row)
{
    const QString text = QStringLiteral("%1 %2 \u00e9\u20ac\u2019 %3").arg(f.name).arg(row).arg(f.name.size());
    switch (f.type) {
    case db::FieldType::Text: return db::value::cutText(text, f.size);
    case db::FieldType::Memo: return text + QStringLiteral("\r\nline two \u0160");
    case db::FieldType::Integer: return 100000 + row * 37 + int(f.name.size());
    case db::FieldType::Short: return -(row * 3 + int(f.name.size()));
    case db::FieldType::Float: return row * 1.25 + f.name.size() / 8.0 - 1e-7;
    case db::FieldType::Boolean: return (row + f.name.size()) % 2 == 1;
    case db::FieldType::DateTime:
        return QDateTime(QDate(1998 + row, 2, 28 - int(f.name.size() % 20)), QTime(23, 59, 58, 123 + row));
    case db::FieldType::Binary: {
        QByteArray b = text.toUtf8();
        b.append('\0');
        b.append(char(0xFF));
        return b;
    }
    case db::FieldType::Bytes: {
        QByteArray b(f.size, '\0');
        for (int i = 0; i < f.size; ++i)
            b[i] = char((i * 7 + row) & 0xFF);
        return b;
    }
    }
    return {};
}

inline bool isIdOrLink(const QString& field)
{
    for (const char* name : {"ID", "ProjectID", "ProductID", "AccessoryID", "ParentID", "OrderID"})
        if (field.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// A full row of `table`: every field set, IDs and links as given.
inline QVariantMap fullRow(const QString& table, int row, const QVariantMap& idsAndLinks)
{
    QVariantMap values;
    for (const db::FieldDef& f : schema::table(table).fields) {
        if (!isIdOrLink(f.name) && f.name.compare(u"AlternateFor", Qt::CaseInsensitive) != 0)
            values.insert(f.name, fillerValue(f, row));
    }
    for (auto it = idsAndLinks.cbegin(); it != idsAndLinks.cend(); ++it)
        values.insert(it.key(), it.value());
    return values;
}

// The bytes of a file, split the way the format lays them out; written here
// from the layout, independently of the reader.
struct ParsedField {
    QString name;
    qint32 size = 0;
    int type = 0;
    int key = 0;
    QByteArray padding; // bytes 41..43 and 50..51 of the descriptor
    QByteArray value;
};
struct ParsedRecord {
    QString component;
    qint64 begin = 0;
    qint64 end = 0;
    std::vector<ParsedField> fields;
    const ParsedField* field(const char* name) const
    {
        for (const ParsedField& f : fields)
            if (f.name == QLatin1String(name))
                return &f;
        return nullptr;
    }
};

inline qint32 le32(const QByteArray& b, qint64 at)
{
    qint32 v = 0;
    std::memcpy(&v, b.constData() + at, 4);
    return v;
}

inline QString zeroText(const QByteArray& b, qint64 at, int size)
{
    const QByteArray field = b.mid(at, size);
    const qsizetype zero = field.indexOf('\0');
    return QString::fromLatin1(zero >= 0 ? field.left(zero) : field);
}

inline std::vector<ParsedRecord> parseRecords(const QByteArray& b)
{
    std::vector<ParsedRecord> records;
    qint64 pos = 76;
    while (pos + 48 <= b.size()) {
        ParsedRecord r;
        r.begin = pos;
        r.component = zeroText(b, pos, 44);
        const qint32 n = le32(b, pos + 44);
        pos += 48;
        for (qint32 i = 0; i < n; ++i) {
            ParsedField f;
            f.name = zeroText(b, pos, 41);
            f.size = le32(b, pos + 44);
            f.type = quint8(b[pos + 48]);
            f.key = quint8(b[pos + 49]);
            f.padding = b.mid(pos + 41, 3) + b.mid(pos + 50, 2);
            r.fields.push_back(f);
            pos += 52;
        }
        for (ParsedField& f : r.fields) {
            f.value = b.mid(pos, f.size);
            pos += f.size;
        }
        r.end = pos;
        records.push_back(std::move(r));
    }
    EXPECT_EQ(pos, b.size()) << "the records end where the file ends";
    return records;
}

inline QByteArray writeItem(db::Connection& connection, int kind, const QString& id, const QString& name = s("Item"),
                            int revision = 0)
{
    TDumpFilePut put(QString{});
    put.WriteHeader({kind, name, revision});
    put.WriteItem(connection, kind, id);
    return put.bytes();
}

} // namespace kiro::test
