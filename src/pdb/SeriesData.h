#pragma once

#include "pdb/Conditions.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace kiro::db {
class Connection;
}

namespace kiro::pdb {

// One record of PDBMain.
struct SeriesInfo {
    QString proCentr;
    QString series;
    int importOrder = 0;
    int selection1 = 0;
    int selection2 = 0;
    QString pumpText;     // keyword
    QString pumpTextLang; // stored translated name
    bool isAcc = false;
    QString accValidFor;
    bool isPumpDependent = false;
    bool isAccDependent = false;
    int pumpNamePos = 0;
    QString dbSel, dbSelLang, dbParts, dbPartsX, dbDocs, dbDocsX, dbPrice, dbPriceX;
    QString dbComm, dbCommX, dbNotes, dbNotesX, dbInfo;

    int positionCount() const { return selection1 + selection2; }
};

// A keyword table (KeyWord plus one column per language).
class Translations {
public:
    void insert(const QString& keyword, const QString& language, const QString& text);
    // The text in a language; nothing when the keyword or the column has none.
    QString text(const QString& keyword, const QString& language) const;
    // Language, then "UK", then (keywordFallback) the keyword itself.
    QString translate(const QString& keyword, const QString& language, bool keywordFallback) const;
    bool hasLanguage(const QString& language) const { return m_languages.contains(language.toUpper()); }
    bool isEmpty() const { return m_texts.isEmpty(); }

private:
    QHash<QString, QHash<QString, QString>> m_texts; // keyword -> language -> text
    QStringList m_languages;
};

// Every record that carries code conditions.
struct ConditionRecord {
    QString proCentr;
    QString series;
    QString sortOrder;
    QString codes;
    QString pumpCodes;
    QString acceCodes;
    Condition cond;
    Condition pumpCond;
    Condition accCond;
};

struct PartRecord : ConditionRecord {
    int partType = 0;
    QString name;        // article number
    QString description; // keyword
    QString cls;
    int rank = 0;
    QString special;
};

struct PriceRecord : ConditionRecord {
    int partType = 0;
    QString description;
    QString currency;
    QString amount;
    QString discount;
    QString percent;
    QString percentName;
};

struct DocRecord : ConditionRecord {
    bool fromParts = false;
    QString partName;
    QString name;
    QString descr;
};

// Comments, notes and information texts share one layout.
struct TextRecord : ConditionRecord {
    QString name;
};

struct ProdInfoRecord {
    int pno = 0;
    int category = 0;
    QString name; // keyword
    QString required;
};

struct HeaderRecord {
    int codePos = 0;
    int selGroup = 0;
    QString singleSel;
    QString keyword;
};

struct SelectionRecord {
    int importOrder = 0;
    int codePos = 0;
    int selGroup = 0;
    QString code;
    QString keyword;
    QString mulSelVal;
    int forcedMulSelVal = 0;
};

// A record of PDBFactDefault or PDBUserDefault.
struct DefaultRecord {
    std::array<QString, kMaxPositions + 1> code{};
    std::array<int, kMaxPositions + 1> group{};
    std::array<bool, kMaxPositions + 1> lock{};
};

// Per position and code character: the records whose field there accepts
// the character (or has no condition). Built once per series so that the
// parts fitting the positions before a changed one are found without
// reading the others.
class RecordIndex {
public:
    using Bits = std::vector<std::uint64_t>;

    void build(const std::vector<const Condition*>& conditions, const GroupPool& pool);
    int size() const { return m_size; }
    int words() const { return int((m_size + 63) / 64); }
    // Records that pass the position test for `c` at `position` (no groups).
    const Bits& charBits(int position, QChar c) const;
    // Records whose field at `position` has no condition, or whose groups
    // hold 0 or `group`.
    const Bits& groupBits(int position, int group) const;
    Bits all() const;

private:
    int m_size = 0;
    std::array<std::array<Bits, kAlphabetSize + 1>, kMaxPositions + 1> m_char{}; // [p][34] = no condition
    mutable QHash<int, Bits> m_group;
    std::vector<const Condition*> m_conditions;
    const GroupPool* m_pool = nullptr;
};

// The records of one series, as read from its tables. Immutable once loaded.
struct SeriesData {
    SeriesInfo info;
    std::vector<ProdInfoRecord> prodInfo;
    std::vector<HeaderRecord> headers;
    std::vector<SelectionRecord> selections;
    std::vector<PartRecord> parts;
    std::vector<PartRecord> partsX;
    std::vector<PriceRecord> prices, pricesX;
    std::vector<DocRecord> docs, docsX;
    std::vector<TextRecord> comments, commentsX, notes, notesX, infos;
    Translations langProdInfo, langHeader, langSelection, langParts, langPrices, langDocs, langComments,
        langNotes, langInfo;

    // Compilation state: the positions' group layout from the selection
    // values, which every condition is read against.
    GroupPool pool;
    std::array<PositionGroups, kMaxPositions + 1> positions{};
    std::array<GroupSet, kMaxPositions + 1> positionGroups{}; // groups of the values per position
    bool zeroMultiple = false;
    RecordIndex partIndex;
    QStringList dataErrors; // conditions with group items that are not numbers

    // The field of an empty condition at each position (no characters, the
    // position's default groups).
    std::array<CompiledField, kMaxPositions + 1> emptyFields{};

    const GroupSet& groups(const CompiledField& f) const { return pool.at(f.groups); }
    const CompiledField& field(const Condition& c, int p) const { return c.empty ? emptyFields[p] : c.fields[p]; }
    // Reads the conditions of every record against the positions' groups.
    void compile(bool zeroMultipleSeries);
};

// Reads the product database: the series table, and everything of a series.
// Table names come from the series' DB* columns, the default name taking
// over when the named table does not exist. Messages go through the
// message functions; a failure returns nothing.
class SeriesReader {
public:
    explicit SeriesReader(db::Connection& connection);

    std::vector<SeriesInfo> readSeriesTable();
    // The series and keyword columns of LangPDBMain: series -> keyword.
    QHash<QString, QString> readSeriesKeywords();
    // All of a series; nothing (after message "1011") when a table is missing.
    std::shared_ptr<SeriesData> readSeries(const SeriesInfo& info, const QString& language, bool zeroMultiple);
    // A keyword table with all its language columns.
    Translations readLanguageTable(const QString& table);
    std::optional<DefaultRecord> readDefault(const QString& table, const QString& series);
    // Replaces the user defaults of a series by one record.
    void writeUserDefault(const QString& series, const DefaultRecord& record, bool deleteExisting);
    QString versionText();   // PDBVer of the first PDBMain record, "?.?" when absent
    QString dbVersionText(); // declared DBVer of PDBMain, "?.?" on failure

    // The name a table is read under: `named` when it exists, else the
    // default; empty (after message "1011") when neither does.
    QString resolveTable(const QString& named, const QString& defaultName);

private:
    db::Connection& m_connection;
};

} // namespace kiro::pdb
