// Benchmarks of the configurator engine on the generator's synthetic series
// (generateSyntheticSeries: 50 000 parts over 20 part types, 16 positions,
// 30 values per position): a value change at position 3 (recomputation from
// the start) and at position 12, the class look-ahead of a 30-entry list, and
// the part list of a complete code. Beside each, in the same run, a bare scan
// of the same parts in memory (every condition string split and tested
// position by position); `ratio` is engine / scan.
#include "app/core/Settings.h"
#include "db/Connection.h"
#include "db/Query.h"
#include "pdb/PDB.h"
#include "pdb/PdbGenerator.h"
#include "support/RecordingInteraction.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

using namespace kiro;
using namespace kiro::pdb;

namespace {

using Clock = std::chrono::steady_clock;

struct Synthetic {
    Synthetic()
    {
        settings().resetToDefaults();
        // The look-ahead of the changed list is measured on its own.
        settings().pdb().Classes = false;
        info = generateSyntheticSeries(dir.path());
        connection.open(dir.path());
        db::Query q(connection, QStringLiteral("SELECT CODES FROM PDBParts"));
        for (q.open(); !q.eof(); q.next())
            conditions.push_back(q.field(0).asString());

        PdbEnvironment env;
        env.connection = &connection;
        env.path = dir.path();
        env.version = QStringLiteral("1.80");
        cfg.setEnvironment(env);
        // The generator's code need not be allowed everywhere: keep each of
        // its values that the rows offer and take the first offered entry
        // elsewhere, so that every figure is taken on a code the parts allow.
        load(info.completeCode);
        for (int p = 3; p <= cfg.positionCount(); ++p)
            if (!cfg.row(p).chosenEntry() && !cfg.row(p).entries.empty())
                cfg.selectEntry(p, 0);
        validCode = cfg.code();
        std::printf("series %s: %d parts, %d selection values; code %s (generated %s)\n",
                    qPrintable(cfg.series()), info.parts, info.selectionValues, qPrintable(validCode),
                    qPrintable(info.completeCode));
    }

    void load(const QString& code)
    {
        StoredItem item;
        item.series = code.left(2);
        item.code = code;
        cfg.PDBLoadItem(item, true);
    }

    // The bare scan: every part's condition split and tested against the
    // code from position `from` on (a group prefix is skipped); the number of
    // parts that fit.
    int scan(const QString& code, int from) const
    {
        int fit = 0;
        for (const QString& cond : conditions) {
            const QStringList fields = cond.split(QLatin1Char(';'));
            bool ok = true;
            for (int p = from; p <= 16 && p <= fields.size() && ok; ++p) {
                QStringView f = fields[p - 1];
                if (const qsizetype colon = f.indexOf(QLatin1Char(':')); colon >= 0)
                    f = f.mid(colon + 1);
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
    SyntheticSeriesInfo info;
    db::Connection connection;
    test::RecordingInteraction messages;
    PDBConfigurator cfg;
    std::vector<QString> conditions;
    QString validCode;
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

// A value change: the row switches between its value in the valid code and
// the next entry, and everything from that position on is recomputed.
void valueChange(benchmark::State& state, int position)
{
    Synthetic& s = synthetic();
    s.load(s.validCode);
    const RowView& row = s.cfg.row(position);
    const int entries = int(row.entries.size());
    const int home = std::max(0, row.chosen);
    std::vector<double> runs;
    int v = 0;
    for (auto _ : state) {
        const int entry = entries > 0 ? (home + (v++ % 2)) % entries : -1;
        const auto t0 = Clock::now();
        s.cfg.selectEntry(position, entry);
        runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    state.counters["entries"] = double(entries);
    report(state, runs, s.scanMs(s.validCode, 3));
}

void BM_ValueChangeAt3(benchmark::State& state) { valueChange(state, 3); }
void BM_ValueChangeAt12(benchmark::State& state) { valueChange(state, 12); }

void BM_ClassLookAhead30(benchmark::State& state)
{
    Synthetic& s = synthetic();
    // Position 3 of a pump offers every value: a 30-entry list.
    s.load(s.validCode);
    std::vector<double> runs;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        s.cfg.PDBClassLookAhead(3);
        runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    state.counters["entries"] = double(s.cfg.row(3).entries.size());
    report(state, runs, s.scanMs(s.validCode, 3));
}

void BM_PartListComplete(benchmark::State& state)
{
    Synthetic& s = synthetic();
    s.load(s.validCode);
    std::vector<double> runs;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        s.cfg.FillPartItems(false);
        runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    state.counters["items"] = double(s.cfg.partList().items().size());
    report(state, runs, s.scanMs(s.validCode, 3));
}

} // namespace

BENCHMARK(BM_ValueChangeAt3)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_ValueChangeAt12)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_ClassLookAhead30)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_PartListComplete)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK_MAIN();
