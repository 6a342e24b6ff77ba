#include "pages/DemoProject.h"

#include "app/core/Messages.h"
#include "controls/DBControls.h"
#include "controls/TDBNavigator.h"
#include "controls/ThmDBGrid.h"
#include "db/DataSource.h"
#include "tree/pages/DetailedPricePage.h"
#include "tree/pages/DocumentPages.h"
#include "tree/pages/ItemListPages.h"
#include "tree/pages/PageWidgets.h"
#include "tree/pages/ProjectInfoPage.h"
#include "tree/pages/QuotationPage.h"

#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>

#include <functional>
#include <memory>

using namespace kiro;
using namespace kiro::test;

namespace {

class PagesTest : public DemoProject {};

// The source and field of a bound control, whatever its class.
std::pair<db::DataSource*, QString> binding(QWidget* w)
{
    if (auto* c = qobject_cast<TDBEdit*>(w))
        return {c->dataSource(), c->dataField()};
    if (auto* c = qobject_cast<TDBMemo*>(w))
        return {c->dataSource(), c->dataField()};
    if (auto* c = qobject_cast<ThmDBStatic*>(w))
        return {c->dataSource(), c->dataField()};
    if (auto* c = qobject_cast<ThmDBDateTime*>(w))
        return {c->dataSource(), c->dataField()};
    if (auto* c = qobject_cast<TDBRadioGroup*>(w))
        return {c->dataSource(), c->dataField()};
    if (auto* c = qobject_cast<TDBLookupComboBox*>(w))
        return {c->dataSource(), c->dataField()};
    if (auto* c = qobject_cast<TDBListCombo*>(w))
        return {c->link().dataSource(), c->dataField()};
    return {nullptr, QString()};
}

QStringList gridFields(const ThmDBGrid& grid)
{
    QStringList fields;
    for (const GridColumn& c : grid.columns())
        fields << c.field;
    return fields;
}

// Read-only flags of a grid's columns, as "R" and "E" in column order.
QString access(const ThmDBGrid& grid)
{
    QString flags;
    for (const GridColumn& c : grid.columns())
        flags += c.readOnly ? QLatin1Char('R') : QLatin1Char('E');
    return flags;
}

struct Bound {
    const char* control;
    const char* source;
    const char* field;
};

struct GridShape {
    const char* grid;
    const char* source;
    QStringList fields;
    const char* access;
};

struct PageCase {
    const char* name;
    std::function<std::unique_ptr<QWidget>(TFormData&)> make;
    std::vector<Bound> controls;
    std::vector<GridShape> grids;
};

void PrintTo(const PageCase& c, std::ostream* os)
{
    *os << c.name;
}

template <typename Page>
std::function<std::unique_ptr<QWidget>(TFormData&)> maker()
{
    return [](TFormData& data) { return std::make_unique<Page>(data); };
}

QStringList l(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* i : items)
        list << s(i);
    return list;
}

const QStringList kLineFields = l({"Show", "Tag", "Name", "TotalProdPrice", "ProdCurrency", "TotalPriceComm",
                                   "TotalPriceFactorA", "TotalPriceFactorB", "TotalPriceQuotPrice",
                                   "TotalPriceQuotRounded", "Qty", "TotalPriceQuotPriceSum"});
QStringList ownLineFields()
{
    QStringList f = kLineFields;
    f[4] = s("_CURR_LOOKUP");
    return f;
}

class PageBindings : public PagesTest, public ::testing::WithParamInterface<PageCase> {};

// Every named control of a page is there, bound to its source and field;
// every grid shows its table's columns in order with the access stated.
TEST_P(PageBindings, NamedControlsAreBound)
{
    std::unique_ptr<QWidget> page = GetParam().make(m_data);
    for (const Bound& b : GetParam().controls) {
        auto* w = page->findChild<QWidget*>(s(b.control));
        ASSERT_NE(w, nullptr) << b.control;
        const auto [source, field] = binding(w);
        EXPECT_EQ(source, &m_data.source(s(b.source))) << b.control;
        EXPECT_EQ(field, s(b.field)) << b.control;
        EXPECT_TRUE(w->isEnabled()) << b.control << ": the field is there";
    }
    for (const GridShape& g : GetParam().grids) {
        auto* grid = page->findChild<ThmDBGrid*>(s(g.grid));
        ASSERT_NE(grid, nullptr) << g.grid;
        EXPECT_EQ(grid->dataSource(), &m_data.source(s(g.source))) << g.grid;
        EXPECT_EQ(gridFields(*grid), g.fields) << g.grid;
        EXPECT_EQ(access(*grid), s(g.access)) << g.grid;
        EXPECT_TRUE(grid->preventAdding()) << g.grid;
        EXPECT_EQ(grid->contextMenuPolicy(), Qt::CustomContextMenu) << g.grid << ": PopupGrid";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageBindings,
    ::testing::Values(
        PageCase{"Quotation",
                 maker<TQuotationPage>(),
                 {{"TabQuotDataNumber", "SourceProjects", "QuotNumber"},
                  {"TabQuotDataHandledBy", "SourceProjects", "QuotHandledBy"},
                  {"TabQuotDataDate", "SourceProjects", "QuotDate"},
                  {"TabQuotDataValidDate", "SourceProjects", "QuotValidDate"},
                  {"TabQuotDataCustomer", "SourceProjects", "QuotCustName"},
                  {"TabQuotDataCustomerID", "SourceProjects", "QuotCustID"},
                  {"TabQuotDataAddress", "SourceProjects", "QuotCustAddress"},
                  {"TabQuotDataAttention", "SourceProjects", "QuotCustAttention"},
                  {"TabQuotDataReference", "SourceProjects", "QuotCustReference"},
                  {"TabQuotDataCommission", "SourceProjects", "Commission"},
                  {"TabDataGrpStatus", "SourceProjects", "QuotStatus"},
                  {"TabQuotDataComments", "SourceProjects", "QuotComments"},
                  {"TabQuotDataInternalComments", "SourceProjects", "QuotCommentsInternal"},
                  {"TabQuotProductsDataSum", "SourceProjects", "ProjPriceProducts"},
                  {"TabQuotAddCostsDataSum", "SourceProjects", "ProjPriceAddCost"},
                  {"TabQuotPackTransDataSum", "SourceProjects", "ProjPricePackTrans"},
                  {"TabQuotDataTotalPrice", "SourceProjects", "_TOTAL_PROJ_PRICE"},
                  {"TabQuotDataPriceManual", "SourceProjects", "PriceManual"},
                  {"TabQuotDataNLLC", "SourceProjects", "_TOTAL_PROJ_NLLC"},
                  {"TabQuotDataContribPercent", "SourceProjects", "_TOTAL_CONTRIB_PERCENT"},
                  {"TabQuotDataContrib", "SourceProjects", "_TOTAL_CONTRIB"},
                  {"TabQuotDataCurrency", "SourceProjects", "ProjCurrency"}},
                 {{"TabQuotGridProducts", "SourceProducts", kLineFields, "EERRREEEREER"},
                  {"TabQuotGridAddCosts", "SourceProjAddCosts", ownLineFields(), "EEEEEEEEREER"},
                  {"TabQuotGridPackTrans", "SourceProjPackTrans", ownLineFields(), "EEEEEEEEREER"}}},
        PageCase{"ProjectInformation",
                 maker<TProjectInfoPage>(),
                 {{"TabProjInfoRadioStatus", "SourceProjects", "ProjectStatus"},
                  {"TabProjInfoDataQuotStat", "SourceProjects", "_QUOTSTATUS"},
                  {"TabProjInfoDataQuotDate", "SourceProjects", "ProjectStatusDateQuot"},
                  {"TabProjInfoDataRevision", "SourceProjects", "Revision"},
                  {"TabProjInfoDataCreated", "SourceProjects", "ProjectCreated"},
                  {"TabProjInfoDataCreatedBy", "SourceProjects", "ProjectCreatedBy"},
                  {"TabProjInfoDataModified", "SourceProjects", "ProjectModified"},
                  {"TabProjInfoDataModifiedBy", "SourceProjects", "ProjectModifiedBy"}},
                 {{"HMDBGrid1", "SourceCustOrders", l({"_STATUS", "StatusDate", "OrderNumber"}), "RRR"},
                  {"HMDBGrid2", "SourcePurchOrders", l({"_STATUS", "StatusDate", "OrderNumber"}), "RRR"}}},
        PageCase{"ProductList",
                 maker<TProductListPage>(),
                 {},
                 {{"TabProdListGrid", "SourceProducts",
                   l({"Tag", "Name", "Description", "Class", "Qty", "TORVA", "PDB", "External", "Alternate",
                      "_ALTER_PROD", "AddOption"}),
                   "ERERERRRERE"}}},
        PageCase{"AccessoryList",
                 maker<TAccessoryListPage>(),
                 {},
                 {{"TabAccListGrid", "SourceAccessories",
                   l({"Tag", "Name", "Description", "Class", "Qty", "PDB", "External", "Alternate", "_ALTER_ACC",
                      "AddOption"}),
                   "ERERERRERE"}}},
        PageCase{"ProjectDocuments",
                 maker<TProjDocsPage>(),
                 {},
                 {{"TabProjDocsGrid", "SourceDocuments", l({"Name"}), "R"}}},
        PageCase{"ProductDocuments",
                 maker<TProdDocsPage>(),
                 {},
                 {{"TabProdDocsGrid", "SourceProdDocuments", l({"Name", "Description", "Author", "Date", "Version"}),
                   "RERRR"}}},
        PageCase{"DetailedPrice",
                 maker<TDetailedPricePage>(),
                 {{"TabDetPriceCostDataUnit", "SourceProducts", "TotalProdPriceNLLC"},
                  {"TabDetPriceDataProdCurr1", "SourceProducts", "ProdCurrency"},
                  {"TabDetPriceCostProdsDataSum", "SourceProducts", "TotalPriceNLLC"},
                  {"TabDetPriceCostAddsDataSum", "SourceProducts", "TotalAddCostNLLC"},
                  {"TabDetPriceSalesDataUnit", "SourceProducts", "TotalProdPrice"},
                  {"TabDetPriceDataProdCurr2", "SourceProducts", "ProdCurrency"},
                  {"TabDetPriceSalesProdsDataSum", "SourceProducts", "TotalPrice"},
                  {"TabDetPriceSalesAddsDataSum", "SourceProducts", "TotalAddCost"}},
                 {{"TabDetPriceCostGridProds", "SourceProdPrices",
                   l({"Description", "ListPrice", "ManualPrice", "ListCurrency", "Discount", "NetPrice", "_NET_CURR",
                      "FreightFactor", "NLLC", "Qty", "SumNLLC"}),
                   "RREREREERRR"},
                  {"TabDetPriceSalesGridProds", "SourceProdPrices",
                   l({"Show", "Description", "_ACC_NAME", "NLLC", "Contribution", "BasePrice", "LocalListPrice",
                      "Discount2", "QuotPrice", "Qty", "SumQuotPrice"}),
                   "ERRREREERRR"},
                  {"TabDetPriceCostGridAdds", "SourceAddCosts",
                   l({"Show", "Description", "ListPrice", "_LIST_CURR", "Discount", "NetPrice", "_NET_CURR",
                      "FreightFactor", "NLLC"}),
                   "EEEEEREER"},
                  {"TabDetPriceSalesGridAdds", "SourceAddCosts",
                   l({"Show", "Description", "Comment", "NLLC", "Contribution", "BasePrice", "LocalListPrice",
                      "Discount2", "QuotPrice"}),
                   "EEEREREER"}}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

QModelIndex cellOf(ThmDBGrid& grid, int row, const char* field)
{
    for (int c = 0; c < grid.columns().size(); ++c)
        if (grid.gridColumn(c).field == s(field))
            return grid.model()->index(row, c);
    ADD_FAILURE() << "no column " << field;
    return {};
}

QString textOf(QWidget& page, const char* name)
{
    auto* label = page.findChild<QLabel*>(s(name));
    return label ? label->text() : s("<missing>");
}

double num(db::Dataset& d, const char* field)
{
    return d.fieldByName(s(field)).asFloat();
}

// A rounded price typed into "Cust.pr/unit" replaces the calculated unit
// price of the line; once the line is posted the products sum and the
// project figures follow.
TEST_F(PagesTest, CustomerPriceOfAProductLineReachesTheProjectFigures)
{
    TQuotationPage page(m_data);
    show(page);
    ThmDBGrid& grid = *page.productsGrid();
    db::Dataset& products = t("TableProducts");
    db::Dataset& projects = t("TableProjects");
    const double before = num(projects, "_TOTAL_PROJ_PRICE");
    const double lineBefore = num(products, "TotalPriceQuotPriceSum");

    const QModelIndex rounded = cellOf(grid, 0, "TotalPriceQuotRounded");
    grid.setFocus();
    grid.setCurrentIndex(rounded);
    QTest::keyClick(&grid, '1');
    auto* editor = grid.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr) << "typing opens the cell editor";
    QTest::keyClicks(editor, s("500"));
    QTest::keyClick(editor, Qt::Key_Return);

    EXPECT_EQ(products.state(), db::DatasetState::Browse);
    EXPECT_DOUBLE_EQ(num(products, "TotalPriceQuotPriceSum"), 3000.0) << "two units at 1500";
    EXPECT_DOUBLE_EQ(num(projects, "ProjPriceProducts"), 3000.0);
    EXPECT_NEAR(num(projects, "_TOTAL_PROJ_PRICE"), before - lineBefore + 3000.0, 1e-6);
    EXPECT_EQ(textOf(page, "TabQuotProductsDataSum"), s("3,000"));
    EXPECT_EQ(textOf(page, "TabQuotDataTotalPrice"), s("3,800")) << "with 500 additional cost and 300 freight";
    EXPECT_EQ(grid.model()->data(cellOf(grid, 0, "TotalPriceQuotPriceSum")).toString(), s("3,000"));
    // Landed costs stay: the contribution is the difference.
    EXPECT_NEAR(num(projects, "_TOTAL_CONTRIB"), 3800.0 - num(projects, "_TOTAL_PROJ_NLLC"), 1e-6);
}

TEST_F(PagesTest, ProductsPanelOnlyForAProjectWithProducts)
{
    TQuotationPage page(m_data);
    EXPECT_TRUE(page.productsPanelShown());

    addRow("TableProjects", {{s("Name"), s("Empty quotation")}, {s("ProjCurrency"), s("EUR")}});
    page.UpdateProductsPanel();
    EXPECT_FALSE(page.productsPanelShown());
    EXPECT_TRUE(page.findChild<QWidget*>(s("TabQuotTabProducts"))) << "the tab stays";

    addRow("TableProducts", {{s("Name"), s("First pump")}, {s("Order"), 1}});
    page.UpdateProductsPanel();
    EXPECT_TRUE(page.productsPanelShown());
}

TEST_F(PagesTest, DoubleClickOnAProductLineAsksForItsNode)
{
    TQuotationPage page(m_data);
    show(page);
    ThmDBGrid& grid = *page.productsGrid();
    QSignalSpy activated(&page, &TQuotationPage::productActivated);
    const QPoint at = grid.visualRect(cellOf(grid, 1, "Name")).center();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, at);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0).toString(), m_alternative);
}

// Picking a quotation currency re-prices every line in it and converts the
// manual price; the list is sorted and read when it opens.
TEST_F(PagesTest, QuotationCurrencyRepricesTheProject)
{
    db::Dataset& projects = t("TableProjects");
    projects.edit();
    projects.fieldByName(s("PriceManual")).setValue(1000);
    projects.post();
    TQuotationPage page(m_data);
    auto* currency = page.findChild<TDBListCombo*>(s("TabQuotDataCurrency"));
    ASSERT_NE(currency, nullptr);
    currency->fillList();
    QStringList entries;
    for (int i = 0; i < currency->count(); ++i)
        entries << currency->itemText(i);
    EXPECT_EQ(entries, l({"DKK", "EUR", "GBP", "NOK", "SEK", "USD"}));

    emit currency->activated(entries.indexOf(s("SEK")));
    EXPECT_EQ(projects.fieldByName(s("ProjCurrency")).asString(), s("SEK"));
    EXPECT_EQ(currency->currentText(), s("SEK"));
    EXPECT_EQ(t("TableProjAddCosts").fieldByName(s("TotalCurrency")).asString(), s("SEK"));
    EXPECT_NEAR(num(projects, "PriceManual"), 1000 / 0.087, 1e-6);
    EXPECT_NEAR(num(t("TableProjAddCosts"), "TotalPriceQuotPriceSum"), 500 / 0.087, 1e-6);
}

// "Handled by" offers the users of the system table, read when it opens,
// and takes a picked name or a typed one.
TEST_F(PagesTest, HandledByOffersTheUsersAndTakesAnyName)
{
    TQuotationPage page(m_data);
    show(page);
    auto* handledBy = page.findChild<TDBListCombo*>(s("TabQuotDataHandledBy"));
    ASSERT_NE(handledBy, nullptr);
    EXPECT_EQ(handledBy->count(), 0) << "nothing is read before the list opens";
    handledBy->fillList();
    ASSERT_EQ(handledBy->count(), 3);
    EXPECT_EQ(handledBy->currentText(), s("Anna Exempelsson"));

    db::Dataset& projects = t("TableProjects");
    emit handledBy->activated(handledBy->findText(s("Demo User")));
    EXPECT_EQ(projects.fieldByName(s("QuotHandledBy")).asString(), s("Demo User"));
    projects.post();

    handledBy->setFocus();
    handledBy->lineEdit()->selectAll();
    QTest::keyClicks(handledBy->lineEdit(), s("Sales office"));
    EXPECT_EQ(projects.state(), db::DatasetState::Edit);
    projects.post();
    EXPECT_EQ(projects.fieldByName(s("QuotHandledBy")).asString(), s("Sales office"));
}

TEST_F(PagesTest, ReturnInTheRoundedPricePostsTheProject)
{
    TQuotationPage page(m_data);
    show(page);
    auto* manual = page.findChild<TDBEdit*>(s("TabQuotDataPriceManual"));
    ASSERT_NE(manual, nullptr);
    manual->setFocus();
    manual->selectAll();
    QTest::keyClicks(manual, s("4000"));
    QTest::keyClick(manual, Qt::Key_Return);
    db::Dataset& projects = t("TableProjects");
    EXPECT_EQ(projects.state(), db::DatasetState::Browse);
    EXPECT_DOUBLE_EQ(num(projects, "PriceManual"), 4000.0);
    EXPECT_NEAR(num(projects, "_TOTAL_CONTRIB"), 4000.0 - num(projects, "_TOTAL_PROJ_NLLC"), 1e-6);
    EXPECT_EQ(manual->selectedText(), manual->text());
}

// One line per order with its translated status; the status group shows the
// project's state and no click changes it.
TEST_F(PagesTest, ProjectInformationShowsOrdersAndKeepsItsStatus)
{
    addRow("TableCustOrders", {{s("Status"), s("40")}, {s("OrderNumber"), s("CO-7790")}});
    TProjectInfoPage page(m_data);
    show(page);
    ThmDBGrid& orders = *page.customerOrdersGrid();
    ASSERT_EQ(orders.model()->rowCount(), 2);
    EXPECT_EQ(orders.model()->data(orders.model()->index(0, 0)).toString(), s("Confirmed"));
    EXPECT_EQ(orders.model()->data(orders.model()->index(1, 0)).toString(), s("Delivered"));
    EXPECT_EQ(page.purchaseOrdersGrid()->model()->rowCount(), 1);
    EXPECT_EQ(textOf(page, "TabProjInfoDataQuotStat"), s("In progress"));

    TDBRadioGroup& status = *page.statusGroup();
    EXPECT_EQ(status.itemIndex(), 1);
    QRadioButton* quotation = status.items().at(0);
    QTest::mouseClick(quotation, Qt::LeftButton, {}, QPoint(8, quotation->height() / 2));
    EXPECT_EQ(status.itemIndex(), 1);
    EXPECT_EQ(t("TableProjects").fieldByName(s("ProjectStatus")).asString(), s("2"));
    EXPECT_EQ(t("TableProjects").state(), db::DatasetState::Browse);
}

// Only the user's own documents can be deleted from the product's list.
TEST_F(PagesTest, ProductDocumentsDeleteOnlyTheUsersOwn)
{
    TProdDocsPage page(m_data);
    show(page);
    ThmDBGrid& grid = *page.grid();
    db::Dataset& documents = t("TableProdDocuments");
    QSignalSpy deleted(&page, &TProdDocsPage::documentDeleted);
    grid.setFocus();

    ASSERT_TRUE(grid.moveToRow(0));
    ASSERT_FALSE(documents.fieldByName(s("External")).asBoolean());
    QTest::keyClick(&grid, Qt::Key_Delete);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(documents.recordCount(), 2) << "a document of the product database stays, without a question";

    ASSERT_TRUE(grid.moveToRow(1));
    const QString id = documents.fieldByName(s("ID")).asString();
    m_script.expectMessage(s("22"), MsgCodeNo);
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_EQ(documents.recordCount(), 2);
    m_script.expectMessage(s("22"), MsgCodeYes);
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_TRUE(m_script.done());
    EXPECT_EQ(documents.recordCount(), 1);
    ASSERT_EQ(deleted.count(), 1);
    EXPECT_EQ(deleted.at(0).at(0).toString(), m_pump);
    EXPECT_EQ(deleted.at(0).at(1).toString(), id);
}

// A product currency picked on the detailed price page becomes the currency
// of every price row; a product without price rows shows no price-row panels.
TEST_F(PagesTest, DetailedPriceCurrencyAndPanels)
{
    TDetailedPricePage page(m_data);
    EXPECT_TRUE(page.priceRowPanelsShown());
    auto* costs = page.findChild<TDBListCombo*>(s("TabDetPriceDataProdCurr1"));
    auto* sales = page.findChild<TDBListCombo*>(s("TabDetPriceDataProdCurr2"));
    ASSERT_TRUE(costs && sales);
    EXPECT_EQ(costs->toolTip(), s("Qutotation currency"));
    costs->fillList();
    const int sek = costs->findText(s("SEK"));
    ASSERT_GE(sek, 0);
    emit costs->activated(sek);

    db::Dataset& products = t("TableProducts");
    db::Dataset& prices = t("TableProdPrices");
    EXPECT_EQ(products.fieldByName(s("ProdCurrency")).asString(), s("SEK"));
    EXPECT_EQ(sales->currentText(), s("SEK")) << "both selectors show the product's currency";
    for (prices.first(); !prices.eof(); prices.next())
        EXPECT_EQ(prices.fieldByName(s("QuotCurrency")).asString(), s("SEK"));
    EXPECT_EQ(t("TableAddCosts").fieldByName(s("QuotCurrency")).asString(), s("SEK"));
    // The pump's own row: 800 EUR net is 800 / 0.087 SEK landed.
    ASSERT_TRUE(prices.locate(s("Description"), s("Pump ES 80-200")));
    EXPECT_NEAR(num(prices, "NLLC"), 800 / 0.087, 1e-6);

    ASSERT_TRUE(products.locate(s("ID"), m_alternative));
    page.UpdatePriceRowPanels();
    EXPECT_FALSE(page.priceRowPanelsShown());
}

} // namespace
