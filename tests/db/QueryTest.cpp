#include "DbTestSupport.h"

#include "db/DatabaseError.h"
#include "db/Query.h"

#include <QDate>

using namespace kiro::db;

namespace {

class QueryTest : public kiro::db::test::DbTest {
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        TableDef projects{"Projects",
                          {FieldDef::text("ID", 10), FieldDef::text("Name", 30), FieldDef::integer("Revision"),
                           FieldDef::dateTime("QuotDate")},
                          {"ID"},
                          {}};
        TableDef prices{"DetailPrices",
                        {FieldDef::text("ID", 10), FieldDef::text("ProductID", 10), FieldDef::text("ProjectID", 10),
                         FieldDef::floating("SumQuotPrice"), FieldDef::boolean("Alternate"),
                         FieldDef::boolean("AddOption")},
                        {"ID"},
                        {}};
        db().createTable(projects);
        db().createTable(prices);
        Dataset p(db(), "Projects");
        p.open();
        const QList<QVariantList> rows = {{"P1", "O'Hara", 1, QDate(2024, 1, 10)},
                                          {"P2", "O'Hara", 3, QDate(2024, 2, 10)},
                                          {"P3", "Other", 1, QDate(2024, 3, 10)}};
        for (const QVariantList& r : rows) {
            p.append();
            for (int i = 0; i < r.size(); ++i) {
                p.field(i).setValue(r[i]);
            }
            p.post();
        }
        Dataset d(db(), "DetailPrices");
        d.open();
        const QList<QVariantList> prs = {{"1", "X", "P1", 10.0, false, false},
                                         {"2", "X", "P1", 5.5, true, false},
                                         {"3", "X", "P1", 2.0, false, true},
                                         {"4", "Y", "P2", 7.0, false, false},
                                         {"5", "X", "P1", 1.0, false, false}};
        for (const QVariantList& r : prs) {
            d.append();
            for (int i = 0; i < r.size(); ++i) {
                d.field(i).setValue(r[i]);
            }
            d.post();
        }
    }
};

} // namespace

TEST_F(QueryTest, SumWithJoinBooleansAndGroupBy)
{
    Query q(db(), "SELECT SUM(DetailPrices.SumQuotPrice) AS Price, Projects.ID AS ID FROM DetailPrices, Projects "
                  "WHERE ((Projects.ID = DetailPrices.ProjectID) AND (DetailPrices.ProductID = :P) "
                  "AND (DetailPrices.Alternate = false) AND (DetailPrices.AddOption = false)) GROUP BY Projects.ID");
    q.bindValue("P", "X");
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_DOUBLE_EQ(q.fieldByName("Price").asFloat(), 11.0);
    EXPECT_EQ(q.fieldByName("ID").asString(), "P1");
    EXPECT_FALSE(q.next());
    EXPECT_TRUE(q.eof());

    q.bindValue("P", "none");
    q.open();
    EXPECT_TRUE(q.eof()); // GROUP BY over nothing: no row
    EXPECT_DOUBLE_EQ(q.fieldByName("Price").asFloat(), 0.0);
}

TEST_F(QueryTest, MaxWithAQuoteInTheParameter)
{
    Query q(db(), "SELECT MAX(Revision) AS Revision FROM Projects WHERE Name = ?");
    q.bindValue(0, "O'Hara");
    q.open();
    EXPECT_EQ(q.fieldByName("Revision").asInteger(), 3);
    EXPECT_EQ(q.value("revision"), QVariant(3));
}

TEST_F(QueryTest, DatesCompareWithBoundDates)
{
    Query q(db(), "SELECT ID, QuotDate FROM Projects WHERE QuotDate >= :From AND QuotDate < :To ORDER BY ID");
    q.bindValue(":From", QDate(2024, 2, 10));
    q.bindValue(":To", QDateTime(QDate(2024, 3, 10), QTime(0, 0)));
    q.open();
    EXPECT_EQ(q.fieldByName("ID").asString(), "P2");
    EXPECT_EQ(q.fieldByName("QuotDate").asDateTime(), QDateTime(QDate(2024, 2, 10), QTime(0, 0)));
    EXPECT_FALSE(q.next());
}

TEST_F(QueryTest, ExecSqlReportsChangedRows)
{
    Query q(db(), "UPDATE DetailPrices SET Alternate = true WHERE ProductID = :P");
    q.bindValue("P", "X");
    EXPECT_EQ(q.execSql(), 4);
    Query check(db(), "SELECT COUNT(*) AS N FROM DetailPrices WHERE Alternate = true");
    check.open();
    EXPECT_EQ(check.fieldByName("N").asInteger(), 4);
    EXPECT_THROW(check.fieldByName("N").setValue(1), DatabaseError);
}

TEST_F(QueryTest, ErrorsNameTheStatement)
{
    Query bad(db(), "SELEC * FROM Projects");
    try {
        bad.open();
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.message().contains("SELEC * FROM Projects")) << e.message().toStdString();
    }
    Query noParam(db(), "SELECT * FROM Projects");
    noParam.bindValue("Nope", 1);
    EXPECT_THROW(noParam.open(), DatabaseError);
    Query noTable(db(), "SELECT * FROM Missing");
    EXPECT_THROW(noTable.open(), DatabaseError);
    EXPECT_FALSE(noTable.isActive());
}
