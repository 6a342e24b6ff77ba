#pragma once

#include "db/Schema.h"

#include <QList>
#include <QString>

// The declaration of every table KIRO keeps, written once. Creating a
// database, building the template database, repairing a table, building the
// shipped data and the tests all read these declarations; nothing else
// spells a field's type or width.
//
// Every table carries DBVer text(10) whose declared default is the schema
// version: that default, read back from the file, is how an opened table is
// recognised as being of this structure.
//
// The declarations are built once on first use and never change; all
// functions may be called from any thread.
namespace kiro::schema {

// The databases whose tables are declared here (the product database is
// declared with the configurator).
enum class DatabaseKind { System, Language, Address, Projects, External, Spares };

// The tables of each database that the data module opens at start, in the
// order it opens them. A table opened twice (DetailPrices, Products) is
// listed once, where it is first opened.
QList<db::TableDef> systemTables(); // Currencies, DiscMarg, Users, Series, PrintSeries, Units, UnitTypes, TechData, DOV
QList<db::TableDef> languageTables(); // the 16 Lang* tables
QList<db::TableDef> addressTables();  // Suppliers, Customers, Sales
QList<db::TableDef> projectTables();  // the 24 project tables; also the template database
QList<db::TableDef> externalTables(); // ExternalProducts
QList<db::TableDef> sparesTables();   // Spares

// Tables of the system database that are not opened at start but read on
// demand: PDBOverride (the rules the TORVA link applies to a delivered code).
QList<db::TableDef> systemOnDemandTables();

// Everything a new database of the kind holds: the tables opened at start
// and, for System, the on-demand tables after them.
QList<db::TableDef> databaseTables(DatabaseKind kind);

// The scratch table of the part information dialog, made in the private
// directory. It has the fields of ProdParts but no key and no index: its
// rows are not project rows and get no identifier.
db::TableDef itemListTable();

// Every declaration above once: the databases in opening order, then the
// on-demand and scratch tables.
QList<db::TableDef> allTables();

// Any declared table by name, ignoring letter case. Throws db::DatabaseError
// for a name that is not declared.
const db::TableDef& table(const QString& name);

// The schema version every table's DBVer default carries: "1.4".
QString schemaVersion();

// The column a translated text is stored in: a component's text in an
// interface table (LangMain, LangDialogs, LangMenus, LangToolButtons) or a
// language's text in a keyword table. The declarations above carry only the
// fixed columns and the "UK" language; the language data adds one column of
// this type per component and per further language. Unbounded, because a
// grid's column titles or a message can be long and a cut text is lost.
db::FieldDef translationField(const QString& columnName);

} // namespace kiro::schema
