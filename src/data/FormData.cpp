#include "data/FormData.h"

#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/MsgFormat.h"
#include "app/core/Progress.h"
#include "app/core/Settings.h"
#include "data/DBToolsError.h"
#include "data/Schema.h"
#include "db/Connection.h"
#include "db/DataSource.h"
#include "db/Dataset.h"
#include "db/Query.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QUuid>

namespace kiro {

namespace {

const QString kHint = QStringLiteral("Please update databases with 'DARavova' !");

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

// Lookup fields show text of another table; their width is that of the
// widest text they show.
db::FieldDef lookupField(const char* name, int width = 100)
{
    return db::FieldDef::text(s(name), width);
}

} // namespace

TFormData::TFormData(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("FormData"));
    createComponents();
}

TFormData::~TFormData()
{
    setMessageLookup({});
    // Datasets and queries go before their connections.
    m_queries.clear();
    m_sources.clear();
    m_tables.clear();
    m_connections.clear();
}

// --- components ----------------------------------------------------------------

db::Dataset& TFormData::addTable(const QString& name, db::Connection& connection, const QString& tableName,
                                 bool projectTable)
{
    auto table = std::make_unique<db::Dataset>(connection, tableName);
    table->setName(name);
    if (projectTable) {
        table->setTag(0);
        m_projectTables.append(table.get());
    }
    db::Dataset& ref = *table;
    m_tableByName.insert(name, table.get());
    m_tables.push_back(std::move(table));
    return ref;
}

db::DataSource& TFormData::addSource(const QString& name, db::Dataset& dataset)
{
    auto source = std::make_unique<db::DataSource>(&dataset);
    db::DataSource& ref = *source;
    m_sourceByName.insert(name, source.get());
    m_sources.push_back(std::move(source));
    return ref;
}

void TFormData::linkDetail(db::Dataset& detail, const QString& masterSource, const QString& masterFields,
                           const QString& index, bool byIndexName)
{
    if (byIndexName)
        detail.setIndexName(index);
    else
        detail.setIndexFieldNames(index);
    detail.setMasterSource(&source(masterSource));
    detail.setMasterFields(masterFields);
}

void TFormData::createComponents()
{
    for (const char* name : {"DatabaseSystem", "DatabaseLanguage", "DatabaseAddress", "DatabaseProjects",
                             "DatabaseExternal", "DatabaseSpares", "DatabasePrivate"}) {
        m_connections.push_back(std::make_unique<db::Connection>());
        m_connectionByName.insert(s(name), m_connections.back().get());
    }
    db::Connection& system = database(s("DatabaseSystem"));
    db::Connection& language = database(s("DatabaseLanguage"));
    db::Connection& address = database(s("DatabaseAddress"));
    db::Connection& projects = database(s("DatabaseProjects"));
    db::Connection& external = database(s("DatabaseExternal"));
    db::Connection& spares = database(s("DatabaseSpares"));

    // System database.
    addSource(s("SourceSystemCurrencies"), addTable(s("TableSystemCurrencies"), system, s("Currencies")));
    addSource(s("SourceSystemDiscMarg"), addTable(s("TableSystemDiscMarg"), system, s("DiscMarg")));
    addSource(s("SourceUsers"), addTable(s("TableUsers"), system, s("Users")));
    addSource(s("SourceSeries"), addTable(s("TableSeries"), system, s("Series")));
    addSource(s("SourcePrintSeries"), addTable(s("TablePrintSeries"), system, s("PrintSeries")));
    addSource(s("SourceUnits"), addTable(s("TableUnits"), system, s("Units")));
    addSource(s("SourceUnitsTechData"), addTable(s("TableUnitsTechData"), system, s("Units")));
    db::Dataset& unitTypes = addTable(s("TableUnitTypes"), system, s("UnitTypes"));
    unitTypes.setFilter(s("Type <> 'n/a'"));
    unitTypes.setFiltered(true);
    addSource(s("SourceUnitTypes"), unitTypes);
    addSource(s("SourceTechData"), addTable(s("TableTechData"), system, s("TechData")));
    addSource(s("SourceDOV"), addTable(s("TableDOV"), system, s("DOV")));

    // Language database.
    for (const char* t : {"LangTechData", "LangMain", "LangMenus", "LangDialogs", "LangToolButtons", "LangMsg",
                          "LangStatQuotation", "LangStatCustOrder", "LangStatPurchOrder", "LangStatMark",
                          "LangStatAppl", "LangStatLiq", "LangLanguages", "LangTermsPayment", "LangTermsDelivery",
                          "LangModeDelivery"})
        addSource(s("Source") + s(t), addTable(s("Table") + s(t), language, s(t)));

    // Address database.
    addSource(s("SourceSuppliers"), addTable(s("TableSuppliers"), address, s("Suppliers")));
    addSource(s("SourceCustomers"), addTable(s("TableCustomers"), address, s("Customers")));
    addSource(s("SourceSales"), addTable(s("TableSales"), address, s("Sales")));

    // Project database, in the order the project database opens them.
    addSource(s("SourceProjects"), addTable(s("TableProjects"), projects, s("Projects"), true));
    struct Detail {
        const char* component;
        const char* table;
        const char* master;
        const char* masterFields;
        const char* index;
        bool byIndexName;
    };
    const Detail details[] = {
        {"TableProjLog", "ProjLog", "SourceProjects", "ID", "Parent", true},
        {"TableCurrencies", "ProjCurrencies", "SourceProjects", "ID", "Project", true},
        {"TableDiscMarg", "ProjDiscMarg", "SourceProjects", "ID", "Project", true},
        {"TableProducts", "Products", "SourceProjects", "ID", "ProjectID;Order", false},
        {"TableProdLog", "ProdLog", "SourceProducts", "ID", "Parent", true},
        {"TableDocuments", "Documents", "SourceProjects", "ID", "Project", true},
        {"TableAccessories", "Accessories", "SourceProducts", "ID", "ProductID;Order", false},
        {"TableAccLog", "AccLog", "SourceAccessories", "ID", "Parent", true},
        {"TableProdPrices", "DetailPrices", "SourceProducts", "ID", "Product", true},
        {"TableAccPrices", "DetailPrices", "SourceAccessories", "ID;ProductID", "Accessory", true},
        {"TableAddCosts", "DetailAddCosts", "SourceProducts", "ID", "Product", true},
        {"TableProdDocuments", "ProdDocuments", "SourceProducts", "ID", "Product", true},
        {"TableProdParts", "ProdParts", "SourceProducts", "ID", "Parent", true},
        {"TableAccParts", "AccParts", "SourceAccessories", "ID", "Parent", true},
        {"TableProdSelComm", "ProdSelComm", "SourceProducts", "ID", "Parent", true},
        {"TableAccSelComm", "AccSelComm", "SourceAccessories", "ID", "Parent", true},
        {"TableCustOrders", "CustomerOrders", "SourceProjects", "ID", "Project", true},
        {"TableCustOrdRows", "CustomerOrderRows", "SourceCustOrders", "ID", "Order", true},
        {"TablePurchOrders", "PurchaseOrders", "SourceProjects", "ID", "Project", true},
        {"TablePurchOrdRows", "PurchaseOrderRows", "SourcePurchOrders", "ID", "Order", true},
        {"TableProjAddCosts", "ProjAddCosts", "SourceProjects", "ID", "Project", true},
        {"TableProjPackTrans", "ProjPackTrans", "SourceProjects", "ID", "Project", true},
        {"TableAltProducts", "Products", "SourceProjects", "ID", "ProjectID;Order", false},
        {"TableAltAccessories", "Accessories", "SourceProducts", "ID", "ProductID;Order", false},
        {"TableProdTechData", "ProdTechData", "SourceProducts", "ID", "Product", true},
        {"TableAccTechData", "AccTechData", "SourceAccessories", "ID", "Accessory", true},
    };
    for (const Detail& d : details) {
        const QString component = s(d.component);
        db::Dataset& t = addTable(component, projects, s(d.table), true);
        linkDetail(t, s(d.master), s(d.masterFields), s(d.index), d.byIndexName);
        addSource(s("Source") + component.mid(5), t);
    }
    // Unlinked views for copying, the transfer file and the log viewer.
    addTable(s("TempProducts"), projects, s("Products"));
    addTable(s("TempAccessories"), projects, s("Accessories"));
    addTable(s("TempDocuments"), projects, s("Documents"));
    addSource(s("SourceLogView"), addTable(s("TableLogView"), projects, s("ProjLog")));
    for (const char* q : {"QueryDetailPriceSum", "QueryAddCostsSum", "QueryProductsSum", "QueryTemp", "QueryOverview",
                          "QueryOverviewAccessories"}) {
        m_queries.push_back(std::make_unique<db::Query>(projects));
        m_queryByName.insert(s(q), m_queries.back().get());
    }

    // External and spare products.
    addSource(s("SourceExternalProducts"), addTable(s("TableExternalProducts"), external, s("ExternalProducts")));
    addSource(s("SourceSpares"), addTable(s("TableSpares"), spares, s("Spares")));

    addLookups();
    bindNewRecordHandlers();
    // Prices first: the item rules chain themselves behind every handler
    // bound before them.
    bindPricingHandlers();
    bindItemRuleHandlers();
}

void TFormData::addLookups()
{
    auto lookup = [this](const char* tableName, const char* field, const char* key, const char* from,
                         const char* lookupFields, const char* result, int width = 100) {
        table(s(tableName))
            .addLookupField(lookupField(field, width), {s(key), &table(s(from)), s(lookupFields), s(result)});
    };
    // Keyword texts show the column of the active language; "UK" until the
    // language is set.
    lookup("TableProjects", "_QUOTSTATUS", "QuotStatus", "TableLangStatQuotation", "Keyword", "UK");
    lookup("TableProducts", "_ALTER_PROD", "AlternateFor", "TableAltProducts", "ID", "Name", 50);
    lookup("TableProducts", "_TECHDATAMARKSEG", "TechDataMarkSeg", "TableLangStatMark", "Keyword", "UK");
    lookup("TableProducts", "_TECHDATAAPPLICATION", "TechDataApplication", "TableLangStatAppl", "Keyword", "UK");
    lookup("TableProducts", "_TECHDATAPUMPLIQ", "TechDataPumpLiq", "TableLangStatLiq", "Keyword", "UK");
    lookup("TableAccessories", "_ALTER_ACC", "AlternateFor", "TableAltAccessories", "ID", "Name", 50);
    for (const char* prices : {"TableProdPrices", "TableAccPrices"}) {
        lookup(prices, "_ACC_NAME", "AccessoryID", "TableAccessories", "ID", "Name", 50);
        lookup(prices, "_NET_CURR", "NetCurrency", "TableCurrencies", "Name", "Name", 5);
    }
    lookup("TableAddCosts", "_LIST_CURR", "ListCurrency", "TableCurrencies", "Name", "Name", 5);
    lookup("TableAddCosts", "_NET_CURR", "NetCurrency", "TableCurrencies", "Name", "Name", 5);
    lookup("TableProjAddCosts", "_CURR_LOOKUP", "ProdCurrency", "TableCurrencies", "Name", "Name", 5);
    lookup("TableProjPackTrans", "_CURR_LOOKUP", "ProdCurrency", "TableCurrencies", "Name", "Name", 5);
    lookup("TableDiscMarg", "_SERIES", "Series", "TableSeries", "ID", "Name", 50);
    for (const char* tech : {"TableProdTechData", "TableAccTechData"}) {
        lookup(tech, "_PROP", "Property", "TableLangTechData", "Keyword", "UK");
        lookup(tech, "_TYPE", "Property", "TableUnitTypes", "Property", "Type", 20);
        lookup(tech, "_UNIT", "Unit", "TableUnitsTechData", "Unit", "Unit", 20);
    }
    lookup("TableCustOrders", "_STATUS", "Status", "TableLangStatCustOrder", "Keyword", "UK");
    lookup("TablePurchOrders", "_STATUS", "Status", "TableLangStatPurchOrder", "Keyword", "UK");
    lookup("TableUnitTypes", "_PROP", "Property", "TableLangTechData", "Keyword", "UK");
    lookup("TableUnitTypes", "_UNIT", "Unit", "TableUnits", "Unit", "Unit", 20);
    for (const char* catalogue : {"TableExternalProducts", "TableSpares"}) {
        lookup(catalogue, "_CURR_LOOKUP", "Currency", "TableSystemCurrencies", "Name", "Name", 5);
        lookup(catalogue, "_SUPP_NAME", "Supplier", "TableSuppliers", "ID", "Name", 50);
    }
}

void TFormData::bindNewRecordHandlers()
{
    // Every project row gets its identifier when it is created; log rows
    // also the time of the entry.
    for (db::Dataset* t : std::as_const(m_projectTables)) {
        const bool isLog = t->tableName().endsWith(QLatin1String("Log"));
        t->setHandler(db::DatasetEvent::OnNewRecord, [isLog](db::Dataset& d) {
            d.fieldByName(QStringLiteral("ID")).setValue(SetUniqueID());
            if (isLog)
                d.fieldByName(QStringLiteral("Date")).setValue(QDateTime::currentDateTime());
        });
    }
}

db::Connection& TFormData::database(const QString& name) const
{
    db::Connection* c = m_connectionByName.value(name);
    if (!c)
        throw db::DatabaseError(QStringLiteral("The data module has no database '%1'").arg(name));
    return *c;
}

db::Dataset& TFormData::table(const QString& name) const
{
    db::Dataset* t = findTable(name);
    if (!t)
        throw db::DatabaseError(QStringLiteral("The data module has no table '%1'").arg(name));
    return *t;
}

db::Dataset* TFormData::findTable(const QString& name) const
{
    return m_tableByName.value(name);
}

db::DataSource& TFormData::source(const QString& name) const
{
    db::DataSource* src = m_sourceByName.value(name);
    if (!src)
        throw db::DatabaseError(QStringLiteral("The data module has no data source '%1'").arg(name));
    return *src;
}

db::Query& TFormData::query(const QString& name) const
{
    db::Query* q = m_queryByName.value(name);
    if (!q)
        throw db::DatabaseError(QStringLiteral("The data module has no query '%1'").arg(name));
    return *q;
}

QStringList TFormData::tableNames() const
{
    QStringList names;
    for (const auto& t : m_tables)
        names << t->name();
    return names;
}

QList<db::Dataset*> TFormData::projectTableComponents() const
{
    return m_projectTables;
}

QList<db::Dataset*> TFormData::tablesOf(const db::Connection& connection) const
{
    QList<db::Dataset*> result;
    for (const auto& t : m_tables) {
        if (t->connection() == &connection)
            result << t.get();
    }
    return result;
}

QString TFormData::SetUniqueID()
{
    static QString previous;
    QString id;
    do {
        const QString time = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddhhmmsszzz"));
        // The generator is seeded by the system, not the clock, so two
        // identifiers made in the same millisecond still differ.
        const QString digits =
            QStringLiteral("%1").arg(QRandomGenerator::system()->bounded(10000), 4, 10, QLatin1Char('0'));
        const QByteArray guid = QUuid::createUuid().toRfc4122();
        id = time + digits + QString::fromLatin1(guid.right(6).toHex().toUpper());
    } while (id == previous);
    previous = id;
    return id;
}

// --- session ---------------------------------------------------------------------

void TFormData::FormDataCreate()
{
    try {
        settings().LoadDatabaseSettings();
    } catch (const SettingsError& e) {
        // The directories are loaded even when writing them back failed.
        MsgOK(QStringLiteral("Could not save settings!\n\n%s"), {e.message()});
    }
    m_privateDirOK = SetupPrivateDir();
    CloseSession();
}

bool TFormData::SetupPrivateDir()
{
    const QString base = QDir(QDir::tempPath()).absolutePath() + QLatin1Char('/');
    QString path;
    for (int n = 1; n <= 9999; ++n) {
        path = base + QStringLiteral("KIRO%1").arg(n, 4, 10, QLatin1Char('0'));
        if (QFileInfo::exists(path))
            continue;
        // mkdir fails when another run took the same name a moment ago;
        // then the next number is tried.
        if (QDir().mkdir(path)) {
            m_privateDir = path + QLatin1Char('/');
            return true;
        }
    }
    MsgOK(QStringLiteral("Couldn't create a private directory (%s)!"), {path});
    return false;
}

bool TFormData::CleanupPrivateDir()
{
    if (!m_privateDirOK || m_privateDir.isEmpty())
        return false;
    // The scratch database is ours: without removing it the folder would
    // never be empty, and every run would leave one more behind.
    db::Connection& scratch = database(s("DatabasePrivate"));
    scratch.close();
    for (const char* file : {"database.sqlite", "database.sqlite-journal"})
        QFile::remove(m_privateDir + s(file));
    QDir dir(m_privateDir);
    if (!dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        return false;
    if (!QDir().rmdir(m_privateDir))
        return false;
    m_privateDirOK = false;
    m_privateDir.clear();
    return true;
}

bool TFormData::OpenSession()
{
    ShowProgress(QStringLiteral("Opening BDE session"), {}, 0);
    try {
        if (m_session.isOpen())
            CloseSession();
        ShowProgress(QStringLiteral("Opening BDE session"), {}, 50);
        m_session.open(settings().databases().NetDir, app().currentUserID());
        HideProgress();
        return true;
    } catch (const db::DatabaseError& e) {
        HideProgress();
        MsgOK(QStringLiteral("%s\n%s"), {MsgText(QStringLiteral("Failed init BDE session!")), e.message()});
        CloseSession();
        return false;
    }
}

bool TFormData::CloseSession()
{
    bool ok = true;
    for (const auto& c : m_connections) {
        if (c.get() == m_connectionByName.value(s("DatabasePrivate")))
            continue;
        try {
            c->close();
        } catch (const db::DatabaseError& e) {
            MsgOK(QStringLiteral("%s"), {e.message()});
            ok = false;
        }
    }
    m_session.close();
    return ok;
}

void TFormData::OpenVerifiedTable(db::Dataset& t)
{
    const QString name = t.tableName();
    auto refuse = [&](const QString& reason) {
        QString text = formatMessage(MsgText(QStringLiteral("Could not open table '%s'!")), {name});
        if (!reason.isEmpty())
            text += QLatin1Char('\n') + reason;
        throw EDBToolsError(text);
    };
    db::Connection* connection = t.connection();
    try {
        // The marker is checked before any row is read: a table of an older
        // structure is never used.
        const std::optional<QString> marker = connection->declaredDefault(name, QStringLiteral("DBVer"));
        if (!marker || *marker != schema::schemaVersion())
            refuse(QString());
        if (!t.isActive())
            t.open();
    } catch (const EDBToolsError&) {
        throw;
    } catch (const db::DatabaseError& e) {
        refuse(e.message());
    }
}

bool TFormData::openDatabase(db::Connection& connection, const QString& directory, const QString& progressText,
                             const QString& failureLine, const std::vector<std::pair<QStringList, int>>& steps,
                             int afterClose, int afterConnect)
{
    ShowProgress(progressText, {}, 0);
    try {
        closeDatabase(connection);
        if (afterClose >= 0)
            ShowProgress(progressText, {}, afterClose);
        connection.open(directory, db::Connection::OpenMode::Existing);
        ShowProgress(progressText, {}, afterConnect);
        for (const auto& [components, position] : steps) {
            for (const QString& component : components)
                OpenVerifiedTable(table(component));
            if (position > 0)
                ShowProgress(progressText, {}, position);
        }
        HideProgress();
        return true;
    } catch (const db::DatabaseError& e) {
        HideProgress();
        MsgOK(QStringLiteral("%s\n\n%s\n\n%s"), {MsgText(failureLine), e.message(), MsgText(kHint)});
        closeDatabase(connection);
        return false;
    }
}

void TFormData::closeDatabase(db::Connection& connection)
{
    connection.close();
}

bool TFormData::OpenSystem()
{
    return openDatabase(database(s("DatabaseSystem")), settings().databases().System,
                        QStringLiteral("Init KIRO system"), QStringLiteral("Failed to open system database!"),
                        {{{s("TableSystemCurrencies")}, 40},
                         {{s("TableSystemDiscMarg")}, 50},
                         {{s("TableUsers")}, 55},
                         {{s("TableSeries")}, 60},
                         {{s("TablePrintSeries")}, 65},
                         {{s("TableUnits"), s("TableUnitsTechData")}, 75},
                         {{s("TableUnitTypes")}, 85},
                         {{s("TableTechData")}, 90},
                         {{s("TableDOV")}, 0}},
                        10, 20);
}

bool TFormData::OpenLang()
{
    std::vector<std::pair<QStringList, int>> steps;
    int position = 15;
    for (const char* t : {"LangTechData", "LangMain", "LangMenus", "LangDialogs", "LangToolButtons", "LangMsg",
                          "LangStatQuotation", "LangStatCustOrder", "LangStatPurchOrder", "LangStatMark",
                          "LangStatAppl", "LangStatLiq", "LangLanguages", "LangTermsPayment", "LangTermsDelivery",
                          "LangModeDelivery"}) {
        steps.push_back({{s("Table") + s(t)}, position});
        position += 5;
    }
    if (!openDatabase(database(s("DatabaseLanguage")), settings().databases().Language,
                      QStringLiteral("Loading language"), QStringLiteral("Failed to open language database!"), steps,
                      5, 10))
        return false;
    installMessageLookup();
    // The property names of the unit types come from the language tables,
    // which are open only now.
    try {
        db::Dataset& unitTypes = table(s("TableUnitTypes"));
        unitTypes.close();
        OpenVerifiedTable(unitTypes);
    } catch (const db::DatabaseError& e) {
        MsgOK(QStringLiteral("%s\n\n%s\n\n%s"),
              {MsgText(QStringLiteral("Failed to open language database!")), e.message(), MsgText(kHint)});
        closeDatabase(database(s("DatabaseLanguage")));
        return false;
    }
    return true;
}

bool TFormData::OpenAddress()
{
    return openDatabase(database(s("DatabaseAddress")), settings().databases().Address,
                        QStringLiteral("Opening address database"), QStringLiteral("Failed to open address database!"),
                        {{{s("TableSuppliers")}, 60}, {{s("TableCustomers")}, 80}, {{s("TableSales")}, 0}}, 20, 40);
}

bool TFormData::OpenProjects()
{
    const QString directory = settings().databases().Projects;
    const QString text = QStringLiteral("Opening project database");
    const QString failure = QStringLiteral("Failed to open project database!");
    db::Connection& connection = database(s("DatabaseProjects"));
    ShowProgress(text, {}, 0);
    try {
        closeDatabase(connection);
        connection.open(directory, db::Connection::OpenMode::Existing);
        const QString withDir = QStringLiteral("Opening project database (%s)");
        const QVariantList args{QDir::toNativeSeparators(directory)};
        ShowProgress(withDir, args, 5);
        const QList<QStringList> groups = {
            {s("TableProjects")},      {s("TableProjLog")},          {s("TableCurrencies")},
            {s("TableDiscMarg")},      {s("TableProducts")},         {s("TableProdLog")},
            {s("TableDocuments")},     {s("TableAccessories")},      {s("TableAccLog")},
            {s("TableProdPrices")},    {s("TableAccPrices")},        {s("TableAddCosts")},
            {s("TableProdDocuments")}, {s("TableProdParts"), s("TableAccParts")},
            {s("TableProdSelComm"), s("TableAccSelComm")},
            {s("TableCustOrders"), s("TableCustOrdRows")},
            {s("TablePurchOrders"), s("TablePurchOrdRows")},
            {s("TableProjAddCosts"), s("TableProjPackTrans")},
        };
        int position = 10;
        for (const QStringList& group : groups) {
            for (const QString& component : group)
                OpenVerifiedTable(table(component));
            ShowProgress(withDir, args, position);
            position += 5;
        }
        for (const char* component : {"TableAltProducts", "TableAltAccessories", "TableProdTechData", "TableAccTechData"})
            OpenVerifiedTable(table(s(component)));
        HideProgress();
        return true;
    } catch (const db::DatabaseError& e) {
        HideProgress();
        MsgOK(QStringLiteral("%s\n\n%s\n\n%s"), {MsgText(failure), e.message(), MsgText(kHint)});
        closeDatabase(connection);
        return false;
    }
}

bool TFormData::OpenExternal()
{
    return openDatabase(database(s("DatabaseExternal")), settings().databases().ExtProds,
                        QStringLiteral("Opening external product database"),
                        QStringLiteral("Failed to open external product database!"),
                        {{{s("TableExternalProducts")}, 75}}, 25, 50);
}

bool TFormData::OpenSpares()
{
    return openDatabase(database(s("DatabaseSpares")), settings().databases().Spares,
                        QStringLiteral("Opening spares database"), QStringLiteral("Failed to open spares database!"),
                        {{{s("TableSpares")}, 75}}, 25, 50);
}

namespace {
bool closeReporting(db::Connection& connection)
{
    try {
        connection.close();
        return true;
    } catch (const db::DatabaseError& e) {
        MsgOK(QStringLiteral("%s"), {e.message()});
        return false;
    }
}
} // namespace

bool TFormData::CloseSystem()
{
    return closeReporting(database(s("DatabaseSystem")));
}

bool TFormData::CloseLang()
{
    return closeReporting(database(s("DatabaseLanguage")));
}

bool TFormData::CloseProjects()
{
    return closeReporting(database(s("DatabaseProjects")));
}

bool TFormData::CloseAddress()
{
    return closeReporting(database(s("DatabaseAddress")));
}

bool TFormData::CloseExternal()
{
    return closeReporting(database(s("DatabaseExternal")));
}

bool TFormData::CloseSpares()
{
    return closeReporting(database(s("DatabaseSpares")));
}

bool TFormData::projectsConnected() const
{
    return database(s("DatabaseProjects")).isOpen();
}

QString TFormData::projectsDirectory() const
{
    return projectsConnected() ? database(s("DatabaseProjects")).directory() : QString();
}

bool TFormData::ChampionPasswordMatches(const QString& password)
{
    db::Connection& system = database(s("DatabaseSystem"));
    if (password.isEmpty() || !system.isOpen())
        return false;
    try {
        if (!system.tableExists(s("Access")))
            return false;
        db::Query q(system, QStringLiteral("SELECT Salt, Hash FROM Access WHERE Name = :name"));
        q.bindValue(QStringLiteral("name"), QStringLiteral("Champion"));
        q.open();
        if (q.eof())
            return false;
        const QByteArray salted = q.fieldByName(s("Salt")).asString().toUtf8() + password.toUtf8();
        const QString hash = QString::fromLatin1(QCryptographicHash::hash(salted, QCryptographicHash::Sha256).toHex());
        return hash.compare(q.fieldByName(s("Hash")).asString(), Qt::CaseInsensitive) == 0;
    } catch (const db::DatabaseError&) {
        return false;
    }
}

bool TFormData::UsersFindFullName(const QString& id, QString& name, QString& company)
{
    db::Dataset& users = table(s("TableUsers"));
    if (!users.isActive() || !users.locate(QStringLiteral("ID"), id))
        return false;
    name = users.fieldByName(QStringLiteral("Name")).asString();
    company = users.fieldByName(QStringLiteral("CompanyID")).asString();
    return true;
}

} // namespace kiro
