#include "db/FieldType.h"

namespace kiro::db {

QString fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::Text: return QStringLiteral("text");
    case FieldType::Integer: return QStringLiteral("integer");
    case FieldType::Short: return QStringLiteral("short integer");
    case FieldType::Float: return QStringLiteral("float");
    case FieldType::Boolean: return QStringLiteral("boolean");
    case FieldType::DateTime: return QStringLiteral("date-time");
    case FieldType::Memo: return QStringLiteral("memo");
    case FieldType::Binary: return QStringLiteral("binary");
    case FieldType::Bytes: return QStringLiteral("bytes");
    }
    return {};
}

} // namespace kiro::db
