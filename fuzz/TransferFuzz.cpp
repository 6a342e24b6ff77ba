// libFuzzer target for the transfer file reader: every input is inserted
// with InsertDocument into a scratch project database, inside a transaction
// that is rolled back afterwards, so that each input meets the same
// database. Besides the sanitizers' findings it aborts when a file that was
// refused left rows behind, or when an accepted one reports no new item.
//
// KIRO_FUZZ_SEEDS=<dir> makes the first run write the transfer files of
// the demo projects, products and accessories there, as a seed corpus.

#include "app/core/AppContext.h"
#include "app/core/Interaction.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "data/Schema.h"
#include "data/SeedData.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "tree/DumpFile.h"
#include "tree/DumpFileDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace kiro;

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

class QuietInteraction : public Interaction {
public:
    int showMessage(const MessageRequest& request) override { return request.defaultCode ? request.defaultCode : 1; }
    void showPlainMessage(const QString&) override {}
    QStringList chooseFiles(const FileRequest&) override { return {}; }
};

struct Scratch {
    QTemporaryDir root;
    QuietInteraction interaction;
    TFormData* data = nullptr;
    QString projectID;
    QString productID;
    QString input;
    QString countSql;
};

Scratch* g_scratch = nullptr;

[[noreturn]] void die(const char* what, const QString& detail = QString())
{
    std::fprintf(stderr, "kiro_fuzz_transfer: %s %s\n", what, detail.toLocal8Bit().constData());
    std::abort();
}

int totalRows(Scratch& sc)
{
    db::Query q(sc.data->database(s("DatabaseProjects")), sc.countSql);
    q.open();
    return q.field(0).asInteger();
}

void rereadTables(Scratch& sc)
{
    for (db::Dataset* t : sc.data->tablesOf(sc.data->database(s("DatabaseProjects")))) {
        if (!t->isActive())
            continue;
        if (t->state() != db::DatasetState::Browse)
            t->cancel();
        t->refresh();
    }
}

void writeSeeds(Scratch& sc, const QString& dir)
{
    QDir().mkpath(dir);
    db::Connection& projects = sc.data->database(s("DatabaseProjects"));
    int n = 0;
    for (const auto& [kind, table] :
         {std::pair{1, "Projects"}, std::pair{2, "Products"}, std::pair{4, "Accessories"}}) {
        db::Query q(projects, QStringLiteral("SELECT ID FROM %1 ORDER BY rowid LIMIT 4").arg(s(table)));
        QStringList ids;
        for (q.open(); !q.eof(); q.next())
            ids << q.field(0).asString();
        q.close();
        for (const QString& id : std::as_const(ids)) {
            const QString path = CreateKIROFile(*sc.data, kind, id, QStringLiteral("seed%1").arg(++n));
            QFile::remove(dir + QStringLiteral("/seed%1").arg(n));
            QFile::copy(path, dir + QStringLiteral("/seed%1").arg(n));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    auto* sc = new Scratch;
    const QString root = sc->root.path();
    for (const char* d : {"exe", "work", "tmp"})
        QDir(root).mkpath(s(d));
    qputenv("TMPDIR", (root + s("/tmp")).toLocal8Bit());
    QDir::setCurrent(root + s("/work"));
    setInteraction(&sc->interaction);
    kiro::app().setExeDir(root + s("/exe"));
    // The demo projects only to write seeds from; the inputs meet a project
    // database that holds one project with one product, so that reading the
    // tables again after each input costs little.
    const QByteArray seeds = qgetenv("KIRO_FUZZ_SEEDS");
    const QString seed = s(KIRO_FUZZ_SOURCE_DIR) + s("/resources/db/");
    for (const ShippedDatabase& database : shippedDatabases()) {
        const bool demo = database.folder != s("Projects") || !seeds.isEmpty();
        createDatabase(root + s("/exe/") + database.folder, database.tables, demo ? seed + database.folder : QString());
    }
    if (seeds.isEmpty()) {
        db::Connection projects;
        projects.open(root + s("/exe/Projects"));
        projects.exec(s("INSERT INTO Projects (ID, Name, Revision) VALUES ('FUZZPRJ', 'Fuzz', 1);"
                        "INSERT INTO Products (ID, ProjectID, Name, \"Order\") VALUES ('FUZZPRD', 'FUZZPRJ', 'P', 1)"));
    }
    createDatabase(root + s("/exe/Templates"), schema::projectTables(), QString());
    settings().open(root + s("/work/KIRO.INI"));
    kiro::app().setCurrentUserID(s("FUZZ"));
    kiro::app().setCurrentUserName(s("Fuzz"));

    sc->data = new TFormData;
    sc->data->FormDataCreate();
    if (!(sc->data->OpenSession() && sc->data->OpenSystem() && sc->data->OpenLang() && sc->data->OpenProjects()))
        die("the scratch databases do not open");
    // The scratch database need not survive a crash: no waiting for the disk.
    sc->data->database(s("DatabaseProjects")).exec(s("PRAGMA synchronous = OFF; PRAGMA journal_mode = MEMORY"));
    db::Dataset& projects = sc->data->table(s("TableProjects"));
    db::Dataset& products = sc->data->table(s("TableProducts"));
    if (projects.isEmpty() || products.isEmpty())
        die("the demo project database has no product");
    sc->projectID = projects.fieldByName(s("ID")).asString();
    sc->productID = products.fieldByName(s("ID")).asString();
    sc->input = root + s("/tmp/input.KIRO_PRJ");
    QStringList counts;
    for (const db::TableDef& def : schema::projectTables())
        counts << QStringLiteral("(SELECT COUNT(*) FROM %1)").arg(def.name);
    sc->countSql = s("SELECT ") + counts.join(s(" + "));
    g_scratch = sc;

    if (!seeds.isEmpty())
        writeSeeds(*sc, QString::fromLocal8Bit(seeds));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    Scratch& sc = *g_scratch;
    {
        QFile f(sc.input);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            die("cannot write the input file");
        f.write(reinterpret_cast<const char*>(bytes), qint64(size));
    }
    // A product goes to the project, an accessory to the product.
    const bool accessory = size > 16 && bytes[16] == 4;
    const TInsertTarget target{accessory ? 2 : 1, sc.projectID, sc.productID};
    TInsertOptions options;
    options.ask = false;

    db::Connection& projects = sc.data->database(s("DatabaseProjects"));
    const int before = totalRows(sc);
    {
        db::Transaction scratch(projects);
        const TInsertResult result = InsertDocument(*sc.data, target, sc.input, options);
        const int after = totalRows(sc);
        switch (result.outcome) {
        case TInsertResult::Outcome::Inserted:
            if (result.id.isEmpty() || after <= before)
                die("inserted without a new item");
            break;
        case TInsertResult::Outcome::Failed:
            if (result.error.isEmpty())
                die("failed without saying why");
            [[fallthrough]];
        default:
            if (after != before)
                die("rows left behind by a refused file:", result.error);
            break;
        }
        scratch.rollback();
    }
    rereadTables(sc);
    // Back on the same project and product for the next input.
    sc.data->table(s("TableProjects")).locate(s("ID"), sc.projectID);
    sc.data->table(s("TableProducts")).locate(s("ID"), sc.productID);
    return 0;
}
