#include "pdb/widgets/DlgSelAcc.h"

#include "app/Translate.h"
#include "controls/ThmCheckListBox.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace kiro {

TDlgSelAcc::TDlgSelAcc(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgSelAcc"));
    setWindowTitle(QStringLiteral("Select accessories"));
    resize(320, 260);
    auto* layout = new QVBoxLayout(this);
    m_list = new ThmHeaderCheckListBox(this);
    m_list->setObjectName(QStringLiteral("DlgSelAccList"));
    m_list->setShowHeader(false);
    m_list->setSections({{QString(), 250, Qt::AlignLeft}});
    layout->addWidget(m_list, 1);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("DlgSelAccBtnOK"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("DlgSelAccBtnCancel"));
    QPushButton* help = buttons->addButton(QStringLiteral("Help"), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("DlgSelAccBtnHelp"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] { OpenHelp(); });
}

void TDlgSelAcc::setTexts(const QStringList& texts)
{
    m_list->clear();
    for (const QString& t : texts)
        m_list->addItemText(t);
}

QList<int> TDlgSelAcc::tickedIndexes() const
{
    QList<int> out;
    for (int i = 0; i < m_list->count(); ++i)
        if (m_list->Checked(i))
            out << i;
    return out;
}

} // namespace kiro
