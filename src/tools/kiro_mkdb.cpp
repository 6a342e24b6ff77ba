// Lays out the databases shipped beside the program: every database folder
// with its tables and seed rows, and the template database that new and
// repaired project databases are made from.
//
//   kiro_mkdb <seed folder> <program folder> [--replace]
//
// An existing database is left alone unless --replace is given, so that a
// rebuild never throws away what a user entered into the shipped data. The
// product database is the exception: it is issued as a whole and made again
// from its sources every time (the user's own defaults in it are kept).

#include "app/core/Settings.h"
#include "data/SeedData.h"
#include "data/Schema.h"
#include "db/DatabaseError.h"
#include "pdb/PdbSchema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: kiro_mkdb <seed folder> <program folder> [--replace]\n");
        return 2;
    }
    const QString seedRoot = args.at(1);
    const QString exeDir = args.at(2);
    const bool replace = args.contains(QStringLiteral("--replace"));

    try {
        for (const kiro::ShippedDatabase& database : kiro::shippedDatabases()) {
            const QString dir = exeDir + QLatin1Char('/') + database.folder;
            if (!replace && QFileInfo::exists(dir + QStringLiteral("/database.sqlite")))
                continue;
            kiro::createDatabase(dir, database.tables, seedRoot + QLatin1Char('/') + database.folder);
            std::printf("kiro_mkdb: %s\n", qPrintable(QDir::toNativeSeparators(dir)));
        }
        const QString pdbFolder = QStringLiteral("PDB_%1.%2").arg(kiro::kPDBVersionMajor).arg(kiro::kPDBVersionMinor);
        const QString pdbSource = seedRoot + QLatin1Char('/') + pdbFolder;
        if (QFileInfo::exists(pdbSource)) {
            kiro::pdb::buildPdbFromSources(pdbSource, exeDir + QLatin1Char('/') + pdbFolder);
            std::printf("kiro_mkdb: %s\n", qPrintable(QDir::toNativeSeparators(exeDir + QLatin1Char('/') + pdbFolder)));
        }
        // The template database is no user data: it always matches this build.
        kiro::createDatabase(exeDir + QStringLiteral("/Templates"), kiro::schema::projectTables(), QString());
    } catch (const kiro::db::DatabaseError& e) {
        std::fprintf(stderr, "kiro_mkdb: %s\n", qPrintable(e.message()));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kiro_mkdb: %s\n", e.what());
        return 1;
    }
    return 0;
}
