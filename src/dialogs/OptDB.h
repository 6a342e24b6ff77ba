#pragma once

#include <QDialog>
#include <QHash>

class QCheckBox;
class QLineEdit;
class QToolButton;

namespace kiro {

struct DatabaseSettings;

// "Options - Databases": one path per database directory, the lock
// directory that may follow the project directory, and the session's
// private directory for information. OK only when every directory exists.
class TDlgOptDB : public QDialog {
    Q_OBJECT
public:
    explicit TDlgOptDB(QWidget* parent = nullptr);

    // Fills the fields from the settings, and the private directory.
    void load(const DatabaseSettings& settings, const QString& privateDir);
    // Writes the fields into the settings (directories end with '/').
    void store(DatabaseSettings& settings) const;

    QLineEdit* field(const QString& key) const { return m_fields.value(key); }
    QCheckBox* sameAsProjects() const { return m_same; }

public slots:
    void accept() override;

private:
    void addPath(const QString& key, const QString& caption, bool browse = true);
    void followProjects();

    QHash<QString, QLineEdit*> m_fields;
    QHash<QString, QToolButton*> m_browse;
    QCheckBox* m_same = nullptr;
};

} // namespace kiro
