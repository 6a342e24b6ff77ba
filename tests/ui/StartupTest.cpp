#include "app/FormMain.h"
#include "app/Program.h"
#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "pdb/DataPDB.h"
#include "support/ScriptedInteraction.h"
#include "support/TestWorkspace.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace kiro;
using kiro::test::ScriptedInteraction;
using kiro::test::clickButton;

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { m_ws.layOutDatabases(); }

    QString path(const char* sub) const { return m_ws.path(sub); }
    QString workIni() const { return m_ws.workIni(); }

    static void logOnAs(ScriptedInteraction& script, const QString& name)
    {
        script.expect(QStringLiteral("DlgLogon"), [name](QDialog& d) {
            auto* edit = d.findChild<QLineEdit*>(QStringLiteral("DlgLogonEditUsername"));
            ASSERT_NE(edit, nullptr);
            edit->clear();
            QTest::keyClicks(edit, name);
            clickButton(d, QStringLiteral("BtnOK"));
        });
    }

    // Starts the program through the logon, shows the main window and lets
    // the deferred set-up run.
    bool startAndShow(ProgramParts& parts, ScriptedInteraction& script, const QString& name)
    {
        logOnAs(script, name);
        if (!StartProgram(parts))
            return false;
        parts.main->show();
        QApplication::processEvents();
        return true;
    }

    kiro::test::TestWorkspace m_ws;
};

} // namespace

namespace {

bool menuVisible(TFormMain& w, const char* name)
{
    return w.menu(QString::fromLatin1(name))->menuAction()->isVisible();
}

} // namespace

TEST_F(StartupTest, CancelAtLogonCreatesAndWritesNothing)
{
    ScriptedInteraction script;
    script.expect(QStringLiteral("DlgLogon"), [](QDialog& d) { clickButton(d, QStringLiteral("BtnCancel")); });
    ProgramParts parts;
    EXPECT_FALSE(StartProgram(parts));
    EXPECT_EQ(parts.main, nullptr);
    EXPECT_EQ(parts.data, nullptr);
    EXPECT_EQ(parts.pdb, nullptr);
    EXPECT_FALSE(QFile::exists(workIni()));
    EXPECT_TRUE(QDir(path("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
        << "no private directory";
}

TEST_F(StartupTest, LogonNeedsANameAndUpperCasesIt)
{
    ScriptedInteraction script;
    script.expect(QStringLiteral("DlgLogon"), [&script](QDialog& d) {
        auto* edit = d.findChild<QLineEdit*>(QStringLiteral("DlgLogonEditUsername"));
        EXPECT_EQ(edit->text(), edit->text().toUpper()) << "starts with the login name in upper case";
        edit->clear();
        script.expectMessage(QStringLiteral("Enter your username!"), MsgCodeOK);
        clickButton(d, QStringLiteral("BtnOK"));
        EXPECT_TRUE(d.isVisible()) << "an empty name keeps the dialog open";
        EXPECT_EQ(app().appMode(), 0);
        QTest::keyClicks(edit, QStringLiteral("jdoe"));
        EXPECT_EQ(edit->text(), QStringLiteral("JDOE"));
        clickButton(d, QStringLiteral("BtnOK"));
    });
    ProgramParts parts;
    ASSERT_TRUE(StartProgram(parts));
    EXPECT_EQ(app().currentUserID(), QStringLiteral("JDOE"));
    EXPECT_EQ(app().appMode(), 1);
    EXPECT_NE(parts.data, nullptr);
    EXPECT_TRUE(parts.data->privateDirOK());
    EXPECT_TRUE(parts.data->privateDir().startsWith(path("tmp") + QStringLiteral("/KIRO0001")));
}

TEST_F(StartupTest, WithoutAnySettingsFileDefaultsAreUsedAndTheFileIsWrittenAtClose)
{
    ScriptedInteraction script;
    ProgramParts parts;
    ASSERT_TRUE(startAndShow(parts, script, QStringLiteral("anna")));
    EXPECT_EQ(settings().system().DefaultCurrency, QStringLiteral("EUR"));
    EXPECT_EQ(settings().databases().Projects, app().exeDir() + QStringLiteral("Projects/"));

    parts.main->close();
    ASSERT_TRUE(QFile::exists(workIni()));
    IniFile ini(workIni());
    EXPECT_EQ(ini.readString(QStringLiteral("System"), QStringLiteral("Language")), QStringLiteral("UK"));
    EXPECT_FALSE(ini.readString(QStringLiteral("Databases"), QStringLiteral("NetDir")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(parts.data->privateDir())) << "the empty private directory is removed";
}

TEST_F(StartupTest, ShippedSettingsAreCopiedOnceAndNeverOverwritten)
{
    {
        QFile shipped(path("exe") + QStringLiteral("/KIRO.INI"));
        ASSERT_TRUE(shipped.open(QIODevice::WriteOnly));
        shipped.write("[System]\nDefaultCurrency=SEK\n");
    }
    {
        ScriptedInteraction script;
        ProgramParts parts;
        logOnAs(script, QStringLiteral("anna"));
        ASSERT_TRUE(StartProgram(parts));
        EXPECT_EQ(settings().system().DefaultCurrency, QStringLiteral("SEK"));
        settings().file().writeString(QStringLiteral("System"), QStringLiteral("DefaultCurrency"),
                                      QStringLiteral("NOK"));
    }
    settings().close();
    settings().resetToDefaults();
    {
        ScriptedInteraction script;
        ProgramParts parts;
        logOnAs(script, QStringLiteral("anna"));
        ASSERT_TRUE(StartProgram(parts));
        EXPECT_EQ(settings().system().DefaultCurrency, QStringLiteral("NOK")) << "the copy is kept";
    }
}

TEST_F(StartupTest, DeferredSetUpRunsAfterTheWindowIsShown)
{
    ScriptedInteraction script;
    ProgramParts parts;
    logOnAs(script, QStringLiteral("anna"));
    ASSERT_TRUE(StartProgram(parts));
    TFormMain& w = *parts.main;
    w.show();
    EXPECT_FALSE(w.workspaceVisible()) << "set-up must not run inside the show";
    EXPECT_EQ(w.windowTitle(), QStringLiteral("ZEK - KIRO"));
    EXPECT_FALSE(menuVisible(w, "MenuProject"));

    QApplication::processEvents();
    EXPECT_TRUE(w.workspaceVisible());
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("ZEK - KIRO : [")));
    for (const char* m : {"MenuProject", "MenuEdit", "MenuView", "MenuPrintout", "MenuOptions", "MenuHelp"})
        EXPECT_TRUE(menuVisible(w, m)) << m;
    EXPECT_FALSE(menuVisible(w, "MenuTools"));
    EXPECT_FALSE(w.action(QStringLiteral("MenuDBExit"))->isVisible()) << "Exit is in the Project menu";
    EXPECT_TRUE(w.action(QStringLiteral("MenuDBProjectClose"))->isEnabled());
    EXPECT_EQ(app().applicationTitle(), w.windowTitle());
}

TEST_F(StartupTest, AMissingLanguageDatabaseLeavesOnlyTheDatabaseMenu)
{
    ASSERT_TRUE(QFile::remove(m_ws.exeDir() + QStringLiteral("/Language/database.sqlite")));
    ScriptedInteraction script;
    TFormMain w;
    TFormData data;
    data.FormDataCreate();
    TFormDataPDB pdb;
    w.attachDataModules(&data, &pdb);
    script.expectMessage(QStringLiteral("Failed to open language database!"), MsgCodeOK);
    w.show();
    QApplication::processEvents();

    EXPECT_FALSE(w.workspaceVisible());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("ZEK - KIRO"));
    for (const char* m : {"MenuProject", "MenuEdit", "MenuView", "MenuPrintout", "MenuOptions", "MenuHelp", "MenuTools"})
        EXPECT_FALSE(menuVisible(w, m)) << m;
    EXPECT_TRUE(menuVisible(w, "MenuDB"));
    EXPECT_TRUE(w.action(QStringLiteral("MenuDBExit"))->isVisible());
    EXPECT_TRUE(w.action(QStringLiteral("MenuDB_3"))->isVisible());
    EXPECT_FALSE(w.action(QStringLiteral("MenuDBProjectClose"))->isEnabled());
    EXPECT_FALSE(w.action(QStringLiteral("MenuDBRepairTable"))->isVisible()) << "champion access only";
    w.close();
}

TEST_F(StartupTest, ChampionAccessShowsTheMaintenanceCommands)
{
    ScriptedInteraction script;
    app().setAppMode(AppContext::Champion);
    app().setCurrentUserID(QStringLiteral("ANNA"));
    TFormMain w;
    TFormData data;
    data.FormDataCreate();
    TFormDataPDB pdb;
    w.attachDataModules(&data, &pdb);
    w.show();
    QApplication::processEvents();
    for (const char* a : {"MenuDBProjectEmpty", "MenuDB_2", "MenuDBRepairTable"})
        EXPECT_TRUE(w.action(QString::fromLatin1(a))->isVisible()) << a;
    EXPECT_FALSE(w.action(QStringLiteral("MenuDBRepairTable"))->isEnabled()) << "only without a project database";
    w.close();
}

TEST_F(StartupTest, ProgressPanelTakesTheStatusBarPlace)
{
    TFormMain w;
    w.show();
    QApplication::processEvents();
    auto* panel = w.findChild<QWidget*>(QStringLiteral("FormMainPanelProgress"));
    auto* status = w.findChild<QWidget*>(QStringLiteral("FormMainStatusBar"));
    ShowProgress(QStringLiteral("Opening project database (%s)"), {QStringLiteral("/data")}, 40);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(status->isVisible());
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("FormMainLblProgress"))->text(),
              QStringLiteral("Opening project database (/data)"));
    ShowProgress(QStringLiteral("done"), {}, 100);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(status->isVisible());
    w.close();
}

TEST_F(StartupTest, AChampionPasswordGrantsChampionAccessOnceTheSystemDatabaseIsOpen)
{
    struct Case {
        const char* password;
        int mode;
        bool warned;
    };
    const Case cases[] = {{"champion", AppContext::Champion, false}, {"guess", AppContext::Standard, true}, {"", AppContext::Standard, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password);
        settings().close();
        ScriptedInteraction script;
        script.expect(QStringLiteral("DlgLogon"), [&c](QDialog& d) {
            d.findChild<QLineEdit*>(QStringLiteral("DlgLogonEditUsername"))->setText(QStringLiteral("ANNA"));
            auto* password = d.findChild<QLineEdit*>(QStringLiteral("DlgLogonEditPassword"));
            ASSERT_TRUE(password->isVisible());
            EXPECT_EQ(password->echoMode(), QLineEdit::Password);
            password->setText(QString::fromLatin1(c.password));
            clickButton(d, QStringLiteral("BtnOK"));
        });
        if (c.warned)
            script.expectMessage(QStringLiteral("The password for champion access is not correct. You work with standard access."), MsgCodeOK);
        ProgramParts parts;
        ASSERT_TRUE(StartProgram(parts));
        EXPECT_EQ(app().appMode(), AppContext::Standard) << "nothing is granted before the check";
        parts.main->show();
        QApplication::processEvents();
        EXPECT_EQ(app().appMode(), c.mode);
        EXPECT_EQ(parts.main->action(QStringLiteral("MenuDBRepairTable"))->isVisible(), c.mode == AppContext::Champion);
        parts.main->close();
    }
}
