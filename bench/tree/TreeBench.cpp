// Benchmark of the project tree's full rebuild (DBGetProjects) on a project
// database of 5 000 projects with 10 products of 3 accessories each, drawn
// offscreen. Beside it, in the same run, the time of reading the same rows
// with one SQL query per table; `ratio` is rebuild / SQL.
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "support/TestWorkspace.h"
#include "tree/ProjectTree.h"
#include "tree/ThmTreeView.h"
#include "tree/TreeHost.h"

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <stdexcept>

using namespace kiro;

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

constexpr int kProjects = 5000;
constexpr int kProducts = 10;
constexpr int kAccessories = 3;

struct Installation {
    Installation()
    {
        ws.layOutDatabases();
        settings().open(ws.workIni());
        data = std::make_unique<TFormData>();
        data->FormDataCreate();
        data->bindItemRuleHandlers();
        data->bindPricingHandlers();
        if (!data->OpenSession() || !data->OpenSystem() || !data->OpenLang() || !data->OpenProjects())
            throw std::runtime_error("the databases did not open");
        fill();
        data->table(s("TableProjects")).refresh();
    }

    db::Connection& db() { return data->database(s("DatabaseProjects")); }

    static void exec(db::Query& q, const QVariantList& values)
    {
        q.clearBindings();
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values[i]);
        q.execSql();
    }

    // One transaction, one prepared statement per table.
    void fill()
    {
        for (const char* t : {"Projects", "Products", "Accessories", "Documents", "ProdDocuments"})
            db().exec(s("DELETE FROM %1").arg(s(t)));
        db::Transaction transaction(db());
        db::Query project(db(), s("INSERT INTO Projects (ID, Name, Revision, Latest, QuotCustName, QuotHandledBy) "
                                  "VALUES (?, ?, ?, ?, ?, ?)"));
        db::Query product(db(), s("INSERT INTO Products (ID, ProjectID, \"Order\", Tag, Name, Description, Qty, PDB, "
                                  "TORVA, External, Spare, Alternate, AddOption, Complex) "
                                  "VALUES (?, ?, ?, ?, ?, ?, 1, ?, ?, 0, 0, 0, 0, 0)"));
        db::Query accessory(db(), s("INSERT INTO Accessories (ID, ProductID, \"Order\", Tag, Name, Description, Qty, "
                                    "PDB, External, Spare, Alternate, AddOption) "
                                    "VALUES (?, ?, ?, ?, ?, ?, 1, ?, 0, 0, 0, 0)"));
        db::Query document(db(), s("INSERT INTO Documents (ID, ProjectID, Name, External) VALUES (?, ?, ?, 1)"));
        for (int p = 0; p < kProjects; ++p) {
            const QString pid = s("P%1").arg(p, 6, 10, QLatin1Char('0'));
            exec(project, {pid, s("Project %1").arg(p % 2500), p < 2500 ? 1 : 2, p >= 2500,
                           s("Customer %1").arg(p % 97), s("Seller %1").arg(p % 7)});
            exec(document, {pid + s("D"), pid, s("/docs/%1.pdf").arg(pid)});
            for (int i = 1; i <= kProducts; ++i) {
                const QString prid = pid + s("-%1").arg(i, 2, 10, QLatin1Char('0'));
                exec(product, {prid, pid, i, QString::number(i), s("Pump %1").arg(i), s("Station pump"), i % 2 == 0,
                               i % 3 == 0});
                for (int a = 1; a <= kAccessories; ++a)
                    exec(accessory, {prid + s("-%1").arg(a), prid, a, QString::number(a), s("Valve %1").arg(a),
                                     s("Accessory"), a == 1});
            }
        }
        transaction.commit();
    }

    // The same rows, one query per table, each value read once.
    void readWithSql()
    {
        const char* queries[] = {
            "SELECT ID, Name, Revision, Latest, QuotCustName FROM Projects ORDER BY ID",
            "SELECT ID, ProjectID, \"Order\", Name, Tag, Description, Qty, PDB, TORVA, External, Spare, Alternate, "
            "AddOption, Complex FROM Products ORDER BY ProjectID, \"Order\"",
            "SELECT ID, ProductID, \"Order\", Name, Tag, Description, Qty, PDB, External, Spare, Alternate, AddOption "
            "FROM Accessories ORDER BY ProductID, \"Order\"",
            "SELECT ID, ProjectID, Name FROM Documents ORDER BY ProjectID",
            "SELECT ID, ProductID, Name FROM ProdDocuments ORDER BY ProductID",
        };
        for (const char* sql : queries) {
            db::Query q(db(), s(sql));
            q.open();
            const int n = q.fieldCount();
            std::vector<db::Field> fields;
            for (int i = 0; i < n; ++i)
                fields.push_back(q.field(i));
            for (; !q.eof(); q.next()) {
                for (const db::Field& f : fields)
                    benchmark::DoNotOptimize(f.value());
            }
        }
    }

    test::TestWorkspace ws;
    std::unique_ptr<TFormData> data;
};

Installation& installation()
{
    static Installation inst;
    return inst;
}

double secondsOf(const std::function<void()>& work, int runs)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i)
        work();
    return double(timer.nsecsElapsed()) / 1e9 / runs;
}

void BM_DBGetProjects(benchmark::State& state)
{
    Installation& inst = installation();
    ThmTreeView view;
    view.resize(300, 800);
    view.show();
    TreeHost host;
    TProjectTree tree(*inst.data, view, host);
    tree.viewState() = TTreeViewState{};
    QElapsedTimer timer;
    qint64 total = 0;
    for (auto _ : state) {
        timer.start();
        tree.DBGetProjects();
        QApplication::processEvents(); // the first paint of the rebuilt tree
        total += timer.nsecsElapsed();
    }
    const double rebuild = double(total) / 1e9 / double(state.iterations());
    const double sql = secondsOf([&] { inst.readWithSql(); }, 3);
    state.counters["nodes"] = double(view.topLevelItemCount());
    state.counters["rebuild_s"] = rebuild;
    state.counters["sql_s"] = sql;
    state.counters["ratio"] = rebuild / sql;
}
BENCHMARK(BM_DBGetProjects)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same tree sorted by customer (the dataset's own index order).
void BM_DBGetProjectsSorted(benchmark::State& state)
{
    Installation& inst = installation();
    ThmTreeView view;
    TreeHost host;
    TProjectTree tree(*inst.data, view, host);
    tree.viewState() = TTreeViewState{};
    inst.data->table(s("TableProjects")).setIndexFieldNames(s("QuotCustName"));
    for (auto _ : state)
        tree.DBGetProjects();
    inst.data->table(s("TableProjects")).setIndexName(QString());
}
BENCHMARK(BM_DBGetProjectsSorted)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
