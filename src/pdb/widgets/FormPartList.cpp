#include "pdb/widgets/FormPartList.h"

#include "app/DialogService.h"
#include "app/Translate.h"
#include "controls/ThmCheckListBox.h"
#include "pdb/PDB.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

namespace kiro {

TFormPartList::TFormPartList(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FormPartList"));
    setWindowTitle(QStringLiteral("Part list"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setModal(false);
    resize(640, 360);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    m_list = new ThmHeaderCheckListBox(splitter);
    m_list->setObjectName(QStringLiteral("TabPDBPartsListBox"));
    m_list->setSections({{QStringLiteral("No."), 30, Qt::AlignLeft},
                         {QStringLiteral("Name"), 180, Qt::AlignLeft},
                         {QStringLiteral("Class"), 40, Qt::AlignHCenter},
                         {QStringLiteral("Number"), 80, Qt::AlignLeft},
                         {QStringLiteral("Note"), 200, Qt::AlignLeft},
                         {QStringLiteral("X"), 20, Qt::AlignHCenter},
                         {QStringLiteral("A"), 20, Qt::AlignLeft}});
    m_comments = new QPlainTextEdit(splitter);
    m_comments->setObjectName(QStringLiteral("TabPDBMemoSelectionComments"));
    m_comments->setReadOnly(true);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter, 1);

    m_commandPanel = new QWidget(this);
    m_commandPanel->setObjectName(QStringLiteral("FormPartListPanelCommands"));
    auto* commands = new QHBoxLayout(m_commandPanel);
    commands->setContentsMargins(0, 0, 0, 0);
    m_info = new QLabel(m_commandPanel);
    m_info->setObjectName(QStringLiteral("FormPartListInfo"));
    m_info->setWordWrap(true);
    commands->addWidget(m_info, 1);
    m_ok = new QPushButton(QStringLiteral("OK"), m_commandPanel);
    m_ok->setObjectName(QStringLiteral("FormPartListBtnOK"));
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), m_commandPanel);
    cancel->setObjectName(QStringLiteral("FormPartListBtnCancel"));
    auto* help = new QPushButton(QStringLiteral("Help"), m_commandPanel);
    help->setObjectName(QStringLiteral("FormPartListBtnHelp"));
    commands->addWidget(m_ok);
    commands->addWidget(cancel);
    commands->addWidget(help);
    layout->addWidget(m_commandPanel);
    m_commandPanel->setVisible(false);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [] { OpenHelp(); });
    connect(m_list, &ThmHeaderCheckListBox::clickCheck, this, [this](int index) {
        if (!m_cfg)
            return;
        m_cfg->partList().tick(index, m_list->Checked(index));
        refreshFromModel();
        EnableButtons();
    });
}

TFormPartList::~TFormPartList()
{
    // Nothing of the list outlives the window.
    m_list->clear();
    m_comments->clear();
}

void TFormPartList::setConfigurator(pdb::PDBConfigurator* configurator)
{
    m_cfg = configurator;
    refreshFromModel();
}

void TFormPartList::refreshFromModel()
{
    const QSignalBlocker block(m_list);
    const int current = m_list->list()->currentRow();
    m_list->clear();
    if (m_cfg) {
        const auto& items = m_cfg->partList().items();
        for (int i = 0; i < int(items.size()); ++i) {
            const pdb::PartListItem& item = items[std::size_t(i)];
            m_list->addItemText(item.lineText());
            m_list->setGroup(i, item.partType);
            m_list->setRadio(i, item.radio);
            m_list->setChecked(i, item.checked);
            // In form mode nothing can be changed; as a dialog the model says.
            m_list->setDisabled(i, !m_dialogMode || !item.enabled);
        }
        m_comments->setPlainText(m_cfg->selectionComments().join(QLatin1Char('\n')));
    } else {
        m_comments->clear();
    }
    if (current >= 0 && current < m_list->count())
        m_list->list()->setCurrentRow(current);
}

bool TFormPartList::SelectionOK() const
{
    return m_cfg && m_cfg->partList().SelectionOK();
}

void TFormPartList::EnableButtons()
{
    m_ok->setEnabled(SelectionOK());
}

QString TFormPartList::infoText() const
{
    return m_info->text();
}

void TFormPartList::setCommandPanelVisible(bool visible)
{
    m_commandPanel->setVisible(visible);
}

void TFormPartList::ShowAsForm()
{
    m_dialogMode = false;
    if (m_cfg)
        m_cfg->partList().setEnabledFor(false);
    setCommandPanelVisible(false);
    setModal(false);
    refreshFromModel();
    show();
    raise();
}

bool TFormPartList::ShowAsDialog(int kind)
{
    const bool wasVisible = isVisible();
    m_switching = true;
    if (wasVisible)
        hide();
    m_dialogMode = true;
    if (m_cfg)
        m_cfg->partList().setEnabledFor(true);
    setCommandPanelVisible(true);
    QPalette p = m_info->palette();
    if (kind == 1) {
        m_info->setText(QStringLiteral("PDB couldn't find unique items for this product/accessory.\n"
                                       "Please select item manually by clicking the radiobuttons in the list."));
        p.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
    } else {
        m_info->setText(QStringLiteral("PDB couldn't find required items for this product/accessory.\n"
                                       "PLEASE CONTACT YOUR SUPPLIER/PRODUCT CENTRE!"));
        p.setColor(QPalette::WindowText, Qt::red);
    }
    m_info->setPalette(p);
    refreshFromModel();
    EnableButtons();
    setModal(true);
    const bool ok = ExecDialog(*this) == QDialog::Accepted;
    setModal(false);
    m_dialogMode = false;
    m_switching = false;
    if (wasVisible)
        ShowAsForm();
    else
        setCommandPanelVisible(false);
    return ok;
}

void TFormPartList::closeEvent(QCloseEvent* event)
{
    QDialog::closeEvent(event);
}

void TFormPartList::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!m_dialogMode && !m_switching)
        emit formClosed();
}

} // namespace kiro
