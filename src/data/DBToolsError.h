#pragma once

#include "db/DatabaseError.h"

namespace kiro {

// Raised by the database tools of the data module (a table that may not be
// opened); caught by the operation that opened the database.
class EDBToolsError : public db::DatabaseError {
public:
    using db::DatabaseError::DatabaseError;
};

} // namespace kiro
