#include "DbTestSupport.h"

#include "db/DatabaseError.h"
#include "db/Query.h"

#include <QSet>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace kiro::db;
using kiro::db::test::itemsTable;
using Reliability = kiro::db::test::DbTest;

namespace {

int rowCount(Connection& c)
{
    Query q(c, "SELECT COUNT(*) AS N FROM Items");
    q.open();
    return q.fieldByName("N").asInteger();
}

// Runs `body` in a child process that has its own connection; returns the pid.
template <typename Body>
pid_t spawn(Body body)
{
    const pid_t pid = fork();
    if (pid == 0) {
        int code = 0;
        try {
            body();
        } catch (...) {
            code = 3;
        }
        _exit(code);
    }
    return pid;
}

int waitFor(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

} // namespace

TEST_F(Reliability, ProcessKilledInsideATransactionLeavesTheDatabaseAsBefore)
{
    db().createTable(itemsTable());
    addItems({"keep1,P,1,A", "keep2,P,2,B"});
    const QString dir = path();
    db().close();

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = spawn([&] {
        close(ready[0]);
        Connection c;
        c.open(dir);
        Dataset ds(c, "Items");
        ds.open();
        Transaction t(c);
        for (int i = 0;; ++i) {
            ds.append();
            ds.fieldByName("ID").setValue(QString("tx%1").arg(i));
            ds.post();
            if (i == 200) {
                const char x = 'x';
                (void)!write(ready[1], &x, 1); // halfway through: tell the parent
            }
        }
    });
    close(ready[1]);
    char x = 0;
    ASSERT_EQ(read(ready[0], &x, 1), 1);
    kill(child, SIGKILL);
    const int status = waitFor(child);
    close(ready[0]);
    ASSERT_TRUE(WIFSIGNALED(status));

    Connection after;
    after.open(dir);
    EXPECT_EQ(rowCount(after), 2);
    Query check(after, "PRAGMA integrity_check");
    check.open();
    EXPECT_EQ(check.field(0).asString(), "ok");
    after.exec("INSERT INTO Items (ID) VALUES ('writable')"); // no lock left behind
}

TEST_F(Reliability, TwoProcessesAppendingLoseNoRow)
{
    db().createTable(itemsTable());
    const QString dir = path();
    db().close();
    constexpr int kRows = 150;
    auto writer = [&](const QString& prefix) {
        return spawn([&dir, prefix] {
            Connection c;
            c.open(dir);
            Dataset ds(c, "Items");
            ds.open();
            for (int i = 0; i < kRows; ++i) {
                ds.append();
                ds.fieldByName("ID").setValue(QString("%1%2").arg(prefix).arg(i));
                ds.post();
                if (i % 50 == 0) {
                    ds.refresh(); // reads in between, as a workstation does
                }
            }
        });
    };
    const pid_t a = writer("a");
    const pid_t b = writer("b");
    const int sa = waitFor(a);
    const int sb = waitFor(b);
    EXPECT_TRUE(WIFEXITED(sa) && WEXITSTATUS(sa) == 0);
    EXPECT_TRUE(WIFEXITED(sb) && WEXITSTATUS(sb) == 0);

    Connection after;
    after.open(dir);
    Dataset ds(after, "Items");
    ds.open();
    EXPECT_EQ(ds.recordCount(), 2 * kRows);
    QSet<QString> ids;
    for (ds.first(); !ds.eof(); ds.next()) {
        ids.insert(ds.fieldByName("ID").asString());
    }
    EXPECT_EQ(ids.size(), 2 * kRows);
}
