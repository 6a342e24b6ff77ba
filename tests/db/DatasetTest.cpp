#include "DbTestSupport.h"

#include "db/DatabaseError.h"
#include "db/Query.h"

using namespace kiro::db;
using kiro::db::test::itemsTable;

namespace {

class DatasetTest : public kiro::db::test::DbTest {
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        db().createTable(itemsTable());
        addItems({"a,P1,1,Delta", "b,P1,2,alpha", "c,P2,1,Charlie", "d,P2,2,Bravo", "e,P1,3,Echo"});
    }
};

} // namespace

TEST_F(DatasetTest, CursorBofEofAndRecNo)
{
    Dataset ds(db(), "Items");
    ds.open();
    EXPECT_TRUE(ds.bof());
    EXPECT_FALSE(ds.eof());
    EXPECT_EQ(ds.recordCount(), 5);
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_FALSE(ds.prior());
    EXPECT_TRUE(ds.bof());
    ds.last();
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.fieldByName("ID").asString(), "e");
    EXPECT_FALSE(ds.next());
    EXPECT_EQ(ds.fieldByName("ID").asString(), "e"); // stays on the last row
    EXPECT_EQ(ds.moveBy(-3), -3);
    EXPECT_EQ(ds.recNo(), 2);
    EXPECT_TRUE(ds.setRecNo(4));
    EXPECT_EQ(ds.fieldByName("ID").asString(), "d");

    db().emptyTable("Items");
    ds.refresh();
    EXPECT_TRUE(ds.bof());
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.recNo(), 0);
}

TEST_F(DatasetTest, OrderByFieldsOrIndexName)
{
    Dataset ds(db(), "Items");
    ds.open();
    EXPECT_EQ(column(ds, "ID"), QStringList({"a", "b", "c", "d", "e"})); // primary key
    ds.setIndexFieldNames("ProjectID;Order");
    EXPECT_EQ(column(ds, "ID"), QStringList({"a", "b", "e", "c", "d"}));
    ds.setIndexName("ByName"); // case-insensitive index
    EXPECT_EQ(column(ds, "Name"), QStringList({"alpha", "Bravo", "Charlie", "Delta", "Echo"}));
    ds.setIndexFieldNames("Name"); // case-sensitive
    EXPECT_EQ(column(ds, "Name"), QStringList({"Bravo", "Charlie", "Delta", "Echo", "alpha"}));
    EXPECT_THROW(ds.setIndexName("Nope"), DatabaseError);
    EXPECT_EQ(column(ds, "Name"), QStringList({"Bravo", "Charlie", "Delta", "Echo", "alpha"}));
}

TEST_F(DatasetTest, EditingNeedsEditOrInsertState)
{
    Dataset ds(db(), "Items");
    EXPECT_THROW(ds.fieldByName("Name"), DatabaseError); // not opened yet: no fields
    ds.open();
    try {
        ds.fieldByName("Name").setValue("x");
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.message().contains("not in edit or insert mode"));
    }
    ds.edit();
    EXPECT_THROW(ds.fieldByName("Order").setValue("many"), DatabaseError);
    EXPECT_EQ(ds.fieldByName("Order").asInteger(), 1); // a refused value changes nothing
    ds.fieldByName("Name").setValue("Zulu");
    EXPECT_TRUE(ds.isModified());
    ds.cancel();
    EXPECT_EQ(ds.fieldByName("Name").asString(), "Delta");
    EXPECT_THROW(ds.fieldByName("Nope"), DatabaseError);
    EXPECT_FALSE(ds.findField("Nope").isValid());
}

TEST_F(DatasetTest, AppendPostsAtItsSortedPlaceWithDefaults)
{
    Dataset ds(db(), "Items");
    ds.setIndexFieldNames("ProjectID;Order");
    ds.open();
    ds.append();
    EXPECT_EQ(ds.state(), DatasetState::Insert);
    EXPECT_EQ(ds.fieldByName("Name").asString(), "New");
    EXPECT_EQ(ds.fieldByName("DBVer").asString(), "1.4");
    EXPECT_FALSE(ds.fieldByName("Latest").asBoolean());
    ds.fieldByName("ID").setValue("f");
    ds.fieldByName("ProjectID").setValue("P1");
    ds.fieldByName("Order").setValue(2);
    ASSERT_TRUE(ds.post());
    EXPECT_EQ(ds.fieldByName("ID").asString(), "f");
    EXPECT_EQ(ds.recNo(), 3); // a(1) b(2) f(2) e(3)
    EXPECT_EQ(column(ds, "ID"), QStringList({"a", "b", "f", "e", "c", "d"}));

    // Editing a key field moves the row to its new place, the cursor with it.
    ds.locate("ID", "a");
    ds.edit();
    ds.fieldByName("Order").setValue(9);
    ds.post();
    EXPECT_EQ(ds.fieldByName("ID").asString(), "a");
    EXPECT_EQ(ds.recNo(), 4);
}

TEST_F(DatasetTest, RequiredFieldAndKeyViolationKeepTheRecord)
{
    Dataset ds(db(), "Items");
    ds.open();
    ds.append();
    EXPECT_THROW(ds.post(), DatabaseError); // ID is required
    EXPECT_EQ(ds.state(), DatasetState::Insert);
    ds.fieldByName("ID").setValue("a"); // duplicate key
    EXPECT_THROW(ds.post(), DatabaseError);
    EXPECT_EQ(ds.state(), DatasetState::Insert);
    ds.fieldByName("ID").setValue("z");
    EXPECT_TRUE(ds.post());
    EXPECT_EQ(ds.recordCount(), 6);
}

TEST_F(DatasetTest, DeleteMovesToNextOrPriorAtTheEnd)
{
    Dataset ds(db(), "Items");
    ds.open();
    ds.locate("ID", "b");
    ds.deleteRecord();
    EXPECT_EQ(ds.fieldByName("ID").asString(), "c");
    ds.last();
    ds.deleteRecord();
    EXPECT_EQ(ds.fieldByName("ID").asString(), "d");
    EXPECT_EQ(column(ds, "ID"), QStringList({"a", "c", "d"}));
    Dataset other(db(), "Items");
    other.open();
    EXPECT_EQ(other.recordCount(), 3);
    while (!ds.isEmpty()) {
        ds.deleteRecord();
    }
    EXPECT_THROW(ds.deleteRecord(), DatabaseError);
}

TEST_F(DatasetTest, MovingWhileEditingPostsOrCancels)
{
    Dataset ds(db(), "Items");
    ds.open();
    ds.edit();
    ds.fieldByName("Name").setValue("Changed");
    ds.next(); // posts
    Dataset other(db(), "Items");
    other.open();
    EXPECT_EQ(other.lookup("ID", "a", "Name").toString(), "Changed");

    ds.append(); // nothing set: moving away drops the new row
    ds.first();
    EXPECT_EQ(ds.recordCount(), 5);
}

struct LocateCase {
    const char* fields;
    QVariant values;
    LocateOptions options;
    const char* expectedId; // nullptr: not found
};

class Locate : public DatasetTest, public ::testing::WithParamInterface<LocateCase> {};

TEST_P(Locate, FindsFirstMatchInOrder)
{
    Dataset ds(db(), "Items");
    ds.setIndexFieldNames("ProjectID;Order");
    ds.open();
    ds.last();
    const bool found = ds.locate(GetParam().fields, GetParam().values, GetParam().options);
    if (GetParam().expectedId) {
        EXPECT_TRUE(found);
        EXPECT_EQ(ds.fieldByName("ID").asString(), GetParam().expectedId);
    } else {
        EXPECT_FALSE(found);
        EXPECT_EQ(ds.fieldByName("ID").asString(), "d"); // the cursor stays
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dataset, Locate,
    ::testing::Values(LocateCase{"ID", "c", {}, "c"}, LocateCase{"Name", "ALPHA", {}, nullptr},
                      LocateCase{"Name", "ALPHA", LocateOption::CaseInsensitive, "b"},
                      LocateCase{"Name", "ch", LocateOption::PartialKey, nullptr},
                      LocateCase{"Name", "ch", LocateOption::PartialKey | LocateOption::CaseInsensitive, "c"},
                      LocateCase{"ProjectID", "P2", {}, "c"},
                      LocateCase{"ProjectID;Order", QVariantList{"P1", 3}, {}, "e"},
                      LocateCase{"projectid;order", QVariantList{"P1", "3"}, {}, "e"},
                      LocateCase{"Order", "x", {}, nullptr}, LocateCase{"Name", "Del", {}, nullptr}));

TEST_F(DatasetTest, LocateOnAnIndexedFieldOfALargeTableUsesTheIndex)
{
    Transaction t(db());
    QStringList rows;
    for (int i = 0; i < 3000; ++i) {
        rows << QStringLiteral("x%1,P9,%1,N").arg(i);
    }
    addItems(rows);
    t.commit();
    Dataset ds(db(), "Items");
    ds.setIndexFieldNames("Order");
    ds.open();
    ASSERT_TRUE(ds.locate("ID", "x2500"));
    EXPECT_EQ(ds.fieldByName("Order").asInteger(), 2500);
    // A row changed in the file but not re-read is found as it is shown.
    db().exec("UPDATE Items SET ID = 'moved' WHERE ID = 'x10'");
    EXPECT_TRUE(ds.locate("ID", "x10"));
    EXPECT_FALSE(ds.locate("ID", "moved"));
    EXPECT_FALSE(ds.locate("ID", "none"));
}

TEST_F(DatasetTest, LookupDoesNotMove)
{
    Dataset ds(db(), "Items");
    ds.open();
    EXPECT_EQ(ds.lookup("ProjectID;Order", QVariantList{"P2", 2}, "Name").toString(), "Bravo");
    EXPECT_EQ(ds.lookup("ID", "e", "Name;Order").toList(), QVariantList({"Echo", 3}));
    EXPECT_FALSE(ds.lookup("ID", "zz", "Name").isValid());
    EXPECT_EQ(ds.fieldByName("ID").asString(), "a");
}

TEST_F(DatasetTest, Bookmarks)
{
    Dataset ds(db(), "Items");
    ds.open();
    ds.locate("ID", "c");
    const Bookmark mark = ds.bookmark();
    ds.first();
    EXPECT_TRUE(ds.gotoBookmark(mark));
    EXPECT_EQ(ds.fieldByName("ID").asString(), "c");
    ds.setIndexFieldNames("Name"); // survives a change of order
    EXPECT_TRUE(ds.bookmarkValid(mark));
    ds.first();
    ds.gotoBookmark(mark);
    EXPECT_EQ(ds.fieldByName("ID").asString(), "c");
    ds.deleteRecord();
    EXPECT_FALSE(ds.bookmarkValid(mark));
    EXPECT_THROW(ds.gotoBookmark(mark), DatabaseError);
    Dataset other(db(), "Items");
    other.open();
    EXPECT_FALSE(other.bookmarkValid(ds.bookmark()));
}

TEST_F(DatasetTest, FilterExpressionAndCallbackAreSwitchedByFiltered)
{
    Dataset ds(db(), "Items");
    ds.open();
    ds.setFilter("ProjectID = 'P1'");
    EXPECT_EQ(ds.recordCount(), 5); // not yet filtered
    ds.setFiltered(true);
    EXPECT_EQ(column(ds, "ID"), QStringList({"a", "b", "e"}));
    ds.setOnFilterRecord([](Dataset& d) { return d.fieldByName("Order").asInteger() < 3; });
    EXPECT_EQ(column(ds, "ID"), QStringList({"a", "b"}));
    ds.setFilter(QString());
    EXPECT_EQ(column(ds, "ID"), QStringList({"a", "b", "c", "d"}));
    ds.setFiltered(false);
    EXPECT_EQ(ds.recordCount(), 5);

    EXPECT_THROW(ds.setFilter("ProjectID = "), DatabaseError);
    EXPECT_THROW(ds.setFilter("Nope = 1"), DatabaseError);
    EXPECT_TRUE(ds.filter().isEmpty()); // the old filter stays
}

TEST_F(DatasetTest, PostOfARowLeavingTheFilterStaysOnANeighbour)
{
    Dataset ds(db(), "Items");
    ds.setFilter("ProjectID = 'P1'");
    ds.setFiltered(true);
    ds.open();
    ds.locate("ID", "b");
    ds.edit();
    ds.fieldByName("ProjectID").setValue("P3");
    ds.post();
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_EQ(ds.fieldByName("ID").asString(), "e");
    ds.setFiltered(false);
    EXPECT_EQ(ds.recordCount(), 5);

    // A new row outside the filter is stored but not shown.
    ds.setFiltered(true);
    ds.append();
    ds.fieldByName("ID").setValue("q");
    ds.fieldByName("ProjectID").setValue("P9");
    ds.post();
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_TRUE(ds.lookup("ID", "q", "ID").isNull());
}

TEST_F(DatasetTest, RangeOnTheLeadingIndexFields)
{
    Dataset ds(db(), "Items");
    ds.setIndexName("Project");
    ds.open();
    ds.setRange({"P1"}, {"P1"});
    EXPECT_EQ(column(ds, "ID"), QStringList({"a", "b", "e"}));
    ds.setRange({"P1", 2}, {"P2", 1});
    EXPECT_EQ(column(ds, "ID"), QStringList({"b", "e", "c"}));
    ds.setRange({"P2"}, {QVariant()}); // open end
    EXPECT_EQ(column(ds, "ID"), QStringList({"c", "d"}));
    EXPECT_THROW(ds.setRange({"P1", 1, 2}, {"P1", 1, 2}), DatabaseError);
    ds.setRange({"P2"}, {"P2"});
    ds.locate("ID", "c");
    ds.edit();
    ds.fieldByName("ProjectID").setValue("P1"); // leaves the range
    ds.post();
    EXPECT_EQ(column(ds, "ID"), QStringList({"d"}));
    ds.cancelRange();
    EXPECT_EQ(ds.recordCount(), 5);
}

TEST_F(DatasetTest, RefreshShowsOtherWritersAndKeepsThePosition)
{
    Dataset ds(db(), "Items");
    ds.open();
    ds.locate("ID", "c");
    Connection other;
    other.open(path());
    other.exec("INSERT INTO Items (ID, Name) VALUES ('0', 'First')");
    other.exec("UPDATE Items SET Name = 'Carl' WHERE ID = 'c'");
    EXPECT_EQ(ds.recordCount(), 5);
    ds.refresh();
    EXPECT_EQ(ds.recordCount(), 6);
    EXPECT_EQ(ds.fieldByName("ID").asString(), "c");
    EXPECT_EQ(ds.fieldByName("Name").asString(), "Carl");
    other.exec("DELETE FROM Items WHERE ID = 'c'");
    ds.refresh();
    EXPECT_EQ(ds.fieldByName("ID").asString(), "d"); // the neighbour takes its place

    // Editing a row another workstation deleted is an error, not a silent loss.
    other.exec("DELETE FROM Items WHERE ID = 'd'");
    ds.edit();
    ds.fieldByName("Name").setValue("Lost?");
    EXPECT_THROW(ds.post(), DatabaseError);
    EXPECT_EQ(ds.state(), DatasetState::Edit);
    ds.cancel();
}

TEST_F(DatasetTest, ReadOnlyQueryDataset)
{
    Dataset ds(db());
    ds.setQuery(
        "SELECT ProjectID, COUNT(*) AS N, SUM(\"Order\") AS S FROM Items WHERE ProjectID <> :Skip GROUP BY ProjectID",
        {{"Skip", "P0"}});
    ds.open();
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_TRUE(ds.locate("ProjectID", "P2"));
    EXPECT_EQ(ds.fieldByName("N").asInteger(), 2);
    EXPECT_EQ(ds.fieldByName("S").asInteger(), 3);
    EXPECT_THROW(ds.edit(), DatabaseError);
    EXPECT_THROW(ds.append(), DatabaseError);
}

TEST_F(DatasetTest, WritesInsideARolledBackTransactionLeaveTheFileAsBefore)
{
    Dataset ds(db(), "Items");
    ds.open();
    {
        Transaction t(db());
        ds.deleteRecord();
        ds.append();
        ds.fieldByName("ID").setValue("new");
        ds.post();
        // an error halfway: t is not committed
    }
    Dataset other(db(), "Items");
    other.open();
    EXPECT_EQ(column(other, "ID"), QStringList({"a", "b", "c", "d", "e"}));
    ds.refresh(); // rows kept in memory are re-read after a rollback
    EXPECT_EQ(column(ds, "ID"), QStringList({"a", "b", "c", "d", "e"}));
}

TEST_F(DatasetTest, FilterOnDatesComparesTheWallClockTime)
{
    db().exec("UPDATE Items SET Created = '2024-01-31 23:30:00.000' WHERE ID = 'a'");
    db().exec("UPDATE Items SET Created = '2024-02-01 00:00:00.000' WHERE ID = 'b'");
    Dataset ds(db(), "Items");
    ds.setFilter("Created <= '2024-01-31'");
    ds.setFiltered(true);
    ds.open();
    EXPECT_EQ(column(ds, "ID"), QStringList({"a"}));
    EXPECT_EQ(ds.fieldByName("Created").asDateTime(), QDateTime(QDate(2024, 1, 31), QTime(23, 30)));
}

TEST_F(DatasetTest, CaseInsensitiveLocateFoldsLettersBeyondAscii)
{
    addItems({QString::fromUtf8("f,P3,1,Ärlig Öl")});
    Dataset ds(db(), "Items");
    ds.open();
    EXPECT_TRUE(ds.locate("Name", QString::fromUtf8("ärLIG öL"), LocateOption::CaseInsensitive));
    EXPECT_EQ(ds.fieldByName("ID").asString(), "f");
    ds.first();
    EXPECT_TRUE(ds.locate("Name", QString::fromUtf8("äR"), LocateOption::CaseInsensitive | LocateOption::PartialKey));
    EXPECT_EQ(ds.fieldByName("ID").asString(), "f");
    EXPECT_FALSE(ds.locate("Name", QString::fromUtf8("ärlig öl"), {}));
}
