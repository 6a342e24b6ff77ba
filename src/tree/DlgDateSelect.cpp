#include "tree/DlgDateSelect.h"

#include "app/DialogService.h"
#include "app/Translate.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kiro {

namespace {

QDateEdit* makeDatePicker(QWidget* parent, const char* name)
{
    auto* edit = new QDateEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    return edit;
}

} // namespace

TDlgDateSelect::TDlgDateSelect(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgDateSelect"));
    setWindowTitle(QStringLiteral("Validity date"));

    m_noFilter = new QRadioButton(QStringLiteral("&Use no filter"), this);
    m_noFilter->setObjectName(QStringLiteral("RadioNoFilter"));
    m_filter = new QRadioButton(QStringLiteral("&Filter:"), this);
    m_filter->setObjectName(QStringLiteral("RadioFilter"));

    m_group = new QGroupBox(this);
    m_group->setObjectName(QStringLiteral("GroupDate"));
    m_from = makeDatePicker(m_group, "DateFrom");
    m_to = makeDatePicker(m_group, "DateTo");
    auto* lblFrom = new QLabel(QStringLiteral("F&rom"), m_group);
    lblFrom->setObjectName(QStringLiteral("LblDateFrom"));
    lblFrom->setBuddy(m_from);
    auto* lblTo = new QLabel(QStringLiteral("&To"), m_group);
    lblTo->setObjectName(QStringLiteral("LblDateTo"));
    lblTo->setBuddy(m_to);
    auto* form = new QFormLayout(m_group);
    form->addRow(lblFrom, m_from);
    form->addRow(lblTo, m_to);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("BtnOK"));
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BtnCancel"));
    QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
    help->setObjectName(QStringLiteral("BtnHelp"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [] { OpenHelp(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_noFilter);
    layout->addWidget(m_filter);
    layout->addWidget(m_group);
    layout->addWidget(buttons);

    connect(m_filter, &QRadioButton::toggled, this, [this] { updateEnabling(); });
    m_noFilter->setChecked(true);
    updateEnabling();
}

void TDlgDateSelect::updateEnabling()
{
    // Disabling the group disables every picker and label in it.
    m_group->setEnabled(m_filter->isChecked());
}

int TDlgDateSelect::ShowDialog(bool& filter, QDate& from, QDate& to)
{
    const QDate today = QDate::currentDate();
    (filter ? m_filter : m_noFilter)->setChecked(true);
    m_from->setDate(from.isValid() ? from : today);
    m_to->setDate(to.isValid() ? to : today);
    updateEnabling();
    TranslateForm(*this);
    const int result = ExecDialog(*this);
    if (result == QDialog::Accepted) {
        filter = m_filter->isChecked();
        from = m_from->date();
        to = m_to->date();
    }
    return result;
}

} // namespace kiro
