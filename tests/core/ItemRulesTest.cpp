#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "data/Schema.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "support/RecordingInteraction.h"
#include "support/TestWorkspace.h"

#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace kiro;
using kiro::test::RecordingInteraction;
using kiro::test::TestWorkspace;

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

std::string str(const QString& text)
{
    return text.toStdString();
}

// A session with every database this data module needs open and the item
// rules bound as the program binds them: before the tables open.
class ItemFixture {
public:
    ItemFixture()
    {
        m_ws.layOutDatabases();
        settings().open(m_ws.workIni());
        app().setCurrentUserID(s("ANNA"));
        app().setCurrentUserName(s("Anna Berg"));
        m_data.FormDataCreate();
        m_data.bindItemRuleHandlers();
        m_opened = m_data.OpenSession() && m_data.OpenSystem() && m_data.OpenLang() && m_data.OpenProjects();
    }

    db::Dataset& t(const char* component) { return m_data.table(s(component)); }
    db::Connection& projectsDb() { return m_data.database(s("DatabaseProjects")); }

    QString addRow(const char* component, const QVariantMap& values = {})
    {
        db::Dataset& d = t(component);
        EXPECT_TRUE(d.append()) << component;
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            d.fieldByName(it.key()).setValue(it.value());
        EXPECT_TRUE(d.post()) << component;
        return d.fieldByName(s("ID")).asString();
    }
    QString addProject(const QString& name, int revision = 1, bool latest = true)
    {
        return addRow("TableProjects", {{s("Name"), name}, {s("Revision"), revision}, {s("Latest"), latest}});
    }
    QString addItem(const char* component, const QString& name, int order)
    {
        return addRow(component, {{s("Name"), name}, {s("Order"), order}, {s("Tag"), QString::number(order)}});
    }

    // The stored value of a row, read from the file.
    QVariant stored(const char* table, const QString& id, const char* field)
    {
        db::Query q(projectsDb(), QStringLiteral("SELECT \"%1\" FROM %2 WHERE ID = :id").arg(s(field), s(table)));
        q.bindValue(s("id"), id);
        q.open();
        return q.eof() ? QVariant() : q.value(s(field));
    }
    int count(const QString& table, const QString& where = {}, const QString& id = {})
    {
        db::Query q(
            projectsDb(),
            QStringLiteral("SELECT COUNT(*) FROM %1%2").arg(table, where.isEmpty() ? QString() : s(" WHERE ") + where));
        if (!id.isEmpty())
            q.bindValue(s("id"), id);
        q.open();
        return q.field(0).asInteger();
    }
    // Names of the rows a table shows, in their order.
    QStringList shownNames(db::Dataset& d)
    {
        QStringList names;
        const int column = d.fieldByName(s("Name")).index();
        for (int row = 0; row < d.recordCount(); ++row)
            names << d.rowValue(row, column).toString();
        return names;
    }

    TestWorkspace m_ws;
    RecordingInteraction m_messages;
    TFormData m_data;
    bool m_opened = false;
};

class ItemRulesTest : public ::testing::Test, public ItemFixture {
protected:
    void SetUp() override { ASSERT_TRUE(m_opened) << str(m_messages.messages().join(u'\n')); }
};

} // namespace

// --- identifiers and links ------------------------------------------------------------

TEST(UniqueID, ManyInOneMillisecondAreDistinctAndWellFormed)
{
    const QRegularExpression shape(s("^(\\d{17})\\d{4}[0-9A-F]{12}$"));
    QSet<QString> seen;
    QString previous;
    const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);
    for (int i = 0; i < 2000; ++i) {
        const QString id = TFormData::SetUniqueID();
        const auto match = shape.match(id);
        ASSERT_TRUE(match.hasMatch()) << str(id);
        ASSERT_NE(id, previous);
        seen.insert(id);
        previous = id;
    }
    EXPECT_EQ(seen.size(), 2000);
    const QDateTime stamp = QDateTime::fromString(previous.left(17), s("yyyyMMddhhmmsszzz"));
    EXPECT_GE(QDateTime(stamp.date(), stamp.time(), Qt::UTC), before) << "the time piece is UTC";
}

TEST_F(ItemRulesTest, DetailRowsTakeTheirLinkFieldsFromTheMaster)
{
    const QString project = addProject(s("Station"));
    const QString product = addItem("TableProducts", s("Pump"), 1);
    const QString accessory = addItem("TableAccessories", s("Valve"), 1);
    const QString custOrder = addRow("TableCustOrders");
    const QString purchOrder = addRow("TablePurchOrders");
    struct Link {
        const char* component;
        const char* field;
        QString expected;
    };
    const Link links[] = {
        {"TableProjLog", "ParentID", project},          {"TableCurrencies", "ProjectID", project},
        {"TableDiscMarg", "ProjectID", project},        {"TableProducts", "ProjectID", project},
        {"TableDocuments", "ProjectID", project},       {"TableProjAddCosts", "ProjectID", project},
        {"TableProjPackTrans", "ProjectID", project},   {"TableCustOrders", "ProjectID", project},
        {"TablePurchOrders", "ProjectID", project},     {"TableProdLog", "ParentID", product},
        {"TableAccessories", "ProductID", product},     {"TableProdPrices", "ProductID", product},
        {"TableAddCosts", "ProductID", product},        {"TableProdDocuments", "ProductID", product},
        {"TableProdParts", "ParentID", product},        {"TableProdSelComm", "ParentID", product},
        {"TableProdTechData", "ProductID", product},    {"TableAccLog", "ParentID", accessory},
        {"TableAccPrices", "AccessoryID", accessory},   {"TableAccPrices", "ProductID", product},
        {"TableAccParts", "ParentID", accessory},       {"TableAccSelComm", "ParentID", accessory},
        {"TableAccTechData", "AccessoryID", accessory}, {"TableCustOrdRows", "OrderID", custOrder},
        {"TablePurchOrdRows", "OrderID", purchOrder},
    };
    for (const Link& link : links) {
        db::Dataset& d = t(link.component);
        ASSERT_TRUE(d.append()) << link.component;
        EXPECT_EQ(d.fieldByName(s(link.field)).asString(), link.expected) << link.component << "." << link.field;
        EXPECT_EQ(d.fieldByName(s("ID")).asString().size(), 33) << link.component;
        d.cancel();
    }
}

// --- order --------------------------------------------------------------------------------

struct ReorderCase {
    std::vector<int> orders; // of products A, B, C as created
    QStringList sequence;    // names in the order shown, before and after
};

class ReorderTest : public ItemRulesTest, public ::testing::WithParamInterface<ReorderCase> {};

TEST_P(ReorderTest, NumbersBecomeDenseInThePresentSequence)
{
    addProject(s("Station"));
    const QStringList names{s("A"), s("B"), s("C")};
    for (size_t i = 0; i < GetParam().orders.size(); ++i)
        addItem("TableProducts", names[qsizetype(i)], GetParam().orders[i]);
    db::Dataset& products = t("TableProducts");
    ASSERT_EQ(shownNames(products), GetParam().sequence);
    ASSERT_TRUE(products.locate(s("Name"), s("B")));

    ASSERT_TRUE(m_data.ReorderItems(products));
    EXPECT_EQ(shownNames(products), GetParam().sequence);
    for (int i = 0; i < products.recordCount(); ++i)
        EXPECT_EQ(products.rowValue(i, products.fieldByName(s("Order")).index()).toInt(), i + 1);
    EXPECT_EQ(count(s("Products"), s("\"Order\" BETWEEN 1 AND 3")), 3) << "written to the file";
    EXPECT_EQ(products.fieldByName(s("Name")).asString(), s("B")) << "the cursor stays on its item";
}

INSTANTIATE_TEST_SUITE_P(Orders, ReorderTest,
                         ::testing::Values(ReorderCase{{1, 3, 4}, {s("A"), s("B"), s("C")}},
                                           ReorderCase{{5, 7, 9}, {s("A"), s("B"), s("C")}},
                                           ReorderCase{{9, 5, 7}, {s("B"), s("C"), s("A")}},
                                           ReorderCase{{0, 0, 0}, {s("A"), s("B"), s("C")}}));

TEST_F(ItemRulesTest, MovingSwapsWithTheNeighbourAndNeverPastTheEnds)
{
    struct Case {
        const char* name;
        std::vector<int> orders;
        int start; // 0-based row the cursor is on
        bool up;
        bool moves;
        QStringList after;
    };
    const Case cases[] = {
        {"first up", {1, 2, 3}, 0, true, false, {s("A"), s("B"), s("C")}},
        {"last down", {1, 2, 3}, 2, false, false, {s("A"), s("B"), s("C")}},
        {"second up", {1, 2, 3}, 1, true, true, {s("B"), s("A"), s("C")}},
        {"first down", {1, 2, 3}, 0, false, true, {s("B"), s("A"), s("C")}},
        {"equal numbers", {1, 1, 2}, 1, true, true, {s("B"), s("A"), s("C")}},
    };
    db::Dataset& products = t("TableProducts");
    QList<std::pair<int, QString>> resorted;
    QObject::connect(&m_data, &TFormData::itemOrderChanged, &m_data, [&](int kind, const QString& id) {
        resorted.append({kind, id});
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        addProject(QString::fromLatin1(c.name));
        const QStringList names{s("A"), s("B"), s("C")};
        for (size_t i = 0; i < c.orders.size(); ++i)
            addItem("TableProducts", names[qsizetype(i)], c.orders[i]);
        ASSERT_TRUE(products.setRecNo(c.start + 1));
        const QString moved = products.fieldByName(s("ID")).asString();
        resorted.clear();

        EXPECT_EQ(c.up ? m_data.MoveItemUp(products) : m_data.MoveItemDown(products), c.moves);
        EXPECT_EQ(shownNames(products), c.after);
        EXPECT_EQ(products.fieldByName(s("ID")).asString(), moved) << "the cursor stays on the item";
        if (c.moves) {
            EXPECT_EQ(resorted, (QList<std::pair<int, QString>>{{2, moved}}));
            products.refresh();
            EXPECT_EQ(shownNames(products), c.after) << "as stored";
        } else {
            EXPECT_TRUE(resorted.isEmpty());
        }
    }
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

// --- alternatives and additional options ----------------------------------------------------

struct ItemKind {
    const char* items;
    const char* candidates;
    const char* table;
    bool accessory;
};

std::ostream& operator<<(std::ostream& out, const ItemKind& kind)
{
    return out << kind.items;
}

class StateTest : public ItemRulesTest, public ::testing::WithParamInterface<ItemKind> {
protected:
    void SetUp() override
    {
        ItemRulesTest::SetUp();
        addProject(s("Station"));
        if (GetParam().accessory)
            addItem("TableProducts", s("Host"), 1);
    }
    db::Dataset& items() { return t(GetParam().items); }
    QString add(const QString& name, int order) { return addItem(GetParam().items, name, order); }
    // A price row of the current accessory (for products nothing is needed).
    void addPriceRow()
    {
        if (GetParam().accessory)
            addRow("TableAccPrices", {{s("Keyword"), s("BASE")}});
    }
    void makeAlternative(const QString& id, const QString& of)
    {
        ASSERT_TRUE(items().locate(s("ID"), id));
        items().edit();
        items().fieldByName(s("AlternateFor")).setValue(of);
        ASSERT_TRUE(items().post());
    }
};

TEST_P(StateTest, FlagsFollowTheRules)
{
    struct Expect {
        bool alternate;
        bool alternateForA;
        bool addOption;
        const char* tag;
    };
    struct Case {
        const char* name;
        bool startAlternative;
        bool startAddOption;
        std::function<void(db::Field alternate, db::Field alternateFor, db::Field addOption, const QString& a,
                           const QString& b)>
            change;
        Expect expect;
    };
    const Case cases[] = {
        {"ticking Alternate alone is undone",
         false,
         false,
         [](db::Field alternate, db::Field, db::Field, const QString&, const QString&) { alternate.setValue(true); },
         {false, false, false, "2"}},
        {"choosing the item ticks Alternate, clears AddOption and copies the Tag",
         false,
         true,
         [](db::Field, db::Field alternateFor, db::Field, const QString& a, const QString&) {
             alternateFor.setValue(a);
         },
         {true, true, false, "1"}},
        {"AddOption on an alternative clears Alternate and AlternateFor",
         true,
         false,
         [](db::Field, db::Field, db::Field addOption, const QString&, const QString&) { addOption.setValue(true); },
         {false, false, true, "1"}},
        {"unticking Alternate clears AlternateFor",
         true,
         false,
         [](db::Field alternate, db::Field, db::Field, const QString&, const QString&) { alternate.setValue(false); },
         {false, false, false, "1"}},
        {"ticking Alternate on an alternative keeps it",
         true,
         false,
         [](db::Field alternate, db::Field, db::Field, const QString&, const QString&) { alternate.setValue(true); },
         {true, true, false, "1"}},
        {"an item is never its own alternative",
         false,
         false,
         [](db::Field, db::Field alternateFor, db::Field, const QString&, const QString& b) {
             alternateFor.setValue(b);
         },
         {false, false, false, "2"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ++n;
        if (GetParam().accessory)
            addItem("TableProducts", QStringLiteral("Host %1").arg(n), n + 1);
        else
            addProject(QStringLiteral("Project %1").arg(n));
        const QString a = add(s("A"), 1);
        const QString b = add(s("B"), 2);
        addPriceRow();
        if (c.startAlternative)
            makeAlternative(b, a);
        ASSERT_TRUE(items().locate(s("ID"), b));
        if (c.startAddOption) {
            items().edit();
            items().fieldByName(s("AddOption")).setValue(true);
            ASSERT_TRUE(items().post());
        }

        items().edit();
        c.change(items().fieldByName(s("Alternate")), items().fieldByName(s("AlternateFor")),
                 items().fieldByName(s("AddOption")), a, b);
        ASSERT_TRUE(items().post());

        const char* table = GetParam().table;
        EXPECT_EQ(stored(table, b, "Alternate").toBool(), c.expect.alternate);
        EXPECT_EQ(stored(table, b, "AlternateFor").toString(), c.expect.alternateForA ? a : QString());
        EXPECT_EQ(stored(table, b, "AddOption").toBool(), c.expect.addOption);
        EXPECT_EQ(stored(table, b, "Tag").toString(), s(c.expect.tag));
        if (GetParam().accessory) {
            EXPECT_EQ(count(s("DetailPrices"),
                            s("AccessoryID = :id AND Alternate = ") + (c.expect.alternate ? s("1") : s("0")) +
                                s(" AND AddOption = ") + (c.expect.addOption ? s("1") : s("0")),
                            b),
                      1)
                << "the price row carries the accessory's flags";
        }
    }
    EXPECT_TRUE(m_messages.messages().isEmpty()) << str(m_messages.messages().join(u'\n'));
}

TEST_P(StateTest, CandidatesAreNeitherTheItemItselfNorAlternatives)
{
    const QString a = add(s("A"), 1);
    const QString b = add(s("B"), 2);
    const QString c = add(s("C"), 3);
    makeAlternative(c, a);
    db::Dataset& candidates = t(GetParam().candidates);
    ASSERT_TRUE(items().locate(s("ID"), b));
    EXPECT_EQ(shownNames(candidates), (QStringList{s("A")}));
    ASSERT_TRUE(items().locate(s("ID"), a));
    EXPECT_EQ(shownNames(candidates), (QStringList{s("B")}));
    makeAlternative(b, a);
    const char* lookup = GetParam().accessory ? "_ALTER_ACC" : "_ALTER_PROD";
    EXPECT_EQ(items().fieldByName(s(lookup)).asString(), s("A")) << "the chosen item's name";
    ASSERT_TRUE(items().locate(s("ID"), a));
    EXPECT_TRUE(shownNames(candidates).isEmpty()) << "B has become an alternative";
}

TEST_P(StateTest, DeletingAnItemRemovesWhatItOwnsAndFreesItsAlternatives)
{
    const QString a = add(s("A"), 1);
    const char* own[] = {"TableAccPrices", "TableAccTechData", "TableAccParts", "TableAccSelComm", "TableAccLog"};
    const char* prodOwn[] = {"TableProdPrices", "TableAddCosts",    "TableProdDocuments", "TableProdTechData",
                             "TableProdParts",  "TableProdSelComm", "TableProdLog"};
    if (GetParam().accessory) {
        for (const char* component : own)
            addRow(component);
    } else {
        for (const char* component : prodOwn)
            addRow(component);
        addItem("TableAccessories", s("Valve"), 1);
        for (const char* component : own)
            addRow(component);
    }
    const QString b = add(s("B"), 2);
    addPriceRow();
    makeAlternative(b, a);
    const QString c = add(s("C"), 3);
    const int before = count(s("DetailPrices"));

    ASSERT_TRUE(items().locate(s("ID"), a));
    ASSERT_TRUE(GetParam().accessory ? m_data.DeleteAccessoryRow(items()) : m_data.DeleteProductRow(items()));

    EXPECT_EQ(shownNames(items()), (QStringList{s("B"), s("C")}));
    EXPECT_FALSE(stored(GetParam().table, b, "Alternate").toBool());
    EXPECT_TRUE(stored(GetParam().table, b, "AlternateFor").toString().isEmpty());
    ASSERT_TRUE(items().locate(s("ID"), b));
    EXPECT_FALSE(items().fieldByName(s("Alternate")).asBoolean()) << "the table shows it too";
    EXPECT_EQ(stored(GetParam().table, c, "Name").toString(), s("C"));
    EXPECT_EQ(count(s("DetailPrices"), s("Alternate = 1")), 0);
    if (GetParam().accessory) {
        EXPECT_EQ(count(s("DetailPrices")), before - 1);
        for (const char* tableName : {"AccTechData", "AccParts", "AccSelComm", "AccLog"})
            EXPECT_EQ(count(s(tableName)), 0) << tableName;
        EXPECT_EQ(t("TableProdPrices").recordCount(), 1) << "the product's view no longer shows the rows";
    } else {
        for (const char* tableName :
             {"DetailPrices", "DetailAddCosts", "ProdDocuments", "ProdTechData", "ProdParts", "ProdSelComm", "ProdLog",
              "Accessories", "AccTechData", "AccParts", "AccSelComm", "AccLog"})
            EXPECT_EQ(count(s(tableName)), 0) << tableName;
        EXPECT_GT(count(s("ProjCurrencies")) + count(s("ProjLog")), 0) << "the project keeps its own rows";
    }
    EXPECT_TRUE(m_messages.messages().isEmpty()) << str(m_messages.messages().join(u'\n'));
}

INSTANTIATE_TEST_SUITE_P(Items, StateTest,
                         ::testing::Values(ItemKind{"TableProducts", "TableAltProducts", "Products", false},
                                           ItemKind{"TableAccessories", "TableAltAccessories", "Accessories", true}));

TEST_F(ItemRulesTest, ProductRulesWaitForTheTreeToShowTheProject)
{
    addProject(s("Station"));
    const QString a = addItem("TableProducts", s("A"), 1);
    addItem("TableProducts", s("B"), 2);
    bool shown = false;
    m_data.setSelectedProjectCheck([&](const QString&) { return shown; });
    db::Dataset& products = t("TableProducts");
    products.edit();
    products.fieldByName(s("AlternateFor")).setValue(a);
    EXPECT_FALSE(products.fieldByName(s("Alternate")).asBoolean());
    shown = true;
    products.fieldByName(s("AlternateFor")).setValue(a);
    EXPECT_TRUE(products.fieldByName(s("Alternate")).asBoolean());
    EXPECT_TRUE(products.post());
}

TEST_F(ItemRulesTest, RulesAndLabelsSurviveReopeningTheDatabaseOnce)
{
    addProject(s("Station"));
    const QString a = addItem("TableProducts", s("A"), 1);
    const QString b = addItem("TableProducts", s("B"), 2);
    m_data.CloseProjects();
    ASSERT_TRUE(m_data.OpenProjects());
    QStringList labels;
    QObject::connect(&m_data, &TFormData::productLabelChanged, &m_data, [&](const QString& id) { labels << id; });
    db::Dataset& products = t("TableProducts");
    ASSERT_TRUE(products.locate(s("ID"), b));
    products.edit();
    products.fieldByName(s("Name")).setValue(s("B2"));
    EXPECT_EQ(labels, QStringList{b}) << "one refresh, not one per opening";
    products.fieldByName(s("Alternate")).setValue(true);
    EXPECT_FALSE(products.fieldByName(s("Alternate")).asBoolean()) << "the state rules are bound again";
    products.cancel();
}

// --- deletions ------------------------------------------------------------------------------

namespace {

struct Tree {
    QString project, product, accessory, custOrder, purchOrder;
};

} // namespace

class DeletionTest : public ItemRulesTest {
protected:
    // A project with a row in every table it owns.
    Tree populate(const QString& name)
    {
        db::Transaction transaction(projectsDb());
        Tree tree;
        tree.project = addProject(name);
        m_data.CopySystemCurrencies(tree.project);
        m_data.CopySystemDiscounts(tree.project);
        for (const char* component : {"TableProjAddCosts", "TableProjPackTrans", "TableDocuments", "TableProjLog"})
            addRow(component);
        tree.custOrder = addRow("TableCustOrders");
        addRow("TableCustOrdRows");
        tree.purchOrder = addRow("TablePurchOrders");
        addRow("TablePurchOrdRows");
        tree.product = addItem("TableProducts", s("Pump"), 1);
        for (const char* component : {"TableProdPrices", "TableAddCosts", "TableProdDocuments", "TableProdTechData",
                                      "TableProdParts", "TableProdSelComm", "TableProdLog"})
            addRow(component);
        tree.accessory = addItem("TableAccessories", s("Valve"), 1);
        for (const char* component :
             {"TableAccPrices", "TableAccTechData", "TableAccParts", "TableAccSelComm", "TableAccLog"})
            addRow(component);
        transaction.commit();
        return tree;
    }
    QMap<QString, int> counts()
    {
        QMap<QString, int> result;
        for (const db::TableDef& def : schema::projectTables())
            result.insert(def.name, count(def.name));
        return result;
    }
};

TEST_F(DeletionTest, ADeletedProjectLeavesNoRowInAnyTable)
{
    const Tree first = populate(s("First"));
    populate(s("Second"));
    const QMap<QString, int> before = counts();
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        ASSERT_GT(it.value(), 0) << str(it.key()) << " has rows to lose";

    ASSERT_TRUE(t("TableProjects").locate(s("ID"), first.project));
    ASSERT_TRUE(m_data.DeleteProjectRow());

    const QMap<QString, int> after = counts();
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        EXPECT_EQ(after.value(it.key()) * 2, it.value()) << str(it.key()) << ": exactly the other project's rows stay";
    EXPECT_EQ(t("TableProjects").fieldByName(s("Name")).asString(), s("Second"));
    EXPECT_EQ(t("TableProducts").recordCount(), 1) << "the views follow the project shown now";
    EXPECT_TRUE(m_messages.messages().isEmpty()) << str(m_messages.messages().join(u'\n'));
}

TEST_F(DeletionTest, AnOrderGoesWithItsRows)
{
    populate(s("Station"));
    struct Case {
        const char* orders;
        const char* rows;
        std::function<bool()> remove;
    };
    const Case cases[] = {
        {"CustomerOrders", "CustomerOrderRows", [this] { return m_data.DeleteCustomerOrder(); }},
        {"PurchaseOrders", "PurchaseOrderRows", [this] { return m_data.DeletePurchaseOrder(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orders);
        ASSERT_TRUE(c.remove());
        EXPECT_EQ(count(s(c.orders)), 0);
        EXPECT_EQ(count(s(c.rows)), 0);
    }
    EXPECT_EQ(count(s("Products")), 1);
    EXPECT_FALSE(m_data.DeleteCustomerOrder()) << "no order left";
}

TEST_F(DeletionTest, AFailedDeletionLeavesEverythingAsItWas)
{
    const Tree tree = populate(s("Station"));
    const QMap<QString, int> before = counts();
    db::Dataset& projects = t("TableProjects");
    projects.setHandler(db::DatasetEvent::BeforeDelete,
                        [](db::Dataset&) { throw db::DatabaseError(s("disk I/O error")); });

    EXPECT_FALSE(m_data.DeleteProjectRow());
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_TRUE(m_messages.messages().first().startsWith(s("Could not delete the project!")));
    EXPECT_TRUE(m_messages.messages().first().contains(s("disk I/O error")));
    EXPECT_EQ(counts(), before);
    EXPECT_EQ(projects.fieldByName(s("ID")).asString(), tree.project);
    EXPECT_EQ(t("TableProducts").recordCount(), 1) << "the views show the rows again";
    EXPECT_EQ(t("TableAccPrices").recordCount(), 1);
}

// --- new projects, revisions, series -------------------------------------------------------

TEST_F(ItemRulesTest, ANewProjectGetsTheSystemCurrenciesAndDiscounts)
{
    const QString project = addProject(s("Station"));
    m_data.CopySystemCurrencies(project);
    m_data.CopySystemDiscounts(project);

    db::Query system(m_data.database(s("DatabaseSystem")), s("SELECT COUNT(*) FROM Currencies"));
    system.open();
    const int currencies = system.field(0).asInteger();
    system.setSql(s("SELECT COUNT(*) FROM DiscMarg"));
    system.open();
    const int discounts = system.field(0).asInteger();
    ASSERT_GT(currencies, 1);
    ASSERT_GT(discounts, 1);
    EXPECT_EQ(count(s("ProjCurrencies"), s("ProjectID = :id"), project), currencies);
    EXPECT_EQ(count(s("ProjDiscMarg"), s("ProjectID = :id"), project), discounts);
    EXPECT_EQ(t("TableCurrencies").recordCount(), currencies) << "the project's view shows them";
    EXPECT_EQ(t("TableDiscMarg").recordCount(), discounts);

    db::Dataset& rates = t("TableCurrencies");
    ASSERT_TRUE(rates.locate(s("Name"), s("SEK")));
    EXPECT_EQ(rates.fieldByName(s("Factor")).asInteger(), 100);
    EXPECT_DOUBLE_EQ(rates.fieldByName(s("Rate")).asFloat(), 8.7);
    EXPECT_DOUBLE_EQ(rates.fieldByName(s("OneToOne")).asFloat(), 0.087);
    EXPECT_EQ(rates.fieldByName(s("ID")).asString().size(), 33);
    db::Dataset& margins = t("TableDiscMarg");
    ASSERT_TRUE(margins.locate(s("Series"), s("ES")));
    EXPECT_DOUBLE_EQ(margins.fieldByName(s("DiscLevel1")).asFloat(), 35);
    EXPECT_DOUBLE_EQ(margins.fieldByName(s("Margin")).asFloat(), 25);
}

TEST_F(ItemRulesTest, ANewRevisionIsNumberedAfterTheHighestAndIsTheOnlyLatest)
{
    const QString name = s("O'Hara station");
    addProject(name, 1, false);
    addProject(name, 3, true);
    addProject(name, 2, false);
    const QString other = addProject(s("Other"), 7, true);
    EXPECT_EQ(m_data.MaxRevision(name), 3);
    EXPECT_EQ(m_data.MaxRevision(s("nobody")), 0);

    const QString copy = addProject(name, 3, true);
    EXPECT_EQ(m_data.SetNewRevision(copy), 4);
    EXPECT_EQ(stored("Projects", copy, "Revision").toInt(), 4);
    EXPECT_EQ(count(s("Projects"), s("Latest = 1 AND Name = 'O''Hara station'")), 1);
    EXPECT_TRUE(stored("Projects", copy, "Latest").toBool());
    EXPECT_TRUE(stored("Projects", other, "Latest").toBool()) << "other names are not touched";
    EXPECT_EQ(stored("Projects", copy, "ProjectModifiedBy").toString(), s("Anna Berg"));
    EXPECT_EQ(m_data.MaxRevision(name), 4);
    ASSERT_TRUE(t("TableProjects").locate(s("ID"), copy));
    EXPECT_EQ(t("TableProjects").fieldByName(s("Revision")).asInteger(), 4) << "the table shows it";
}

TEST_F(ItemRulesTest, EverySeriesGetsItsDiscountAndPrintoutRows)
{
    db::Connection& system = m_data.database(s("DatabaseSystem"));
    system.exec(s("INSERT INTO Series (Name, ID) VALUES ('ZZ - New series', 'ZZ')"));
    system.exec(s("DELETE FROM PrintSeries WHERE Series = 'ES'"));
    auto rows = [&](const char* sql) {
        db::Query q(system, s(sql));
        q.open();
        return q.field(0).asInteger();
    };
    const int series = rows("SELECT COUNT(*) FROM Series");

    m_data.SyncSeriesTables();
    m_data.SyncSeriesTables();

    EXPECT_EQ(rows("SELECT COUNT(*) FROM DiscMarg"), series);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM PrintSeries"), series);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM DiscMarg WHERE Series = 'ZZ' AND Margin = 0"), 1);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM DiscMarg WHERE Series = 'ES' AND DiscLevel1 = 35"), 1) << "kept as it was";
    EXPECT_EQ(rows("SELECT COUNT(*) FROM PrintSeries WHERE Series = 'ES' AND DetQuot IS NULL"), 1);
    EXPECT_TRUE(t("TableSystemDiscMarg").locate(s("Series"), s("ZZ"))) << "the table shows the new row";
}

// --- TORVA guard ------------------------------------------------------------------------------

struct TorvaCase {
    const char* name;
    bool pdb;
    std::vector<int> answers;      // to the message boxes, in order
    std::optional<QString> reason; // what the input dialog gives; nullopt: cancelled
    bool logWritable;
    bool moves;
    const char* value; // of the row afterwards
    bool torvaKept;    // row and product keep TORVA
    int torvaLogs;
    QStringList keys; // the messages shown
};

std::ostream& operator<<(std::ostream& out, const TorvaCase& c)
{
    return out << c.name;
}

class TorvaGuardTest : public ItemRulesTest, public ::testing::WithParamInterface<TorvaCase> {};

TEST_P(TorvaGuardTest, LeavingAChangedTorvaValue)
{
    const TorvaCase& c = GetParam();
    addProject(s("Station"));
    const QString product = addRow("TableProducts", {{s("Name"), s("Pump")}, {s("TORVA"), true}});
    const QString row = addRow("TableProdTechData", {{s("Property"), s("Flow")},
                                                     {s("TORVA"), true},
                                                     {s("PDB"), c.pdb},
                                                     {s("TORVAValue"), s("12.5")},
                                                     {s("Value"), s("12.5")}});
    addRow("TableProdTechData", {{s("Property"), s("Head")}});
    db::Dataset& techData = t("TableProdTechData");
    ASSERT_TRUE(techData.locate(s("ID"), row));
    techData.edit();
    techData.fieldByName(s("Value")).setValue(s("14"));
    ASSERT_TRUE(techData.post());
    EXPECT_TRUE(m_data.TORVAIsViolated() != c.pdb);

    for (int answer : c.answers)
        m_messages.answer(answer);
    QStringList prompts;
    m_data.setTextInput([&](const QString& prompt, QString& value) {
        prompts << prompt;
        if (!c.reason)
            return false;
        value = *c.reason;
        return true;
    });
    QStringList violated;
    QObject::connect(&m_data, &TFormData::productTorvaViolated, &m_data, [&](const QString& id) { violated << id; });
    if (!c.logWritable)
        t("TableProdLog").close();
    m_messages.clear();

    EXPECT_EQ(techData.next(), c.moves);

    EXPECT_EQ(m_messages.keys(), c.keys);
    EXPECT_EQ(stored("ProdTechData", row, "Value").toString(), s(c.value));
    EXPECT_EQ(stored("ProdTechData", row, "TORVA").toBool(), c.torvaKept);
    EXPECT_EQ(stored("Products", product, "TORVA").toBool(), c.torvaKept);
    EXPECT_EQ(violated.size(), c.torvaKept ? 0 : 1);
    EXPECT_EQ(count(s("ProdLog"), s("Source = 'TORVA'")), c.torvaLogs);
    if (c.torvaLogs == 1) {
        db::Query q(projectsDb(), s("SELECT * FROM ProdLog WHERE Source = 'TORVA'"));
        q.open();
        EXPECT_EQ(q.value(s("ParentID")).toString(), product);
        EXPECT_EQ(q.value(s("Comment")).toString(), *c.reason);
        EXPECT_EQ(q.value(s("User")).toString(), s("Anna Berg"));
        EXPECT_EQ(q.value(s("Description")).toString(), s("TORVA techdata violated"));
        EXPECT_EQ(q.value(s("Severity")).toString(), s("Warning"));
        EXPECT_EQ(q.value(s("Name")).toString(), s("Pump"));
    }
    const bool asked = !c.keys.isEmpty() && c.answers.front() != MsgCodeNo;
    EXPECT_EQ(prompts, asked ? QStringList{MsgText(s("39"))} : QStringList{});
}

INSTANTIATE_TEST_SUITE_P(
    Answers, TorvaGuardTest,
    ::testing::Values(
        TorvaCase{"No puts the TORVA value back and stays",
                  false,
                  {MsgCodeNo},
                  std::nullopt,
                  true,
                  false,
                  "12.5",
                  true,
                  0,
                  {s("30")}},
        TorvaCase{"Yes with a reason logs it and clears TORVA",
                  false,
                  {MsgCodeYes},
                  s("Customer asks for 14"),
                  true,
                  true,
                  "14",
                  false,
                  1,
                  {s("30")}},
        TorvaCase{
            "a closed box counts as Yes", false, {MsgCodeCancel}, s("Checked"), true, true, "14", false, 1, {s("30")}},
        TorvaCase{"no reason keeps the value and the flag",
                  false,
                  {MsgCodeYes},
                  std::nullopt,
                  true,
                  true,
                  "14",
                  true,
                  0,
                  {s("30")}},
        TorvaCase{"a log that cannot be written is reported",
                  false,
                  {MsgCodeYes, MsgCodeOK},
                  s("Why"),
                  false,
                  true,
                  "14",
                  true,
                  0,
                  {s("30"), s("Failed to add entry to log!")}},
        TorvaCase{"a value from the product database is not asked about",
                  true,
                  {},
                  std::nullopt,
                  true,
                  true,
                  "14",
                  true,
                  0,
                  {}}));
