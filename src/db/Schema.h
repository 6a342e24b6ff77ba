#pragma once

#include "db/FieldType.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kiro::db {

// One column of a table declaration. `defaultValue` is the declared default
// as text ("1.4", "0", "True"); it is part of the table's structure and is
// read back by Connection::tableDef(), which is how the schema-version marker
// (the declared default of column DBVer) is checked. Plain value type.
struct FieldDef {
    QString name;
    FieldType type = FieldType::Text;
    int size = 0; // characters for Text, bytes for Bytes; ignored otherwise
    std::optional<QString> defaultValue;
    bool required = false;

    static FieldDef text(const QString& name, int size) { return {name, FieldType::Text, size, {}, false}; }
    static FieldDef integer(const QString& name) { return {name, FieldType::Integer, 0, {}, false}; }
    static FieldDef shortInt(const QString& name) { return {name, FieldType::Short, 0, {}, false}; }
    static FieldDef floating(const QString& name) { return {name, FieldType::Float, 0, {}, false}; }
    static FieldDef boolean(const QString& name) { return {name, FieldType::Boolean, 0, {}, false}; }
    static FieldDef dateTime(const QString& name) { return {name, FieldType::DateTime, 0, {}, false}; }
    static FieldDef memo(const QString& name) { return {name, FieldType::Memo, 0, {}, false}; }
    static FieldDef binary(const QString& name) { return {name, FieldType::Binary, 0, {}, false}; }
    static FieldDef bytes(const QString& name, int size) { return {name, FieldType::Bytes, size, {}, false}; }

    FieldDef withDefault(const QString& value) const
    {
        FieldDef f = *this;
        f.defaultValue = value;
        return f;
    }
    FieldDef asRequired() const
    {
        FieldDef f = *this;
        f.required = true;
        return f;
    }

    bool operator==(const FieldDef&) const = default;
};

// A named secondary index. Names are per table (two tables may both have an
// index "Project"). A case-insensitive index orders and compares text
// ignoring the letter case of A-Z.
struct IndexDef {
    QString name;
    QStringList fields;
    bool unique = false;
    bool caseInsensitive = false;

    bool operator==(const IndexDef&) const = default;
};

// The declaration of one table: its columns in order, the primary key (may
// be empty) and the secondary indexes. One declaration serves creation, the
// template database, restructuring and the tests. Plain value type.
struct TableDef {
    QString name;
    QList<FieldDef> fields;
    QStringList primaryKey;
    QList<IndexDef> indexes;

    // Lookups by name ignore letter case, as field and index names do everywhere.
    int fieldIndex(const QString& fieldName) const;
    const FieldDef* field(const QString& fieldName) const;
    const IndexDef* index(const QString& indexName) const;

    // Throws DatabaseError on an unusable declaration: no name, no fields,
    // duplicate field names, a key or index naming an unknown field, a Text
    // or Bytes field without a width, or a default that does not convert to
    // its field's type.
    void validate() const;

    bool operator==(const TableDef&) const = default;
};

} // namespace kiro::db
