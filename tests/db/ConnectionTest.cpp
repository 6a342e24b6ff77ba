#include "DbTestSupport.h"

#include "db/DatabaseError.h"
#include "db/Query.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

using namespace kiro::db;
using kiro::db::test::DbTest;
using kiro::db::test::itemsTable;

namespace {

QString openError(const QString& dir, Connection::OpenMode mode)
{
    Connection c;
    try {
        c.open(dir, mode);
    } catch (const DatabaseError& e) {
        EXPECT_FALSE(c.isOpen());
        return e.message();
    }
    return {};
}

int count(Connection& c, const QString& table)
{
    Query q(c, QStringLiteral("SELECT COUNT(*) AS N FROM ") + table);
    q.open();
    return q.fieldByName("N").asInteger();
}

} // namespace

TEST(ConnectionOpen, FailuresAreClearErrors)
{
    QTemporaryDir dir;
    const QString missingDir = dir.filePath("nowhere");
    EXPECT_TRUE(openError(missingDir, Connection::OpenMode::CreateIfMissing).contains("does not exist"));
    EXPECT_TRUE(openError(dir.path(), Connection::OpenMode::Existing).contains("database.sqlite is missing"));

    QFile foreign(dir.filePath("database.sqlite"));
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write(QByteArray(4096, 'x'));
    foreign.close();
    const QString notDb = openError(dir.path(), Connection::OpenMode::Existing);
    EXPECT_TRUE(notDb.contains("file is not a database")) << notDb.toStdString();
    EXPECT_EQ(QFileInfo(foreign).size(), 4096); // the foreign file is left alone
}

TEST(ConnectionOpen, ReadOnlyDirectoryRefusesWritesWithAClearMessage)
{
    if (geteuid() == 0) {
        GTEST_SKIP() << "file permissions do not apply to root";
    }
    QTemporaryDir dir;
    {
        Connection c;
        c.open(dir.path(), Connection::OpenMode::CreateIfMissing);
        c.createTable(itemsTable());
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    Connection c;
    c.open(dir.path());
    try {
        c.exec("INSERT INTO Items (ID) VALUES ('a')");
        FAIL() << "write to a read-only directory succeeded";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.message().contains("read-only")) << e.message().toStdString();
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(DbTest, MissingTableIsAnErrorNamingIt)
{
    Dataset ds(db(), "Nope");
    try {
        ds.open();
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.message().contains("'Nope'")) << e.message().toStdString();
    }
    EXPECT_FALSE(ds.isActive());
}

TEST_F(DbTest, NestedTransactionsAreSavepoints)
{
    db().createTable(itemsTable());
    {
        Transaction outer(db());
        addItems({"a,P,1,A"});
        {
            Transaction inner(db());
            addItems({"b,P,2,B"});
            inner.rollback();
        }
        {
            Transaction inner(db());
            addItems({"c,P,3,C"});
            inner.commit();
        }
        EXPECT_EQ(db().transactionDepth(), 1);
        outer.commit();
    }
    EXPECT_EQ(count(db(), "Items"), 2);
    {
        Transaction t(db());
        addItems({"d,P,4,D"});
        // not committed: the destructor rolls back
    }
    EXPECT_EQ(count(db(), "Items"), 2);
    EXPECT_EQ(db().transactionDepth(), 0);
}

TEST_F(DbTest, LockedDatabaseWaitsThenFailsClearly)
{
    db().createTable(itemsTable());
    Connection other;
    other.open(path());
    other.setBusyTimeout(200);
    Transaction t(db());
    addItems({"a,P,1,A"});
    try {
        other.exec("INSERT INTO Items (ID) VALUES ('b')");
        FAIL() << "a second writer got in during a transaction";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.message().contains("locked")) << e.message().toStdString();
    }
    t.commit();
    other.exec("INSERT INTO Items (ID) VALUES ('b')");
    EXPECT_EQ(count(db(), "Items"), 2);
}

TEST_F(DbTest, ClosingTheConnectionClosesItsDatasets)
{
    db().createTable(itemsTable());
    addItems({"a,P,1,A"});
    Dataset ds(db(), "Items");
    ds.open();
    db().close();
    EXPECT_FALSE(ds.isActive());
    EXPECT_THROW(ds.open(), DatabaseError);
    EXPECT_TRUE(ds.fieldByName("ID").isNull());
}

TEST_F(DbTest, JournalModeIsRollbackJournal)
{
    Query q(db(), "PRAGMA journal_mode");
    q.open();
    EXPECT_EQ(q.field(0).asString(), "delete");
}
