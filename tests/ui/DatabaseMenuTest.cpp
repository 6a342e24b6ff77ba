#include "app/FormMain.h"
#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "data/Schema.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "dialogs/OptDB.h"
#include "dialogs/SelDir.h"
#include "pdb/DataPDB.h"
#include "support/ScriptedInteraction.h"
#include "support/TestWorkspace.h"
#include "support/WorkingMainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>

#include <gtest/gtest.h>

using namespace kiro;
using kiro::test::ScriptedInteraction;
using kiro::test::TestWorkspace;
using kiro::test::clickButton;

namespace {

// The main window in the working state on the shipped databases.
class DatabaseMenuTest : public kiro::test::WorkingMainWindow {
protected:
    // Answers the directory dialog with `path`.
    static void chooseDirectory(ScriptedInteraction& script, const QString& path)
    {
        script.expect(QStringLiteral("DlgSelDir"), [path](QDialog& d) {
            auto& dlg = dynamic_cast<TDlgSelDir&>(d);
            dlg.listDirectory(path);
            clickButton(d, QStringLiteral("BtnOK"));
        });
    }

    int rowCount(const QString& dir, const QString& table)
    {
        db::Connection c;
        c.open(dir);
        db::Dataset t(c, table);
        t.open();
        return t.recordCount();
    }
};

} // namespace

TEST_F(DatabaseMenuTest, NewProjectDatabaseReplacesEveryProjectTable)
{
    const QString target = m_ws.root() + QStringLiteral("/NewProjects");
    ASSERT_TRUE(QDir().mkpath(target));
    {
        // An older database there, with rows and an odd table structure.
        db::Connection c;
        c.open(target, db::Connection::OpenMode::CreateIfMissing);
        c.createTable({QStringLiteral("Projects"), {db::FieldDef::text(QStringLiteral("Name"), 10)}, {}, {}});
        c.exec(QStringLiteral("INSERT INTO Projects (Name) VALUES ('old')"));
    }
    chooseDirectory(m_script, target);
    m_main->DatabaseProjectNew();

    db::Connection c;
    c.open(target);
    for (const db::TableDef& declared : schema::projectTables()) {
        SCOPED_TRACE(declared.name.toStdString());
        ASSERT_TRUE(c.tableExists(declared.name));
        EXPECT_EQ(c.tableDef(declared.name).fields, declared.fields);
        EXPECT_EQ(c.declaredDefault(declared.name, QStringLiteral("DBVer")), QStringLiteral("1.4"));
    }
    EXPECT_EQ(rowCount(target, QStringLiteral("Projects")), 0);
    EXPECT_TRUE(m_data.projectsDirectory() != AppContext::withSlash(target)) << "the new database is not opened";
}

TEST_F(DatabaseMenuTest, RepairRestructuresATableKeepingItsRows)
{
    const QString dir = m_ws.root() + QStringLiteral("/Damaged");
    ASSERT_TRUE(QDir().mkpath(dir));
    {
        db::Connection c;
        c.open(dir, db::Connection::OpenMode::CreateIfMissing);
        db::TableDef old{QStringLiteral("Documents"),
                         {db::FieldDef::text(QStringLiteral("ID"), 50), db::FieldDef::text(QStringLiteral("Name"), 20),
                          db::FieldDef::text(QStringLiteral("DBVer"), 10).withDefault(QStringLiteral("1.22"))},
                         {},
                         {}};
        c.createTable(old);
        c.exec(QStringLiteral("INSERT INTO Documents (ID, Name) VALUES ('d1', 'Data sheet'), ('d2', 'Drawing')"));
    }
    m_main->CloseMain(); // repair is offered without an open project database
    m_script.expectFiles({dir + QStringLiteral("/database.sqlite")});
    m_script.expect(QStringLiteral("DlgChooseItem"), [](QDialog& d) {
        auto* list = d.findChild<QListWidget*>(QStringLiteral("DlgChooseItemList"));
        const auto found = list->findItems(QStringLiteral("Documents"), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        list->setCurrentItem(found.first());
        clickButton(d, QStringLiteral("BtnOK"));
    });
    m_script.expectMessage(QStringLiteral("Do you want to repair table:"), MsgCodeYes);
    m_script.expectPlainMessage(QStringLiteral("Successfully repaired!"));
    m_main->DatabaseRepair();

    db::Connection c;
    c.open(dir);
    EXPECT_EQ(c.tableDef(QStringLiteral("Documents")).fields, schema::table(QStringLiteral("Documents")).fields);
    EXPECT_EQ(c.declaredDefault(QStringLiteral("Documents"), QStringLiteral("DBVer")), QStringLiteral("1.4"));
    EXPECT_EQ(rowCount(dir, QStringLiteral("Documents")), 2);
}

TEST_F(DatabaseMenuTest, SelectingAFolderWithoutTablesLeavesNoProjectDatabase)
{
    const QString empty = m_ws.root() + QStringLiteral("/Empty");
    ASSERT_TRUE(QDir().mkpath(empty));
    chooseDirectory(m_script, empty);
    m_script.expectMessage(QStringLiteral("Failed to open project database!"), MsgCodeOK);
    m_main->DatabaseProjectSelect();
    EXPECT_FALSE(m_data.projectsConnected());
    EXPECT_EQ(m_main->windowTitle(), QStringLiteral("ZEK - KIRO"));
    EXPECT_TRUE(m_main->action(QStringLiteral("MenuDBExit"))->isVisible());
    EXPECT_FALSE(QFileInfo::exists(empty + QStringLiteral("/database.sqlite"))) << "nothing is created there";
}

TEST_F(DatabaseMenuTest, EmptyingAsksFirstAndKeepsTheTablesOpen)
{
    db::Dataset& projects = m_data.table(QStringLiteral("TableProjects"));
    ASSERT_TRUE(projects.append());
    projects.fieldByName(QStringLiteral("Name")).setValue(QStringLiteral("To go"));
    ASSERT_TRUE(projects.post());

    m_script.expectMessage(QStringLiteral("31"), MsgCodeNo);
    m_main->DatabaseProjectEmpty();
    EXPECT_EQ(projects.recordCount(), 1) << "No keeps everything";

    m_script.expectMessage(QStringLiteral("31"), MsgCodeYes);
    m_main->DatabaseProjectEmpty();
    EXPECT_TRUE(projects.isActive());
    EXPECT_EQ(projects.recordCount(), 0);
    EXPECT_TRUE(m_data.projectsConnected());
}

TEST(OptDBDialog, EveryDirectoryMustExistAndTheLockDirectoryFollowsProjects)
{
    TestWorkspace ws;
    ScriptedInteraction script;
    DatabaseSettings s;
    const QString existing = ws.exeDir() + QLatin1Char('/');
    for (QString* dir : {&s.Projects, &s.PDB, &s.Address, &s.ExtProds, &s.ExtComplex, &s.Spares, &s.System,
                         &s.Language, &s.NetDir})
        *dir = existing;
    s.PDB = ws.root() + QStringLiteral("/no-such-pdb/");
    s.UseProjDirAsNetDir = true;

    TDlgOptDB dialog;
    dialog.load(s, ws.tmpDir());
    dialog.show();
    EXPECT_TRUE(dialog.field(QStringLiteral("NetDir"))->isReadOnly());
    dialog.field(QStringLiteral("Projects"))->setText(ws.workDir());
    EXPECT_EQ(dialog.field(QStringLiteral("NetDir"))->text(), ws.workDir()) << "follows at once";

    script.expectMessage(QStringLiteral("does not exist!"), MsgCodeOK);
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
    EXPECT_TRUE(dialog.field(QStringLiteral("PDB"))->hasFocus() || QApplication::focusWidget() == nullptr
                || QApplication::focusWidget() == dialog.field(QStringLiteral("PDB")));
    EXPECT_TRUE(script.messages().last().contains(QStringLiteral("no-such-pdb")));

    dialog.sameAsProjects()->click();
    EXPECT_FALSE(dialog.field(QStringLiteral("NetDir"))->isReadOnly());
    dialog.field(QStringLiteral("PDB"))->setText(existing);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    DatabaseSettings stored;
    dialog.store(stored);
    EXPECT_EQ(stored.Projects, AppContext::withSlash(ws.workDir()));
    EXPECT_FALSE(stored.UseProjDirAsNetDir);
}
