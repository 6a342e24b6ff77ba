// Benchmarks of the configurator engine on a synthetic series of 50 000
// parts over 20 part types, 16 positions and 30 values per position: a value
// change at position 3 (recomputation from the start) and at position 12,
// the class look-ahead of a 30-entry list, and the part list of a complete
// code. Beside each, in the same run, a bare scan of the same parts in
// memory (every condition string split and tested position by position);
// `ratio` is engine / scan.
#include "app/core/Settings.h"
#include "db/Connection.h"
#include "pdb/PDB.h"
#include "pdb/PdbSchema.h"
#include "support/RecordingInteraction.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>

using namespace kiro;
using namespace kiro::pdb;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kParts = 50000;
constexpr int kTypes = 20;
constexpr int kValues = 30;
const QString kSeries = QStringLiteral("SY");

struct Synthetic {
    Synthetic()
    {
        settings().resetToDefaults();
        settings().pdb().Classes = false;
        createPdbDatabase(dir.path());
        connection.open(dir.path());
        insertRows(connection, QStringLiteral("PDBMain"),
                   {"PUMPSERIE", "PROCENTR", "SELECTION1", "SELECTION2", "ISACC", "PDBVer"},
                   {{kSeries, "DEM", 10, 6, false, "1.80"}});
        QList<QVariantList> headers;
        QList<QVariantList> values;
        for (int p = 3; p <= 16; ++p) {
            headers.append({kSeries, p, 0, "S", QStringLiteral("H%1").arg(p)});
            for (int v = 0; v < kValues; ++v)
                values.append({kSeries, v, p, 1, QString(codeChar(v)), QStringLiteral("V%1_%2").arg(p).arg(v)});
        }
        insertRows(connection, QStringLiteral("PDBHeader"), {"PUMPSERIE", "CODEPOS", "SELGROUP", "SINGLESEL", "SECTHEADER"},
                   headers);
        insertRows(connection, QStringLiteral("PDBSelection"),
                   {"PUMPSERIE", "IMPORTORDER", "CODEPOS", "SELGROUP", "CODE", "SELTEXT"}, values);
        QList<QVariantList> types;
        for (int t = 1; t <= 16; ++t)
            types.append({kSeries, t, 1, t <= 8 ? "Y" : "N", QStringLiteral("Type%1").arg(t)});
        insertRows(connection, QStringLiteral("PDBProdInfo"), {"PUMPSERIE", "PNO", "CATEGORY", "REQUIRED", "PNONAME"},
                   types);
        // Every part restricts a few positions to one to three values.
        std::mt19937 rng(4711);
        QList<QVariantList> parts;
        for (int i = 0; i < kParts; ++i) {
            QStringList fields(16);
            for (int p = 3; p <= 16; ++p) {
                if (rng() % 100 >= 35)
                    continue;
                QString f;
                const int n = 1 + int(rng() % 3);
                for (int k = 0; k < n; ++k)
                    f += codeChar(int(rng() % kValues));
                fields[p - 1] = f;
            }
            const QString codes = fields.join(QLatin1Char(';'));
            conditions.push_back(codes);
            parts.append({kSeries, 1 + int(rng() % kTypes), QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0')),
                          QStringLiteral("P-%1").arg(i), QString(QChar(char16_t(u'A' + rng() % 6))), codes});
        }
        insertRows(connection, QStringLiteral("PDBParts"),
                   {"PUMPSERIE", "PARTTYPE", "SORTORDER", "NAME", "CLASS", "CODES"}, parts);

        PdbEnvironment env;
        env.connection = &connection;
        env.path = dir.path();
        env.version = QStringLiteral("1.80");
        cfg.setEnvironment(env);
        StoredItem item;
        item.series = kSeries;
        item.code = QStringLiteral("SYA1B2C3D4E5F6G7");
        cfg.PDBLoadItem(item, true);
    }

    // The bare scan: every part's condition split and tested against the
    // code from position `from` on; the number of parts that fit.
    int scan(const QString& code, int from) const
    {
        int fit = 0;
        for (const QString& cond : conditions) {
            const QStringList fields = cond.split(QLatin1Char(';'));
            bool ok = true;
            for (int p = from; p <= 16 && ok; ++p) {
                const QString& f = fields[p - 1];
                ok = f.isEmpty() || f.contains(code.at(p - 1));
            }
            fit += ok;
        }
        return fit;
    }

    double scanMs(const QString& code, int from) const
    {
        std::vector<double> runs;
        for (int i = 0; i < 5; ++i) {
            const auto t0 = Clock::now();
            benchmark::DoNotOptimize(scan(code, from));
            runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
        std::sort(runs.begin(), runs.end());
        return runs[runs.size() / 2];
    }

    QTemporaryDir dir;
    db::Connection connection;
    test::RecordingInteraction messages;
    PDBConfigurator cfg;
    std::vector<QString> conditions;
};

Synthetic& synthetic()
{
    static Synthetic s;
    return s;
}

void report(benchmark::State& state, const std::vector<double>& runs, double scanMs)
{
    std::vector<double> sorted = runs;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted.empty() ? 0 : sorted[sorted.size() / 2];
    state.counters["median_ms"] = median;
    state.counters["scan_ms"] = scanMs;
    state.counters["ratio"] = scanMs > 0 ? median / scanMs : 0;
}

// A value change: the row's next value is chosen and everything from that
// position on is recomputed.
void valueChange(benchmark::State& state, int position)
{
    Synthetic& s = synthetic();
    std::vector<double> runs;
    int v = 0;
    for (auto _ : state) {
        const RowView& row = s.cfg.row(position);
        const int entries = int(row.entries.size());
        const auto t0 = Clock::now();
        s.cfg.selectEntry(position, entries > 0 ? (v++ % entries) : -1);
        runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    report(state, runs, s.scanMs(s.cfg.code(), 3));
}

void BM_ValueChangeAt3(benchmark::State& state) { valueChange(state, 3); }
void BM_ValueChangeAt12(benchmark::State& state) { valueChange(state, 12); }

void BM_ClassLookAhead30(benchmark::State& state)
{
    Synthetic& s = synthetic();
    // Position 3 of a pump offers every value: a 30-entry list.
    s.cfg.PDARavova(ActGoLive, 3);
    std::vector<double> runs;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        s.cfg.PDBClassLookAhead(3);
        runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    state.counters["entries"] = double(s.cfg.row(3).entries.size());
    report(state, runs, s.scanMs(s.cfg.code(), 3));
}

void BM_PartListComplete(benchmark::State& state)
{
    Synthetic& s = synthetic();
    std::vector<double> runs;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        s.cfg.FillPartItems(false);
        runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    state.counters["items"] = double(s.cfg.partList().items().size());
    report(state, runs, s.scanMs(s.cfg.code(), 3));
}

} // namespace

BENCHMARK(BM_ValueChangeAt3)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_ValueChangeAt12)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_ClassLookAhead30)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_PartListComplete)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK_MAIN();
