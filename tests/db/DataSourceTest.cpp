#include "DbTestSupport.h"

#include "db/DataSource.h"

using namespace kiro::db;
using kiro::db::test::itemsTable;

namespace {

class DataSourceTest : public kiro::db::test::DbTest {
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        db().createTable(itemsTable());
        addItems({"a,P1,1,A", "b,P1,2,B"});
        ds.open();
        view.onDataChanged = [this](const QString& f) { log << "data:" + f; };
        view.onStateChanged = [this] { log << "state:" + stateName(ds.state()); };
        view.onUpdateRecord = [this] { log << "update"; };
        view.setDataSource(&source);
        log.clear();
    }

    static QString stateName(DatasetState s)
    {
        switch (s) {
        case DatasetState::Inactive: return "inactive";
        case DatasetState::Browse: return "browse";
        case DatasetState::Edit: return "edit";
        case DatasetState::Insert: return "insert";
        }
        return {};
    }

    Dataset ds{db(), "Items"};
    DataSource source{&ds};
    FunctionLink view;
    QStringList log;
};

} // namespace

TEST_F(DataSourceTest, ViewsAreToldOfMovesStatesFieldsAndPost)
{
    ds.next();
    ds.edit();
    ds.fieldByName("Name").setValue("X");
    ds.post();
    EXPECT_EQ(log, QStringList({"data:", "state:edit", "data:Name", "update", "state:browse", "data:"}));
}

TEST_F(DataSourceTest, UpdateRecordLetsAViewWriteItsPendingValue)
{
    view.onUpdateRecord = [this] { ds.fieldByName("Name").setValue("typed"); };
    ASSERT_TRUE(view.edit()); // AutoEdit
    ds.post();
    Dataset other(db(), "Items");
    other.open();
    EXPECT_EQ(other.fieldByName("Name").asString(), "typed");
    source.setAutoEdit(false);
    EXPECT_FALSE(view.edit());
}

TEST_F(DataSourceTest, OwnHandlerRunsAfterViewsAndCanBeDetachedForAWhile)
{
    int handlerRuns = 0;
    source.setOnDataChange([&](DataSource&, const QString& field) {
        if (field == "Name") {
            ++handlerRuns;
            log << "handler";
        }
    });
    ds.edit();
    ds.fieldByName("Name").setValue("1");
    const auto saved = source.onDataChange();
    source.setOnDataChange({});
    ds.fieldByName("Name").setValue("2");
    source.setOnDataChange(saved);
    ds.fieldByName("Name").setValue("3");
    EXPECT_EQ(handlerRuns, 2);
    EXPECT_EQ(log.mid(1, 2), QStringList({"data:Name", "handler"}));
}

TEST_F(DataSourceTest, DisabledGetNothing)
{
    source.setEnabled(false);
    ds.next();
    EXPECT_TRUE(log.isEmpty());
    source.setEnabled(true);
    log.clear();

    ds.disableControls();
    ds.disableControls();
    ds.first();
    ds.edit();
    ds.fieldByName("Name").setValue("Q");
    ds.post();
    ds.enableControls();
    EXPECT_TRUE(log.isEmpty());
    ds.enableControls();
    EXPECT_EQ(log, QStringList({"state:browse", "data:"})); // one refresh after
}

TEST_F(DataSourceTest, LinksSurviveTheOtherSideGoingAway)
{
    {
        FunctionLink shortLived;
        shortLived.setDataSource(&source);
    }
    ds.next(); // no dangling link
    auto temp = std::make_unique<Dataset>(db(), "Items");
    DataSource s2(temp.get());
    temp.reset();
    EXPECT_EQ(s2.dataset(), nullptr);
    EXPECT_EQ(s2.state(), DatasetState::Inactive);
}
