#pragma once

#include "db/Schema.h"
#include "db/SqlDriver.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace kiro::db {

class Dataset;
class Connection;

namespace detail {
struct CachedStatement {
    std::unique_ptr<SqlStatement> statement;
    bool inUse = false;
};
} // namespace detail

// A prepared statement lent from a connection's cache. It is reset when the
// handle goes out of scope, which releases the read lock a half-read result
// holds (a lock that would otherwise keep other workstations from writing).
class StatementHandle {
public:
    StatementHandle() = default;
    StatementHandle(StatementHandle&& other) noexcept;
    StatementHandle& operator=(StatementHandle&& other) noexcept;
    StatementHandle(const StatementHandle&) = delete;
    StatementHandle& operator=(const StatementHandle&) = delete;
    ~StatementHandle();

    SqlStatement* operator->() const { return m_statement; }
    SqlStatement& operator*() const { return *m_statement; }
    explicit operator bool() const { return m_statement != nullptr; }

private:
    friend class Connection;
    StatementHandle(std::shared_ptr<detail::CachedStatement> cached, std::unique_ptr<SqlStatement> owned);
    void release();

    SqlStatement* m_statement = nullptr;
    std::shared_ptr<detail::CachedStatement> m_cached;
    std::unique_ptr<SqlStatement> m_owned;
};

// One database directory (`<dir>/database.sqlite`): the connection, its
// transactions, and the operations on table structure. The datasets and
// queries made on it share it; closing it closes them.
//
// Several workstations may use the same directory at once. The file's locks
// coordinate them: a writer waits up to the busy timeout (10 s unless set)
// for another to finish instead of failing at once, and a transaction takes
// the write lock when it begins, so two writers queue rather than deadlock.
//
// Every failure is a DatabaseError with the engine's message. Main thread only.
class Connection {
public:
    enum class OpenMode {
        Existing,        // the directory must hold a database
        CreateIfMissing, // an empty database is made in an existing directory
    };

    Connection();
    explicit Connection(std::unique_ptr<SqlDriver> driver);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void open(const QString& directory, OpenMode mode = OpenMode::Existing);
    // Closes every open dataset of the connection first; an open transaction is rolled back.
    void close();
    bool isOpen() const;
    QString directory() const { return m_directory; }
    QString databasePath() const;
    void setBusyTimeout(int milliseconds);

    // Runs statements without parameters or results (maintenance, DDL).
    void exec(const QString& sql);
    // A prepared statement from the cache (a fresh one while the cached one is in use).
    StatementHandle statement(const QString& sql);

    // Table structure.
    bool tableExists(const QString& table);
    QStringList tableNames();
    // Reads a table's structure back, with the declared default of every column.
    TableDef tableDef(const QString& table);
    // The declared default of one column, e.g. the schema marker of DBVer.
    std::optional<QString> declaredDefault(const QString& table, const QString& field);
    // Creates a table; with `replaceExisting` a table of that name is dropped first.
    void createTable(const TableDef& def, bool replaceExisting = false);
    // Creates an empty table with the structure of `table` in another database.
    void createTableFrom(Connection& templateDatabase, const QString& table, bool replaceExisting = true);
    void emptyTable(const QString& table);
    void dropTable(const QString& table);
    // Changes a table to another declaration keeping its rows: columns are
    // matched by name regardless of case, text is cut to the new widths,
    // new columns take their declared defaults. A value that does not fit
    // the new type stops the change and leaves the table as it was.
    void restructureTable(const TableDef& newDef);

    int transactionDepth() const { return m_depth; }
    SqlDriver& driver() { return *m_driver; }
    QString quote(const QString& identifier) const { return m_driver->quoteIdentifier(identifier); }

private:
    friend class Transaction;
    friend class Dataset;

    void checkOpen() const;
    void beginLevel();
    void commitLevel();
    void rollbackLevel();
    void registerDataset(Dataset* dataset);
    void unregisterDataset(Dataset* dataset);

    std::unique_ptr<SqlDriver> m_driver;
    QString m_directory;
    QHash<QString, std::shared_ptr<detail::CachedStatement>> m_cache;
    std::vector<Dataset*> m_datasets;
    int m_depth = 0;
    quint64 m_epoch = 0; // changes on every open and close: stale transactions become inert
};

// A transaction on a connection. The outermost one is BEGIN ... COMMIT;
// nested ones are savepoints, so an inner rollback undoes only its part.
// Not committed when it goes out of scope means rolled back, so a failure
// anywhere in a multi-step change leaves the database as before.
//
// The rows a dataset keeps in memory are not rolled back with it: refresh
// the datasets that wrote inside a transaction that was rolled back.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();
    void rollback();
    bool isActive() const;

private:
    Connection& m_connection;
    int m_level = 0;
    quint64 m_epoch = 0;
    bool m_done = false;
};

} // namespace kiro::db
