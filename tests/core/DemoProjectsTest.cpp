#include "tools/DemoProjects.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "data/Schema.h"
#include "data/SeedData.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "support/RecordingInteraction.h"
#include "support/TestWorkspace.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <tuple>

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

// The one document path of the demonstration that names no file, for the
// viewer's "file missing" page.
const char* const kMissingDocument = "Performance curve ES 80-200.pdf";

// The program folder as the build lays it out, with the demonstration
// projects; the project database is read through SQL.
class DemoProjects : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ws.layOutDatabases(TestWorkspace::Projects::Demo);
        m_projects = std::make_unique<db::Connection>();
        m_projects->open(m_ws.exeDir() + QStringLiteral("/Projects"));
    }

    QStringList column(const QString& sql)
    {
        db::Query query(*m_projects, sql);
        query.open();
        QStringList values;
        for (; !query.eof(); query.next())
            values << query.field(0).value().toString();
        return values;
    }
    int count(const QString& sql) { return column(sql).value(0).toInt(); }

    TestWorkspace m_ws;
    RecordingInteraction m_messages;
    std::unique_ptr<db::Connection> m_projects;
};

TEST_F(DemoProjects, EveryProjectNameHasOneLatestRevisionItsHighest)
{
    const QStringList names = column(s("SELECT DISTINCT Name FROM Projects"));
    ASSERT_GE(names.size(), 6);
    for (const QString& name : names) {
        SCOPED_TRACE(str(name));
        db::Query q(*m_projects, s("SELECT Revision FROM Projects WHERE Name = ? AND Latest = 1"));
        q.bindValue(0, name);
        q.open();
        ASSERT_FALSE(q.eof());
        const int latest = q.value(s("Revision")).toInt();
        EXPECT_FALSE(q.next()) << "more than one latest revision";
        db::Query max(*m_projects, s("SELECT MAX(Revision), COUNT(*) FROM Projects WHERE Name = ?"));
        max.bindValue(0, name);
        max.open();
        EXPECT_EQ(latest, max.field(0).value().toInt());
        EXPECT_EQ(max.field(1).value().toInt(), latest) << "revisions are numbered 1..n";
    }
}

// A value that names its owner: every non-empty one must find it. `owner`
// narrows the match where the owner must also sit in the same parent.
struct Reference {
    const char* table;
    const char* column;
    const char* parentTable;
    const char* owner = "";
};

const Reference kReferences[] = {
    Reference{"Products", "ProjectID", "Projects"},
    Reference{"Accessories", "ProductID", "Products"},
    Reference{"DetailPrices", "ProductID", "Products"},
    // An accessory's price rows carry the accessory's product and its state.
    Reference{"DetailPrices", "AccessoryID", "Accessories",
              "AND p.ProductID = c.ProductID AND p.Alternate = c.Alternate AND p.AddOption = c.AddOption"},
    Reference{"DetailAddCosts", "ProductID", "Products"},
    Reference{"ProdDocuments", "ProductID", "Products"},
    Reference{"Documents", "ProjectID", "Projects"},
    Reference{"ProdTechData", "ProductID", "Products"},
    Reference{"AccTechData", "AccessoryID", "Accessories"},
    Reference{"ProdParts", "ParentID", "Products"},
    Reference{"AccParts", "ParentID", "Accessories"},
    Reference{"ProdSelComm", "ParentID", "Products"},
    Reference{"ProjLog", "ParentID", "Projects"},
    Reference{"ProdLog", "ParentID", "Products"},
    Reference{"AccLog", "ParentID", "Accessories"},
    Reference{"ProjCurrencies", "ProjectID", "Projects"},
    Reference{"ProjDiscMarg", "ProjectID", "Projects"},
    Reference{"ProjAddCosts", "ProjectID", "Projects"},
    Reference{"ProjPackTrans", "ProjectID", "Projects"},
    Reference{"CustomerOrders", "ProjectID", "Projects"},
    Reference{"PurchaseOrders", "ProjectID", "Projects"},
    Reference{"CustomerOrderRows", "OrderID", "CustomerOrders"},
    Reference{"PurchaseOrderRows", "OrderID", "PurchaseOrders"},
    // Order rows come from products of the order's own project.
    Reference{"CustomerOrderRows", "ProductID", "Products",
              "AND p.ProjectID = (SELECT o.ProjectID FROM CustomerOrders o WHERE o.ID = c.OrderID)"},
    Reference{"PurchaseOrderRows", "ProductID", "Products",
              "AND p.ProjectID = (SELECT o.ProjectID FROM PurchaseOrders o WHERE o.ID = c.OrderID)"},
    // An alternative is one for a sibling that is no alternative itself,
    // and shows its tag.
    Reference{"Products", "AlternateFor", "Products",
              "AND p.ProjectID = c.ProjectID AND p.ID <> c.ID AND p.Alternate = 0 AND p.Tag = c.Tag"},
    Reference{"Accessories", "AlternateFor", "Accessories",
              "AND p.ProductID = c.ProductID AND p.ID <> c.ID AND p.Alternate = 0 AND p.Tag = c.Tag"},
};

TEST_F(DemoProjects, EveryRowFindsItsOwner)
{
    for (const Reference& r : kReferences) {
        SCOPED_TRACE(std::string(r.table) + "." + r.column);
        const QString filled = QStringLiteral("c.\"%1\" IS NOT NULL AND c.\"%1\" <> ''").arg(s(r.column));
        EXPECT_GT(count(QStringLiteral("SELECT COUNT(*) FROM \"%1\" c WHERE %2").arg(s(r.table), filled)), 0)
            << "nothing refers: the case tests nothing";
        const QStringList orphans = column(QStringLiteral("SELECT c.ID FROM \"%1\" c WHERE %2 AND NOT EXISTS "
                                                          "(SELECT 1 FROM \"%3\" p WHERE p.ID = c.\"%4\" %5)")
                                               .arg(s(r.table), filled, s(r.parentTable), s(r.column), s(r.owner)));
        EXPECT_TRUE(orphans.isEmpty()) << str(orphans.join(u' '));
    }
}

TEST_F(DemoProjects, ItemFlagsKeepTheirRules)
{
    for (const char* table : {"Products", "Accessories"}) {
        SCOPED_TRACE(table);
        // Alternate exactly when AlternateFor is set; never an alternative and an option at once.
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE (Alternate = 1) <> "
                                       "(AlternateFor IS NOT NULL AND AlternateFor <> '')")
                            .arg(s(table))),
                  0);
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Alternate = 1 AND AddOption = 1").arg(s(table))),
                  0);
    }
    // A product's own price rows are none of the accessories' states.
    EXPECT_EQ(count(s("SELECT COUNT(*) FROM DetailPrices WHERE (AccessoryID IS NULL OR AccessoryID = '') "
                      "AND (Alternate = 1 OR AddOption = 1)")),
              0);
}

// What the demonstration is for: every kind of item the tree tells apart,
// and a project in each state a user meets.
struct Showcase {
    const char* what;
    const char* sql;
};

const Showcase kShowcase[] = {
    Showcase{"configured product", "SELECT COUNT(*) FROM Products WHERE PDB = 1 AND TORVA = 0 AND ProductCode LIKE "
                                   "ProductSeries || '%' AND length(ProductCode) = 16"},
    Showcase{"product from TORVA", "SELECT COUNT(*) FROM Products WHERE TORVA = 1 AND PDB = 0"},
    Showcase{"product from TORVA and configured", "SELECT COUNT(*) FROM Products WHERE TORVA = 1 AND PDB = 1"},
    Showcase{"external product", "SELECT COUNT(*) FROM Products WHERE External = 1"},
    Showcase{"spare product", "SELECT COUNT(*) FROM Products WHERE Spare = 1"},
    Showcase{"alternative product", "SELECT COUNT(*) FROM Products WHERE Alternate = 1"},
    Showcase{"additional option", "SELECT COUNT(*) FROM Products WHERE AddOption = 1"},
    Showcase{"configured accessory", "SELECT COUNT(*) FROM Accessories WHERE PDB = 1"},
    Showcase{"external accessory", "SELECT COUNT(*) FROM Accessories WHERE External = 1"},
    Showcase{"spare accessory", "SELECT COUNT(*) FROM Accessories WHERE Spare = 1"},
    Showcase{"alternative accessory", "SELECT COUNT(*) FROM Accessories WHERE Alternate = 1"},
    Showcase{"project with three revisions", "SELECT COUNT(*) FROM (SELECT Name FROM Projects GROUP BY Name "
                                             "HAVING COUNT(*) >= 3)"},
    Showcase{"new quotation without items",
             "SELECT COUNT(*) FROM Projects p WHERE NOT EXISTS (SELECT 1 FROM Products WHERE ProjectID = p.ID)"},
    Showcase{"project with a customer order and purchase orders",
             "SELECT COUNT(*) FROM Projects p WHERE ProjectStatus = '3' AND EXISTS (SELECT 1 FROM "
             "CustomerOrderRows r JOIN CustomerOrders o ON o.ID = r.OrderID WHERE o.ProjectID = p.ID) AND EXISTS "
             "(SELECT 1 FROM PurchaseOrderRows r JOIN PurchaseOrders o ON o.ID = r.OrderID WHERE o.ProjectID = "
             "p.ID)"},
    Showcase{"technical data with TORVA values", "SELECT COUNT(*) FROM ProdTechData WHERE TORVA = 1"},
    Showcase{"additional costs of a product", "SELECT COUNT(*) FROM DetailAddCosts"},
    Showcase{"project additional costs", "SELECT COUNT(*) FROM ProjAddCosts"},
    Showcase{"packing and transport", "SELECT COUNT(*) FROM ProjPackTrans"},
    Showcase{"manual project price", "SELECT COUNT(*) FROM Projects WHERE PriceManual > 0"},
};

TEST_F(DemoProjects, ShowsEveryKindOfItemAndProject)
{
    for (const Showcase& c : kShowcase)
        EXPECT_GT(count(s(c.sql)), 0) << c.what;
}

TEST_F(DemoProjects, DocumentsLieBesideTheProgramExceptTheMissingOne)
{
    const QString folder = QDir(m_ws.exeDir()).absolutePath() + QStringLiteral("/Demo/");
    const QStringList paths = column(s("SELECT Name FROM Documents UNION ALL SELECT Name FROM ProdDocuments"));
    QStringList missing;
    QStringList suffixes;
    for (const QString& path : paths) {
        SCOPED_TRACE(str(path));
        EXPECT_TRUE(path.startsWith(folder));
        suffixes << QFileInfo(path).suffix().toLower();
        if (!QFileInfo::exists(path))
            missing << QFileInfo(path).fileName();
    }
    EXPECT_EQ(missing, QStringList{s(kMissingDocument)});
    for (const char* kind : {"pdf", "png", "odt"})
        EXPECT_TRUE(suffixes.contains(s(kind))) << kind;
    EXPECT_FALSE(demoProjectsPending(m_ws.exeDir() + QStringLiteral("/Projects")));
}

// A database a user has worked in is never prepared again: it holds no
// placeholder, so a second run changes nothing.
TEST_F(DemoProjects, PreparingAgainLeavesTheDatabaseAlone)
{
    db::Query edit(*m_projects, s("UPDATE DetailPrices SET ListPrice = '1', QuotPrice = 7 WHERE rowid = 1"));
    edit.execSql();
    EXPECT_FALSE(prepareDemoProjects(m_ws.exeDir()));
    EXPECT_EQ(column(s("SELECT ListPrice || '/' || QuotPrice FROM DetailPrices WHERE rowid = 1")),
              QStringList{s("1/7.0")});
}

// The figures as the file holds them: every column the price calculation
// writes, by table, row and column.
QMap<QString, double> shippedFigures(db::Connection& connection)
{
    const QList<std::pair<const char*, QStringList>> written = {
        {"Projects",
         {s("ProjPriceProducts"), s("ProjPriceProductsNLLC"), s("ProjPriceAddCost"), s("ProjPriceAddCostNLLC"),
          s("ProjPricePackTrans"), s("ProjPricePackTransNLLC"), s("PriceManual")}},
        {"ProjCurrencies", {s("OneToOne")}},
        {"Products",
         {s("ProdPrice"), s("TotalPrice"), s("NetPrice"), s("TotalPriceNLLC"), s("TotalAddCost"), s("TotalAddCostNLLC"),
          s("TotalProdPrice"), s("TotalProdPriceNLLC"), s("TotalPriceCurrFact"), s("TotalPriceQuotPrice"),
          s("TotalPriceQuotPriceSum"), s("TotalPriceQuotNLLC")}},
        {"Accessories", {s("ProdPrice")}},
        {"DetailPrices",
         {s("NetPrice"), s("NetCurrFact"), s("NLLC"), s("SumNLLC"), s("BasePrice"), s("QuotPrice"), s("QuotCurrFact"),
          s("SumQuotPrice")}},
        {"DetailAddCosts",
         {s("NetPrice"), s("NetCurrFact"), s("NLLC"), s("BasePrice"), s("QuotPrice"), s("QuotCurrFact")}},
        {"ProjAddCosts",
         {s("TotalPriceCurrFact"), s("TotalPriceQuotPrice"), s("TotalPriceQuotPriceSum"), s("TotalProdPriceSum")}},
        {"ProjPackTrans",
         {s("TotalPriceCurrFact"), s("TotalPriceQuotPrice"), s("TotalPriceQuotPriceSum"), s("TotalProdPriceSum")}},
    };
    QMap<QString, double> figures;
    for (const auto& [table, columns] : written) {
        db::Query q(connection, QStringLiteral("SELECT ID, %1 FROM %2").arg(columns.join(u','), s(table)));
        for (q.open(); !q.eof(); q.next()) {
            for (const QString& c : columns)
                figures.insert(s(table) + u'.' + q.value(s("ID")).toString() + u'.' + c, q.value(c).toDouble());
        }
    }
    return figures;
}

TEST_F(DemoProjects, ShippedFiguresAreWhatThePricingGives)
{
    const QMap<QString, double> shipped = shippedFigures(*m_projects);

    settings().open(m_ws.workIni());
    TFormData data;
    data.FormDataCreate();
    data.bindPricingHandlers();
    ASSERT_TRUE(data.OpenSystem());
    ASSERT_TRUE(data.OpenProjects());
    db::Dataset& projects = data.table(s("TableProjects"));
    const QStringList ids = column(s("SELECT ID FROM Projects"));
    for (const QString& id : ids) {
        ASSERT_TRUE(projects.locate(s("ID"), id));
        SCOPED_TRACE(str(projects.fieldByName(s("Name")).asString()));
        ASSERT_TRUE(data.RecalculateAllProducts());
        ASSERT_TRUE(data.RecalculateProject());
        // Priced figures a salesperson would believe: a positive contribution.
        if (projects.fieldByName(s("ProjPriceProducts")).asFloat() > 0) {
            EXPECT_GT(projects.fieldByName(s("_TOTAL_CONTRIB")).asFloat(), 0);
        }
    }
    EXPECT_TRUE(m_messages.messages().isEmpty()) << str(m_messages.messages().join(u'\n'));

    const QMap<QString, double> recalculated = shippedFigures(data.database(s("DatabaseProjects")));
    ASSERT_EQ(recalculated.size(), shipped.size());
    for (auto it = shipped.cbegin(); it != shipped.cend(); ++it)
        EXPECT_NEAR(it.value(), recalculated.value(it.key()), 1e-9 * std::max(1.0, std::fabs(it.value())))
            << str(it.key());
    // Every price row is priced: a currency missing from its project would
    // have made it 0.
    EXPECT_EQ(count(s("SELECT COUNT(*) FROM DetailPrices WHERE NLLC <= 0 OR QuotPrice <= 0")), 0);
}

// Order rows hold the figures of their product at the time of the order,
// converted into the order's currency, and the orders their sums.
TEST_F(DemoProjects, OrderRowsAndSumsFollowTheirProducts)
{
    const QString factor = s("(SELECT c.OneToOne FROM ProjCurrencies c WHERE c.ProjectID = o.ProjectID AND c.Name = "
                             "r.Currency) / (SELECT c.OneToOne FROM ProjCurrencies c WHERE c.ProjectID = o.ProjectID "
                             "AND c.Name = o.OrderCurrency)");
    for (const auto& [orders, rows, price] :
         {std::tuple{"CustomerOrders", "CustomerOrderRows", "TotalPriceQuotPrice"},
          std::tuple{"PurchaseOrders", "PurchaseOrderRows", "TotalProdPriceNLLC"}}) {
        SCOPED_TRACE(orders);
        const QString join = QStringLiteral("FROM %1 r JOIN %2 o ON o.ID = r.OrderID JOIN Products p ON p.ID = "
                                            "r.ProductID")
                                 .arg(s(rows), s(orders));
        EXPECT_GT(count(QStringLiteral("SELECT COUNT(*) %1").arg(join)), 0);
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) %1 WHERE abs(r.Price - p.%2) > 1e-6 OR r.Currency <> "
                                       "p.ProdCurrency OR abs(r.TotalPrice - r.Qty * r.Price * %3) > 1e-6")
                            .arg(join, s(price), factor)),
                  0);
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM %1 o WHERE abs(o.OrderSum - (SELECT SUM(TotalPrice) FROM "
                                       "%2 WHERE OrderID = o.ID)) > 1e-6")
                            .arg(s(orders), s(rows))),
                  0);
    }
}

// The paths are put in at most at their field's width: a longer one is
// refused and the database stays as the seed made it, to be prepared again
// from a shorter folder.
TEST(DemoProjectsPreparation, APathTooLongForItsFieldLeavesTheDatabaseAsItWas)
{
    TestWorkspace ws;
    RecordingInteraction messages;
    const QString exeDir = ws.root() + u'/' + QString(120, u'x') + u'/' + QString(120, u'y');
    const QString seed = TestWorkspace::resourcesDir() + QStringLiteral("/db/");
    for (const ShippedDatabase& database : shippedDatabases())
        createDatabase(exeDir + u'/' + database.folder, database.tables, seed + database.folder);

    try {
        prepareDemoProjects(exeDir);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("longer than 255 characters"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(demoProjectsPending(exeDir + QStringLiteral("/Projects")));
    db::Connection projects;
    projects.open(exeDir + QStringLiteral("/Projects"));
    db::Query q(projects, s("SELECT SUM(ProjPriceProducts) + SUM(ProjPricePackTrans) FROM Projects"));
    q.open();
    EXPECT_EQ(q.field(0).value().toDouble(), 0.0);
    EXPECT_FALSE(settings().isOpen());
}

} // namespace
