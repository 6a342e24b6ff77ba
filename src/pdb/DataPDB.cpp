#include "pdb/DataPDB.h"

#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/Progress.h"
#include "app/core/Settings.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/FilterExpression.h"
#include "db/Query.h"
#include "pdb/PDB.h"

namespace kiro {

namespace {

using pdb::PdbTable;

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

const QString kCodeAlphabet = QStringLiteral("0123456789ABCDEFGHJKLMNPQRSTUVWXYZ");

// Component name and table kind, in creation order. The language tables come
// first so that the lookups of the others can point at them.
struct ComponentDef {
    const char* component;
    PdbTable kind;
    bool checkExists; // its Before open event makes sure the table exists
    const char* order; // index field names; nullptr: none
};

const ComponentDef kComponents[] = {
    {"TableLangMain", PdbTable::LangMain, true, "KeyWord"},
    {"TableLangProdInfo", PdbTable::LangProdInfo, true, "KeyWord"},
    {"TableLangHeader", PdbTable::LangHeader, true, "KeyWord"},
    {"TableLangSelection", PdbTable::LangSelection, true, "KeyWord"},
    {"TableLangParts", PdbTable::LangParts, true, "KeyWord"},
    {"TableLangDocs", PdbTable::LangDocs, true, "KeyWord"},
    {"TableLangComments", PdbTable::LangComments, true, "KeyWord"},
    {"TableLangNotes", PdbTable::LangNotes, true, "KeyWord"},
    {"TableLangPrices", PdbTable::LangPrices, true, "KeyWord"},
    {"TableLangInfo", PdbTable::LangInfo, true, "KeyWord"},
    {"TableMain", PdbTable::Main, false, nullptr},
    {"TableDummy", PdbTable::Main, false, nullptr},
    {"TableProdInfo", PdbTable::ProdInfo, true, "PUMPSERIE;PNO"},
    {"TableHeader", PdbTable::Header, true, "PUMPSERIE;CODEPOS;SELGROUP"},
    {"TableSelection", PdbTable::Selection, true, "PUMPSERIE;CODEPOS;IMPORTORDER"},
    {"TableParts", PdbTable::Parts, true, "PUMPSERIE;SORTORDER"},
    {"TablePartsX", PdbTable::PartsX, true, "PUMPSERIE;SORTORDER"},
    {"TablePrices", PdbTable::Prices, true, "PUMPSERIE;SORTORDER"},
    {"TablePricesX", PdbTable::PricesX, true, "PUMPSERIE;SORTORDER"},
    {"TableDocuments", PdbTable::Docs, true, "PUMPSERIE;SORTORDER"},
    {"TableDocumentsX", PdbTable::DocsX, true, "PUMPSERIE;SORTORDER"},
    {"TableComments", PdbTable::Comments, true, "PUMPSERIE;SORTORDER"},
    {"TableCommentsX", PdbTable::CommentsX, true, "PUMPSERIE;SORTORDER"},
    {"TableNotes", PdbTable::Notes, true, "PUMPSERIE;SORTORDER"},
    {"TableNotesX", PdbTable::NotesX, true, "PUMPSERIE;SORTORDER"},
    {"TableInfo", PdbTable::Info, true, "PUMPSERIE;SORTORDER"},
    {"TableFactDefaults", PdbTable::FactDefault, false, nullptr},
    {"TableUserDefaults", PdbTable::UserDefault, false, nullptr},
    {"TablePDBProducts", PdbTable::Products, false, nullptr},
};

const char* const kConditionTables[] = {"TableParts",      "TablePartsX",     "TablePrices",    "TablePricesX",
                                        "TableDocuments",  "TableDocumentsX", "TableComments",  "TableCommentsX",
                                        "TableNotes",      "TableNotesX",     "TableInfo"};

QString withSlash(const QString& path)
{
    return AppContext::withSlash(path);
}

// Engine failures are shown as the operation's own line and the engine's text.
void showEngineError(const char* operation, const db::DatabaseError& e)
{
    MsgOK(QStringLiteral("%s\n%s"), {MsgText(s(operation)), e.message()});
}

} // namespace

TFormDataPDB::TFormDataPDB(QObject* parent)
    : QObject(parent)
    , m_database(std::make_unique<db::Connection>())
{
    setObjectName(QStringLiteral("FormDataPDB"));
    for (const ComponentDef& c : kComponents) {
        db::Dataset& t = addTable(s(c.component), c.kind);
        if (c.order)
            t.setIndexFieldNames(s(c.order));
        if (c.checkExists) {
            const QString defaultName = pdb::defaultTableName(c.kind);
            t.setHandler(db::DatasetEvent::BeforeOpen,
                         [this, defaultName](db::Dataset& d) { PDBDatabaseExists(d, defaultName); });
        }
    }
    // The engine writes only the user defaults; the parts table carries no
    // read-only mark but is never written either.
    for (const QString& name : std::as_const(m_names)) {
        if (name != QLatin1String("TableUserDefaults") && name != QLatin1String("TableParts"))
            table(name).setReadOnly(true);
    }

    addLookup(s("TableMain"), s("_PUMPTEXT"), s("PUMPTEXT"), s("TableLangMain"), 100);
    addLookup(s("TableProdInfo"), s("_PNONAME"), s("PNONAME"), s("TableLangProdInfo"), 100);
    addLookup(s("TableHeader"), s("_SECTHEADER"), s("SECTHEADER"), s("TableLangHeader"), 100);
    addLookup(s("TableSelection"), s("_SELTEXT"), s("SELTEXT"), s("TableLangSelection"), 100);
    addLookup(s("TableDocuments"), s("_DESCR"), s("DESCR"), s("TableLangDocs"), 100);
    addLookup(s("TableDocumentsX"), s("_DESCR"), s("DESCR"), s("TableLangDocs"), 100);
    addLookup(s("TableComments"), s("_NAME"), s("NAME"), s("TableLangComments"), 255);
    addLookup(s("TableCommentsX"), s("_NAME"), s("NAME"), s("TableLangComments"), 255);
    addLookup(s("TableNotes"), s("_NAME"), s("NAME"), s("TableLangNotes"), 255);
    addLookup(s("TableNotesX"), s("_NAME"), s("NAME"), s("TableLangNotes"), 255);
    addLookup(s("TableInfo"), s("_Name"), s("NAME"), s("TableLangInfo"), 120);

    table(s("TableMain")).setOnFilterRecord([this](db::Dataset& d) { return TableMainFilterRecord(d); });
}

TFormDataPDB::~TFormDataPDB()
{
    // Datasets go before their connection.
    m_tables.clear();
    m_database.reset();
}

db::Dataset& TFormDataPDB::addTable(const QString& component, PdbTable kind)
{
    auto t = std::make_unique<db::Dataset>(*m_database, pdb::defaultTableName(kind));
    t->setName(component);
    db::Dataset& ref = *t;
    m_byName.insert(component, t.get());
    m_names << component;
    m_tables.push_back(std::move(t));
    return ref;
}

void TFormDataPDB::addLookup(const QString& component, const QString& field, const QString& keyField,
                             const QString& langComponent, int width)
{
    // Every lookup starts on "UK"; those of the extra tables stay there.
    table(component).addLookupField(db::FieldDef::text(field, width),
                                    {keyField, &table(langComponent), s("KeyWord"), s("UK")});
}

db::Dataset& TFormDataPDB::table(const QString& name) const
{
    db::Dataset* t = findTable(name);
    if (!t)
        throw db::DatabaseError(QStringLiteral("The product database has no table component '%1'").arg(name));
    return *t;
}

db::Dataset* TFormDataPDB::findTable(const QString& name) const
{
    return m_byName.value(name, nullptr);
}

QStringList TFormDataPDB::tableNames() const
{
    return m_names;
}

QStringList TFormDataPDB::conditionTableNames() const
{
    QStringList names;
    for (const char* n : kConditionTables)
        names << s(n);
    return names;
}

void TFormDataPDB::installConditionFilter(const std::function<bool(db::Dataset&)>& filter)
{
    for (const char* n : kConditionTables) {
        db::Dataset& t = table(s(n));
        t.setOnFilterRecord(filter ? db::FilterRecordHandler(filter) : db::FilterRecordHandler());
        t.setFiltered(bool(filter));
    }
}

// --- opening and version ---------------------------------------------------------

bool TFormDataPDB::isOpen() const
{
    return m_database->isOpen();
}

bool TFormDataPDB::OpenPDB(const QString& directory)
{
    QString version;
    return OpenPDB(directory, version);
}

bool TFormDataPDB::OpenPDB(const QString& directory, QString& version)
{
    const QString path = withSlash(directory);
    try {
        if (m_database->isOpen())
            m_database->close();
        m_database->open(path, db::Connection::OpenMode::Existing);
        m_path = path;
        m_isCurrent = PDBVersionIsCurrent(path, version);
        m_version = version;
        if (m_isCurrent) {
            // The series names are looked up in LangPDBMain, which must be open for them to show.
            db::Dataset& lang = table(s("TableLangMain"));
            lang.close();
            lang.open();
            db::Dataset& main = table(s("TableMain"));
            main.close();
            main.open();
        }
        return true;
    } catch (const db::DatabaseError& e) {
        HideProgress();
        showEngineError("Failed to open PDB database!", e);
        m_database->close();
        m_isCurrent = false;
        return false;
    }
}

pdb::PdbEnvironment TFormDataPDB::environment() const
{
    pdb::PdbEnvironment env;
    const bool open = m_database->isOpen();
    env.connection = m_database.get();
    env.path = m_path;
    env.isCurrent = open && m_isCurrent;
    env.version = open ? m_version : QString();
    env.dbVersion = open ? PDBGetDBVersion() : QString();
    env.language = m_language;
    return env;
}

bool TFormDataPDB::PDBVersionIsCurrent(const QString& path, QString& version)
{
    Q_UNUSED(path); // the version is read from the open database
    version = PDBGetVersion();
    return VersionAtLeast(version, settings().pdb().ExpectedVersionMajor, settings().pdb().ExpectedVersionMinor);
}

QString TFormDataPDB::PDBGetVersion()
{
    const QString unknown = QStringLiteral("?.?");
    db::Dataset& dummy = table(s("TableDummy"));
    const bool wasOpen = dummy.isActive();
    if (!wasOpen)
        dummy.open();
    QString version = unknown;
    const db::Field f = dummy.findField(s("PDBVer"));
    if (f.isValid() && !dummy.isEmpty()) {
        // The first record in file order, whatever the component shows.
        const QVariant v = dummy.rowValue(0, f.index());
        version = v.toString();
    }
    if (!wasOpen)
        dummy.close();
    return version;
}

QString TFormDataPDB::PDBGetDBVersion() const
{
    const QString unknown = QStringLiteral("?.?");
    try {
        if (!m_database->isOpen())
            return unknown;
        const std::optional<QString> marker =
            m_database->declaredDefault(table(s("TableDummy")).tableName(), s("DBVer"));
        return marker && !marker->isEmpty() ? *marker : unknown;
    } catch (const db::DatabaseError&) {
        return unknown;
    }
}

bool TFormDataPDB::VersionAtLeast(const QString& version, int major, int minor)
{
    const qsizetype dot = version.indexOf(QLatin1Char('.'));
    bool okMajor = false;
    bool okMinor = false;
    int vMajor = (dot < 0 ? version : version.left(dot)).trimmed().toInt(&okMajor);
    int vMinor = dot < 0 ? 0 : version.mid(dot + 1).trimmed().toInt(&okMinor);
    if (!okMajor || !okMinor) {
        vMajor = 0;
        vMinor = 0;
    }
    return vMajor > major || (vMajor == major && vMinor >= minor);
}

bool TFormDataPDB::PDBVersionAtLeast14(const QString& version)
{
    if (version.isEmpty())
        return false;
    return VersionAtLeast(version, 1, 4);
}

bool TFormDataPDB::PDBReopen()
{
    const QString path = m_context.pdbPath.isEmpty() ? m_path : m_context.pdbPath;
    if (path.isEmpty())
        return false;
    QString version;
    return OpenPDB(path, version);
}

bool TFormDataPDB::connectedOrReopened()
{
    return m_database->isOpen() || PDBReopen();
}

// --- binding -----------------------------------------------------------------------

bool TFormDataPDB::PDBDatabaseExists(db::Dataset& t, const QString& defaultName)
{
    const QString current = t.tableName();
    if (!current.isEmpty() && m_database->tableExists(current))
        return true;
    if (m_database->tableExists(defaultName)) {
        if (!t.isActive())
            t.setTableName(defaultName);
        return true;
    }
    MsgOK(s("1011"), {m_path + defaultName});
    return false;
}

bool TFormDataPDB::PDBBindTable(db::Dataset& t, const QString& name)
{
    const bool wasOpen = t.isActive();
    try {
        t.close();
    } catch (const db::DatabaseError&) {
        return false;
    }
    t.setTableName(name);
    return wasOpen ? PDBOpenTable(t) : true;
}

bool TFormDataPDB::PDBOpenTable(db::Dataset& t)
{
    try {
        t.open();
    } catch (const db::DatabaseError& e) {
        ShowPlainMessage(e.message());
    }
    return t.isActive();
}

bool TFormDataPDB::openInOrder(const QList<db::Dataset*>& tables)
{
    bool ok = true;
    for (db::Dataset* t : tables)
        ok = PDBOpenTable(*t) && ok;
    return ok;
}

QVariantMap TFormDataPDB::PDBSeriesRecord(const QString& series)
{
    QVariantMap record;
    const QString code = ValidSeries(series);
    if (code.isEmpty() || !m_database->isOpen())
        return record;
    db::Query q(*m_database);
    q.setSql(QStringLiteral("SELECT * FROM %1 WHERE UPPER(PUMPSERIE) = :Series")
                 .arg(m_database->quote(table(s("TableDummy")).tableName())));
    q.bindValue(s("Series"), code);
    q.open();
    if (!q.eof()) {
        for (const QString& name : q.fieldNames())
            record.insert(name.toUpper(), q.value(name));
    }
    q.close();
    return record;
}

bool TFormDataPDB::bindGroup(const Group& g, bool requireMain)
{
    if (!connectedOrReopened())
        return false;
    if (requireMain && !table(s("TableMain")).isActive())
        return false;
    db::Dataset& lang = table(s(g.lang));
    db::Dataset& main = table(s(g.main));
    db::Dataset* extra = g.extra ? &table(s(g.extra)) : nullptr;
    if (!PDBBindTable(lang, s(g.langDefault)))
        return false;
    const QString series = ValidSeries(m_context.series);
    if (series.isEmpty())
        return false;
    QVariantMap record;
    try {
        record = PDBSeriesRecord(series);
    } catch (const db::DatabaseError& e) {
        ShowPlainMessage(e.message());
        return false;
    }
    if (record.isEmpty())
        return false;
    bool ok = PDBBindTable(main, record.value(s(g.mainColumn)).toString().trimmed());
    if (extra)
        ok = PDBBindTable(*extra, record.value(s(g.extraColumn)).toString().trimmed()) && ok;
    QList<db::Dataset*> order{&lang, &main};
    if (extra)
        order << extra;
    return openInOrder(order) && ok;
}

bool TFormDataPDB::PDBBindPartTables(const QString& langName, const QString& partsName, const QString& partsXName)
{
    if (!connectedOrReopened())
        return false;
    QString parts = partsName;
    QString partsX = partsXName;
    if (parts.isEmpty() || partsX.isEmpty()) {
        QVariantMap record;
        try {
            record = PDBSeriesRecord(m_context.series);
        } catch (const db::DatabaseError& e) {
            ShowPlainMessage(e.message());
            return false;
        }
        // The series record as the mode-1 filter selects it: the listed kind only.
        if (record.isEmpty() || record.value(s("ISACC")).toBool() != m_context.isAcc)
            return false;
        parts = record.value(s("DBPARTS")).toString().trimmed();
        partsX = record.value(s("DBPARTSX")).toString().trimmed();
    }
    db::Dataset& lang = table(s("TableLangParts"));
    db::Dataset& main = table(s("TableParts"));
    db::Dataset& extra = table(s("TablePartsX"));
    bool ok = PDBBindTable(lang, langName.isEmpty() ? s("LangPDBParts") : langName);
    ok = PDBBindTable(main, parts) && ok;
    ok = PDBBindTable(extra, partsX) && ok;
    return openInOrder({&lang, &main, &extra}) && ok;
}

bool TFormDataPDB::PDBBindDocTables()
{
    return bindGroup({"TableLangDocs", "LangPDBDocs", "TableDocuments", "DBDOCS", "TableDocumentsX", "DBDOCSX"}, false);
}

bool TFormDataPDB::PDBBindPriceTables()
{
    return bindGroup({"TableLangPrices", "LangPDBPrices", "TablePrices", "DBPRICE", "TablePricesX", "DBPRICEX"},
                     false);
}

bool TFormDataPDB::PDBBindCommentTables()
{
    return bindGroup(
        {"TableLangComments", "LangPDBComments", "TableComments", "DBCOMM", "TableCommentsX", "DBCOMMX"}, false);
}

bool TFormDataPDB::PDBBindNoteTables()
{
    return bindGroup({"TableLangNotes", "LangPDBNotes", "TableNotes", "DBNOTES", "TableNotesX", "DBNOTESX"}, false);
}

bool TFormDataPDB::PDBBindInfoTables()
{
    return bindGroup({"TableLangInfo", "LangPDBInfo", "TableInfo", "DBINFO", nullptr, nullptr}, true);
}

bool TFormDataPDB::PDBBindHeaderTables()
{
    if (!connectedOrReopened())
        return false;
    db::Dataset& lang = table(s("TableLangHeader"));
    db::Dataset& header = table(s("TableHeader"));
    bool ok = PDBBindTable(lang, s("LangPDBHeader"));
    ok = PDBBindTable(header, s("PDBHeader")) && ok;
    return openInOrder({&lang, &header}) && ok;
}

bool TFormDataPDB::PDBBindSelectionTables()
{
    if (!connectedOrReopened())
        return false;
    QVariantMap record;
    try {
        record = PDBSeriesRecord(m_context.series);
    } catch (const db::DatabaseError& e) {
        ShowPlainMessage(e.message());
        return false;
    }
    if (record.isEmpty())
        return false;
    db::Dataset& lang = table(s("TableLangSelection"));
    db::Dataset& selection = table(s("TableSelection"));
    bool ok = PDBBindTable(lang, record.value(s("DBSELLANG")).toString().trimmed());
    ok = PDBBindTable(selection, record.value(s("DBSEL")).toString().trimmed()) && ok;
    return openInOrder({&lang, &selection}) && ok;
}

// --- language ----------------------------------------------------------------------

bool TFormDataPDB::switchLookup(const QString& langComponent, const QString& owner, const QString& field,
                                const QString& language)
{
    db::Dataset& lang = table(langComponent);
    const bool langWasOpen = lang.isActive();
    lang.close();
    lang.open();
    bool ok = false;
    if (lang.isActive() && lang.findField(language).isValid()) {
        db::Dataset& o = table(owner);
        const bool ownerWasOpen = o.isActive();
        o.close();
        o.setLookupResultField(field, language);
        if (ownerWasOpen)
            o.open();
        ok = true;
    }
    if (!langWasOpen)
        lang.close();
    return ok;
}

bool TFormDataPDB::SetActiveLanguage(const QString& language)
{
    if (language.isEmpty())
        return false;
    if (!m_database->isOpen()) {
        // Nothing to check the columns against: the next open keeps the
        // lookups where they are, and the texts found by keyword follow.
        m_language = language;
        return false;
    }
    try {
        const bool first = switchLookup(s("TableLangMain"), s("TableMain"), s("_PUMPTEXT"), language)
                           && switchLookup(s("TableLangProdInfo"), s("TableProdInfo"), s("_PNONAME"), language)
                           && switchLookup(s("TableLangSelection"), s("TableSelection"), s("_SELTEXT"), language)
                           && switchLookup(s("TableLangHeader"), s("TableHeader"), s("_SECTHEADER"), language);
        m_language = language;
        m_textCache.clear();
        if (!first)
            return false;
        return switchLookup(s("TableLangDocs"), s("TableDocuments"), s("_DESCR"), language)
               && switchLookup(s("TableLangComments"), s("TableComments"), s("_NAME"), language)
               && switchLookup(s("TableLangNotes"), s("TableNotes"), s("_NAME"), language)
               && switchLookup(s("TableLangInfo"), s("TableInfo"), s("_Name"), language);
    } catch (const db::DatabaseError& e) {
        showEngineError("Failed to switch PDB language!", e);
        return false;
    }
}

QString TFormDataPDB::TranslateKeyword(const QString& languageComponent, const QString& keyword, bool keywordFallback)
{
    const QString fallback = keywordFallback ? keyword : QString();
    if (keyword.isEmpty())
        return fallback;
    db::Dataset* lang = findTable(languageComponent);
    if (!lang || !m_database->isOpen())
        return fallback;
    try {
        if (!lang->isActive())
            lang->open();
        TextCache& cache = m_textCache[languageComponent];
        if (cache.source != lang->tableName() || cache.generation != lang->generation()
            || cache.language != m_language) {
            cache.texts.clear();
            cache.source = lang->tableName();
            cache.generation = lang->generation();
            cache.language = m_language;
            const db::Field key = lang->findField(s("KeyWord"));
            const db::Field active = lang->findField(m_language);
            const db::Field uk = lang->findField(s("UK"));
            if (key.isValid()) {
                for (int row = 0; row < lang->recordCount(); ++row) {
                    const QString k = lang->rowValue(row, key.index()).toString();
                    if (cache.texts.contains(k))
                        continue; // the first record of a keyword counts, as a lookup finds it
                    const QString a = active.isValid() ? lang->rowValue(row, active.index()).toString() : QString();
                    const QString u = uk.isValid() ? lang->rowValue(row, uk.index()).toString() : QString();
                    cache.texts.insert(k, a.isEmpty() ? u : a);
                }
            }
        }
        const QString text = cache.texts.value(keyword);
        return text.isEmpty() ? fallback : text;
    } catch (const db::DatabaseError&) {
        return fallback;
    }
}

QString TFormDataPDB::TableMain_PUMPTEXTGetText()
{
    db::Dataset& main = table(s("TableMain"));
    if (!main.isActive() || main.isEmpty())
        return QString();
    const QString translated = main.fieldByName(s("_PUMPTEXT")).asString();
    if (!translated.isEmpty())
        return translated;
    const QString keyword = main.fieldByName(s("PUMPTEXT")).asString();
    db::Dataset& lang = table(s("TableLangMain"));
    if (lang.isActive() && lang.findField(s("UK")).isValid()) {
        const QString uk = lang.lookup(s("KeyWord"), keyword, s("UK")).toString();
        if (!uk.isEmpty())
            return uk;
    }
    return keyword;
}

// --- series table ---------------------------------------------------------------------

QString TFormDataPDB::ValidSeries(const QString& series)
{
    const QString code = series.trimmed().toUpper();
    if (code.size() != 2 || !kCodeAlphabet.contains(code.at(0)) || !kCodeAlphabet.contains(code.at(1)))
        return QString();
    return code;
}

QString TFormDataPDB::MakeTableFilter(db::Dataset& t, int mode)
{
    if (t.name() != QLatin1String("TableMain")) {
        MsgOK(s("1016"), {t.name()});
        return QString();
    }
    const QString isAcc = QStringLiteral("(ISACC='%1')").arg(m_context.isAcc ? s("True") : s("False"));
    if (mode == 0) {
        QStringList suppliers;
        for (const QString& code : settings().pdb().SuppliersInc.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!code.trimmed().isEmpty())
                suppliers << QStringLiteral("(PROCENTR=%1)").arg(db::FilterExpression::quoted(code.trimmed()));
        }
        if (suppliers.isEmpty())
            return isAcc;
        return QLatin1Char('(') + suppliers.join(QStringLiteral(" OR ")) + QStringLiteral(") AND ") + isAcc;
    }
    if (mode == 1) {
        if (m_context.series.isEmpty())
            return isAcc;
        return QStringLiteral("(PUMPSERIE=%1) AND ").arg(db::FilterExpression::quoted(m_context.series)) + isAcc;
    }
    return QString();
}

void TFormDataPDB::PDBListSeries()
{
    db::Dataset& main = table(s("TableMain"));
    try {
        main.setIndexName(m_context.isAcc ? s("IDX_IMPORTORDER") : s("IDX_PUMPTEXT_LANG"));
        main.setFilter(MakeTableFilter(main, 0));
        main.setFiltered(true);
        // The record filter follows the pump series, which the filter text does not show.
        main.setOnFilterRecord([this](db::Dataset& d) { return TableMainFilterRecord(d); });
    } catch (const db::DatabaseError& e) {
        ShowPlainMessage(e.message());
    }
}

bool TFormDataPDB::TableMainFilterRecord(db::Dataset& t)
{
    if (!m_context.isAcc || m_context.pumpSeries.isEmpty())
        return true;
    const QString validFor = t.fieldByName(s("ACCVALIDFOR")).asString();
    return validFor.isEmpty() || validFor.contains(m_context.pumpSeries, Qt::CaseInsensitive);
}

} // namespace kiro
