#include "pages/DemoProject.h"

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
