// A value change on the configurator tab as the user makes it: the row's
// drop-down list chosen, the engine's recomputation and the redraw of all
// sixteen rows, the series list and the buttons. On the generator's
// synthetic 16-position series (50 000 parts over 20 part types, 30 values
// per position), with the settings' defaults (the class look-ahead of the
// changed list on) and with the look-ahead off. Offscreen.
#include "app/core/Settings.h"
#include "db/Connection.h"
#include "pdb/PDB.h"
#include "pdb/PdbGenerator.h"
#include "pdb/widgets/TabPDB.h"
#include "support/RecordingInteraction.h"

#include <QApplication>
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
        info = generateSyntheticSeries(dir.path());
        connection.open(dir.path());
        PdbEnvironment env;
        env.connection = &connection;
        env.path = dir.path();
        env.version = QStringLiteral("1.80");
        cfg.setEnvironment(env);
        tab = std::make_unique<TTabPDB>(cfg);
        tab->resize(900, 700);
        tab->show();
        load(info.completeCode);
        for (int p = 3; p <= cfg.positionCount(); ++p)
            if (!cfg.row(p).chosenEntry() && !cfg.row(p).entries.empty())
                cfg.selectEntry(p, 0);
        validCode = cfg.code();
        std::printf("series %s: %d positions, %d parts; code %s\n", qPrintable(cfg.series()), cfg.positionCount(),
                    info.parts, qPrintable(validCode));
    }

    void load(const QString& code)
    {
        StoredItem item;
        item.series = code.left(2);
        item.code = code;
        cfg.PDBLoadItem(item, true);
        tab->refresh();
    }

    QTemporaryDir dir;
    SyntheticSeriesInfo info;
    db::Connection connection;
    test::RecordingInteraction messages;
    PDBConfigurator cfg;
    std::unique_ptr<TTabPDB> tab;
    QString validCode;
};

Synthetic& synthetic()
{
    static Synthetic s;
    return s;
}

void valueChange(benchmark::State& state, int position, bool classes)
{
    Synthetic& s = synthetic();
    settings().pdb().Classes = classes;
    s.load(s.validCode);
    TPDBComboBox* combo = s.tab->comboSelection(position);
    const int entries = combo->count();
    const int home = std::max(0, combo->currentIndex());
    std::vector<double> runs;
    int v = 0;
    for (auto _ : state) {
        const int entry = entries > 0 ? (home + (v++ % 2)) % entries : -1;
        const auto t0 = Clock::now();
        combo->setCurrentIndex(entry);
        emit combo->activated(entry);
        QApplication::processEvents();
        runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(runs.begin(), runs.end());
    state.counters["median_ms"] = runs.empty() ? 0 : runs[runs.size() / 2];
    state.counters["max_ms"] = runs.empty() ? 0 : runs.back();
    state.counters["entries"] = double(entries);
    state.counters["target_ms"] = 50;
}

void BM_TabValueChangeAt3(benchmark::State& state) { valueChange(state, 3, true); }
void BM_TabValueChangeAt12(benchmark::State& state) { valueChange(state, 12, true); }
void BM_TabValueChangeAt3NoClasses(benchmark::State& state) { valueChange(state, 3, false); }
void BM_TabValueChangeAt12NoClasses(benchmark::State& state) { valueChange(state, 12, false); }

} // namespace

BENCHMARK(BM_TabValueChangeAt3)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_TabValueChangeAt12)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_TabValueChangeAt3NoClasses)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_TabValueChangeAt12NoClasses)->Unit(benchmark::kMillisecond)->Iterations(30);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
