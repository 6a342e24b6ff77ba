#include "DbTestSupport.h"

#include "db/DataSource.h"
#include "db/DatabaseError.h"

using namespace kiro::db;
using kiro::db::test::itemsTable;

namespace {

TableDef projectsTable()
{
    TableDef t;
    t.name = "Projects";
    t.fields = {FieldDef::text("ID", 20).asRequired(), FieldDef::text("Name", 20), FieldDef::text("Status", 5),
                FieldDef::text("DBVer", 10).withDefault("1.4")};
    t.primaryKey = {"ID"};
    return t;
}

TableDef languageTable()
{
    TableDef t;
    t.name = "LangStatus";
    t.fields = {FieldDef::text("Keyword", 5), FieldDef::text("UK", 20), FieldDef::text("SE", 20)};
    t.primaryKey = {"Keyword"};
    return t;
}

class MasterDetailTest : public kiro::db::test::DbTest {
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        db().createTable(projectsTable());
        db().createTable(itemsTable());
        db().exec("INSERT INTO Projects (ID, Name, Status) VALUES ('P1', 'One', '10'), ('P2', 'Two', '20'), ('P3', "
                  "'Three', '99')");
        addItems({"a,P1,2,A2", "b,P1,1,A1", "c,P2,1,B1", "x,,1,Orphan"});
        master.setName("TableProjects");
        detail.setName("TableProducts");
        detail.setIndexFieldNames("ProjectID;Order");
        detail.setMasterSource(&source);
        detail.setMasterFields("ID");
        master.open();
        detail.open();
    }

    Dataset master{db(), "Projects"};
    DataSource source{&master};
    Dataset detail{db(), "Items"};
};

} // namespace

TEST_F(MasterDetailTest, DetailFollowsTheMaster)
{
    struct Step {
        const char* masterId;
        QStringList detailIds;
    };
    const std::vector<Step> steps = {{"P1", {"b", "a"}}, {"P2", {"c"}}, {"P3", {}}, {"P1", {"b", "a"}}};
    for (const Step& s : steps) {
        ASSERT_TRUE(master.locate("ID", s.masterId));
        EXPECT_TRUE(detail.bof());
        EXPECT_EQ(column(detail, "ID"), s.detailIds) << s.masterId;
    }
}

TEST_F(MasterDetailTest, AppendedDetailTakesTheLinkValues)
{
    master.locate("ID", "P2");
    QString seenInNewRecord;
    detail.setHandler(DatasetEvent::OnNewRecord,
                      [&](Dataset& d) { seenInNewRecord = d.fieldByName("ProjectID").asString(); });
    detail.append();
    EXPECT_EQ(seenInNewRecord, "P2");
    detail.fieldByName("ID").setValue("new");
    detail.fieldByName("Order").setValue(0);
    detail.post();
    EXPECT_EQ(column(detail, "ID"), QStringList({"new", "c"}));
}

TEST_F(MasterDetailTest, EmptyOrClosedMasterMeansEmptyDetail)
{
    master.setFilter("ID = 'none'");
    master.setFiltered(true);
    EXPECT_TRUE(master.isEmpty());
    EXPECT_TRUE(detail.isEmpty()); // not the orphan row with an empty link
    master.setFiltered(false);
    EXPECT_EQ(detail.recordCount(), 2);
    master.close();
    EXPECT_TRUE(detail.isEmpty());
    master.open();
    EXPECT_EQ(detail.recordCount(), 2);
}

TEST_F(MasterDetailTest, DetailKeepsItsPositionWhenTheMasterPostsOtherFields)
{
    detail.last();
    master.edit();
    master.fieldByName("Name").setValue("Renamed");
    master.post();
    EXPECT_EQ(detail.fieldByName("ID").asString(), "a");
    // Changing the link field itself re-reads the detail.
    master.edit();
    master.fieldByName("ID").setValue("P2");
    EXPECT_EQ(column(detail, "ID"), QStringList({"c"}));
    master.cancel();
    EXPECT_EQ(column(detail, "ID"), QStringList({"b", "a"}));
}

TEST_F(MasterDetailTest, DisabledControlsHoldTheDetailUntilEnabled)
{
    master.disableControls();
    master.disableControls();
    master.locate("ID", "P2");
    EXPECT_EQ(detail.fieldByName("ProjectID").asString(), "P1");
    master.enableControls();
    EXPECT_EQ(detail.fieldByName("ProjectID").asString(), "P1");
    master.enableControls();
    EXPECT_EQ(column(detail, "ID"), QStringList({"c"}));
}

TEST_F(MasterDetailTest, EditedDetailIsPostedBeforeItFollows)
{
    detail.edit();
    detail.fieldByName("Name").setValue("Kept");
    master.locate("ID", "P2");
    master.locate("ID", "P1");
    EXPECT_EQ(detail.fieldByName("Name").asString(), "Kept");
}

TEST_F(MasterDetailTest, ThreeLevelsFollowInOrder)
{
    DataSource detailSource(&detail);
    Dataset third(db(), "Items");
    third.setIndexFieldNames("ProjectID");
    third.setMasterSource(&detailSource);
    third.setMasterFields("ID");
    third.open();
    addItems({"z,a,1,UnderA"});
    third.refresh();
    detail.last(); // a
    EXPECT_EQ(column(third, "ID"), QStringList({"z"}));
    QString seen;
    master.setHandler(DatasetEvent::AfterScroll, [&](Dataset&) { seen = detail.fieldByName("ID").asString(); });
    master.locate("ID", "P2");
    EXPECT_EQ(seen, "c"); // the detail had followed when the master's AfterScroll ran
    EXPECT_TRUE(third.isEmpty());
}

TEST_F(MasterDetailTest, LookupFieldWithSwitchableResultColumn)
{
    db().createTable(languageTable());
    db().exec("INSERT INTO LangStatus VALUES ('10', 'Quotation', 'Offert'), ('20', 'Order', 'Order SE')");
    Dataset lang(db(), "LangStatus");
    lang.open();
    Dataset projects(db(), "Projects");
    projects.addLookupField(FieldDef::text("_STATUS", 20), LookupDef{"Status", &lang, "Keyword", "UK"});
    projects.open();
    const QStringList uk = column(projects, "_STATUS");
    EXPECT_EQ(uk, QStringList({"Quotation", "Order", ""}));
    projects.setLookupResultField("_STATUS", "SE");
    EXPECT_EQ(column(projects, "_STATUS"), QStringList({"Offert", "Order SE", ""}));
    projects.first();
    projects.edit();
    projects.fieldByName("Status").setValue("20");
    EXPECT_EQ(projects.fieldByName("_STATUS").asString(), "Order SE");
    EXPECT_THROW(projects.fieldByName("_STATUS").setValue("x"), DatabaseError);
    projects.cancel();
    // A change in the lookup table shows.
    lang.locate("Keyword", "10");
    lang.edit();
    lang.fieldByName("SE").setValue("Anbud");
    lang.post();
    projects.refresh();
    EXPECT_EQ(projects.fieldByName("_STATUS").asString(), "Anbud");
    lang.close();
    projects.refresh();
    EXPECT_TRUE(projects.fieldByName("_STATUS").isNull());
}
