#pragma once

#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Schema.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable failure messages for Qt values.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << '[' << l.join(QStringLiteral(", ")).toStdString() << ']';
}
inline void PrintTo(const QVariant& v, std::ostream* os)
{
    *os << (v.isValid() ? QStringLiteral("%1(%2)").arg(QString::fromLatin1(v.typeName()), v.toString())
                        : QStringLiteral("null"))
               .toStdString();
}

namespace kiro::db::test {

// A project-like table: text key, link field, order, and one field of each type.
inline TableDef itemsTable(const QString& name = QStringLiteral("Items"))
{
    TableDef t;
    t.name = name;
    t.fields = {
        FieldDef::text("ID", 20).asRequired(),
        FieldDef::text("ProjectID", 20),
        FieldDef::integer("Order"),
        FieldDef::text("Name", 10).withDefault("New"),
        FieldDef::floating("Price").withDefault("0"),
        FieldDef::boolean("Latest").withDefault("False"),
        FieldDef::dateTime("Created"),
        FieldDef::memo("Notes"),
        FieldDef::bytes("Codes", 4),
        FieldDef::binary("Picture"),
        FieldDef::text("DBVer", 10).withDefault("1.4"),
    };
    t.primaryKey = {"ID"};
    t.indexes = {IndexDef{"Project", {"ProjectID", "Order"}, false, false}, IndexDef{"ByName", {"Name"}, false, true}};
    return t;
}

// A fresh database directory per test, with helpers to fill tables.
class DbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_db.open(m_dir.path(), Connection::OpenMode::CreateIfMissing);
    }

    QString path() const { return m_dir.path(); }
    Connection& db() { return m_db; }

    // Inserts rows given as "ID,ProjectID,Order,Name" through plain SQL.
    void addItems(const QStringList& rows, const QString& table = QStringLiteral("Items"))
    {
        auto st = m_db.statement(QStringLiteral("INSERT INTO %1 (ID, ProjectID, \"Order\", Name, Price, Latest, DBVer) "
                                                "VALUES (?, ?, ?, ?, 0, 0, '1.4')")
                                     .arg(table));
        for (const QString& r : rows) {
            const QStringList p = r.split(u',');
            st->bind(0, p.value(0));
            st->bind(1, p.value(1).isEmpty() ? QVariant() : QVariant(p.value(1)));
            st->bind(2, p.value(2).toInt());
            st->bind(3, p.value(3));
            st->step();
            st->reset();
        }
    }

    // The values of one field over all rows, in the dataset's order, from the first row.
    static QStringList column(Dataset& ds, const QString& field)
    {
        QStringList out;
        ds.first();
        while (!ds.eof()) {
            out << ds.fieldByName(field).asString();
            ds.next();
        }
        return out;
    }

    QTemporaryDir m_dir;
    Connection m_db;
};

} // namespace kiro::db::test
