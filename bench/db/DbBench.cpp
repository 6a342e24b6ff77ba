// Benchmarks of the storage engine. Each reports its figure beside a baseline
// measured in the same run: `ratio` is engine time / baseline time.
#include "db/Connection.h"
#include "db/DataSource.h"
#include "db/Dataset.h"
#include "db/Query.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

using namespace kiro::db;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

constexpr int kRows = 100000;
constexpr int kMasters = 5000;
constexpr int kDetailsPerMaster = 10;

TableDef itemsTable()
{
    TableDef t;
    t.name = "Items";
    t.fields = {FieldDef::text("ID", 33),      FieldDef::text("ProjectID", 33),
                FieldDef::integer("Order"),    FieldDef::text("Name", 50),
                FieldDef::floating("Price"),   FieldDef::boolean("Latest"),
                FieldDef::dateTime("Created"), FieldDef::text("DBVer", 10).withDefault("1.4")};
    t.primaryKey = {"ID"};
    t.indexes = {IndexDef{"Project", {"ProjectID", "Order"}}};
    return t;
}

TableDef mastersTable()
{
    TableDef t;
    t.name = "Masters";
    t.fields = {FieldDef::text("ID", 33), FieldDef::text("Name", 50), FieldDef::text("DBVer", 10).withDefault("1.4")};
    t.primaryKey = {"ID"};
    return t;
}

// One database for the whole run: 100 000 items, 5 000 masters with ten details each.
struct Fixture {
    QTemporaryDir dir;
    Connection db;

    Fixture()
    {
        db.open(dir.path(), Connection::OpenMode::CreateIfMissing);
        db.createTable(itemsTable());
        db.createTable(mastersTable());
        TableDef details = itemsTable();
        details.name = "Details";
        db.createTable(details);
        Transaction t(db);
        {
            auto st = db.statement("INSERT INTO Items VALUES (?,?,?,?,?,?,?,'1.4')");
            QRandomGenerator rng(42);
            for (int i = 0; i < kRows; ++i) {
                st->bind(0, QStringLiteral("20240101%1-ITEM").arg(i, 8, 10, QLatin1Char('0')));
                st->bind(1, QStringLiteral("P%1").arg(int(rng.bounded(2000)), 4, 10, QLatin1Char('0')));
                st->bind(2, int(rng.bounded(100)));
                st->bind(3, QStringLiteral("Pump series %1 with motor").arg(i % 97));
                st->bind(4, rng.bounded(10000.0));
                st->bind(5, rng.bounded(2) == 1);
                st->bind(6, QStringLiteral("2024-01-%1 10:00:00.000").arg(1 + i % 28, 2, 10, QLatin1Char('0')));
                st->step();
                st->reset();
            }
        }
        {
            auto m = db.statement("INSERT INTO Masters VALUES (?,?,'1.4')");
            auto d = db.statement("INSERT INTO Details VALUES (?,?,?,?,?,?,?,'1.4')");
            for (int i = 0; i < kMasters; ++i) {
                const QString id = QStringLiteral("M%1").arg(i, 6, 10, QLatin1Char('0'));
                m->bind(0, id);
                m->bind(1, QStringLiteral("Project %1").arg(i));
                m->step();
                m->reset();
                for (int k = 0; k < kDetailsPerMaster; ++k) {
                    d->bind(0, id + QStringLiteral("-%1").arg(k));
                    d->bind(1, id);
                    d->bind(2, k + 1);
                    d->bind(3, QStringLiteral("Detail %1").arg(k));
                    d->bind(4, 10.0 * k);
                    d->bind(5, k % 2 == 0);
                    d->bind(6, QStringLiteral("2024-02-01 08:00:00.000"));
                    d->step();
                    d->reset();
                }
            }
        }
        t.commit();
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

// The rows read with nothing but the SQLite C API, every column touched.
double bareSqliteWalk(const QString& path, long long& checksum)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const auto t0 = Clock::now();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT rowid, ID, ProjectID, \"Order\", Name, Price, Latest, Created, DBVer FROM Items "
                       "ORDER BY ProjectID, \"Order\", rowid",
                       -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        checksum += sqlite3_column_int64(st, 0);
        for (int c : {1, 2, 4, 7, 8}) {
            const unsigned char* text = sqlite3_column_text(st, c);
            checksum += sqlite3_column_bytes(st, c) + (text ? text[0] : 0);
        }
        checksum += sqlite3_column_int(st, 3) + sqlite3_column_int(st, 6);
        checksum += static_cast<long long>(sqlite3_column_double(st, 5));
    }
    sqlite3_finalize(st);
    const auto t1 = Clock::now();
    sqlite3_close(db);
    return seconds(t0, t1);
}

void BM_OpenIndexedAndWalk(benchmark::State& state)
{
    Fixture& f = fixture();
    double engine = 0;
    double bare = 0;
    long long checksum = 0;
    for (auto _ : state) {
        bare += bareSqliteWalk(f.db.databasePath(), checksum);
        const auto t0 = Clock::now();
        Dataset ds(f.db, "Items");
        ds.setIndexName("Project");
        ds.open();
        const Field id = ds.fieldByName("ID");
        const Field order = ds.fieldByName("Order");
        const Field name = ds.fieldByName("Name");
        const Field price = ds.fieldByName("Price");
        const Field latest = ds.fieldByName("Latest");
        for (ds.first(); !ds.eof(); ds.next()) {
            checksum += id.asString().size() + order.asInteger() + name.asString().size() + latest.asBoolean() +
                        static_cast<long long>(price.asFloat());
        }
        engine += seconds(t0, Clock::now());
    }
    benchmark::DoNotOptimize(checksum);
    state.counters["engine_ms"] = 1000.0 * engine / double(state.iterations());
    state.counters["bare_sqlite_ms"] = 1000.0 * bare / double(state.iterations());
    state.counters["ratio"] = engine / bare;
}
BENCHMARK(BM_OpenIndexedAndWalk)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FilterExpression(benchmark::State& state)
{
    Fixture& f = fixture();
    Dataset ds(f.db, "Items");
    ds.open();
    // The hand-written predicate runs over the same rows, copied into plain structs.
    struct Plain {
        QString projectId;
        bool latest;
    };
    std::vector<Plain> rows;
    rows.reserve(kRows);
    const Field projectId = ds.fieldByName("ProjectID");
    const Field latest = ds.fieldByName("Latest");
    for (ds.first(); !ds.eof(); ds.next()) {
        rows.push_back({projectId.asString(), latest.asBoolean()});
    }
    ds.setFilter("(ProjectID = 'p0042') AND (Latest)");
    double engine = 0;
    double predicate = 0;
    size_t matched = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        std::vector<int> hits;
        hits.reserve(rows.size());
        const QString wanted = QStringLiteral("p0042");
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].projectId.compare(wanted, Qt::CaseInsensitive) == 0 && rows[i].latest) {
                hits.push_back(int(i));
            }
        }
        const auto t1 = Clock::now();
        ds.setFiltered(true);
        const auto t2 = Clock::now();
        matched = size_t(ds.recordCount());
        benchmark::DoNotOptimize(hits.data());
        predicate += seconds(t0, t1);
        engine += seconds(t1, t2);
        state.PauseTiming();
        ds.setFiltered(false);
        state.ResumeTiming();
    }
    state.counters["rows_matched"] = double(matched);
    state.counters["engine_ms"] = 1000.0 * engine / double(state.iterations());
    state.counters["predicate_ms"] = 1000.0 * predicate / double(state.iterations());
    state.counters["ratio"] = engine / predicate;
}
BENCHMARK(BM_FilterExpression)->Unit(benchmark::kMillisecond)->Iterations(20);

// A filter on a date-time column: the rows keep ISO text, the filter gets QDateTime values.
void BM_FilterOnDates(benchmark::State& state)
{
    Fixture& f = fixture();
    Dataset ds(f.db, "Items");
    ds.open();
    ds.setFilter("(Created >= '2024-01-10') AND (Created <= '2024-01-20')");
    double engine = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        ds.setFiltered(true);
        engine += seconds(t0, Clock::now());
        state.counters["rows_matched"] = double(ds.recordCount());
        state.PauseTiming();
        ds.setFiltered(false);
        state.ResumeTiming();
    }
    state.counters["engine_ms"] = 1000.0 * engine / double(state.iterations());
}
BENCHMARK(BM_FilterOnDates)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_MasterDetailScroll(benchmark::State& state)
{
    Fixture& f = fixture();
    Dataset master(f.db, "Masters");
    DataSource source(&master);
    Dataset detail(f.db, "Details");
    detail.setIndexName("Project");
    detail.setMasterSource(&source);
    detail.setMasterFields("ID");
    master.open();
    detail.open();
    std::vector<double> steps;
    steps.reserve(size_t(state.max_iterations));
    long long checksum = 0;
    const Field detailOrder = detail.fieldByName("Order");
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (!master.next()) {
            master.first();
        }
        checksum += detail.recordCount() + detailOrder.asInteger();
        steps.push_back(seconds(t0, Clock::now()));
    }
    benchmark::DoNotOptimize(checksum);
    std::sort(steps.begin(), steps.end());
    state.counters["median_us"] = 1e6 * steps[steps.size() / 2];
    state.counters["p95_us"] = 1e6 * steps[steps.size() * 95 / 100];
    state.counters["details_per_master"] = double(detail.recordCount());
}
BENCHMARK(BM_MasterDetailScroll)->Iterations(20000);

void BM_Locate(benchmark::State& state)
{
    Fixture& f = fixture();
    const bool caseInsensitive = state.range(0) != 0;
    Dataset ds(f.db, "Items");
    ds.setIndexName("Project");
    ds.open();
    QRandomGenerator rng(7);
    std::vector<double> times;
    int found = 0;
    for (auto _ : state) {
        const QString key = QStringLiteral("20240101%1-item").arg(int(rng.bounded(kRows)), 8, 10, QLatin1Char('0'));
        const auto t0 = Clock::now();
        const bool ok = caseInsensitive ? ds.locate("ID", key, LocateOption::CaseInsensitive)
                                        : ds.locate("ID", key.left(key.size() - 4) + QStringLiteral("ITEM"));
        times.push_back(seconds(t0, Clock::now()));
        found += ok ? 1 : 0;
    }
    std::sort(times.begin(), times.end());
    state.counters["found"] = double(found);
    state.counters["median_ms"] = 1e3 * times[times.size() / 2];
    state.counters["max_ms"] = 1e3 * times.back();
}
BENCHMARK(BM_Locate)->Arg(0)->Arg(1)->ArgName("case_insensitive")->Unit(benchmark::kMicrosecond)->Iterations(200);

} // namespace

// main() comes from BENCHMARK_MAIN in FilterBench.cpp, the other source of this program.
