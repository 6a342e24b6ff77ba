#include "tree/pages/DlgAltProdAcc.h"

#include "app/Translate.h"
#include "controls/ThmDBGrid.h"
#include "tree/pages/GridBehaviour.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace

TDlgAltProdAcc::TDlgAltProdAcc(db::DataSource& candidates, QWidget* parent)
    : QDialog(parent)
    , m_grid(new ThmDBGrid(this))
{
    setObjectName(s("DlgAltProdAcc"));
    setWindowTitle(s("Select alternative product"));
    auto* layout = new QVBoxLayout(this);

    m_grid->setObjectName(s("DlgAltProdAccGrid"));
    m_grid->setOptions((ThmDBGrid::defaultOptions() | ThmDBGrid::Option::RowSelect) &
                       ~(ThmDBGrid::Option::Editing | ThmDBGrid::Option::Tabs));
    m_grid->setReadOnly(true);
    m_grid->setColumns({PageColumn(s("Tag"), QString(), true, 80), PageColumn(s("Name"), QString(), true, 160),
                        PageColumn(s("Description"), QString(), true, 220), PageColumn(s("Class"), QString(), true, 50)});
    m_grid->setDataSource(&candidates);
    m_grid->setMinimumSize(540, 260);
    layout->addWidget(m_grid);
    // A double click on a row chooses it.
    connect(m_grid, &ThmDBGrid::doubleClicked, this, &QDialog::accept);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QDialogButtonBox::Ok)->setObjectName(s("BtnOK"));
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(s("BtnCancel"));
    QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
    help->setObjectName(s("BtnHelp"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [] { OpenHelp(); });
    layout->addWidget(buttons);
}

} // namespace kiro
