#include "pdb/widgets/PDBController.h"

#include "app/DialogService.h"
#include "app/FormMain.h"
#include "app/InputText.h"
#include "app/Translate.h"
#include "app/core/Messages.h"
#include "data/FormData.h"
#include "db/Dataset.h"
#include "pdb/DataPDB.h"
#include "pdb/PDB.h"
#include "pdb/widgets/DlgOptPDB.h"
#include "pdb/widgets/DlgPDBSelInfo.h"
#include "pdb/widgets/DlgSelAcc.h"
#include "pdb/widgets/FormPartList.h"
#include "pdb/widgets/FrmQuickProd.h"
#include "pdb/widgets/TabPDB.h"
#include "tree/NodeInfo.h"
#include "tree/ProjectTree.h"
#include "tree/ThmTreeView.h"
#include "tree/TreeFunctions.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

#include <exception>

namespace kiro {

TPDBController::TPDBController(TFormMain& main, TFormData& data, TFormDataPDB& dataPDB)
    : QObject(&main)
    , m_main(main)
    , m_data(data)
    , m_dataPDB(dataPDB)
    , m_cfg(std::make_unique<pdb::PDBConfigurator>())
{
    setObjectName(QStringLiteral("PDBController"));
    m_cfg->setInputText([](const QString& prompt, const QString& value) -> std::optional<QString> {
        QString text = value;
        if (InputText(prompt, text))
            return text;
        return std::nullopt;
    });
    m_store = std::make_unique<pdb::PDBStore>(data, dataPDB, *m_cfg, *this);

    QWidget* sheet = main.tabSheet(QStringLiteral("TabPDB"));
    m_tab = new TTabPDB(*m_cfg, sheet);
    if (sheet) {
        auto* layout = qobject_cast<QVBoxLayout*>(sheet->layout());
        if (!layout)
            layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_tab);
    }
    connect(m_tab, &TTabPDB::updateClicked, this, &TPDBController::TabPDBBtnUpdateClick);
    connect(m_tab, &TTabPDB::undoClicked, this, &TPDBController::TabPDBBtnUndoClick);
    connect(m_tab, &TTabPDB::accessoriesClicked, this, &TPDBController::TabPDBBtnAccessoriesClick);
    connect(m_tab, &TTabPDB::viewPartListToggled, this, &TPDBController::ViewPartList);
    connect(m_tab, &TTabPDB::infoImageDoubleClicked, this, &TPDBController::TabPDBImgDblClick);
    connect(m_tab, &TTabPDB::refreshed, this, [this](int) { followState(); });

    if (QAction* options = main.action(QStringLiteral("MenuOptionsPDB"))) {
        options->setEnabled(true);
        connect(options, &QAction::triggered, this, &TPDBController::OptionsPDB);
    }
}

TPDBController::~TPDBController() = default;

TFormPartList* TPDBController::partListWindow()
{
    if (!m_partList) {
        m_partList = m_main.findChild<TFormPartList*>(QString(), Qt::FindDirectChildrenOnly);
        if (!m_partList) {
            m_partList = new TFormPartList(&m_main);
            TranslateForm(*m_partList);
        }
        m_partList->setConfigurator(m_cfg.get());
        connect(m_partList, &TFormPartList::formClosed, this, [this] {
            m_cfg->setPartListVisible(false);
            m_tab->setViewPartListChecked(false);
        });
    }
    return m_partList;
}

TdlgPDBSelInfo* TPDBController::selectionInfoWindow()
{
    if (!m_selInfo) {
        m_selInfo = m_main.findChild<TdlgPDBSelInfo*>(QString(), Qt::FindDirectChildrenOnly);
        if (!m_selInfo) {
            m_selInfo = new TdlgPDBSelInfo(&m_main);
            TranslateForm(*m_selInfo);
        }
        m_selInfo->setTab(m_tab);
    }
    return m_selInfo;
}

QTreeWidgetItem* TPDBController::selectedNode() const
{
    return m_main.treeProject() ? m_main.treeProject()->currentItem() : nullptr;
}

bool TPDBController::tabActive() const
{
    return m_main.activeTabName() == QLatin1String("TabPDB");
}

void TPDBController::followState()
{
    if (m_partList && m_partList->isVisible())
        m_partList->refreshFromModel();
    if (m_selInfo && m_selInfo->isVisible())
        m_selInfo->UpdateInfoList();
}

// --- the window's handlers -------------------------------------------------------

bool TPDBController::TabPDBCheckUpdate()
{
    const bool allowed = m_store->TabPDBCheckUpdate();
    repaint();
    return allowed;
}

void TPDBController::InitPDBTab(bool accessory)
{
    m_store->InitPDB(accessory, false);
}

void TPDBController::ResetPDBTab()
{
    m_store->ClearConfigurator();
    m_tab->disableButtons();
    m_tab->showVersions(QString(), QString(), QString(), false);
    repaint();
}

void TPDBController::OptionsPDB()
{
    TDlgOptPDB dialog(&m_main);
    TranslateForm(dialog);
    if (ExecDialog(dialog) == QDialog::Accepted && tabActive())
        m_tab->PDARavova(pdb::ActGoLive);
}

void TPDBController::ProjectNewProductPDB()
{
    m_store->ProjectNewProductPDB(tabActive());
}

void TPDBController::ProjectNewAccPDB()
{
    m_store->ProjectNewAccPDB();
}

void TPDBController::ProjectNewProductExtComplex()
{
    m_store->ProjectNewProductExtComplex();
}

void TPDBController::QuickProd1Click()
{
    QList<pdb::QuickProductLine> lines;
    bool documents = false;
    bool techData = false;
    {
        TfrmQuickProd dialog(m_data, m_dataPDB, &m_main);
        TranslateForm(dialog);
        if (ExecDialog(dialog) != QDialog::Accepted)
            return;
        for (const QString& line : dialog.selectedLines())
            if (const auto parsed = pdb::QuickProductLine::parse(line))
                lines << *parsed;
        documents = dialog.includeDocuments();
        techData = dialog.includeTechData();
    }
    m_main.repaint();
    if (lines.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_store->CreateQuickProducts(lines, documents, techData);
    QApplication::restoreOverrideCursor();
}

void TPDBController::TabPDBBtnAccessoriesClick()
{
    m_store->TabPDBBtnAccessoriesClick();
    repaint();
}

void TPDBController::TabPDBBtnUpdateClick()
{
    m_store->TabPDBBtnUpdateClick();
    repaint();
}

void TPDBController::TabPDBBtnUndoClick()
{
    m_store->TabPDBBtnUndoClick();
    repaint();
}

void TPDBController::ViewPartList(bool checked)
{
    TFormPartList* window = partListWindow();
    if (checked) {
        m_cfg->setPartListVisible(true);
        window->ShowAsForm();
        m_tab->PDARavova(pdb::ActPartList);
    } else {
        m_cfg->setPartListVisible(false);
        window->hide();
    }
}

void TPDBController::TabPDBImgDblClick(int n)
{
    try {
        TdlgPDBSelInfo* window = selectionInfoWindow();
        if (m_tab->infoImage(n)->isVisible() && !window->isVisible()) {
            window->show();
            window->raise();
        }
    } catch (const std::exception& e) {
        MsgOK(QString::fromUtf8(e.what()));
    }
}

// --- PDBStoreHost ----------------------------------------------------------------

int TPDBController::selectedNodeKind() const
{
    QTreeWidgetItem* node = selectedNode();
    return NodeInfoOf(node) ? NodeKindOf(node) : 0;
}

void TPDBController::showPDBTab()
{
    m_main.showTab(QStringLiteral("TabPDB"));
}

void TPDBController::showVersions(const QString& storedVersion, const QString& currentVersion,
                                  const QString& directory, bool oldVersion)
{
    m_tab->showVersions(storedVersion, currentVersion, directory, oldVersion);
}

void TPDBController::enableButtons()
{
    m_tab->TabPDBEnableButtons();
}

void TPDBController::repaint()
{
    m_tab->refresh();
    followState();
}

bool TPDBController::showPartListDialog(int state)
{
    TFormPartList* window = partListWindow();
    const bool wasVisible = window->isVisible();
    const bool ok = window->ShowAsDialog(state);
    if (wasVisible)
        m_tab->setViewPartListChecked(true);
    return ok;
}

std::optional<QString> TPDBController::inputText(const QString& prompt, const QString& value)
{
    QString text = value;
    if (InputText(prompt, text))
        return text;
    return std::nullopt;
}

void TPDBController::productNodeStored(bool valid, bool torva)
{
    QTreeWidgetItem* node = selectedNode();
    auto* info = NodeInfoAs<TProdInfo>(node);
    TProjectTree* tree = m_main.projectTree();
    if (!info || !tree)
        return;
    info->PDB = valid;
    info->TORVA = torva;
    tree->RefreshProductNode(node, m_data.table(QStringLiteral("TableProducts")));
    tree->DBGetProdDocs(node);
    tree->SetProductImage(RootNodeOf(node), node);
}

void TPDBController::accessoryNodeStored(bool valid)
{
    QTreeWidgetItem* node = selectedNode();
    auto* info = NodeInfoAs<TAccInfo>(node);
    TProjectTree* tree = m_main.projectTree();
    if (!info || !tree)
        return;
    info->PDB = valid;
    tree->RefreshAccessoryNode(node, m_data.table(QStringLiteral("TableAccessories")));
    tree->SetAccessoryImage(RootNodeOf(node), node);
}

bool TPDBController::hasProductsGroup() const
{
    return ProductGroupOf(selectedNode()) != nullptr;
}

bool TPDBController::hasAccessoriesGroup() const
{
    return AccessoryGroupOf(selectedNode()) != nullptr;
}

void TPDBController::productCreated(const QString& productID)
{
    Q_UNUSED(productID);
    TProjectTree* tree = m_main.projectTree();
    QTreeWidgetItem* group = ProductGroupOf(selectedNode());
    if (!tree || !group)
        return;
    QTreeWidgetItem* node = tree->DBGetProduct(group, m_data.table(QStringLiteral("TableProducts")));
    if (!node)
        return;
    group->setExpanded(true);
    m_main.treeProject()->scrollToItem(node);
    m_main.treeProject()->setCurrentItem(node);
    m_main.activateTab(QStringLiteral("TabPDB"));
}

void TPDBController::accessoryCreated(const QString& accessoryID)
{
    Q_UNUSED(accessoryID);
    TProjectTree* tree = m_main.projectTree();
    QTreeWidgetItem* group = AccessoryGroupOf(selectedNode());
    if (!tree || !group)
        return;
    QTreeWidgetItem* node = tree->DBGetAccessory(group, m_data.table(QStringLiteral("TableAccessories")));
    if (!node)
        return;
    group->setExpanded(true);
    m_main.treeProject()->scrollToItem(node);
    m_main.treeProject()->setCurrentItem(node);
    m_main.activateTab(QStringLiteral("TabPDB"));
}

std::optional<QList<int>> TPDBController::chooseAccessories(const QStringList& texts)
{
    TDlgSelAcc dialog(&m_main);
    TranslateForm(dialog);
    dialog.setTexts(texts);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.tickedIndexes();
}

void TPDBController::rememberSelection()
{
    QTreeWidgetItem* node = selectedNode();
    auto* info = dynamic_cast<TItemInfo*>(NodeInfoOf(node));
    m_rememberedNodeKind = info ? NodeKindOf(node) : 0;
    m_rememberedID = info ? info->ID : QString();
}

void TPDBController::restoreSelection()
{
    if (m_rememberedNodeKind == 0 || !m_main.treeProject())
        return;
    if (QTreeWidgetItem* node = FindNodeByKindAndID(*m_main.treeProject(), m_rememberedNodeKind, m_rememberedID))
        m_main.treeProject()->setCurrentItem(node);
}

} // namespace kiro
