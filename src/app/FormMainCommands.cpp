// The Project, Edit and Printout menus, the tree's context menu and the
// toolbar: what each offers, when it is enabled, and the edit commands.

#include "app/FormMain.h"

#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "data/FormData.h"
#include "db/Dataset.h"
#include "app/DialogService.h"
#include "app/Translate.h"
#include "pdb/widgets/DlgPartInfo.h"
#include "platform/Clipboard.h"
#include "tree/NodeInfo.h"
#include "tree/ProjectTree.h"
#include "tree/ThmTreeView.h"
#include "tree/TreeFunctions.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <QUrl>

namespace kiro {

namespace {

// The item-creating and item-changing commands carry this tag, in the
// Project menu and in the tree's context menu.
constexpr int ItemCommandTag = 1;

void setTag(QAction* action, int tag)
{
    action->setProperty("tag", tag);
}

int tagOf(const QAction* action)
{
    const QVariant v = action->property("tag");
    return v.isValid() ? v.toInt() : 0;
}

// Pictures of the toolbar, drawn for this program at 17 by 17 pixels so that
// they stay crisp beside the tree's images.
QIcon toolImage(int index)
{
    QPixmap pm(17, 17);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(40, 40, 40);
    auto folder = [&](QColor fill) {
        p.setPen(ink);
        p.setBrush(fill);
        QPainterPath path;
        path.moveTo(1.5, 4.5);
        path.lineTo(6.5, 4.5);
        path.lineTo(8, 6);
        path.lineTo(15.5, 6);
        path.lineTo(15.5, 14.5);
        path.lineTo(1.5, 14.5);
        path.closeSubpath();
        p.drawPath(path);
    };
    auto page = [&] {
        p.setPen(ink);
        p.setBrush(Qt::white);
        QPainterPath path;
        path.moveTo(3.5, 1.5);
        path.lineTo(10.5, 1.5);
        path.lineTo(13.5, 4.5);
        path.lineTo(13.5, 15.5);
        path.lineTo(3.5, 15.5);
        path.closeSubpath();
        p.drawPath(path);
        p.setPen(QColor(140, 140, 140));
        for (int y = 6; y <= 12; y += 2)
            p.drawLine(QPointF(5.5, y + 0.5), QPointF(11.5, y + 0.5));
    };
    auto plus = [&](QColor c) {
        p.setPen(QPen(c, 2.2));
        p.drawLine(QPointF(12.5, 1), QPointF(12.5, 8));
        p.drawLine(QPointF(9, 4.5), QPointF(16, 4.5));
    };
    auto curve = [&] {
        p.setPen(QPen(QColor(0, 90, 200), 1.6));
        p.setBrush(Qt::NoBrush);
        QPainterPath path;
        path.moveTo(2, 4);
        path.cubicTo(7, 4, 11, 8, 14, 15);
        p.drawPath(path);
        p.setPen(ink);
        p.drawLine(QPointF(1.5, 1), QPointF(1.5, 15.5));
        p.drawLine(QPointF(1.5, 15.5), QPointF(16, 15.5));
    };
    auto gear = [&](QPointF c, double r, QColor fill) {
        p.setPen(ink);
        p.setBrush(fill);
        QPainterPath path;
        for (int i = 0; i < 16; ++i) {
            const double a = i * M_PI / 8;
            const double rr = (i % 2) ? r : r * 0.72;
            const QPointF pt(c.x() + rr * std::cos(a), c.y() + rr * std::sin(a));
            i ? path.lineTo(pt) : path.moveTo(pt);
        }
        path.closeSubpath();
        p.drawPath(path);
        p.setBrush(Qt::white);
        p.drawEllipse(c, r * 0.3, r * 0.3);
    };
    switch (index) {
    case 0: // new project
        folder(QColor(250, 210, 90));
        plus(QColor(0, 140, 0));
        break;
    case 1: // new product from TORVA
        curve();
        plus(QColor(0, 140, 0));
        break;
    case 2: // edit product in TORVA
        curve();
        p.setPen(QPen(QColor(180, 90, 0), 2.4));
        p.drawLine(QPointF(9, 9), QPointF(15, 3));
        break;
    case 3: // new product from the configurator
        gear(QPointF(7.5, 9.5), 6.5, QColor(120, 160, 220));
        plus(QColor(0, 140, 0));
        break;
    case 4: // new accessory from the configurator
        gear(QPointF(7, 10), 4.5, QColor(160, 200, 140));
        plus(QColor(0, 140, 0));
        break;
    case 5: // external product
        p.setPen(ink);
        p.setBrush(QColor(210, 180, 140));
        p.drawRect(QRectF(1.5, 6.5, 10, 9));
        p.setPen(QPen(QColor(0, 110, 200), 2));
        p.drawLine(QPointF(8, 9), QPointF(15, 2));
        p.drawLine(QPointF(10.5, 2), QPointF(15, 2));
        p.drawLine(QPointF(15, 2), QPointF(15, 6.5));
        break;
    case 6: // spare product
        p.setPen(QPen(QColor(90, 90, 100), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 13), QPointF(11, 6));
        p.setPen(ink);
        p.setBrush(QColor(150, 150, 160));
        p.drawEllipse(QPointF(12, 5), 3.5, 3.5);
        p.setBrush(Qt::transparent);
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.drawRect(QRectF(12, 1, 4, 3));
        break;
    case 7: // add document
        page();
        plus(QColor(0, 140, 0));
        break;
    case 8: // delete item
        p.setPen(QPen(QColor(200, 30, 30), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(13.5, 13.5));
        p.drawLine(QPointF(13.5, 3.5), QPointF(3.5, 13.5));
        break;
    default:
        break;
    }
    p.end();
    return QIcon(pm);
}

// What a focused control other than the tree offers to the edit commands.
struct EditTarget {
    QWidget* widget = nullptr;
    QLineEdit* line = nullptr;
    QTextEdit* text = nullptr;
    QPlainTextEdit* plain = nullptr;
};

EditTarget editTargetOf(QWidget* w)
{
    EditTarget t;
    t.widget = w;
    if (!w)
        return t;
    if (auto* combo = qobject_cast<QComboBox*>(w))
        t.line = combo->lineEdit();
    else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w))
        t.line = spin->findChild<QLineEdit*>();
    else
        t.line = qobject_cast<QLineEdit*>(w);
    if (!t.line) {
        t.text = qobject_cast<QTextEdit*>(w);
        t.plain = qobject_cast<QPlainTextEdit*>(w);
    }
    return t;
}

bool hasText(const EditTarget& t)
{
    if (t.line)
        return !t.line->text().isEmpty();
    if (t.text)
        return !t.text->document()->isEmpty();
    if (t.plain)
        return !t.plain->document()->isEmpty();
    return false;
}

bool hasSelection(const EditTarget& t)
{
    if (t.line)
        return t.line->hasSelectedText();
    if (t.text)
        return t.text->textCursor().hasSelection();
    if (t.plain)
        return t.plain->textCursor().hasSelection();
    return false;
}

bool canUndo(const EditTarget& t)
{
    if (t.line)
        return t.line->isUndoAvailable();
    if (t.text)
        return t.text->document()->isUndoAvailable();
    if (t.plain)
        return t.plain->document()->isUndoAvailable();
    return false;
}

bool isTransferFile(const QString& path)
{
    const QString upper = path.toUpper();
    return upper.endsWith(QLatin1String(".KIRO_PRJ")) || upper.endsWith(QLatin1String(".KIRO_PRD"))
           || upper.endsWith(QLatin1String(".KIRO_ACC"));
}

} // namespace

// --- building ---------------------------------------------------------------

void TFormMain::buildProjectMenu()
{
    QMenu* project = m_menus.value(QStringLiteral("MenuProject"));
    QAction* exit = m_actions.value(QStringLiteral("MenuProjectExit"));
    auto add = [&](const char* name, const char* caption, void (TFormMain::*command)(), QMenu* into = nullptr) {
        QAction* a = new QAction(QString::fromUtf8(caption), into ? static_cast<QObject*>(into) : project);
        a->setObjectName(QString::fromLatin1(name));
        m_actions.insert(a->objectName(), a);
        if (command)
            connect(a, &QAction::triggered, this, command);
        if (into)
            into->addAction(a);
        else
            project->insertAction(exit, a);
        setTag(a, ItemCommandTag);
        return a;
    };
    auto submenu = [&](const char* name, const char* caption) {
        auto* m = new QMenu(QString::fromUtf8(caption), project);
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        m_menus.insert(m->objectName(), m);
        m_actions.insert(m->objectName(), m->menuAction());
        project->insertMenu(exit, m);
        setTag(m->menuAction(), ItemCommandTag);
        return m;
    };
    auto separator = [&](const char* name) {
        QAction* s = project->insertSeparator(exit);
        s->setObjectName(QString::fromLatin1(name));
        m_actions.insert(s->objectName(), s);
    };

    add("MenuProjectNewProject", "&New project", &TFormMain::ProjectNewProject);
    add("MenuProjectNewPDB", "Use &Product configurator ...", &TFormMain::ProjectNewProductPDB);
    QMenu* newProduct = submenu("MenuProjectNewProduct", "New &product");
    add("MenuProjectNewTORVA", "Use &TORVA ...", &TFormMain::ProjectNewProductTORVA, newProduct);
    add("MenuProjectNewExtSimple", "Get &external (simple) ...", &TFormMain::ProjectNewProductExtSimple, newProduct);
    add("MenuProjectNewProdSpare", "Get &spare ...", &TFormMain::ProjectNewProductSpare, newProduct);
    add("MenuProjectNewExtComplex", "Get e&xternal (PDB-style) ...", &TFormMain::ProjectNewProductExtComplex,
        newProduct);
    QMenu* newAccessory = submenu("MenuProjectNewAccessory", "New &accessory");
    add("MenuProjectNewAccPDB", "Use &PDB ...", &TFormMain::ProjectNewAccPDB, newAccessory);
    add("MenuProjectNewAccExternal", "Get &external (simple) ...", &TFormMain::ProjectNewAccExtSimple, newAccessory);
    add("MenuProjectNewAccSpare", "Get &spare ...", &TFormMain::ProjectNewAccSpare, newAccessory);
    add("MenuProjectAddDocument", "Add &document ...", &TFormMain::ProjectAddDocument);
    separator("MenuProject_1");
    add("MenuProjectNewRevision", "&Create a new revision", &TFormMain::ProjectNewRevision);
    add("MenuProjectCustomerOrder", "Create c&ustomer order ...", &TFormMain::ProjectCustomerOrder);
    add("MenuProjectPurchaseOrder", "Create purc&hase orders ...", &TFormMain::ProjectPurchaseOrder);
    separator("MenuProject_2");
    add("MenuProjectRenameItem", "&Rename item", &TFormMain::ProjectRenameItem);
    add("MenuProjectSearch", "&Search ...", &TFormMain::ProjectSearch);
    separator("MenuProject_3");
    add("MenuProjectSendAsEmail", "Send as &e-mail", &TFormMain::ProjectSendAsEmail);
    add("MenuProjectSendPurchaseOrder", "Send purchase &orders", &TFormMain::ProjectSendPurchaseOrder);
    separator("MenuProject_4");
    setTag(exit, -1);
    connect(project, &QMenu::aboutToShow, this, &TFormMain::MenuProjectEnable);
}

void TFormMain::buildEditMenu()
{
    QMenu* edit = m_menus.value(QStringLiteral("MenuEdit"));
    auto add = [&](const char* name, const char* caption, QKeySequence key, void (TFormMain::*command)()) {
        QAction* a = addAction(edit, QString::fromLatin1(name), QString::fromUtf8(caption));
        // Editors claim their standard keys before a window shortcut sees
        // them; the handlers decide between the tree and other controls.
        a->setShortcut(key);
        connect(a, &QAction::triggered, this, command);
        return a;
    };
    add("MenuEditUndo", "&Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), &TFormMain::EditUndo);
    edit->addSeparator();
    add("MenuEditCut", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X), &TFormMain::EditCut);
    add("MenuEditCopy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C), &TFormMain::EditCopy);
    add("MenuEditCopyText", "Copy text", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), &TFormMain::EditCopyText);
    add("MenuEditPaste", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V), &TFormMain::EditPaste);
    add("MenuEditDelete", "&Delete", QKeySequence(Qt::Key_Delete), &TFormMain::EditDelete);
    edit->addSeparator();
    add("MenuEditSelectAll", "Select &all", QKeySequence(Qt::CTRL | Qt::Key_A), &TFormMain::EditSelAll);
    connect(edit, &QMenu::aboutToShow, this, &TFormMain::MenuEditEnable);
}

void TFormMain::buildPrintoutMenu()
{
    QMenu* printout = m_menus.value(QStringLiteral("MenuPrintout"));
    auto add = [&](QMenu* into, const char* name, const char* caption) {
        QAction* a = new QAction(QString::fromUtf8(caption), into);
        a->setObjectName(QString::fromLatin1(name));
        into->addAction(a);
        m_actions.insert(a->objectName(), a);
        return a;
    };
    auto submenu = [&](const char* name, const char* caption) {
        auto* m = printout->addMenu(QString::fromUtf8(caption));
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        m_menus.insert(m->objectName(), m);
        m_actions.insert(m->objectName(), m->menuAction());
        return m;
    };
    add(printout, "MenuPrintoutCompiled", "&Compiled ...");
    printout->addSeparator();
    add(printout, "MenuPrintoutOverQuot", "O&verview quotation");
    QMenu* det = submenu("MenuPrintoutDetQuot", "Detailed &quotation");
    add(det, "MenuPrintoutDetQuotAll", "&All products");
    add(det, "MenuPrintoutDetQuotSel", "&Selected product");
    QMenu* cust = submenu("MenuPrintoutCustOrd", "Customer &order");
    add(cust, "MenuPrintoutCustOrdAll", "&All orders");
    add(cust, "MenuPrintoutCustOrdSel", "&Selected order");
    QMenu* purch = submenu("MenuPrintoutPurchOrd", "&Purchase order");
    add(purch, "MenuPrintoutPurchOrdAll", "&All orders");
    add(purch, "MenuPrintoutPurchOrdSel", "&Selected order");
    QMenu* tech = submenu("MenuPrintoutTechData", "&Technical data");
    add(tech, "MenuPrintoutTechDataAll", "&All products");
    add(tech, "MenuPrintoutTechDataSel", "&Selected product");
    add(printout, "MenuPrintoutDocument", "&Document");
    QMenu* curve = submenu("MenuPrintoutCurve", "C&urve");
    add(curve, "MenuPrintoutCurveAll", "&All products");
    add(curve, "MenuPrintoutCurveSel", "&Selected product");
    printout->addSeparator();
    add(printout, "MenuPrintoutSelection", "Printout &selection ...");
    add(printout, "MenuPrintoutSettings", "P&rinter settings ...");
    printout->addSeparator();
    add(printout, "MenuPrintoutExportToWord", "Export to &Word");
    add(printout, "MenuPrintoutExportToExcel", "Export to E&xcel");
    connect(printout, &QMenu::aboutToShow, this, &TFormMain::MenuPrintoutEnable);
    MenuPrintoutEnable();
}

void TFormMain::buildToolsMenu()
{
    // The commands of those who maintain the data; each is enabled when the
    // function behind it exists.
    QMenu* tools = m_menus.value(QStringLiteral("MenuTools"));
    QAction* log = m_actions.value(QStringLiteral("MenuToolsLog"));
    const char* items[][2] = {
        {"MenuToolsEditCust", "Edit c&ustomers ..."},      {"MenuToolsEditSupp", "Edit &suppliers ..."},
        {"MenuToolsEditSales", "Edit s&ales companies ..."}, {"MenuToolsDesignPrintout", "&Design printout ..."},
        {"MenuToolsExportPrices", "Ex&port prices"},       {"MenuToolsImportCustomers", "Import &customers ..."},
        {"MenuToolsImportExtProds", "Import e&xternal products ..."},
        {"MenuToolsImportSpares", "Imp&ort spares ..."},   {"MenuToolsImportPOP", "&Import POP file ..."},
    };
    for (const auto& item : items) {
        QAction* a = new QAction(QString::fromUtf8(item[1]), tools);
        a->setObjectName(QString::fromLatin1(item[0]));
        a->setEnabled(false);
        tools->insertAction(log, a);
        m_actions.insert(a->objectName(), a);
    }
    tools->insertSeparator(log);
    QAction* dov = addAction(tools, QStringLiteral("MenuToolsDOV"), QStringLiteral("&DOV ..."));
    dov->setEnabled(false);
}

void TFormMain::buildPopupTree()
{
    m_popupTree = new QMenu(this);
    m_popupTree->setObjectName(QStringLiteral("PopupTree"));
    auto add = [&](QMenu* into, const char* name, const char* caption, auto command) {
        QAction* a = into->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        m_actions.insert(a->objectName(), a);
        connect(a, &QAction::triggered, this, command);
        return a;
    };
    setTag(add(m_popupTree, "PopupTreeNewProject", "&New project", &TFormMain::ProjectNewProject), ItemCommandTag);
    QMenu* product = m_popupTree->addMenu(QStringLiteral("New &product"));
    product->setObjectName(QStringLiteral("PopupTreeNewProduct"));
    product->menuAction()->setObjectName(QStringLiteral("PopupTreeNewProduct"));
    setTag(product->menuAction(), ItemCommandTag);
    add(product, "PopupTreeNewProductTORVA", "Use &TORVA ...", &TFormMain::ProjectNewProductTORVA);
    add(product, "PopupTreeNewProductPDB", "Use &PDB ...", &TFormMain::ProjectNewProductPDB);
    add(product, "PopupTreeNewProductEXT", "Get &external (simple) ...", &TFormMain::ProjectNewProductExtSimple);
    QAction* complex = product->addAction(QStringLiteral("Get e&xternal (PDB model) ..."));
    complex->setObjectName(QStringLiteral("PopupTreeNewProductExtComplex"));
    m_actions.insert(complex->objectName(), complex);
    setTag(add(m_popupTree, "PopupTreeNewAccessory", "New &accessory", &TFormMain::ProjectNewAccPDB), ItemCommandTag);
    setTag(add(m_popupTree, "PopupTreeAddDocument", "Add d&ocument ...", &TFormMain::ProjectAddDocument),
           ItemCommandTag);
    m_popupTree->addSeparator();
    add(m_popupTree, "PopupTreeCut", "Cut", &TFormMain::EditCut);
    add(m_popupTree, "PopupTreeCopy", "Copy", &TFormMain::EditCopy);
    add(m_popupTree, "PopupTreeCopyText", "Copy text", &TFormMain::EditCopyText);
    add(m_popupTree, "PopupTreePaste", "Paste", &TFormMain::EditPaste);
    m_popupTree->addSeparator();
    setTag(add(m_popupTree, "PopupTreeRenameItem", "&Rename item", &TFormMain::ProjectRenameItem), ItemCommandTag);
    setTag(add(m_popupTree, "PopupTreeDeleteItem", "&Delete item", &TFormMain::DeleteSelectedItem), ItemCommandTag);
    m_popupTree->addSeparator();
    add(m_popupTree, "PopupTreeDisplayItems", "Display &item numbers ...", &TFormMain::ProjectDisplayItemNumbers);
    add(m_popupTree, "PopupTreeDisplayItemsSend", "&Send", &TFormMain::ProjectSendAsEmail);
    QAction* word = m_popupTree->addAction(QStringLiteral("Send to &Word"));
    word->setObjectName(QStringLiteral("PopupTreeSendToWord"));
    word->setVisible(false);
    m_actions.insert(word->objectName(), word);
    connect(m_popupTree, &QMenu::aboutToShow, this, &TFormMain::PopupTreePopup);
}

void TFormMain::buildToolBar()
{
    struct Tool {
        const char* name;
        const char* hint;
        void (TFormMain::*command)();
    };
    const Tool tools[] = {
        {"ToolProjectNew", "Create a new project", &TFormMain::ProjectNewProject},
        {"ToolProjectTORVANew", "Create a new product using TORVA", &TFormMain::ProjectNewProductTORVA},
        {"ToolProjectTORVAEdit", "Edit product using TORVA", &TFormMain::ProjectEditProductTORVA},
        {"ToolProjectPDBNew", "Create a new product using PDB", &TFormMain::ProjectNewProductPDB},
        {"ToolProjectAccPDBNew", "Create a new accessory using PDB", &TFormMain::ProjectNewAccPDB},
        {"ToolProjectExternalNew", "Get an external product", &TFormMain::ProjectNewProductExtSimple},
        {"ToolProjectSpareNew", "Get a spare product", &TFormMain::ProjectNewProductSpare},
        {"ToolProjectAddDocument", "Add a new document to the project", &TFormMain::ProjectAddDocument},
        {"ToolEditDelete", "Delete item", &TFormMain::EditDelete},
    };
    int index = 0;
    for (const Tool& tool : tools) {
        QAction* a = m_toolBar->addAction(toolImage(index++), QString::fromUtf8(tool.hint));
        a->setObjectName(QString::fromLatin1(tool.name));
        a->setToolTip(QString::fromUtf8(tool.hint));
        m_actions.insert(a->objectName(), a);
        connect(a, &QAction::triggered, this, tool.command);
        if (QWidget* button = m_toolBar->widgetForAction(a))
            button->setObjectName(QString::fromLatin1(tool.name));
    }
}

// --- enabling ---------------------------------------------------------------

bool TFormMain::hasProjects() const
{
    if (!m_data || !m_data->projectsConnected())
        return false;
    db::Dataset& projects = m_data->table(QStringLiteral("TableProjects"));
    return projects.isActive() && !projects.isEmpty();
}

void TFormMain::MenuProjectEnable()
{
    const bool projects = hasProjects();
    QTreeWidgetItem* node = selectedNode();
    const int kind = NodeKindOf(node);
    for (QAction* a : m_menus.value(QStringLiteral("MenuProject"))->actions()) {
        const QString name = a->objectName();
        if (name == QLatin1String("MenuProjectExit"))
            continue;
        a->setEnabled(name == QLatin1String("MenuProjectNewProject") || projects);
        // The preview of office documents is never active in place, so
        // the project commands stay on offer beside it.
        a->setVisible(tagOf(a) != -1);
    }
    m_actions.value(QStringLiteral("MenuProjectNewProduct"))->setVisible(false);
    m_actions.value(QStringLiteral("MenuProjectSendAsEmail"))
        ->setEnabled(projects && (kind == NodeKindProject || kind == NodeKindProduct || kind == NodeKindAccessory));
    m_actions.value(QStringLiteral("MenuProjectSendPurchaseOrder"))
        ->setEnabled(projects && kind == NodeKindProject && m_data
                     && !m_data->table(QStringLiteral("TablePurchOrders")).isEmpty());
}

bool TFormMain::treeIsActiveControl() const
{
    QWidget* focus = QApplication::focusWidget();
    return !focus || focus == m_treeProject || m_treeProject->isAncestorOf(focus);
}

bool TFormMain::clipboardHasTransferFiles()
{
    for (const QString& file : GetClipboardFiles()) {
        if (isTransferFile(file))
            return true;
    }
    return false;
}

void TFormMain::MenuEditEnable()
{
    auto set = [this](const char* name, bool enabled) { m_actions.value(QString::fromLatin1(name))->setEnabled(enabled); };
    QAction* copyText = m_actions.value(QStringLiteral("MenuEditCopyText"));
    if (treeIsActiveControl()) {
        QTreeWidgetItem* node = selectedNode();
        const int kind = NodeKindOf(node);
        bool canCopy = kind == NodeKindProject || kind == NodeKindProduct || kind == NodeKindProjDoc
                       || kind == NodeKindAccessory;
        if (kind == NodeKindProdDoc && m_data) {
            db::Dataset& docs = m_data->table(QStringLiteral("TableProdDocuments"));
            canCopy = docs.isActive() && !docs.isEmpty()
                      && docs.fieldByName(QStringLiteral("External")).asBoolean();
        }
        const bool empty = m_treeProject->topLevelItemCount() == 0;
        set("MenuEditUndo", false);
        set("MenuEditCopy", canCopy && !empty);
        set("MenuEditCut", canCopy && !empty);
        set("MenuEditDelete", canCopy && !empty);
        copyText->setVisible(true);
        copyText->setEnabled(!empty);
        set("MenuEditPaste", clipboardHasTransferFiles());
        set("MenuEditSelectAll", false);
        return;
    }
    const EditTarget target = editTargetOf(QApplication::focusWidget());
    set("MenuEditUndo", canUndo(target));
    const bool copy = hasText(target) && hasSelection(target);
    set("MenuEditCopy", copy);
    set("MenuEditCut", copy);
    copyText->setEnabled(false);
    copyText->setVisible(false);
    set("MenuEditPaste", QApplication::clipboard()->mimeData() && QApplication::clipboard()->mimeData()->hasText());
    set("MenuEditDelete", true);
    set("MenuEditSelectAll", hasText(target));
}

void TFormMain::MenuPrintoutEnable()
{
    // The printouts come with the report engine; until then their items are
    // on offer but cannot be chosen.
    QMenu* printout = m_menus.value(QStringLiteral("MenuPrintout"));
    for (QAction* a : printout->actions()) {
        if (!a->isSeparator())
            a->setEnabled(false);
    }
}

void TFormMain::PopupTreePopup()
{
    m_actions.value(QStringLiteral("PopupTreeDisplayItems"))->setEnabled(NodeKindOf(selectedNode()) == NodeKindProduct);
}

// --- edit commands ----------------------------------------------------------

void TFormMain::sendEditRequest(EditRequest request)
{
    const EditTarget t = editTargetOf(QApplication::focusWidget());
    switch (request) {
    case EditRequest::Undo:
        t.line ? t.line->undo() : t.text ? t.text->undo() : t.plain ? t.plain->undo() : void();
        break;
    case EditRequest::Cut:
        t.line ? t.line->cut() : t.text ? t.text->cut() : t.plain ? t.plain->cut() : void();
        break;
    case EditRequest::Copy:
        t.line ? t.line->copy() : t.text ? t.text->copy() : t.plain ? t.plain->copy() : void();
        break;
    case EditRequest::Paste:
        t.line ? t.line->paste() : t.text ? t.text->paste() : t.plain ? t.plain->paste() : void();
        break;
    case EditRequest::SelectAll:
        t.line ? t.line->selectAll() : t.text ? t.text->selectAll() : t.plain ? t.plain->selectAll() : void();
        break;
    }
}

void TFormMain::EditUndo()
{
    if (!treeIsActiveControl())
        sendEditRequest(EditRequest::Undo);
}

void TFormMain::EditCopyText()
{
    QTreeWidgetItem* node = selectedNode();
    if (!treeIsActiveControl() || !node || node->text(0).isEmpty())
        return;
    QApplication::clipboard()->setText(node->text(0));
}

void TFormMain::EditDelete()
{
    if (treeIsActiveControl()) {
        DeleteSelectedItem();
        return;
    }
    if (QWidget* focus = QApplication::focusWidget()) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(focus, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(focus, &release);
    }
}

void TFormMain::EditSelAll()
{
    if (!treeIsActiveControl())
        sendEditRequest(EditRequest::SelectAll);
}

// --- item commands ----------------------------------------------------------

void TFormMain::commandComesLater(const QString& what)
{
    // Said in the status bar rather than in a box: the user asked for
    // something that this build does not do yet, and nothing was changed.
    m_statusBar->showMessage(QStringLiteral("%1 is not available in this version.").arg(what), 5000);
}

void TFormMain::ProjectNewAccExtSimple() { commandComesLater(QStringLiteral("Getting external accessories")); }
void TFormMain::ProjectNewAccSpare() { commandComesLater(QStringLiteral("Getting spare accessories")); }
void TFormMain::ProjectNewProductTORVA() { commandComesLater(QStringLiteral("The TORVA link")); }
void TFormMain::ProjectEditProductTORVA() { commandComesLater(QStringLiteral("The TORVA link")); }
void TFormMain::ProjectNewProductExtSimple() { commandComesLater(QStringLiteral("Getting external products")); }
void TFormMain::ProjectNewProductSpare() { commandComesLater(QStringLiteral("Getting spare products")); }
void TFormMain::ProjectCustomerOrder() { commandComesLater(QStringLiteral("Creating customer orders")); }
void TFormMain::ProjectPurchaseOrder() { commandComesLater(QStringLiteral("Creating purchase orders")); }
void TFormMain::ProjectSendAsEmail() { commandComesLater(QStringLiteral("Sending by e-mail")); }
void TFormMain::ProjectSendPurchaseOrder() { commandComesLater(QStringLiteral("Sending purchase orders")); }
void TFormMain::ProjectDisplayItemNumbers()
{
    // The product's part list followed by those of all its accessories.
    QTreeWidgetItem* node = selectedNode();
    if (!m_data || NodeKindOf(node) != NodeKindProduct)
        return;
    SyncProductRecord(node);
    TDlgPartInfo dialog(*m_data, this);
    dialog.SelectData(TDlgPartInfo::ProductWithAccessories);
    TranslateForm(dialog);
    ExecDialog(dialog);
}

} // namespace kiro
