#include "db/Connection.h"

#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/SqliteDriver.h"
#include "db/Value.h"

#include <QDir>

#include <algorithm>

namespace kiro::db {

// --- StatementHandle ---------------------------------------------------------

StatementHandle::StatementHandle(std::shared_ptr<detail::CachedStatement> cached, std::unique_ptr<SqlStatement> owned)
    : m_cached(std::move(cached))
    , m_owned(std::move(owned))
{
    m_statement = m_owned ? m_owned.get() : m_cached->statement.get();
}

StatementHandle::StatementHandle(StatementHandle&& other) noexcept
    : m_statement(std::exchange(other.m_statement, nullptr))
    , m_cached(std::move(other.m_cached))
    , m_owned(std::move(other.m_owned))
{}

StatementHandle& StatementHandle::operator=(StatementHandle&& other) noexcept
{
    if (this != &other) {
        release();
        m_statement = std::exchange(other.m_statement, nullptr);
        m_cached = std::move(other.m_cached);
        m_owned = std::move(other.m_owned);
    }
    return *this;
}

StatementHandle::~StatementHandle()
{
    release();
}

void StatementHandle::release()
{
    if (m_statement) {
        m_statement->reset();
    }
    if (m_cached && !m_owned) {
        m_cached->inUse = false;
    }
    m_cached.reset();
    m_owned.reset();
    m_statement = nullptr;
}

// --- Connection --------------------------------------------------------------

Connection::Connection()
    : m_driver(std::make_unique<SqliteDriver>())
{}

Connection::Connection(std::unique_ptr<SqlDriver> driver)
    : m_driver(std::move(driver))
{}

Connection::~Connection()
{
    // Datasets that outlive their connection become closed and unusable.
    const auto datasets = m_datasets;
    for (Dataset* ds : datasets) {
        ds->connectionDestroyed();
    }
    m_cache.clear();
    m_driver->close();
}

void Connection::open(const QString& directory, OpenMode mode)
{
    close();
    m_driver->open(directory, mode == OpenMode::CreateIfMissing);
    m_directory = directory;
    ++m_epoch;
}

void Connection::close()
{
    const auto datasets = m_datasets;
    for (Dataset* ds : datasets) {
        try {
            ds->close();
        } catch (...) {
            // A failing close handler cannot keep a dataset open on a closed file.
        }
        ds->closeSilently();
    }
    m_cache.clear();
    if (m_driver->isOpen()) {
        if (m_depth > 0) {
            try {
                m_driver->rollback();
            } catch (const DatabaseError&) {
                // Closing discards the transaction either way.
            }
        }
        m_driver->close();
    }
    m_depth = 0;
    m_directory.clear();
    ++m_epoch;
}

bool Connection::isOpen() const
{
    return m_driver->isOpen();
}

QString Connection::databasePath() const
{
    return m_driver->databasePath();
}

void Connection::setBusyTimeout(int milliseconds)
{
    m_driver->setBusyTimeout(milliseconds);
}

void Connection::checkOpen() const
{
    if (!m_driver->isOpen()) {
        throw DatabaseError(QStringLiteral("The database is not open"));
    }
}

void Connection::exec(const QString& sql)
{
    checkOpen();
    m_driver->exec(sql);
}

StatementHandle Connection::statement(const QString& sql)
{
    checkOpen();
    auto it = m_cache.find(sql);
    if (it != m_cache.end()) {
        if (!(*it)->inUse) {
            (*it)->inUse = true;
            return StatementHandle(*it, nullptr);
        }
        // The same text is already running (a handler re-entered): use a private copy.
        return StatementHandle(*it, m_driver->prepare(sql));
    }
    if (m_cache.size() >= 256) {
        for (auto i = m_cache.begin(); i != m_cache.end();) {
            i = (*i)->inUse ? std::next(i) : m_cache.erase(i);
        }
    }
    auto entry = std::make_shared<detail::CachedStatement>();
    entry->statement = m_driver->prepare(sql);
    entry->inUse = true;
    m_cache.insert(sql, entry);
    return StatementHandle(entry, nullptr);
}

bool Connection::tableExists(const QString& table)
{
    checkOpen();
    return m_driver->tableExists(table);
}

QStringList Connection::tableNames()
{
    checkOpen();
    return m_driver->tableNames();
}

TableDef Connection::tableDef(const QString& table)
{
    checkOpen();
    return m_driver->readTable(table);
}

std::optional<QString> Connection::declaredDefault(const QString& table, const QString& field)
{
    const TableDef def = tableDef(table);
    const FieldDef* f = def.field(field);
    if (!f) {
        throw DatabaseError(QStringLiteral("Table '%1' has no field '%2'").arg(def.name, field));
    }
    return f->defaultValue;
}

void Connection::createTable(const TableDef& def, bool replaceExisting)
{
    checkOpen();
    def.validate();
    Transaction t(*this);
    if (m_driver->tableExists(def.name)) {
        if (!replaceExisting) {
            throw DatabaseError(
                QStringLiteral("Table '%1' already exists in %2").arg(def.name, QDir::toNativeSeparators(m_directory)));
        }
        m_driver->exec(QStringLiteral("DROP TABLE ") + quote(def.name));
    }
    for (const QString& sql : m_driver->createStatements(def)) {
        m_driver->exec(sql);
    }
    t.commit();
    m_cache.clear();
}

void Connection::createTableFrom(Connection& templateDatabase, const QString& table, bool replaceExisting)
{
    createTable(templateDatabase.tableDef(table), replaceExisting);
}

void Connection::emptyTable(const QString& table)
{
    checkOpen();
    if (!m_driver->tableExists(table)) {
        throw DatabaseError(
            QStringLiteral("Table '%1' does not exist in %2").arg(table, QDir::toNativeSeparators(m_directory)));
    }
    m_driver->exec(QStringLiteral("DELETE FROM ") + quote(table));
}

void Connection::dropTable(const QString& table)
{
    checkOpen();
    if (!m_driver->tableExists(table)) {
        throw DatabaseError(
            QStringLiteral("Table '%1' does not exist in %2").arg(table, QDir::toNativeSeparators(m_directory)));
    }
    m_cache.clear();
    m_driver->exec(QStringLiteral("DROP TABLE ") + quote(table));
}

void Connection::restructureTable(const TableDef& newDef)
{
    checkOpen();
    newDef.validate();
    const TableDef oldDef = tableDef(newDef.name);
    const QString scratch = oldDef.name + QStringLiteral("__restructure");
    m_cache.clear();

    Transaction t(*this);
    if (m_driver->tableExists(scratch)) {
        m_driver->exec(QStringLiteral("DROP TABLE ") + quote(scratch));
    }
    for (const QString& sql : m_driver->createTableOnly(newDef, scratch)) {
        m_driver->exec(sql);
    }

    // The copy runs through the engine's own conversions, so that a value is
    // changed exactly as assigning it to a field of the new type would.
    std::vector<int> source(size_t(newDef.fields.size()), -1);
    QStringList oldCols;
    for (const FieldDef& f : oldDef.fields) {
        oldCols << quote(f.name);
    }
    QStringList newCols{m_driver->rowIdColumn()};
    QStringList marks{QStringLiteral("?")};
    for (int i = 0; i < newDef.fields.size(); ++i) {
        source[size_t(i)] = oldDef.fieldIndex(newDef.fields.at(i).name);
        newCols << quote(newDef.fields.at(i).name);
        marks << QStringLiteral("?");
    }
    {
        auto read = m_driver->prepare(QStringLiteral("SELECT %1, %2 FROM %3")
                                          .arg(m_driver->rowIdColumn(), oldCols.join(u','), quote(oldDef.name)));
        auto write = m_driver->prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                           .arg(quote(scratch), newCols.join(u','), marks.join(u',')));
        while (read->step()) {
            write->bind(0, read->naturalValue(0));
            for (int i = 0; i < newDef.fields.size(); ++i) {
                const FieldDef& nf = newDef.fields.at(i);
                QVariant v;
                if (source[size_t(i)] >= 0) {
                    const FieldDef& of = oldDef.fields.at(source[size_t(i)]);
                    const QVariant stored = read->value(source[size_t(i)] + 1, of.type);
                    try {
                        v = value::toStorage(value::fromStorage(stored, of.type), nf.type, nf.size, nf.name);
                    } catch (const DatabaseError& e) {
                        throw DatabaseError(
                            QStringLiteral("Cannot restructure table '%1': %2").arg(oldDef.name, e.message()));
                    }
                } else if (nf.defaultValue) {
                    v = value::toStorage(*nf.defaultValue, nf.type, nf.size, nf.name);
                }
                if (!v.isValid() && nf.required) {
                    if (nf.defaultValue) {
                        v = value::toStorage(*nf.defaultValue, nf.type, nf.size, nf.name);
                    } else if (nf.type == FieldType::Text || nf.type == FieldType::Memo) {
                        v = QString(QLatin1String(""));
                    } else if (nf.type == FieldType::Integer || nf.type == FieldType::Short) {
                        v = 0;
                    } else if (nf.type == FieldType::Float) {
                        v = 0.0;
                    } else if (nf.type == FieldType::Boolean) {
                        v = false;
                    }
                }
                write->bind(i + 1, v);
            }
            try {
                write->step();
            } catch (const DatabaseError& e) {
                throw DatabaseError(QStringLiteral("Cannot restructure table '%1': %2").arg(oldDef.name, e.message()));
            }
            write->reset();
        }
    }
    m_driver->exec(QStringLiteral("DROP TABLE ") + quote(oldDef.name));
    m_driver->exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quote(scratch), quote(newDef.name)));
    for (const QString& sql : m_driver->createIndexesAndRules(newDef)) {
        m_driver->exec(sql);
    }
    t.commit();
    m_cache.clear();
}

void Connection::beginLevel()
{
    checkOpen();
    if (m_depth == 0) {
        m_driver->begin();
    } else {
        m_driver->savepoint(QStringLiteral("kiro_sp%1").arg(m_depth));
    }
    ++m_depth;
}

void Connection::commitLevel()
{
    if (m_depth == 1) {
        m_driver->commit();
    } else {
        m_driver->release(QStringLiteral("kiro_sp%1").arg(m_depth - 1));
    }
    --m_depth;
}

void Connection::rollbackLevel()
{
    --m_depth;
    if (m_depth == 0) {
        m_driver->rollback();
    } else {
        m_driver->rollbackTo(QStringLiteral("kiro_sp%1").arg(m_depth));
    }
}

void Connection::registerDataset(Dataset* dataset)
{
    m_datasets.push_back(dataset);
}

void Connection::unregisterDataset(Dataset* dataset)
{
    m_datasets.erase(std::remove(m_datasets.begin(), m_datasets.end(), dataset), m_datasets.end());
}

// --- Transaction -------------------------------------------------------------

Transaction::Transaction(Connection& connection)
    : m_connection(connection)
{
    m_connection.beginLevel();
    m_level = m_connection.m_depth;
    m_epoch = m_connection.m_epoch;
}

Transaction::~Transaction()
{
    if (isActive()) {
        try {
            rollback();
        } catch (const DatabaseError&) {
            // A destructor must not throw; the engine undoes an unfinished
            // transaction itself when the connection closes.
        }
    }
}

bool Transaction::isActive() const
{
    return !m_done && m_epoch == m_connection.m_epoch && m_connection.m_depth >= m_level;
}

void Transaction::commit()
{
    if (!isActive()) {
        throw DatabaseError(QStringLiteral("The transaction is no longer active"));
    }
    if (m_connection.m_depth != m_level) {
        throw DatabaseError(QStringLiteral("An inner transaction is still open"));
    }
    m_connection.commitLevel();
    m_done = true;
}

void Transaction::rollback()
{
    if (!isActive()) {
        return;
    }
    // Inner levels left open are undone with this one.
    while (m_connection.m_depth > m_level) {
        m_connection.rollbackLevel();
    }
    m_done = true;
    m_connection.rollbackLevel();
}

} // namespace kiro::db
