#pragma once

#include <exception>

namespace kiro::db {

// Thrown by an event handler to refuse the operation that raised the event
// (a BeforeScroll handler keeping the cursor on its row, a BeforePost or
// BeforeDelete handler refusing the change). The dataset catches it, leaves
// everything as it was and reports the refusal through the operation's
// result; it never reaches the caller. It is not an error and carries no
// message.
class Abort : public std::exception {
public:
    const char* what() const noexcept override { return "operation refused by an event handler"; }
};

} // namespace kiro::db
