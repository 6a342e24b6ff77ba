#pragma once

#include <QString>

// A large synthetic series for benchmarks: a whole product database with one
// pump series whose parts, selection values, headers and prices are drawn
// from a seeded generator, so that the same options give the same database.
namespace kiro::pdb {

struct SyntheticSeriesOptions {
    QString series = QStringLiteral("ZZ");
    int parts = 50000;
    int partTypes = 20;         // types above 16 have no PDBProdInfo record that counts
    int requiredTypes = 8;      // types 1..requiredTypes are "Y", the rest "N"
    int positions = 16;         // code positions including the two of the series
    int valuesPerPosition = 30; // at most 34 (the code alphabet)
    int prices = 2000;
    unsigned seed = 1;
};

// What was written, for the caller's checks and reports.
struct SyntheticSeriesInfo {
    int parts = 0;
    int selectionValues = 0;
    int prices = 0;
    int multiGroupPosition = 4; // its values are split into groups 1 and 2
    QString completeCode;       // a code that every position of which has a value
};

// Writes the database into `directory` (created when missing; an existing
// database there is replaced) in one transaction. Every part restricts two
// to four positions to a handful of values; position 4 has two selection
// groups. Throws db::DatabaseError or std::runtime_error.
SyntheticSeriesInfo generateSyntheticSeries(const QString& directory, const SyntheticSeriesOptions& options = {});

} // namespace kiro::pdb
