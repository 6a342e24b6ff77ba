#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/DataSource.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "support/RecordingInteraction.h"
#include "support/TestWorkspace.h"

#include <QMap>

#include <gtest/gtest.h>

using namespace kiro;
using kiro::test::RecordingInteraction;
using kiro::test::TestWorkspace;

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

// A project in EUR with EUR, SEK (0.1) and USD (0.9), one product and
// nothing else; the tables stand on it.
class PricingTest : public ::testing::Test {
public:
    void SetUp() override
    {
        m_ws.layOutDatabases();
        settings().open(m_ws.workIni());
        m_data.FormDataCreate();
        m_data.bindPricingHandlers();
        ASSERT_TRUE(m_data.OpenSession());
        ASSERT_TRUE(m_data.OpenSystem());
        ASSERT_TRUE(m_data.OpenProjects());

        db::Dataset& projects = t("TableProjects");
        projects.append();
        set(projects, {{"Name", "Pricing"}, {"ProjCurrency", "EUR"}});
        projects.post();
        for (const auto& [name, rate] : {std::pair{"EUR", 1.0}, {"SEK", 0.1}, {"USD", 0.9}}) {
            db::Dataset& c = t("TableCurrencies");
            c.append();
            set(c, {{"Name", name}, {"Factor", 1}, {"Rate", rate}});
            c.post();
        }
        db::Dataset& discMarg = t("TableDiscMarg");
        discMarg.append();
        set(discMarg, {{"Series", "ES"}, {"DiscLevel1", 35}, {"DiscLevel2", 30}, {"Margin", 25}});
        discMarg.post();
        m_product = addProduct(1);
        m_messages.clear();
    }

    db::Dataset& t(const char* name) { return m_data.table(s(name)); }

    static void set(db::Dataset& d, std::initializer_list<std::pair<const char*, QVariant>> values)
    {
        for (const auto& [field, value] : values)
            d.fieldByName(s(field)).setValue(value);
    }
    static double num(db::Dataset& d, const char* field) { return d.fieldByName(s(field)).asFloat(); }
    static QString str(db::Dataset& d, const char* field) { return d.fieldByName(s(field)).asString(); }

    QString addProduct(int order, const char* currency = "EUR")
    {
        db::Dataset& products = t("TableProducts");
        products.append();
        set(products, {{"Order", order}, {"Name", "Pump"}, {"ProdCurrency", currency}, {"TotalCurrency", "EUR"}});
        products.post();
        return str(products, "ID");
    }

    QString addAccessory(bool addOption = false)
    {
        db::Dataset& accessories = t("TableAccessories");
        accessories.append();
        set(accessories, {{"Order", accessories.recordCount() + 1}, {"Name", "Coupling"}, {"AddOption", addOption}});
        accessories.post();
        return str(accessories, "ID");
    }

    // A typical row: 100, 10 %, no freight, 20 % margin, 5 % sales
    // discount, quantity 2, all in EUR.
    void addPriceRow(const QString& accessoryID = QString(), bool addOption = false, const char* keyword = "P1")
    {
        db::Dataset& prices = t("TableProdPrices");
        prices.append();
        set(prices, {{"Qty", 2},
                     {"Keyword", keyword},
                     {"AccessoryID", accessoryID},
                     {"AddOption", addOption},
                     {"ListCurrency", "EUR"},
                     {"NetCurrency", "EUR"},
                     {"QuotCurrency", "EUR"},
                     {"ListPrice", "100"},
                     {"Discount", 10},
                     {"FreightFactor", 0},
                     {"Contribution", 20},
                     {"Discount2", 5}});
        prices.post();
    }

    // A column as the file holds it, through SQL.
    double stored(const char* table, const char* field, const QString& id)
    {
        db::Query q(m_data.database(s("DatabaseProjects")),
                    QStringLiteral("SELECT %1 FROM %2 WHERE ID = ?").arg(s(field), s(table)));
        q.bindValue(0, id);
        q.open();
        return q.eof() ? -1e9 : q.field(0).value().toDouble();
    }

    TestWorkspace m_ws;
    RecordingInteraction m_messages;
    TFormData m_data;
    QString m_product;
};

// --- price rows ---------------------------------------------------------------------------

struct PriceRowCase {
    const char* name;
    std::function<void(db::Dataset&)> change;
    double netPrice, nllc, basePrice, quotPrice;
};

class PriceRowTest : public PricingTest, public ::testing::WithParamInterface<PriceRowCase> {};

TEST_P(PriceRowTest, RowIsRecalculatedStoredAndSummed)
{
    addPriceRow();
    db::Dataset& prices = t("TableProdPrices");
    prices.edit();
    GetParam().change(prices);
    prices.checkBrowseMode();
    const QString id = str(prices, "ID");
    const PriceRowCase& c = GetParam();
    EXPECT_NEAR(stored("DetailPrices", "NetPrice", id), c.netPrice, 1e-9);
    EXPECT_NEAR(stored("DetailPrices", "NLLC", id), c.nllc, 1e-9);
    EXPECT_NEAR(stored("DetailPrices", "BasePrice", id), c.basePrice, 1e-9);
    EXPECT_NEAR(stored("DetailPrices", "QuotPrice", id), c.quotPrice, 1e-9);
    EXPECT_NEAR(stored("DetailPrices", "SumQuotPrice", id), 2 * c.quotPrice, 1e-9);
    EXPECT_NEAR(stored("DetailPrices", "SumNLLC", id), 2 * c.nllc, 1e-9);
    // The product totals and its line follow at once.
    EXPECT_NEAR(stored("Products", "TotalPrice", m_product), 2 * c.quotPrice, 1e-9);
    EXPECT_NEAR(stored("Products", "TotalPriceNLLC", m_product), 2 * c.nllc, 1e-9);
    EXPECT_NEAR(stored("Products", "TotalPriceQuotPriceSum", m_product), 2 * c.quotPrice, 1e-9);
    EXPECT_NEAR(num(t("TableProjects"), "ProjPriceProducts"), 2 * c.quotPrice, 1e-9);
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PriceRowTest,
    ::testing::Values(
        PriceRowCase{"AsEntered", [](db::Dataset&) {}, 90, 90, 112.5, 106.875},
        PriceRowCase{"ManualPriceReplacesListPrice",
                     [](db::Dataset& d) { d.fieldByName(s("ManualPrice")).setValue(s("80")); }, 72, 72, 90, 85.5},
        PriceRowCase{"ClearedManualPriceBringsListPriceBack",
                     [](db::Dataset& d) {
                         d.fieldByName(s("ManualPrice")).setValue(s("80"));
                         d.fieldByName(s("ManualPrice")).setValue(s(""));
                     },
                     90, 90, 112.5, 106.875},
        PriceRowCase{"LocalListPriceWhateverTheMargin",
                     [](db::Dataset& d) {
                         d.fieldByName(s("LocalListPrice")).setValue(150);
                         d.fieldByName(s("Discount2")).setValue(10);
                         d.fieldByName(s("Contribution")).setValue(60);
                     },
                     90, 90, 225, 135},
        PriceRowCase{"FreightShare", [](db::Dataset& d) { d.fieldByName(s("FreightFactor")).setValue(10); }, 90, 100,
                     125, 118.75},
        PriceRowCase{"FullFreightGivesZeroNotAnError",
                     [](db::Dataset& d) { d.fieldByName(s("FreightFactor")).setValue(100); }, 90, 0, 0, 0},
        PriceRowCase{"FullMarginGivesZeroNotAnError",
                     [](db::Dataset& d) { d.fieldByName(s("Contribution")).setValue(100); }, 90, 90, 0, 0},
        PriceRowCase{"UnconvertibleListPriceCountsAsZero",
                     [](db::Dataset& d) { d.fieldByName(s("ListPrice")).setValue(s("12,3x")); }, 0, 0, 0, 0},
        PriceRowCase{"ListCurrencyConverted",
                     [](db::Dataset& d) {
                         d.fieldByName(s("ListCurrency")).setValue(s("SEK"));
                         d.fieldByName(s("Discount")).setValue(10); // ListCurrency alone recalculates nothing
                     },
                     9, 9, 11.25, 10.6875},
        PriceRowCase{"MissingCurrencyConvertsToZeroAndStillPosts",
                     [](db::Dataset& d) { d.fieldByName(s("QuotCurrency")).setValue(s("XXX")); }, 90, 0, 0, 0}),
    [](const ::testing::TestParamInfo<PriceRowCase>& info) { return std::string(info.param.name); });

TEST_F(PricingTest, AdditionalOptionAccessoryLeavesTheProductTotalButKeepsItsOwnPrice)
{
    addPriceRow();
    const QString option = addAccessory(true);
    addPriceRow(option, true, "A1");
    db::Dataset& products = t("TableProducts");
    EXPECT_NEAR(num(products, "TotalPrice"), 213.75, 1e-9);
    EXPECT_NEAR(num(products, "TotalPriceNLLC"), 180, 1e-9);
    EXPECT_NEAR(num(products, "ProdPrice"), 106.875, 1e-9) << "own rows, without quantities";
    EXPECT_NEAR(stored("Accessories", "ProdPrice", option), 106.875, 1e-9);
    EXPECT_NEAR(num(t("TableAccessories"), "ProdPrice"), 106.875, 1e-9);

    // An ordinary accessory counts.
    const QString plain = addAccessory(false);
    addPriceRow(plain, false, "A2");
    EXPECT_NEAR(num(products, "TotalPrice"), 2 * 213.75, 1e-9);
    EXPECT_NEAR(stored("Accessories", "ProdPrice", plain), 106.875, 1e-9);
}

TEST_F(PricingTest, DeletedPriceRowsLeaveTheTotals)
{
    addPriceRow();
    const QString accessory = addAccessory();
    addPriceRow(accessory, false, "A1");
    db::Dataset& prices = t("TableProdPrices");
    ASSERT_TRUE(prices.locate(s("Keyword"), s("P1")));
    prices.deleteRecord();
    db::Dataset& products = t("TableProducts");
    EXPECT_NEAR(num(products, "TotalPrice"), 213.75, 1e-9);
    EXPECT_NEAR(num(products, "ProdPrice"), 0, 1e-9);
    EXPECT_NEAR(num(t("TableProjects"), "ProjPriceProducts"), 213.75, 1e-9);

    // Rows removed behind the views' back: the product is totalled on request.
    m_data.database(s("DatabaseProjects")).exec(s("DELETE FROM DetailPrices"));
    m_data.UpdateProductTotals();
    EXPECT_NEAR(num(products, "TotalPrice"), 0, 1e-9);
    EXPECT_NEAR(num(t("TableProjects"), "ProjPriceProducts"), 0, 1e-9);
}

TEST_F(PricingTest, AccessoryQuantityIsCopiedIntoItsPriceRows)
{
    const QString accessory = addAccessory();
    addPriceRow(accessory, false, "A1");
    addPriceRow(QString(), false, "P1");
    db::Dataset& accessories = t("TableAccessories");
    accessories.edit();
    set(accessories, {{"Qty", 3}});
    accessories.post();
    db::Dataset& prices = t("TableProdPrices");
    for (prices.first(); !prices.eof(); prices.next()) {
        const bool own = str(prices, "AccessoryID") == accessory;
        EXPECT_EQ(prices.fieldByName(s("Qty")).asInteger(), own ? 3 : 2);
        EXPECT_NEAR(num(prices, "SumQuotPrice"), (own ? 3 : 2) * 106.875, 1e-9);
    }
    EXPECT_NEAR(num(t("TableProducts"), "TotalPrice"), 5 * 106.875, 1e-9);
}

// --- quotation lines and project totals ---------------------------------------------------------

TEST_F(PricingTest, QuotationLineWithCommissionAndRoundedPrice)
{
    db::Dataset& products = t("TableProducts");
    QStringList relabelled;
    QObject::connect(&m_data, &TFormData::productLabelChanged, &m_data,
                     [&relabelled](const QString& id) { relabelled << id; });
    // Every change of a line's input posts the line.
    for (const auto& [field, value] : {std::pair{"Qty", 3}, {"TotalProdPrice", 100}, {"TotalPriceComm", 10}}) {
        products.edit();
        set(products, {{field, value}});
        EXPECT_EQ(products.state(), db::DatasetState::Browse);
    }
    EXPECT_NEAR(num(products, "TotalPriceQuotPrice"), 111.111111, 1e-5);
    EXPECT_NEAR(stored("Products", "TotalPriceQuotPriceSum", m_product), 333.333333, 1e-5);
    EXPECT_NEAR(num(t("TableProjects"), "ProjPriceProducts"), 333.333333, 1e-5);
    EXPECT_EQ(relabelled, QStringList(3, m_product)) << "the tree label follows each line change";

    products.edit();
    set(products, {{"TotalPriceQuotRounded", 110}});
    products.checkBrowseMode();
    EXPECT_NEAR(stored("Products", "TotalPriceQuotPriceSum", m_product), 330, 1e-9);
    EXPECT_NEAR(num(t("TableProjects"), "ProjPriceProducts"), 330, 1e-9);
}

TEST_F(PricingTest, LineLandedCostIsInTheProjectCurrency)
{
    // A product costed in USD (0.9 EUR) quoted in EUR: its landed cost and
    // its price reach the project converted alike.
    db::Dataset& products = t("TableProducts");
    products.edit();
    set(products, {{"ProdCurrency", "USD"}});
    products.post();
    db::Dataset& prices = t("TableProdPrices");
    prices.append();
    set(prices,
        {{"Qty", 1}, {"ListCurrency", "USD"}, {"NetCurrency", "USD"}, {"QuotCurrency", "USD"}, {"ListPrice", "100"}});
    prices.post();
    EXPECT_NEAR(num(products, "TotalProdPriceNLLC"), 100, 1e-9);
    EXPECT_NEAR(num(products, "TotalPriceQuotNLLC"), 90, 1e-9);
    EXPECT_NEAR(num(products, "TotalPriceQuotPriceSum"), 90, 1e-9);
    EXPECT_NEAR(num(t("TableProjects"), "ProjPriceProductsNLLC"), 90, 1e-9);
}

TEST_F(PricingTest, ProjectContributionAgainstComputedOrManualPrice)
{
    db::Dataset& projects = t("TableProjects");
    projects.edit();
    set(projects, {{"ProjPriceProducts", 1100},
                   {"ProjPriceProductsNLLC", 700},
                   {"ProjPriceAddCost", 100},
                   {"ProjPriceAddCostNLLC", 100},
                   {"PriceManual", 0}});
    projects.post();
    EXPECT_NEAR(num(projects, "_TOTAL_PROJ_PRICE"), 1200, 1e-9);
    EXPECT_NEAR(num(projects, "_TOTAL_PROJ_NLLC"), 800, 1e-9);
    EXPECT_NEAR(num(projects, "_TOTAL_CONTRIB"), 400, 1e-9) << "against the computed total";
    EXPECT_NEAR(num(projects, "_TOTAL_CONTRIB_PERCENT"), 100.0 / 3, 1e-9);

    projects.edit();
    set(projects, {{"PriceManual", 1000}});
    projects.post();
    EXPECT_NEAR(num(projects, "_TOTAL_CONTRIB"), 200, 1e-9);
    EXPECT_NEAR(num(projects, "_TOTAL_CONTRIB_PERCENT"), 20, 1e-9);

    projects.edit();
    set(projects, {{"PriceManual", 0}, {"ProjPriceProducts", 0}, {"ProjPriceAddCost", 0}});
    projects.post();
    EXPECT_TRUE(projects.fieldByName(s("_TOTAL_CONTRIB_PERCENT")).isNull()) << "no base, no percent";
}

TEST_F(PricingTest, ProjectCostLinesGetDefaultsAndTotals)
{
    for (const auto& [component, price, nllc] :
         {std::tuple{"TableProjAddCosts", "ProjPriceAddCost", "ProjPriceAddCostNLLC"},
          std::tuple{"TableProjPackTrans", "ProjPricePackTrans", "ProjPricePackTransNLLC"}}) {
        db::Dataset& lines = t(component);
        lines.append();
        EXPECT_EQ(str(lines, "ProdCurrency"), s("EUR"));
        EXPECT_EQ(str(lines, "TotalCurrency"), s("EUR"));
        EXPECT_EQ(lines.fieldByName(s("Qty")).asInteger(), 1);
        set(lines, {{"Qty", 2}, {"TotalProdPrice", 50}, {"TotalPriceComm", 50}});
        lines.post();
        db::Dataset& projects = t("TableProjects");
        EXPECT_NEAR(num(projects, price), 200, 1e-9) << component;
        EXPECT_NEAR(num(projects, nllc), 100, 1e-9) << component;
        lines.deleteRecord();
        EXPECT_NEAR(num(projects, price), 0, 1e-9) << component << ": a sum over no rows";
    }
}

TEST_F(PricingTest, AdditionalCostsOfAProduct)
{
    db::Dataset& addCosts = t("TableAddCosts");
    addCosts.append();
    EXPECT_EQ(str(addCosts, "QuotCurrency"), s("EUR"));
    EXPECT_EQ(str(addCosts, "NetCurrency"), s("EUR"));
    set(addCosts, {{"ListPrice", "100"}, {"Discount", 10}, {"Contribution", 20}});
    addCosts.post();
    db::Dataset& products = t("TableProducts");
    EXPECT_NEAR(num(products, "TotalAddCost"), 112.5, 1e-9);
    EXPECT_NEAR(num(products, "TotalAddCostNLLC"), 90, 1e-9);
    EXPECT_NEAR(num(products, "TotalProdPrice"), 112.5, 1e-9);
    EXPECT_NEAR(stored("Products", "TotalPriceQuotPriceSum", m_product), 112.5, 1e-9);

    addCosts.edit();
    set(addCosts, {{"Discount2", 20}});
    addCosts.checkBrowseMode();
    EXPECT_NEAR(num(products, "TotalAddCost"), 90, 1e-9);

    addCosts.deleteRecord();
    EXPECT_NEAR(num(products, "TotalAddCost"), 0, 1e-9);
    EXPECT_NEAR(num(t("TableProjects"), "ProjPriceProducts"), 0, 1e-9);
}

TEST_F(PricingTest, OrderRowsAndOrderSum)
{
    db::Dataset& orders = t("TableCustOrders");
    orders.append();
    set(orders, {{"Name", "Order"}, {"OrderCurrency", "SEK"}});
    orders.post();
    db::Dataset& rows = t("TableCustOrdRows");
    for (const char* currency : {"EUR", "XXX"}) {
        rows.append();
        set(rows, {{"Currency", currency}, {"Qty", 2}, {"Price", 50}});
        rows.checkBrowseMode();
    }
    rows.first();
    EXPECT_NEAR(num(rows, "TotalPrice"), 1000, 1e-9);
    rows.next();
    EXPECT_NEAR(num(rows, "TotalPrice"), 0, 1e-9) << "a missing currency converts to 0";
    EXPECT_NEAR(num(orders, "OrderSum"), 1000, 1e-9);
}

// --- the currency of the project ---------------------------------------------------------------------

TEST_F(PricingTest, ChangingTheProjectCurrencyConvertsLinesAndManualPrice)
{
    addPriceRow();
    db::Dataset& lines = t("TableProjAddCosts");
    lines.append();
    set(lines, {{"TotalProdPrice", 10}});
    lines.post();
    db::Dataset& projects = t("TableProjects");
    projects.edit();
    set(projects, {{"PriceManual", 1000}});
    projects.post();

    EXPECT_TRUE(m_data.TabQuotDataCurrencyClick(s("SEK")));
    EXPECT_EQ(str(projects, "ProjCurrency"), s("SEK"));
    EXPECT_NEAR(stored("Projects", "PriceManual", str(projects, "ID")), 10000, 1e-9);
    EXPECT_EQ(str(t("TableProducts"), "TotalCurrency"), s("SEK"));
    EXPECT_NEAR(num(t("TableProducts"), "TotalPriceQuotPriceSum"), 2137.5, 1e-9);
    EXPECT_NEAR(num(projects, "ProjPriceProducts"), 2137.5, 1e-9);
    EXPECT_NEAR(num(projects, "ProjPriceAddCost"), 100, 1e-9);
    EXPECT_EQ(m_data.GetProjCurrencies(), (QStringList{s("EUR"), s("SEK"), s("USD")}));
}

TEST_F(PricingTest, ProjectWithoutLinesKeepsItsManualPrice)
{
    db::Dataset& products = t("TableProducts");
    products.deleteRecord();
    db::Dataset& projects = t("TableProjects");
    projects.edit();
    set(projects, {{"PriceManual", 1000}, {"ProjCurrency", "SEK"}});
    projects.post();
    EXPECT_TRUE(m_data.RecalculateProject());
    EXPECT_NEAR(num(projects, "PriceManual"), 1000, 1e-9);
}

TEST_F(PricingTest, ManualPriceThatCannotBeConvertedIsKept)
{
    db::Dataset& projects = t("TableProjects");
    projects.edit();
    set(projects, {{"PriceManual", 1000}});
    projects.post();
    EXPECT_TRUE(m_data.TabQuotDataCurrencyClick(s("XXX")));
    EXPECT_NEAR(stored("Projects", "PriceManual", str(projects, "ID")), 1000, 1e-9);
    EXPECT_NEAR(num(t("TableProducts"), "TotalPriceCurrFact"), 0, 1e-9) << "the lines convert to 0";
}

TEST_F(PricingTest, RowPostedThroughTheAccessoryViewTotalsTheProduct)
{
    const QString accessory = addAccessory();
    db::Dataset& accPrices = t("TableAccPrices");
    accPrices.append();
    set(accPrices,
        {{"Qty", 1}, {"ListCurrency", "EUR"}, {"NetCurrency", "EUR"}, {"QuotCurrency", "EUR"}, {"ListPrice", "50"}});
    accPrices.post();
    EXPECT_EQ(str(accPrices, "AccessoryID"), accessory);
    EXPECT_NEAR(stored("Products", "TotalPrice", m_product), 50, 1e-9);
    EXPECT_NEAR(stored("Accessories", "ProdPrice", accessory), 50, 1e-9);

    // A change through the product's view reaches the accessory's view, so
    // that its next recalculation starts from the new discount.
    db::Dataset& prices = t("TableProdPrices");
    ASSERT_EQ(prices.recordCount(), 1);
    prices.edit();
    set(prices, {{"Discount", 50}});
    prices.checkBrowseMode();
    EXPECT_NEAR(num(accPrices, "Discount"), 50, 1e-9);
    accPrices.edit();
    set(accPrices, {{"Discount2", 10}});
    accPrices.checkBrowseMode();
    EXPECT_NEAR(stored("DetailPrices", "QuotPrice", str(accPrices, "ID")), 22.5, 1e-9);
}

TEST_F(PricingTest, CurrencyFactorOfZeroIsRefused)
{
    db::Dataset& currencies = t("TableCurrencies");
    ASSERT_TRUE(currencies.locate(s("Name"), s("SEK")));
    currencies.edit();
    set(currencies, {{"Factor", 100}, {"Rate", 8.7}});
    EXPECT_NEAR(num(currencies, "OneToOne"), 0.087, 1e-12);
    currencies.post();
    currencies.edit();
    set(currencies, {{"Factor", 0}});
    EXPECT_EQ(m_messages.messages().size(), 1);
    EXPECT_EQ(currencies.fieldByName(s("Factor")).asInteger(), 100) << "the factor it had";
    EXPECT_NEAR(num(currencies, "OneToOne"), 0.087, 1e-12);
    currencies.post();
    EXPECT_NEAR(m_data.GetCurrFact(s("EUR"), s("SEK")), 1 / 0.087, 1e-9);
}

// --- bulk operations -------------------------------------------------------------------------------------

TEST_F(PricingTest, RecalculateAllProductsTakesTheProductCurrencyIntoEveryRow)
{
    addPriceRow();
    db::Dataset& addCosts = t("TableAddCosts");
    addCosts.append();
    set(addCosts, {{"ListPrice", "10"}});
    addCosts.post();
    db::Dataset& products = t("TableProducts");
    products.edit();
    set(products, {{"ProdCurrency", "SEK"}});
    products.post();

    EXPECT_TRUE(m_data.RecalculateAllProducts());
    db::Dataset& prices = t("TableProdPrices");
    EXPECT_EQ(str(prices, "QuotCurrency"), s("SEK"));
    EXPECT_NEAR(num(prices, "QuotPrice"), 1068.75, 1e-9);
    EXPECT_EQ(str(addCosts, "QuotCurrency"), s("SEK"));
    EXPECT_NEAR(num(addCosts, "QuotPrice"), 100, 1e-9);
    EXPECT_NEAR(num(products, "TotalProdPrice"), 2137.5 + 100, 1e-9);
    EXPECT_NEAR(num(products, "TotalPriceQuotPriceSum"), 213.75 + 10, 1e-9) << "the line is in EUR";
    EXPECT_NEAR(num(t("TableProjects"), "ProjPriceProducts"), 223.75, 1e-9);
}

TEST_F(PricingTest, FailedRecalculationLeavesDatabaseAndTablesAsBefore)
{
    addPriceRow();
    addProduct(2);
    addPriceRow();
    db::Dataset& products = t("TableProducts");
    products.first();
    products.edit();
    set(products, {{"ProdCurrency", "SEK"}});
    products.post();
    const double before = stored("Products", "TotalPrice", m_product);
    int posts = 0;
    products.setHandler(db::DatasetEvent::BeforePost, [&posts](db::Dataset&) {
        if (++posts == 3)
            throw db::DatabaseError(s("disk full"));
    });
    EXPECT_FALSE(m_data.RecalculateAllProducts());
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_TRUE(m_messages.messages().first().contains(s("disk full")));
    products.setHandler(db::DatasetEvent::BeforePost, {});
    EXPECT_NEAR(stored("Products", "TotalPrice", m_product), before, 1e-9);
    products.first();
    EXPECT_NEAR(num(products, "TotalPrice"), before, 1e-9) << "the table was read again";
    EXPECT_EQ(str(t("TableProdPrices"), "QuotCurrency"), s("EUR"));
}

TEST_F(PricingTest, DiscountLevelsAndMarginsAreApplied)
{
    addPriceRow();
    db::Dataset& prices = t("TableProdPrices");
    prices.edit();
    set(prices, {{"Series", "ES"}, {"Level", "2"}});
    prices.post();
    addPriceRow(QString(), false, "P2");
    prices.edit();
    set(prices, {{"Series", "ES"}, {"Level", "7"}});
    prices.post();
    EXPECT_TRUE(m_data.ApplyDiscMargToProject());
    prices.first();
    EXPECT_NEAR(num(prices, "Discount"), 30, 1e-9);
    EXPECT_NEAR(num(prices, "Contribution"), 25, 1e-9);
    EXPECT_NEAR(num(prices, "NetPrice"), 70, 1e-9);
    prices.next();
    EXPECT_NEAR(num(prices, "Discount"), 0, 1e-9) << "no level 7";
    EXPECT_NEAR(num(prices, "Contribution"), 25, 1e-9);
    EXPECT_NEAR(num(t("TableProducts"), "TotalPriceNLLC"), 2 * 70 + 2 * 100, 1e-9);
}

TEST_F(PricingTest, ColumnTitleClicks)
{
    addPriceRow();
    addPriceRow(QString(), false, "P2");
    QStringList asked;
    QStringList answers{s("abc"), s("15")};
    auto input = [&](const QString& caption, const QString& prompt, QString& value) {
        asked << caption + s("|") + prompt + s("|") + value;
        if (answers.isEmpty())
            return false;
        value = answers.takeFirst();
        return true;
    };
    using G = TFormData::PriceGrid;
    using A = TFormData::ColumnAction;
    EXPECT_EQ(m_data.SetProjectFactor(G::ProductPrices, s("Discount"), s("Disc."), input), A::OpenDiscounts);
    EXPECT_EQ(m_data.SetProjectFactor(G::ProductPrices, s("Contribution"), s("CM"), input), A::OpenDiscounts);
    EXPECT_EQ(m_data.SetProjectFactor(G::ProjAddCosts, s("TotalPriceComm"), s("Comm."), input), A::None);
    EXPECT_EQ(m_data.SetProjectFactor(G::ProductPrices, s("Description"), s("Text"), input), A::None);
    EXPECT_EQ(m_data.SetProjectFactor(G::ProductPrices, s("LocalListPrice"), s("Local"), input), A::ExternalPrice);
    EXPECT_EQ(m_messages.messages(), QStringList{s("Get price!")});
    EXPECT_TRUE(asked.isEmpty());

    m_messages.clear();
    EXPECT_EQ(m_data.SetProjectFactor(G::ProductPrices, s("Discount2"), s("Disc.2"), input), A::ValuesSet);
    ASSERT_EQ(asked.size(), 2) << "asked again after a value that is not a number";
    EXPECT_EQ(asked.first(), s("Disc.2|Enter a value to be set in all entries for this column:|5"));
    EXPECT_EQ(m_messages.keys(), QStringList{s("19")});
    db::Dataset& prices = t("TableProdPrices");
    for (prices.first(); !prices.eof(); prices.next()) {
        EXPECT_NEAR(num(prices, "Discount2"), 15, 1e-9);
        EXPECT_NEAR(num(prices, "QuotPrice"), 112.5 * 0.85, 1e-9);
    }
    EXPECT_EQ(m_data.SetProjectFactor(G::QuotationProducts, s("TotalPriceComm"), s("Comm."), input), A::Cancelled);
}

// --- prices of the configurator ------------------------------------------------------------------------------

TEST_F(PricingTest, UpdatePriceReplacesTheItemsRowsOnly)
{
    db::Dataset& products = t("TableProducts");
    products.edit();
    set(products, {{"ProductSeries", "ES"}});
    products.post();
    addPriceRow(QString(), false, "KEEP");
    db::Dataset& prices = t("TableProdPrices");
    prices.edit();
    set(prices, {{"Discount", 3}, {"Show", false}});
    prices.post();
    addPriceRow(QString(), false, "GONE");
    const QString accessory = addAccessory();
    addPriceRow(accessory, false, "GONE");

    const QList<TFormData::PriceItem> items{{s("KEEP"), s("1"), s("Kept"), s("200"), s("EUR")},
                                            {s("NEW"), s("2"), s("Added"), s("1000"), s("SEK")}};
    EXPECT_TRUE(m_data.UpdatePrice(false, [&] { return std::optional(items); }));
    QMap<QString, QStringList> rows;
    for (prices.first(); !prices.eof(); prices.next())
        rows[str(prices, "AccessoryID") + s("/") + str(prices, "Keyword")]
            << str(prices, "Discount") << str(prices, "Contribution") << str(prices, "Show")
            << str(prices, "QuotPrice");
    EXPECT_EQ(rows.keys(), (QStringList{s("/KEEP"), s("/NEW"), accessory + s("/GONE")}));
    EXPECT_EQ(rows[s("/KEEP")].mid(0, 3), (QStringList{s("3"), s("20"), s("False")})) << "the row's own values stay";
    EXPECT_EQ(rows[s("/NEW")].mid(0, 3), (QStringList{s("30"), s("25"), s("True")}));
    EXPECT_NEAR(rows[s("/NEW")][3].toDouble(), 1000 * 0.1 * 0.7 / 0.75, 1e-9) << "recalculated in the product currency";

    // An option's new rows carry its flag and stay out of the product total.
    db::Dataset& accessories = t("TableAccessories");
    accessories.edit();
    set(accessories, {{"AddOption", true}});
    accessories.post();
    const double total = num(products, "TotalPrice");
    EXPECT_TRUE(m_data.UpdatePrice(true, [&] { return std::optional(items); }));
    int optionRows = 0;
    for (prices.first(); !prices.eof(); prices.next()) {
        if (str(prices, "AccessoryID") == accessory) {
            ++optionRows;
            EXPECT_TRUE(prices.fieldByName(s("AddOption")).asBoolean());
        }
    }
    EXPECT_EQ(optionRows, 2) << "the accessory's GONE row went, its two items came";
    EXPECT_NEAR(num(products, "TotalPrice"), total, 1e-9);

    m_messages.clear();
    EXPECT_FALSE(m_data.UpdatePrice(false, [] { return std::optional<QList<TFormData::PriceItem>>(); }));
    EXPECT_EQ(m_messages.keys(), QStringList{s("8")});
    EXPECT_EQ(prices.recordCount(), 4);
}

// --- each handler once ------------------------------------------------------------------------------------------

TEST_F(PricingTest, AChangeRunsEveryLevelOnce)
{
    addPriceRow();
    db::Dataset& addCosts = t("TableAddCosts");
    addCosts.append();
    set(addCosts, {{"ListPrice", "10"}});
    addCosts.post();

    QMap<QString, int> posts;
    for (const char* name : {"TableProdPrices", "TableAddCosts", "TableProducts", "TableProjects"}) {
        db::Dataset& d = t(name);
        const db::DatasetHandler bound = d.handler(db::DatasetEvent::AfterPost);
        d.setHandler(db::DatasetEvent::AfterPost, [bound, &posts, name](db::Dataset& x) {
            ++posts[s(name)];
            if (bound)
                bound(x);
        });
    }
    struct Change {
        const char* table;
        const char* field;
        QVariant value;
        QMap<QString, int> expected;
    };
    const Change changes[] = {
        {"TableProdPrices",
         "Discount",
         20,
         {{s("TableProdPrices"), 1}, {s("TableProducts"), 1}, {s("TableProjects"), 1}}},
        {"TableAddCosts", "Discount", 20, {{s("TableAddCosts"), 1}, {s("TableProducts"), 1}, {s("TableProjects"), 1}}},
        {"TableProducts", "TotalPriceComm", 5, {{s("TableProducts"), 1}, {s("TableProjects"), 1}}},
    };
    for (const Change& c : changes) {
        posts.clear();
        db::Dataset& d = t(c.table);
        d.edit();
        d.fieldByName(s(c.field)).setValue(c.value);
        d.checkBrowseMode();
        EXPECT_EQ(posts, c.expected) << c.table << "." << c.field;
    }
}

// --- units ----------------------------------------------------------------------------------------------------------

class UnitChangeTest : public PricingTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(UnitChangeTest, ValueFollowsTheUnitAndBack)
{
    // Two units of one type: ToBaseCalc x*1000 on the first, FromBaseCalc
    // x/250 on the second.
    db::Connection& system = m_data.database(s("DatabaseSystem"));
    system.exec(s("INSERT INTO Units (Unit, UnitType, ToBaseCalc, FromBaseCalc) VALUES "
                  "('big', 'Test', 'x*1000', 'x/1000'), ('small', 'Test', 'x*250', 'x/250')"));
    system.exec(s("INSERT INTO UnitTypes (Property, Type, Unit, Format) VALUES ('Probe', 'Test', 'big', '0.00')"));
    for (const char* name : {"TableUnitTypes", "TableUnitsTechData"})
        t(name).refresh();
    if (QByteArray(GetParam()) == "TableAccTechData")
        addAccessory();
    db::Dataset& tech = t(GetParam());
    tech.append();
    set(tech, {{"Property", "Probe"}, {"Value", "2"}, {"Unit", "big"}, {"OldUnit", "big"}});
    tech.post();

    tech.edit();
    set(tech, {{"Unit", "small"}});
    tech.post();
    EXPECT_EQ(str(tech, "Value"), s("8"));
    EXPECT_EQ(str(tech, "OldUnit"), s("small"));
    if (tech.findField(s("TORVAValue")).isValid()) {
        EXPECT_EQ(str(tech, "TORVAValue"), s("8"));
    }
    EXPECT_EQ(m_data.TableProdTechDataValueGetText(tech), s("8.00"));

    tech.edit();
    set(tech, {{"Unit", "BIG"}});
    tech.post();
    EXPECT_EQ(str(tech, "Value"), s("2"));
    EXPECT_FALSE(t("TableUnitsTechData").isFiltered()) << "the filter is restored";

    tech.edit();
    set(tech, {{"Value", "n/a"}, {"Unit", "small"}});
    tech.post();
    EXPECT_EQ(str(tech, "Value"), s("0")) << "a value that is not a number converts as 0";
    EXPECT_EQ(m_data.TableProdTechDataValueGetText(tech), s("0.00"));

    tech.edit();
    set(tech, {{"Value", "5"}, {"Unit", "nosuch"}});
    tech.post();
    EXPECT_EQ(str(tech, "Value"), s("5")) << "an unknown unit converts nothing";
    EXPECT_EQ(str(tech, "OldUnit"), s("small"));
}

INSTANTIATE_TEST_SUITE_P(Rows, UnitChangeTest, ::testing::Values("TableProdTechData", "TableAccTechData"));

} // namespace

TEST_F(PricingTest, DeletingAnAccessoryTakesItsPricesOutOfTheTotals)
{
    m_data.bindItemRuleHandlers();
    addPriceRow();
    const QString accessory = addAccessory();
    addPriceRow(accessory, false, "A1");
    db::Dataset& products = t("TableProducts");
    const double withAccessory = num(products, "TotalPrice");
    ASSERT_NEAR(withAccessory, 2 * 213.75, 1e-9);

    db::Dataset& accessories = t("TableAccessories");
    ASSERT_TRUE(accessories.locate(s("ID"), accessory));
    ASSERT_TRUE(m_data.DeleteAccessoryRow(accessories));
    EXPECT_NEAR(num(products, "TotalPrice"), 213.75, 1e-9);
    EXPECT_NEAR(num(t("TableProjects"), "ProjPriceProducts"), 213.75, 1e-9);
}

TEST_F(PricingTest, DeletingAProductTakesItOutOfTheProjectTotals)
{
    m_data.bindItemRuleHandlers();
    addPriceRow();
    db::Dataset& projects = t("TableProjects");
    ASSERT_NEAR(num(projects, "ProjPriceProducts"), 213.75, 1e-9);
    ASSERT_TRUE(m_data.DeleteProductRow(t("TableProducts")));
    EXPECT_NEAR(num(projects, "ProjPriceProducts"), 0, 1e-9);
}
