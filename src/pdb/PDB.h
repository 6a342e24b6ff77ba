#pragma once

#include "pdb/PartList.h"
#include "pdb/Resolver.h"
#include "pdb/SeriesData.h"
#include "pdb/SelectionModel.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kiro::db {
class Connection;
}

namespace kiro::pdb {

// The actions of PDARavova.
enum PdbAction : int {
    ActReset = 0,
    ActRestore = 1,
    ActFactoryDefault = 2,
    ActUserDefault = 3,
    ActSetUserDefault = 4,
    ActUndo = 5,
    ActClear = 6,
    ActClearAll = 7,
    ActSeriesChanged = 8,
    ActArticleNumber = 9,
    ActValueChanged = 10,
    ActLockChanged = 11,
    ActPartList = 12,
    ActRelayout = 13,
    ActGoLive = 14,
    ActEnterRestored = 15,
    ActGoLiveIfRestored = 16,
};

// The stored configuration of a product or accessory, as the project keeps
// it, handed to PDBLoadItem.
struct StoredItem {
    bool isAcc = false;
    QString pdbPath;
    QString productionCentre;
    QString series;
    QString name;
    QString code;
    QString codeValid;
    QString userLocks;
    QString cls;
    QString selectionClasses;
    QString selectionTypes;
    QString torvaLocks;      // products
    QString pumpCode;        // accessories: the code and series of the pump
    QString pumpSeries;
    QStringList partNumbers; // seven lines per part
    std::array<CodeMask, kMaxPositions + 1> okValues{};
    std::array<GroupSet, kMaxPositions + 1> groupCodes{};
    QStringList selInfo;     // selection records, eight or nine lines each
    QStringList headers;
    QStringList groups;
    QStringList selections;
    QStringList accDepCodes; // codes of the other accessories of the pump
    QString dbVer;
    QString pdbVer;          // the version the item was stored with
};

// What the product database module tells the configurator about the open
// database.
struct PdbEnvironment {
    db::Connection* connection = nullptr;
    QString path;
    bool isCurrent = true;
    QString version;
    QString dbVersion;
    QString language = QStringLiteral("UK");
};

// The results of PDBGetCurrentParams.
struct CurrentParams {
    QString pdbPath;
    QString pdbVersion;
    QString dbVersion;
    std::array<CodeMask, kMaxPositions + 1> selectionOkValues{};
    std::array<GroupSet, kMaxPositions + 1> groupCodes{};
    QStringList selInfo;
    QStringList selectionGroups;
    QStringList selParams;
    QStringList headerParams;
    QStringList codeParams;
};

// One price type of a retrieval.
struct PriceTypeInfo {
    int pno = 0;
    int matchCount = 0;
    QString productionCentre;
    QString series;
    QString currency;
    QString description;
    QString keyword;
    QString amount;
    QString discountCode;
    QString percent;
    QString percentName;
};

// The configurator: the state of the one product or accessory being
// configured, every action on it, and the results the project stores. It
// reads the product database through its own copy of the current series'
// records and shows its rows through the view model of SelectionModel.h;
// the tab draws them and turns control events into actions. Messages go
// through the message functions. Main thread only.
class PDBConfigurator {
public:
    PDBConfigurator();
    ~PDBConfigurator();
    PDBConfigurator(const PDBConfigurator&) = delete;
    PDBConfigurator& operator=(const PDBConfigurator&) = delete;

    void setEnvironment(const PdbEnvironment& env);
    const PdbEnvironment& environment() const { return m_env; }
    // Forgets the records read so far (another database was opened).
    void invalidateCache();
    // The description prompt of a value with code "X"; without one no
    // description is asked for.
    using InputTextFn = std::function<std::optional<QString>(const QString& prompt, const QString& value)>;
    void setInputText(InputTextFn fn) { m_inputText = std::move(fn); }

    // --- loading and the single entry point
    void PDBLoadItem(const StoredItem& item, bool live);
    bool PDARavova(int action, int position = 0, bool live = false);

    // --- what the controls hand over before an action
    void setSeriesListValue(const QString& series) { m_seriesListValue = series; }
    void setArtNrText(const QString& text) { m_artNrText = text; }
    // The entry chosen in a drop-down row (-1: none); no action.
    void chooseEntry(int position, int entryIndex);
    void setBoxTicked(int position, int box, bool ticked);
    void setLockTicked(int position, bool ticked);
    // Convenience for the tab and tests: choose and run action 10.
    void selectEntry(int position, int entryIndex);
    void selectCode(int position, QChar code);
    void toggleLock(int position, bool ticked);

    // --- state
    const QString& series() const { return m_series; }
    const QString& code() const { return m_code; }
    bool isAcc() const { return m_isAcc; }
    bool restoredMode() const { return m_restoredMode; }
    int positionCount() const { return m_positionCount; }
    const QString& productName() const { return m_productName; }
    const QString& userLocks() const { return m_userLocks; }
    const QString& torvaLocks() const { return m_torvaLocks; }
    const QString& totalClass() const { return m_totalClass; }
    const QString& selectionClasses() const { return m_selectionClasses; }
    QChar positionType(int p) const { return p >= 1 && p <= kMaxPositions ? m_positionType[p] : QChar(u' '); }
    int currentGroup(int p) const { return m_currentGroup[p]; }
    const QString& selectionText(int p) const { return m_selectionText[p]; }
    const QString& headerText(int p) const { return m_headerText[p]; }
    const std::vector<SelInfo>& selInfos(int p) const { return m_selInfo[p]; }
    const AllowedSets& allowedSets() const { return m_resolver.allowedSets; }
    const std::array<GroupSet, kMaxPositions + 1>& groupCodes() const { return m_resolver.groupCodes; }
    const RowView& row(int p) const { return m_rows[p]; }
    QString classLabel(int p) const { return m_resolver.classLabels[p]; }
    const QStringList& infoTexts(int p) const { return m_resolver.infoTexts[p]; }
    bool databaseCurrent() const { return m_env.isCurrent; }
    const SeriesData* seriesData() const { return m_data.get(); }
    const Resolver& resolver() const { return m_resolver; }
    const StoredItem& saved() const { return m_saved; }

    // The series the series list offers now (pump or accessory series).
    std::vector<SeriesInfo> PDBListSeries();
    const QString& seriesListValue() const { return m_seriesListValue; }
    // The article number as shown (the stored valid-code text in restored mode).
    QString articleNumberText() const;

    // --- code helpers
    QString PDBNormalizeCode(const QString& text) const;
    QString PDBNormalizeEnteredCode(const QString& text) const;
    static QString PDBValidateSeries(const QString& text);
    static QString PDBSeriesFromCode(const QString& code);
    QString PDBFormatArtNr(const QString& code) const;
    int PDBGetSelItemNoFromCode(int position, QChar code) const;
    bool CheckCodeValid(int position, int group, QChar code) const;
    bool PDBIsModified() const;
    // The class look-ahead of one drop-down row (when settings key Classes is on).
    void PDBClassLookAhead(int position);

    // --- part list (PartList.cpp)
    const PartListModel& partList() const { return m_partList; }
    PartListModel& partList() { return m_partList; }
    bool partListVisible() const { return m_partListVisible; }
    void setPartListVisible(bool visible) { m_partListVisible = visible; }
    void FillPartItems(bool dialogMode);
    void FillPartItemsFastInit(bool dialogMode);
    void PDBRefreshPartList(bool force, bool dialogMode);
    void FillSelectionCommentList();
    const QStringList& selectionComments() const { return m_selectionComments; }
    int PDBPartListState() const;
    int PDBCheckComplete(int& state);
    bool GetPartListItems(QStringList& list);
    bool PDBGetPartList(QStringList& list) { return GetPartListItems(list); }

    // --- product data (ProductData.cpp)
    bool PDBGetCurrentParams(CurrentParams& out);
    bool PDBGetProductDocuments(QStringList& list);
    bool PDBGetProductPrices(QStringList& list);
    bool PDBGetProductComments(QStringList& list);
    bool PDBGetProductNotes(QStringList& list);
    bool PDBGetAccessories(QStringList& texts, QStringList& codes);
    QString PDBGetDefaultCode(const QString& table, const QString& series);
    const std::vector<PriceTypeInfo>& priceTypes() const { return m_priceTypes; }

    // --- clearing
    void PDBClearGlobalSavedVars();
    void PDBResetState();
    void PDBClearObjects();
    void PDBClearState();

private:
    friend class PdbTestAccess;

    // actions
    void actionRestore(bool live);
    bool PDBGetDefaults(int kind);
    void PDBSetUserDefault();
    void PDBUndo();
    void PDBClear();
    bool PDBClearAll();
    bool PDBSeriesChanged();
    bool PDBArtNrEntered();
    void PDBSelectionChanged(int position);
    void PDBLockChanged(int position);
    bool PDBCheckSeriesMatchesCode();
    bool PDBCheckSeriesAndCode();

    // pipeline
    bool PDBLoadSeries();
    void PDBLoadPartTypes();
    void SetupSelections();
    void loadPositionTypes();
    void PDARavovaCurrentGroups();
    bool recompute();
    void restoredLoad();
    void fillRows(int changedPosition);
    void InitCombo(int p, bool userChanged);
    void IniTHMCheckListBox(int p);
    void PDBHeaderText(int p);
    void PDBShowLocks();
    void PDBShowTORVAMark(int p);
    void PDBProductName();
    void commonRefresh(int action, int position, bool recomputed);
    const SeriesInfo* findSeries(const QString& series);
    std::vector<SeriesInfo>& seriesTable();
    FilterState filterState() const;
    bool savedAtLeast14() const;
    void setCodeChar(int p, QChar c);
    QString trText(const Translations& t, const QString& keyword, bool keywordFallback) const;

    PdbEnvironment m_env;
    InputTextFn m_inputText;
    std::unique_ptr<SeriesReader> m_reader;
    std::optional<std::vector<SeriesInfo>> m_seriesTable;
    std::shared_ptr<SeriesData> m_data;
    QString m_dataKey;
    Resolver m_resolver;

    // item state
    QString m_series;
    QString m_code;
    QString m_productName;
    QString m_userLocks = QString(kMaxPositions, QLatin1Char('F'));
    QString m_torvaLocks;
    QString m_selectionClasses = QString(kMaxPositions, QLatin1Char('?'));
    QString m_totalClass;
    bool m_isAcc = false;
    bool m_isPumpDependent = false;
    bool m_isAccDependent = false;
    QString m_pumpCode;
    QString m_pumpSeries;
    QString m_pdbPath;
    int m_positionCount = 0;
    int m_startPosition = 3;
    bool m_restoredMode = false;
    bool m_seriesLoaded = false;
    QString m_seriesListValue;
    QString m_artNrText;

    // per position [1..16]
    std::array<std::vector<SelInfo>, kMaxPositions + 1> m_selInfo;
    std::array<QString, kMaxPositions + 1> m_selectionText;
    std::array<QString, kMaxPositions + 1> m_headerText;
    std::array<int, kMaxPositions + 1> m_currentGroup{};
    std::array<QChar, kMaxPositions + 1> m_positionType{};
    std::array<RowView, kMaxPositions + 1> m_rows;

    StoredItem m_saved;
    bool m_hasSaved = false;

    // part list and comments
    PartListModel m_partList;
    bool m_partListVisible = false;
    QStringList m_selectionComments;
    std::vector<PriceTypeInfo> m_priceTypes;
};

} // namespace kiro::pdb
