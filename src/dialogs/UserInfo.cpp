#include "dialogs/UserInfo.h"

#include "app/DialogService.h"
#include "app/Translate.h"
#include "app/core/Messages.h"
#include "data/FormData.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kiro {

namespace {

QLineEdit* addField(QFormLayout* form, QWidget* parent, const char* label, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    auto* caption = new QLabel(QString::fromLatin1(label), parent);
    caption->setObjectName(QString::fromLatin1(name) + QStringLiteral("Label"));
    caption->setBuddy(edit);
    form->addRow(caption, edit);
    return edit;
}

} // namespace

TDlgUserInfo::TDlgUserInfo(db::Dataset& users, db::Dataset& sales, QWidget* parent)
    : QDialog(parent)
    , m_users(users)
{
    setObjectName(QStringLiteral("DlgUserInfo"));
    setWindowTitle(QStringLiteral("User information"));
    auto* layout = new QVBoxLayout(this);

    m_notFound = new QLabel(QStringLiteral("Could not find your login name in the system."), this);
    m_notFound->setObjectName(QStringLiteral("DlgUserInfoLblNotFound"));
    auto* enter = new QLabel(QStringLiteral("Please enter your name and company."), this);
    enter->setObjectName(QStringLiteral("DlgUserInfoLblEnter"));
    layout->addWidget(m_notFound);
    layout->addWidget(enter);

    auto* form = new QFormLayout;
    m_login = addField(form, this, "&Login name", "DlgUserInfoEditID");
    m_login->setMaxLength(50);
    m_name = addField(form, this, "&Full name", "DlgUserInfoEditName");
    m_name->setMaxLength(40);
    m_company = new QComboBox(this);
    m_company->setObjectName(QStringLiteral("DlgUserInfoCompany"));
    auto* companyLabel = new QLabel(QStringLiteral("&Sales company"), this);
    companyLabel->setObjectName(QStringLiteral("DlgUserInfoCompanyLabel"));
    companyLabel->setBuddy(m_company);
    form->addRow(companyLabel, m_company);
    layout->addLayout(form);

    // The list of sales companies shows ID and name and stores the ID.
    m_company->addItem(QString(), QString());
    if (sales.isActive()) {
        for (int r = 0; r < sales.recordCount(); ++r) {
            const QString id = sales.rowValue(r, sales.fieldByName(QStringLiteral("ID")).index()).toString();
            const QString name = sales.rowValue(r, sales.fieldByName(QStringLiteral("Name")).index()).toString();
            m_company->addItem(QStringLiteral("%1 - %2").arg(id, name), id);
        }
    }

    auto* optional = new QGroupBox(QStringLiteral("&Optional"), this);
    optional->setObjectName(QStringLiteral("DlgUserInfoGroupOptional"));
    auto* optForm = new QFormLayout(optional);
    m_tel = addField(optForm, optional, "&Telephone", "DlgUserInfoEditTel1");
    m_fax = addField(optForm, optional, "Fa&x", "DlgUserInfoEditFax1");
    m_email = addField(optForm, optional, "&E-mail", "DlgUserInfoEditEMail1");
    m_mobile = addField(optForm, optional, "&Mobile", "DlgUserInfoEditMobile1");
    layout->addWidget(optional);

    m_save = new QCheckBox(QStringLiteral("Save in user &database"), this);
    m_save->setObjectName(QStringLiteral("DlgUserInfoSave"));
    m_save->setChecked(true);
    layout->addWidget(m_save);

    auto* box = new QDialogButtonBox(this);
    m_ok = box->addButton(QDialogButtonBox::Ok);
    m_ok->setObjectName(QStringLiteral("BtnOK"));
    box->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BtnCancel"));
    connect(box, &QDialogButtonBox::accepted, this, &TDlgUserInfo::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);

    connect(m_login, &QLineEdit::textChanged, this, &TDlgUserInfo::updateOk);
    connect(m_name, &QLineEdit::textChanged, this, &TDlgUserInfo::updateOk);
    connect(m_company, &QComboBox::currentIndexChanged, this, &TDlgUserInfo::updateOk);
    updateOk();
}

void TDlgUserInfo::setNotRegistered(bool notRegistered)
{
    m_notFound->setVisible(notRegistered);
}

void TDlgUserInfo::loadRecord()
{
    auto text = [this](const char* field) { return m_users.fieldByName(QString::fromLatin1(field)).asString(); };
    m_login->setText(text("ID"));
    m_name->setText(text("Name"));
    const int index = m_company->findData(text("CompanyID"));
    m_company->setCurrentIndex(index >= 0 ? index : 0);
    m_tel->setText(text("Tel1"));
    m_fax->setText(text("Fax1"));
    m_email->setText(text("EMail1"));
    m_mobile->setText(text("Mobile1"));
    updateOk();
    // The user starts where something is missing.
    if (m_login->text().trimmed().isEmpty())
        m_login->setFocus(Qt::OtherFocusReason);
    else if (m_name->text().trimmed().isEmpty())
        m_name->setFocus(Qt::OtherFocusReason);
    else
        m_company->setFocus(Qt::OtherFocusReason);
}

void TDlgUserInfo::updateOk()
{
    m_ok->setEnabled(!m_login->text().trimmed().isEmpty() && !m_name->text().trimmed().isEmpty()
                     && !m_company->currentData().toString().isEmpty());
}

void TDlgUserInfo::accept()
{
    if (!m_ok->isEnabled())
        return;
    try {
        auto set = [this](const char* field, const QString& value) {
            m_users.fieldByName(QString::fromLatin1(field)).setValue(value);
        };
        set("ID", m_login->text().trimmed());
        set("Name", m_name->text().trimmed());
        set("CompanyID", m_company->currentData().toString());
        set("Tel1", m_tel->text());
        set("Fax1", m_fax->text());
        set("EMail1", m_email->text());
        set("Mobile1", m_mobile->text());
    } catch (const db::DatabaseError& e) {
        MsgOK(QStringLiteral("%s"), {e.message()});
        return;
    }
    QDialog::accept();
}

bool ExecuteUserInfo(TFormData& data, QString& id, QString& name, QString& company, bool notRegistered)
{
    db::Dataset& users = data.table(QStringLiteral("TableUsers"));
    db::Dataset& sales = data.table(QStringLiteral("TableSales"));
    if (!users.isActive())
        return false;
    TDlgUserInfo dialog(users, sales, QApplication::activeWindow());
    TranslateForm(dialog);
    dialog.setNotRegistered(notRegistered);
    try {
        if (users.locate(QStringLiteral("ID"), id)) {
            users.edit();
        } else {
            users.append();
            users.fieldByName(QStringLiteral("ID")).setValue(id);
            users.fieldByName(QStringLiteral("Name")).setValue(name);
            users.fieldByName(QStringLiteral("CompanyID")).setValue(company);
        }
    } catch (const db::DatabaseError& e) {
        MsgOK(QStringLiteral("%s"), {e.message()});
        return false;
    }
    dialog.loadRecord();

    const auto editing = [&users] {
        return users.state() == db::DatasetState::Edit || users.state() == db::DatasetState::Insert;
    };
    if (ExecDialog(dialog) != QDialog::Accepted) {
        if (editing())
            users.cancel();
        return false;
    }
    id = users.fieldByName(QStringLiteral("ID")).asString();
    name = users.fieldByName(QStringLiteral("Name")).asString();
    company = users.fieldByName(QStringLiteral("CompanyID")).asString();
    if (editing()) {
        try {
            if (dialog.saveBox()->isChecked())
                users.post();
            else
                users.cancel();
        } catch (const db::DatabaseError& e) {
            // The values are used for this run even when they cannot be stored.
            users.cancel();
            MsgOK(QStringLiteral("%s"), {e.message()});
        }
    }
    return true;
}

} // namespace kiro
