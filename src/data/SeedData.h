#pragma once

#include "db/Schema.h"

#include <QList>
#include <QString>

namespace kiro {

namespace db {
class Connection;
}

// A database shipped beside the program: its folder name under the program
// directory and its tables in opening order.
struct ShippedDatabase {
    QString folder;
    QList<db::TableDef> tables;
};

// System, Language, Address, Projects, External and Spares.
QList<ShippedDatabase> shippedDatabases();

// Fills a table from a CSV file whose first line names the columns (any
// subset of the table's fields, in any order). Empty cells are null; booleans
// are 1/0 or true/false; date-times ISO 8601; bytes as hexadecimal. Returns
// the number of rows. Throws std::runtime_error naming the file and line.
int loadCsvIntoTable(db::Connection& connection, const db::TableDef& table, const QString& csvPath);

// Creates the database of `directory` (made when missing) with `tables`,
// each filled from `<seedDirectory>/<table>.csv` when that file exists. One
// transaction: a failure leaves no half-filled database behind. Existing
// tables of the same names are replaced.
void createDatabase(const QString& directory, const QList<db::TableDef>& tables, const QString& seedDirectory);

} // namespace kiro
