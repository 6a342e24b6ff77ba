#include "app/DlgLogon.h"

#include "app/core/AppContext.h"
#include "app/core/Messages.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QValidator>
#include <QVBoxLayout>

#include <pwd.h>
#include <unistd.h>

namespace kiro {

namespace {

// Turns every typed or pasted letter into upper case.
class UpperCaseValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

} // namespace

TDlgLogon::TDlgLogon(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgLogon"));
    setWindowTitle(QStringLiteral("Logon to KIRO"));
    setWindowModality(Qt::ApplicationModal);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* body = new QWidget(this);
    auto* bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(12, 12, 12, 6);

    auto* group = new QGroupBox(QStringLiteral("Enter logon information"), body);
    group->setObjectName(QStringLiteral("DlgLogonGroup"));
    auto* form = new QFormLayout(group);

    auto* userLabel = new QLabel(QStringLiteral("Username"), group);
    userLabel->setObjectName(QStringLiteral("DlgLogonLblUsername"));
    m_username = new QLineEdit(group);
    m_username->setObjectName(QStringLiteral("DlgLogonEditUsername"));
    m_username->setValidator(new UpperCaseValidator(m_username));
    m_username->setMinimumWidth(200);
    userLabel->setBuddy(m_username);
    form->addRow(userLabel, m_username);

    m_passwordLabel = new QLabel(QStringLiteral("Enter password for champion access"), group);
    m_passwordLabel->setObjectName(QStringLiteral("DlgLogonLblPassword"));
    m_password = new QLineEdit(group);
    m_password->setObjectName(QStringLiteral("DlgLogonEditPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_passwordHint = new QLabel(QStringLiteral("Leave password empty for standard access"), group);
    m_passwordHint->setObjectName(QStringLiteral("DlgLogonLblPasswordHint"));
    form->addRow(m_passwordLabel);
    form->addRow(m_password);
    form->addRow(m_passwordHint);
    // Champion access is granted by a password whose hash the system
    // database keeps; an empty password is standard access.
    m_passwordLabel->setBuddy(m_password);

    bodyLayout->addWidget(group);

    auto* buttons = new QDialogButtonBox(body);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("BtnOK"));
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("BtnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TDlgLogon::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TDlgLogon::reject);
    bodyLayout->addWidget(buttons);

    layout->addWidget(body);

    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("DlgLogonStatusBar"));
    status->setSizeGripEnabled(false);
    auto* statusText = new QLabel(QStringLiteral("%1 %2").arg(programName(), programVersion()), status);
    statusText->setObjectName(QStringLiteral("DlgLogonLblVersion"));
    status->addWidget(statusText, 1);
    layout->addWidget(status);
}

QString TDlgLogon::networkUserName()
{
    QString name;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        name = QString::fromLocal8Bit(pw->pw_name);
    if (name.isEmpty())
        name = qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME"));
    return name.toUpper();
}

QString TDlgLogon::password() const
{
    return m_password->text();
}

void TDlgLogon::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    m_username->setText(networkUserName());
    m_username->selectAll();
    m_username->setFocus(Qt::OtherFocusReason);
}

void TDlgLogon::accept()
{
    const QString name = m_username->text().trimmed().toUpper();
    if (name.isEmpty()) {
        app().setAppMode(AppContext::NotLoggedOn);
        MsgOK(QStringLiteral("Enter your username!"));
        m_username->setFocus(Qt::OtherFocusReason);
        return;
    }
    app().setAppMode(AppContext::Standard);
    app().setCurrentUserID(name);
    QDialog::accept();
}

} // namespace kiro
