// Benchmarks of the price calculation: RecalculateAllProducts followed by
// RecalculateProject through the data module's event-driven handlers, on a
// project of N products with 20 price rows each (10 of the product, 10 of
// its two accessories). Beside it, in the same run, the same arithmetic as
// one pass of SQL UPDATE statements; `ratio` is handlers / SQL.
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "support/TestWorkspace.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>

using namespace kiro;

namespace {

using Clock = std::chrono::steady_clock;

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

constexpr int kOwnRows = 10;
constexpr int kAccessories = 2;
constexpr int kRowsPerAccessory = 5;

// A laid-out installation with one project of `products` products, opened
// by the data module and standing on that project.
struct Installation {
    explicit Installation(int products)
    {
        ws.layOutDatabases();
        settings().open(ws.workIni());
        data = std::make_unique<TFormData>();
        data->FormDataCreate();
        data->bindPricingHandlers();
        if (!data->OpenSession() || !data->OpenSystem() || !data->OpenProjects())
            throw std::runtime_error("the databases did not open");
        fill(products);
        data->table(s("TableProjects")).refresh();
        data->table(s("TableProjects")).first();
    }

    void exec(db::Query& q, const QVariantList& values)
    {
        q.clearBindings();
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values[i]);
        q.execSql();
    }

    void fill(int products)
    {
        db::Connection& c = data->database(s("DatabaseProjects"));
        db::Transaction t(c);
        db::Query q(c);
        q.setSql(s("INSERT INTO Projects (ID, Name, ProjCurrency, PriceManual) VALUES (?, ?, ?, ?)"));
        exec(q, {projectID, s("Bench"), s("EUR"), 0});
        q.setSql(
            s("INSERT INTO ProjCurrencies (ID, ProjectID, Name, Factor, Rate, OneToOne) VALUES (?, ?, ?, ?, ?, ?)"));
        exec(q, {s("C1"), projectID, s("EUR"), 1, 1.0, 1.0});
        exec(q, {s("C2"), projectID, s("USD"), 1, 0.9, 0.9});
        exec(q, {s("C3"), projectID, s("SEK"), 100, 10.0, 0.1});
        db::Query product(c, s("INSERT INTO Products (ID, ProjectID, \"Order\", Name, ProdCurrency, TotalCurrency, "
                               "Qty, TotalPriceComm) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        db::Query accessory(
            c, s("INSERT INTO Accessories (ID, ProductID, \"Order\", Name, Qty, AddOption) VALUES (?, ?, ?, ?, ?, ?)"));
        db::Query price(c, s("INSERT INTO DetailPrices (ID, ProductID, AccessoryID, Keyword, ListPrice, ListCurrency, "
                             "NetCurrency, QuotCurrency, Discount, FreightFactor, Contribution, Discount2, Qty, "
                             "AddOption) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        int rowNo = 0;
        for (int p = 0; p < products; ++p) {
            const QString pid = QStringLiteral("P%1").arg(p, 5, 10, QLatin1Char('0'));
            exec(product, {pid, projectID, p + 1, s("Pump"), p % 3 == 0 ? s("USD") : s("EUR"), s("EUR"), 1 + p % 4,
                           double(p % 10)});
            auto addRow = [&](const QString& accessoryID, int qty, bool addOption) {
                ++rowNo;
                exec(price, {QStringLiteral("R%1").arg(rowNo, 7, 10, QLatin1Char('0')), pid, accessoryID,
                             QStringLiteral("K%1").arg(rowNo % 20), QString::number(100 + rowNo % 37),
                             rowNo % 2 ? s("EUR") : s("USD"), s("EUR"), s("EUR"), 10.0 + rowNo % 5, 5.0, 20.0, 5.0, qty,
                             addOption});
            };
            for (int r = 0; r < kOwnRows; ++r)
                addRow(QString(), 1, false);
            for (int a = 0; a < kAccessories; ++a) {
                const QString aid = pid + QStringLiteral("A%1").arg(a);
                const bool option = a == 1 && p % 5 == 0;
                exec(accessory, {aid, pid, a + 1, s("Coupling"), 2, option});
                for (int r = 0; r < kRowsPerAccessory; ++r)
                    addRow(aid, 2, option);
            }
        }
        t.commit();
    }

    double projectPrice()
    {
        db::Query q(data->database(s("DatabaseProjects")), s("SELECT ProjPriceProducts FROM Projects WHERE ID = ?"));
        q.bindValue(0, projectID);
        q.open();
        return q.field(0).asFloat();
    }

    test::TestWorkspace ws;
    std::unique_ptr<TFormData> data;
    const QString projectID = s("BENCHPROJECT");
};

// The same arithmetic as the handlers, for every row of the project at
// once. F(a, b) is OneToOne(a) / OneToOne(b) in the project's currencies.
void sqlPass(db::Connection& c, const QString& projectID)
{
    const QString f = s("COALESCE((SELECT a.OneToOne / NULLIF(b.OneToOne, 0) FROM ProjCurrencies a, ProjCurrencies b "
                        "WHERE a.ProjectID = :p AND b.ProjectID = :p AND a.Name = %1 AND b.Name = %2), 0)");
    const QString ofProject = s("ProductID IN (SELECT ID FROM Products WHERE ProjectID = :p)");
    const QStringList statements{
        s("UPDATE DetailPrices SET QuotCurrency = (SELECT ProdCurrency FROM Products WHERE Products.ID = "
          "DetailPrices.ProductID) WHERE ") +
            ofProject,
        s("UPDATE DetailPrices SET NetCurrFact = %1, QuotCurrFact = %2 WHERE %3")
            .arg(f.arg(s("DetailPrices.ListCurrency"), s("DetailPrices.NetCurrency")),
                 f.arg(s("DetailPrices.NetCurrency"), s("DetailPrices.QuotCurrency")), ofProject),
        s("UPDATE DetailPrices SET NetPrice = (1 - Discount / 100.0) * CAST(COALESCE(NULLIF(ManualPrice, ''), "
          "ListPrice) AS REAL) * NetCurrFact WHERE ") +
            ofProject,
        s("UPDATE DetailPrices SET NLLC = COALESCE(NetPrice * QuotCurrFact / NULLIF((100 - FreightFactor) / 100.0, 0), "
          "0) WHERE ") +
            ofProject,
        s("UPDATE DetailPrices SET BasePrice = COALESCE(NLLC / NULLIF((100 - Contribution) / 100.0, 0), 0) WHERE ") +
            ofProject,
        s("UPDATE DetailPrices SET QuotPrice = (1 - Discount2 / 100.0) * (CASE WHEN LocalListPrice <> 0 THEN "
          "LocalListPrice ELSE BasePrice END) WHERE ") +
            ofProject,
        s("UPDATE DetailPrices SET SumNLLC = Qty * NLLC, SumQuotPrice = Qty * QuotPrice WHERE ") + ofProject,
        s("UPDATE Accessories SET ProdPrice = (SELECT COALESCE(SUM(QuotPrice), 0) FROM DetailPrices d WHERE "
          "d.ProductID = Accessories.ProductID AND d.AccessoryID = Accessories.ID) WHERE ") +
            ofProject,
        s("UPDATE Products SET TotalPrice = (SELECT COALESCE(SUM(SumQuotPrice), 0) FROM DetailPrices d WHERE "
          "d.ProductID = Products.ID AND d.Alternate = 0 AND d.AddOption = 0), TotalPriceNLLC = (SELECT "
          "COALESCE(SUM(SumNLLC), 0) FROM DetailPrices d WHERE d.ProductID = Products.ID AND d.Alternate = 0 AND "
          "d.AddOption = 0), NetPrice = (SELECT COALESCE(SUM(NetPrice * QuotCurrFact), 0) FROM DetailPrices d WHERE "
          "d.ProductID = Products.ID AND d.Alternate = 0 AND d.AddOption = 0), ProdPrice = (SELECT "
          "COALESCE(SUM(QuotPrice), 0) FROM DetailPrices d WHERE d.ProductID = Products.ID AND (d.AccessoryID IS NULL "
          "OR d.AccessoryID = '')) WHERE ProjectID = :p"),
        s("UPDATE Products SET TotalProdPrice = TotalPrice + TotalAddCost + TotalPackTrans, TotalProdPriceNLLC = "
          "TotalPriceNLLC + TotalAddCostNLLC + TotalPackTransNLLC, TotalCurrency = (SELECT ProjCurrency FROM "
          "Projects WHERE ID = :p) WHERE ProjectID = :p"),
        s("UPDATE Products SET TotalPriceCurrFact = %1 WHERE ProjectID = :p")
            .arg(f.arg(s("Products.ProdCurrency"), s("Products.TotalCurrency"))),
        s("UPDATE Products SET TotalPriceQuotPrice = COALESCE(TotalProdPrice / NULLIF((100 - TotalPriceComm) / 100.0, "
          "0) / NULLIF((100 - TotalPriceFactorA) / 100.0, 0) / NULLIF((100 - TotalPriceFactorB) / 100.0, 0) * "
          "TotalPriceCurrFact, 0) WHERE ProjectID = :p"),
        s("UPDATE Products SET TotalPriceQuotPriceSum = Qty * (CASE WHEN ABS(TotalPriceQuotRounded) <= 0.000001 THEN "
          "TotalPriceQuotPrice ELSE TotalPriceQuotRounded END), TotalPriceQuotNLLC = Qty * TotalProdPriceNLLC * "
          "TotalPriceCurrFact WHERE ProjectID = :p"),
        s("UPDATE Projects SET ProjPriceProducts = (SELECT COALESCE(SUM(TotalPriceQuotPriceSum), 0) FROM Products "
          "WHERE ProjectID = :p AND Alternate = 0 AND AddOption = 0), ProjPriceProductsNLLC = (SELECT "
          "COALESCE(SUM(TotalPriceQuotNLLC), 0) FROM Products WHERE ProjectID = :p AND Alternate = 0 AND AddOption "
          "= 0) WHERE ID = :p"),
    };
    db::Transaction t(c);
    db::Query q(c);
    for (const QString& sql : statements) {
        q.setSql(sql);
        q.bindValue(s(":p"), projectID);
        q.execSql();
    }
    t.commit();
}

void RecalculateAllAndProject(benchmark::State& state)
{
    const int products = int(state.range(0));
    Installation inst(products);
    TFormData& data = *inst.data;
    db::Connection& c = data.database(s("DatabaseProjects"));

    // Both ways must agree before either is timed.
    sqlPass(c, inst.projectID);
    const double bySql = inst.projectPrice();
    if (!data.RecalculateAllProducts() || !data.RecalculateProject()) {
        state.SkipWithError("the recalculation failed");
        return;
    }
    const double byHandlers = inst.projectPrice();
    if (std::fabs(bySql - byHandlers) > 1e-6 * std::max(1.0, std::fabs(bySql))) {
        state.SkipWithError(QStringLiteral("handlers %1, SQL %2").arg(byHandlers).arg(bySql).toStdString().c_str());
        return;
    }

    double handlerSeconds = 0;
    double sqlSeconds = 0;
    for (auto _ : state) {
        const auto a = Clock::now();
        data.RecalculateAllProducts();
        data.RecalculateProject();
        const auto b = Clock::now();
        state.PauseTiming();
        sqlPass(c, inst.projectID);
        const auto d = Clock::now();
        state.ResumeTiming();
        handlerSeconds += std::chrono::duration<double>(b - a).count();
        sqlSeconds += std::chrono::duration<double>(d - b).count();
    }
    state.counters["price_rows"] = products * (kOwnRows + kAccessories * kRowsPerAccessory);
    state.counters["sql_ms"] = sqlSeconds / double(state.iterations()) * 1000;
    state.counters["ratio"] = sqlSeconds > 0 ? handlerSeconds / sqlSeconds : 0;
}

} // namespace

BENCHMARK(RecalculateAllAndProject)
    ->Arg(50)
    ->Arg(500)
    ->ArgName("products")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

BENCHMARK_MAIN();
