#include "app/FormMain.h"
#include "app/Translate.h"
#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Dataset.h"
#include "dialogs/UserInfo.h"
#include "pdb/DataPDB.h"
#include "support/ScriptedInteraction.h"
#include "support/TestWorkspace.h"
#include "support/WorkingMainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace kiro;
using kiro::test::ScriptedInteraction;
using kiro::test::TestWorkspace;
using kiro::test::clickButton;

namespace {

class LanguageTest : public kiro::test::WorkingMainWindow {
protected:
    // The text of a column on a language's row of an interface table.
    QString interfaceRow(const char* table, const QString& language, const char* column)
    {
        db::Dataset& t = m_data.table(QString::fromLatin1(table));
        return t.lookup(QStringLiteral("ID"), language, QString::fromLatin1(column)).toString();
    }

    void chooseLanguage(const QString& language, bool ok)
    {
        m_script.expect(QStringLiteral("DlgLang"), [language, ok](QDialog& d) {
            auto* list = d.findChild<QListWidget*>(QStringLiteral("DlgLangList"));
            for (int i = 0; i < list->count(); ++i) {
                if (list->item(i)->data(Qt::UserRole).toString() == language)
                    list->setCurrentRow(i);
            }
            clickButton(d, ok ? QStringLiteral("BtnOK") : QStringLiteral("BtnCancel"));
        });
        m_main->OptionsLanguages();
    }
};

} // namespace

TEST_F(LanguageTest, TheWholeInterfaceFollowsTheChosenLanguage)
{
    const QString seProject = interfaceRow("TableLangMenus", QStringLiteral("SE"), "MenuProject");
    const QString seExit = interfaceRow("TableLangMenus", QStringLiteral("SE"), "MenuProjectExit");
    ASSERT_FALSE(seProject.isEmpty());
    EXPECT_EQ(m_main->menu(QStringLiteral("MenuProject"))->title(),
              interfaceRow("TableLangMenus", QStringLiteral("UK"), "MenuProject"));
    const QString ukSorting = MsgText(QStringLiteral("35"));

    chooseLanguage(QStringLiteral("SE"), true);
    EXPECT_EQ(settings().system().Language, QStringLiteral("SE"));
    EXPECT_EQ(GetActiveLanguage(), QStringLiteral("SE"));
    EXPECT_EQ(m_main->menu(QStringLiteral("MenuProject"))->title(), seProject);
    EXPECT_EQ(m_main->action(QStringLiteral("MenuProjectExit"))->text(), seExit);
    EXPECT_NE(MsgText(QStringLiteral("35")), ukSorting) << "messages follow";
    EXPECT_EQ(m_main->findChild<QLabel*>(QStringLiteral("FormMainStatusPanel3"))->text(), MsgText(QStringLiteral("35")));
    EXPECT_EQ(m_main->folderCaptions().first(),
              interfaceRow("TableLangMain", QStringLiteral("SE"), "TreeProjectProducts"));

    // The keyword lookups of the project data switch their column too.
    db::Dataset& projects = m_data.table(QStringLiteral("TableProjects"));
    ASSERT_TRUE(projects.append());
    projects.fieldByName(QStringLiteral("QuotStatus")).setValue(QStringLiteral("10"));
    ASSERT_TRUE(projects.post());
    const QString seStatus =
        m_data.table(QStringLiteral("TableLangStatQuotation")).lookup(QStringLiteral("Keyword"), QStringLiteral("10"), QStringLiteral("SE")).toString();
    EXPECT_EQ(projects.fieldByName(QStringLiteral("_QUOTSTATUS")).asString(), seStatus);

    chooseLanguage(QStringLiteral("UK"), true);
    EXPECT_EQ(m_main->menu(QStringLiteral("MenuProject"))->title(),
              interfaceRow("TableLangMenus", QStringLiteral("UK"), "MenuProject"));
    EXPECT_EQ(MsgText(QStringLiteral("35")), ukSorting);
}

TEST_F(LanguageTest, CancelKeepsTheLanguageAfterThePreview)
{
    const QString before = m_main->menu(QStringLiteral("MenuProject"))->title();
    m_script.expect(QStringLiteral("DlgLang"), [this](QDialog& d) {
        auto* list = d.findChild<QListWidget*>(QStringLiteral("DlgLangList"));
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->data(Qt::UserRole).toString() == QLatin1String("SE"))
                list->setCurrentRow(i);
        }
        EXPECT_EQ(d.windowTitle(), interfaceRow("TableLangDialogs", QStringLiteral("SE"), "DlgLang"))
            << "the dialog previews the language";
        clickButton(d, QStringLiteral("BtnCancel"));
    });
    m_main->OptionsLanguages();
    EXPECT_EQ(settings().system().Language, QStringLiteral("UK"));
    EXPECT_EQ(m_main->menu(QStringLiteral("MenuProject"))->title(), before);
    EXPECT_EQ(m_data.table(QStringLiteral("TableLangMain")).fieldByName(QStringLiteral("ID")).asString(),
              QStringLiteral("UK"));
}

TEST_F(LanguageTest, HelpPagesFallBackToEnglish)
{
    SetHelpFile(QStringLiteral("SE"));
    EXPECT_TRUE(HelpFile().endsWith(QStringLiteral("Help/KIRO_UK.html")));
    QFile se(app().helpDir() + QStringLiteral("KIRO_SE.html"));
    QDir().mkpath(app().helpDir());
    ASSERT_TRUE(se.open(QIODevice::WriteOnly));
    se.close();
    SetHelpFile(QStringLiteral("SE"));
    EXPECT_TRUE(HelpFile().endsWith(QStringLiteral("Help/KIRO_SE.html")));
}

TEST_F(LanguageTest, UserInformationNeedsNamesAndACompany)
{
    db::Dataset& users = m_data.table(QStringLiteral("TableUsers"));
    const int before = users.recordCount();
    QString id = QStringLiteral("NEWBIE"), name, company;
    m_script.expect(QStringLiteral("DlgUserInfo"), [](QDialog& d) {
        auto& dlg = dynamic_cast<TDlgUserInfo&>(d);
        EXPECT_TRUE(d.findChild<QLabel*>(QStringLiteral("DlgUserInfoLblNotFound"))->isVisible());
        EXPECT_EQ(dlg.loginEdit()->text(), QStringLiteral("NEWBIE"));
        EXPECT_FALSE(dlg.okButton()->isEnabled());
        dlg.nameEdit()->setText(QStringLiteral("   "));
        dlg.companyBox()->setCurrentIndex(1);
        EXPECT_FALSE(dlg.okButton()->isEnabled()) << "a full name of spaces is no name";
        dlg.nameEdit()->setText(QStringLiteral("Nils Nybörjare"));
        EXPECT_TRUE(dlg.okButton()->isEnabled());
        dlg.saveBox()->setChecked(false);
        clickButton(d, QStringLiteral("BtnOK"));
    });
    ASSERT_TRUE(ExecuteUserInfo(m_data, id, name, company, true));
    EXPECT_EQ(name, QStringLiteral("Nils Nybörjare"));
    EXPECT_FALSE(company.isEmpty());
    EXPECT_EQ(users.recordCount(), before) << "not saved: the values are for this run only";

    m_script.expect(QStringLiteral("DlgUserInfo"), [](QDialog& d) {
        auto& dlg = dynamic_cast<TDlgUserInfo&>(d);
        dlg.nameEdit()->setText(QStringLiteral("Nils Nybörjare"));
        dlg.companyBox()->setCurrentIndex(1);
        clickButton(d, QStringLiteral("BtnOK"));
    });
    ASSERT_TRUE(ExecuteUserInfo(m_data, id, name, company, true));
    EXPECT_EQ(users.recordCount(), before + 1);
    QString found, foundCompany;
    EXPECT_TRUE(m_data.UsersFindFullName(QStringLiteral("NEWBIE"), found, foundCompany));
    EXPECT_EQ(found, QStringLiteral("Nils Nybörjare"));
}

TEST(LanguageStartup, AnUnknownLogonNameOpensTheUserInformationOnce)
{
    TestWorkspace ws;
    ws.layOutDatabases();
    ScriptedInteraction script;
    app().setCurrentUserID(QStringLiteral("anna")); // registered as ANNA: the match is exact
    TFormMain main;
    TFormData data;
    data.FormDataCreate();
    TFormDataPDB pdb;
    main.attachDataModules(&data, &pdb);
    int shown = 0;
    script.expect(QStringLiteral("DlgUserInfo"), [&](QDialog& d) {
        ++shown;
        EXPECT_TRUE(main.workspaceVisible()) << "after the tree is loaded";
        clickButton(d, QStringLiteral("BtnCancel"));
    });
    main.show();
    QApplication::processEvents();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(app().currentUserName().isEmpty()) << "cancelled: the names stay empty";
    main.close();
}
