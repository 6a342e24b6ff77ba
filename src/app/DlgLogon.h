#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kiro {

// The logon gate: who is working. The name starts as the desktop login name
// in upper case; OK with a name sets the access mode and the current user.
class TDlgLogon : public QDialog {
    Q_OBJECT
public:
    explicit TDlgLogon(QWidget* parent = nullptr);

    QLineEdit* usernameEdit() const { return m_username; }
    QLineEdit* passwordEdit() const { return m_password; }
    // What was typed for champion access; checked once the system
    // database is open.
    QString password() const;

    // The login name of this desktop session, upper-cased; empty when the
    // system cannot tell it.
    static QString networkUserName();

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* m_username = nullptr;
    QLabel* m_passwordLabel = nullptr;
    QLineEdit* m_password = nullptr;
    QLabel* m_passwordHint = nullptr;
    bool m_shown = false;
};

} // namespace kiro
