#pragma once

#include <QObject>
#include <QString>

namespace kiro {

// The product database module: owns the configurator's tables.
// Main thread only.
class TFormDataPDB : public QObject {
    Q_OBJECT
public:
    explicit TFormDataPDB(QObject* parent = nullptr);

    // Opens the product database in a directory; false (after telling the
    // user) when it cannot be used.
    virtual bool OpenPDB(const QString& directory);
    bool isOpen() const { return m_open; }

private:
    bool m_open = false;
};

} // namespace kiro
