#include "db/Query.h"

#include "db/DatabaseError.h"
#include "db/Value.h"

namespace kiro::db {

Query::Query(Connection& connection, const QString& sql)
    : m_connection(connection)
    , m_sql(sql)
{}

Query::~Query()
{
    close();
}

void Query::setSql(const QString& sql)
{
    close();
    m_sql = sql;
    m_named.clear();
    m_positional.clear();
}

void Query::bindValue(const QString& name, const QVariant& value)
{
    m_named.insert(name, value);
}

void Query::bindValue(int position, const QVariant& value)
{
    m_positional.insert(position, value);
}

void Query::clearBindings()
{
    m_named.clear();
    m_positional.clear();
}

void Query::bindAll(SqlStatement& st)
{
    st.clearBindings();
    for (auto it = m_positional.cbegin(); it != m_positional.cend(); ++it) {
        if (it.key() < 0 || it.key() >= st.parameterCount()) {
            throw DatabaseError(QStringLiteral("The statement has no parameter %1: %2").arg(it.key()).arg(m_sql));
        }
        st.bind(it.key(), it.value());
    }
    for (auto it = m_named.cbegin(); it != m_named.cend(); ++it) {
        const int i = st.parameterIndex(it.key());
        if (i < 0) {
            throw DatabaseError(QStringLiteral("The statement has no parameter '%1': %2").arg(it.key(), m_sql));
        }
        st.bind(i, it.value());
    }
}

void Query::open()
{
    close();
    if (m_sql.trimmed().isEmpty()) {
        throw DatabaseError(QStringLiteral("The query has no statement"));
    }
    StatementHandle st = m_connection.statement(m_sql);
    bindAll(*st);
    const int n = st->columnCount();
    m_names.clear();
    m_types.clear();
    m_sizes.clear();
    m_declared.clear();
    m_byName.clear();
    for (int i = 0; i < n; ++i) {
        const QString name = st->columnName(i);
        const auto decl = st->columnDeclaration(i);
        m_names.push_back(name);
        m_types.push_back(decl ? decl->type : FieldType::Memo);
        m_sizes.push_back(decl ? decl->size : 0);
        m_declared.push_back(decl.has_value());
        if (!m_byName.contains(name.toLower())) {
            m_byName.insert(name.toLower(), i);
        }
    }
    m_values.assign(size_t(n), QVariant());
    m_statement = std::move(st);
    m_active = true;
    m_eof = false;
    next();
}

void Query::close()
{
    m_statement = StatementHandle();
    m_active = false;
    m_eof = true;
    std::fill(m_values.begin(), m_values.end(), QVariant());
}

bool Query::next()
{
    if (!m_active || m_eof) {
        return false;
    }
    try {
        if (!m_statement->step()) {
            m_eof = true;
            std::fill(m_values.begin(), m_values.end(), QVariant());
            m_statement = StatementHandle(); // releases the read lock at the end
            return false;
        }
    } catch (...) {
        close();
        throw;
    }
    readRow();
    return true;
}

void Query::readRow()
{
    for (size_t i = 0; i < m_values.size(); ++i) {
        if (m_declared[i]) {
            m_values[i] = m_statement->value(int(i), m_types[i]);
            continue;
        }
        const QVariant v = m_statement->naturalValue(int(i));
        switch (v.typeId()) {
        case QMetaType::Int: m_types[i] = FieldType::Integer; break;
        case QMetaType::LongLong:
        case QMetaType::Double: m_types[i] = FieldType::Float; break;
        case QMetaType::QByteArray: m_types[i] = FieldType::Binary; break;
        case QMetaType::QString: m_types[i] = FieldType::Memo; break;
        default: break;
        }
        m_values[i] = v.typeId() == QMetaType::LongLong ? QVariant(v.toDouble()) : v;
    }
}

int Query::execSql()
{
    close();
    if (m_sql.trimmed().isEmpty()) {
        throw DatabaseError(QStringLiteral("The query has no statement"));
    }
    StatementHandle st = m_connection.statement(m_sql);
    bindAll(*st);
    while (st->step()) {
    }
    return m_connection.driver().changes();
}

QStringList Query::fieldNames() const
{
    QStringList names;
    for (const QString& n : m_names) {
        names << n;
    }
    return names;
}

Field Query::field(int index)
{
    if (index < 0 || index >= fieldCount()) {
        throw DatabaseError(QStringLiteral("The query has no column number %1").arg(index));
    }
    return Field(this, index);
}

Field Query::fieldByName(const QString& name)
{
    const int i = m_byName.value(name.toLower(), -1);
    if (i < 0) {
        throw DatabaseError(QStringLiteral("Query field '%1' not found in: %2").arg(name, m_sql));
    }
    return Field(this, i);
}

Field Query::findField(const QString& name)
{
    const int i = m_byName.value(name.toLower(), -1);
    return i < 0 ? Field() : Field(this, i);
}

QVariant Query::value(const QString& name)
{
    return fieldByName(name).value();
}

const QString& Query::fieldName(int index) const
{
    checkIndex(index);
    return m_names[size_t(index)];
}

FieldType Query::fieldType(int index) const
{
    checkIndex(index);
    return m_types[size_t(index)];
}

int Query::fieldSize(int index) const
{
    checkIndex(index);
    return m_sizes[size_t(index)];
}

void Query::checkIndex(int index) const
{
    if (index < 0 || size_t(index) >= m_names.size()) {
        throw DatabaseError(QStringLiteral("The query has no column number %1: %2").arg(index).arg(m_sql));
    }
}

const QVariant& Query::storedValue(int index) const
{
    static const QVariant null;
    return index >= 0 && size_t(index) < m_values.size() ? m_values[size_t(index)] : null;
}

void Query::setStoredValue(int, const QVariant&)
{
    throw DatabaseError(QStringLiteral("A query is read-only: %1").arg(m_sql));
}

void Query::setFieldChangeHandler(int, FieldChangeHandler)
{
    throw DatabaseError(QStringLiteral("A query's fields do not change: %1").arg(m_sql));
}

FieldChangeHandler Query::fieldChangeHandler(int) const
{
    return {};
}

} // namespace kiro::db
