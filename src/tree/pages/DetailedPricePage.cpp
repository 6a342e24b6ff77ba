#include "tree/pages/DetailedPricePage.h"

#include "controls/DBControls.h"
#include "controls/FieldLink.h"
#include "controls/TDBNavigator.h"
#include "controls/ThmDBGrid.h"
#include "data/FormData.h"
#include "data/Formula.h"
#include "db/Dataset.h"
#include "tree/pages/GridBehaviour.h"
#include "tree/pages/PageWidgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

GridColumn rightAligned(GridColumn c)
{
    c.alignment = Qt::AlignRight | Qt::AlignVCenter;
    return c;
}

QList<GridColumn> costPriceColumns()
{
    return {
        PageColumn(s("Description"), QString(), true, 180),
        rightAligned(PageColumn(s("ListPrice"), s("PDB price"), true, 80)),
        rightAligned(PageColumn(s("ManualPrice"), s("List price"), false, 80)),
        PageColumn(s("ListCurrency"), s("Curr."), true, 44),
        NumberColumn(s("Discount"), s("Disc%"), false, kPercentFormat, 50),
        NumberColumn(s("NetPrice"), s("Net price"), true, kAmountFormat, 80),
        PageColumn(s("_NET_CURR"), s("Curr."), false, 44),
        NumberColumn(s("FreightFactor"), s("Freight%"), false, kPercentFormat, 60),
        NumberColumn(s("NLLC"), s("NLLC/item"), true, kAmountFormat, 80),
        PageColumn(s("Qty"), QString(), true, 40),
        NumberColumn(s("SumNLLC"), s("NLLC"), true, kAmountFormat, 90),
    };
}

QList<GridColumn> salesPriceColumns()
{
    return {
        CheckColumn(s("Show"), s("S")),
        PageColumn(s("Description"), QString(), true, 180),
        PageColumn(s("_ACC_NAME"), s("Comment"), true, 120),
        NumberColumn(s("NLLC"), s("NLLC/item"), true, kAmountFormat, 80),
        NumberColumn(s("Contribution"), s("Cont%"), false, kPercentFormat, 50),
        NumberColumn(s("BasePrice"), s("Baseprice"), true, kAmountFormat, 80),
        NumberColumn(s("LocalListPrice"), s("List price"), false, kAmountFormat, 80),
        NumberColumn(s("Discount2"), s("Disc%"), false, kPercentFormat, 50),
        NumberColumn(s("QuotPrice"), s("Price/item"), true, kAmountFormat, 80),
        PageColumn(s("Qty"), QString(), true, 40),
        NumberColumn(s("SumQuotPrice"), s("Price"), true, kAmountFormat, 90),
    };
}

QList<GridColumn> costAddColumns()
{
    return {
        CheckColumn(s("Show"), s("S")),
        PageColumn(s("Description"), s("Other"), false, 180),
        rightAligned(PageColumn(s("ListPrice"), s("List price"), false, 80)),
        PageColumn(s("_LIST_CURR"), s("Curr."), false, 44),
        NumberColumn(s("Discount"), s("Disc%"), false, kPercentFormat, 50),
        NumberColumn(s("NetPrice"), s("Net price"), true, kAmountFormat, 80),
        PageColumn(s("_NET_CURR"), s("Curr."), false, 44),
        NumberColumn(s("FreightFactor"), s("Freight%"), false, kPercentFormat, 60),
        NumberColumn(s("NLLC"), QString(), true, kAmountFormat, 80),
    };
}

QList<GridColumn> salesAddColumns()
{
    return {
        CheckColumn(s("Show"), s("S")),
        PageColumn(s("Description"), s("Other"), false, 180),
        PageColumn(s("Comment"), QString(), false, 120),
        NumberColumn(s("NLLC"), QString(), true, kAmountFormat, 80),
        NumberColumn(s("Contribution"), s("Cont%"), false, kPercentFormat, 50),
        NumberColumn(s("BasePrice"), s("Baseprice"), true, kAmountFormat, 80),
        NumberColumn(s("LocalListPrice"), s("List price"), false, kAmountFormat, 80),
        NumberColumn(s("Discount2"), s("Disc%"), false, kPercentFormat, 50),
        NumberColumn(s("QuotPrice"), s("Price"), true, kAmountFormat, 80),
    };
}

// "Sum" and a product total at the right end of a line.
void addSum(QHBoxLayout& line, const QString& prefix, db::DataSource& products, const char* field, QWidget* parent)
{
    line.addStretch(1);
    line.addWidget(Caption(prefix + s("LblSum"), s("Sum"), parent));
    ThmDBStatic* sum = FieldText(prefix + s("DataSum"), products, s(field), parent, kAmountFormat);
    sum->setMinimumWidth(100);
    line.addWidget(sum);
}

} // namespace

TDetailedPricePage::TDetailedPricePage(TFormData& data, QWidget* parent)
    : QWidget(parent)
    , m_data(data)
{
    setObjectName(s("TabDetPricePage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(s("TabDetPricePages"));
    m_pages->addTab(buildSide(true), s("Costs"));
    m_pages->addTab(buildSide(false), s("Sales"));
    layout->addWidget(m_pages);
    UpdatePriceRowPanels();
}

QWidget* TDetailedPricePage::buildSide(bool costs)
{
    db::DataSource& products = m_data.source(s("SourceProducts"));
    db::DataSource& prices = m_data.source(s("SourceProdPrices"));
    db::DataSource& addCosts = m_data.source(s("SourceAddCosts"));
    const QString side = costs ? s("TabDetPriceCost") : s("TabDetPriceSales");

    auto* tab = new QWidget;
    tab->setObjectName(side);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(2, 4, 2, 2);

    // Head line: the product's unit figure and its currency.
    auto* head = new QHBoxLayout;
    ThmDBStatic* unit = FieldText(side + s("DataUnit"), products, costs ? s("TotalProdPriceNLLC") : s("TotalProdPrice"),
                                  tab, kAmountFormat);
    unit->setMinimumWidth(100);
    head->addWidget(Caption(side + s("LblUnit"), costs ? s("NLLC/unit") : s("Price/unit"), tab, unit));
    head->addWidget(unit);
    head->addSpacing(24);
    auto* currency = new TDBListCombo(false, tab);
    currency->setObjectName(costs ? s("TabDetPriceDataProdCurr1") : s("TabDetPriceDataProdCurr2"));
    if (costs)
        currency->setToolTip(s("Qutotation currency"));
    currency->setDataField(s("ProdCurrency"));
    currency->setListProvider([this] { return m_data.GetProjCurrencies(); });
    currency->setMinimumWidth(80);
    currency->setDataSource(&products);
    connect(currency, &TDBListCombo::chosen, this, [this](const QString& c) { TabDetPriceUpdatePrice(c); });
    head->addWidget(Caption(side + s("LblCurrency"), s("Quot. currency"), tab, currency));
    head->addWidget(currency);
    head->addStretch(1);
    layout->addLayout(head);

    auto hooks = [this] {
        TitleClickHooks h;
        h.openDiscounts = m_openDiscounts;
        return h;
    };
    auto* splitter = new QSplitter(Qt::Vertical, tab);
    splitter->setObjectName(side + s("Splitter"));
    splitter->setChildrenCollapsible(false);

    // Price rows.
    auto* rowsPanel = new QWidget(splitter);
    rowsPanel->setObjectName(costs ? s("PanelDetailedPriceCosts") : s("PanelDetailedPriceSales"));
    auto* rowsLayout = new QVBoxLayout(rowsPanel);
    rowsLayout->setContentsMargins(0, 0, 0, 0);
    ThmDBGrid* rows = PageGrid(costs ? s("TabDetPriceCostGridProds") : s("TabDetPriceSalesGridProds"), prices,
                               costs ? costPriceColumns() : salesPriceColumns(), rowsPanel);
    DrawAltAddGrid(*rows);
    ConnectTitleClicks(m_data, *rows, TFormData::PriceGrid::ProductPrices, hooks);
    auto currencies = [this] { return m_data.GetProjCurrencies(); };
    if (costs) {
        RemoveColumnsDraggedOut(*rows);
        LookupPickColumn(*rows, s("_NET_CURR"), s("NetCurrency"), currencies);
    }
    rowsLayout->addWidget(rows, 1);
    auto* rowsSum = new QHBoxLayout;
    addSum(*rowsSum, side + s("Prods"), products, costs ? "TotalPriceNLLC" : "TotalPrice", rowsPanel);
    rowsLayout->addLayout(rowsSum);
    splitter->addWidget(rowsPanel);

    // Additional costs.
    auto* addsPanel = new QWidget(splitter);
    addsPanel->setObjectName(side + s("PanelAdds"));
    auto* addsLayout = new QVBoxLayout(addsPanel);
    addsLayout->setContentsMargins(0, 0, 0, 0);
    ThmDBGrid* adds = PageGrid(costs ? s("TabDetPriceCostGridAdds") : s("TabDetPriceSalesGridAdds"), addCosts,
                               costs ? costAddColumns() : salesAddColumns(), addsPanel);
    ConnectTitleClicks(m_data, *adds, TFormData::PriceGrid::AddCosts, hooks);
    if (costs) {
        LookupPickColumn(*adds, s("_LIST_CURR"), s("ListCurrency"), currencies);
        LookupPickColumn(*adds, s("_NET_CURR"), s("NetCurrency"), currencies);
    }
    addsLayout->addWidget(adds, 1);
    auto* addsSum = new QHBoxLayout;
    addsSum->addWidget(EditNavigator(side + s("NavAdds"), addCosts, addsPanel));
    addSum(*addsSum, side + s("Adds"), products, costs ? "TotalAddCostNLLC" : "TotalAddCost", addsPanel);
    addsLayout->addLayout(addsSum);
    splitter->addWidget(addsPanel);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter, 1);

    if (costs) {
        m_costPanel = rowsPanel;
        m_costPrices = rows;
        m_costAdds = adds;
    } else {
        m_salesPanel = rowsPanel;
        m_salesPrices = rows;
        m_salesAdds = adds;
    }
    return tab;
}

void TDetailedPricePage::UpdatePriceRowPanels()
{
    const db::Dataset* prices = m_data.findTable(s("TableProdPrices"));
    const bool any = prices && prices->isActive() && !prices->isEmpty();
    m_costPanel->setVisible(any);
    m_salesPanel->setVisible(any);
}

bool TDetailedPricePage::priceRowPanelsShown() const
{
    return !m_costPanel->isHidden() && !m_salesPanel->isHidden();
}

bool TDetailedPricePage::TabDetPriceUpdatePrice(const QString& currency)
{
    db::Dataset& products = m_data.table(s("TableProducts"));
    if (!products.isActive() || products.isEmpty() || currency.isEmpty())
        return false;
    bool stored = false;
    runGuarded([&] {
        const bool editing =
            products.state() == db::DatasetState::Edit || products.state() == db::DatasetState::Insert;
        if (!editing && !products.edit())
            return;
        products.fieldByName(s("ProdCurrency")).setValue(currency);
        stored = products.post();
    });
    return stored && m_data.RecalculateProduct();
}

} // namespace kiro
