#pragma once

#include "db/FieldType.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <functional>

namespace kiro::db {

class Dataset;
class Field;

enum class FieldKind {
    Data,       // a column of the table or query
    Lookup,     // a value of another dataset, found by this row's key
    Calculated, // set by the OnCalcFields handler, never stored
};

using FieldChangeHandler = std::function<void(Field)>;

// What a Field handle reads from and writes to: a dataset's record buffer or
// a query's current row.
class FieldOwner {
public:
    virtual ~FieldOwner() = default;

protected:
    friend class Field;
    virtual const QString& fieldName(int index) const = 0;
    virtual FieldType fieldType(int index) const = 0;
    virtual int fieldSize(int index) const = 0;
    virtual FieldKind fieldKind(int index) const = 0;
    virtual const QVariant& storedValue(int index) const = 0;
    virtual void setStoredValue(int index, const QVariant& value) = 0;
    virtual void setFieldChangeHandler(int index, FieldChangeHandler handler) = 0;
    virtual FieldChangeHandler fieldChangeHandler(int index) const = 0;
    virtual Dataset* owningDataset() { return nullptr; }
};

// A handle on one field of a dataset or query: a small value, cheap to copy,
// valid while its owner keeps its field list (until it is closed and opened
// with another structure). It always reads the owner's current record.
//
// Reading null gives "", 0, false, an invalid QDateTime or empty bytes.
// setValue() converts to the field's type (text is cut to the field's width,
// bytes(n) padded or cut to n) and throws DatabaseError when the value does
// not convert, when the dataset is not in edit or insert state, or when the
// owner is read-only. Main thread only.
class Field {
public:
    Field() = default;
    Field(FieldOwner* owner, int index)
        : m_owner(owner)
        , m_index(index)
    {}

    bool isValid() const { return m_owner != nullptr; }
    int index() const { return m_index; }
    const QString& name() const;
    FieldType type() const;
    int size() const;
    FieldKind kind() const;
    Dataset* dataset() const;

    bool isNull() const;
    // The typed value (FilterRow conventions: QString, int, double, bool, QDateTime, QByteArray; null invalid).
    QVariant value() const;
    QString asString() const;
    int asInteger() const;
    double asFloat() const;
    bool asBoolean() const;
    QDateTime asDateTime() const;
    QByteArray asBytes() const;

    void setValue(const QVariant& value);
    void clear() { setValue(QVariant()); }

    // Runs after a new value was set (also when it equals the old one).
    // Replaceable at any time; an empty handler detaches.
    void setOnChange(FieldChangeHandler handler);
    FieldChangeHandler onChange() const;

private:
    void check() const;

    FieldOwner* m_owner = nullptr;
    int m_index = -1;
};

} // namespace kiro::db
