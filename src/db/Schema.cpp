#include "db/Schema.h"

#include "db/DatabaseError.h"
#include "db/Value.h"

#include <QSet>

namespace kiro::db {

int TableDef::fieldIndex(const QString& fieldName) const
{
    for (int i = 0; i < fields.size(); ++i) {
        if (fields.at(i).name.compare(fieldName, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

const FieldDef* TableDef::field(const QString& fieldName) const
{
    const int i = fieldIndex(fieldName);
    return i < 0 ? nullptr : &fields.at(i);
}

const IndexDef* TableDef::index(const QString& indexName) const
{
    for (const IndexDef& ix : indexes) {
        if (ix.name.compare(indexName, Qt::CaseInsensitive) == 0) {
            return &ix;
        }
    }
    return nullptr;
}

void TableDef::validate() const
{
    auto fail = [this](const QString& what) {
        throw DatabaseError(QStringLiteral("Invalid declaration of table '%1': %2").arg(name, what));
    };
    if (name.trimmed().isEmpty()) {
        fail(QStringLiteral("the table has no name"));
    }
    if (fields.isEmpty()) {
        fail(QStringLiteral("the table has no fields"));
    }
    QSet<QString> seen;
    for (const FieldDef& f : fields) {
        if (f.name.trimmed().isEmpty()) {
            fail(QStringLiteral("a field has no name"));
        }
        if (f.name.compare(u"rowid", Qt::CaseInsensitive) == 0) {
            fail(QStringLiteral("'rowid' is reserved"));
        }
        if (seen.contains(f.name.toLower())) {
            fail(QStringLiteral("field '%1' is declared twice").arg(f.name));
        }
        seen.insert(f.name.toLower());
        if ((f.type == FieldType::Text || f.type == FieldType::Bytes) && f.size <= 0) {
            fail(QStringLiteral("field '%1' of type %2 needs a width").arg(f.name, fieldTypeName(f.type)));
        }
        if (f.defaultValue) {
            try {
                value::toStorage(*f.defaultValue, f.type, f.size, f.name);
            } catch (const DatabaseError& e) {
                fail(QStringLiteral("the default of field '%1': %2").arg(f.name, e.message()));
            }
        }
    }
    for (const QString& k : primaryKey) {
        if (fieldIndex(k) < 0) {
            fail(QStringLiteral("the primary key names the unknown field '%1'").arg(k));
        }
    }
    QSet<QString> indexNames;
    for (const IndexDef& ix : indexes) {
        if (ix.name.trimmed().isEmpty() || ix.fields.isEmpty()) {
            fail(QStringLiteral("an index needs a name and at least one field"));
        }
        if (indexNames.contains(ix.name.toLower())) {
            fail(QStringLiteral("index '%1' is declared twice").arg(ix.name));
        }
        indexNames.insert(ix.name.toLower());
        for (const QString& f : ix.fields) {
            if (fieldIndex(f) < 0) {
                fail(QStringLiteral("index '%1' names the unknown field '%2'").arg(ix.name, f));
            }
        }
    }
}

} // namespace kiro::db
