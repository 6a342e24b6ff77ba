#include "pdb/Store.h"

#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/Progress.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "pdb/DataPDB.h"
#include "pdb/PDB.h"
#include "pdb/ProductData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <cstring>

namespace kiro::pdb {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

QString str(db::Dataset& d, const QString& field)
{
    return d.fieldByName(field).asString();
}

void set(db::Dataset& d, const QString& field, const QVariant& value)
{
    d.fieldByName(field).setValue(value);
}

// A list "as text" is its lines joined with CR LF; a memo read back is split
// at any line end. An empty memo is no lines, not one empty line.
QString joinLines(const QStringList& lines)
{
    return lines.join(s("\r\n"));
}

QStringList splitLines(const QString& text)
{
    if (text.isEmpty())
        return {};
    static const QRegularExpression lineEnd(s("\r\n|\n|\r"));
    return text.split(lineEnd);
}

QString withSlash(const QString& dir)
{
    return dir.isEmpty() || dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

bool samePath(const QString& a, const QString& b)
{
    return QDir::cleanPath(a) == QDir::cleanPath(b);
}

// Shown through MsgOK with a fixed format: texts of the data must never be
// read as a format.
void showText(const QString& text)
{
    MsgOK(s("%s"), {text});
}

// The failure was told to the user where it happened; the store only rolls back.
struct AlreadyReported {};
// The violation entry of the product log could not be written.
struct LogNotWritten {};

// Controls of a dataset off for a walk, on again on every path.
class ControlsOff {
public:
    explicit ControlsOff(db::Dataset& d)
        : m_d(d)
    {
        m_d.disableControls();
    }
    ~ControlsOff() { m_d.enableControls(); }
    ControlsOff(const ControlsOff&) = delete;
    ControlsOff& operator=(const ControlsOff&) = delete;

private:
    db::Dataset& m_d;
};

struct ProgressHidden {
    ~ProgressHidden() { HideProgress(); }
};

// Delphi's day numbers: day 0 is 30 December 1899.
QDateTime fromDayNumber(qint64 day)
{
    return QDateTime(QDate(1899, 12, 30).addDays(day), QTime(0, 0));
}

} // namespace

// --- byte blocks ---------------------------------------------------------------------------

QByteArray groupCodesToBytes(const GroupSets& sets)
{
    QByteArray out(kGroupCodesBytes, '\0');
    for (int p = 1; p <= kMaxPositions; ++p) {
        const std::array<std::uint8_t, 13> b = sets[std::size_t(p)].toBytes();
        std::memcpy(out.data() + (p - 1) * kGroupSetBytes, b.data(), kGroupSetBytes);
    }
    return out;
}

GroupSets groupCodesFromBytes(const QByteArray& bytes)
{
    QByteArray block(kGroupCodesBytes, '\0');
    std::memcpy(block.data(), bytes.constData(), std::size_t(std::min<qsizetype>(bytes.size(), kGroupCodesBytes)));
    GroupSets sets{};
    for (int p = 1; p <= kMaxPositions; ++p)
        sets[std::size_t(p)] = GroupSet::fromBytes(
            reinterpret_cast<const std::uint8_t*>(block.constData()) + (p - 1) * kGroupSetBytes, kGroupSetBytes);
    return sets;
}

namespace {

QByteArray charSetsBlock(const CodeMasks& sets, int first, int last, int size)
{
    QByteArray out(size, '\0');
    for (int p = first; p <= last; ++p) {
        const std::array<std::uint8_t, 32> b = maskToCharBytes(sets[std::size_t(p)]);
        std::memcpy(out.data() + (p - first) * kCharSetBytes, b.data(), kCharSetBytes);
    }
    return out;
}

void readCharSets(const QByteArray& bytes, int first, int last, int size, CodeMasks& sets)
{
    QByteArray block(size, '\0');
    std::memcpy(block.data(), bytes.constData(), std::size_t(std::min<qsizetype>(bytes.size(), size)));
    for (int p = first; p <= last; ++p)
        sets[std::size_t(p)] = maskFromCharBytes(
            reinterpret_cast<const std::uint8_t*>(block.constData()) + (p - first) * kCharSetBytes, kCharSetBytes);
}

} // namespace

OkValueBlocks okValuesToBytes(const CodeMasks& sets)
{
    return {charSetsBlock(sets, 1, 5, kOkValues1to5Bytes), charSetsBlock(sets, 6, 10, kOkValues6to10Bytes),
            charSetsBlock(sets, 11, 16, kOkValues11to16Bytes)};
}

CodeMasks okValuesFromBytes(const OkValueBlocks& blocks)
{
    CodeMasks sets{};
    readCharSets(blocks.values1to5, 1, 5, kOkValues1to5Bytes, sets);
    readCharSets(blocks.values6to10, 6, 10, kOkValues6to10Bytes, sets);
    readCharSets(blocks.values11to16, 11, 16, kOkValues11to16Bytes, sets);
    return sets;
}

// --- documents -------------------------------------------------------------------------------

TEPMInfo TEPMInfo::make(const QString& name, const QString& version, const QString& description,
                        const QDateTime& date, const QString& author)
{
    return {name.left(kNameWidth), version.left(kVersionWidth), description.left(kDescriptionWidth), date,
            author.left(kAuthorWidth)};
}

bool ReadPDFInfo(const QString& path, DocumentInfoBlock& info)
{
    info = DocumentInfoBlock{};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    const qsizetype eof = data.lastIndexOf("%%EOF");
    if (eof < 0)
        return false;
    const QString block = QString::fromLatin1(data.mid(eof + 5)).trimmed();
    if (block.isEmpty())
        return false;
    bool any = false;
    for (const QString& line : splitLines(block)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString name = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (name.compare(s("Author"), Qt::CaseInsensitive) == 0) {
            info.Author = value.left(50);
            any = true;
        } else if (name.compare(s("Version"), Qt::CaseInsensitive) == 0) {
            info.Version = value.left(10);
            any = true;
        } else if (name.compare(s("Date"), Qt::CaseInsensitive) == 0) {
            bool ok = false;
            const qint64 day = value.toLongLong(&ok);
            if (ok && day > 0)
                info.Date = fromDayNumber(day);
            any = true;
        }
    }
    return any;
}

std::optional<QuickProductLine> QuickProductLine::parse(const QString& line)
{
    const QStringList f = line.split(QLatin1Char('\t'));
    bool ok = false;
    const int kind = f.value(0).trimmed().toInt(&ok);
    if (!ok || kind < Spare || kind > PDB)
        return std::nullopt;
    return QuickProductLine{kind, f.value(1), f.value(2), f.value(3), f.value(4), f.value(5), f.value(6).trimmed()};
}

PDBStoreHost::~PDBStoreHost() = default;

// --- the store ---------------------------------------------------------------------------------

PDBStore::PDBStore(TFormData& data, TFormDataPDB& dataPDB, PDBConfigurator& configurator, PDBStoreHost& host)
    : m_data(data)
    , m_dataPDB(dataPDB)
    , m_cfg(configurator)
    , m_host(host)
    , m_readInfo(&ReadPDFInfo)
{
}

db::Dataset& PDBStore::t(const char* name) const
{
    return m_data.table(s(name));
}

QString PDBStore::directoryFor(bool complex)
{
    const DatabaseSettings& dirs = settings().databases();
    return withSlash(complex ? dirs.ExtComplex : dirs.PDB);
}

// --- loading --------------------------------------------------------------------------------

bool PDBStore::InitPDB(bool accessory, bool live)
{
    m_host.showPDBTab();
    db::Dataset& products = t("TableProducts");
    db::Dataset& accessories = t("TableAccessories");
    if (!products.isActive() || products.isEmpty())
        return false;
    if (accessory && (!accessories.isActive() || accessories.isEmpty()))
        return false;

    StoredItem item;
    item.isAcc = accessory;
    item.pumpCode = str(products, s("ProductCode"));
    item.pumpSeries = str(products, s("ProductSeries"));
    db::Dataset& rec = accessory ? accessories : products;
    item.productionCentre = str(rec, s("TechDataProductCentre"));
    item.series = str(rec, s("ProductSeries"));
    item.name = str(rec, s("Name"));
    item.code = str(rec, s("ProductCode"));
    item.codeValid = str(rec, s("ProductCodeValid"));
    item.userLocks = str(rec, s("UserLocks"));
    item.cls = str(rec, s("Class"));
    item.selectionClasses = str(rec, s("SelectionClasses"));
    item.selectionTypes = str(rec, s("SelectionTypes"));
    if (!accessory)
        item.torvaLocks = str(rec, s("TORVA_Locks"));
    item.groupCodes = groupCodesFromBytes(rec.fieldByName(s("GroupCodes")).asBytes());
    item.okValues = okValuesFromBytes({rec.fieldByName(s("SelectionOkValues1to5")).asBytes(),
                                       rec.fieldByName(s("SelectionOkValues6to10")).asBytes(),
                                       rec.fieldByName(s("SelectionOkValues11to16")).asBytes()});
    item.selections = splitLines(str(rec, s("Selections")));
    item.selInfo = splitLines(str(rec, s("SelectionInfo")));
    item.headers = splitLines(str(rec, s("Headers")));
    for (int p = 1; p <= kMaxPositions; ++p) {
        db::Field g = rec.fieldByName(s("Group") + QString::number(p));
        item.groups << (g.isNull() ? QString() : g.asString());
    }
    item.pdbVer = str(rec, s("PDBVer"));
    item.dbVer = str(rec, s("DBVer"));
    const QString itemID = str(rec, s("ID"));

    db::Connection& projects = m_data.database(s("DatabaseProjects"));
    {
        // Physical order is the order the parts were stored in.
        const QString partsTable = accessory ? s("AccParts") : s("ProdParts");
        const QString marker = accessory ? s("Xpart") : s("XPart");
        db::Query q(projects, s("SELECT PartNo, Name, Class, ItemNumber, Comment, %1, Added FROM %2 WHERE ParentID = "
                                ":id ORDER BY rowid")
                                  .arg(projects.quote(marker), projects.quote(partsTable)));
        q.bindValue(s("id"), itemID);
        for (q.open(); !q.eof(); q.next())
            for (int c = 0; c < 7; ++c)
                item.partNumbers << q.field(c).asString();
    }
    if (accessory) {
        db::Query q(projects, s("SELECT ProductCode FROM Accessories WHERE ProductID = :product AND ID <> :id "
                                "ORDER BY \"Order\""));
        q.bindValue(s("product"), str(products, s("ID")));
        q.bindValue(s("id"), itemID);
        for (q.open(); !q.eof(); q.next())
            item.accDepCodes << q.field(0).asString();
    }

    // The product database is read-only, so a directory already open is
    // not opened again: that would throw away the records the configurator
    // has read from it.
    const QString dir = directoryFor(products.fieldByName(s("Complex")).asBoolean());
    bool opened = true;
    if (!m_dataPDB.isOpen() || !samePath(m_dataPDB.PDBPath(), dir)) {
        QString version;
        opened = m_dataPDB.OpenPDB(dir, version);
        m_cfg.invalidateCache();
    }
    PdbEnvironment env;
    env.connection = &m_dataPDB.DatabasePDB();
    env.path = opened ? m_dataPDB.PDBPath() : dir;
    env.isCurrent = opened && m_dataPDB.PDBIsCurrent();
    env.version = opened ? m_dataPDB.PDBVersion() : QString();
    env.dbVersion = opened ? m_dataPDB.PDBGetDBVersion() : QString();
    env.language = m_dataPDB.PDBLanguage();
    m_cfg.setEnvironment(env);
    item.pdbPath = env.path;
    m_dataPDB.setSeriesContext({item.series, accessory, accessory ? item.pumpSeries : QString(), env.path});

    m_host.showVersions(item.pdbVer, env.version, env.path, !env.isCurrent);
    m_cfg.PDBLoadItem(item, live);
    if (opened)
        m_host.enableButtons();
    m_host.repaint();
    return opened;
}

// --- the pending change -------------------------------------------------------------------

bool PDBStore::TabPDBCheckUpdate()
{
    if (m_checkSuspended || !m_cfg.PDBIsModified())
        return true;
    switch (MsgYesNoCancel(s("28"))) {
    case MsgCodeYes:
        TabPDBBtnUpdateClick();
        return true;
    case MsgCodeNo:
        TabPDBBtnUndoClick();
        return true;
    default:
        return false;
    }
}

void PDBStore::TabPDBBtnUndoClick()
{
    m_cfg.PDARavova(ActUndo);
    m_host.enableButtons();
}

UpdateOutcome PDBStore::TabPDBBtnUpdateClick()
{
    if (m_cfg.restoredMode())
        m_cfg.PDARavova(ActGoLiveIfRestored);
    const UpdateOutcome outcome = UpdatePDB(false, false);
    m_host.enableButtons();
    return outcome;
}

void PDBStore::ClearConfigurator()
{
    m_cfg.PDBClearGlobalSavedVars();
    m_cfg.PDBResetState();
    m_cfg.PDBClearObjects();
}

// --- judging -------------------------------------------------------------------------------

UpdateOutcome PDBStore::UpdatePDB(bool silent, bool noDialog)
{
    int state = 0;
    const int result = m_cfg.PDBCheckComplete(state);
    if (state != 0 && !noDialog && !m_host.showPartListDialog(state))
        return UpdateOutcome::NotStored;
    m_host.repaint();

    auto stored = [](bool ok) { return ok ? UpdateOutcome::Stored : UpdateOutcome::NotStored; };
    switch (result) {
    case 0:
        return stored(StorePDB(StoreFlags::updateComplete()));
    case 1:
        if (!silent && MsgYesNo(s("25")) != MsgCodeYes)
            return UpdateOutcome::NotStored;
        return stored(StorePDB(StoreFlags::updateIncomplete(silent)));
    case 2:
    case 3: {
        if (MsgYesNo(result == 2 ? s("26") : s("27")) != MsgCodeYes)
            return UpdateOutcome::NotStored;
        const std::optional<QString> comment = m_host.inputText(MsgText(s("39")), QString());
        if (!comment)
            return UpdateOutcome::NotStored;
        Violation violation{*comment};
        return stored(storePDB(result == 2 ? StoreFlags::updateTorvaChanged()
                                           : StoreFlags::updateIncompleteTorvaChanged(),
                               &violation));
    }
    default:
        return UpdateOutcome::NotStored;
    }
}

// --- documents ---------------------------------------------------------------------------------

bool PDBStore::PDBCheckDocumentVersions(std::vector<TEPMInfo>& documents)
{
    documents.clear();
    std::vector<TEPMInfo> stored;
    db::Dataset& products = t("TableProducts");
    db::Connection& projects = m_data.database(s("DatabaseProjects"));
    if (products.isActive() && !products.isEmpty()) {
        db::Query q(projects, s("SELECT Name, Version, Description, Date, Author FROM ProdDocuments "
                                "WHERE ProductID = :id AND COALESCE(External, 0) = 0 ORDER BY rowid"));
        q.bindValue(s("id"), str(products, s("ID")));
        for (q.open(); !q.eof(); q.next())
            stored.push_back(TEPMInfo::make(q.field(0).asString(), q.field(1).asString(), q.field(2).asString(),
                                            q.field(3).asDateTime(), q.field(4).asString()));
    }

    QStringList pairs;
    m_cfg.PDBGetProductDocuments(pairs);
    db::Dataset* dov = m_data.findTable(s("TableDOV"));
    for (int i = 0; i + 1 < pairs.size(); i += 2) {
        TEPMInfo doc = TEPMInfo::make(pairs[i], QString(), pairs[i + 1], QDateTime(), QString());
        if (dov && dov->isActive()) {
            const QVariant path =
                dov->lookup(s("Name"), pairs[i], s("Path")); // names in the index are unique enough to look up
            DocumentInfoBlock info;
            if (path.isValid() && !path.isNull() && QFileInfo(path.toString()).isFile() && m_readInfo &&
                m_readInfo(path.toString(), info))
                doc = TEPMInfo::make(pairs[i], info.Version, pairs[i + 1], info.Date, info.Author);
        }
        documents.push_back(doc);
    }

    bool differs = false;
    for (const TEPMInfo& doc : documents) {
        for (const TEPMInfo& old : stored) {
            if (old.Name.compare(doc.Name, Qt::CaseInsensitive) != 0)
                continue;
            const bool sameDate = (!old.Date.isValid() && !doc.Date.isValid()) || old.Date == doc.Date;
            if (old.Version.compare(doc.Version, Qt::CaseInsensitive) != 0 || !sameDate)
                differs = true;
        }
    }
    if (!differs)
        return true;
    return MsgYesNo(s("The DOV-version stored in the project differs from the one used\nContinue?")) == MsgCodeYes;
}

// --- technical data ------------------------------------------------------------------------------

namespace {

struct TechTarget {
    QString table;
    QString owner;
};

TechTarget techTarget(bool accessory)
{
    return accessory ? TechTarget{s("AccTechData"), s("AccessoryID")} : TechTarget{s("ProdTechData"), s("ProductID")};
}

QHash<QString, QString> unitsOfProperties(db::Connection& system)
{
    QHash<QString, QString> units;
    db::Query q(system, s("SELECT Property, Unit FROM UnitTypes"));
    for (q.open(); !q.eof(); q.next())
        units.insert(q.field(0).asString(), q.field(1).asString());
    return units;
}

// Properties of a series with the code position that gives their value.
QList<std::pair<QString, int>> propertiesOf(db::Connection& system, const QString& series)
{
    QList<std::pair<QString, int>> props;
    db::Query q(system, s("SELECT Property, PDB FROM TechData WHERE Series = :series ORDER BY Property"));
    q.bindValue(s("series"), series);
    for (q.open(); !q.eof(); q.next())
        props.append({q.field(0).asString(), q.field(1).asInteger()});
    return props;
}

} // namespace

// The technical data are written with statements rather than through the
// grid's tables: the tables' edit rules log every changed value as a user's
// change and guard TORVA's values, which a store must not trip.
void PDBStore::TechDataForSeries(const QString& series, bool accessory)
{
    db::Dataset& owner = accessory ? t("TableAccessories") : t("TableProducts");
    const QString ownerID = str(owner, s("ID"));
    db::Connection& projects = m_data.database(s("DatabaseProjects"));
    db::Connection& system = m_data.database(s("DatabaseSystem"));
    const TechTarget target = techTarget(accessory);
    const QHash<QString, QString> units = unitsOfProperties(system);
    const bool show = !settings().project().HideTechData;
    for (const auto& [property, pos] : propertiesOf(system, series)) {
        (void)pos;
        const QString unit = units.value(property);
        db::Query find(projects, s("SELECT ID, Unit FROM %1 WHERE %2 = :owner AND Property = :property")
                                     .arg(projects.quote(target.table), projects.quote(target.owner)));
        find.bindValue(s("owner"), ownerID);
        find.bindValue(s("property"), property);
        find.open();
        if (find.eof()) {
            find.close();
            db::Query add(projects, s("INSERT INTO %1 (ID, %2, Property, Show, \"User\", Unit, OldUnit) "
                                      "VALUES (:id, :owner, :property, :show, 0, :unit, :unit)")
                                        .arg(projects.quote(target.table), projects.quote(target.owner)));
            add.bindValue(s("id"), TFormData::SetUniqueID());
            add.bindValue(s("owner"), ownerID);
            add.bindValue(s("property"), property);
            add.bindValue(s("show"), show);
            add.bindValue(s("unit"), unit);
            add.execSql();
        } else {
            const QString id = find.field(0).asString();
            const QString previous = find.field(1).asString();
            find.close();
            db::Query upd(projects, s("UPDATE %1 SET Unit = :unit, OldUnit = :old WHERE ID = :id")
                                        .arg(projects.quote(target.table)));
            upd.bindValue(s("unit"), unit);
            upd.bindValue(s("old"), previous.isEmpty() ? unit : previous);
            upd.bindValue(s("id"), id);
            upd.execSql();
        }
    }
}

void PDBStore::TechDataFromPDB(const QString& series, const QString& code, bool accessory)
{
    db::Dataset& owner = accessory ? t("TableAccessories") : t("TableProducts");
    const QString ownerID = str(owner, s("ID"));
    db::Connection& projects = m_data.database(s("DatabaseProjects"));
    db::Connection& system = m_data.database(s("DatabaseSystem"));
    const TechTarget target = techTarget(accessory);
    const QHash<QString, QString> units = unitsOfProperties(system);
    const bool show = !settings().project().HideTechData;
    const int positions = m_cfg.positionCount();
    for (const auto& [property, p] : propertiesOf(system, series)) {
        if (p < 1 || p > positions)
            continue;
        const QChar c = p <= code.size() ? code.at(p - 1) : QChar(u'?');
        QString value;
        for (const SelInfo& si : m_cfg.selInfos(p)) {
            if (si.code == c && si.group == m_cfg.currentGroup(p)) {
                value = si.text;
                break;
            }
        }
        db::Query find(projects, s("SELECT ID FROM %1 WHERE %2 = :owner AND Property = :property")
                                     .arg(projects.quote(target.table), projects.quote(target.owner)));
        find.bindValue(s("owner"), ownerID);
        find.bindValue(s("property"), property);
        find.open();
        QString id = find.eof() ? QString() : find.field(0).asString();
        find.close();
        if (id.isEmpty()) {
            id = TFormData::SetUniqueID();
            db::Query add(projects, s("INSERT INTO %1 (ID, %2, Property, Show, \"User\") VALUES (:id, :owner, "
                                      ":property, :show, 0)")
                                        .arg(projects.quote(target.table), projects.quote(target.owner)));
            add.bindValue(s("id"), id);
            add.bindValue(s("owner"), ownerID);
            add.bindValue(s("property"), property);
            add.bindValue(s("show"), show);
            add.execSql();
        }
        db::Query upd(projects, s("UPDATE %1 SET PDBValue = :pdbValue, Value = :value, PDB = :pdb, Unit = :unit "
                                  "WHERE ID = :id")
                                    .arg(projects.quote(target.table)));
        upd.bindValue(s("pdbValue"), QString(c));
        upd.bindValue(s("value"), value.left(40));
        upd.bindValue(s("pdb"), !value.isEmpty());
        upd.bindValue(s("unit"), units.value(property));
        upd.bindValue(s("id"), id);
        upd.execSql();
    }
}

// --- storing --------------------------------------------------------------------------------------

bool PDBStore::StorePDB(const StoreFlags& flags)
{
    return storePDB(flags, nullptr);
}

bool PDBStore::storePDB(const StoreFlags& flags, const Violation* violation)
{
    const int kind = m_host.selectedNodeKind();
    if (kind == 0)
        return false;
    const bool accessory = kind == 4;
    ProgressHidden hideOnExit;
    ShowProgress(s("55"), {QString()}, 0);

    if (flags.ApplyDefaults) {
        const int def = settings().pdb().Default;
        if (def == 1)
            m_cfg.PDARavova(ActFactoryDefault);
        else if (def == 2)
            m_cfg.PDARavova(ActUserDefault);
    }
    CurrentParams params;
    if (!m_cfg.PDBGetCurrentParams(params))
        return false;
    if (params.codeParams.isEmpty()) {
        MsgOK(s("9"));
        return false;
    }
    std::vector<TEPMInfo> documents;
    if (!PDBCheckDocumentVersions(documents))
        return false;

    QStringList notes;
    bool torvaState = false;
    try {
        {
            db::Transaction transaction(m_data.database(s("DatabaseProjects")));
            if (violation) {
                db::Dataset& products = t("TableProducts");
                if (!m_data.AddLogEntry(2, str(products, s("Name")), s("TORVA"), violation->comment,
                                        app().currentUserName(), s("Violation"), s("Warning")))
                    throw LogNotWritten{};
            }
            storeSteps(flags, accessory, params, documents, notes, torvaState);
            transaction.commit();
        }
    } catch (const LogNotWritten&) {
        resyncTables();
        HideProgress();
        MsgOK(s("Failed to add entry to log!"));
        return false;
    } catch (const AlreadyReported&) {
        resyncTables();
        return false;
    } catch (const db::DatabaseError& e) {
        resyncTables();
        HideProgress();
        MsgOK(s("%s\n\n%s"), {MsgText(s("Could not store the configuration!")), e.message()});
        return false;
    } catch (const std::exception& e) {
        resyncTables();
        HideProgress();
        MsgOK(s("%s\n\n%s"), {MsgText(s("Could not store the configuration!")), QString::fromLocal8Bit(e.what())});
        return false;
    }

    // Shown once the write lock is given back: a box may stay open long.
    if (flags.ShowNotes && !notes.isEmpty()) {
        HideProgress();
        showText(notes.join(QLatin1Char('\n')));
    }
    ShowProgress(s("61"), {QString()}, 85);
    if (accessory)
        m_host.accessoryNodeStored(flags.Valid);
    else
        m_host.productNodeStored(flags.Valid, torvaState);
    InitPDB(accessory, true);
    ShowProgress(s("61"), {QString()}, 100);
    return true;
}

void PDBStore::storeSteps(const StoreFlags& flags, bool accessory, const CurrentParams& params,
                          const std::vector<TEPMInfo>& documents, QStringList& notes, bool& torvaState)
{
    db::Dataset& products = t("TableProducts");
    db::Dataset& item = accessory ? t("TableAccessories") : products;
    db::Connection& projects = m_data.database(s("DatabaseProjects"));
    if (!item.isActive() || item.isEmpty())
        throw db::DatabaseError(MsgText(s("9")));
    const QString itemID = str(item, s("ID"));
    const QStringList& code = params.codeParams;
    auto line = [&code](int i) { return code.value(i); };

    ShowProgress(s("55"), {QString()}, 10);
    m_data.AddLogEntry(accessory ? 3 : 2, line(2), s("PDB"), QString(), app().currentUserID(), s("Changed"),
                       s("Information"));

    const TechTarget tech = techTarget(accessory);
    if (str(item, s("ProductSeries")) != line(1)) {
        // Rows the user added stay with the item whatever its series.
        db::Query q(projects, s("DELETE FROM %1 WHERE %2 = :owner AND COALESCE(\"User\", 0) = 0")
                                  .arg(projects.quote(tech.table), projects.quote(tech.owner)));
        q.bindValue(s("owner"), itemID);
        q.execSql();
    }
    QString tenth;
    bool resetTorva = false;
    if (accessory) {
        tenth = line(9);
    } else if (flags.IgnoreTORVA || !products.fieldByName(s("TORVA")).asBoolean()) {
        ShowProgress(s("56"), {QString()}, 10);
        db::Query q(projects, s("UPDATE ProdTechData SET TORVA = 0 WHERE ProductID = :owner"));
        q.bindValue(s("owner"), itemID);
        q.execSql();
        resetTorva = true;
        tenth = QString(kMaxPositions, m_cfg.databaseCurrent() ? QLatin1Char('F') : QLatin1Char('T'));
        torvaState = false;
    } else {
        tenth = line(9);
        torvaState = true;
    }

    if (flags.StoreTechData) {
        ShowProgress(s("57"), {QString()}, 15);
        TechDataForSeries(line(1), accessory);
        ShowProgress(s("57"), {QString()}, 20);
        TechDataFromPDB(line(1), line(4), accessory);
    }

    ShowProgress(s("58"), {QString()}, 25);
    if (!item.edit())
        throw db::DatabaseError(MsgText(s("Could not store the configuration!")));
    set(item, s("PDBVer"), params.pdbVersion);
    set(item, s("PDBPath"), params.pdbPath);
    set(item, s("TechDataProductCentre"), line(0));
    set(item, s("ProductSeries"), line(1));
    set(item, s("Name"), line(2));
    set(item, s("ProductCodeValid"), line(3));
    set(item, s("ProductCode"), line(4));
    set(item, s("UserLocks"), line(5));
    set(item, s("Class"), line(6));
    set(item, s("SelectionClasses"), line(7));
    set(item, s("SelectionTypes"), line(8));
    set(item, s("SelectionInfo"), joinLines(params.selInfo));
    const OkValueBlocks ok = okValuesToBytes(params.selectionOkValues);
    set(item, s("SelectionOkValues1to5"), ok.values1to5);
    set(item, s("SelectionOkValues6to10"), ok.values6to10);
    set(item, s("SelectionOkValues11to16"), ok.values11to16);
    set(item, accessory ? s("DependentFilterCode") : s("TORVA_Locks"), tenth);
    set(item, s("GroupCodes"), groupCodesToBytes(params.groupCodes));
    set(item, s("PDB"), flags.Valid);
    if (resetTorva)
        set(item, s("TORVA"), false);

    QStringList comments;
    m_cfg.PDBGetProductComments(comments);
    set(item, s("TechDataSelComm"), joinLines(comments));
    for (int n = 0; n < params.headerParams.size() && n < kMaxPositions; ++n)
        set(item, s("Header") + QString::number(n + 1), params.headerParams[n]);
    set(item, s("Headers"), joinLines(params.headerParams));
    for (int n = 0; n < params.selParams.size() && n < kMaxPositions; ++n)
        set(item, s("Selection") + QString::number(n + 1), params.selParams[n]);
    set(item, s("Selections"), joinLines(params.selParams));
    for (int n = 0; n < params.selectionGroups.size() && n < kMaxPositions; ++n)
        set(item, s("Group") + QString::number(n + 1), params.selectionGroups[n].trimmed().toInt());
    if (!accessory) {
        db::Dataset& project = t("TableProjects");
        set(item, s("TotalPriceComm"), project.fieldByName(s("Commission")).asFloat());
    }
    // The accessory is posted here as well: its price rows take its flags
    // from the posted row.
    if (!item.post())
        throw db::DatabaseError(MsgText(s("Could not store the configuration!")));

    {
        db::Dataset& rows = accessory ? t("TableAccSelComm") : t("TableProdSelComm");
        ControlsOff off(rows);
        rows.first();
        while (!rows.isEmpty())
            rows.deleteRecord();
        for (const QString& comment : std::as_const(comments)) {
            rows.append();
            set(rows, s("Comment"), comment);
            rows.post();
        }
    }

    if (flags.StoreDocuments && !accessory) {
        ShowProgress(s("59"), {QString()}, 30);
        db::Dataset& docs = t("TableProdDocuments");
        ControlsOff off(docs);
        // External documents were added by the user and stay.
        docs.first();
        while (!docs.eof()) {
            if (docs.fieldByName(s("External")).asBoolean())
                docs.next();
            else
                docs.deleteRecord();
        }
        ShowProgress(s("59"), {QString()}, 35);
        for (const TEPMInfo& doc : documents) {
            docs.append();
            set(docs, s("Name"), doc.Name);
            set(docs, s("Version"), doc.Version);
            set(docs, s("Description"), doc.Description);
            if (doc.Date.isValid())
                set(docs, s("Date"), doc.Date);
            set(docs, s("Author"), doc.Author);
            docs.post();
        }
        ShowProgress(s("59"), {QString()}, 45);
    }

    if (flags.UpdatePrices) {
        const std::optional<QList<TFormData::PriceItem>> items = configuratorPriceItems(m_cfg);
        const bool hasItems = items && !items->isEmpty();
        const bool ok = m_data.UpdatePrice(accessory, [&items] { return items; });
        // Without prices the data module has said so and the rest is stored;
        // a failure while writing them takes the whole store back.
        if (hasItems && !ok)
            throw AlreadyReported{};
    }

    if (flags.ShowNotes)
        m_cfg.PDBGetProductNotes(notes);

    if (flags.StoreParts) {
        QStringList parts;
        if (m_cfg.PDBGetPartList(parts)) {
            db::Dataset& rows = accessory ? t("TableAccParts") : t("TableProdParts");
            const QString marker = accessory ? s("Xpart") : s("XPart");
            ControlsOff off(rows);
            rows.first();
            while (!rows.isEmpty())
                rows.deleteRecord();
            for (int i = 0; i + 6 < parts.size(); i += 7) {
                rows.append();
                set(rows, s("PartNo"), parts[i]);
                set(rows, s("Name"), parts[i + 1]);
                set(rows, s("Class"), parts[i + 2]);
                set(rows, s("ItemNumber"), parts[i + 3]);
                set(rows, s("Comment"), parts[i + 4]);
                set(rows, marker, parts[i + 5]);
                set(rows, s("Added"), parts[i + 6]);
                rows.post();
            }
        }
    }

    // Technical data were written by statements: the grid's tables re-read.
    for (const char* name : {"TableProdTechData", "TableAccTechData"}) {
        db::Dataset& d = t(name);
        if (d.isActive())
            d.refresh();
    }
}

void PDBStore::resyncTables()
{
    // Masters first, so that a detail re-reads for the row its master is on.
    for (const char* name :
         {"TableProjects", "TableProducts", "TableAccessories", "TableProdLog", "TableAccLog", "TableProdPrices",
          "TableAccPrices", "TableAddCosts", "TableProdDocuments", "TableProdParts", "TableAccParts",
          "TableProdSelComm", "TableAccSelComm", "TableProdTechData", "TableAccTechData"}) {
        db::Dataset* d = m_data.findTable(s(name));
        if (!d || !d->isActive())
            continue;
        try {
            d->cancel();
            d->refresh();
        } catch (const db::DatabaseError&) {
            // The failure being reported matters more than this one.
        }
    }
}

// --- creating items -------------------------------------------------------------------------------

void PDBStore::GetPreviousMarkInfo(const QString& productID)
{
    db::Dataset& products = t("TableProducts");
    if (!products.locate(s("ID"), productID))
        return;
    if (!products.prior() || str(products, s("ID")) == productID)
        return;
    const QString seg = str(products, s("TechDataMarkSeg"));
    const QString appl = str(products, s("TechDataApplication"));
    const QString liq = str(products, s("TechDataPumpLiq"));
    if (!products.locate(s("ID"), productID))
        return;
    products.edit();
    set(products, s("TechDataMarkSeg"), seg);
    set(products, s("TechDataApplication"), appl);
    set(products, s("TechDataPumpLiq"), liq);
    products.post();
}

QString PDBStore::CreateProductPDB(bool complex)
{
    if (m_host.selectedNodeKind() == 0 || !m_host.hasProductsGroup())
        return QString();
    db::Dataset& projects = t("TableProjects");
    db::Dataset& products = t("TableProducts");
    if (!projects.isActive() || projects.isEmpty() || !products.isActive())
        return QString();
    const ProjectSettings& opt = settings().project();
    QString id;
    try {
        db::Transaction transaction(m_data.database(s("DatabaseProjects")));
        const int n = products.recordCount() + 1;
        const QString currency = str(projects, s("ProjCurrency"));
        products.append();
        set(products, s("Tag"), QString::number(n));
        set(products, s("Order"), n);
        set(products, s("Name"), s("New product"));
        set(products, s("Description"), QString());
        set(products, s("ProdCurrency"), currency);
        set(products, s("TotalCurrency"), currency);
        set(products, s("Qty"), 1);
        set(products, s("PDB"), false);
        set(products, s("TORVA"), false);
        set(products, s("External"), false);
        set(products, s("Show"), !opt.HidePrices);
        set(products, s("AddOption"), opt.AddOption);
        set(products, s("Complex"), complex);
        products.post();
        id = str(products, s("ID"));
        if (opt.PrevProdUse)
            GetPreviousMarkInfo(id);
        transaction.commit();
    } catch (const db::DatabaseError& e) {
        resyncTables();
        MsgOK(s("%s\n\n%s"), {MsgText(s("Could not create the product!")), e.message()});
        return QString();
    }
    m_host.productCreated(id);
    InitPDB(false, true);
    return id;
}

QString PDBStore::ProjectNewProductPDB(bool tabActive)
{
    if (tabActive && !TabPDBCheckUpdate())
        return QString();
    return CreateProductPDB(false);
}

QString PDBStore::CreateAccessoryPDB(const QString& code)
{
    const int kind = m_host.selectedNodeKind();
    if (kind != 2 && kind != 4 && kind != 5 && kind != 104 && kind != 105) {
        MsgOK(s("Select a product (or details accessory, document etc of a product) in the project tree before "
                "creating an accessory!"));
        return QString();
    }
    if (!m_host.hasAccessoriesGroup())
        return QString();
    db::Dataset& products = t("TableProducts");
    db::Dataset& accessories = t("TableAccessories");
    if (!products.isActive() || products.isEmpty() || !accessories.isActive())
        return QString();
    QString id;
    try {
        const int n = accessories.recordCount() + 1;
        accessories.append();
        set(accessories, s("Name"), s("New accessory"));
        set(accessories, s("Tag"), QString::number(n));
        set(accessories, s("Order"), n);
        set(accessories, s("PDB"), false);
        set(accessories, s("ProductCode"), code);
        set(accessories, s("AddOption"), settings().project().AddOption);
        set(accessories, s("Qty"), 1);
        accessories.post();
        id = str(accessories, s("ID"));
    } catch (const db::DatabaseError& e) {
        try {
            accessories.cancel();
        } catch (const db::DatabaseError&) {
        }
        MsgOK(s("%s\n\n%s"), {MsgText(s("Could not create the accessory!")), e.message()});
        return QString();
    }
    m_host.accessoryCreated(id);
    InitPDB(true, true);
    return id;
}

int PDBStore::TabPDBBtnAccessoriesClick()
{
    m_host.rememberSelection();
    QStringList texts;
    QStringList codes;
    m_cfg.PDBGetAccessories(texts, codes);
    const std::optional<QList<int>> ticked = m_host.chooseAccessories(texts);
    int created = 0;
    if (ticked) {
        // The codes are taken before the first accessory is created: that
        // loads the new accessory into the configurator.
        QStringList chosen;
        for (int i : *ticked)
            if (i >= 0 && i < codes.size())
                chosen << codes[i];
        for (const QString& code : std::as_const(chosen)) {
            if (CreateAccessoryPDB(code).isEmpty())
                break;
            UpdatePDB(true, true);
            ++created;
        }
    }
    m_host.restoreSelection();
    return created;
}

QStringList PDBStore::CreateQuickProducts(const QList<QuickProductLine>& lines, bool documents, bool techData)
{
    QStringList created;
    if (lines.isEmpty() || m_host.selectedNodeKind() == 0 || !m_host.hasProductsGroup())
        return created;
    db::Dataset& projects = t("TableProjects");
    db::Dataset& products = t("TableProducts");
    if (!projects.isActive() || projects.isEmpty() || !products.isActive())
        return created;
    const ProjectSettings& opt = settings().project();
    for (const QuickProductLine& line : lines) {
        QString id;
        try {
            db::Transaction transaction(m_data.database(s("DatabaseProjects")));
            const int n = products.recordCount() + 1;
            const QString currency = str(projects, s("ProjCurrency"));
            products.append();
            set(products, s("Order"), n);
            set(products, s("Tag"), QString::number(n));
            set(products, s("Name"), line.name);
            set(products, s("Description"), line.description);
            set(products, s("TechDataProductCentre"), line.supplier);
            set(products, s("TotalCurrency"), currency);
            set(products, s("ProdCurrency"), currency);
            set(products, s("Qty"), 1);
            set(products, s("PDB"), false);
            set(products, s("TORVA"), false);
            set(products, s("Spare"), line.kind == QuickProductLine::Spare);
            set(products, s("External"), line.kind == QuickProductLine::External);
            if (line.kind == QuickProductLine::PDB) {
                set(products, s("PDB"), true);
                set(products, s("PDBVer"), QString());
                set(products, s("PDBPath"), directoryFor(false));
                set(products, s("ProductSeries"), line.code.left(2));
                set(products, s("ProductCodeValid"), line.code);
                set(products, s("ProductCode"), line.code);
            }
            set(products, s("AddOption"), opt.AddOption);
            products.post();
            id = str(products, s("ID"));
            if (opt.PrevProdUse)
                GetPreviousMarkInfo(id);
            db::Dataset& prices = t("TableProdPrices");
            prices.append();
            set(prices, s("Description"), line.description);
            set(prices, s("ListPrice"), line.price);
            set(prices, s("ListCurrency"), line.currency);
            set(prices, s("NetCurrency"), line.currency);
            prices.post();
            transaction.commit();
        } catch (const db::DatabaseError& e) {
            resyncTables();
            MsgOK(s("%s\n\n%s"), {MsgText(s("Could not create the product!")), e.message()});
            break;
        }
        m_data.RecalculateProduct();
        m_host.productCreated(id);
        created << id;
        if (line.kind == QuickProductLine::PDB) {
            InitPDB(false, true);
            StorePDB(StoreFlags::quickProduct(documents, techData));
        }
    }
    return created;
}

} // namespace kiro::pdb
