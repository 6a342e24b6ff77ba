#pragma once

#include "db/Schema.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace kiro::db {
class Connection;
}

// The tables of the product database, declared once: the build of the
// shipped PDB, the synthetic series generator and the tests all create them
// from here.
//
// A product database is a directory holding database.sqlite. Most tables
// exist under their default names; the tables that hold one series' rules
// (selection values, parts, prices, documents, comments, notes, information
// texts) may also exist under the names a series record gives in its DB*
// columns, with the same layout.
//
// A fixture PDB in a test:
//
//     kiro::pdb::createPdbDatabase(dir);                 // every table, empty, languages UK and SE
//     db::Connection c;  c.open(dir);
//     kiro::pdb::insertRows(c, "PDBMain",
//         {"PUMPSERIE", "SELECTION1", "SELECTION2", "ISACC", "PDBVer"},
//         {{"ES", 6, 2, false, "1.80"}});
//     kiro::pdb::createSeriesTable(c, kiro::pdb::PdbTable::Parts, "ESParts");  // a table named by DBPARTS
//     kiro::pdb::insertRows(c, "ESParts", {"PUMPSERIE", "PARTTYPE", "SORTORDER", "NAME", "CODES"},
//         {{"ES", 1, "001", "P-1", ";;A"}});
//
// then open it with TFormDataPDB::OpenPDB(dir). insertRows binds its values
// (no quoting worries) and runs in one transaction.
//
// The declarations never change after first use; any thread.
namespace kiro::pdb {

enum class PdbTable {
    Main,        // PDBMain: one record per series
    ProdInfo,    // PDBProdInfo: part types and price types
    Header,      // PDBHeader: row labels and kinds of the code positions
    Selection,   // PDBSelection (DBSEL): the values of the positions
    Parts,       // PDBParts (DBPARTS)
    PartsX,      // PDBPartsX (DBPARTSX)
    Prices,      // PDBPrices (DBPRICE)
    PricesX,     // PDBPricesX (DBPRICEX)
    Docs,        // PDBDocs (DBDOCS)
    DocsX,       // PDBDocsX (DBDOCSX)
    Comments,    // PDBComm (DBCOMM)
    CommentsX,   // PDBCommX (DBCOMMX)
    Notes,       // PDBNote (DBNOTES)
    NotesX,      // PDBNoteX (DBNOTESX)
    Info,        // PDBInfo (DBINFO)
    FactDefault, // PDBFactDefault
    UserDefault, // PDBUserDefault, the one table the program writes
    Products,    // PDBProducts: the quick-product list
    LangMain,    // LangPDBMain: series names, and series code -> keyword
    LangProdInfo,
    LangHeader,
    LangSelection, // LangPDBSelection (DBSELLANG)
    LangParts,
    LangDocs,
    LangComments,
    LangNotes,
    LangPrices,
    LangInfo,
};

// Every kind, in the order a new database is created.
QList<PdbTable> allPdbTables();

// "PDBParts", "LangPDBSelection", ...
QString defaultTableName(PdbTable table);
// The column of PDBMain that names this table for a series ("DBPARTS"); empty
// for the tables that are always used under their default names.
QString seriesColumn(PdbTable table);
// The kind whose DB* column this is (case-insensitive); false when none.
bool tableForSeriesColumn(const QString& column, PdbTable& table);
bool isLanguageTable(PdbTable table);
// The tables whose records carry code conditions (CODES, PUMPCODES, ACCECODES).
bool hasConditions(PdbTable table);

// The declaration under `name` (the default name when empty). Language tables
// get one translation column per entry of `languages` after KeyWord.
db::TableDef tableDef(PdbTable table, const QString& name = QString(),
                      const QStringList& languages = {QStringLiteral("UK"), QStringLiteral("SE")});

// The languages of the demonstration data and of a fixture made without naming any.
QStringList defaultLanguages();

// Creates `directory` (when missing) with every table under its default
// name, empty; existing tables of those names are replaced. One transaction.
void createPdbDatabase(const QString& directory, const QStringList& languages = defaultLanguages());

// Creates one table of a kind under another name (a table a DB* column names).
void createSeriesTable(db::Connection& connection, PdbTable table, const QString& name,
                       const QStringList& languages = defaultLanguages());

// Appends rows to a table: each row holds the values of `columns` in that
// order (null for a missing trailing value). Text is cut to the declared
// width, as the datasets do. One transaction; throws db::DatabaseError.
void insertRows(db::Connection& connection, const QString& table, const QStringList& columns,
                const QList<QVariantList>& rows);

// Builds a product database from text sources: `<sourceDir>/<Table>.csv`
// for every table that has rows, under its default name or under a name
// that a DB* column of PDBMain.csv gives (such a table is created with the
// layout of its kind). The first line of a file names its columns; an empty
// cell is null; booleans 1/0. The languages are the columns of the Lang*
// files besides KeyWord and PRODSERIE.
//
// The database of `directory` is replaced as a whole (tables of an earlier
// build that the sources no longer name are gone); the rows of
// PDBUserDefault, which the user writes, are carried over. Throws
// std::runtime_error naming the file and record.
void buildPdbFromSources(const QString& sourceDir, const QString& directory);

// The 16 columns of a default record: "CODE01".."CODE16" and likewise GROUP, LOCK.
QString defaultColumn(const char* prefix, int position);

} // namespace kiro::pdb
