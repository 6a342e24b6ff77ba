// Benchmarks of the transfer file on a project of 200 products, each with 20
// price rows, 10 technical-data rows, 5 parts and 2 accessories (with 2
// price rows each), every field of every row set:
//
//   WriteAndReadProject      the file written to disk and read back into
//                            another project database (the target: 300 ms)
//   CreateAndInsertDocument  the same through the data module, as a paste
//                            does it: CreateKIROFile, then InsertDocument
//                            with its re-reading of the tables and the
//                            recalculation of every product of the copy
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Dataset.h"
#include "support/RecordingInteraction.h"
#include "support/TestWorkspace.h"
#include "transfer/TransferSupport.h"
#include "tree/DumpFileDocument.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <memory>

using namespace kiro;
using kiro::test::s;

namespace {

constexpr int kProducts = 200;

// Rows of one project, inserted by SQL into `connection`.
void fillProject(db::Connection& connection, const QString& projectID)
{
    db::Transaction transaction(connection);
    int row = 1;
    int id = 0;
    auto insert = [&](const char* table, const QVariantMap& links) {
        QVariantMap values = kiro::test::fullRow(s(table), row++, links);
        if (!values.contains(s("ID")))
            values.insert(s("ID"), QStringLiteral("B%1").arg(++id, 8, 10, QLatin1Char('0')));
        QStringList columns, marks;
        QVariantList bound;
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            columns << connection.quote(it.key());
            marks << s("?");
            bound << it.value();
        }
        db::StatementHandle st = connection.statement(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(s(table), columns.join(u','), marks.join(u',')));
        st->clearBindings();
        for (int i = 0; i < bound.size(); ++i)
            st->bind(i, bound[i]);
        st->step();
    };
    insert("Projects", {{s("ID"), projectID}, {s("Name"), s("Bench")}, {s("Revision"), 1}});
    for (const char* currency : {"EUR", "USD"})
        insert("ProjCurrencies", {{s("ProjectID"), projectID}, {s("Name"), s(currency)}});
    for (int p = 0; p < kProducts; ++p) {
        const QString product = QStringLiteral("%1P%2").arg(projectID).arg(p);
        insert("Products", {{s("ID"), product},
                            {s("ProjectID"), projectID},
                            {s("Order"), p + 1},
                            {s("AlternateFor"), QString()},
                            {s("Alternate"), false}});
        for (int i = 0; i < 20; ++i)
            insert("DetailPrices", {{s("ProductID"), product}, {s("AccessoryID"), QString()}});
        for (int i = 0; i < 10; ++i)
            insert("ProdTechData", {{s("ProductID"), product}});
        for (int i = 0; i < 5; ++i)
            insert("ProdParts", {{s("ParentID"), product}});
        for (int a = 0; a < 2; ++a) {
            const QString accessory = product + QStringLiteral("A%1").arg(a);
            insert("Accessories", {{s("ID"), accessory},
                                   {s("ProductID"), product},
                                   {s("Order"), a + 1},
                                   {s("AlternateFor"), QString()},
                                   {s("Alternate"), false}});
            for (int i = 0; i < 2; ++i)
                insert("DetailPrices", {{s("ProductID"), product}, {s("AccessoryID"), accessory}});
        }
    }
    transaction.commit();
}

void WriteAndReadProject(benchmark::State& state)
{
    kiro::test::ProjectDb source;
    fillProject(source.connection(), s("PRJ"));
    kiro::test::ProjectDb target;
    QTemporaryDir dir;
    const QString path = dir.filePath(s("Bench.KIRO_PRJ"));
    qint64 bytes = 0;
    int rows = 0;
    for (auto _ : state) {
        TDumpFilePut put(path);
        put.WriteHeader({1, s("Bench"), 1});
        put.WriteItem(source.connection(), 1, s("PRJ"));
        put.finish();
        bytes = put.bytes().size();
        // Read inside a transaction that is undone afterwards, so that every
        // round meets the same target.
        db::Transaction scratch(target.connection());
        TDumpFileGet get(path);
        rows = get.ReadDocument(target.connection(), {}).rows;
        state.PauseTiming();
        scratch.rollback();
        state.ResumeTiming();
    }
    state.counters["file_kB"] = double(bytes) / 1024.0;
    state.counters["rows"] = rows;
}
BENCHMARK(WriteAndReadProject)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The two halves apart, to see where the time goes.
void WriteProject(benchmark::State& state)
{
    kiro::test::ProjectDb source;
    fillProject(source.connection(), s("PRJ"));
    for (auto _ : state) {
        TDumpFilePut put(QString{});
        put.WriteHeader({1, s("Bench"), 1});
        put.WriteItem(source.connection(), 1, s("PRJ"));
        benchmark::DoNotOptimize(put.bytes().size());
    }
}
BENCHMARK(WriteProject)->Unit(benchmark::kMillisecond);

void ReadProject(benchmark::State& state)
{
    kiro::test::ProjectDb source;
    fillProject(source.connection(), s("PRJ"));
    TDumpFilePut put(QString{});
    put.WriteHeader({1, s("Bench"), 1});
    put.WriteItem(source.connection(), 1, s("PRJ"));
    kiro::test::ProjectDb target;
    for (auto _ : state) {
        db::Transaction scratch(target.connection());
        TDumpFileGet get(put.bytes(), s("Bench.KIRO_PRJ"));
        benchmark::DoNotOptimize(get.ReadDocument(target.connection(), {}).rows);
        state.PauseTiming();
        scratch.rollback();
        state.ResumeTiming();
    }
}
BENCHMARK(ReadProject)->Unit(benchmark::kMillisecond);

void CreateAndInsertDocument(benchmark::State& state)
{
    kiro::test::TestWorkspace ws;
    ws.layOutDatabases();
    settings().open(ws.workIni());
    kiro::test::RecordingInteraction messages;
    TFormData data;
    data.FormDataCreate();
    if (!data.OpenSession() || !data.OpenSystem() || !data.OpenLang() || !data.OpenProjects()) {
        state.SkipWithError("the databases did not open");
        return;
    }
    db::Connection& projects = data.database(s("DatabaseProjects"));
    fillProject(projects, s("PRJ"));
    data.table(s("TableProjects")).refresh();
    TInsertOptions options;
    options.ask = false;
    for (auto _ : state) {
        const QString path = CreateKIROFile(data, 1, s("PRJ"));
        const TInsertResult r = InsertDocument(data, {}, path, options);
        state.PauseTiming();
        if (r.outcome != TInsertResult::Outcome::Inserted) {
            state.SkipWithError("not inserted");
            break;
        }
        data.table(s("TableProjects")).locate(s("ID"), r.id);
        data.DeleteProjectRow();
        QFile::remove(path);
        state.ResumeTiming();
    }
}
BENCHMARK(CreateAndInsertDocument)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
