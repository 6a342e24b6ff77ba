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

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace kiro::test {
namespace {

// Three revisions of "Pump station" (3 the latest) with two products, one
// of them named "Booster", and a product document from the product database.
class ItemCommandsTest : public WorkingMainWindow {
protected:
    void SetUp() override
    {
        WorkingMainWindow::SetUp();
        if (HasFatalFailure())
            return;
        for (int revision = 1; revision <= 3; ++revision)
            exec(QStringLiteral("INSERT INTO Projects (ID, Name, Revision, Latest, ProjectStatus, QuotHandledBy) "
                                "VALUES (?, 'Pump station', ?, ?, 1, 'Anna Andersson')"),
                 {QStringLiteral("P%1").arg(revision), revision, revision == 3});
        exec(QStringLiteral("INSERT INTO Products (ID, ProjectID, \"Order\", Tag, Name, Description, Qty) VALUES "
                            "('PR1', 'P3', 1, 'P1', 'Booster set', 'Main pump', 1), "
                            "('PR2', 'P3', 2, 'P2', 'Booster', 'Standby pump', 1)"),
             {});
        exec(QStringLiteral("INSERT INTO ProdDocuments (ID, ProductID, Name, External) VALUES ('PD1', 'PR1', "
                            "'Datasheet ES', 0)"),
             {});
        rebuild();
    }

    void exec(const QString& sql, const QVariantList& values)
    {
        db::Query q(m_data.database(QStringLiteral("DatabaseProjects")), sql);
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values.at(i));
        q.execSql();
    }
    void rebuild()
    {
        for (const char* t : {"TableProjects", "TableProducts", "TableProdDocuments"})
            m_data.table(QString::fromLatin1(t)).refresh();
        m_main->projectTree()->DBGetProjects();
    }
    QTreeWidgetItem* node(int kind, const QString& id)
    {
        return FindNodeByKindAndID(*m_main->treeProject(), kind, id);
    }
    bool latest(const char* id)
    {
        db::Query q(m_data.database(QStringLiteral("DatabaseProjects")),
                    QStringLiteral("SELECT Latest FROM Projects WHERE ID = :id"));
        q.bindValue(QStringLiteral("id"), QString::fromLatin1(id));
        q.open();
        return q.value(QStringLiteral("Latest")).toBool();
    }
};

TEST_F(ItemCommandsTest, DeletingTheLatestRevisionMakesTheNextHighestTheLatest)
{
    m_script.expectMessage(QStringLiteral("Pump station"), MsgCodeYes);
    m_main->DeleteItem(node(NodeKindProject, QStringLiteral("P3")), true);
    EXPECT_EQ(node(NodeKindProject, QStringLiteral("P3")), nullptr);
    EXPECT_TRUE(latest("P2"));
    EXPECT_TRUE(NodeInfoAs<TProjInfo>(node(NodeKindProject, QStringLiteral("P2")))->Latest);
    EXPECT_FALSE(latest("P1"));

    // Revision 1 goes without touching the latest one.
    m_script.expectMessage(QStringLiteral("Pump station"), MsgCodeYes);
    m_main->DeleteItem(node(NodeKindProject, QStringLiteral("P1")), true);
    EXPECT_TRUE(latest("P2"));

    // No keeps the project.
    m_script.expectMessage(QStringLiteral("Pump station"), MsgCodeNo);
    m_main->DeleteItem(node(NodeKindProject, QStringLiteral("P2")), true);
    EXPECT_NE(node(NodeKindProject, QStringLiteral("P2")), nullptr);
}

TEST_F(ItemCommandsTest, ADocumentFromTheProductDatabaseStays)
{
    QTreeWidgetItem* doc = node(NodeKindProdDoc, QStringLiteral("PD1"));
    ASSERT_NE(doc, nullptr);
    m_main->DeleteItem(doc, true); // no question is expected
    EXPECT_NE(node(NodeKindProdDoc, QStringLiteral("PD1")), nullptr);
}

TEST_F(ItemCommandsTest, ThreeDocumentsAddedAtOnceToAProduct)
{
    QStringList files;
    for (int i = 1; i <= 3; ++i) {
        files << m_ws.path("work") + QStringLiteral("/sheet%1.pdf").arg(i);
        QFile f(files.last());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    // Selected: the product document; the documents go to its product.
    m_main->treeProject()->setCurrentItem(node(NodeKindProdDoc, QStringLiteral("PD1")));
    m_script.expectFiles(files);
    m_main->ProjectAddDocument();
    QTreeWidgetItem* group = ProdDocGroupOf(node(NodeKindProduct, QStringLiteral("PR1")));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->childCount(), 4);
    db::Query q(m_data.database(QStringLiteral("DatabaseProjects")),
                QStringLiteral("SELECT COUNT(*) AS N FROM ProdDocuments WHERE ProductID = 'PR1' AND External"));
    q.open();
    EXPECT_EQ(q.value(QStringLiteral("N")).toInt(), 3);
}

TEST_F(ItemCommandsTest, SearchHonoursCaseAndWholeWordAndWrapsOnce)
{
    struct Case {
        const char* text;
        bool matchCase;
        bool wholeWord;
        const char* found; // product ID, or null for none
    };
    const Case cases[] = {
        {"Booster", true, true, "PR2"},     // only the exact name
        {"booster", true, true, nullptr},   // case matters
        {"booster", false, true, "PR2"},    // whole field without case
        {"Booster", true, false, "PR1"},    // contained
        {"STANDBY", false, false, "PR2"},   // description, any case
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        m_main->treeProject()->setCurrentItem(node(NodeKindProject, QStringLiteral("P1")));
        if (!c.found)
            m_script.expectMessage(QString::fromLatin1(c.text), MsgCodeOK);
        const bool found = m_main->DlgSearchFind(QString::fromLatin1(c.text), c.matchCase, c.wholeWord);
        EXPECT_EQ(found, c.found != nullptr);
        if (c.found) {
            EXPECT_EQ(NodeInfoAs<TProdInfo>(m_main->treeProject()->currentItem())->ID, QString::fromLatin1(c.found));
        }
    }
    // Only the selected node holds the text: found on the second pass.
    m_main->treeProject()->setCurrentItem(node(NodeKindProduct, QStringLiteral("PR2")));
    EXPECT_TRUE(m_main->DlgSearchFind(QStringLiteral("Standby"), true, false));
    EXPECT_EQ(NodeInfoAs<TProdInfo>(m_main->treeProject()->currentItem())->ID, QStringLiteral("PR2"));
}

TEST_F(ItemCommandsTest, ANewProjectHiddenByTheFilterIsMadeButGetsNoNode)
{
    m_main->projectTree()->viewState().FilterUser = QStringLiteral("Somebody Else");
    rebuild();
    m_script.expect(QStringLiteral("DlgInput"), [](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("Input"))->setText(QStringLiteral("Pump station"));
        d.accept();
    });
    m_script.expectMessage(QStringLiteral("Pump station"), MsgCodeOK); // the name is taken
    m_script.expect(QStringLiteral("DlgInput"), [](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("Input"))->setText(QStringLiteral("Boiler house"));
        d.accept();
    });
    m_script.expectMessage(QStringLiteral("Project %s is hidden by filter settings!"), MsgCodeOK);
    m_main->ProjectNewProject();
    db::Query q(m_data.database(QStringLiteral("DatabaseProjects")),
                QStringLiteral("SELECT Revision, Latest, QuotStatus, QuotNumber FROM Projects WHERE Name = 'Boiler house'"));
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.value(QStringLiteral("Revision")).toInt(), 1);
    EXPECT_TRUE(q.value(QStringLiteral("Latest")).toBool());
    EXPECT_EQ(q.value(QStringLiteral("QuotNumber")).toString(), QStringLiteral("Boiler house"));
    EXPECT_EQ(m_main->treeProject()->topLevelItemCount(), 0);
    EXPECT_TRUE(m_data.table(QStringLiteral("TableProjects")).isFiltered());
}

TEST_F(ItemCommandsTest, ItemNumbersListTheProductsPartsAndItsAccessories)
{
    exec(QStringLiteral("INSERT INTO Accessories (ID, ProductID, \"Order\", Name, Qty) VALUES ('A1', 'PR1', 1, 'Base', 1)"),
         {});
    exec(QStringLiteral("INSERT INTO ProdParts (ID, ParentID, Name, ItemNumber) VALUES ('X1', 'PR1', 'Casing', '4711'), "
                        "('X2', 'PR1', 'Impeller', '4712')"),
         {});
    exec(QStringLiteral("INSERT INTO AccParts (ID, ParentID, Name, ItemNumber) VALUES ('X3', 'A1', 'Frame', '5001')"), {});
    rebuild();
    m_main->treeProject()->setCurrentItem(node(NodeKindProduct, QStringLiteral("PR1")));
    int rows = -1;
    m_script.expect(QStringLiteral("DlgPartInfo"), [&rows](QDialog& d) {
        rows = d.findChild<QTableWidget*>(QStringLiteral("DlgPartInfoGrid"))->rowCount();
        d.reject();
    });
    m_main->ProjectDisplayItemNumbers();
    EXPECT_EQ(rows, 3);
}

} // namespace
} // namespace kiro::test
