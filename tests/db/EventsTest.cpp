#include "DbTestSupport.h"

#include "db/Abort.h"
#include "db/DatabaseError.h"

using namespace kiro::db;
using kiro::db::test::itemsTable;

namespace {

const std::vector<std::pair<DatasetEvent, const char*>> kEvents = {
    {DatasetEvent::BeforeOpen, "BeforeOpen"},     {DatasetEvent::AfterOpen, "AfterOpen"},
    {DatasetEvent::BeforeClose, "BeforeClose"},   {DatasetEvent::AfterClose, "AfterClose"},
    {DatasetEvent::BeforeInsert, "BeforeInsert"}, {DatasetEvent::OnNewRecord, "OnNewRecord"},
    {DatasetEvent::AfterInsert, "AfterInsert"},   {DatasetEvent::BeforeEdit, "BeforeEdit"},
    {DatasetEvent::AfterEdit, "AfterEdit"},       {DatasetEvent::BeforePost, "BeforePost"},
    {DatasetEvent::AfterPost, "AfterPost"},       {DatasetEvent::BeforeCancel, "BeforeCancel"},
    {DatasetEvent::AfterCancel, "AfterCancel"},   {DatasetEvent::BeforeDelete, "BeforeDelete"},
    {DatasetEvent::AfterDelete, "AfterDelete"},   {DatasetEvent::BeforeScroll, "BeforeScroll"},
    {DatasetEvent::AfterScroll, "AfterScroll"},   {DatasetEvent::BeforeRefresh, "BeforeRefresh"},
    {DatasetEvent::AfterRefresh, "AfterRefresh"},
};

class EventsTest : public kiro::db::test::DbTest {
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        db().createTable(itemsTable());
        addItems({"a,P1,1,A", "b,P1,2,B", "c,P1,3,C"});
        ds = std::make_unique<Dataset>(db(), "Items");
        for (const auto& [event, name] : kEvents) {
            ds->setHandler(event, [this, n = QString::fromLatin1(name)](Dataset&) { log << n; });
        }
    }

    void logChanges()
    {
        ds->fieldByName("Name").setOnChange([this](Field f) { log << "Change:" + f.asString(); });
    }

    std::unique_ptr<Dataset> ds;
    QStringList log;
};

struct EventCase {
    const char* name;
    std::function<void(Dataset&)> action;
    QStringList expected;
};

class EventOrder : public EventsTest, public ::testing::WithParamInterface<EventCase> {};

TEST_P(EventOrder, IsAsDocumented)
{
    ds->open();
    logChanges();
    log.clear();
    GetParam().action(*ds);
    EXPECT_EQ(log, GetParam().expected);
}

auto setName(const char* v)
{
    return [v](Dataset& d) { d.fieldByName("Name").setValue(v); };
}

INSTANTIATE_TEST_SUITE_P(
    Events, EventOrder,
    ::testing::Values(
        EventCase{"reopen",
                  [](Dataset& d) {
                      d.close();
                      d.open();
                  },
                  {"BeforeClose", "AfterClose", "BeforeOpen", "AfterOpen", "AfterScroll"}},
        EventCase{"next", [](Dataset& d) { d.next(); }, {"BeforeScroll", "AfterScroll"}},
        EventCase{"next_at_end_does_not_scroll",
                  [](Dataset& d) {
                      d.last();
                      d.next();
                  },
                  {"BeforeScroll", "AfterScroll"}},
        EventCase{"first_on_first_row", [](Dataset& d) { d.first(); }, {}},
        EventCase{"append_set_post",
                  [](Dataset& d) {
                      d.append();
                      setName("N")(d);
                      d.fieldByName("ID").setValue("n");
                      d.post();
                  },
                  {"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll", "Change:N",
                   "BeforePost", "AfterPost"}},
        EventCase{"edit_post",
                  [](Dataset& d) {
                      d.edit();
                      setName("X")(d);
                      d.post();
                  },
                  {"BeforeEdit", "AfterEdit", "Change:X", "BeforePost", "AfterPost"}},
        EventCase{"same_value_still_changes",
                  [](Dataset& d) {
                      d.edit();
                      setName("A")(d);
                  },
                  {"BeforeEdit", "AfterEdit", "Change:A"}},
        EventCase{"moving_posts_a_modified_record",
                  [](Dataset& d) {
                      d.edit();
                      setName("X")(d);
                      d.next();
                  },
                  {"BeforeEdit", "AfterEdit", "Change:X", "BeforePost", "AfterPost", "BeforeScroll", "AfterScroll"}},
        EventCase{"moving_cancels_an_unmodified_record",
                  [](Dataset& d) {
                      d.edit();
                      d.next();
                  },
                  {"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel", "BeforeScroll", "AfterScroll"}},
        EventCase{"delete",
                  [](Dataset& d) { d.deleteRecord(); },
                  {"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}},
        EventCase{"refresh", [](Dataset& d) { d.refresh(); }, {"BeforeRefresh", "AfterRefresh"}},
        EventCase{"filter",
                  [](Dataset& d) {
                      d.setFilter("Name = 'B'");
                      d.setFiltered(true);
                  },
                  {"BeforeScroll", "AfterScroll"}},
        EventCase{"locate", [](Dataset& d) { d.locate("ID", "c"); }, {"BeforeScroll", "AfterScroll"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST_F(EventsTest, BeforeScrollAbortKeepsTheCursor)
{
    ds->open();
    ds->setHandler(DatasetEvent::BeforeScroll, [](Dataset& d) {
        if (d.fieldByName("ID").asString() == "b") {
            throw Abort();
        }
    });
    EXPECT_TRUE(ds->next());
    EXPECT_FALSE(ds->next());
    EXPECT_FALSE(ds->eof());
    EXPECT_FALSE(ds->locate("ID", "c"));
    EXPECT_FALSE(ds->first());
    EXPECT_EQ(ds->fieldByName("ID").asString(), "b");
    // A guard that restores the row, posts it and refuses the move.
    ds->setHandler(DatasetEvent::BeforeScroll, [](Dataset& d) {
        if (d.fieldByName("Name").asString() == "bad") {
            d.edit();
            d.fieldByName("Name").setValue("B");
            d.post();
            throw Abort();
        }
    });
    ds->edit();
    ds->fieldByName("Name").setValue("bad");
    ds->post();
    EXPECT_FALSE(ds->next());
    EXPECT_EQ(ds->fieldByName("Name").asString(), "B");
    EXPECT_EQ(ds->state(), DatasetState::Browse);
    EXPECT_TRUE(ds->next());
}

TEST_F(EventsTest, NewRecordSeesDefaultsAndCanRefuse)
{
    ds->open();
    QString seen;
    ds->setHandler(DatasetEvent::OnNewRecord, [&](Dataset& d) {
        seen = d.fieldByName("Name").asString() + "/" + d.fieldByName("DBVer").asString();
        d.fieldByName("ID").setValue("fromHandler");
    });
    ASSERT_TRUE(ds->append());
    EXPECT_EQ(seen, "New/1.4");
    EXPECT_EQ(ds->fieldByName("ID").asString(), "fromHandler");
    EXPECT_FALSE(ds->isModified()); // handler values alone do not make the row modified
    ds->post();
    EXPECT_EQ(ds->recordCount(), 4);

    ds->setHandler(DatasetEvent::OnNewRecord, [](Dataset&) { throw Abort(); });
    EXPECT_FALSE(ds->append());
    EXPECT_EQ(ds->state(), DatasetState::Browse);
    ds->setHandler(DatasetEvent::OnNewRecord, [](Dataset&) { throw DatabaseError("no"); });
    EXPECT_THROW(ds->append(), DatabaseError);
    EXPECT_EQ(ds->state(), DatasetState::Browse);
    EXPECT_EQ(ds->recordCount(), 4);
}

TEST_F(EventsTest, BeforePostAndBeforeDeleteCanRefuse)
{
    ds->open();
    ds->setHandler(DatasetEvent::BeforePost, [](Dataset&) { throw Abort(); });
    ds->setHandler(DatasetEvent::BeforeDelete, [](Dataset&) { throw Abort(); });
    ds->edit();
    ds->fieldByName("Name").setValue("X");
    EXPECT_FALSE(ds->post());
    EXPECT_EQ(ds->state(), DatasetState::Edit);
    ds->cancel();
    EXPECT_FALSE(ds->deleteRecord());
    EXPECT_EQ(ds->recordCount(), 3);
}

TEST_F(EventsTest, HandlersCanBeReplacedAndDetachedWhileRunning)
{
    ds->open();
    int runs = 0;
    ds->setHandler(DatasetEvent::AfterScroll, [&](Dataset& d) {
        ++runs;
        d.setHandler(DatasetEvent::AfterScroll, {}); // detaches itself
    });
    ds->next();
    ds->next();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(ds->handler(DatasetEvent::AfterScroll));
}

TEST_F(EventsTest, FieldChangeRunsAfterTheValueIsSetAndMayCascade)
{
    ds->open();
    Field name = ds->fieldByName("Name");
    name.setOnChange([&](Field f) {
        // Re-entry guard through Tag, as the recalculation handlers do.
        Dataset& d = *f.dataset();
        if (d.tag() != 0) {
            return;
        }
        d.setTag(1);
        d.fieldByName("Notes").setValue("name is " + f.asString());
        d.fieldByName("Name").setValue(f.asString().toUpper());
        d.setTag(0);
    });
    ds->edit();
    name.setValue("zed");
    EXPECT_EQ(name.asString(), "ZED");
    EXPECT_EQ(ds->fieldByName("Notes").asString(), "name is zed");
    name.setOnChange({});
    name.setValue("q");
    EXPECT_EQ(ds->fieldByName("Notes").asString(), "name is zed");
}

TEST_F(EventsTest, CalculatedFieldsFollowTheRecord)
{
    ds->addCalculatedField(FieldDef::text("Label", 30));
    int calcs = 0;
    ds->setHandler(DatasetEvent::OnCalcFields, [&](Dataset& d) {
        ++calcs;
        d.fieldByName("Label").setValue(d.fieldByName("ID").asString() + ":" + d.fieldByName("Name").asString());
    });
    ds->open();
    EXPECT_EQ(ds->fieldByName("Label").asString(), "a:A");
    ds->next();
    EXPECT_EQ(ds->fieldByName("Label").asString(), "b:B");
    ds->edit();
    ds->fieldByName("Name").setValue("Bee");
    EXPECT_EQ(ds->fieldByName("Label").asString(), "b:Bee");
    ds->cancel();
    EXPECT_EQ(ds->fieldByName("Label").asString(), "b:B");
    EXPECT_EQ(ds->rowValue(2, ds->fieldByName("Label").index()).toString(), "c:C");
    EXPECT_THROW(ds->fieldByName("Label").setValue("x"), DatabaseError);
    // Filters see calculated fields.
    ds->setFilter("Label = 'c:C'");
    ds->setFiltered(true);
    EXPECT_EQ(ds->recordCount(), 1);
    EXPECT_GT(calcs, 0);
}
