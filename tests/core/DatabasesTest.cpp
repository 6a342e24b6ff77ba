#include "app/core/Messages.h"
#include "app/core/MsgFormat.h"
#include "app/core/Progress.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "data/Schema.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "support/RecordingInteraction.h"
#include "support/TestWorkspace.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace kiro;
using kiro::test::RecordingInteraction;
using kiro::test::TestWorkspace;

namespace {

class ProgressRecorder : public ProgressDisplay {
public:
    ProgressRecorder() { setProgressDisplay(this); }
    ~ProgressRecorder() override { setProgressDisplay(nullptr); }
    void showProgress(const QString& text, int position) override
    {
        texts << text;
        positions << position;
    }
    void hideProgress() override { positions << -1; }
    QStringList texts;
    QList<int> positions;
};

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

class DatabasesTest : public ::testing::Test {
public:
    void SetUp() override
    {
        m_ws.layOutDatabases();
        settings().open(m_ws.workIni());
        m_data.FormDataCreate();
    }

    QString dbFile(const char* folder) const
    {
        return m_ws.exeDir() + QLatin1Char('/') + QString::fromLatin1(folder) + QStringLiteral("/database.sqlite");
    }

    // Gives a table of a shipped database a structure of another version.
    void markTable(const char* folder, const QString& table, const QString& version)
    {
        db::Connection c;
        c.open(m_ws.exeDir() + QLatin1Char('/') + QString::fromLatin1(folder));
        db::TableDef def = c.tableDef(table);
        for (db::FieldDef& f : def.fields) {
            if (f.name == QLatin1String("DBVer"))
                f.defaultValue = version;
        }
        c.restructureTable(def);
    }

    TestWorkspace m_ws;
    RecordingInteraction m_messages;
    TFormData m_data;
};

} // namespace

TEST_F(DatabasesTest, EveryDatabaseOpensInOrderWithItsProgress)
{
    ProgressRecorder progress;
    ASSERT_TRUE(m_data.OpenSession());
    ASSERT_TRUE(m_data.OpenSystem());
    EXPECT_EQ(progress.positions, (QList<int>{0, 50, -1, 0, 10, 20, 40, 50, 55, 60, 65, 75, 85, 90, -1}));
    ASSERT_TRUE(m_data.OpenLang());
    ASSERT_TRUE(m_data.OpenAddress());
    progress.positions.clear();
    progress.texts.clear();
    ASSERT_TRUE(m_data.OpenProjects());
    QList<int> expected{0, 5};
    for (int p = 10; p <= 95; p += 5)
        expected << p;
    expected << -1;
    EXPECT_EQ(progress.positions, expected);
    EXPECT_EQ(progress.texts.first(), MsgText(QStringLiteral("Opening project database")));
    EXPECT_EQ(progress.texts.last(), formatMessage(MsgText(QStringLiteral("Opening project database (%s)")),
                                                   {QDir::toNativeSeparators(settings().databases().Projects)}));
    ASSERT_TRUE(m_data.OpenExternal());
    ASSERT_TRUE(m_data.OpenSpares());
    EXPECT_TRUE(m_messages.messages().isEmpty()) << m_messages.messages().join(QLatin1Char('\n')).toStdString();

    for (const QString& name : m_data.tableNames()) {
        db::Dataset& t = m_data.table(name);
        const bool onDemand = name.startsWith(QLatin1String("Temp")) || name == QLatin1String("TableLogView");
        EXPECT_EQ(t.isActive(), !onDemand) << name.toStdString();
    }
    EXPECT_TRUE(m_data.projectsConnected());
    EXPECT_EQ(m_data.projectTableComponents().size(), 27) << "24 tables, Products, Accessories and DetailPrices twice";

    EXPECT_TRUE(m_data.CloseSession());
    EXPECT_FALSE(m_data.projectsConnected());
    EXPECT_FALSE(m_data.table(QStringLiteral("TableUsers")).isActive());
}

TEST_F(DatabasesTest, BadDatabasesAreRefusedWithTheTableNamedAndLeftUntouched)
{
    struct Case {
        const char* name;
        const char* folder;
        std::function<void(DatabasesTest&)> spoil;
        std::function<bool(TFormData&)> open;
        const char* failureLine;
        const char* detail;
    };
    const Case cases[] = {
        {"older structure", "System", [](DatabasesTest& t) { t.markTable("System", QStringLiteral("Users"), QStringLiteral("1.22")); },
         [](TFormData& d) { return d.OpenSystem(); }, "Failed to open system database!", "Could not open table 'Users'!"},
        {"missing table", "Address",
         [](DatabasesTest& t) {
             db::Connection c;
             c.open(t.m_ws.exeDir() + QStringLiteral("/Address"));
             c.dropTable(QStringLiteral("Customers"));
         },
         [](TFormData& d) { return d.OpenAddress(); }, "Failed to open address database!", "Could not open table 'Customers'!"},
        {"not a database", "Projects",
         [](DatabasesTest& t) {
             QFile f(t.dbFile("Projects"));
             ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
             f.write("this is a text file, not a database\n");
         },
         [](TFormData& d) { return d.OpenProjects(); }, "Failed to open project database!", ""},
        {"no database at all", "Spares", [](DatabasesTest& t) { QFile::remove(t.dbFile("Spares")); },
         [](TFormData& d) { return d.OpenSpares(); }, "Failed to open spares database!", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.spoil(*this);
        const QByteArray before = fileHash(dbFile(c.folder));
        m_messages.clear();
        EXPECT_FALSE(c.open(m_data));
        ASSERT_EQ(m_messages.messages().size(), 1);
        const QString text = m_messages.messages().first();
        EXPECT_TRUE(text.startsWith(QString::fromLatin1(c.failureLine))) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromLatin1(c.detail))) << text.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral("Please update databases with 'DARavova' !"))) << text.toStdString();
        EXPECT_EQ(fileHash(dbFile(c.folder)), before) << "nothing is written to a bad database";
    }
    EXPECT_FALSE(m_data.projectsConnected());
}

TEST_F(DatabasesTest, PrivateDirectoriesTakeTheFirstFreeNumber)
{
    EXPECT_TRUE(m_data.privateDir().endsWith(QStringLiteral("/KIRO0001/")));
    for (const char* used : {"KIRO0002", "KIRO0003"})
        ASSERT_TRUE(QDir(m_ws.tmpDir()).mkdir(QString::fromLatin1(used)));
    TFormData second;
    second.FormDataCreate();
    EXPECT_TRUE(second.privateDir().endsWith(QStringLiteral("/KIRO0004/")));
    EXPECT_TRUE(second.CleanupPrivateDir());
    EXPECT_FALSE(QFileInfo::exists(m_ws.tmpDir() + QStringLiteral("/KIRO0004")));
}

TEST_F(DatabasesTest, SessionsInTheLockDirectoryAreRegistered)
{
    ASSERT_TRUE(m_data.OpenSession());
    const QString lockDir = settings().databases().NetDir;
    EXPECT_EQ(SessionRegistry::sessionsIn(lockDir).size(), 1);
    EXPECT_TRUE(m_data.session().otherSessions().isEmpty()) << "this session is not another one";
    m_data.CloseSession();
    EXPECT_TRUE(SessionRegistry::sessionsIn(lockDir).isEmpty());

    settings().databases().NetDir = m_ws.root() + QStringLiteral("/missing/");
    EXPECT_FALSE(m_data.OpenSession());
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_TRUE(m_messages.messages().first().startsWith(QStringLiteral("Failed init BDE session!\n")));
}

TEST_F(DatabasesTest, UsersAreFoundByTheirExactLogonName)
{
    ASSERT_TRUE(m_data.OpenSession() && m_data.OpenSystem());
    QString name, company;
    EXPECT_TRUE(m_data.UsersFindFullName(QStringLiteral("ANNA"), name, company));
    EXPECT_FALSE(name.isEmpty());
    EXPECT_FALSE(company.isEmpty());
    QString other = QStringLiteral("unchanged");
    EXPECT_FALSE(m_data.UsersFindFullName(QStringLiteral("anna"), other, company)) << "letter case counts";
    EXPECT_EQ(other, QStringLiteral("unchanged"));
}

TEST_F(DatabasesTest, ADetailRowTakesItsLinkFromTheMaster)
{
    ASSERT_TRUE(m_data.OpenSession() && m_data.OpenSystem() && m_data.OpenLang() && m_data.OpenProjects());
    db::Dataset& projects = m_data.table(QStringLiteral("TableProjects"));
    ASSERT_TRUE(projects.append());
    projects.fieldByName(QStringLiteral("Name")).setValue(QStringLiteral("Pump station O'Hara"));
    ASSERT_TRUE(projects.post());
    const QString projectId = projects.fieldByName(QStringLiteral("ID")).asString();
    EXPECT_EQ(projectId.size(), 33);

    db::Dataset& products = m_data.table(QStringLiteral("TableProducts"));
    ASSERT_TRUE(products.append());
    EXPECT_EQ(products.fieldByName(QStringLiteral("ProjectID")).asString(), projectId);
    ASSERT_TRUE(products.post());
    db::Dataset& log = m_data.table(QStringLiteral("TableProjLog"));
    ASSERT_TRUE(log.append());
    EXPECT_EQ(log.fieldByName(QStringLiteral("ParentID")).asString(), projectId);
    EXPECT_TRUE(log.fieldByName(QStringLiteral("Date")).asDateTime().isValid());
    log.cancel();
}
