#include "pdb/PdbSchema.h"

#include "data/Csv.h"
#include "data/Schema.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Query.h"
#include "db/Value.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <memory>
#include <stdexcept>

namespace kiro::pdb {

namespace {

using F = db::FieldDef;
using db::IndexDef;
using db::TableDef;

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

F text(const char* name, int width)
{
    return F::text(s(name), width);
}
F shortInt(const char* name)
{
    return F::shortInt(s(name));
}
F flag(const char* name)
{
    return F::boolean(s(name)).withDefault(s("False"));
}
F dbVer()
{
    return F::text(s("DBVer"), 10).withDefault(schema::schemaVersion());
}

// The columns every rule table starts with.
QList<F> common()
{
    return {text("PROCENTR", 3), text("PUMPSERIE", 2)};
}
F sortOrder()
{
    return text("SORTORDER", 9).asRequired();
}

// Rule tables are read in series and sort order; the index lets the engine
// hand them over in that order without sorting.
IndexDef bySortOrder()
{
    return {s("IDX_SORTORDER"), {s("PUMPSERIE"), s("SORTORDER")}, false, false};
}

TableDef make(const QString& name, QList<F> fields, QList<IndexDef> indexes = {})
{
    fields.append(dbVer());
    TableDef t;
    t.name = name;
    t.fields = std::move(fields);
    t.indexes = std::move(indexes);
    return t;
}

TableDef mainTable(const QString& name)
{
    QList<F> f = {
        text("PUMPSERIE", 2),
        shortInt("IMPORTORDER"),
        text("PROCENTR", 3),
        shortInt("SELECTION1"),
        text("PUMPTEXT", 5),
        text("PUMPTEXT_LANG", 50),
        shortInt("SELECTION2"),
        flag("ISACC"),
        text("ACCVALIDFOR", 50),
        flag("ISPUMPDEPENDENT"),
        flag("ISACCDEPENDENT"),
        shortInt("PUMPNAMEPOS"),
        text("DBSEL", 13),
        text("DBSELLANG", 17),
    };
    for (const char* c : {"DBPARTS", "DBPARTSX", "DBDOCS", "DBDOCSX", "DBPRICE", "DBPRICEX", "DBCOMM", "DBCOMMX",
                          "DBNOTES", "DBNOTESX", "DBINFO", "DBINFOX", "DBINFOEXTRA"})
        f << text(c, 8);
    f << text("PDBVer", 10);
    return make(name, f,
                {{s("IDX_IMPORTORDER"), {s("IMPORTORDER")}, false, false},
                 {s("IDX_PUMPTEXT_LANG"), {s("PUMPTEXT_LANG")}, false, true},
                 {s("IDX_PUMPSERIE"), {s("PUMPSERIE")}, false, true}});
}

TableDef prodInfoTable(const QString& name)
{
    return make(name,
                common() + QList<F>{shortInt("PNO"), shortInt("CATEGORY"), text("PNONAME", 41), text("REQUIRED", 6),
                                    text("CURRENCY", 3), text("MESSAGE", 255), text("FILE1", 12), text("FILE2", 12),
                                    text("FILE3", 12)},
                {{s("IDX_PNO"), {s("PUMPSERIE"), s("CATEGORY"), s("PNO")}, false, false}});
}

TableDef headerTable(const QString& name)
{
    return make(name,
                common() + QList<F>{shortInt("CODEPOS"), shortInt("SELGROUP"), text("SINGLESEL", 1),
                                    text("SECTHEADER", 6)},
                {{s("IDX_CODEPOS"), {s("PUMPSERIE"), s("CODEPOS"), s("SELGROUP")}, false, false}});
}

TableDef selectionTable(const QString& name)
{
    return make(name,
                common() + QList<F>{shortInt("IMPORTORDER"), shortInt("CODEPOS"), shortInt("SELGROUP"),
                                    text("CODE", 1), text("SELTEXT", 7), text("MULSELVAL", 32),
                                    shortInt("FORCEDMULSELVAL")},
                {{s("IDX_CODEPOS"), {s("PUMPSERIE"), s("CODEPOS"), s("IMPORTORDER")}, false, false}});
}

TableDef partsTable(const QString& name)
{
    return make(name,
                common() + QList<F>{shortInt("PARTTYPE"), sortOrder(), text("NAME", 50), text("DESCRIPTION", 50),
                                    text("CLASS", 1), text("SPECIAL", 100), text("SIGN", 10), text("ACCECODES", 70),
                                    text("PUMPCODES", 90), text("CODES", 160)},
                {bySortOrder()});
}

TableDef pricesTable(const QString& name)
{
    return make(name,
                common() + QList<F>{shortInt("PARTTYPE"), text("DESCRIPTION", 100), sortOrder(), text("CURRENCY", 3),
                                    text("AMOUNT", 30), text("DISCOUNT", 3), shortInt("PERCENT"),
                                    text("PERCENTNAME", 10), text("PUMPCODES", 150), text("ACCECODES", 150),
                                    text("CODES", 150)},
                {bySortOrder()});
}

TableDef docsTable(const QString& name)
{
    return make(name,
                common() + QList<F>{sortOrder(), flag("FROMPARTS"), text("PARTNAME", 50), text("NAME", 25),
                                    text("DESCR", 30), text("PUMPCODES", 100), text("ACCECODES", 255),
                                    text("CODES", 100)},
                {bySortOrder()});
}

// Comments, notes and information texts share one layout; only the widths
// of the conditions differ.
TableDef textTable(const QString& name, int pumpWidth, int accWidth, int codesWidth)
{
    return make(name,
                common() + QList<F>{sortOrder(), text("NAME", 120), text("PUMPCODES", pumpWidth),
                                    text("ACCECODES", accWidth), text("CODES", codesWidth)},
                {bySortOrder()});
}

TableDef defaultTable(const QString& name)
{
    QList<F> f;
    for (int n = 1; n <= 16; ++n)
        f << F::text(defaultColumn("CODE", n), 1);
    for (int n = 1; n <= 16; ++n)
        f << F::integer(defaultColumn("GROUP", n));
    for (int n = 1; n <= 16; ++n)
        f << F::boolean(defaultColumn("LOCK", n)).withDefault(s("False"));
    return make(name, f, {{s("IDX_SERIES"), {s("CODE01"), s("CODE02")}, false, false}});
}

TableDef productsTable(const QString& name)
{
    return make(name, {text("Name", 50), text("Item", 30), text("Description", 100), text("Code", 20),
                       text("Supplier", 10), F::floating(s("Price")), text("Currency", 3)});
}

// Keywords are matched exactly, so the key column is as wide as the widest
// column whose keyword it translates (a comment's NAME: 120).
TableDef languageTable(const QString& name, const QStringList& languages, bool withSeries)
{
    QList<F> f;
    if (withSeries)
        f << text("PRODSERIE", 2);
    f << text("KeyWord", 255);
    for (const QString& language : languages)
        f << schema::translationField(language);
    TableDef t = make(name, f, {{s("IDX_KEYWORD"), {s("KeyWord")}, false, false}});
    return t;
}

} // namespace

QList<PdbTable> allPdbTables()
{
    QList<PdbTable> all;
    for (int k = int(PdbTable::Main); k <= int(PdbTable::LangInfo); ++k)
        all << PdbTable(k);
    return all;
}

QString defaultTableName(PdbTable table)
{
    switch (table) {
    case PdbTable::Main: return s("PDBMain");
    case PdbTable::ProdInfo: return s("PDBProdInfo");
    case PdbTable::Header: return s("PDBHeader");
    case PdbTable::Selection: return s("PDBSelection");
    case PdbTable::Parts: return s("PDBParts");
    case PdbTable::PartsX: return s("PDBPartsX");
    case PdbTable::Prices: return s("PDBPrices");
    case PdbTable::PricesX: return s("PDBPricesX");
    case PdbTable::Docs: return s("PDBDocs");
    case PdbTable::DocsX: return s("PDBDocsX");
    case PdbTable::Comments: return s("PDBComm");
    case PdbTable::CommentsX: return s("PDBCommX");
    case PdbTable::Notes: return s("PDBNote");
    case PdbTable::NotesX: return s("PDBNoteX");
    case PdbTable::Info: return s("PDBInfo");
    case PdbTable::FactDefault: return s("PDBFactDefault");
    case PdbTable::UserDefault: return s("PDBUserDefault");
    case PdbTable::Products: return s("PDBProducts");
    case PdbTable::LangMain: return s("LangPDBMain");
    case PdbTable::LangProdInfo: return s("LangPDBProdInfo");
    case PdbTable::LangHeader: return s("LangPDBHeader");
    case PdbTable::LangSelection: return s("LangPDBSelection");
    case PdbTable::LangParts: return s("LangPDBParts");
    case PdbTable::LangDocs: return s("LangPDBDocs");
    case PdbTable::LangComments: return s("LangPDBComments");
    case PdbTable::LangNotes: return s("LangPDBNotes");
    case PdbTable::LangPrices: return s("LangPDBPrices");
    case PdbTable::LangInfo: return s("LangPDBInfo");
    }
    return QString();
}

QString seriesColumn(PdbTable table)
{
    switch (table) {
    case PdbTable::Selection: return s("DBSEL");
    case PdbTable::LangSelection: return s("DBSELLANG");
    case PdbTable::Parts: return s("DBPARTS");
    case PdbTable::PartsX: return s("DBPARTSX");
    case PdbTable::Docs: return s("DBDOCS");
    case PdbTable::DocsX: return s("DBDOCSX");
    case PdbTable::Prices: return s("DBPRICE");
    case PdbTable::PricesX: return s("DBPRICEX");
    case PdbTable::Comments: return s("DBCOMM");
    case PdbTable::CommentsX: return s("DBCOMMX");
    case PdbTable::Notes: return s("DBNOTES");
    case PdbTable::NotesX: return s("DBNOTESX");
    case PdbTable::Info: return s("DBINFO");
    default: return QString();
    }
}

bool tableForSeriesColumn(const QString& column, PdbTable& table)
{
    for (PdbTable t : allPdbTables()) {
        const QString c = seriesColumn(t);
        if (!c.isEmpty() && c.compare(column, Qt::CaseInsensitive) == 0) {
            table = t;
            return true;
        }
    }
    return false;
}

bool isLanguageTable(PdbTable table)
{
    return int(table) >= int(PdbTable::LangMain);
}

bool hasConditions(PdbTable table)
{
    return int(table) >= int(PdbTable::Parts) && int(table) <= int(PdbTable::Info);
}

QStringList defaultLanguages()
{
    return {s("UK"), s("SE")};
}

QString defaultColumn(const char* prefix, int position)
{
    return s(prefix) + QStringLiteral("%1").arg(position, 2, 10, QLatin1Char('0'));
}

db::TableDef tableDef(PdbTable table, const QString& name, const QStringList& languages)
{
    const QString n = name.isEmpty() ? defaultTableName(table) : name;
    switch (table) {
    case PdbTable::Main: return mainTable(n);
    case PdbTable::ProdInfo: return prodInfoTable(n);
    case PdbTable::Header: return headerTable(n);
    case PdbTable::Selection: return selectionTable(n);
    case PdbTable::Parts:
    case PdbTable::PartsX: return partsTable(n);
    case PdbTable::Prices:
    case PdbTable::PricesX: return pricesTable(n);
    case PdbTable::Docs:
    case PdbTable::DocsX: return docsTable(n);
    case PdbTable::Comments:
    case PdbTable::CommentsX: return textTable(n, 255, 255, 255);
    case PdbTable::Notes:
    case PdbTable::NotesX: return textTable(n, 130, 255, 130);
    case PdbTable::Info: return textTable(n, 130, 130, 130);
    case PdbTable::FactDefault:
    case PdbTable::UserDefault: return defaultTable(n);
    case PdbTable::Products: return productsTable(n);
    case PdbTable::LangMain: return languageTable(n, languages, true);
    default: return languageTable(n, languages, false);
    }
}

void createPdbDatabase(const QString& directory, const QStringList& languages)
{
    if (!QDir().mkpath(directory))
        throw db::DatabaseError(QStringLiteral("Could not create directory '%1'").arg(directory));
    db::Connection connection;
    connection.open(directory, db::Connection::OpenMode::CreateIfMissing);
    db::Transaction transaction(connection);
    for (PdbTable t : allPdbTables())
        connection.createTable(tableDef(t, QString(), languages), true);
    transaction.commit();
}

void createSeriesTable(db::Connection& connection, PdbTable table, const QString& name, const QStringList& languages)
{
    connection.createTable(tableDef(table, name, languages), true);
}

void insertRows(db::Connection& connection, const QString& table, const QStringList& columns,
                const QList<QVariantList>& rows)
{
    const db::TableDef def = connection.tableDef(table);
    QList<const db::FieldDef*> fields;
    QStringList quoted;
    QStringList marks;
    for (const QString& column : columns) {
        const db::FieldDef* f = def.field(column);
        if (!f)
            throw db::DatabaseError(QStringLiteral("Table '%1' has no field '%2'").arg(table, column));
        fields << f;
        quoted << connection.quote(f->name);
        marks << QStringLiteral("?");
    }
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(connection.quote(def.name), quoted.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    db::Transaction transaction(connection);
    for (const QVariantList& row : rows) {
        if (row.size() > fields.size())
            throw db::DatabaseError(
                QStringLiteral("Table '%1': a row has %2 values for %3 columns").arg(table).arg(row.size()).arg(fields.size()));
        db::StatementHandle st = connection.statement(sql);
        for (qsizetype c = 0; c < fields.size(); ++c) {
            const db::FieldDef& f = *fields.at(c);
            const QVariant v = c < row.size() ? row.at(c) : QVariant();
            st->bind(int(c), db::value::toStorage(v, f.type, f.size, f.name));
        }
        while (st->step()) {
        }
    }
    transaction.commit();
}

namespace {

QString csvPath(const QString& dir, const QString& table)
{
    return dir + QLatin1Char('/') + table + QStringLiteral(".csv");
}

QList<QVariantList> csvRows(const QList<QStringList>& rows)
{
    QList<QVariantList> out;
    for (qsizetype r = 1; r < rows.size(); ++r) {
        QVariantList values;
        for (const QString& cell : rows.at(r))
            values << (cell.isEmpty() ? QVariant() : QVariant(cell));
        out << values;
    }
    return out;
}

} // namespace

void buildPdbFromSources(const QString& sourceDir, const QString& directory)
{
    const QDir source(sourceDir);
    if (!source.exists())
        throw std::runtime_error(QStringLiteral("'%1' does not exist").arg(sourceDir).toStdString());

    // The languages the sources bring.
    QStringList languages{s("UK")};
    for (const QString& file : source.entryList({s("Lang*.csv")}, QDir::Files, QDir::Name)) {
        const QList<QStringList> rows = readCsvFile(source.filePath(file));
        if (rows.isEmpty())
            continue;
        for (const QString& column : rows.first()) {
            const QString c = column.trimmed();
            if (c.compare(s("KeyWord"), Qt::CaseInsensitive) != 0 && c.compare(s("PRODSERIE"), Qt::CaseInsensitive) != 0
                && !c.isEmpty() && !languages.contains(c, Qt::CaseInsensitive))
                languages << c;
        }
    }

    // Every table the sources may fill: the default names, and the names the
    // series records give.
    QHash<QString, PdbTable> tables; // lower-case name -> kind
    QHash<QString, QString> spelled;  // lower-case name -> name as written
    for (PdbTable t : allPdbTables()) {
        tables.insert(defaultTableName(t).toLower(), t);
        spelled.insert(defaultTableName(t).toLower(), defaultTableName(t));
    }
    const QString mainCsv = csvPath(sourceDir, defaultTableName(PdbTable::Main));
    if (QFileInfo::exists(mainCsv)) {
        const QList<QStringList> rows = readCsvFile(mainCsv);
        if (!rows.isEmpty()) {
            const QStringList header = rows.first();
            for (qsizetype c = 0; c < header.size(); ++c) {
                PdbTable kind;
                if (!tableForSeriesColumn(header.at(c).trimmed(), kind))
                    continue;
                for (qsizetype r = 1; r < rows.size(); ++r) {
                    const QString name = c < rows.at(r).size() ? rows.at(r).at(c).trimmed() : QString();
                    if (name.isEmpty())
                        continue;
                    const auto known = tables.constFind(name.toLower());
                    if (known != tables.constEnd() && *known != kind)
                        throw std::runtime_error(QStringLiteral("'%1', record %2: the table %3 is named for two kinds of data")
                                                     .arg(mainCsv).arg(r).arg(name).toStdString());
                    tables.insert(name.toLower(), kind);
                    spelled.insert(name.toLower(), name);
                }
            }
        }
    }
    for (const QString& file : source.entryList({s("*.csv")}, QDir::Files, QDir::Name)) {
        const QString name = QFileInfo(file).completeBaseName();
        if (!tables.contains(name.toLower()))
            throw std::runtime_error(QStringLiteral("'%1': no product database table is called %2")
                                         .arg(source.filePath(file), name).toStdString());
    }

    if (!QDir().mkpath(directory))
        throw std::runtime_error(QStringLiteral("Could not create directory '%1'").arg(directory).toStdString());

    // The user's own defaults survive a new issue of the database.
    QStringList userColumns;
    QList<QVariantList> userRows;
    const QString file = directory + QStringLiteral("/database.sqlite");
    if (QFileInfo::exists(file)) {
        {
            db::Connection old;
            old.open(directory);
            const QString userTable = defaultTableName(PdbTable::UserDefault);
            if (old.tableExists(userTable)) {
                const db::TableDef def = tableDef(PdbTable::UserDefault);
                for (const db::FieldDef& f : def.fields) {
                    if (f.name != QLatin1String("DBVer") && old.tableDef(userTable).field(f.name))
                        userColumns << f.name;
                }
                db::Query q(old, QStringLiteral("SELECT %1 FROM %2").arg(userColumns.join(QLatin1Char(',')), userTable));
                for (q.open(); !q.eof(); q.next()) {
                    QVariantList row;
                    for (const QString& c : std::as_const(userColumns))
                        row << q.value(c);
                    userRows << row;
                }
            }
        }
        if (!QFile::remove(file))
            throw std::runtime_error(QStringLiteral("Could not replace '%1'").arg(file).toStdString());
    }

    db::Connection connection;
    connection.open(directory, db::Connection::OpenMode::CreateIfMissing);
    db::Transaction transaction(connection);
    for (auto it = tables.constBegin(); it != tables.constEnd(); ++it)
        connection.createTable(tableDef(it.value(), spelled.value(it.key()), languages), true);
    for (const QString& f : source.entryList({s("*.csv")}, QDir::Files, QDir::Name)) {
        const QString path = source.filePath(f);
        const QString name = spelled.value(QFileInfo(f).completeBaseName().toLower());
        const QList<QStringList> rows = readCsvFile(path);
        if (rows.isEmpty())
            continue;
        QStringList columns;
        for (const QString& c : rows.first())
            columns << c.trimmed();
        const QList<QVariantList> values = csvRows(rows);
        try {
            insertRows(connection, name, columns, values);
        } catch (const db::DatabaseError&) {
            // Again row by row, to name the record that fails.
            for (qsizetype r = 0; r < values.size(); ++r) {
                try {
                    db::Transaction probe(connection);
                    insertRows(connection, name, columns, {values.at(r)});
                } catch (const db::DatabaseError& e) {
                    throw std::runtime_error(
                        QStringLiteral("'%1', record %2: %3").arg(path).arg(r + 1).arg(e.message()).toStdString());
                }
            }
            throw;
        }
    }
    if (!userRows.isEmpty())
        insertRows(connection, defaultTableName(PdbTable::UserDefault), userColumns, userRows);
    transaction.commit();
}

} // namespace kiro::pdb
