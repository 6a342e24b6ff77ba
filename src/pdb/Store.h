#pragma once

#include "pdb/Conditions.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace kiro {
class TFormData;
class TFormDataPDB;
namespace db {
class Dataset;
}
} // namespace kiro

namespace kiro::pdb {

class PDBConfigurator;
struct CurrentParams;

// --- the stored byte blocks ----------------------------------------------------------
//
// GroupCodes: 16 group sets of 13 bytes, position 1 first; group g is bit
// (g mod 8) of byte (g div 8) of its set, bit 0 the least significant.
// SelectionOkValues1to5 / 6to10 / 11to16: the allowed sets of positions 1-5,
// 6-10 and 11-16, 32 bytes each; the character with code c is bit (c mod 8)
// of byte (c div 8) of its set.
inline constexpr int kGroupCodesBytes = 208;
inline constexpr int kGroupSetBytes = 13;
inline constexpr int kCharSetBytes = 32;
inline constexpr int kOkValues1to5Bytes = 160;
inline constexpr int kOkValues6to10Bytes = 160;
inline constexpr int kOkValues11to16Bytes = 192;

using GroupSets = std::array<GroupSet, kMaxPositions + 1>; // [1..16]
using CodeMasks = std::array<CodeMask, kMaxPositions + 1>; // [1..16]

QByteArray groupCodesToBytes(const GroupSets& sets);
// A shorter block leaves the sets it does not reach empty; a longer one is
// read only as far as 16 sets go.
GroupSets groupCodesFromBytes(const QByteArray& bytes);

struct OkValueBlocks {
    QByteArray values1to5;   // 160 bytes
    QByteArray values6to10;  // 160 bytes
    QByteArray values11to16; // 192 bytes
};
OkValueBlocks okValuesToBytes(const CodeMasks& sets);
CodeMasks okValuesFromBytes(const OkValueBlocks& blocks);

// --- documents -----------------------------------------------------------------------

// One product document as the store compares and writes it. make() cuts
// the texts to the record's widths: a longer name keeps its first 20
// characters.
struct TEPMInfo {
    static constexpr int kNameWidth = 20;
    static constexpr int kVersionWidth = 5;
    static constexpr int kDescriptionWidth = 50;
    static constexpr int kAuthorWidth = 50;

    QString Name;
    QString Version;
    QString Description;
    QDateTime Date; // invalid: unknown
    QString Author;

    static TEPMInfo make(const QString& name, const QString& version, const QString& description,
                         const QDateTime& date, const QString& author);
};

// The information block a library document carries after its last "%%EOF":
// lines "name=value"; Author (50), Date (a day number) and Version (10).
struct DocumentInfoBlock {
    QString Author;
    QDateTime Date;
    QString Version;
};
// False when the file cannot be read or has no (or an empty) block.
bool ReadPDFInfo(const QString& path, DocumentInfoBlock& info);

// --- flags of a store ----------------------------------------------------------------

struct StoreFlags {
    bool Valid = false;
    bool UpdatePrices = true;
    bool StoreDocuments = true;
    bool StoreTechData = true;
    bool ShowNotes = true;
    bool StoreParts = true;
    bool ApplyDefaults = false;
    bool IgnoreTORVA = false;

    // The callers' rows.
    static StoreFlags updateComplete() { return {true, true, true, true, true, true, false, false}; }
    static StoreFlags updateIncomplete(bool silent) { return {false, true, true, true, !silent, true, false, false}; }
    static StoreFlags updateTorvaChanged() { return {true, true, true, true, true, true, false, true}; }
    static StoreFlags updateIncompleteTorvaChanged() { return {false, true, true, true, true, true, false, true}; }
    static StoreFlags quickProduct(bool documents, bool techData)
    {
        return {false, false, documents, techData, false, false, false, false};
    }
    static StoreFlags newFromTorva() { return {false, true, true, true, false, false, true, false}; }
    static StoreFlags updatedFromTorva(bool valid) { return {valid, true, true, true, false, false, false, false}; }
};

// --- what the windows do for the store -----------------------------------------------

// The tree, the tab and the dialogs the store needs in the middle of its
// steps. The main window implements it; every member has a harmless default
// so that tests and tools override only what they look at.
class PDBStoreHost {
public:
    virtual ~PDBStoreHost();

    // The kind of the selected tree node (1 project, 2 product, 3 project
    // document, 4 accessory, 5 product document, 102..105 groups); 0 when no
    // node with a payload is selected. The data module's tables stand on it.
    virtual int selectedNodeKind() const { return 0; }

    // The tab: made visible before a load; the version labels (stored
    // version, current version, directory, and whether the old-version label
    // shows); the buttons re-enabled after a successful load, an undo or an
    // update; a repaint.
    virtual void showPDBTab() {}
    virtual void showVersions(const QString& storedVersion, const QString& currentVersion, const QString& directory,
                              bool oldVersion)
    {
        (void)storedVersion, (void)currentVersion, (void)directory, (void)oldVersion;
    }
    virtual void enableButtons() {}
    virtual void repaint() {}

    // The part list window as a dialog with its state (1 choices to make,
    // 2 or 3 required parts missing); false when the user cancelled.
    virtual bool showPartListDialog(int state)
    {
        (void)state;
        return true;
    }
    // The one-line input box; nothing when cancelled.
    virtual std::optional<QString> inputText(const QString& prompt, const QString& value)
    {
        (void)prompt, (void)value;
        return std::nullopt;
    }

    // The selected node after a store: a product node takes PDB := valid and
    // TORVA := torva, rebuilds its documents group and refreshes its image;
    // an accessory node takes PDB := valid and refreshes its image.
    virtual void productNodeStored(bool valid, bool torva) { (void)valid, (void)torva; }
    virtual void accessoryNodeStored(bool valid) { (void)valid; }

    // Creating items. Whether the selected node's project has its Products
    // group, and the selected product its Accessories group.
    virtual bool hasProductsGroup() const { return true; }
    virtual bool hasAccessoriesGroup() const { return true; }
    // The new row is posted and the tables stand on it: add its node, make
    // it visible and select it (an accessory's caption goes into editing),
    // and activate the configurator tab.
    virtual void productCreated(const QString& productID) { (void)productID; }
    virtual void accessoryCreated(const QString& accessoryID) { (void)accessoryID; }
    // TDlgSelAcc: the indexes of the ticked texts in list order; nothing on
    // Cancel.
    virtual std::optional<QList<int>> chooseAccessories(const QStringList& texts)
    {
        (void)texts;
        return std::nullopt;
    }
    // The node selected before the accessories of a pump were created is
    // selected again (the tables follow it).
    virtual void rememberSelection() {}
    virtual void restoreSelection() {}
};

// One line of the quick-product dialog's selected list.
struct QuickProductLine {
    enum Kind { Spare = 0, External = 1, PDB = 2 };
    int kind = Spare;
    QString name;
    QString description;
    QString supplier;
    QString price;
    QString currency;
    QString code;

    // A TAB-separated line: kind, name, description, supplier, price,
    // currency, code. Nothing when the kind is not 0, 1 or 2.
    static std::optional<QuickProductLine> parse(const QString& line);
};

// What UpdatePDB did.
enum class UpdateOutcome {
    Stored,    // stored (valid or not, as judged)
    NotStored, // the user declined, cancelled, or the store stopped
};

// Loading a product's or accessory's stored configuration into the
// configurator, guarding a pending change, judging and storing the
// configuration back into the project, and the commands that create items
// through the configurator.
//
// It works on the data module's current rows: the tree has positioned
// TableProducts (and TableAccessories) on the selected item. A store is
// one transaction on the project database: when any step fails, the item,
// its rows, its prices and its log are as before and the user is told.
// Questions and notices go through the message functions, the rest of the
// user interface through the host. Main thread only.
class PDBStore {
public:
    PDBStore(TFormData& data, TFormDataPDB& dataPDB, PDBConfigurator& configurator, PDBStoreHost& host);

    // --- loading
    // Loads the current product (accessory false) or the current accessory
    // of the current product. live false shows the item as stored. The
    // ExtComplex directory serves a product whose Complex flag is set, and
    // its accessories; otherwise the PDB directory. False when the
    // directory could not be opened (the item is still loaded, the buttons
    // stay disabled).
    bool InitPDB(bool accessory, bool live);
    // The directory an item is configured from.
    static QString directoryFor(bool complex);

    // --- the pending change
    // True when the user may leave the tab, the item or the program.
    // Message "28": Yes stores as the button "Update" does, No undoes,
    // Cancel (or a closed box) keeps the change and gives false.
    bool TabPDBCheckUpdate();
    // Suspended while the main window deletes an item.
    void setCheckSuspended(bool suspended) { m_checkSuspended = suspended; }
    bool checkSuspended() const { return m_checkSuspended; }
    // The button "Undo": action 5, then the buttons.
    void TabPDBBtnUndoClick();
    // The button "Update": out of restored mode, UpdatePDB(false, false),
    // then the buttons.
    UpdateOutcome TabPDBBtnUpdateClick();
    // The node changes: the configurator is emptied.
    void ClearConfigurator();

    // --- judging and storing
    // Messages "25" (incomplete), "26"/"27" (TORVA positions changed, with a
    // comment under message "39" written to the product log). noDialog
    // skips the part list dialog.
    UpdateOutcome UpdatePDB(bool silent, bool noDialog);
    // True when the configuration was written.
    bool StorePDB(const StoreFlags& flags);
    // The documents of the code, with the library's version, date and author;
    // asks "The DOV-version stored in the project differs ..." when a stored
    // document of the same name has another version or date. False when
    // the user said No.
    bool PDBCheckDocumentVersions(std::vector<TEPMInfo>& documents);
    // The values of the code in the item's technical data. Throws
    // db::DatabaseError.
    void TechDataFromPDB(const QString& series, const QString& code, bool accessory);
    // Every property of the series gets a technical-data row of the current
    // product (or accessory), with its unit. Throws db::DatabaseError.
    void TechDataForSeries(const QString& series, bool accessory);

    // --- creating items
    // Appends a product to the selected node's project and opens it live;
    // the new product's ID, empty when nothing was created.
    QString CreateProductPDB(bool complex);
    // Runs the pending-change check first when the tab is the active page.
    QString ProjectNewProductPDB(bool tabActive);
    QString ProjectNewProductExtComplex() { return CreateProductPDB(true); }
    // Appends an accessory with a code to the current product; needs a
    // product, accessory, product document or product group node, otherwise
    // "Select a product (or details accessory, ...)".
    QString CreateAccessoryPDB(const QString& code);
    QString ProjectNewAccPDB() { return CreateAccessoryPDB(QString()); }
    // The accessories of the pump being configured: the ticked ones are
    // created and stored silently; the number created.
    int TabPDBBtnAccessoriesClick();
    // The quick products, in the order given; kind PDB products are stored
    // with PDB false, documents and technical data as the flags say, and
    // the dialog's price. The IDs created.
    QStringList CreateQuickProducts(const QList<QuickProductLine>& lines, bool documents, bool techData);

    // Copies market segment, application and pumped liquid from the product
    // before it in the project (setting PrevProdUse). Throws db::DatabaseError.
    void GetPreviousMarkInfo(const QString& productID);

    // Test and tool seam: the reader of a library document's information
    // block (ReadPDFInfo by default).
    void setDocumentInfoReader(std::function<bool(const QString&, DocumentInfoBlock&)> reader)
    {
        m_readInfo = std::move(reader);
    }

private:
    // The product log entry of a knowing departure from TORVA's positions,
    // written in the store's own transaction.
    struct Violation {
        QString comment;
    };
    bool storePDB(const StoreFlags& flags, const Violation* violation);
    void storeSteps(const StoreFlags& flags, bool accessory, const CurrentParams& params,
                    const std::vector<TEPMInfo>& documents, QStringList& notes, bool& torvaState);
    void resyncTables();
    db::Dataset& t(const char* name) const;

    TFormData& m_data;
    TFormDataPDB& m_dataPDB;
    PDBConfigurator& m_cfg;
    PDBStoreHost& m_host;
    bool m_checkSuspended = false;
    std::function<bool(const QString&, DocumentInfoBlock&)> m_readInfo;
};

} // namespace kiro::pdb
