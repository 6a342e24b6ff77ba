#pragma once

#include <QString>
#include <QVariantList>

#include <stdexcept>

namespace kiro {

// Arguments that do not fit the placeholders of a message text. The caller
// made the mistake; no dialog is shown.
class FormatError : public std::runtime_error {
public:
    explicit FormatError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

// Fills a message text the way a printf-style format routine does:
// %[index:][-][width][.precision]type with the types d u x s f e g n m p
// and %% for a percent sign. An argument that is missing or of the wrong
// kind throws FormatError; arguments beyond the last placeholder are
// ignored, as translations may leave some out.
QString formatMessage(const QString& format, const QVariantList& args);

} // namespace kiro
