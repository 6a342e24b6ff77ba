#pragma once

#include "db/SqlDriver.h"

struct sqlite3;

namespace kiro::db {

// The SQLite implementation of the driver seam: one database file
// `<directory>/database.sqlite` per connection.
//
// Column declarations are written so that SQLite's type affinity keeps each
// value as stored: VARCHAR(n) text, TEXT memo, INTEGER, SMALLINT, DOUBLE,
// BOOLEAN (0/1), DATETIME (ISO text), BLOB and BLOB(n). Index names are
// global in an SQLite file, so an index is stored as "<table>.<index>" and
// read back under its own name. Text widths are also enforced by triggers,
// so that rows written by plain SQL are cut like rows written by a dataset.
// Main thread only.
class SqliteDriver : public SqlDriver {
public:
    SqliteDriver();
    ~SqliteDriver() override;
    SqliteDriver(const SqliteDriver&) = delete;
    SqliteDriver& operator=(const SqliteDriver&) = delete;

    void open(const QString& directory, bool create) override;
    void close() override;
    bool isOpen() const override { return m_db != nullptr; }
    QString databasePath() const override { return m_path; }
    void setBusyTimeout(int milliseconds) override;

    std::unique_ptr<SqlStatement> prepare(const QString& sql) override;
    void exec(const QString& sql) override;
    qint64 lastInsertId() const override;
    int changes() const override;

    void begin() override;
    void commit() override;
    void rollback() override;
    void savepoint(const QString& name) override;
    void release(const QString& name) override;
    void rollbackTo(const QString& name) override;

    QString quoteIdentifier(const QString& name) const override;
    QString rowIdColumn() const override { return QStringLiteral("rowid"); }

    bool tableExists(const QString& table) override;
    QStringList tableNames() override;
    TableDef readTable(const QString& table) override;
    QStringList createStatements(const TableDef& def) override;
    QStringList createTableOnly(const TableDef& def, const QString& physicalName) override;
    QStringList createIndexesAndRules(const TableDef& def) override;

    // The declared type text of a field, and a field read back from one.
    static QString columnType(const FieldDef& field);
    static std::optional<FieldDef> fieldFromType(const QString& name, const QString& declaredType);

    // Builds the engine's message for the last failure, with a hint where
    // the bare message does not say what is wrong.
    QString errorText(int code) const;

private:
    sqlite3* m_db = nullptr;
    QString m_path;
    QString m_directory;
    int m_busyTimeout = 10000;
};

} // namespace kiro::db
