#pragma once

#include <QString>

#include <stdexcept>

namespace kiro::db {

// The storage engine's one error channel. The operation that started the
// work catches it and shows its own message followed by message().
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

} // namespace kiro::db
