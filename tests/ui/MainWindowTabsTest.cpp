#include "app/FormMain.h"
#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "support/WorkingMainWindow.h"
#include "tree/ProjectTree.h"
#include "tree/ThmTreeView.h"
#include "tree/TreeFunctions.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace kiro::test {
namespace {

// A small project database of our own: one project with two products (one
// configured, one spare), an accessory, a project document and a product
// document; a second project with a customer order.
class MainWindowTabsTest : public WorkingMainWindow {
protected:
    void SetUp() override
    {
        WorkingMainWindow::SetUp();
        if (HasFatalFailure())
            return;
        db::Connection& c = m_data.database(QStringLiteral("DatabaseProjects"));
        auto exec = [&](const QString& sql, const QVariantList& values) {
            db::Query q(c, sql);
            for (int i = 0; i < values.size(); ++i)
                q.bindValue(i, values.at(i));
            q.execSql();
        };
        const QString insertProject = QStringLiteral(
            "INSERT INTO Projects (ID, Name, Revision, Latest, ProjectStatus, QuotCustName) VALUES (?, ?, ?, 1, 1, ?)");
        exec(insertProject, {QStringLiteral("P1"), QStringLiteral("Pump station"), 1, QStringLiteral("Aqua AB")});
        exec(insertProject, {QStringLiteral("P2"), QStringLiteral("Boiler house"), 1, QStringLiteral("Heat Oy")});
        const QString insertProduct = QStringLiteral(
            "INSERT INTO Products (ID, ProjectID, \"Order\", Tag, Name, Description, Qty, PDB, TORVA, External, Spare, "
            "Alternate, AddOption) VALUES (?, 'P1', ?, ?, ?, '', 1, ?, 0, 0, ?, 0, 0)");
        exec(insertProduct, {QStringLiteral("PR1"), 1, QStringLiteral("P1"), QStringLiteral("ES 65-200"), 1, 0});
        exec(insertProduct, {QStringLiteral("PR2"), 2, QStringLiteral("P2"), QStringLiteral("ES 80-250"), 1, 0});
        exec(insertProduct, {QStringLiteral("PR3"), 3, QStringLiteral("S1"), QStringLiteral("Seal kit"), 0, 1});
        exec(QStringLiteral("INSERT INTO Accessories (ID, ProductID, \"Order\", Tag, Name, Qty, PDB, External, "
                            "Spare, Alternate, AddOption) VALUES ('A1', 'PR1', 1, 'A', 'Baseplate', 1, 1, 0, 0, 0, 0)"),
             {});
        m_pdf = m_ws.path("work") + QStringLiteral("/Datasheet.pdf");
        exec(QStringLiteral("INSERT INTO Documents (ID, ProjectID, Name) VALUES ('D1', 'P1', ?)"),
             {m_ws.path("work") + QStringLiteral("/missing.doc")});
        exec(QStringLiteral("INSERT INTO ProdDocuments (ID, ProductID, Name, External) VALUES ('PD1', 'PR1', ?, 1)"),
             {QStringLiteral("datasheet.pdf")});
        exec(QStringLiteral("INSERT INTO CustomerOrders (ID, ProjectID) VALUES ('C1', 'P2')"), {});
        for (const char* t : {"TableProjects", "TableProducts", "TableAccessories", "TableDocuments",
                              "TableProdDocuments", "TableCustOrders"})
            m_data.table(QString::fromLatin1(t)).refresh();
        m_main->projectTree()->DBGetProjects();
    }

    QTreeWidgetItem* node(int kind, const char* id)
    {
        return FindNodeByKindAndID(*m_main->treeProject(), kind, QString::fromLatin1(id));
    }
    void select(QTreeWidgetItem* n)
    {
        ASSERT_NE(n, nullptr);
        m_main->treeProject()->setCurrentItem(n);
        QApplication::processEvents();
    }
    QStringList shownTabs() const
    {
        QStringList shown;
        QTabWidget* pages = m_main->pageDetails();
        for (int i = 0; i < pages->count(); ++i) {
            if (pages->isTabVisible(i))
                shown << pages->widget(i)->objectName();
        }
        return shown;
    }

    QString m_pdf;
};

TEST_F(MainWindowTabsTest, EachNodeKindShowsItsTabsAndViewKind)
{
    struct Case {
        int kind;
        const char* id; // null: the group below the first product / project
        int viewKind;
        QStringList tabs;
    };
    const QList<Case> cases = {
        {NodeKindProject, "P1", 1,
         {"TabQuotation", "TabOverview", "TabProjectInformation"}},
        {NodeKindProject, "P2", 1,
         {"TabQuotation", "TabOverview", "TabCustomerOrder", "TabProjectInformation"}},
        {NodeKindProduct, "PR1", 2, {"TabPDB", "TabTechProd", "TabDetailedPrice", "TabCurve"}},
        {NodeKindProduct, "PR3", 3, {"TabTechProd", "TabDetailedPrice"}},
        {NodeKindAccessory, "A1", 5, {"TabPDB", "TabTechAcc"}},
        {NodeKindProjDoc, "D1", 11, {"TabViewNothing"}},
        {NodeKindProdDoc, "PD1", 12, {"TabViewNothing"}},
        {NodeKindProductGroup, nullptr, 7, {"TabProdList"}},
        {NodeKindDocGroup, nullptr, 9, {"TabProjDocs"}},
        {NodeKindAccGroup, nullptr, 8, {"TabAccList"}},
        {NodeKindProdDocGroup, nullptr, 10, {"TabProdDocs"}},
    };
    QTreeWidgetItem* project = node(NodeKindProject, "P1");
    QTreeWidgetItem* product = node(NodeKindProduct, "PR1");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.viewKind);
        QTreeWidgetItem* n = nullptr;
        if (c.id)
            n = node(c.kind, c.id);
        else if (c.kind == NodeKindProductGroup)
            n = ProductGroupOf(project);
        else if (c.kind == NodeKindDocGroup)
            n = DocGroupOf(project);
        else if (c.kind == NodeKindAccGroup)
            n = AccessoryGroupOf(product);
        else
            n = ProdDocGroupOf(product);
        select(n);
        EXPECT_EQ(m_main->ViewKind(), c.viewKind);
        EXPECT_EQ(shownTabs(), c.tabs);
        EXPECT_TRUE(m_main->pageDetails()->isVisible());
    }
}

TEST_F(MainWindowTabsTest, SameKindKeepsTheActiveTabAnotherKindStartsAfresh)
{
    select(node(NodeKindProduct, "PR1"));
    m_main->activateTab(QStringLiteral("TabCurve"));
    select(node(NodeKindProduct, "PR2"));
    EXPECT_EQ(m_main->activeTabName(), QStringLiteral("TabCurve"));
    EXPECT_EQ(m_data.table(QStringLiteral("TableProducts")).fieldByName(QStringLiteral("ID")).asString(),
              QStringLiteral("PR2"));

    select(node(NodeKindAccessory, "A1"));
    EXPECT_EQ(shownTabs(), (QStringList{"TabPDB", "TabTechAcc"}));

    // The customer-order tab of one project is gone for a project without
    // orders, and the active page falls back to the quotation.
    select(node(NodeKindProject, "P2"));
    m_main->activateTab(QStringLiteral("TabCustomerOrder"));
    select(node(NodeKindProject, "P1"));
    EXPECT_FALSE(shownTabs().contains(QStringLiteral("TabCustomerOrder")));
    EXPECT_EQ(m_main->activeTabName(), QStringLiteral("TabQuotation"));
}

TEST_F(MainWindowTabsTest, DocumentsGoToTheViewerOfTheirType)
{
    select(node(NodeKindProjDoc, "D1"));
    EXPECT_EQ(m_main->viewerNothingText(),
              QStringLiteral("Could not find/view file: '%1' !").arg(m_ws.path("work") + QStringLiteral("/missing.doc")));

    // A lower-case ".pdf" is a PDF; an unreadable one falls back to the
    // "nothing" viewer rather than showing an error box.
    QFile pdf(m_pdf);
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.write("not really a pdf");
    pdf.close();
    m_main->ViewDoc(m_pdf);
    EXPECT_TRUE(shownTabs().contains(QStringLiteral("TabViewNothing")) || shownTabs().contains(QStringLiteral("TabViewPDF")));
    EXPECT_NE(m_main->findChild<QWidget*>(QStringLiteral("ViewerPDF")), nullptr);
}

TEST_F(MainWindowTabsTest, ProjectMenuFollowsProjectsAndSelection)
{
    QMenu* project = m_main->menu(QStringLiteral("MenuProject"));
    select(node(NodeKindProjDoc, "D1"));
    m_main->MenuProjectEnable();
    EXPECT_TRUE(m_main->action(QStringLiteral("MenuProjectNewPDB"))->isEnabled());
    EXPECT_FALSE(m_main->action(QStringLiteral("MenuProjectNewProduct"))->isVisible());
    EXPECT_FALSE(m_main->action(QStringLiteral("MenuProjectSendAsEmail"))->isEnabled());
    EXPECT_FALSE(m_main->action(QStringLiteral("MenuProjectSendPurchaseOrder"))->isEnabled());
    select(node(NodeKindAccessory, "A1"));
    m_main->MenuProjectEnable();
    EXPECT_TRUE(m_main->action(QStringLiteral("MenuProjectSendAsEmail"))->isEnabled());

    // Without projects only "New project" and "Exit" can be chosen.
    m_data.table(QStringLiteral("TableProjects")).setFilter(QStringLiteral("(Name = 'nothing')"));
    m_data.table(QStringLiteral("TableProjects")).setFiltered(true);
    m_main->MenuProjectEnable();
    QStringList enabled;
    for (QAction* a : project->actions()) {
        if (a->isEnabled() && !a->isSeparator() && a->isVisible())
            enabled << a->objectName();
    }
    EXPECT_EQ(enabled, (QStringList{"MenuProjectNewProject", "MenuProjectExit"}));
}

TEST_F(MainWindowTabsTest, EditMenuActsOnTheTreeOrOnTheFocusedEditor)
{
    m_main->activateWindow();
    m_main->treeProject()->setFocus();
    struct Case {
        int kind;
        const char* id;
        bool copy;
    };
    for (const Case& c : {Case{NodeKindProject, "P1", true}, Case{NodeKindProdDoc, "PD1", true},
                          Case{NodeKindProjDoc, "D1", true}}) {
        select(node(c.kind, c.id));
        m_main->treeProject()->setFocus();
        m_main->MenuEditEnable();
        EXPECT_EQ(m_main->action(QStringLiteral("MenuEditCopy"))->isEnabled(), c.copy) << c.id;
        EXPECT_TRUE(m_main->action(QStringLiteral("MenuEditCopyText"))->isVisible());
        EXPECT_FALSE(m_main->action(QStringLiteral("MenuEditUndo"))->isEnabled());
    }
    select(ProductGroupOf(node(NodeKindProject, "P1")));
    m_main->treeProject()->setFocus();
    m_main->MenuEditEnable();
    EXPECT_FALSE(m_main->action(QStringLiteral("MenuEditCopy"))->isEnabled());

    QLineEdit editor(m_main.get());
    editor.setText(QStringLiteral("abc"));
    editor.show();
    editor.setFocus();
    QApplication::processEvents();
    if (QApplication::focusWidget() != &editor)
        GTEST_SKIP() << "no keyboard focus on this platform";
    m_main->MenuEditEnable();
    EXPECT_FALSE(m_main->action(QStringLiteral("MenuEditCopy"))->isEnabled());
    EXPECT_FALSE(m_main->action(QStringLiteral("MenuEditCopyText"))->isVisible());
    EXPECT_TRUE(m_main->action(QStringLiteral("MenuEditDelete"))->isEnabled());
    EXPECT_TRUE(m_main->action(QStringLiteral("MenuEditSelectAll"))->isEnabled());
    m_main->EditSelAll();
    m_main->MenuEditEnable();
    EXPECT_TRUE(m_main->action(QStringLiteral("MenuEditCopy"))->isEnabled());
}

TEST_F(MainWindowTabsTest, ToolsMenuIsForChampionAccessOnly)
{
    EXPECT_FALSE(m_main->menu(QStringLiteral("MenuTools"))->menuAction()->isVisible());
    app().setAppMode(AppContext::Champion);
    m_main->SetupAppMode();
    EXPECT_TRUE(m_main->menu(QStringLiteral("MenuTools"))->menuAction()->isVisible());
    app().setAppMode(AppContext::Standard);
    m_main->SetupAppMode();
    EXPECT_FALSE(m_main->menu(QStringLiteral("MenuTools"))->menuAction()->isVisible());
}

TEST_F(MainWindowTabsTest, PendingTechnicalDataDecidesWhetherTheNodeMayChange)
{
    select(node(NodeKindProduct, "PR1"));
    db::Dataset& tech = m_data.table(QStringLiteral("TableProdTechData"));
    ASSERT_TRUE(tech.append());
    tech.fieldByName(QStringLiteral("Property")).setValue(QStringLiteral("ShaftSeal"));
    tech.fieldByName(QStringLiteral("Value")).setValue(QStringLiteral("Carbon/SiC"));

    // Cancel keeps the node and the edit.
    m_script.expectMessage(QStringLiteral("Save changed value in technical data?"), MsgCodeCancel);
    select(node(NodeKindProduct, "PR2"));
    EXPECT_EQ(NodeInfoAs<TProdInfo>(m_main->treeProject()->currentItem())->ID, QStringLiteral("PR1"));
    EXPECT_NE(tech.state(), db::DatasetState::Browse);

    // A TORVA row needs the override, a reason and a log entry.
    tech.fieldByName(QStringLiteral("TORVA")).setValue(true);
    m_script.expectMessage(QStringLiteral("Save changed value in technical data?"), MsgCodeYes);
    m_script.expectMessage(QStringLiteral("30"), MsgCodeYes);
    m_script.expect(QStringLiteral("DlgInput"), [](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("Input"))->setText(QStringLiteral("customer asked"));
        d.accept();
    });
    select(node(NodeKindProduct, "PR2"));
    EXPECT_EQ(NodeInfoAs<TProdInfo>(m_main->treeProject()->currentItem())->ID, QStringLiteral("PR2"));
    db::Query log(m_data.database(QStringLiteral("DatabaseProjects")),
                  QStringLiteral("SELECT Comment, Source FROM ProdLog WHERE ParentID = 'PR1'"));
    log.open();
    ASSERT_FALSE(log.eof());
    EXPECT_EQ(log.value(QStringLiteral("Comment")).toString(), QStringLiteral("customer asked"));
}

} // namespace
} // namespace kiro::test
