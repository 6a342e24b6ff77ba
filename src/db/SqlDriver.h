#pragma once

#include "db/FieldType.h"
#include "db/Schema.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

namespace kiro::db {

// The seam between the engine and the database product. Connection, Dataset
// and Query speak only to these two interfaces; SqliteDriver implements them
// over the SQLite C API. A server database would add a second driver (its
// own DDL dialect, type mapping and row identity). Main thread only.

// One prepared statement. Parameters are 0-based; values bound and read are
// in the storage form of Value.h.
class SqlStatement {
public:
    virtual ~SqlStatement() = default;

    virtual const QString& sql() const = 0;
    virtual int parameterCount() const = 0;
    // Index of a named parameter (":Name" or "Name"), -1 when the statement has none of that name.
    virtual int parameterIndex(const QString& name) const = 0;
    virtual void bind(int index, const QVariant& value) = 0;
    virtual void clearBindings() = 0;

    // Runs to the next result row: true when one is available. Throws DatabaseError.
    virtual bool step() = 0;
    // Ends the current execution and releases the locks it holds.
    virtual void reset() = 0;

    virtual int columnCount() const = 0;
    virtual QString columnName(int column) const = 0;
    // The declared type of a result column that comes straight from a table column.
    virtual std::optional<FieldDef> columnDeclaration(int column) const = 0;
    // The column of the current row in the storage form of `type`.
    virtual QVariant value(int column, FieldType type) const = 0;
    // The column as the database holds it (int/qlonglong, double, QString, QByteArray, null).
    virtual QVariant naturalValue(int column) const = 0;
};

class SqlDriver {
public:
    virtual ~SqlDriver() = default;

    // Opens the database of a directory; `create` makes a missing database file.
    virtual void open(const QString& directory, bool create) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString databasePath() const = 0;
    virtual void setBusyTimeout(int milliseconds) = 0;

    virtual std::unique_ptr<SqlStatement> prepare(const QString& sql) = 0;
    // Runs statements that return no rows (may be several, separated by ';').
    virtual void exec(const QString& sql) = 0;
    virtual qint64 lastInsertId() const = 0;
    virtual int changes() const = 0;

    // Transactions: begin() reserves the right to write at once, so that two
    // writers queue instead of failing halfway through.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual void savepoint(const QString& name) = 0;
    virtual void release(const QString& name) = 0;
    virtual void rollbackTo(const QString& name) = 0;

    virtual QString quoteIdentifier(const QString& name) const = 0;
    // The hidden column that identifies a row for update and delete.
    virtual QString rowIdColumn() const = 0;

    virtual bool tableExists(const QString& table) = 0;
    virtual QStringList tableNames() = 0;
    virtual TableDef readTable(const QString& table) = 0;
    // Statements that create the table, its indexes and the width rules.
    virtual QStringList createStatements(const TableDef& def) = 0;
    // The same for a table created under `physicalName` and renamed later:
    // statements for the table only, then the rest after the rename.
    virtual QStringList createTableOnly(const TableDef& def, const QString& physicalName) = 0;
    virtual QStringList createIndexesAndRules(const TableDef& def) = 0;
};

} // namespace kiro::db
