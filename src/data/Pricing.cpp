// The price calculation of the data module: price rows, product totals,
// quotation lines, project totals, order rows; the bulk recalculations of
// the main window; the unit conversion of technical values.

#include "app/core/Messages.h"
#include "app/core/Progress.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "data/Formula.h"
#include "db/Connection.h"
#include "db/DataSource.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/Query.h"

#include <QSet>

#include <cmath>

namespace kiro {

namespace {

using db::DatasetEvent;
using db::DatasetState;

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

// Sets a flag for the lifetime of the guard; a guard made while the flag is
// already set has not entered and leaves the flag to its owner.
class Reentry {
public:
    explicit Reentry(bool& flag)
        : m_flag(flag)
        , m_entered(!flag)
    {
        m_flag = true;
    }
    ~Reentry()
    {
        if (m_entered)
            m_flag = false;
    }
    Reentry(const Reentry&) = delete;
    Reentry& operator=(const Reentry&) = delete;
    explicit operator bool() const { return m_entered; }

private:
    bool& m_flag;
    bool m_entered;
};

// Detaches a data source's data-change handler for its lifetime.
class DetachedDataChange {
public:
    explicit DetachedDataChange(db::DataSource& source)
        : m_source(source)
        , m_handler(source.onDataChange())
    {
        m_source.setOnDataChange({});
    }
    ~DetachedDataChange() { m_source.setOnDataChange(m_handler); }
    DetachedDataChange(const DetachedDataChange&) = delete;
    DetachedDataChange& operator=(const DetachedDataChange&) = delete;

private:
    db::DataSource& m_source;
    db::DataSource::DataChangeHandler m_handler;
};

// Suspends the bound controls of a dataset for its lifetime.
class ControlsOff {
public:
    explicit ControlsOff(db::Dataset& d)
        : m_d(d)
    {
        m_d.disableControls();
    }
    ~ControlsOff() { m_d.enableControls(); }
    ControlsOff(const ControlsOff&) = delete;
    ControlsOff& operator=(const ControlsOff&) = delete;

private:
    db::Dataset& m_d;
};

bool editing(const db::Dataset& d)
{
    return d.state() == DatasetState::Edit || d.state() == DatasetState::Insert;
}

void ensureEditing(db::Dataset& d)
{
    if (!editing(d))
        d.edit();
}

db::Field fld(db::Dataset& d, const char* name)
{
    return d.fieldByName(s(name));
}

QString str(db::Dataset& d, const char* name)
{
    return fld(d, name).asString();
}

void set(db::Dataset& d, const char* name, const QVariant& value)
{
    fld(d, name).setValue(value);
}

// A field read as a number: empty counts as 0, a value that does not
// convert as `unconvertible`.
double num(const db::Field& f, double unconvertible = 0.0)
{
    if (!f.isValid() || f.isNull())
        return 0.0;
    if (f.type() == db::FieldType::Text || f.type() == db::FieldType::Memo)
        return toNumber(f.asString()).value_or(unconvertible);
    try {
        const double v = f.asFloat();
        return std::isfinite(v) ? v : unconvertible;
    } catch (const db::DatabaseError&) {
        return unconvertible;
    }
}

double num(db::Dataset& d, const char* name, double unconvertible = 0.0)
{
    return num(fld(d, name), unconvertible);
}

// Arithmetic that cannot fail: what would be an error gives 0.
double finiteOrZero(double v)
{
    return std::isfinite(v) ? v : 0.0;
}

double divideOrZero(double a, double b)
{
    return b == 0 ? 0.0 : finiteOrZero(a / b);
}

bool isEmptyId(const QString& id)
{
    return id.trimmed().isEmpty();
}

void chainEvent(db::Dataset& d, DatasetEvent event, const db::DatasetHandler& mine)
{
    const db::DatasetHandler previous = d.handler(event);
    d.setHandler(event, [previous, mine](db::Dataset& x) {
        if (previous)
            previous(x);
        mine(x);
    });
}

void chainField(db::Dataset& d, const char* name, const std::function<void(db::Dataset&)>& mine)
{
    db::Field f = d.findField(s(name));
    if (!f.isValid())
        return;
    const db::FieldChangeHandler previous = f.onChange();
    f.setOnChange([previous, mine](db::Field x) {
        if (previous)
            previous(x);
        if (db::Dataset* owner = x.dataset())
            mine(*owner);
    });
}

// Runs a statement whose result is one row of sums; null sums read as 0.
std::vector<double> sums(db::Query& q, const QString& sql, const QVariantList& parameters, int columns)
{
    q.close();
    q.setSql(sql);
    for (int i = 0; i < parameters.size(); ++i)
        q.bindValue(i, parameters[i]);
    q.open();
    std::vector<double> result(size_t(columns), 0.0);
    if (!q.eof()) {
        for (int i = 0; i < columns; ++i)
            result[size_t(i)] = finiteOrZero(q.field(i).value().toDouble());
    }
    q.close();
    return result;
}

// Positions of the rows of a dataset that a walk returns to.
class KeepPosition {
public:
    explicit KeepPosition(db::Dataset& d)
        : m_d(d)
        , m_mark(d.bookmark())
    {}
    // Back to the remembered row, or the first when it is gone.
    void restore()
    {
        if (!m_d.isActive())
            return;
        if (m_mark.isValid() && m_d.bookmarkValid(m_mark))
            m_d.gotoBookmark(m_mark);
        else
            m_d.first();
    }

private:
    db::Dataset& m_d;
    db::Bookmark m_mark;
};

} // namespace

// --- binding ------------------------------------------------------------------------

void TFormData::bindPricingHandlers()
{
    if (m_pricing.bound)
        return;
    m_pricing.bound = true;

    db::Dataset& projects = table(s("TableProjects"));
    for (const char* calc : {"_TOTAL_PROJ_PRICE", "_TOTAL_PROJ_NLLC", "_TOTAL_CONTRIB", "_TOTAL_CONTRIB_PERCENT"})
        projects.addCalculatedField(db::FieldDef::floating(s(calc)));
    chainEvent(projects, DatasetEvent::OnCalcFields, [this](db::Dataset& d) { TableProjectsCalcFields(d); });

    // Field handlers belong to the fields of an open table, which are made
    // anew at every open: they are bound whenever the table opens.
    for (const char* name :
         {"TableSystemCurrencies", "TableCurrencies", "TableProdPrices", "TableAccPrices", "TableAddCosts",
          "TableProducts", "TableProjAddCosts", "TableProjPackTrans", "TableCustOrdRows", "TablePurchOrdRows",
          "TableAccessories", "TableProdTechData", "TableAccTechData"}) {
        db::Dataset& t = table(s(name));
        chainEvent(t, DatasetEvent::AfterOpen, [this](db::Dataset& d) { bindPricingFields(d); });
        if (t.isActive())
            bindPricingFields(t);
    }

    auto bind = [this](const char* name, DatasetEvent event, void (TFormData::*handler)(db::Dataset&)) {
        chainEvent(table(s(name)), event, [this, handler](db::Dataset& d) { (this->*handler)(d); });
    };
    // Both views of DetailPrices total the product: a row posted through
    // the accessory's view counts as much as one posted through the
    // product's.
    bind("TableProdPrices", DatasetEvent::AfterPost, &TFormData::TableProdPricesAfterPost);
    bind("TableAccPrices", DatasetEvent::AfterPost, &TFormData::TableProdPricesAfterPost);
    // A deleted price row leaves the totals as soon as it is gone.
    for (const char* name : {"TableProdPrices", "TableAccPrices"}) {
        chainEvent(table(s(name)), DatasetEvent::BeforeDelete,
                   [this](db::Dataset& d) { m_pricing.deletingAccessory = str(d, "AccessoryID"); });
        chainEvent(table(s(name)), DatasetEvent::AfterDelete, [this](db::Dataset&) { priceRowDeleted(); });
    }
    // A deleted product leaves the project's sums at once.
    chainEvent(table(s("TableProducts")), DatasetEvent::AfterDelete, [this](db::Dataset&) {
        m_pricing.pendingProjectTotals = true;
        if (m_pricing.deferProjectTotals == 0)
            projectProductTotals();
    });
    bind("TableAddCosts", DatasetEvent::AfterPost, &TFormData::TableAddCostsAfterPost);
    bind("TableAddCosts", DatasetEvent::AfterDelete, &TFormData::TableAddCostsAfterPost);
    bind("TableAddCosts", DatasetEvent::OnNewRecord, &TFormData::TableAddCostsNewRecord);
    bind("TableProjAddCosts", DatasetEvent::OnNewRecord, &TFormData::TableProjAddCostsNewRecord);
    bind("TableProjPackTrans", DatasetEvent::OnNewRecord, &TFormData::TableProjPackTransNewRecord);
    bind("TableProducts", DatasetEvent::AfterPost, &TFormData::TableProductsAfterPost);
    bind("TableProjAddCosts", DatasetEvent::AfterPost, &TFormData::TableProjAddCostsAfterPost);
    bind("TableProjAddCosts", DatasetEvent::AfterDelete, &TFormData::TableProjAddCostsAfterPost);
    bind("TableProjPackTrans", DatasetEvent::AfterPost, &TFormData::TableProjPackTransAfterPost);
    bind("TableProjPackTrans", DatasetEvent::AfterDelete, &TFormData::TableProjPackTransAfterPost);
    bind("TableCustOrdRows", DatasetEvent::AfterPost, &TFormData::TableCustOrdRowsAfterPost);
    bind("TablePurchOrdRows", DatasetEvent::AfterPost, &TFormData::TablePurchOrdRowsAfterPost);

    auto onDataChange = [this](const char* name, void (TFormData::*handler)(db::DataSource&, const QString&)) {
        db::DataSource& src = source(s(name));
        const db::DataSource::DataChangeHandler previous = src.onDataChange();
        src.setOnDataChange([this, previous, handler](db::DataSource& x, const QString& field) {
            if (previous)
                previous(x, field);
            (this->*handler)(x, field);
        });
    };
    onDataChange("SourceAddCosts", &TFormData::SourceAddCostsDataChange);
    onDataChange("SourceProjAddCosts", &TFormData::SourceProjAddCostsDataChange);
    onDataChange("SourceProjPackTrans", &TFormData::SourceProjPackTransDataChange);

    // The unit selectors: the units of the current unit type's type (units
    // dialog) and of the technical-data row being edited (technical-data
    // grids). Their views switch Filtered on while they show them.
    db::Dataset& unitTypes = table(s("TableUnitTypes"));
    table(s("TableUnits")).setOnFilterRecord([&unitTypes](db::Dataset& units) {
        if (!unitTypes.isActive() || unitTypes.isEmpty())
            return false;
        return units.fieldByName(s("UnitType"))
                   .asString()
                   .compare(unitTypes.fieldByName(s("Type")).asString(), Qt::CaseInsensitive) == 0;
    });
    table(s("TableUnitsTechData")).setOnFilterRecord([this](db::Dataset& units) { return unitsTechDataFilter(units); });
}

void TFormData::bindPricingFields(db::Dataset& t)
{
    const QString name = t.name();
    auto each = [&t](std::initializer_list<const char*> fields, const std::function<void(db::Dataset&)>& handler) {
        for (const char* f : fields)
            chainField(t, f, handler);
    };
    if (name == QLatin1String("TableSystemCurrencies") || name == QLatin1String("TableCurrencies")) {
        each({"Factor", "Rate"}, [this](db::Dataset& d) { UpdateCurrencies(d); });
    } else if (name == QLatin1String("TableProdPrices") || name == QLatin1String("TableAccPrices")) {
        each({"ListPrice", "ManualPrice", "Discount", "NetCurrency", "FreightFactor", "Contribution", "LocalListPrice",
              "Discount2", "QuotCurrency"},
             [this](db::Dataset& d) { UpdateDetailedPrice(d); });
    } else if (name == QLatin1String("TableAddCosts")) {
        each({"ListPrice", "ListCurrency", "Discount", "NetCurrency", "FreightFactor", "Contribution", "LocalListPrice",
              "Discount2", "QuotCurrency"},
             [this](db::Dataset& d) { UpdateDetailedAddCosts(d); });
    } else if (name == QLatin1String("TableProducts") || name == QLatin1String("TableProjAddCosts") ||
               name == QLatin1String("TableProjPackTrans")) {
        each({"Qty", "TotalProdPrice", "TotalPriceComm", "TotalPriceFactorA", "TotalPriceFactorB",
              "TotalPriceQuotRounded"},
             [this](db::Dataset& d) { UpdateProjectPriceProducts(d); });
        if (name != QLatin1String("TableProducts"))
            each({"ProdCurrency"}, [this](db::Dataset& d) { UpdateProjectPriceProducts(d); });
        each({"TotalCurrency"}, [this](db::Dataset& d) { UpdateProjectPrice(d); });
    } else if (name == QLatin1String("TableCustOrdRows")) {
        each({"Price", "Qty"}, [this](db::Dataset& d) { UpdateCustPriceProducts(d); });
    } else if (name == QLatin1String("TablePurchOrdRows")) {
        each({"Price", "Qty"}, [this](db::Dataset& d) { UpdatePurchPriceProducts(d); });
    } else if (name == QLatin1String("TableAccessories")) {
        each({"Qty"}, [this](db::Dataset& d) { TableAccessoriesQtyChange(d); });
    } else if (name == QLatin1String("TableProdTechData") || name == QLatin1String("TableAccTechData")) {
        each({"Unit"}, [this](db::Dataset& d) { TableProdTechDataUnitChange(d); });
    }
}

void TFormData::setReselectNodeHook(std::function<void()> hook)
{
    m_reselectNodeHook = std::move(hook);
}

void TFormData::refreshLabel(int kind, const QString& id)
{
    if (id.isEmpty())
        return;
    if (kind == 2)
        emit productLabelChanged(id);
    else
        emit accessoryLabelChanged(id);
}

// --- transactions -------------------------------------------------------------------

void TFormData::atomically(const std::function<void()>& work)
{
    db::Connection& projects = database(s("DatabaseProjects"));
    if (m_pricing.batch > 0 && projects.transactionDepth() > 0) {
        // Inside a bulk operation of our own: its transaction takes back
        // everything on a failure, a savepoint per row would only cost.
        work();
        return;
    }
    db::Transaction transaction(projects);
    try {
        work();
        transaction.commit();
    } catch (...) {
        try {
            transaction.rollback();
        } catch (const db::DatabaseError&) {
            // The connection is gone; the tables are re-read below anyway.
        }
        resyncPricingTables();
        throw;
    }
}

void TFormData::resyncPricingTables()
{
    // Masters first, so that a detail re-reads for the row its master is on.
    for (const char* name :
         {"TableProjects", "TableCurrencies", "TableDiscMarg", "TableProducts", "TableAccessories", "TableProdPrices",
          "TableAccPrices", "TableAddCosts", "TableProjAddCosts", "TableProjPackTrans", "TableCustOrders",
          "TableCustOrdRows", "TablePurchOrders", "TablePurchOrdRows", "TableProdTechData", "TableAccTechData"}) {
        db::Dataset& t = table(s(name));
        if (!t.isActive())
            continue;
        try {
            t.cancel();
            t.refresh();
        } catch (const db::DatabaseError&) {
            // The failure being reported matters more than this one.
        }
    }
}

bool TFormData::runPricingOperation(const QString& operation, const std::function<void()>& work)
{
    ++m_pricing.batch;
    try {
        // The project row is written after every line; its views are told
        // once, at the end. It never moves meanwhile, so its details stay.
        db::Dataset& projects = table(s("TableProjects"));
        if (projects.isActive()) {
            ControlsOff off(projects);
            atomically(work);
        } else {
            atomically(work);
        }
    } catch (const db::DatabaseError& e) {
        --m_pricing.batch;
        m_pricing.projectsStale = false;
        HideProgress();
        MsgOK(QStringLiteral("%s\n\n%s"), {MsgText(operation), e.message()});
        return false;
    }
    if (m_pricing.batch == 1) {
        try {
            refreshOtherPriceView(&table(s("TableProdPrices")));
        } catch (const db::DatabaseError& e) {
            --m_pricing.batch;
            MsgOK(QStringLiteral("%s\n\n%s"), {MsgText(operation), e.message()});
            return false;
        }
    }
    if (--m_pricing.batch == 0 && std::exchange(m_pricing.projectsStale, false)) {
        db::Dataset& projects = table(s("TableProjects"));
        try {
            if (projects.isActive())
                projects.refresh();
        } catch (const db::DatabaseError& e) {
            MsgOK(QStringLiteral("%s\n\n%s"), {MsgText(operation), e.message()});
            return false;
        }
    }
    return true;
}

// --- currencies -----------------------------------------------------------------------

double TFormData::GetCurrFact(const QString& from, const QString& to)
{
    db::Dataset& currencies = table(s("TableCurrencies"));
    if (!currencies.isActive())
        return 0.0;
    const QVariant a = currencies.lookup(s("Name"), from, s("OneToOne"));
    const QVariant b = currencies.lookup(s("Name"), to, s("OneToOne"));
    if (!a.isValid() || !b.isValid())
        return 0.0;
    return divideOrZero(a.toDouble(), b.toDouble());
}

void TFormData::UpdateCurrencies(db::Dataset& currencies)
{
    Reentry guard(m_pricing.currencies);
    if (!guard)
        return;
    db::Field factor = fld(currencies, "Factor");
    const double f = num(factor, 1.0);
    if (f == 0) {
        // Rate / 0 has no value: the factor the row had stays.
        double previous = 1.0;
        const int row = currencies.recNo() - 1;
        if (currencies.state() == DatasetState::Edit && row >= 0) {
            const double stored = currencies.rowValue(row, factor.index()).toDouble();
            if (stored != 0)
                previous = stored;
        }
        MsgOK(QStringLiteral("The factor of a currency cannot be 0. The previous factor was kept."));
        factor.setValue(previous);
        return;
    }
    const double rate = num(currencies, "Rate", 1.0);
    set(currencies, "OneToOne", finiteOrZero(rate / f));
}

// --- price rows ------------------------------------------------------------------------

void TFormData::UpdateDetailedPrice(db::Dataset& prices)
{
    Reentry guard(m_pricing.detailedPrice);
    if (!guard)
        return;
    const bool wasEditing = prices.state() == DatasetState::Edit;
    const QString manual = str(prices, "ManualPrice");
    const double price = manual.trimmed().isEmpty() ? num(prices, "ListPrice") : num(prices, "ManualPrice");
    const double netCurrFact = GetCurrFact(str(prices, "ListCurrency"), str(prices, "NetCurrency"));
    const double netPrice = finiteOrZero((1 - num(prices, "Discount") / 100) * price * netCurrFact);
    const double quotCurrFact = GetCurrFact(str(prices, "NetCurrency"), str(prices, "QuotCurrency"));
    const double nllc = divideOrZero(netPrice * quotCurrFact, (100 - num(prices, "FreightFactor")) / 100);
    const double basePrice = divideOrZero(nllc, (100 - num(prices, "Contribution")) / 100);
    const double localList = num(prices, "LocalListPrice");
    const double quotPrice =
        finiteOrZero((1 - num(prices, "Discount2") / 100) * (localList != 0 ? localList : basePrice));
    const double qty = num(prices, "Qty", 1.0);

    ensureEditing(prices);
    set(prices, "NetPrice", netPrice);
    set(prices, "NetCurrFact", netCurrFact);
    set(prices, "NLLC", nllc);
    set(prices, "SumNLLC", finiteOrZero(qty * nllc));
    set(prices, "BasePrice", basePrice);
    set(prices, "QuotPrice", quotPrice);
    set(prices, "SumQuotPrice", finiteOrZero(qty * quotPrice));
    set(prices, "QuotCurrFact", quotCurrFact);
    if (prices.state() != DatasetState::Edit)
        return; // a row being inserted is posted by whoever inserts it
    // The row, the product and the project are written together: one
    // commit instead of one per level.
    atomically([&] { prices.post(); });
    if (wasEditing)
        prices.edit();
}

void TFormData::UpdateDetailedAddCosts(db::Dataset& addCosts)
{
    Reentry guard(m_pricing.detailedAddCosts);
    if (!guard)
        return;
    const double price = num(addCosts, "ListPrice");
    const double netCurrFact = GetCurrFact(str(addCosts, "ListCurrency"), str(addCosts, "NetCurrency"));
    const double netPrice = finiteOrZero((1 - num(addCosts, "Discount") / 100) * price * netCurrFact);
    const double quotCurrFact = GetCurrFact(str(addCosts, "NetCurrency"), str(addCosts, "QuotCurrency"));
    const double nllc = divideOrZero(netPrice * quotCurrFact, (100 - num(addCosts, "FreightFactor")) / 100);
    const double basePrice = divideOrZero(nllc, (100 - num(addCosts, "Contribution")) / 100);
    const double localList = num(addCosts, "LocalListPrice");
    const double quotPrice =
        finiteOrZero((1 - num(addCosts, "Discount2") / 100) * (localList != 0 ? localList : basePrice));

    ensureEditing(addCosts);
    set(addCosts, "NetPrice", netPrice);
    set(addCosts, "NetCurrFact", netCurrFact);
    set(addCosts, "NLLC", nllc);
    set(addCosts, "BasePrice", basePrice);
    set(addCosts, "QuotPrice", quotPrice);
    set(addCosts, "QuotCurrFact", quotCurrFact);
    if (addCosts.state() == DatasetState::Edit)
        atomically([&] { addCosts.post(); });
}

void TFormData::TableAddCostsNewRecord(db::Dataset& addCosts)
{
    DetachedDataChange detached(source(s("SourceAddCosts")));
    if (fld(addCosts, "ID").isNull())
        set(addCosts, "ID", SetUniqueID());
    db::Dataset& products = table(s("TableProducts"));
    const QString currency = products.isActive() ? str(products, "ProdCurrency") : QString();
    set(addCosts, "QuotCurrency", currency);
    set(addCosts, "ListCurrency", currency);
    set(addCosts, "NetCurrency", currency);
}

void TFormData::newLineDefaults(db::Dataset& lines, const QString& sourceName)
{
    DetachedDataChange detached(source(sourceName));
    if (fld(lines, "ID").isNull())
        set(lines, "ID", SetUniqueID());
    db::Dataset& projects = table(s("TableProjects"));
    const QString currency = projects.isActive() ? str(projects, "ProjCurrency") : QString();
    set(lines, "Qty", 1);
    set(lines, "ProdCurrency", currency);
    set(lines, "TotalCurrency", currency);
}

void TFormData::TableProjAddCostsNewRecord(db::Dataset& lines)
{
    newLineDefaults(lines, s("SourceProjAddCosts"));
}

void TFormData::TableProjPackTransNewRecord(db::Dataset& lines)
{
    newLineDefaults(lines, s("SourceProjPackTrans"));
}

// --- product totals ------------------------------------------------------------------------

void TFormData::updateProductTotals(db::Dataset& products)
{
    // The landed cost is set before the price, whose change runs the line
    // calculation at once: the line then sees the new landed cost and posts
    // the product once.
    set(products, "TotalProdPriceNLLC",
        num(products, "TotalPriceNLLC") + num(products, "TotalAddCostNLLC") + num(products, "TotalPackTransNLLC"));
    set(products, "TotalProdPrice",
        num(products, "TotalPrice") + num(products, "TotalAddCost") + num(products, "TotalPackTrans"));
    if (products.state() == DatasetState::Edit) {
        // The line calculation did not run (its guard was set). The line's
        // landed cost is in the project currency, as the line calculation
        // writes it.
        const double f = GetCurrFact(str(products, "ProdCurrency"), str(products, "TotalCurrency"));
        set(products, "TotalPriceQuotNLLC",
            finiteOrZero(num(products, "Qty") * num(products, "TotalProdPriceNLLC") * f));
        products.post();
    }
}

void TFormData::TableProdPricesAfterPost(db::Dataset& prices)
{
    Reentry guard(m_pricing.prodPricesAfterPost);
    if (!guard)
        return;
    const QString productID = str(prices, "ProductID");
    const QString accessoryID = str(prices, "AccessoryID");
    db::Dataset& products = table(s("TableProducts"));
    if (!products.isActive() || products.isEmpty() || str(products, "ID") != productID)
        return;
    if (isEmptyId(accessoryID))
        m_pricing.pendingOwnPrice = true;
    else if (!m_pricing.pendingAccessories.contains(accessoryID))
        m_pricing.pendingAccessories << accessoryID;
    m_pricing.pendingPriceTotals = true;
    // A walk over the product's rows totals them once, when it is done:
    // every total is computed from all rows anyway.
    if (m_pricing.deferTotals == 0) {
        productTotals();
        refreshOtherPriceView(&prices);
    }
}

void TFormData::refreshOtherPriceView(const db::Dataset* posted)
{
    // The two views of DetailPrices keep their rows in memory: the one that
    // did not write reads them again, so that its next recalculation starts
    // from what the file holds.
    for (const char* name : {"TableProdPrices", "TableAccPrices"}) {
        db::Dataset& view = table(s(name));
        if (&view == posted || !view.isActive() || view.state() != DatasetState::Browse)
            continue;
        view.refresh();
    }
}

void TFormData::priceRowDeleted()
{
    Reentry guard(m_pricing.prodPricesAfterPost);
    if (!guard)
        return;
    const QString accessoryID = std::exchange(m_pricing.deletingAccessory, QString());
    db::Dataset& products = table(s("TableProducts"));
    if (!products.isActive() || products.isEmpty())
        return;
    if (isEmptyId(accessoryID))
        m_pricing.pendingOwnPrice = true;
    else if (!m_pricing.pendingAccessories.contains(accessoryID))
        m_pricing.pendingAccessories << accessoryID;
    m_pricing.pendingPriceTotals = true;
    if (m_pricing.deferTotals == 0)
        productTotals();
}

void TFormData::UpdateProductTotals()
{
    m_pricing.pendingPriceTotals = true;
    m_pricing.pendingAddCostTotals = true;
    m_pricing.pendingOwnPrice = true;
    if (m_pricing.deferTotals == 0)
        atomically([this] { productTotals(); });
}

void TFormData::TableAddCostsAfterPost(db::Dataset& addCosts)
{
    Q_UNUSED(addCosts);
    Reentry guard(m_pricing.addCostsAfterPost);
    if (!guard)
        return;
    db::Dataset& products = table(s("TableProducts"));
    if (!products.isActive() || products.isEmpty())
        return;
    m_pricing.pendingAddCostTotals = true;
    if (m_pricing.deferTotals == 0)
        productTotals();
}

void TFormData::withProductTotalsDeferred(const std::function<void()>& walk)
{
    ++m_pricing.deferTotals;
    try {
        walk();
    } catch (...) {
        if (--m_pricing.deferTotals == 0)
            clearPendingTotals();
        throw;
    }
    if (--m_pricing.deferTotals == 0)
        productTotals();
}

void TFormData::clearPendingTotals()
{
    m_pricing.pendingPriceTotals = false;
    m_pricing.pendingAddCostTotals = false;
    m_pricing.pendingOwnPrice = false;
    m_pricing.pendingAccessories.clear();
}

void TFormData::productTotals()
{
    db::Dataset& products = table(s("TableProducts"));
    const bool prices = std::exchange(m_pricing.pendingPriceTotals, false);
    const bool addCosts = std::exchange(m_pricing.pendingAddCostTotals, false);
    const bool own = std::exchange(m_pricing.pendingOwnPrice, false);
    const QStringList accessoryIDs = std::exchange(m_pricing.pendingAccessories, {});
    if ((!prices && !addCosts) || !products.isActive() || products.isEmpty())
        return;
    // The view of the rows shows the current product's, so the product is
    // the one they belong to (also after a row was deleted).
    const QString productID = str(products, "ID");
    db::Query& q = query(s("QueryDetailPriceSum"));
    std::vector<double> priceTotals;
    std::optional<double> ownPrice;
    if (prices) {
        // The accessories' rows carry the product's ID, so they count too.
        priceTotals =
            sums(q,
                 s("SELECT SUM(NetPrice * QuotCurrFact) AS Net, SUM(SumQuotPrice) AS Price, SUM(SumNLLC) AS NLLC "
                   "FROM DetailPrices WHERE ProductID = ? AND Alternate = false AND AddOption = false"),
                 {productID}, 3);
        // ProdPrice sums the item's own rows, alternatives and options
        // included, without quantities.
        if (own) {
            const std::vector<double> ownSum =
                sums(q,
                     s("SELECT COUNT(*), SUM(QuotPrice) FROM DetailPrices WHERE ProductID = ? "
                       "AND (AccessoryID IS NULL OR TRIM(AccessoryID) = '')"),
                     {productID}, 2);
            // No own rows are left only after a delete: nothing to sum.
            ownPrice = ownSum[0] > 0 ? ownSum[1] : 0.0;
        }
    }
    std::vector<double> addCostTotals;
    if (addCosts) {
        addCostTotals = sums(query(s("QueryAddCostsSum")),
                             s("SELECT SUM(NetPrice * QuotCurrFact) AS Net, SUM(QuotPrice) AS Price, SUM(NLLC) AS NLLC "
                               "FROM DetailAddCosts WHERE ProductID = ?"),
                             {productID}, 3);
    }
    ensureEditing(products);
    if (prices) {
        set(products, "TotalPrice", priceTotals[1]);
        set(products, "TotalPriceNLLC", priceTotals[2]);
        set(products, "NetPrice", priceTotals[0]);
        if (ownPrice)
            set(products, "ProdPrice", *ownPrice);
    }
    if (addCosts) {
        set(products, "TotalAddCost", addCostTotals[1]);
        set(products, "TotalAddCostNLLC", addCostTotals[2]);
    }
    updateProductTotals(products);

    db::Dataset& accessories = table(s("TableAccessories"));
    if (accessoryIDs.isEmpty() || !accessories.isActive() || accessories.isEmpty())
        return;
    auto store = [&](const QString& accessoryID) {
        const std::vector<double> accessoryPrice =
            sums(q, s("SELECT SUM(QuotPrice) AS Price FROM DetailPrices WHERE ProductID = ? AND AccessoryID = ?"),
                 {productID, accessoryID}, 1);
        ensureEditing(accessories);
        set(accessories, "ProdPrice", accessoryPrice[0]);
        accessories.post();
    };
    if (accessoryIDs.size() == 1 && str(accessories, "ID") == accessoryIDs.first()) {
        store(accessoryIDs.first());
        return;
    }
    // Other accessories: visit them without their details following, and
    // come back.
    ControlsOff off(accessories);
    KeepPosition position(accessories);
    for (const QString& accessoryID : accessoryIDs) {
        if (accessories.locate(s("ID"), accessoryID))
            store(accessoryID);
    }
    position.restore();
}

void TFormData::lineDataChange(db::DataSource& src, const QString& field, const QString& watched,
                               void (TFormData::*afterPost)(db::Dataset&))
{
    db::Dataset* rows = src.dataset();
    if (!rows || rows->state() != DatasetState::Edit || field.compare(watched, Qt::CaseInsensitive) != 0)
        return;
    // While the row's own calculation runs it posts the row itself when it
    // is done; totals of a half-written row would only be run again.
    if (m_pricing.detailedAddCosts || m_pricing.projectLine)
        return;
    {
        const db::DatasetHandler handler = rows->handler(DatasetEvent::AfterPost);
        rows->setHandler(DatasetEvent::AfterPost, {});
        try {
            atomically([&] {
                rows->post();
                (this->*afterPost)(*rows);
            });
        } catch (...) {
            rows->setHandler(DatasetEvent::AfterPost, handler);
            throw;
        }
        rows->setHandler(DatasetEvent::AfterPost, handler);
    }
    rows->edit();
}

void TFormData::SourceAddCostsDataChange(db::DataSource& src, const QString& field)
{
    if (field.compare(s("NLLC"), Qt::CaseInsensitive) == 0)
        lineDataChange(src, field, s("NLLC"), &TFormData::TableAddCostsAfterPost);
    else
        lineDataChange(src, field, s("QuotPrice"), &TFormData::TableAddCostsAfterPost);
}

// --- quotation lines --------------------------------------------------------------------------

void TFormData::UpdateProjectPriceProducts(db::Dataset& line)
{
    Reentry guard(m_pricing.projectLine);
    if (!guard)
        return;
    const double cost = num(line, "TotalProdPrice");
    const double comm = num(line, "TotalPriceComm");
    const double fa = num(line, "TotalPriceFactorA");
    const double fb = num(line, "TotalPriceFactorB");
    const double rounded = num(line, "TotalPriceQuotRounded");
    const double qty = num(line, "Qty");
    const double f = GetCurrFact(str(line, "ProdCurrency"), str(line, "TotalCurrency"));
    const double unit = finiteOrZero(cost / ((100 - comm) / 100) / ((100 - fa) / 100) / ((100 - fb) / 100) * f);

    ensureEditing(line);
    set(line, "TotalPriceQuotPrice", unit);
    set(line, "TotalPriceCurrFact", f);
    set(line, "TotalPriceQuotPriceSum", finiteOrZero(std::fabs(rounded) <= 0.000001 ? qty * unit : qty * rounded));
    const bool isProduct = line.findField(s("TotalPriceQuotNLLC")).isValid();
    if (isProduct)
        set(line, "TotalPriceQuotNLLC", finiteOrZero(qty * num(line, "TotalProdPriceNLLC") * f));
    if (line.findField(s("TotalProdPriceSum")).isValid())
        set(line, "TotalProdPriceSum", finiteOrZero(qty * cost * f));
    if (line.state() == DatasetState::Edit)
        atomically([&] { line.post(); });
    if (isProduct)
        refreshLabel(2, str(line, "ID"));
}

void TFormData::UpdateProjectPrice(db::Dataset& line)
{
    UpdateProjectPriceProducts(line);
}

// --- project totals ------------------------------------------------------------------------------

void TFormData::TableProductsAfterPost(db::Dataset& products)
{
    Reentry guard(m_pricing.productsAfterPost);
    if (!guard)
        return;
    db::Dataset& projects = table(s("TableProjects"));
    if (!projects.isActive() || projects.isEmpty())
        return;
    const QString projectID = products.isEmpty() ? str(projects, "ID") : str(products, "ProjectID");
    if (str(projects, "ID") != projectID)
        return;
    // A walk over the project's lines totals the project once, when it is
    // done.
    m_pricing.pendingProjectTotals = true;
    if (m_pricing.deferProjectTotals == 0)
        projectProductTotals();
}

void TFormData::withProjectTotalsDeferred(const std::function<void()>& walk)
{
    ++m_pricing.deferProjectTotals;
    try {
        walk();
    } catch (...) {
        if (--m_pricing.deferProjectTotals == 0)
            m_pricing.pendingProjectTotals = false;
        throw;
    }
    if (--m_pricing.deferProjectTotals == 0)
        projectProductTotals();
}

void TFormData::projectProductTotals()
{
    if (!std::exchange(m_pricing.pendingProjectTotals, false))
        return;
    db::Dataset& projects = table(s("TableProjects"));
    if (!projects.isActive() || projects.isEmpty())
        return;
    const QString projectID = str(projects, "ID");
    const std::vector<double> totals =
        sums(query(s("QueryProductsSum")),
             s("SELECT SUM(TotalPriceQuotPriceSum) AS Price, SUM(TotalPriceQuotNLLC) AS NLLC FROM Products "
               "WHERE ProjectID = ? AND Alternate = false AND AddOption = false"),
             {projectID}, 2);
    ensureEditing(projects);
    set(projects, "ProjPriceProducts", totals[0]);
    set(projects, "ProjPriceProductsNLLC", totals[1]);
    projects.post();
    // The post has put the new values and the derived fields into the row
    // already; a bulk operation re-reads the table once when it ends.
    if (m_pricing.batch > 0)
        m_pricing.projectsStale = true;
    else
        projects.refresh();
}

void TFormData::projectTotals(db::Dataset& lines, const QString& tableName, const char* priceField,
                              const char* nllcField, bool& flag)
{
    Q_UNUSED(lines);
    Reentry guard(flag);
    if (!guard)
        return;
    db::Dataset& projects = table(s("TableProjects"));
    if (!projects.isActive() || projects.isEmpty())
        return;
    // After a delete the row is gone: the lines shown are the current
    // project's.
    const QString projectID = str(projects, "ID");
    const std::vector<double> totals =
        sums(query(s("QueryTemp")),
             QStringLiteral("SELECT SUM(TotalPriceQuotPriceSum) AS Price, SUM(TotalProdPriceSum) AS NLLC FROM %1 "
                            "WHERE ProjectID = ?")
                 .arg(tableName),
             {projectID}, 2);
    ensureEditing(projects);
    set(projects, priceField, totals[0]);
    set(projects, nllcField, totals[1]);
    projects.post();
}

void TFormData::TableProjAddCostsAfterPost(db::Dataset& lines)
{
    projectTotals(lines, s("ProjAddCosts"), "ProjPriceAddCost", "ProjPriceAddCostNLLC",
                  m_pricing.projAddCostsAfterPost);
}

void TFormData::TableProjPackTransAfterPost(db::Dataset& lines)
{
    projectTotals(lines, s("ProjPackTrans"), "ProjPricePackTrans", "ProjPricePackTransNLLC",
                  m_pricing.projPackTransAfterPost);
}

void TFormData::SourceProjAddCostsDataChange(db::DataSource& src, const QString& field)
{
    lineDataChange(src, field, s("TotalPriceQuotPriceSum"), &TFormData::TableProjAddCostsAfterPost);
}

void TFormData::SourceProjPackTransDataChange(db::DataSource& src, const QString& field)
{
    lineDataChange(src, field, s("TotalPriceQuotPriceSum"), &TFormData::TableProjPackTransAfterPost);
}

void TFormData::TableProjectsCalcFields(db::Dataset& projects)
{
    const double price =
        num(projects, "ProjPriceProducts") + num(projects, "ProjPriceAddCost") + num(projects, "ProjPricePackTrans");
    const double nllc = num(projects, "ProjPriceProductsNLLC") + num(projects, "ProjPriceAddCostNLLC") +
                        num(projects, "ProjPricePackTransNLLC");
    set(projects, "_TOTAL_PROJ_PRICE", price);
    set(projects, "_TOTAL_PROJ_NLLC", nllc);
    const db::Field manual = fld(projects, "PriceManual");
    const double manualPrice = num(manual);
    const double base = !manual.isNull() && std::fabs(manualPrice) >= 0.000001 ? manualPrice : price;
    set(projects, "_TOTAL_CONTRIB", base - nllc);
    if (base != 0)
        set(projects, "_TOTAL_CONTRIB_PERCENT", finiteOrZero((1 - nllc / base) * 100));
    else
        set(projects, "_TOTAL_CONTRIB_PERCENT", QVariant());
}

// --- order rows ------------------------------------------------------------------------------------

void TFormData::orderRowPrice(db::Dataset& rows, const QString& ordersTable, bool& flag)
{
    Reentry guard(flag);
    if (!guard)
        return;
    db::Dataset& orders = table(ordersTable);
    double f = 1.0;
    // A factor that cannot be determined is taken as 1; a currency that is
    // merely missing converts to 0 like everywhere else.
    db::Dataset& currencies = table(s("TableCurrencies"));
    if (orders.isActive() && !orders.isEmpty() && currencies.isActive()) {
        const QVariant a = currencies.lookup(s("Name"), str(rows, "Currency"), s("OneToOne"));
        const QVariant b = currencies.lookup(s("Name"), str(orders, "OrderCurrency"), s("OneToOne"));
        if (!a.isValid() || !b.isValid())
            f = 0.0;
        else if (b.toDouble() != 0 && std::isfinite(a.toDouble() / b.toDouble()))
            f = a.toDouble() / b.toDouble();
    }
    ensureEditing(rows);
    set(rows, "TotalPrice", finiteOrZero(num(rows, "Qty") * num(rows, "Price") * f));
    if (rows.state() == DatasetState::Edit)
        atomically([&] { rows.post(); });
}

void TFormData::UpdateCustPriceProducts(db::Dataset& rows)
{
    orderRowPrice(rows, s("TableCustOrders"), m_pricing.custRows);
}

void TFormData::UpdatePurchPriceProducts(db::Dataset& rows)
{
    orderRowPrice(rows, s("TablePurchOrders"), m_pricing.purchRows);
}

void TFormData::orderSum(db::Dataset& rows, const QString& ordersTable, const QString& rowsTable, bool& flag)
{
    Q_UNUSED(rows);
    Reentry guard(flag);
    if (!guard)
        return;
    db::Dataset& orders = table(ordersTable);
    if (!orders.isActive() || orders.isEmpty())
        return;
    const std::vector<double> total =
        sums(query(s("QueryTemp")),
             QStringLiteral("SELECT SUM(TotalPrice) AS Price FROM %1 WHERE OrderID = ?").arg(rowsTable),
             {str(orders, "ID")}, 1);
    ensureEditing(orders);
    set(orders, "OrderSum", total[0]);
    orders.post();
}

void TFormData::TableCustOrdRowsAfterPost(db::Dataset& rows)
{
    orderSum(rows, s("TableCustOrders"), s("CustomerOrderRows"), m_pricing.custRowsAfterPost);
}

void TFormData::TablePurchOrdRowsAfterPost(db::Dataset& rows)
{
    orderSum(rows, s("TablePurchOrders"), s("PurchaseOrderRows"), m_pricing.purchRowsAfterPost);
}

// --- accessory quantity ----------------------------------------------------------------------------

void TFormData::TableAccessoriesQtyChange(db::Dataset& accessories)
{
    Reentry guard(m_pricing.accessoryQty);
    if (!guard)
        return;
    const QString accessoryID = str(accessories, "ID");
    if (isEmptyId(accessoryID))
        return;
    const QVariant qty = fld(accessories, "Qty").value();
    db::Dataset& prices = table(s("TableProdPrices"));
    if (prices.isActive()) {
        atomically([&] {
            ControlsOff off(prices);
            KeepPosition position(prices);
            withProductTotalsDeferred([&] {
                for (prices.first(); !prices.eof(); prices.next()) {
                    if (str(prices, "AccessoryID") != accessoryID)
                        continue;
                    prices.edit();
                    // The recalculation posts the row once with the new
                    // quantity; a post before it would total the old sums.
                    {
                        Reentry hold(m_pricing.detailedPrice);
                        set(prices, "Qty", qty);
                    }
                    UpdateDetailedPrice(prices);
                    prices.checkBrowseMode();
                }
            });
            position.restore();
        });
        // The accessory's own view of the same rows reads them again.
        db::Dataset& accPrices = table(s("TableAccPrices"));
        if (accPrices.isActive() && !editing(accPrices))
            accPrices.refresh();
    }
    refreshLabel(4, accessoryID);
}

// --- discount levels and margins ----------------------------------------------------------------------

double TFormData::SeriesDiscount(const QString& series, const QString& level)
{
    bool whole = false;
    const int l = level.trimmed().toInt(&whole);
    if (!whole || l < 1 || l > 4)
        return 0.0;
    db::Dataset& discMarg = table(s("TableDiscMarg"));
    if (!discMarg.isActive())
        return 0.0;
    const QVariant v = discMarg.lookup(s("Series"), series, QStringLiteral("DiscLevel%1").arg(l));
    return v.isValid() ? finiteOrZero(v.toDouble()) : 0.0;
}

double TFormData::SeriesMargin(const QString& series)
{
    db::Dataset& discMarg = table(s("TableDiscMarg"));
    if (!discMarg.isActive())
        return 0.0;
    const QVariant v = discMarg.lookup(s("Series"), series, s("Margin"));
    return v.isValid() ? finiteOrZero(v.toDouble()) : 0.0;
}

void TFormData::applyDiscMarg()
{
    db::Dataset& prices = table(s("TableProdPrices"));
    if (!prices.isActive())
        return;
    ControlsOff off(prices);
    KeepPosition position(prices);
    withProductTotalsDeferred([&] {
        for (prices.first(); !prices.eof(); prices.next()) {
            const QString series = str(prices, "Series");
            const double discount = SeriesDiscount(series, str(prices, "Level"));
            const double margin = SeriesMargin(series);
            prices.edit();
            {
                // Both inputs first, then one recalculation and one post.
                Reentry hold(m_pricing.detailedPrice);
                set(prices, "Discount", discount);
                set(prices, "Contribution", margin);
            }
            UpdateDetailedPrice(prices);
            prices.checkBrowseMode();
        }
    });
    position.restore();
}

bool TFormData::ApplyDiscMargToProduct()
{
    db::Dataset& products = table(s("TableProducts"));
    if (!products.isActive() || products.isEmpty())
        return true;
    return runPricingOperation(s("Could not apply the discounts and margins!"), [&] { applyDiscMarg(); });
}

bool TFormData::ApplyDiscMargToProject()
{
    db::Dataset& products = table(s("TableProducts"));
    if (!products.isActive() || products.isEmpty())
        return true;
    return runPricingOperation(s("Could not apply the discounts and margins!"), [&] {
        KeepPosition position(products);
        withProjectTotalsDeferred([&] {
            for (products.first(); !products.eof(); products.next())
                applyDiscMarg();
        });
        position.restore();
    });
}

// --- recalculation -------------------------------------------------------------------------------------

void TFormData::recalculateProduct()
{
    db::Dataset& products = table(s("TableProducts"));
    if (!products.isActive() || products.isEmpty())
        return;
    const QString currency = str(products, "ProdCurrency");
    // The product stays where it is while its rows are walked: its views
    // and details are told once, when the walk is done.
    ControlsOff offProduct(products);
    withProductTotalsDeferred([&] {
        for (const char* name : {"TableProdPrices", "TableAddCosts"}) {
            db::Dataset& rows = table(s(name));
            if (!rows.isActive())
                continue;
            ControlsOff offRows(rows);
            KeepPosition position(rows);
            for (rows.first(); !rows.eof(); rows.next()) {
                rows.edit();
                set(rows, "QuotCurrency", currency); // recalculates and posts the row
                rows.checkBrowseMode();
            }
            position.restore();
        }
    });
    ensureEditing(products);
    // The line calculation as if Qty had changed.
    UpdateProjectPriceProducts(products);
    if (editing(products))
        products.post();
}

bool TFormData::RecalculateProduct()
{
    return runPricingOperation(s("Could not recalculate the product!"), [this] { recalculateProduct(); });
}

bool TFormData::RecalculateAllProducts()
{
    db::Dataset& products = table(s("TableProducts"));
    if (!products.isActive())
        return true;
    const bool ok = runPricingOperation(s("Could not recalculate the products!"), [&] {
        ShowProgress(s("52"), {}, 0);
        const int count = products.recordCount();
        int done = 0;
        withProjectTotalsDeferred([&] {
            for (products.first(); !products.eof(); products.next()) {
                recalculateProduct();
                ++done;
                ShowProgress(s("52"), {}, int(std::lround(double(done) / count * 100)));
            }
        });
        products.first();
        ShowProgress(s("52"), {}, 100);
    });
    return ok;
}

void TFormData::recalculateProject()
{
    db::Dataset& projects = table(s("TableProjects"));
    if (!projects.isActive() || projects.isEmpty())
        return;
    ShowProgress(s("53"), {}, 0);
    const QString newCurrency = str(projects, "ProjCurrency");
    QString oldCurrency;
    QList<db::Dataset*> lines;
    int total = 0;
    for (const char* name : {"TableProducts", "TableProjAddCosts", "TableProjPackTrans"}) {
        db::Dataset& t = table(s(name));
        if (t.isActive()) {
            lines << &t;
            total += t.recordCount();
        }
    }
    int done = 0;
    withProjectTotalsDeferred([&] {
        for (db::Dataset* t : std::as_const(lines)) {
            // Only the lines' own fields are read and written: their details
            // need not follow the walk, and the line stays current afterwards.
            ControlsOff off(*t);
            KeepPosition position(*t);
            for (t->first(); !t->eof(); t->next()) {
                t->edit();
                if (oldCurrency.isEmpty())
                    oldCurrency = str(*t, "TotalCurrency");
                set(*t, "TotalCurrency", newCurrency); // recalculates and posts the line
                t->checkBrowseMode();
                ++done;
                ShowProgress(s("53"), {}, int(std::lround(double(done) / total * 100)));
            }
            position.restore();
        }
    });
    ShowProgress(s("53"), {}, 100);
    if (done == 0)
        return; // a project without lines keeps its manual price
    // A manual price that cannot be converted (a currency is missing) stays
    // as the user entered it rather than turning into 0.
    const double f = GetCurrFact(oldCurrency, newCurrency);
    if (f == 0)
        return;
    ensureEditing(projects);
    set(projects, "PriceManual", finiteOrZero(num(projects, "PriceManual") * f));
    projects.post();
}

bool TFormData::RecalculateProject()
{
    return runPricingOperation(s("Could not recalculate the project!"), [this] { recalculateProject(); });
}

bool TFormData::TabQuotDataCurrencyClick(const QString& currency)
{
    db::Dataset& projects = table(s("TableProjects"));
    if (!projects.isActive() || projects.isEmpty())
        return false;
    return runPricingOperation(s("Could not recalculate the project!"), [&] {
        ensureEditing(projects);
        set(projects, "ProjCurrency", currency);
        projects.post();
        recalculateProject();
    });
}

QStringList TFormData::GetProjCurrencies()
{
    QStringList names;
    db::Dataset& currencies = table(s("TableCurrencies"));
    if (!currencies.isActive())
        return names;
    const db::Field name = fld(currencies, "Name");
    for (int row = 0; row < currencies.recordCount(); ++row)
        names << currencies.rowValue(row, name.index()).toString();
    return names;
}

bool TFormData::TabQuotDataPriceManualKeyDown(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    db::Dataset& projects = table(s("TableProjects"));
    if (projects.isActive() && editing(projects)) {
        try {
            atomically([&] { projects.post(); });
        } catch (const db::DatabaseError& e) {
            MsgOK(QStringLiteral("%s\n\n%s"), {MsgText(s("Could not save the project!")), e.message()});
        }
    }
    return true;
}

// --- column-wide values ---------------------------------------------------------------------------------

TFormData::ColumnAction TFormData::SetProjectFactor(PriceGrid grid, const QString& column, const QString& title,
                                                    const ValueInput& input)
{
    static const QSet<QString> columns{s("TotalPriceFactorA"), s("TotalPriceFactorB"), s("TotalPriceComm"),
                                       s("Discount"),          s("FreightFactor"),     s("Contribution"),
                                       s("Discount2")};
    const bool priceRows = grid == PriceGrid::ProductPrices || grid == PriceGrid::AccessoryPrices;
    if (priceRows && column == QLatin1String("LocalListPrice")) {
        GetPriceFromExternalSource();
        return ColumnAction::ExternalPrice;
    }
    if (grid == PriceGrid::ProjAddCosts || grid == PriceGrid::ProjPackTrans || !columns.contains(column))
        return ColumnAction::None;
    if (priceRows && (column == QLatin1String("Discount") || column == QLatin1String("Contribution")))
        return ColumnAction::OpenDiscounts;

    const char* component = grid == PriceGrid::QuotationProducts ? "TableProducts"
                            : grid == PriceGrid::ProductPrices   ? "TableProdPrices"
                            : grid == PriceGrid::AccessoryPrices ? "TableAccPrices"
                                                                 : "TableAddCosts";
    db::Dataset& rows = table(s(component));
    if (!rows.isActive() || rows.isEmpty())
        return ColumnAction::None;
    db::Field field = rows.findField(column);
    if (!field.isValid())
        return ColumnAction::None;

    QString text = field.asString();
    double value = 0;
    for (;;) {
        if (!input || !input(title, s("Enter a value to be set in all entries for this column:"), text))
            return ColumnAction::Cancelled;
        if (const std::optional<double> v = toNumber(text)) {
            value = *v;
            break;
        }
        MsgOK(s("19"));
    }
    const bool ok = runPricingOperation(s("Could not set the value in all rows!"), [&] {
        ControlsOff off(rows);
        KeepPosition position(rows);
        auto walk = [&] {
            for (rows.first(); !rows.eof(); rows.next()) {
                rows.edit();
                rows.fieldByName(column).setValue(value); // recalculates the row
                rows.checkBrowseMode();
            }
        };
        if (grid == PriceGrid::QuotationProducts)
            withProjectTotalsDeferred(walk);
        else
            withProductTotalsDeferred(walk);
        position.restore();
    });
    if (m_reselectNodeHook)
        m_reselectNodeHook();
    return ok ? ColumnAction::ValuesSet : ColumnAction::Failed;
}

void TFormData::GetPriceFromExternalSource()
{
    ShowPlainMessage(s("Get price!"));
}

// --- prices of the configurator -----------------------------------------------------------------------

bool TFormData::UpdatePrice(bool toAccessory, const PriceItemSource& itemSource)
{
    db::Dataset& products = table(s("TableProducts"));
    db::Dataset& accessories = table(s("TableAccessories"));
    db::Dataset& prices = table(s("TableProdPrices"));
    ShowProgress(s("60"), {}, 45);
    std::optional<QList<PriceItem>> items;
    if (itemSource)
        items = itemSource();
    if (!items || items->isEmpty() || !products.isActive() || products.isEmpty() || !prices.isActive() ||
        (toAccessory && (!accessories.isActive() || accessories.isEmpty()))) {
        HideProgress();
        MsgOK(s("8"));
        return false;
    }
    const QString ownerID = toAccessory ? str(accessories, "ID") : QString();
    const QString series = str(products, "ProductSeries");
    const bool show = !settings().project().HidePrices;
    auto ownRow = [&] {
        const QString a = str(prices, "AccessoryID");
        return toAccessory ? a == ownerID : isEmptyId(a);
    };
    QSet<QString> keywords;
    for (const PriceItem& item : std::as_const(*items))
        keywords.insert(item.keyword);

    return runPricingOperation(s("Could not update the prices!"), [&] {
        ControlsOff off(prices);
        withProductTotalsDeferred([&] {
            // Rows of the item that the new list no longer has go; the walk
            // stays within the item's rows, as a filter to them would.
            prices.first();
            while (!prices.eof()) {
                const QString keyword = str(prices, "Keyword");
                if (ownRow() && (keyword.isEmpty() || !keywords.contains(keyword)))
                    prices.deleteRecord();
                else
                    prices.next();
            }
            for (const PriceItem& item : std::as_const(*items)) {
                double discount = SeriesDiscount(series, item.level);
                double margin = SeriesMargin(series);
                bool found = false;
                for (prices.first(); !prices.eof(); prices.next()) {
                    if (ownRow() && str(prices, "Keyword") == item.keyword) {
                        found = true;
                        break;
                    }
                }
                if (found) {
                    // What the user set on an existing row stays.
                    if (!fld(prices, "Discount").isNull())
                        discount = num(prices, "Discount");
                    if (!fld(prices, "Contribution").isNull())
                        margin = num(prices, "Contribution");
                    prices.edit();
                } else {
                    prices.append();
                }
                {
                    // The product is recalculated as a whole below; each field
                    // written here would otherwise recalculate and post the row.
                    Reentry hold(m_pricing.detailedPrice);
                    set(prices, "Series", series);
                    set(prices, "Keyword", item.keyword);
                    set(prices, "Level", item.level);
                    set(prices, "Description", item.description);
                    set(prices, "ListPrice", item.listPrice);
                    set(prices, "ListCurrency", item.currency);
                    set(prices, "NetCurrency", item.currency);
                    set(prices, "Discount", discount);
                    set(prices, "Contribution", margin);
                    if (!found)
                        set(prices, "Show", show);
                    set(prices, "AccessoryID", ownerID);
                    // An accessory's rows carry its flags, so that an
                    // alternative or an option stays out of the totals.
                    if (toAccessory) {
                        set(prices, "Alternate", fld(accessories, "Alternate").asBoolean());
                        set(prices, "AddOption", fld(accessories, "AddOption").asBoolean());
                    }
                }
                prices.post();
            }
        });
        ShowProgress(s("60"), {}, 75);
        recalculateProduct();
        ShowProgress(s("60"), {}, 100);
    });
}

// --- units of technical values ----------------------------------------------------------------------------

QString TFormData::GetUnitFormat(const QString& property)
{
    db::Dataset& unitTypes = table(s("TableUnitTypes"));
    if (!unitTypes.isActive())
        return QString();
    const QVariant v = unitTypes.lookup(s("Property"), property, s("Format"));
    return v.isValid() ? v.toString() : QString();
}

QString TFormData::TableProdTechDataValueGetText(db::Dataset& techData)
{
    const QString text = str(techData, "Value");
    const QString format = GetUnitFormat(str(techData, "Property"));
    const std::optional<double> v = toNumber(text);
    if (format.isEmpty() || !v)
        return text;
    return FormatFloat(format, *v);
}

void TFormData::setUnitsTechDataRow(db::Dataset* techData)
{
    m_unitsTechDataRow = techData;
    db::Dataset& units = table(s("TableUnitsTechData"));
    if (units.isActive() && units.isFiltered())
        units.setOnFilterRecord(units.onFilterRecord()); // the rows follow the row's type
}

bool TFormData::unitsTechDataFilter(db::Dataset& units)
{
    QString type;
    if (m_unitsTypeOverridden) {
        type = m_unitsTypeOverride;
    } else {
        db::Dataset* row = m_unitsTechDataRow ? m_unitsTechDataRow : findTable(s("TableProdTechData"));
        if (!row || !row->isActive() || row->isEmpty())
            return false;
        type = row->fieldByName(s("_TYPE")).asString();
    }
    return units.fieldByName(s("UnitType")).asString().compare(type, Qt::CaseInsensitive) == 0;
}

void TFormData::TableProdTechDataUnitChange(db::Dataset& techData)
{
    Reentry guard(m_pricing.unitChange);
    if (!guard)
        return;
    if (str(techData, "Value").isEmpty())
        return;
    db::Dataset& units = table(s("TableUnitsTechData"));
    if (!units.isActive())
        return;
    const QString newUnit = str(techData, "Unit");
    const bool wasFiltered = units.isFiltered();
    const bool wasOverridden = m_unitsTypeOverridden;
    const QString previousOverride = m_unitsTypeOverride;
    auto restoreFilter = [&] {
        m_unitsTypeOverridden = wasOverridden;
        m_unitsTypeOverride = previousOverride;
        if (wasFiltered)
            units.setOnFilterRecord(units.onFilterRecord());
        else
            units.setFiltered(false);
    };
    try {
        m_unitsTypeOverride = str(techData, "_TYPE");
        m_unitsTypeOverridden = true;
        if (wasFiltered)
            units.setOnFilterRecord(units.onFilterRecord());
        else
            units.setFiltered(true);
        const double v = toNumber(str(techData, "Value")).value_or(0.0);
        const db::LocateOptions ci = db::LocateOption::CaseInsensitive;
        if (units.locate(s("Unit"), str(techData, "OldUnit"), ci)) {
            const QString toBase = str(units, "ToBaseCalc");
            if (!toBase.isEmpty() && units.locate(s("Unit"), newUnit, ci)) {
                const QString fromBase = str(units, "FromBaseCalc");
                if (!fromBase.isEmpty()) {
                    const double base = EvaluateFormula(toBase, v, 0).value;
                    const double converted = EvaluateFormula(fromBase, base, 0).value;
                    if (!std::isfinite(converted))
                        throw db::DatabaseError(s("The unit conversion has no finite result"));
                    const QString text = FormatGeneral(converted);
                    set(techData, "Value", text);
                    // The TORVA guard compares like with like.
                    if (techData.findField(s("TORVAValue")).isValid())
                        set(techData, "TORVAValue", text);
                    set(techData, "OldUnit", newUnit);
                }
            }
        }
    } catch (const db::DatabaseError&) {
        // The value stays as it was, in the unit now named.
        try {
            set(techData, "OldUnit", newUnit);
        } catch (const db::DatabaseError&) {
        }
    }
    restoreFilter();
}

} // namespace kiro
