#pragma once

#include "pdb/PdbSchema.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <vector>

namespace kiro {

namespace db {
class Connection;
class Dataset;
} // namespace db

namespace pdb {
struct PdbEnvironment; // pdb/PDB.h
} // namespace pdb

// What the configurator tells the product database module about the item it
// works on: the series filter of the series table, the accessory listing and
// the directory a reopen goes back to all follow it.
struct PDBSeriesContext {
    QString series;     // current series code; empty when none
    bool isAcc = false; // an accessory is configured: accessory series are listed
    QString pumpSeries; // for an accessory: the series of its pump; empty when unknown
    QString pdbPath;    // the directory the item needs; empty: the one opened last
};

// The product database module: the connection DatabasePDB and every table
// component of the product database, found by component name (TableMain,
// TableParts, TableLangSelection, ...). It opens the database, checks its
// version, points the per-series components at the tables a series record
// names, switches the language of the translated lookups and builds the
// filter of the series table.
//
// The product database is read-only; only TableUserDefaults is written. The
// rules that decide which records match a code are not here: the configurator
// installs its record filter on the condition-carrying tables
// (installConditionFilter).
//
// Failures are reported through the message service (never a window of its
// own) and turned into false results. Main thread only.
class TFormDataPDB : public QObject {
    Q_OBJECT
public:
    explicit TFormDataPDB(QObject* parent = nullptr);
    ~TFormDataPDB() override;

    // --- components
    db::Connection& DatabasePDB() const { return *m_database; }
    // Throws db::DatabaseError naming the component when there is none.
    db::Dataset& table(const QString& name) const;
    db::Dataset* findTable(const QString& name) const;
    // Component names in creation order.
    QStringList tableNames() const;
    // TableParts, TablePartsX, TablePrices, TablePricesX, TableDocuments,
    // TableDocumentsX, TableComments, TableCommentsX, TableNotes, TableNotesX, TableInfo.
    QStringList conditionTableNames() const;
    // Sets the record filter of every condition-carrying table and switches
    // their filtering on; an empty handler switches it off.
    void installConditionFilter(const std::function<bool(db::Dataset&)>& filter);

    // --- opening and version
    // Opens the database of a directory; false (after telling the user) when
    // it cannot be used. At start-up with the PDB directory setting.
    virtual bool OpenPDB(const QString& directory);
    bool OpenPDB(const QString& directory, QString& version);
    bool isOpen() const;
    // The directory opened last, ending with '/'.
    const QString& PDBPath() const { return m_path; }
    // The version text of the open database and whether it is at least the
    // expected one (settings of group PDB).
    const QString& PDBVersion() const { return m_version; }
    bool PDBIsCurrent() const { return m_isCurrent; }
    // Reads the version of the open database into `version` and compares it
    // with the expected version. Throws db::DatabaseError when PDBMain cannot
    // be read.
    bool PDBVersionIsCurrent(const QString& path, QString& version);
    // PDBVer of the first series record; "?.?" when the column is absent.
    QString PDBGetVersion();
    // The schema marker of PDBMain; "?.?" on any failure.
    QString PDBGetDBVersion() const;
    // Numeric comparison of "major.minor" texts; a part that is not a number
    // makes the version 0.0.
    static bool VersionAtLeast(const QString& version, int major, int minor);
    static bool PDBVersionAtLeast14(const QString& version);
    // Closes and opens the database again with the item's directory (the
    // context's pdbPath, else the directory opened last).
    bool PDBReopen();
    // What the configurator needs to read the database this module has open:
    // its connection, directory, versions and the active language. The
    // connection is handed over even while closed, so that a configurator
    // holding it sees a later open. After a reopen of the same directory the
    // configurator must also be told to forget its records (invalidateCache).
    pdb::PdbEnvironment environment() const;

    // --- binding
    // True when the table named by the component exists in the database;
    // otherwise the component is pointed at `defaultName` when that exists.
    // Neither: message "1011" with the default table's path, false.
    bool PDBDatabaseExists(db::Dataset& table, const QString& defaultName);
    // Points a component at another table, reopening it when it was open.
    bool PDBBindTable(db::Dataset& table, const QString& name);
    // Opens a component; an error is shown as a plain message. Whether it is open.
    bool PDBOpenTable(db::Dataset& table);
    // Per-series binders: each binds its language table, main and extra
    // table from the series record's DB* columns and opens them.
    bool PDBBindPartTables(const QString& langName = QString(), const QString& partsName = QString(),
                           const QString& partsXName = QString());
    bool PDBBindDocTables();
    bool PDBBindPriceTables();
    bool PDBBindCommentTables();
    bool PDBBindNoteTables();
    bool PDBBindInfoTables();
    // Binds and opens TableHeader/TableLangHeader (default names) and the
    // selection tables from DBSEL/DBSELLANG of the current series; the series
    // level binding of loading a series.
    bool PDBBindHeaderTables();
    bool PDBBindSelectionTables();
    // The DB* columns of a series record (case-insensitive series code),
    // read without moving TableMain; empty when there is no such series.
    QVariantMap PDBSeriesRecord(const QString& series);

    // --- language
    // Switches every translated lookup to a language column; false when a
    // language table lacks the column (those after it keep their language)
    // or on an engine error ("Failed to switch PDB language!").
    bool SetActiveLanguage(const QString& language);
    const QString& PDBLanguage() const { return m_language; }
    // A keyword's text in a language table: the active language's column,
    // else "UK", else the keyword itself (or empty without keywordFallback).
    QString TranslateKeyword(const QString& languageComponent, const QString& keyword, bool keywordFallback = true);
    // The display text of _PUMPTEXT of TableMain's current record.
    QString TableMain_PUMPTEXTGetText();

    // --- series table
    void setSeriesContext(const PDBSeriesContext& context) { m_context = context; }
    const PDBSeriesContext& seriesContext() const { return m_context; }
    // Mode 0: the series list; mode 1: the current series. Message "1016"
    // and an empty text for any table but TableMain.
    QString MakeTableFilter(db::Dataset& table, int mode);
    // Index and filter of TableMain for listing pump or accessory series.
    void PDBListSeries();
    // The record filter of TableMain: an accessory series is offered only to
    // the pumps its ACCVALIDFOR names.
    bool TableMainFilterRecord(db::Dataset& table);

    // Two code characters of the code alphabet, upper-cased; empty otherwise.
    static QString ValidSeries(const QString& series);

private:
    struct Group {
        const char* lang;    // component of the language table
        const char* langDefault;
        const char* main;
        const char* mainColumn;
        const char* extra;   // nullptr: no extra table
        const char* extraColumn;
    };

    db::Dataset& addTable(const QString& component, pdb::PdbTable kind);
    void addLookup(const QString& component, const QString& field, const QString& keyField, const QString& langComponent,
                   int width);
    bool bindGroup(const Group& group, bool requireMain);
    bool openInOrder(const QList<db::Dataset*>& tables);
    bool connectedOrReopened();
    bool switchLookup(const QString& langComponent, const QString& owner, const QString& field, const QString& language);

    // Texts of a language table by keyword, rebuilt when the table is re-read.
    struct TextCache {
        QString source;
        quint64 generation = ~quint64(0);
        QString language;
        QHash<QString, QString> texts;
    };

    std::unique_ptr<db::Connection> m_database;
    std::vector<std::unique_ptr<db::Dataset>> m_tables;
    QHash<QString, db::Dataset*> m_byName;
    QStringList m_names;
    QString m_path;
    QString m_version;
    bool m_isCurrent = false;
    QString m_language = QStringLiteral("UK");
    PDBSeriesContext m_context;
    QHash<QString, TextCache> m_textCache;
};

} // namespace kiro
