#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

// Readable failure output for Qt strings in GoogleTest assertions.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
