// Storing a configuration into a project: a demonstration product switched
// between ES1ASS12A4 and ES3BCC24P3, so that every store replaces the parts,
// documents, comments, technical data and price rows, writes a log entry and
// ends with the live reload of the item. The value change before each store
// is not timed. Target: at most 200 ms per store.
#include "app/core/AppContext.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Dataset.h"
#include "pdb/DataPDB.h"
#include "pdb/PDB.h"
#include "pdb/Store.h"
#include "support/RecordingInteraction.h"
#include "support/TestWorkspace.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <stdexcept>

using namespace kiro;
using namespace kiro::pdb;

namespace {

class ProductNode : public PDBStoreHost {
public:
    int selectedNodeKind() const override { return 2; }
};

struct StoreSetup {
    StoreSetup()
    {
        ws.layOutDatabases();
        settings().open(ws.workIni());
        data.FormDataCreate();
        data.bindPricingHandlers();
        data.bindItemRuleHandlers();
        if (!(data.OpenSession() && data.OpenSystem() && data.OpenProjects()))
            throw std::runtime_error("the databases did not open");
        settings().databases().PDB = ws.exeDir() + QStringLiteral("/PDB_1.80/");
        db::Dataset& projects = data.table(QStringLiteral("TableProjects"));
        projects.append();
        projects.fieldByName(QStringLiteral("Name")).setValue(QStringLiteral("Bench"));
        projects.fieldByName(QStringLiteral("ProjCurrency")).setValue(QStringLiteral("EUR"));
        projects.post();
        db::Dataset& c = data.table(QStringLiteral("TableCurrencies"));
        c.append();
        c.fieldByName(QStringLiteral("Name")).setValue(QStringLiteral("EUR"));
        c.fieldByName(QStringLiteral("Factor")).setValue(1);
        c.fieldByName(QStringLiteral("Rate")).setValue(1);
        c.post();
        if (store.CreateProductPDB(false).isEmpty())
            throw std::runtime_error("no product");
        choose(QStringLiteral("ES1ASS12A4"));
        store.StorePDB(StoreFlags::updateComplete());
    }

    void choose(const QString& code)
    {
        cfg.setArtNrText(code);
        cfg.PDARavova(ActArticleNumber);
    }

    test::TestWorkspace ws;
    test::RecordingInteraction messages;
    TFormData data;
    TFormDataPDB dataPDB;
    PDBConfigurator cfg;
    ProductNode host;
    PDBStore store{data, dataPDB, cfg, host};
};

StoreSetup& setup()
{
    static StoreSetup s;
    return s;
}

void BM_StoreConfiguration(benchmark::State& state)
{
    StoreSetup& s = setup();
    int n = 0;
    int failed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.choose(n++ % 2 ? QStringLiteral("ES1ASS12A4") : QStringLiteral("ES3BCC24P3"));
        state.ResumeTiming();
        if (!s.store.StorePDB(StoreFlags::updateComplete()))
            ++failed;
    }
    state.counters["failed"] = double(failed);
    state.counters["parts"] = double(s.data.table(QStringLiteral("TableProdParts")).recordCount());
}

} // namespace

BENCHMARK(BM_StoreConfiguration)->Unit(benchmark::kMillisecond)->Iterations(40);
