#pragma once

#include "data/SessionRegistry.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kiro {

namespace db {
class Connection;
class Dataset;
class DataSource;
class Query;
} // namespace db

// The central data module: owns every database connection, table, query
// and data source of the session for the whole run. Other code finds a
// component by its name (TableProducts, SourceProjects, QueryTemp), as the
// transfer file and the report templates do.
//
// It shows no windows: failures are reported through the message service,
// and progress through the progress display. The open operations return
// true on success; on failure they have already told the user. They are
// virtual so that a session can be replaced as a whole (a server database
// later, a failing one in tests).
//
// Main thread only.
class TFormData : public QObject {
    Q_OBJECT
public:
    explicit TFormData(QObject* parent = nullptr);
    ~TFormData() override;

    // Runs once after a successful logon: directory settings, the private
    // directory, and a closed session.
    void FormDataCreate();

    bool privateDirOK() const { return m_privateDirOK; }
    const QString& privateDir() const { return m_privateDir; }
    bool SetupPrivateDir();
    bool CleanupPrivateDir();

    virtual bool OpenSession();
    virtual bool OpenSystem();
    virtual bool OpenLang();
    virtual bool OpenAddress();
    virtual bool OpenProjects();
    virtual bool OpenExternal();
    virtual bool OpenSpares();
    virtual bool CloseSession();
    bool CloseSystem();
    bool CloseLang();
    bool CloseProjects();
    bool CloseAddress();
    bool CloseExternal();
    bool CloseSpares();

    // Opens a table when it is closed and checks its schema-version marker;
    // throws EDBToolsError "Could not open table '%s'!" otherwise.
    void OpenVerifiedTable(db::Dataset& table);

    bool sessionOpen() const { return m_session.isOpen(); }
    const SessionRegistry& session() const { return m_session; }
    // Whether the project database is connected (title and menus follow it).
    virtual bool projectsConnected() const;
    // The directory of the connected project database.
    virtual QString projectsDirectory() const;

    // Whether a password grants champion access (the system database's
    // Access table keeps its salted hash); false without such a row.
    bool ChampionPasswordMatches(const QString& password);

    // Looks the logon name up in the user table (exact match): full name
    // and sales company.
    virtual bool UsersFindFullName(const QString& id, QString& name, QString& company);

    // --- components
    // Connections: DatabaseSystem, DatabaseLanguage, DatabaseAddress,
    // DatabaseProjects, DatabaseExternal, DatabaseSpares, DatabasePrivate.
    db::Connection& database(const QString& name) const;
    // Throws db::DatabaseError naming the component when there is none.
    db::Dataset& table(const QString& name) const;
    db::Dataset* findTable(const QString& name) const;
    db::DataSource& source(const QString& name) const;
    db::Query& query(const QString& name) const;
    // Table components in creation order.
    QStringList tableNames() const;
    // The components of the project tables (those carrying Tag 1), in
    // component order; a table viewed twice appears twice.
    QList<db::Dataset*> projectTableComponents() const;
    // The tables a database opens, in opening order.
    QList<db::Dataset*> tablesOf(const db::Connection& connection) const;

    // The identifier of a new row: UTC date and time, four digits and the
    // end of a fresh GUID; 33 characters, never the one returned before.
    static QString SetUniqueID();

    // --- language (Language.cpp) --------------------------------------------
    // Positions the interface tables on a language and switches the
    // system-side lookups; false when the language is not in LangMain (the
    // tables then stay where they were) or the tables are closed.
    bool SetLangSystem(const QString& language);
    // Switches the project-side lookups; false on any error, which is not
    // reported. A language without a column in a keyword table keeps that
    // table's previous column.
    bool SetLangProject(const QString& language);
    // The language the interface tables stand on; empty before the first
    // SetLangSystem.
    QString GetActiveLanguage() const;
    // A column of an interface table (TableLangMain, TableLangDialogs, ...)
    // on the active language's row; nullopt when there is no such column.
    std::optional<QString> interfaceText(const QString& tableComponent, const QString& column) const;
    // The main window's selectors that show keyword texts follow too.
    void setProjectLanguageHook(std::function<void(const QString&)> hook) { m_projectLanguageHook = std::move(hook); }

    // --- item identity, order and state; the activity log -------------------
    // (declarations of ItemRules.cpp and Log.cpp)
    //
    // The rules run as handlers of the tables' events. bindItemRuleHandlers()
    // puts them behind whatever the other handlers of the data module bound
    // to the same events and fields, so it runs last; a second call does
    // nothing. Operations that stand for a whole user action (the moves and
    // the deletions) report a failure through the message service, leave the
    // database as it was and give false; the steps a larger action is made
    // of (copying reference data, revision numbers) throw db::DatabaseError
    // so that the caller's transaction rolls back as a whole.
    void bindItemRuleHandlers();

    // Order 1..N, dense, in the present order of the items of the current
    // parent (the rows `items` shows).
    bool ReorderItems(db::Dataset& items);
    // Swap Order with the previous or next item; false when there is none.
    bool MoveItemUp(db::Dataset& items);
    bool MoveItemDown(db::Dataset& items);
    // An alternative takes the Tag of the item it is an alternative for.
    void UpdateTag(db::Dataset& items);
    // Change handlers of Alternate, AlternateFor and AddOption.
    void UpdateProductState(db::Dataset& products, const QString& fieldName);
    void UpdateAccessoryState(db::Dataset& accessories, const QString& fieldName);
    // Writes the flags into the current product's price rows of the accessory.
    void UpdateDetailPriceAddAlt(const QString& accessoryID, bool addOption, bool alternate);
    // Change handler of Projects.Name, Revision and QuotCustName.
    void UpdateProjectState(db::Dataset& projects, const QString& fieldName);
    // The items a product or accessory may be made an alternative for.
    bool TableAltProductsFilterRecord(db::Dataset& candidates);
    bool TableAltAccessoriesFilterRecord(db::Dataset& candidates);

    // Reference data of a new project, from the system tables.
    void CopySystemCurrencies(const QString& projectID);
    void CopySystemDiscounts(const QString& projectID);
    // The highest revision of a project name; 0 when there is none.
    int MaxRevision(const QString& name);
    // Gives the copy of a project the next revision of its name and makes it
    // the only latest one; returns that revision.
    int SetNewRevision(const QString& copyID);
    // Every series gets a row in DiscMarg and in PrintSeries.
    void SyncSeriesTables();

    // Each deletion is one transaction that also removes every row owned by
    // the deleted row; items that were alternatives for it become ordinary
    // items.
    bool DeleteAccessoryRow(db::Dataset& accessories);
    bool DeleteProductRow(db::Dataset& products);
    bool DeleteCustomerOrder();
    bool DeletePurchaseOrder();
    bool DeleteProjectRow();

    // The guard on technical data received from TORVA.
    bool TORVAIsViolated();
    bool TORVASetViolation();
    void TableProdTechDataBeforeScroll(db::Dataset& techData);

    // Appends an entry to the log of the current project (kind 1), product
    // (2) or accessory (3); false for any other kind and when the row could
    // not be written. Never reports anything itself.
    bool AddLogEntry(int kind, const QString& name, const QString& source, const QString& comment,
                     const QString& user, const QString& description, const QString& severity);

    // What the rules ask of the windows. Whether the project node selected
    // in the tree belongs to this project (the product rules act only then;
    // without a check they always act).
    void setSelectedProjectCheck(std::function<bool(const QString& projectID)> check);
    // The one-line input dialog: true with the text on OK. Without one, every
    // request counts as cancelled.
    void setTextInput(std::function<bool(const QString& prompt, QString& value)> input);

Q_SIGNALS:
    // The tree refreshes the node's caption and icon (nothing when it has no
    // node with that ID).
    void projectLabelChanged(const QString& projectID);
    void productLabelChanged(const QString& productID);
    void accessoryLabelChanged(const QString& accessoryID);
    // Order of an item changed: re-sort the node among its siblings. Kind 2
    // product, 4 accessory.
    void itemOrderChanged(int kind, const QString& itemID);
    // The product's TORVA data were knowingly departed from: clear the
    // node's TORVA mark and icon.
    void productTorvaViolated(const QString& productID);

public:
    // --- end of item identity, order and state ------------------------------

    // --- price calculation and the price options -----------------------------
    // (declarations of Pricing.cpp and the option handlers)
    //
    // Prices are recomputed by the tables' own events: a changed input field
    // recalculates its row, a posted row the sums above it. Every handler has
    // its own re-entry flag, so the fields it writes do not run it again.
    // Stored amounts are never rounded. A multi-row operation runs in one
    // transaction on the project database; when it fails, the database and
    // the tables are as before and the error is reported (the operations
    // of the main window) or thrown on (the handlers, to whoever set the
    // field or posted the row).

    // Binds the price handlers to the tables' events and fields and adds the
    // calculated fields of Projects; call once, before the tables open.
    void bindPricingHandlers();

    // F(from, to): OneToOne(from) / OneToOne(to) in the current project's
    // currencies; 0 when either is missing.
    double GetCurrFact(const QString& from, const QString& to);
    // OneToOne := Rate / Factor of the current row of a currency table. A
    // Factor of 0 is refused with a message and the previous one restored.
    void UpdateCurrencies(db::Dataset& currencies);
    // The price row (DetailPrices) or additional-cost row (DetailAddCosts)
    // the dataset stands on: list price to quotation price.
    void UpdateDetailedPrice(db::Dataset& prices);
    void UpdateDetailedAddCosts(db::Dataset& addCosts);
    // Defaults of new rows; the row's data-change handler is detached while
    // they are written.
    void TableAddCostsNewRecord(db::Dataset& addCosts);
    void TableProjAddCostsNewRecord(db::Dataset& lines);
    void TableProjPackTransNewRecord(db::Dataset& lines);
    // Product totals after a price row or an additional-cost row changed.
    void TableProdPricesAfterPost(db::Dataset& prices);
    void TableAddCostsAfterPost(db::Dataset& addCosts);
    void SourceAddCostsDataChange(db::DataSource& source, const QString& field);
    // The quotation line of a product, ProjAddCosts or ProjPackTrans row.
    void UpdateProjectPriceProducts(db::Dataset& line);
    void UpdateProjectPrice(db::Dataset& line);
    // Project totals after a line was posted or deleted.
    void TableProductsAfterPost(db::Dataset& products);
    void TableProjAddCostsAfterPost(db::Dataset& lines);
    void TableProjPackTransAfterPost(db::Dataset& lines);
    void SourceProjAddCostsDataChange(db::DataSource& source, const QString& field);
    void SourceProjPackTransDataChange(db::DataSource& source, const QString& field);
    void TableProjectsCalcFields(db::Dataset& projects);
    // Order rows and order sums.
    void UpdateCustPriceProducts(db::Dataset& rows);
    void UpdatePurchPriceProducts(db::Dataset& rows);
    void TableCustOrdRowsAfterPost(db::Dataset& rows);
    void TablePurchOrdRowsAfterPost(db::Dataset& rows);
    // The accessory's quantity into its price rows.
    void TableAccessoriesQtyChange(db::Dataset& accessories);
    // The current product's totals from all its price and additional-cost
    // rows, for changes that bypassed the views (rows deleted by SQL).
    // Throws db::DatabaseError.
    void UpdateProductTotals();

    // Discount of a price level and margin of a series in the current
    // project; 0 when there is no such row or level.
    double SeriesDiscount(const QString& series, const QString& level);
    double SeriesMargin(const QString& series);
    // Sets Discount and Contribution of every price row of the current
    // product (of every product of the project) from the project's discount
    // levels and margins. Reported and false on failure.
    bool ApplyDiscMargToProduct();
    bool ApplyDiscMargToProject();

    // The main window's operations. Each reports its own failure and gives
    // false then.
    bool RecalculateProduct();
    bool RecalculateAllProducts();
    bool RecalculateProject();
    // The project currency picked on the quotation page.
    bool TabQuotDataCurrencyClick(const QString& currency);
    // The currency names of the current project, in table order.
    QStringList GetProjCurrencies();
    // A key pressed in the manual price field (a Qt::Key); true when it was
    // Enter and the field's text is to be selected.
    bool TabQuotDataPriceManualKeyDown(int key);

    // The grids whose column titles set a value in every row.
    enum class PriceGrid { QuotationProducts, ProductPrices, AccessoryPrices, AddCosts, ProjAddCosts, ProjPackTrans };
    enum class ColumnAction { None, ValuesSet, Cancelled, OpenDiscounts, ExternalPrice, Failed };
    // The one-line input box: caption, prompt, value; true on OK.
    using ValueInput = std::function<bool(const QString& caption, const QString& prompt, QString& value)>;
    // A click on the title of `column` (its caption `title`). OpenDiscounts
    // means the caller opens the discount options instead.
    ColumnAction SetProjectFactor(PriceGrid grid, const QString& column, const QString& title, const ValueInput& input);
    // Fetches a local list price from an outside source: a hook only.
    void GetPriceFromExternalSource();

    // One price item of a configured code.
    struct PriceItem {
        QString keyword;
        QString level;
        QString description;
        QString listPrice; // as text, the way the price rows keep it
        QString currency;
    };
    // The configurator's price items; nothing when none can be got.
    using PriceItemSource = std::function<std::optional<QList<PriceItem>>()>;
    // Stores the price items into the current product's own rows, or into
    // the current accessory's rows; false when nothing was stored.
    bool UpdatePrice(bool toAccessory, const PriceItemSource& items);

    // The tree selects again the node that was selected before a column-wide
    // change.
    void setReselectNodeHook(std::function<void()> hook);

    // --- units of technical values
    // Display format of a property (UnitTypes.Format); empty when none.
    QString GetUnitFormat(const QString& property);
    // Value of a technical-data row for display: the property's format
    // applied to the value as a number, else the stored text.
    QString TableProdTechDataValueGetText(db::Dataset& techData);
    // Unit of a ProdTechData or AccTechData row changed: converts Value from
    // OldUnit to Unit.
    void TableProdTechDataUnitChange(db::Dataset& techData);
    // The technical-data row whose units the unit selector offers.
    void setUnitsTechDataRow(db::Dataset* techData);
    // --- end of price calculation ---------------------------------------------

private:
    // --- item identity, order and state; the activity log (private) ---------
    void bindItemFieldRules(db::Dataset& table);
    void renumberItems(db::Dataset& items);
    bool moveItem(db::Dataset& items, int step);
    void applyStateRules(db::Dataset& items, const QString& fieldName);
    bool deleteWithChildren(const QString& operation, db::Dataset& table,
                            const std::function<void(const QString& id)>& beforeDelete);
    void resyncProjectTables();
    void refreshViewsOf(const QString& tableName, const db::Dataset* except = nullptr);
    void reportFailure(const QString& operation, const QString& detail);

    bool m_itemRulesBound = false;
    int m_torvaGuardOff = 0; // the guard stays out of deletions and of its own writes
    std::function<bool(const QString& projectID)> m_selectedProjectCheck;
    std::function<bool(const QString& prompt, QString& value)> m_textInput;
    // --- end of item identity, order and state (private) --------------------

    // --- price calculation and the price options (private) -----------------
    struct PricingFlags {
        bool bound = false;
        bool currencies = false;
        bool detailedPrice = false;
        bool detailedAddCosts = false;
        bool prodPricesAfterPost = false;
        bool addCostsAfterPost = false;
        bool projectLine = false;
        bool productsAfterPost = false;
        bool projAddCostsAfterPost = false;
        bool projPackTransAfterPost = false;
        bool custRows = false;
        bool purchRows = false;
        bool custRowsAfterPost = false;
        bool purchRowsAfterPost = false;
        bool accessoryQty = false;
        bool unitChange = false;
        int batch = 0;            // a bulk operation runs: the project table is re-read once, at its end
        bool projectsStale = false;
        int deferTotals = 0;      // a walk over a product's rows totals the product once, at its end
        bool pendingPriceTotals = false;
        bool pendingAddCostTotals = false;
        bool pendingOwnPrice = false;
        QStringList pendingAccessories;
        int deferProjectTotals = 0; // a walk over the project's lines totals the project once, at its end
        bool pendingProjectTotals = false;
        QString deletingAccessory; // the owner of the price row being deleted
    };
    void priceRowDeleted();
    void refreshOtherPriceView(const db::Dataset* posted);
    void withProjectTotalsDeferred(const std::function<void()>& walk);
    void projectProductTotals();
    void withProductTotalsDeferred(const std::function<void()>& walk);
    void productTotals();
    void clearPendingTotals();
    void bindPricingFields(db::Dataset& table);
    bool runPricingOperation(const QString& operation, const std::function<void()>& work);
    void atomically(const std::function<void()>& work);
    void resyncPricingTables();
    void updateProductTotals(db::Dataset& products);
    void recalculateProduct();
    void recalculateProject();
    void applyDiscMarg();
    void projectTotals(db::Dataset& lines, const QString& table, const char* priceField, const char* nllcField,
                       bool& flag);
    void orderRowPrice(db::Dataset& rows, const QString& ordersTable, bool& flag);
    void orderSum(db::Dataset& rows, const QString& ordersTable, const QString& rowsTable, bool& flag);
    void lineDataChange(db::DataSource& source, const QString& field, const QString& table,
                        void (TFormData::*afterPost)(db::Dataset&));
    void newLineDefaults(db::Dataset& lines, const QString& sourceName);
    void refreshLabel(int kind, const QString& id);
    bool unitsTechDataFilter(db::Dataset& units);

    PricingFlags m_pricing;
    std::function<void()> m_reselectNodeHook;
    db::Dataset* m_unitsTechDataRow = nullptr;
    QString m_unitsTypeOverride; // the unit type a conversion filters the units to
    bool m_unitsTypeOverridden = false;
    // --- end of price calculation (private) -----------------------------------

    // MsgText reads the message table of the language database.
    void installMessageLookup();

    void createComponents();
    db::Dataset& addTable(const QString& name, db::Connection& connection, const QString& tableName,
                          bool projectTable = false);
    db::DataSource& addSource(const QString& name, db::Dataset& dataset);
    void linkDetail(db::Dataset& detail, const QString& masterSource, const QString& masterFields,
                    const QString& index, bool byIndexName);
    void addLookups();
    void bindNewRecordHandlers();

    // Shared steps of the open operations; returns false after reporting.
    bool openDatabase(db::Connection& connection, const QString& directory, const QString& progressText,
                      const QString& failureLine, const std::vector<std::pair<QStringList, int>>& steps,
                      int afterClose, int afterConnect);
    void closeDatabase(db::Connection& connection);

    std::vector<std::unique_ptr<db::Connection>> m_connections;
    QHash<QString, db::Connection*> m_connectionByName;
    std::vector<std::unique_ptr<db::Dataset>> m_tables;
    QHash<QString, db::Dataset*> m_tableByName;
    QList<db::Dataset*> m_projectTables;
    std::vector<std::unique_ptr<db::DataSource>> m_sources;
    QHash<QString, db::DataSource*> m_sourceByName;
    std::vector<std::unique_ptr<db::Query>> m_queries;
    QHash<QString, db::Query*> m_queryByName;

    std::function<void(const QString&)> m_projectLanguageHook;
    SessionRegistry m_session;
    bool m_privateDirOK = false;
    QString m_privateDir;
};

} // namespace kiro
