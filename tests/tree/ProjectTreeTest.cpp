#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "platform/Shell.h"
#include "support/ScriptedInteraction.h"
#include "support/TestWorkspace.h"
#include "tree/DlgDateSelect.h"
#include "tree/ProjectTree.h"
#include "tree/ThmTreeView.h"
#include "tree/TreeFunctions.h"
#include "tree/TreeHost.h"
#include "tree/TreeImages.h"

#include <QDateEdit>
#include <QFile>
#include <QMenu>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace kiro;
using kiro::test::ScriptedInteraction;
using kiro::test::TestWorkspace;

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

struct RecordingHost : TreeHost {
    void StatusSetFilter(const QString& text) override { filter = text; }
    void StatusSetSorting(const QString& text) override { sorting = text; }
    void StatusShowAction(const QString& text) override { actions << text; }
    void StatusHideAction() override { actions << s("<hide>"); }
    void HideDetailPages() override { ++hidden; }
    QString filter = s("<unset>");
    QString sorting;
    QStringList actions;
    int hidden = 0;
};

// The session of the program with the project database emptied and filled
// with a small fixture:
//   Station rev 1 (older): products P1 (TORVA, PDB) with accessory A1, P2 (external)
//   Station rev 2 (latest, customer K1): product P3 with a product document, a project document
//   Well rev 1 (latest, handled by O'Brien)
class ProjectTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ws.layOutDatabases();
        settings().open(m_ws.workIni());
        settings().resetToDefaults();
        app().setCurrentUserID(s("ANNA"));
        app().setCurrentUserName(s("Anna Berg"));
        m_data.FormDataCreate();
        m_data.bindItemRuleHandlers();
        ASSERT_TRUE(m_data.OpenSession() && m_data.OpenSystem() && m_data.OpenLang() && m_data.OpenProjects());
        for (const char* t : {"Projects", "Products", "Accessories", "Documents", "ProdDocuments", "DetailPrices"})
            db().exec(s("DELETE FROM %1").arg(s(t)));
        t("TableProjects").refresh();

        oldStation = addRow("TableProjects", {{"Name", s("Station")}, {"Revision", 1}, {"Latest", false},
                                              {"QuotHandledBy", s("Anna Berg")}});
        p1 = addRow("TableProducts", {{"Name", s("Booster")}, {"Tag", s("P1")}, {"Order", 1}, {"Description", s("Main")},
                                      {"TORVA", true}, {"PDB", true}, {"Alternate", false}});
        a1 = addRow("TableAccessories", {{"Name", s("Valve")}, {"Tag", s("1")}, {"Order", 1}, {"PDB", true}});
        p2 = addRow("TableProducts", {{"Name", s("Mixer")}, {"Tag", s("P2")}, {"Order", 2}, {"External", true},
                                      {"AddOption", true}});
        station = addRow("TableProjects", {{"Name", s("Station")}, {"Revision", 2}, {"Latest", true},
                                           {"QuotCustID", s("K1")}, {"QuotCustName", s("Water Works")}});
        p3 = addRow("TableProducts", {{"Name", s("Dosing")}, {"Tag", s("P3")}, {"Order", 1}});
        addRow("TableProdDocuments", {{"Name", s("/docs/curve.pdf")}});
        addRow("TableDocuments", {{"Name", s("/docs/offer.pdf")}});
        well = addRow("TableProjects", {{"Name", s("Well")}, {"Revision", 1}, {"Latest", true},
                                        {"QuotHandledBy", s("Seán O'Brien")}, {"ProjectStatus", s("2")}});
        m_view.resize(400, 600);
    }
    void TearDown() override { setShellOpener({}); }

    db::Dataset& t(const char* component) { return m_data.table(s(component)); }
    db::Connection& db() { return m_data.database(s("DatabaseProjects")); }

    QString addRow(const char* component, const std::initializer_list<std::pair<const char*, QVariant>>& values)
    {
        db::Dataset& d = t(component);
        EXPECT_TRUE(d.append()) << component;
        for (const auto& [field, value] : values)
            d.fieldByName(s(field)).setValue(value);
        EXPECT_TRUE(d.post()) << component;
        return d.fieldByName(s("ID")).asString();
    }
    QVariant stored(const char* table, const QString& id, const char* field)
    {
        db::Query q(db(), s("SELECT \"%1\" FROM %2 WHERE ID = :id").arg(s(field), s(table)));
        q.bindValue(s("id"), id);
        q.open();
        return q.eof() ? QVariant() : q.value(s(field));
    }
    QStringList captions(QTreeWidgetItem* parent)
    {
        QStringList out;
        for (int i = 0; i < parent->childCount(); ++i)
            out << parent->child(i)->text(0);
        return out;
    }
    QStringList topCaptions()
    {
        QStringList out;
        for (int i = 0; i < m_view.topLevelItemCount(); ++i)
            out << m_view.topLevelItem(i)->text(0);
        return out;
    }
    QTreeWidgetItem* node(int kind, const QString& id) { return FindNodeByKindAndID(m_view, kind, id); }
    int drawn(QTreeWidgetItem* n) { return TreeNodeOf(n)->effectiveImageIndex(); }

    TestWorkspace m_ws;
    ScriptedInteraction m_dialogs;
    TFormData m_data;
    ThmTreeView m_view;
    RecordingHost m_host;
    QString oldStation, station, well, p1, p2, p3, a1;
};

TEST_F(ProjectTreeTest, BuildsTheShapeCaptionsAndImages)
{
    TProjectTree tree(m_data, m_view, m_host);
    tree.ViewSort(s("Name"));

    EXPECT_EQ(topCaptions(), (QStringList{s("Station:1"), s("Station:2"), s("Well:1")}));
    EXPECT_EQ(m_view.currentItem(), m_view.topLevelItem(0)) << "the first project is selected";
    EXPECT_GE(m_host.hidden, 1);
    EXPECT_EQ(m_host.filter, QString());

    QTreeWidgetItem* older = m_view.topLevelItem(0);
    EXPECT_EQ(captions(older), (QStringList{s("Products"), s("Documents")}));
    QTreeWidgetItem* booster = node(NodeKindProduct, p1);
    ASSERT_TRUE(booster);
    EXPECT_EQ(booster->text(0), s("P1 - Booster (Main)"));
    EXPECT_EQ(NodeKindOf(booster->child(0)), NodeKindProdDocGroup) << "documents before accessories";
    EXPECT_EQ(NodeKindOf(booster->child(1)), NodeKindAccGroup);
    EXPECT_EQ(booster->child(1)->child(0)->text(0), s("1 - Valve ()"));

    // An older revision draws the odd twins, its project and groups included.
    EXPECT_EQ(drawn(older), 1);
    EXPECT_EQ(drawn(older->child(0)), 1);
    EXPECT_EQ(drawn(booster), 11);
    EXPECT_EQ(drawn(node(NodeKindAccessory, a1)), 21);
    QTreeWidgetItem* mixer = node(NodeKindProduct, p2);
    EXPECT_EQ(drawn(mixer), 13);
    EXPECT_EQ(TreeNodeOf(mixer)->overlayIndex(), 1);

    QTreeWidgetItem* latest = m_view.topLevelItem(1);
    EXPECT_EQ(drawn(node(NodeKindProduct, p3)), 4);
    EXPECT_EQ(drawn(DocGroupOf(latest)->child(0)), 16);
    EXPECT_EQ(ProdDocGroupOf(node(NodeKindProduct, p3))->child(0)->text(0), s("/docs/curve.pdf"));

    // Expanding opens the folder; the icon the view draws follows.
    m_view.expandItem(older);
    EXPECT_EQ(drawn(older), 3);
    m_view.collapseItem(older);
    EXPECT_EQ(drawn(older), 1);
}

TEST_F(ProjectTreeTest, LatestFlagSwitchesImagesAtPaintWithoutRebuild)
{
    TProjectTree tree(m_data, m_view, m_host);
    tree.DBGetProjects();
    QTreeWidgetItem* booster = node(NodeKindProduct, p1);
    const qint64 before = booster->data(0, Qt::DecorationRole).value<QIcon>().cacheKey();
    EXPECT_EQ(drawn(booster), 11);

    tree.FixLatestProject(s("Station"), 1);

    EXPECT_TRUE(stored("Projects", oldStation, "Latest").toBool());
    EXPECT_EQ(node(NodeKindProduct, p1), booster) << "no rebuild";
    EXPECT_EQ(drawn(booster), 10);
    EXPECT_EQ(drawn(RootNodeOf(booster)), 0);
    EXPECT_NE(booster->data(0, Qt::DecorationRole).value<QIcon>().cacheKey(), before);
    EXPECT_EQ(TreeNodeOf(booster)->imageIndex(), 11) << "the stored index is corrected only when drawn";
}

TEST_F(ProjectTreeTest, FixLatestProjectRestoresFilterAndPosition)
{
    TProjectTree tree(m_data, m_view, m_host);
    tree.viewState().FilterRevisionLast = true;
    tree.DBGetProjects();
    EXPECT_EQ(m_view.topLevelItemCount(), 2);
    db::Dataset& projects = t("TableProjects");
    ASSERT_TRUE(projects.locate(s("ID"), well));

    tree.FixLatestProject(s("Station"), 1);
    EXPECT_TRUE(stored("Projects", oldStation, "Latest").toBool());
    EXPECT_EQ(projects.filter(), s("(Latest)"));
    EXPECT_TRUE(projects.isFiltered());
    EXPECT_EQ(projects.fieldByName(s("ID")).asString(), well);

    tree.FixLatestProject(s("Nowhere"), 7); // nothing to mark: nothing changes
    EXPECT_EQ(projects.filter(), s("(Latest)"));
    EXPECT_EQ(projects.fieldByName(s("ID")).asString(), well);
}

TEST_F(ProjectTreeTest, FilterHidesProjectsAndTellsWhyOneIsMissing)
{
    TProjectTree tree(m_data, m_view, m_host);
    tree.viewState().FilterUser = s("Seán O'Brien");
    tree.DBGetProjects();
    EXPECT_EQ(topCaptions(), QStringList{s("Well:1")}) << "a name with an apostrophe filters";
    EXPECT_EQ(m_host.filter, s("(QuotHandledBy = 'Seán O''Brien')"));

    m_dialogs.expectMessage(s("Station"), MsgCodeOK);
    EXPECT_EQ(tree.AddProjectToTree(station), nullptr);
    EXPECT_EQ(m_view.topLevelItemCount(), 1);

    // Every part of the filter is accepted by the table, the status one on a text field too.
    tree.viewState() = TTreeViewState{};
    tree.viewState().FilterStatus = 2;
    tree.viewState().FilterValDate = true;
    tree.viewState().FilterValDateFrom = QDate(2000, 1, 1);
    tree.viewState().FilterValDateTo = QDate(2000, 1, 2);
    tree.viewState().FilterCustomer = true;
    tree.viewState().FilterRevisionLast = true;
    const int hiddenBefore = m_host.hidden;
    tree.DBGetProjects();
    EXPECT_EQ(m_view.topLevelItemCount(), 0);
    EXPECT_GT(m_host.hidden, hiddenBefore) << "the detail pages stay hidden";
    EXPECT_TRUE(m_host.filter.endsWith(s("(Latest)"))) << m_host.filter.toStdString();
    EXPECT_EQ(m_view.currentItem(), nullptr);

    tree.viewState() = TTreeViewState{};
    tree.viewState().FilterStatus = 2;
    tree.DBGetProjects();
    EXPECT_EQ(topCaptions(), QStringList{s("Well:1")});
}

TEST_F(ProjectTreeTest, AddProjectToTreeSeesRowsWrittenBySql)
{
    TProjectTree tree(m_data, m_view, m_host);
    tree.DBGetProjects();
    db::Query insert(db(), s("INSERT INTO Projects (ID, Name, Revision, Latest) VALUES ('X1', 'Imported', 4, 1)"));
    insert.execSql();
    QTreeWidgetItem* added = tree.AddProjectToTree(s("X1"));
    ASSERT_TRUE(added);
    EXPECT_EQ(added->text(0), s("Imported:4"));
    EXPECT_EQ(m_view.topLevelItem(m_view.topLevelItemCount() - 1), added);
    EXPECT_EQ(captions(added), (QStringList{s("Products"), s("Documents")})) << "groups also when empty";
}

TEST_F(ProjectTreeTest, ShiftArrowsMoveItemsAndKeepTheSelection)
{
    TProjectTree tree(m_data, m_view, m_host);
    tree.DBGetProjects();
    QTreeWidgetItem* booster = node(NodeKindProduct, p1);
    QTreeWidgetItem* group = booster->parent();
    m_view.expandItem(booster);
    m_view.setCurrentItem(booster);
    QSignalSpy changed(&m_view, &ThmTreeView::nodeChanged);

    QTest::keyClick(&m_view, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(stored("Products", p1, "Order").toInt(), 1) << "the first product stays first";
    EXPECT_EQ(m_view.currentItem(), booster);

    QTest::keyClick(&m_view, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(stored("Products", p1, "Order").toInt(), 2);
    EXPECT_EQ(stored("Products", p2, "Order").toInt(), 1);
    EXPECT_EQ(captions(group), (QStringList{s("P2 - Mixer ()"), s("P1 - Booster (Main)")}));
    EXPECT_EQ(m_view.currentItem(), booster) << "the moved node stays selected";
    EXPECT_TRUE(booster->isExpanded());
    EXPECT_TRUE(booster->isSelected());
    EXPECT_EQ(changed.count(), 0) << "no node change is announced for a move";

    // On a node that cannot move the keys are taken all the same.
    m_view.setCurrentItem(group);
    changed.clear();
    QTest::keyClick(&m_view, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(m_view.currentItem(), group);
}

TEST_F(ProjectTreeTest, ChangingGuardRefusesAChange)
{
    TProjectTree tree(m_data, m_view, m_host);
    tree.DBGetProjects();
    m_view.show();
    QTreeWidgetItem* first = m_view.topLevelItem(0);
    QTreeWidgetItem* second = m_view.topLevelItem(1);
    ASSERT_EQ(m_view.currentItem(), first);
    QList<QTreeWidgetItem*> asked;
    bool allow = false;
    m_view.setChangingHandler([&](QTreeWidgetItem* to) {
        asked << to;
        return allow;
    });
    QSignalSpy changed(&m_view, &ThmTreeView::nodeChanged);

    m_view.setCurrentItem(second);
    QTest::keyClick(&m_view, Qt::Key_Down);
    QTest::mouseClick(m_view.viewport(), Qt::LeftButton, {}, m_view.visualItemRect(second).center());
    EXPECT_EQ(m_view.currentItem(), first);
    EXPECT_TRUE(first->isSelected());
    EXPECT_FALSE(second->isSelected());
    EXPECT_EQ(changed.count(), 0);
    ASSERT_GE(asked.size(), 3);
    EXPECT_EQ(asked.first(), second);

    allow = true;
    QTest::mouseClick(m_view.viewport(), Qt::LeftButton, {}, m_view.visualItemRect(second).center());
    EXPECT_EQ(m_view.currentItem(), second);
    EXPECT_TRUE(second->isSelected());
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QTreeWidgetItem*>(), second);
}

TEST_F(ProjectTreeTest, ProdDocsAreRefilledInTheirGroup)
{
    TProjectTree tree(m_data, m_view, m_host);
    tree.DBGetProjects();
    QTreeWidgetItem* dosing = node(NodeKindProduct, p3);
    QTreeWidgetItem* group = ProdDocGroupOf(dosing);
    ASSERT_TRUE(group);
    db::Query q(db(), s("INSERT INTO ProdDocuments (ID, ProductID, Name) VALUES ('D2', :p, '/docs/b.pdf')"));
    q.bindValue(s("p"), p3);
    q.execSql();

    tree.DBGetProdDocs(dosing);
    EXPECT_EQ(ProdDocGroupOf(dosing), group) << "the group is reused";
    EXPECT_EQ(dosing->indexOfChild(group), 0);
    EXPECT_EQ(dosing->childCount(), 2);
    EXPECT_EQ(captions(group), (QStringList{s("/docs/curve.pdf"), s("/docs/b.pdf")}));
    EXPECT_EQ(NodeKindOf(group->child(1)), NodeKindProdDoc);
}

TEST_F(ProjectTreeTest, LabelsFollowTheDataModule)
{
    TProjectTree tree(m_data, m_view, m_host);
    tree.DBGetProjects();
    db::Dataset& projects = t("TableProjects");
    db::Dataset& products = t("TableProducts");
    ASSERT_TRUE(projects.locate(s("ID"), oldStation));
    ASSERT_TRUE(products.locate(s("ID"), p1));
    m_view.setCurrentItem(node(NodeKindProduct, p1));

    products.edit();
    products.fieldByName(s("Name")).setValue(s("Big booster"));
    products.post();
    EXPECT_EQ(node(NodeKindProduct, p1)->text(0), s("P1 - Big booster (Main)"));

    // Choosing an item to be an alternative for marks the node as alternate.
    products.edit();
    products.fieldByName(s("AlternateFor")).setValue(p2);
    products.post();
    EXPECT_EQ(TreeNodeOf(node(NodeKindProduct, p1))->overlayIndex(), 0);
    EXPECT_EQ(node(NodeKindProduct, p1)->text(0), s("P2 - Big booster (Main)")) << "an alternative takes the tag";
}

TEST_F(ProjectTreeTest, DocumentsAreAddedAndOpened)
{
    TProjectTree tree(m_data, m_view, m_host);
    tree.DBGetProjects();
    QTreeWidgetItem* latest = node(NodeKindProject, station);
    const QString file = m_ws.tmpDir() + s("/spec sheet.pdf");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    QTreeWidgetItem* added = tree.AddDocToTree(latest, {file});
    ASSERT_TRUE(added);
    EXPECT_EQ(added->parent(), DocGroupOf(latest));
    EXPECT_EQ(added->text(0), file);
    const QString id = NodeInfoAs<TDocInfo>(added)->ID;
    EXPECT_EQ(stored("Documents", id, "Name").toString(), file);
    EXPECT_TRUE(stored("Documents", id, "External").toBool());

    // A path longer than the field is refused instead of being cut.
    m_dialogs.expectMessage(s("too long"), MsgCodeOK);
    EXPECT_EQ(tree.AddDocToTree(latest, {s("/") + QString(300, QLatin1Char('x'))}), nullptr);
    EXPECT_EQ(DocGroupOf(latest)->childCount(), 2);

    QStringList opened;
    setShellOpener([&](const QString& path) {
        opened << path;
        return true;
    });
    tree.TreeProjectDblClick(added);
    EXPECT_EQ(opened, QStringList{file});
    ASSERT_EQ(m_host.actions.size(), 2);
    EXPECT_TRUE(m_host.actions.at(0).contains(file));
    EXPECT_EQ(m_host.actions.at(1), s("<hide>"));

    tree.TreeProjectDblClick(node(NodeKindProduct, p3)); // other kinds: nothing
    m_dialogs.expectMessage(s("/docs/offer.pdf"), MsgCodeOK);
    tree.TreeProjectDblClick(DocGroupOf(latest)->child(0)); // a file that is not there
    EXPECT_EQ(opened.size(), 1);
}

TEST_F(ProjectTreeTest, ViewMenuChecksAndValidityDialog)
{
    TProjectTree tree(m_data, m_view, m_host);
    QMenu menu;
    tree.BuildViewMenu(menu);
    tree.DBGetProjects();

    tree.viewAction(s("MenuViewLatestRevisions"))->trigger();
    tree.viewAction(s("MenuViewProjectStatusCustomerOrder"))->trigger();
    EXPECT_EQ(topCaptions(), QStringList{s("Well:1")});
    EXPECT_EQ(settings().project().FilterStatus, 2) << "the view state goes to the settings";
    tree.MenuViewEnable();
    EXPECT_TRUE(tree.viewAction(s("MenuViewLatestRevisions"))->isChecked());
    EXPECT_FALSE(tree.viewAction(s("MenuViewAllRevisions"))->isChecked());
    EXPECT_TRUE(tree.viewAction(s("MenuViewProjectStatusCustomerOrder"))->isChecked());
    EXPECT_TRUE(tree.viewAction(s("MenuViewSortNothing"))->isChecked());
    EXPECT_TRUE(tree.viewAction(s("MenuViewSort"))->isEnabled());
    EXPECT_EQ(tree.viewAction(s("MenuViewUpdateTree"))->shortcut(), QKeySequence(Qt::Key_F5));

    tree.viewAction(s("MenuViewSortName"))->trigger();
    EXPECT_EQ(m_host.sorting, MsgText(s("36")));

    // The dialog proposes today for a bound of 0 and filters on OK.
    tree.viewAction(s("MenuViewProjectStatusAll"))->trigger();
    tree.viewAction(s("MenuViewAllRevisions"))->trigger();
    m_dialogs.expect(s("DlgDateSelect"), [](QDialog& d) {
        auto& dlg = dynamic_cast<TDlgDateSelect&>(d);
        EXPECT_TRUE(dlg.radioNoFilter()->isChecked());
        EXPECT_FALSE(dlg.dateFrom()->isEnabled());
        EXPECT_EQ(dlg.dateFrom()->date(), QDate::currentDate());
        dlg.radioFilter()->setChecked(true);
        EXPECT_TRUE(dlg.dateFrom()->isEnabled());
        dlg.dateFrom()->setDate(QDate(2001, 1, 1));
        dlg.dateTo()->setDate(QDate(2001, 1, 31));
        d.accept();
    });
    tree.viewAction(s("MenuViewValidityDate"))->trigger();
    EXPECT_TRUE(tree.viewState().FilterValDate);
    EXPECT_EQ(tree.viewState().FilterValDateTo, QDate(2001, 1, 31));
    EXPECT_EQ(m_view.topLevelItemCount(), 0);
    tree.MenuViewEnable();
    EXPECT_TRUE(tree.viewAction(s("MenuViewValidityDate"))->isChecked());
    EXPECT_FALSE(tree.viewAction(s("MenuViewSort"))->isEnabled()) << "nothing to sort";
}

} // namespace
