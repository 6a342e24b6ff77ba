#include "db/SqliteDriver.h"

#include "db/DatabaseError.h"
#include "db/Value.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

namespace kiro::db {

namespace {

const char* const kDatabaseFile = "database.sqlite";

QString quoteLiteral(const QString& text)
{
    QString s = text;
    s.replace(u'\'', QStringLiteral("''"));
    return u'\'' + s + u'\'';
}

QString unquoteDefault(const QString& sqlDefault)
{
    QString s = sqlDefault.trimmed();
    if (s.size() >= 2 && s.startsWith(u'\'') && s.endsWith(u'\'')) {
        s = s.mid(1, s.size() - 2);
        s.replace(QStringLiteral("''"), QStringLiteral("'"));
        return s;
    }
    if (s.size() >= 2 && s.startsWith(u'(') && s.endsWith(u')')) {
        return unquoteDefault(s.mid(1, s.size() - 2));
    }
    return s;
}

// The SQL literal of a declared default. Numbers and booleans are checked
// here, so that a declaration with a wrong default fails when the table is
// created rather than on the first insert.
QString defaultLiteral(const FieldDef& f)
{
    const QString& text = *f.defaultValue;
    switch (f.type) {
    case FieldType::Integer:
    case FieldType::Short:
    case FieldType::Float: {
        const QVariant v = value::toStorage(text, f.type, f.size, f.name);
        if (!v.isValid()) {
            return QStringLiteral("NULL");
        }
        return f.type == FieldType::Float ? QString::number(v.toDouble(), 'g', 17) : QString::number(v.toInt());
    }
    case FieldType::Boolean: {
        const QVariant v = value::toStorage(text, f.type, f.size, f.name);
        if (!v.isValid()) {
            return QStringLiteral("NULL");
        }
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    }
    case FieldType::DateTime: return quoteLiteral(value::toStorage(text, f.type, f.size, f.name).toString());
    case FieldType::Text: return quoteLiteral(value::cutText(text, f.size));
    default: return quoteLiteral(text);
    }
}

QString physicalIndexName(const QString& table, const QString& index)
{
    return table + u'.' + index;
}

class SqliteStatement : public SqlStatement {
public:
    SqliteStatement(SqliteDriver& driver, sqlite3* db, sqlite3_stmt* stmt, const QString& sql)
        : m_driver(driver)
        , m_db(db)
        , m_stmt(stmt)
        , m_sql(sql)
    {}
    ~SqliteStatement() override { sqlite3_finalize(m_stmt); }

    const QString& sql() const override { return m_sql; }
    int parameterCount() const override { return sqlite3_bind_parameter_count(m_stmt); }

    int parameterIndex(const QString& name) const override
    {
        QString n = name;
        if (!n.startsWith(u':') && !n.startsWith(u'@') && !n.startsWith(u'$')) {
            for (const char* prefix : {":", "@", "$"}) {
                const int i = sqlite3_bind_parameter_index(m_stmt, (QLatin1String(prefix) + n).toUtf8().constData());
                if (i > 0) {
                    return i - 1;
                }
            }
            return -1;
        }
        const int i = sqlite3_bind_parameter_index(m_stmt, n.toUtf8().constData());
        return i > 0 ? i - 1 : -1;
    }

    void bind(int index, const QVariant& v) override
    {
        const int i = index + 1;
        int rc = SQLITE_OK;
        if (!v.isValid() || v.isNull()) {
            rc = sqlite3_bind_null(m_stmt, i);
        } else {
            switch (v.typeId()) {
            case QMetaType::Bool: rc = sqlite3_bind_int(m_stmt, i, v.toBool() ? 1 : 0); break;
            case QMetaType::Int:
            case QMetaType::Short:
            case QMetaType::UShort:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::Long:
            case QMetaType::ULong:
            case QMetaType::ULongLong: rc = sqlite3_bind_int64(m_stmt, i, v.toLongLong()); break;
            case QMetaType::Double:
            case QMetaType::Float: rc = sqlite3_bind_double(m_stmt, i, v.toDouble()); break;
            case QMetaType::QByteArray: {
                const QByteArray b = v.toByteArray();
                rc = b.isEmpty()
                         ? sqlite3_bind_zeroblob(m_stmt, i, 0)
                         : sqlite3_bind_blob64(m_stmt, i, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT);
                break;
            }
            case QMetaType::QDateTime: rc = bindText(i, value::dateTimeToStorage(v.toDateTime())); break;
            case QMetaType::QDate:
                rc = bindText(i, value::dateTimeToStorage(QDateTime(v.toDate(), QTime(0, 0))));
                break;
            case QMetaType::QString: rc = bindText(i, *static_cast<const QString*>(v.constData())); break;
            default: rc = bindText(i, v.toString()); break;
            }
        }
        if (rc != SQLITE_OK) {
            throw DatabaseError(QStringLiteral("Could not bind parameter %1: %2").arg(i).arg(m_driver.errorText(rc)));
        }
    }

    void clearBindings() override { sqlite3_clear_bindings(m_stmt); }

    bool step() override
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            return true;
        }
        if (rc == SQLITE_DONE) {
            return false;
        }
        const QString message = m_driver.errorText(rc);
        sqlite3_reset(m_stmt);
        throw DatabaseError(message);
    }

    void reset() override { sqlite3_reset(m_stmt); }

    int columnCount() const override { return sqlite3_column_count(m_stmt); }
    QString columnName(int column) const override { return QString::fromUtf8(sqlite3_column_name(m_stmt, column)); }
    std::optional<FieldDef> columnDeclaration(int column) const override
    {
        const char* decl = sqlite3_column_decltype(m_stmt, column);
        if (!decl) {
            return std::nullopt;
        }
        return SqliteDriver::fieldFromType(columnName(column), QString::fromUtf8(decl));
    }

    QVariant value(int column, FieldType type) const override
    {
        const int storage = sqlite3_column_type(m_stmt, column);
        if (storage == SQLITE_NULL) {
            return {};
        }
        switch (type) {
        case FieldType::Text:
        case FieldType::Memo:
        case FieldType::DateTime: return text(column);
        case FieldType::Integer:
        case FieldType::Short:
            if (storage == SQLITE_TEXT) {
                return convertText(column, type);
            }
            return int(sqlite3_column_int64(m_stmt, column));
        case FieldType::Float:
            if (storage == SQLITE_TEXT) {
                return convertText(column, type);
            }
            return sqlite3_column_double(m_stmt, column);
        case FieldType::Boolean:
            if (storage == SQLITE_TEXT) {
                return convertText(column, type);
            }
            return sqlite3_column_int64(m_stmt, column) != 0;
        case FieldType::Binary:
        case FieldType::Bytes: {
            const void* p = sqlite3_column_blob(m_stmt, column);
            const int n = sqlite3_column_bytes(m_stmt, column);
            return n > 0 ? QByteArray(static_cast<const char*>(p), n) : QByteArray("", 0);
        }
        }
        return naturalValue(column);
    }

    QVariant naturalValue(int column) const override
    {
        switch (sqlite3_column_type(m_stmt, column)) {
        case SQLITE_INTEGER: {
            const sqlite3_int64 n = sqlite3_column_int64(m_stmt, column);
            if (n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max()) {
                return int(n);
            }
            return qlonglong(n);
        }
        case SQLITE_FLOAT: return sqlite3_column_double(m_stmt, column);
        case SQLITE_TEXT: return text(column);
        case SQLITE_BLOB: {
            const void* p = sqlite3_column_blob(m_stmt, column);
            const int n = sqlite3_column_bytes(m_stmt, column);
            return n > 0 ? QByteArray(static_cast<const char*>(p), n) : QByteArray("", 0);
        }
        default: return {};
        }
    }

private:
    int bindText(int i, const QString& s)
    {
        const QByteArray utf8 = s.toUtf8();
        return sqlite3_bind_text64(m_stmt, i, utf8.isNull() ? "" : utf8.constData(), sqlite3_uint64(utf8.size()),
                                   SQLITE_TRANSIENT, SQLITE_UTF8);
    }

    QString text(int column) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        const int n = sqlite3_column_bytes(m_stmt, column);
        return QString::fromUtf8(p, n);
    }

    // Values written as text by plain SQL into a number or boolean column.
    QVariant convertText(int column, FieldType type) const
    {
        try {
            return value::toStorage(text(column), type, 0, columnName(column));
        } catch (const DatabaseError&) {
            return {};
        }
    }

    SqliteDriver& m_driver;
    sqlite3* m_db;
    sqlite3_stmt* m_stmt;
    QString m_sql;
};

} // namespace

SqliteDriver::SqliteDriver() = default;

SqliteDriver::~SqliteDriver()
{
    close();
}

QString SqliteDriver::errorText(int code) const
{
    QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(code));
    const int primary = code & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        message += QStringLiteral(" (another workstation or program is using the database %1)").arg(m_path);
    } else if (primary == SQLITE_READONLY ||
               (primary == SQLITE_CANTOPEN && !m_directory.isEmpty() && !QFileInfo(m_directory).isWritable())) {
        message +=
            QStringLiteral(" (the database directory %1 is read-only)").arg(QDir::toNativeSeparators(m_directory));
    } else if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT) {
        message += QStringLiteral(" (%1)").arg(m_path);
    }
    return message;
}

void SqliteDriver::open(const QString& directory, bool create)
{
    close();
    const QFileInfo dirInfo(directory);
    if (directory.isEmpty() || !dirInfo.exists() || !dirInfo.isDir()) {
        throw DatabaseError(
            QStringLiteral("Database directory does not exist: %1").arg(QDir::toNativeSeparators(directory)));
    }
    const QString path = QDir(directory).filePath(QLatin1String(kDatabaseFile));
    if (!create && !QFileInfo::exists(path)) {
        throw DatabaseError(QStringLiteral("No database in directory %1 (%2 is missing)")
                                .arg(QDir::toNativeSeparators(directory), QLatin1String(kDatabaseFile)));
    }
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        if (!dirInfo.isWritable()) {
            message +=
                QStringLiteral(" (the database directory %1 is read-only)").arg(QDir::toNativeSeparators(directory));
        }
        throw DatabaseError(
            QStringLiteral("Could not open database %1: %2").arg(QDir::toNativeSeparators(path), message));
    }
    m_db = db;
    m_path = path;
    m_directory = directory;
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, m_busyTimeout);
    try {
        // The rollback journal (DELETE mode) relies only on file locks, which
        // network file systems provide; WAL needs shared memory between the
        // processes and so cannot work for workstations sharing a directory.
        // synchronous=FULL so that a committed transaction survives a crash
        // or power cut of the machine that wrote it. The first statement also
        // reads the file header, so a foreign or damaged file fails here,
        // not on the first query.
        exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
        exec(QStringLiteral("PRAGMA synchronous=FULL"));
        exec(QStringLiteral("PRAGMA recursive_triggers=OFF"));
        auto probe = prepare(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        probe->step();
    } catch (const DatabaseError& e) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        m_path.clear();
        m_directory.clear();
        throw DatabaseError(
            QStringLiteral("Could not open database %1: %2").arg(QDir::toNativeSeparators(path), e.message()));
    }
}

void SqliteDriver::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_path.clear();
    m_directory.clear();
}

void SqliteDriver::setBusyTimeout(int milliseconds)
{
    m_busyTimeout = milliseconds;
    if (m_db) {
        sqlite3_busy_timeout(m_db, milliseconds);
    }
}

std::unique_ptr<SqlStatement> SqliteDriver::prepare(const QString& sql)
{
    if (!m_db) {
        throw DatabaseError(QStringLiteral("The database is not open"));
    }
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc =
        sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
    if (rc != SQLITE_OK) {
        throw DatabaseError(QStringLiteral("%1 in: %2").arg(errorText(rc), sql));
    }
    if (!stmt) {
        throw DatabaseError(QStringLiteral("Empty statement: '%1'").arg(sql));
    }
    if (tail && QByteArray(tail).trimmed().size() > 0 && QByteArray(tail).trimmed() != ";") {
        sqlite3_finalize(stmt);
        throw DatabaseError(QStringLiteral("Only one statement may be run at a time: %1").arg(sql));
    }
    return std::make_unique<SqliteStatement>(*this, m_db, stmt, sql);
}

void SqliteDriver::exec(const QString& sql)
{
    if (!m_db) {
        throw DatabaseError(QStringLiteral("The database is not open"));
    }
    char* err = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        QString message = errorText(rc);
        if (err) {
            sqlite3_free(err);
        }
        throw DatabaseError(message);
    }
}

qint64 SqliteDriver::lastInsertId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int SqliteDriver::changes() const
{
    return m_db ? sqlite3_changes(m_db) : 0;
}

void SqliteDriver::begin()
{
    exec(QStringLiteral("BEGIN IMMEDIATE"));
}

void SqliteDriver::commit()
{
    exec(QStringLiteral("COMMIT"));
}

void SqliteDriver::rollback()
{
    if (m_db && !sqlite3_get_autocommit(m_db)) {
        exec(QStringLiteral("ROLLBACK"));
    }
}

void SqliteDriver::savepoint(const QString& name)
{
    exec(QStringLiteral("SAVEPOINT ") + quoteIdentifier(name));
}

void SqliteDriver::release(const QString& name)
{
    exec(QStringLiteral("RELEASE ") + quoteIdentifier(name));
}

void SqliteDriver::rollbackTo(const QString& name)
{
    exec(QStringLiteral("ROLLBACK TO ") + quoteIdentifier(name));
    release(name);
}

QString SqliteDriver::quoteIdentifier(const QString& name) const
{
    QString s = name;
    s.replace(u'"', QStringLiteral("\"\""));
    return u'"' + s + u'"';
}

bool SqliteDriver::tableExists(const QString& table)
{
    auto st = prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE"));
    st->bind(0, table);
    return st->step();
}

QStringList SqliteDriver::tableNames()
{
    auto st = prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                                     "'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
    QStringList names;
    while (st->step()) {
        names << st->naturalValue(0).toString();
    }
    return names;
}

QString SqliteDriver::columnType(const FieldDef& f)
{
    switch (f.type) {
    case FieldType::Text: return QStringLiteral("VARCHAR(%1)").arg(f.size);
    case FieldType::Integer: return QStringLiteral("INTEGER");
    case FieldType::Short: return QStringLiteral("SMALLINT");
    case FieldType::Float: return QStringLiteral("DOUBLE");
    case FieldType::Boolean: return QStringLiteral("BOOLEAN");
    case FieldType::DateTime: return QStringLiteral("DATETIME");
    case FieldType::Memo: return QStringLiteral("TEXT");
    case FieldType::Binary: return QStringLiteral("BLOB");
    case FieldType::Bytes: return QStringLiteral("BLOB(%1)").arg(f.size);
    }
    return {};
}

std::optional<FieldDef> SqliteDriver::fieldFromType(const QString& name, const QString& declaredType)
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*([A-Za-z ]+?)\\s*(?:\\(\\s*(\\d+)\\s*(?:,\\s*\\d+\\s*)?\\))?\\s*$"));
    const auto m = re.match(declaredType);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const QString base = m.captured(1).toUpper();
    const int size = m.captured(2).toInt();
    FieldDef f;
    f.name = name;
    if (base == u"VARCHAR" || base.contains(u"CHAR")) {
        f.type = FieldType::Text;
        f.size = size > 0 ? size : 255;
    } else if (base == u"TEXT" || base == u"CLOB" || base == u"MEMO") {
        f.type = FieldType::Memo;
    } else if (base == u"SMALLINT") {
        f.type = FieldType::Short;
    } else if (base.contains(u"BOOL")) {
        f.type = FieldType::Boolean;
    } else if (base.contains(u"INT")) {
        f.type = FieldType::Integer;
    } else if (base.contains(u"DOUB") || base.contains(u"REAL") || base.contains(u"FLOA") ||
               base.contains(u"NUMERIC") || base.contains(u"DECIMAL")) {
        f.type = FieldType::Float;
    } else if (base.contains(u"DATE") || base.contains(u"TIME")) {
        f.type = FieldType::DateTime;
    } else if (base == u"BLOB" || base.contains(u"BINARY")) {
        f.type = size > 0 ? FieldType::Bytes : FieldType::Binary;
        f.size = size;
    } else {
        return std::nullopt;
    }
    return f;
}

TableDef SqliteDriver::readTable(const QString& table)
{
    TableDef def;
    {
        auto st =
            prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE"));
        st->bind(0, table);
        if (!st->step()) {
            throw DatabaseError(
                QStringLiteral("Table '%1' does not exist in %2").arg(table, QDir::toNativeSeparators(m_path)));
        }
        def.name = st->naturalValue(0).toString();
    }
    QList<QPair<int, QString>> keyParts;
    {
        auto st = prepare(QStringLiteral("PRAGMA table_info(%1)").arg(quoteIdentifier(def.name)));
        while (st->step()) {
            const QString name = st->naturalValue(1).toString();
            const QString type = st->naturalValue(2).toString();
            auto f = fieldFromType(name, type);
            FieldDef field = f ? *f : FieldDef{name, FieldType::Memo, 0, {}, false};
            field.required = st->naturalValue(3).toInt() != 0;
            const QVariant dflt = st->naturalValue(4);
            if (dflt.isValid() && dflt.toString().compare(u"NULL", Qt::CaseInsensitive) != 0) {
                QString text = unquoteDefault(dflt.toString());
                if (field.type == FieldType::Boolean) {
                    text = (text == u"0" || text.compare(u"false", Qt::CaseInsensitive) == 0) ? QStringLiteral("False")
                                                                                              : QStringLiteral("True");
                }
                field.defaultValue = text;
            }
            const int pk = st->naturalValue(5).toInt();
            if (pk > 0) {
                keyParts.append({pk, name});
            }
            def.fields.append(field);
        }
    }
    std::sort(keyParts.begin(), keyParts.end());
    for (const auto& part : keyParts) {
        def.primaryKey << part.second;
    }
    // sqlite_master keeps creation order, which makes a structure read back
    // compare equal to its declaration.
    QStringList indexNames;
    {
        auto st = prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = ?1 "
                                         "COLLATE NOCASE AND sql IS NOT NULL ORDER BY rowid"));
        st->bind(0, def.name);
        while (st->step()) {
            indexNames << st->naturalValue(0).toString();
        }
    }
    QHash<QString, bool> uniqueByName;
    {
        auto st = prepare(QStringLiteral("PRAGMA index_list(%1)").arg(quoteIdentifier(def.name)));
        while (st->step()) {
            uniqueByName.insert(st->naturalValue(1).toString(), st->naturalValue(2).toInt() != 0);
        }
    }
    const QString prefix = def.name + u'.';
    for (const QString& physical : indexNames) {
        IndexDef index;
        index.name = physical.startsWith(prefix, Qt::CaseInsensitive) ? physical.mid(prefix.size()) : physical;
        index.unique = uniqueByName.value(physical);
        auto st = prepare(QStringLiteral("PRAGMA index_xinfo(%1)").arg(quoteIdentifier(physical)));
        while (st->step()) {
            if (st->naturalValue(5).toInt() == 0) {
                continue; // the rowid tail of every index
            }
            index.fields << st->naturalValue(2).toString();
            if (st->naturalValue(4).toString().compare(u"NOCASE", Qt::CaseInsensitive) == 0) {
                index.caseInsensitive = true;
            }
        }
        def.indexes.append(index);
    }
    return def;
}

QStringList SqliteDriver::createTableOnly(const TableDef& def, const QString& physicalName)
{
    def.validate();
    QStringList columns;
    for (const FieldDef& f : def.fields) {
        QString col = quoteIdentifier(f.name) + u' ' + columnType(f);
        if (f.required) {
            col += QStringLiteral(" NOT NULL");
        }
        if (f.defaultValue) {
            col += QStringLiteral(" DEFAULT ") + defaultLiteral(f);
        }
        columns << col;
    }
    if (!def.primaryKey.isEmpty()) {
        QStringList keys;
        for (const QString& k : def.primaryKey) {
            keys << quoteIdentifier(def.fields.at(def.fieldIndex(k)).name);
        }
        columns << QStringLiteral("PRIMARY KEY (%1)").arg(keys.join(QStringLiteral(", ")));
    }
    return {
        QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteIdentifier(physicalName), columns.join(QStringLiteral(", ")))};
}

QStringList SqliteDriver::createIndexesAndRules(const TableDef& def)
{
    QStringList statements;
    const QString table = quoteIdentifier(def.name);
    for (const IndexDef& index : def.indexes) {
        QStringList cols;
        for (const QString& f : index.fields) {
            cols << quoteIdentifier(def.fields.at(def.fieldIndex(f)).name) +
                        (index.caseInsensitive ? QStringLiteral(" COLLATE NOCASE") : QString());
        }
        statements << QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                          .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(),
                               quoteIdentifier(physicalIndexName(def.name, index.name)), table,
                               cols.join(QStringLiteral(", ")));
    }
    // Width rules for writers that bypass the datasets (plain SQL). Only a
    // row that is too long is touched, so the usual insert pays one test.
    QStringList tooLong;
    QStringList cuts;
    for (const FieldDef& f : def.fields) {
        if (f.type == FieldType::Text && f.size > 0) {
            const QString c = quoteIdentifier(f.name);
            tooLong << QStringLiteral("length(NEW.%1) > %2").arg(c).arg(f.size);
            cuts << QStringLiteral("%1 = substr(%1, 1, %2)").arg(c).arg(f.size);
        }
    }
    if (!tooLong.isEmpty()) {
        for (const char* when : {"INSERT", "UPDATE"}) {
            statements
                << QStringLiteral(
                       "CREATE TRIGGER %1 AFTER %2 ON %3 WHEN %4 BEGIN UPDATE %3 SET %5 WHERE rowid = NEW.rowid; END")
                       .arg(quoteIdentifier(def.name + QStringLiteral(".width_") +
                                            QLatin1String(when).toString().toLower()),
                            QLatin1String(when), table, tooLong.join(QStringLiteral(" OR ")),
                            cuts.join(QStringLiteral(", ")));
        }
    }
    return statements;
}

QStringList SqliteDriver::createStatements(const TableDef& def)
{
    return createTableOnly(def, def.name) + createIndexesAndRules(def);
}

} // namespace kiro::db
