#pragma once

#include <QString>

namespace kiro::db {

// The field types tables are declared with. Widths matter for Text (cut on
// store) and Bytes (fixed size); the others ignore them.
enum class FieldType {
    Text,     // text(n): a string of at most n characters
    Integer,  // 32-bit integer
    Short,    // short integer (16 bit)
    Float,    // double
    Boolean,
    DateTime, // QDateTime; a date alone is a date-time at midnight
    Memo,     // unbounded text
    Binary,   // unbounded bytes (blob, pictures)
    Bytes,    // bytes(n): exactly n bytes
};

QString fieldTypeName(FieldType type);

} // namespace kiro::db
