#pragma once

#include "db/Connection.h"
#include "db/Field.h"

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace kiro::db {

// An SQL statement over one connection, read forward only. Parameters are
// bound, never pasted into the text: named (":Name") or positional ("?",
// 0-based). Booleans are stored as 0/1, so `Flag = false` and `Flag = true`
// compare as written; dates are ISO text and compare with bound QDate or
// QDateTime values.
//
// While a query is open it holds a read lock on the file; close it (or let
// it reach the end) before long work so that other workstations can write.
// Main thread only; must not outlive its connection.
class Query : public FieldOwner {
public:
    explicit Query(Connection& connection, const QString& sql = QString());
    ~Query() override;
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    void setSql(const QString& sql);
    const QString& sql() const { return m_sql; }

    void bindValue(const QString& name, const QVariant& value);
    void bindValue(int position, const QVariant& value);
    void clearBindings();

    // Runs a SELECT and reads its first row (eof() when there is none).
    void open();
    void close();
    bool isActive() const { return m_active; }
    bool eof() const { return m_eof; }
    // Reads the next row; false at the end.
    bool next();

    // Runs a statement that changes rows; returns how many it changed.
    int execSql();

    int fieldCount() const { return int(m_names.size()); }
    QStringList fieldNames() const;
    Field field(int index);
    Field fieldByName(const QString& name);
    Field findField(const QString& name);
    // The typed value of a column of the current row.
    QVariant value(const QString& name);

protected:
    const QString& fieldName(int index) const override;
    FieldType fieldType(int index) const override;
    int fieldSize(int index) const override;
    FieldKind fieldKind(int index) const override
    {
        (void)index;
        return FieldKind::Data;
    }
    const QVariant& storedValue(int index) const override;
    void setStoredValue(int index, const QVariant& value) override;
    void setFieldChangeHandler(int index, FieldChangeHandler handler) override;
    FieldChangeHandler fieldChangeHandler(int index) const override;

private:
    void bindAll(SqlStatement& statement);
    void checkIndex(int index) const;
    void readRow();

    Connection& m_connection;
    QString m_sql;
    QMap<QString, QVariant> m_named;
    QMap<int, QVariant> m_positional;
    StatementHandle m_statement;
    bool m_active = false;
    bool m_eof = true;
    std::vector<QString> m_names;
    std::vector<FieldType> m_types;
    std::vector<int> m_sizes;
    std::vector<bool> m_declared;
    std::vector<QVariant> m_values;
    QHash<QString, int> m_byName;
};

} // namespace kiro::db
