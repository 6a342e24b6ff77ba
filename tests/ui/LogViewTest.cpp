#include "links/LogView.h"
#include "app/core/AppContext.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Dataset.h"
#include "support/ScriptedInteraction.h"
#include "support/TestWorkspace.h"

#include <QTableWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace kiro;
using kiro::test::clickButton;
using kiro::test::ScriptedInteraction;

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

class LogViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ws.layOutDatabases();
        settings().open(m_ws.workIni());
        app().setCurrentUserID(s("ANNA"));
        m_data.FormDataCreate();
        m_data.bindItemRuleHandlers();
        ASSERT_TRUE(m_data.OpenSession() && m_data.OpenSystem() && m_data.OpenLang() && m_data.OpenProjects());
    }

    QString add(const char* component, const QString& name)
    {
        db::Dataset& d = m_data.table(s(component));
        EXPECT_TRUE(d.append());
        d.fieldByName(s("Name")).setValue(name);
        EXPECT_TRUE(d.post());
        return d.fieldByName(s("ID")).asString();
    }
    void log(int kind, const QString& description)
    {
        ASSERT_TRUE(m_data.AddLogEntry(kind, s("item"), s("KIRO"), s("note"), s("ANNA"), description, s("Warning")));
    }
    static QStringList column(QTableWidget* grid, int column)
    {
        QStringList texts;
        for (int row = 0; row < grid->rowCount(); ++row)
            texts << grid->item(row, column)->text();
        return texts;
    }

    test::TestWorkspace m_ws;
    ScriptedInteraction m_script;
    TFormData m_data;
};

} // namespace

TEST_F(LogViewTest, TheTreeOfTheMainWindowAndTheEntriesOfTheSelectedNode)
{
    const QString project = add("TableProjects", s("Station"));
    const QString product = add("TableProducts", s("Pump"));
    const QString valve = add("TableAccessories", s("Valve"));
    log(3, s("valve entry 1"));
    log(3, s("valve entry 2"));
    const QString motor = add("TableAccessories", s("Motor"));
    log(3, s("motor entry"));
    add("TableProjects", s("Hidden by the tree filter"));
    log(1, s("hidden entry"));

    const QList<LogTreeNode> shown{
        {project,
         s("Station:1"),
         {},
         {{product, s("1 - Pump"), {}, {{valve, s("1 - Valve"), {}, {}}, {motor, s("2 - Motor"), {}, {}}}}}}};
    m_script.expect(s("dlgLogView"), [&](QDialog& d) {
        auto& view = dynamic_cast<TdlgLogView&>(d);
        QTreeWidget* tree = view.tree();
        ASSERT_EQ(tree->topLevelItemCount(), 1) << "only what the main tree shows";
        QTreeWidgetItem* projectNode = tree->topLevelItem(0);
        EXPECT_EQ(projectNode->text(0), s("Station:1"));
        ASSERT_EQ(projectNode->childCount(), 1);
        QTreeWidgetItem* productNode = projectNode->child(0);
        ASSERT_EQ(productNode->childCount(), 2);

        tree->setCurrentItem(productNode->child(0));
        EXPECT_EQ(column(view.grid(), 4), (QStringList{s("valve entry 1"), s("valve entry 2")}));
        EXPECT_EQ(column(view.grid(), 6), (QStringList{s("note"), s("note")}));
        EXPECT_FALSE(view.grid()->item(0, 0)->text().isEmpty()) << "the date";
        tree->setCurrentItem(productNode->child(1));
        EXPECT_EQ(column(view.grid(), 4), QStringList{s("motor entry")});
        tree->setCurrentItem(productNode);
        EXPECT_EQ(column(view.grid(), 4), (QStringList{s("An accessory was added"), s("An accessory was added")}));
        tree->setCurrentItem(projectNode);
        EXPECT_EQ(column(view.grid(), 2), QStringList{s("Pump")});
        clickButton(d, s("BtnClose"));
    });

    ToolsViewLogs(m_data, shown);
    EXPECT_TRUE(m_script.done());
    EXPECT_FALSE(m_data.table(s("TableLogView")).isActive()) << "the viewer's data set is closed again";
}
