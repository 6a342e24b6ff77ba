#include "db/Field.h"

#include "db/DatabaseError.h"
#include "db/Value.h"

namespace kiro::db {

void Field::check() const
{
    if (!m_owner) {
        throw DatabaseError(QStringLiteral("Use of an invalid field handle"));
    }
}

const QString& Field::name() const
{
    check();
    return m_owner->fieldName(m_index);
}

FieldType Field::type() const
{
    check();
    return m_owner->fieldType(m_index);
}

int Field::size() const
{
    check();
    return m_owner->fieldSize(m_index);
}

FieldKind Field::kind() const
{
    check();
    return m_owner->fieldKind(m_index);
}

Dataset* Field::dataset() const
{
    return m_owner ? m_owner->owningDataset() : nullptr;
}

bool Field::isNull() const
{
    check();
    const QVariant& v = m_owner->storedValue(m_index);
    return !v.isValid() || v.isNull();
}

QVariant Field::value() const
{
    check();
    return value::fromStorage(m_owner->storedValue(m_index), m_owner->fieldType(m_index));
}

QString Field::asString() const
{
    check();
    return value::asString(m_owner->storedValue(m_index), m_owner->fieldType(m_index));
}

int Field::asInteger() const
{
    check();
    return value::asInteger(m_owner->storedValue(m_index), m_owner->fieldType(m_index), name());
}

double Field::asFloat() const
{
    check();
    return value::asFloat(m_owner->storedValue(m_index), m_owner->fieldType(m_index), name());
}

bool Field::asBoolean() const
{
    check();
    return value::asBoolean(m_owner->storedValue(m_index), m_owner->fieldType(m_index), name());
}

QDateTime Field::asDateTime() const
{
    check();
    return value::asDateTime(m_owner->storedValue(m_index), m_owner->fieldType(m_index), name());
}

QByteArray Field::asBytes() const
{
    check();
    return value::asBytes(m_owner->storedValue(m_index), m_owner->fieldType(m_index));
}

void Field::setValue(const QVariant& v)
{
    check();
    m_owner->setStoredValue(m_index, v);
}

void Field::setOnChange(FieldChangeHandler handler)
{
    check();
    m_owner->setFieldChangeHandler(m_index, std::move(handler));
}

FieldChangeHandler Field::onChange() const
{
    check();
    return m_owner->fieldChangeHandler(m_index);
}

} // namespace kiro::db
