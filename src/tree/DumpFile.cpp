#include "tree/DumpFile.h"

#include "app/core/Cp1252.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/SqlDriver.h"
#include "db/Value.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

const QByteArray kMarker = QByteArrayLiteral("%%KIRO\r\n");
constexpr qint64 kMsPerDay = 86400000;
// QDate's Julian day of 31 December of year 0: day numbers count from the next day.
constexpr qint64 kJulianDayOffset = 1721425;

// --- the record order ----------------------------------------------------------

// One table component of the record order: the table it writes, the record
// it follows (its parent) and the link fields it takes from that record. The
// list is in record order: the children of a component are the components
// after it that name it as parent, in list order, and the components of an
// item's subtree are a contiguous run starting at the item.
struct Link {
    const char* field;       // of this table
    const char* parentField; // of the parent record
};
struct TableSpec {
    const char* component;
    const char* table;
    int parent; // index into kSpecs, -1 for the project
    std::vector<Link> links;
    const char* order = nullptr; // an Order column ahead of the row order
    bool ownPricesOnly = false;  // the product's own price rows: AccessoryID empty
    bool keyID = false;          // ID written with the key flag instead of left out
    int subtreeEnd = 0;          // one past the last component of the subtree
};

enum SpecIndex {
    SProjects = 0,
    SProducts = 4,
    SAccessories = 10,
    SAccPrices = 12,
    SCustOrdRows = 21,
    SPurchOrdRows = 23,
};

std::vector<TableSpec> makeSpecs()
{
    const std::vector<Link> project{{"ProjectID", "ID"}};
    const std::vector<Link> product{{"ProductID", "ID"}};
    const std::vector<Link> accessory{{"AccessoryID", "ID"}};
    const std::vector<Link> parent{{"ParentID", "ID"}};
    const std::vector<Link> order{{"OrderID", "ID"}};
    std::vector<TableSpec> specs = {
        {"TableProjects", "Projects", -1, {}},
        {"TableCurrencies", "ProjCurrencies", SProjects, project},
        {"TableDiscMarg", "ProjDiscMarg", SProjects, project},
        {"TableDocuments", "Documents", SProjects, project},
        {"TableProducts", "Products", SProjects, project, "Order", false, true},
        {"TableProdTechData", "ProdTechData", SProducts, product},
        {"TableProdDocuments", "ProdDocuments", SProducts, product},
        {"TableProdPrices", "DetailPrices", SProducts, product, nullptr, true},
        {"TableAddCosts", "DetailAddCosts", SProducts, product},
        {"TableProdParts", "ProdParts", SProducts, parent},
        {"TableAccessories", "Accessories", SProducts, product, "Order"},
        {"TableAccTechData", "AccTechData", SAccessories, accessory},
        {"TableAccPrices", "DetailPrices", SAccessories, {{"AccessoryID", "ID"}, {"ProductID", "ProductID"}}},
        {"TableAccParts", "AccParts", SAccessories, parent},
        {"TableAccLog", "AccLog", SAccessories, parent},
        {"TableAccSelComm", "AccSelComm", SAccessories, parent},
        {"TableProdLog", "ProdLog", SProducts, parent},
        {"TableProdSelComm", "ProdSelComm", SProducts, parent},
        {"TableProjAddCosts", "ProjAddCosts", SProjects, project},
        {"TableProjPackTrans", "ProjPackTrans", SProjects, project},
        {"TableCustOrders", "CustomerOrders", SProjects, project},
        {"TableCustOrdRows", "CustomerOrderRows", 20, order},
        {"TablePurchOrders", "PurchaseOrders", SProjects, project},
        {"TablePurchOrdRows", "PurchaseOrderRows", 22, order},
        {"TableProjLog", "ProjLog", SProjects, parent},
    };
    for (int i = int(specs.size()) - 1; i >= 0; --i) {
        int end = i + 1;
        while (end < int(specs.size())) {
            int p = specs[size_t(end)].parent;
            while (p > i)
                p = specs[size_t(p)].parent;
            if (p != i)
                break;
            ++end;
        }
        specs[size_t(i)].subtreeEnd = end;
    }
    return specs;
}

const std::vector<TableSpec>& specs()
{
    static const std::vector<TableSpec> list = makeSpecs();
    return list;
}

int topSpecOf(int kind)
{
    switch (kind) {
    case dumpfile::KindProject: return SProjects;
    case dumpfile::KindProduct: return SProducts;
    case dumpfile::KindAccessory: return SAccessories;
    default: return -1;
    }
}

int specOfComponent(const QString& component)
{
    static const QHash<QString, int> byName = [] {
        QHash<QString, int> h;
        for (int i = 0; i < int(specs().size()); ++i)
            h.insert(s(specs()[size_t(i)].component).toLower(), i);
        return h;
    }();
    return byName.value(component.toLower(), -1);
}

bool isLinkOrId(const TableSpec& spec, const QString& field)
{
    if (field.compare(u"ID", Qt::CaseInsensitive) == 0)
        return true;
    for (const Link& l : spec.links) {
        if (field.compare(QLatin1String(l.field), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// --- little-endian bytes -----------------------------------------------------------

void putInt32(QByteArray& out, qint32 v)
{
    const quint32 u = quint32(v);
    const char b[4] = {char(u & 0xFF), char((u >> 8) & 0xFF), char((u >> 16) & 0xFF), char((u >> 24) & 0xFF)};
    out.append(b, 4);
}

qint32 getInt32(const uchar* p)
{
    return qint32(quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24));
}

qint16 getInt16(const uchar* p)
{
    return qint16(quint16(p[0]) | (quint16(p[1]) << 8));
}

QByteArray int16Bytes(qint16 v)
{
    const quint16 u = quint16(v);
    return QByteArray{} + char(u & 0xFF) + char((u >> 8) & 0xFF);
}

QByteArray doubleBytes(double d)
{
    quint64 u = 0;
    std::memcpy(&u, &d, sizeof u);
    QByteArray b(8, '\0');
    for (int i = 0; i < 8; ++i)
        b[i] = char((u >> (8 * i)) & 0xFF);
    return b;
}

double getDouble(const uchar* p)
{
    quint64 u = 0;
    for (int i = 7; i >= 0; --i)
        u = (u << 8) | p[i];
    double d = 0;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

// Text in a fixed field of `size` bytes: Windows-1252, cut so that at least
// one terminating zero remains, the rest zero.
void putFixedText(QByteArray& out, const QString& text, int size)
{
    QByteArray bytes = toCp1252(text);
    if (bytes.size() > size - 1)
        bytes.truncate(size - 1);
    out.append(bytes);
    out.append(QByteArray(size - bytes.size(), '\0'));
}

// The text of a fixed field up to its first zero (the whole field when a
// writer left none).
QString fixedText(const uchar* p, qint64 size)
{
    const void* zero = std::memchr(p, 0, size_t(size));
    const qint64 n = zero ? static_cast<const uchar*>(zero) - p : size;
    return fromCp1252(QByteArray(reinterpret_cast<const char*>(p), n));
}

const char* typeName(quint8 code)
{
    switch (code) {
    case dumpfile::TypeString: return "string";
    case dumpfile::TypeSmallint: return "16-bit integer";
    case dumpfile::TypeInteger: return "32-bit integer";
    case dumpfile::TypeWord: return "16-bit unsigned";
    case dumpfile::TypeBoolean: return "boolean";
    case dumpfile::TypeFloat: return "float";
    case dumpfile::TypeCurrency: return "currency";
    case dumpfile::TypeDate: return "date";
    case dumpfile::TypeTime: return "time";
    case dumpfile::TypeDateTime: return "date and time";
    case dumpfile::TypeBytes: return "bytes";
    default: return "blob";
    }
}

// --- values -------------------------------------------------------------------------

QString storageDateTime(const QDate& date, qint64 msOfDay)
{
    const QTime t = QTime::fromMSecsSinceStartOfDay(int(msOfDay));
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d.%03d", date.year(), date.month(), date.day(), t.hour(),
                             t.minute(), t.second(), t.msec());
}

// Appends the value bytes of a stored value and gives the field's type
// code. Null values are never written; the caller has skipped them.
quint8 encodeInto(QByteArray& out, const db::FieldDef& f, const QVariant& stored)
{
    switch (f.type) {
    case db::FieldType::Text: putFixedText(out, stored.toString(), f.size + 1); return dumpfile::TypeString;
    case db::FieldType::Short: {
        // A value another program stored past the 16 bits would change in
        // the copy: refused rather than cut.
        const int n = stored.toInt();
        if (n < -32768 || n > 32767)
            throw TDumpFileError(
                QStringLiteral("The field %1 holds %2, which does not fit a short integer").arg(f.name).arg(n));
        out.append(int16Bytes(qint16(n)));
        return dumpfile::TypeSmallint;
    }
    case db::FieldType::Integer: putInt32(out, stored.toInt()); return dumpfile::TypeInteger;
    case db::FieldType::Boolean: out.append(int16Bytes(stored.toBool() ? 1 : 0)); return dumpfile::TypeBoolean;
    case db::FieldType::Float: out.append(doubleBytes(stored.toDouble())); return dumpfile::TypeFloat;
    case db::FieldType::DateTime: {
        // Wall-clock date and time as stored; UTC spares the time-zone rules.
        const QDateTime dt = db::value::parseDateTime(stored.toString(), Qt::UTC);
        if (!dt.isValid())
            throw TDumpFileError(
                QStringLiteral("The field %1 holds '%2', which is not a date").arg(f.name, stored.toString()));
        const QDate d = dt.date();
        out.append(doubleBytes(double(dumpfile::dayNumber(d.year(), d.month(), d.day())) * double(kMsPerDay) +
                               double(dt.time().msecsSinceStartOfDay())));
        return dumpfile::TypeDateTime;
    }
    case db::FieldType::Bytes: {
        QByteArray bytes = stored.toByteArray();
        if (f.size > 0)
            bytes.resize(f.size, '\0');
        out.append(bytes);
        return dumpfile::TypeBytes;
    }
    case db::FieldType::Memo: out.append(toCp1252(stored.toString())); return dumpfile::TypeMemo;
    case db::FieldType::Binary: out.append(stored.toByteArray()); return dumpfile::TypeBlob;
    }
    return 0;
}

// A field descriptor.
void putDescriptor(QByteArray& out, const QByteArray& nameField, qint32 size, quint8 type, bool key)
{
    out.append(nameField); // the name in its 41 bytes, then 3 zeros
    putInt32(out, size);
    out.append(char(type));
    out.append(char(key ? 1 : 0));
    out.append(2, '\0');
}

QByteArray nameField(const QString& name)
{
    QByteArray b;
    putFixedText(b, name, dumpfile::kFieldNameSize);
    b.append(3, '\0');
    return b;
}

} // namespace

// --- names and recognition ------------------------------------------------------------

namespace dumpfile {

QString extensionOf(int kind)
{
    switch (kind) {
    case KindProject: return QStringLiteral(".KIRO_PRJ");
    case KindProduct: return QStringLiteral(".KIRO_PRD");
    case KindAccessory: return QStringLiteral(".KIRO_ACC");
    default: return {};
    }
}

QString transferFileName(const QString& caption, int kind, const QString& directory)
{
    QString name = caption;
    for (QChar& c : name) {
        switch (c.unicode()) {
        case u'"':
        case u'*':
        case u'/':
        case u':':
        case u'<':
        case u'>':
        case u'?':
        case u'\\':
        case u'|': c = u'_'; break;
        default: break;
        }
    }
    QString dir = directory.isEmpty() ? QDir::tempPath() : directory;
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir + name + extensionOf(kind);
}

bool hasTransferExtension(const QString& path)
{
    const QString fileName = QFileInfo(path).fileName();
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot >= 0 && fileName.mid(dot, 5).compare(u".KIRO", Qt::CaseInsensitive) == 0;
}

qint64 dayNumber(int year, int month, int day)
{
    return QDate(year, month, day).toJulianDay() - kJulianDayOffset;
}

QList<RecordTable> recordOrder()
{
    QList<RecordTable> list;
    for (const TableSpec& spec : specs()) {
        RecordTable r{s(spec.component),
                      s(spec.table),
                      spec.parent >= 0 ? s(specs()[size_t(spec.parent)].component) : QString(),
                      {},
                      {}};
        for (const Link& l : spec.links) {
            r.linkFields << s(l.field);
            r.parentFields << s(l.parentField);
        }
        list << r;
    }
    return list;
}

} // namespace dumpfile

namespace {

std::optional<TDumpHeader> parseHeader(const uchar* p, qint64 size)
{
    if (size < dumpfile::kMarkerSize + dumpfile::kHeaderSize ||
        std::memcmp(p, kMarker.constData(), dumpfile::kMarkerSize) != 0)
        return std::nullopt;
    const uchar* h = p + dumpfile::kMarkerSize;
    TDumpHeader header;
    header.kind = getInt32(h + 8);
    if (topSpecOf(header.kind) < 0)
        return std::nullopt;
    header.name = fixedText(h + 12, dumpfile::kHeaderNameSize);
    header.revision = getInt32(h + 64);
    return header;
}

} // namespace

std::optional<TDumpHeader> ReadDumpHeader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(dumpfile::kMarkerSize + dumpfile::kHeaderSize);
    return parseHeader(reinterpret_cast<const uchar*>(head.constData()), head.size());
}

bool IsTransferFile(const QString& path, TDumpHeader* header)
{
    if (!dumpfile::hasTransferExtension(path))
        return false;
    const std::optional<TDumpHeader> h = ReadDumpHeader(path);
    if (h && header)
        *header = *h;
    return h.has_value();
}

// --- writing ---------------------------------------------------------------------------

TDumpFilePut::TDumpFilePut(const QString& path)
    : m_path(path)
{}

void TDumpFilePut::WriteHeader(const TDumpHeader& header)
{
    m_bytes.append(kMarker);
    putInt32(m_bytes, 1);
    putInt32(m_bytes, 3);
    putInt32(m_bytes, header.kind);
    putFixedText(m_bytes, header.name, dumpfile::kHeaderNameSize);
    putInt32(m_bytes, header.revision);
}

void TDumpFilePut::WriteRecord(const QString& component, const std::vector<Value>& values)
{
    putFixedText(m_bytes, component, dumpfile::kTableNameSize);
    putInt32(m_bytes, qint32(values.size()));
    for (const Value& v : values)
        putDescriptor(m_bytes, nameField(v.name), qint32(v.bytes.size()), v.type, v.key);
    for (const Value& v : values)
        m_bytes.append(v.bytes);
}

namespace {

// Reads the item's rows level by level and hands them to the writer in the
// record order.
class ItemWriter {
public:
    ItemWriter(db::Connection& connection, QByteArray& out, int kind)
        : m_connection(connection)
        , m_out(out)
        , m_kind(kind)
    {}

    // The rows of one component below a parent row (or the item itself).
    void writeLevel(int index, const QVariantList& keys, bool top);

private:
    const db::TableDef& def(const QString& table)
    {
        auto it = m_defs.find(table);
        if (it == m_defs.end()) {
            if (!m_connection.tableExists(table))
                throw TDumpFileError(QStringLiteral("The project database has no table %1").arg(table));
            it = m_defs.insert(table, m_connection.tableDef(table));
        }
        return it.value();
    }

    // The statement and the columns of one component, made once per item.
    struct Plan {
        db::TableDef def;
        std::vector<int> columns;
        std::vector<QByteArray> nameFields; // of the columns, laid out
        std::vector<char> role;             // of the columns: 'a' Alternate, 'f' AlternateFor, 'k' key, 0
        QByteArray componentField;
        QString sql;
    };
    const Plan& plan(int index, bool top);

    db::Connection& m_connection;
    QByteArray& m_out;
    int m_kind;
    QHash<QString, db::TableDef> m_defs;
    std::vector<std::unique_ptr<Plan>> m_plans = std::vector<std::unique_ptr<Plan>>(specs().size());
    std::unique_ptr<Plan> m_topPlan;
};

const ItemWriter::Plan& ItemWriter::plan(int index, bool top)
{
    std::unique_ptr<Plan>& slot = top ? m_topPlan : m_plans[size_t(index)];
    if (slot)
        return *slot;
    slot = std::make_unique<Plan>();
    Plan& plan = *slot;
    const TableSpec& spec = specs()[size_t(index)];
    plan.def = def(s(spec.table));
    const db::TableDef& d = plan.def;
    // Which columns travel: all but the left-out ones.
    QStringList select;
    for (int c = 0; c < d.fields.size(); ++c) {
        const QString& name = d.fields[c].name;
        const bool isId = name.compare(u"ID", Qt::CaseInsensitive) == 0;
        if (isLinkOrId(spec, name) && !(isId && spec.keyID))
            continue;
        plan.columns.push_back(c);
        plan.nameFields.push_back(nameField(name));
        plan.role.push_back(isId                                                      ? 'k'
                            : name.compare(u"Alternate", Qt::CaseInsensitive) == 0    ? 'a'
                            : name.compare(u"AlternateFor", Qt::CaseInsensitive) == 0 ? 'f'
                                                                                      : 0);
        select << m_connection.quote(name);
    }
    putFixedText(plan.componentField, s(spec.component), dumpfile::kTableNameSize);
    // The row's own ID and links are read for its children even when they
    // are left out.
    select << s("ID");
    for (const Link& l : spec.links)
        select << m_connection.quote(s(l.field));
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE ").arg(select.join(u','), m_connection.quote(d.name));
    if (top) {
        sql += s("ID = ?");
    } else {
        QStringList where;
        for (const Link& l : spec.links)
            where << m_connection.quote(s(l.field)) + s(" = ?");
        sql += where.join(QStringLiteral(" AND "));
        if (spec.ownPricesOnly)
            sql += QStringLiteral(" AND (AccessoryID IS NULL OR TRIM(AccessoryID) = '')");
    }
    sql += QStringLiteral(" ORDER BY ");
    if (spec.order && !top)
        sql += m_connection.quote(s(spec.order)) + u',';
    sql += m_connection.driver().rowIdColumn();
    plan.sql = sql;
    return plan;
}

void ItemWriter::writeLevel(int index, const QVariantList& keys, bool top)
{
    const TableSpec& spec = specs()[size_t(index)];
    const Plan& p = plan(index, top);
    const db::TableDef& d = p.def;
    const std::vector<int>& columns = p.columns;
    const QString& sql = p.sql;

    // The level's rows first, so that no statement stays open while the
    // children are read.
    struct Row {
        QByteArray block;               // the record block, laid out
        QHash<QString, QVariant> links; // ID and link fields, for the children
    };
    std::vector<Row> rows;
    {
        db::StatementHandle st = m_connection.statement(sql);
        st->clearBindings();
        for (int i = 0; i < keys.size(); ++i)
            st->bind(i, keys[i]);
        // The item itself travels as a plain item, and an accessory
        // travelling alone takes its own price rows along as plain rows too
        // (they carry the accessory's flags).
        const bool plain =
            (top && m_kind != dumpfile::KindProject) || (index == SAccPrices && m_kind == dumpfile::KindAccessory);
        QByteArray descriptors;
        QByteArray data;
        while (st->step()) {
            descriptors.clear();
            data.clear();
            qint32 count = 0;
            for (size_t i = 0; i < columns.size(); ++i) {
                const db::FieldDef& f = d.fields[columns[i]];
                const char role = p.role[i];
                QVariant v = st->value(int(i), f.type);
                if (plain && role == 'f')
                    continue;
                if (plain && role == 'a')
                    v = false;
                if (!v.isValid() || v.isNull())
                    continue;
                const qsizetype before = data.size();
                const quint8 type = encodeInto(data, f, v);
                putDescriptor(descriptors, p.nameFields[i], qint32(data.size() - before), type, role == 'k');
                ++count;
            }
            Row row;
            row.block.reserve(dumpfile::kRecordHeaderSize + descriptors.size() + data.size());
            row.block.append(p.componentField);
            putInt32(row.block, count);
            row.block.append(descriptors);
            row.block.append(data);
            int c = int(columns.size());
            row.links.insert(s("ID"), st->value(c++, db::FieldType::Text));
            for (const Link& l : spec.links)
                row.links.insert(s(l.field), st->value(c++, db::FieldType::Text));
            rows.push_back(std::move(row));
        }
    }
    if (top && rows.empty())
        throw TDumpFileError(QStringLiteral("There is no %1 with the ID %2").arg(d.name, keys.value(0).toString()));

    for (const Row& row : rows) {
        m_out.append(row.block);
        for (int child = index + 1; child < spec.subtreeEnd; ++child) {
            const TableSpec& c = specs()[size_t(child)];
            if (c.parent != index)
                continue;
            QVariantList childKeys;
            for (const Link& l : c.links)
                childKeys << row.links.value(s(l.parentField));
            writeLevel(child, childKeys, false);
        }
    }
}

} // namespace

void TDumpFilePut::WriteItem(db::Connection& projects, int kind, const QString& id)
{
    const int top = topSpecOf(kind);
    if (top < 0)
        throw TDumpFileError(QStringLiteral("Items of kind %1 have no transfer file").arg(kind));
    try {
        // One snapshot of the item: another workstation's change lands
        // before or after it, never in the middle. It also spares the file
        // locking of every single statement.
        db::Transaction snapshot(projects);
        ItemWriter writer(projects, m_bytes, kind);
        writer.writeLevel(top, {id}, true);
        snapshot.rollback();
    } catch (const db::DatabaseError& e) {
        throw TDumpFileError(e.message());
    }
}

void TDumpFilePut::finish()
{
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw TDumpFileError(
            QStringLiteral("Could not create %1: %2").arg(QDir::toNativeSeparators(m_path), file.errorString()));
    if (file.write(m_bytes) != m_bytes.size() || !file.flush()) {
        const QString why = file.errorString();
        file.close();
        file.remove();
        throw TDumpFileError(QStringLiteral("Could not write %1: %2").arg(QDir::toNativeSeparators(m_path), why));
    }
    file.close();
}

// --- reading ------------------------------------------------------------------------------

namespace {

// What the reader knows of a target table, worked out once per document.
struct TargetTable {
    db::TableDef def;
    QHash<QByteArray, int> byName; // lower-case field name -> column
    std::vector<bool> skip;        // the record's own ID and link fields
    std::vector<QString> quoted;
    int nameColumn = -1;
    int productColumn = -1;
    int orderColumn = -1;
    std::vector<int> linkColumns; // of the spec's links, in order
    // Prepared INSERTs by the columns they set (one byte per column).
    std::map<QByteArray, std::unique_ptr<db::SqlStatement>> inserts;
};

constexpr size_t kCachedInsertsPerTable = 16;

} // namespace

struct TDumpFileGet::Context {
    db::Connection* connection = nullptr;
    const Target* target = nullptr;
    int kind = 0;
    int top = 0;
    bool topSeen = false;
    // ID and link values of the record each component inserted last; a
    // record's children attach to it. Empty when there is none in reach.
    std::vector<QHash<QString, QVariant>> current;
    std::vector<std::unique_ptr<TargetTable>> tables; // by spec index
    QHash<QString, QString> productIds;               // old product ID (upper case) -> new
    TDumpInserted inserted;
    // Reused by every record.
    std::vector<QVariant> values;
    QByteArray set;
};

TDumpFileGet::TDumpFileGet(const QString& path)
    : m_path(path)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        fail(QStringLiteral("The file cannot be read: %1").arg(file->errorString()));
    m_size = file->size();
    if (m_size > 0) {
        // Mapped, so that a file of any size is read without a copy; a file
        // system that cannot map gets it read.
        uchar* mapped = file->map(0, m_size);
        if (mapped) {
            m_begin = mapped;
        } else {
            m_data = file->readAll();
            if (m_data.size() != m_size)
                fail(QStringLiteral("The file cannot be read: %1").arg(file->errorString()));
            m_begin = reinterpret_cast<const uchar*>(m_data.constData());
        }
    }
    m_file = std::move(file);
}

TDumpFileGet::TDumpFileGet(const QByteArray& bytes, const QString& path)
    : m_path(path)
    , m_data(bytes)
{
    m_begin = reinterpret_cast<const uchar*>(m_data.constData());
    m_size = m_data.size();
}

TDumpFileGet::~TDumpFileGet() = default;

void TDumpFileGet::fail(const QString& what) const
{
    if (m_record > 0)
        throw TDumpFileError(QStringLiteral("Record %1 (at byte %2): %3").arg(m_record).arg(m_pos).arg(what));
    throw TDumpFileError(what);
}

const uchar* TDumpFileGet::take(qint64 count, const char* what)
{
    if (count < 0 || count > m_size - m_pos)
        fail(QStringLiteral("The file ends inside %1 (%2 bytes needed, %3 left); it is incomplete")
                 .arg(s(what))
                 .arg(count)
                 .arg(m_size - m_pos));
    const uchar* p = m_begin + m_pos;
    m_pos += count;
    return p;
}

qint32 TDumpFileGet::takeInt(const char* what)
{
    return getInt32(take(4, what));
}

TDumpHeader TDumpFileGet::ReadHeader()
{
    m_pos = 0;
    m_record = 0;
    std::optional<TDumpHeader> header = m_begin ? parseHeader(m_begin, m_size) : std::nullopt;
    if (!header)
        fail(QStringLiteral("This is not a transfer file: the marker or the header is missing or damaged"));
    m_pos = dumpfile::kMarkerSize + dumpfile::kHeaderSize;
    m_header = header;
    return *header;
}

namespace {

// A value of the file as a value a field can take.
QVariant decodeValue(quint8 type, const uchar* p, qint32 size, db::FieldType target, bool& isStorageDate,
                     QString& error)
{
    isStorageDate = false;
    auto needSize = [&](qint32 expected) {
        if (size == expected)
            return true;
        error = QStringLiteral("a %1 value has %2 bytes instead of %3").arg(s(typeName(type))).arg(size).arg(expected);
        return false;
    };
    auto dateOf = [&](qint64 day, QDate& date) {
        if (day < 1 || day > dumpfile::dayNumber(9999, 12, 31)) {
            error = QStringLiteral("day number %1 is not a date").arg(day);
            return false;
        }
        date = QDate::fromJulianDay(day + kJulianDayOffset);
        return true;
    };
    switch (type) {
    case dumpfile::TypeString: return fixedText(p, size);
    case dumpfile::TypeSmallint: return needSize(2) ? QVariant(int(getInt16(p))) : QVariant();
    case dumpfile::TypeWord: return needSize(2) ? QVariant(int(quint16(getInt16(p)))) : QVariant();
    case dumpfile::TypeInteger: return needSize(4) ? QVariant(getInt32(p)) : QVariant();
    case dumpfile::TypeBoolean: return needSize(2) ? QVariant(getInt16(p) != 0) : QVariant();
    case dumpfile::TypeFloat:
    case dumpfile::TypeCurrency: {
        if (!needSize(8))
            return {};
        const double d = getDouble(p);
        if (!std::isfinite(d)) {
            error = QStringLiteral("a float value is not a number");
            return {};
        }
        return d;
    }
    case dumpfile::TypeDate: {
        QDate date;
        if (!needSize(4) || !dateOf(getInt32(p), date))
            return {};
        isStorageDate = true;
        return storageDateTime(date, 0);
    }
    case dumpfile::TypeTime: {
        if (!needSize(4))
            return {};
        const qint32 ms = getInt32(p);
        if (ms < 0 || ms >= kMsPerDay) {
            error = QStringLiteral("%1 ms is not a time of day").arg(ms);
            return {};
        }
        return QTime::fromMSecsSinceStartOfDay(ms).toString(QStringLiteral("HH:mm:ss.zzz"));
    }
    case dumpfile::TypeDateTime: {
        if (!needSize(8))
            return {};
        const double d = getDouble(p);
        if (!std::isfinite(d) || d < 0 || d > 1e15) {
            error = QStringLiteral("a date-time value is out of range");
            return {};
        }
        const qint64 t = std::llround(d);
        QDate date;
        if (!dateOf(t / kMsPerDay, date))
            return {};
        isStorageDate = true;
        return storageDateTime(date, t % kMsPerDay);
    }
    case dumpfile::TypeBytes:
    case dumpfile::TypeBlob:
    case dumpfile::TypeMemo:
    case dumpfile::TypeGraphic:
    case dumpfile::TypeFmtMemo: {
        const QByteArray bytes(reinterpret_cast<const char*>(p), size);
        if (target == db::FieldType::Binary || target == db::FieldType::Bytes)
            return bytes;
        // Text in a blob is Windows-1252 like every other text of the file.
        return fromCp1252(bytes);
    }
    default: error = QStringLiteral("type code %1 is unknown").arg(type); return {};
    }
}

} // namespace

namespace {

QByteArray lowerAscii(const uchar* p, qint64 size)
{
    const void* zero = std::memchr(p, 0, size_t(size));
    const qint64 n = zero ? static_cast<const uchar*>(zero) - p : size;
    QByteArray b(reinterpret_cast<const char*>(p), n);
    for (char& c : b) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return b;
}

} // namespace

void TDumpFileGet::insertRecord(Context& cx)
{
    const qint64 recordStart = m_pos;
    const uchar* rh = take(dumpfile::kRecordHeaderSize, "a record header");
    const QString component = fixedText(rh, dumpfile::kTableNameSize);
    const qint32 count = getInt32(rh + dumpfile::kTableNameSize);
    const int index = specOfComponent(component);
    if (index < 0)
        fail(QStringLiteral("The table component '%1' is unknown").arg(component));
    if (index < cx.top || index >= specs()[size_t(cx.top)].subtreeEnd)
        fail(QStringLiteral("A %1 record does not belong in a file of this kind").arg(component));
    if (!cx.topSeen && index != cx.top)
        fail(QStringLiteral("The file begins with a %1 record instead of its item").arg(component));
    if (cx.topSeen && index == cx.top)
        fail(QStringLiteral("The file holds a second %1 record; it holds one item only").arg(component));
    // Every descriptor takes 52 bytes of what is left: a count that claims
    // more cannot be right, and nothing is allocated for it.
    if (count < 0 || count > (m_size - m_pos) / dumpfile::kDescriptorSize)
        fail(QStringLiteral("The %1 record claims %2 fields, which the file cannot hold").arg(component).arg(count));

    const TableSpec& spec = specs()[size_t(index)];
    std::unique_ptr<TargetTable>& slot = cx.tables[size_t(index)];
    if (!slot) {
        const QString tableName = s(spec.table);
        if (!cx.connection->tableExists(tableName))
            fail(QStringLiteral("The project database has no table %1").arg(tableName));
        slot = std::make_unique<TargetTable>();
        slot->def = cx.connection->tableDef(tableName);
        const QList<db::FieldDef>& fields = slot->def.fields;
        for (int c = 0; c < fields.size(); ++c) {
            const QString& name = fields[c].name;
            slot->byName.insert(name.toLatin1().toLower(), c);
            slot->skip.push_back(isLinkOrId(spec, name));
            slot->quoted.push_back(cx.connection->quote(name));
            if (name.compare(u"Name", Qt::CaseInsensitive) == 0)
                slot->nameColumn = c;
            if (name.compare(u"ProductID", Qt::CaseInsensitive) == 0)
                slot->productColumn = c;
            if (name.compare(u"Order", Qt::CaseInsensitive) == 0)
                slot->orderColumn = c;
        }
        for (const Link& l : spec.links)
            slot->linkColumns.push_back(slot->def.fieldIndex(s(l.field)));
        if (slot->def.fieldIndex(s("ID")) < 0 || std::count(slot->linkColumns.begin(), slot->linkColumns.end(), -1))
            fail(QStringLiteral("The table %1 of the project database lacks its ID or link fields").arg(tableName));
    }
    TargetTable& table = *slot;
    const db::TableDef& def = table.def;

    // The parent record this one attaches to.
    const QHash<QString, QVariant>* parentRow = nullptr;
    if (spec.parent >= 0) {
        parentRow = &cx.current[size_t(spec.parent)];
        if (parentRow->isEmpty())
            fail(QStringLiteral("A %1 record comes before the %2 record it belongs to")
                     .arg(component, s(specs()[size_t(spec.parent)].component)));
    }

    // The descriptors, checked before any value is looked at.
    struct Descriptor {
        const uchar* name;
        qint32 size;
        quint8 type;
        bool key;
    };
    std::vector<Descriptor> descriptors;
    descriptors.reserve(size_t(count));
    qint64 total = 0;
    for (qint32 i = 0; i < count; ++i) {
        const uchar* d = take(dumpfile::kDescriptorSize, "a field descriptor");
        const Descriptor item{d, getInt32(d + 44), d[48], d[49] != 0};
        if (item.size < 0)
            fail(QStringLiteral("The field %1 of the %2 record has a negative size")
                     .arg(fixedText(d, dumpfile::kFieldNameSize), component));
        total += item.size;
        descriptors.push_back(item);
    }
    if (total > m_size - m_pos)
        fail(QStringLiteral("The values of the %1 record need %2 bytes, but only %3 are left; the file is incomplete")
                 .arg(component)
                 .arg(total)
                 .arg(m_size - m_pos));

    const int columnCount = int(def.fields.size());
    cx.values.assign(size_t(columnCount), QVariant());
    cx.set.fill('\0', columnCount);
    auto setColumn = [&](int column, const QVariant& value) {
        cx.values[size_t(column)] = value;
        cx.set[column] = 1;
    };

    // A new identifier, and the links to the parent record.
    const QString rowId = TFormData::SetUniqueID();
    QHash<QString, QVariant> linkValues;
    setColumn(def.fieldIndex(s("ID")), rowId);
    linkValues.insert(s("ID"), rowId);
    if (parentRow) {
        for (size_t i = 0; i < spec.links.size(); ++i) {
            const QVariant v = parentRow->value(s(spec.links[i].parentField));
            setColumn(table.linkColumns[i], v);
            linkValues.insert(s(spec.links[i].field), v);
        }
    }
    const bool isTop = index == cx.top;
    const bool isOrderRow = index == SCustOrdRows || index == SPurchOrdRows;

    for (const Descriptor& item : descriptors) {
        const uchar* p = take(item.size, "a field value");
        const auto found = table.byName.constFind(lowerAscii(item.name, dumpfile::kFieldNameSize));
        if (found == table.byName.constEnd())
            continue; // a field this table does not have, or a derived one
        const int column = found.value();
        const db::FieldDef& f = def.fields[column];
        if (item.key) {
            QString ignored;
            bool isDate = false;
            const QString old = decodeValue(item.type, p, item.size, db::FieldType::Text, isDate, ignored).toString();
            const QString now = cx.set[column] ? cx.values[size_t(column)].toString() : QString();
            m_rematches.append({component, f.name, old, now});
            if (index == SProducts && column == def.fieldIndex(s("ID")) && !old.isEmpty())
                cx.productIds.insert(old.toUpper(), now);
            continue;
        }
        if (table.skip[size_t(column)])
            continue; // the copy's own; a file never decides where a row goes
        if (isTop && cx.target->newName && column == table.nameColumn)
            continue; // set below
        QString error;
        bool isStorageDate = false;
        QVariant v = decodeValue(item.type, p, item.size, f.type, isStorageDate, error);
        if (!error.isEmpty())
            fail(QStringLiteral("The field %1 of the %2 record: %3").arg(f.name, component, error));
        if (isOrderRow && column == table.productColumn) {
            setColumn(column, cx.productIds.value(v.toString().toUpper(), s("?")));
            continue;
        }
        if (!(isStorageDate && f.type == db::FieldType::DateTime)) {
            try {
                v = db::value::toStorage(v, f.type, f.size, f.name);
            } catch (const db::DatabaseError& e) {
                fail(QStringLiteral("The field %1 of the %2 record: %3").arg(f.name, component, e.message()));
            }
        }
        setColumn(column, v);
    }
    if (isTop) {
        if (cx.target->newName && table.nameColumn >= 0) {
            const db::FieldDef& f = def.fields[table.nameColumn];
            setColumn(table.nameColumn, db::value::cutText(*cx.target->newName, f.size));
        }
        if ((cx.kind == dumpfile::KindProduct || cx.kind == dumpfile::KindAccessory) && table.orderColumn >= 0) {
            const QString owner = s(spec.links.front().field);
            db::StatementHandle st = cx.connection->statement(
                QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = ?").arg(cx.connection->quote(def.name), owner));
            st->clearBindings();
            st->bind(0, linkValues.value(owner));
            const int existing = st->step() ? st->naturalValue(0).toInt() : 0;
            st->reset();
            setColumn(table.orderColumn, existing + 1);
        }
    }

    // The statements are the reader's own, not the connection's cache: the
    // set of columns comes from the file, and a file whose every record
    // names other fields must not leave a statement per record behind.
    // Files of this program repeat a handful of sets per table.
    auto cached = table.inserts.find(cx.set);
    std::unique_ptr<db::SqlStatement> uncached;
    db::SqlStatement* st = cached != table.inserts.end() ? cached->second.get() : nullptr;
    try {
        if (!st) {
            QStringList columns;
            for (int c = 0; c < columnCount; ++c) {
                if (cx.set[c])
                    columns << table.quoted[size_t(c)];
            }
            const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                    .arg(cx.connection->quote(def.name), columns.join(u','),
                                         QStringList(columns.size(), s("?")).join(u','));
            uncached = cx.connection->driver().prepare(sql);
            st = uncached.get();
            if (table.inserts.size() < kCachedInsertsPerTable)
                table.inserts.emplace(cx.set, std::move(uncached));
        }
        st->clearBindings();
        int i = 0;
        for (int c = 0; c < columnCount; ++c) {
            if (cx.set[c])
                st->bind(i++, cx.values[size_t(c)]);
        }
        st->step();
        st->reset();
    } catch (const db::DatabaseError& e) {
        if (st)
            st->reset();
        m_pos = recordStart;
        fail(QStringLiteral("The %1 record cannot be stored: %2").arg(component, e.message()));
    }

    // Later records attach to this one; none attaches any more to the
    // records below its predecessor.
    for (int i = index + 1; i < spec.subtreeEnd; ++i)
        cx.current[size_t(i)].clear();
    cx.current[size_t(index)] = std::move(linkValues);
    if (isTop) {
        cx.topSeen = true;
        cx.inserted.id = rowId;
        if (parentRow)
            cx.inserted.parentID = parentRow->value(s("ID")).toString();
    }
    ++cx.inserted.rows;
}

std::vector<TDumpRecordInfo> TDumpFileGet::ListRecords()
{
    if (!m_header)
        ReadHeader();
    m_pos = dumpfile::kMarkerSize + dumpfile::kHeaderSize;
    std::vector<TDumpRecordInfo> records;
    m_record = 0;
    while (m_pos < m_size) {
        ++m_record;
        TDumpRecordInfo info;
        info.offset = m_pos;
        const uchar* rh = take(dumpfile::kRecordHeaderSize, "a record header");
        info.component = fixedText(rh, dumpfile::kTableNameSize);
        const qint32 count = getInt32(rh + dumpfile::kTableNameSize);
        if (count < 0 || count > (m_size - m_pos) / dumpfile::kDescriptorSize)
            fail(QStringLiteral("The %1 record claims %2 fields, which the file cannot hold")
                     .arg(info.component)
                     .arg(count));
        qint64 total = 0;
        for (qint32 i = 0; i < count; ++i) {
            const uchar* d = take(dumpfile::kDescriptorSize, "a field descriptor");
            TDumpFieldItem item{fixedText(d, dumpfile::kFieldNameSize), getInt32(d + 44), d[48], d[49] != 0};
            if (item.dataSize < 0)
                fail(
                    QStringLiteral("The field %1 of the %2 record has a negative size").arg(item.name, info.component));
            total += item.dataSize;
            info.fields.push_back(std::move(item));
        }
        take(total, "the values of a record");
        records.push_back(std::move(info));
    }
    m_record = 0;
    return records;
}

TDumpInserted TDumpFileGet::ReadDocument(db::Connection& projects, const Target& target)
{
    const TDumpHeader header = m_header ? *m_header : ReadHeader();
    m_pos = dumpfile::kMarkerSize + dumpfile::kHeaderSize;
    m_rematches.clear();

    Context cx;
    cx.connection = &projects;
    cx.target = &target;
    cx.kind = header.kind;
    cx.top = topSpecOf(header.kind);
    cx.current.resize(specs().size());
    cx.tables.resize(specs().size());
    cx.inserted.kind = header.kind;
    if (header.kind == dumpfile::KindProduct) {
        if (target.projectID.isEmpty())
            throw TDumpFileError(QStringLiteral("A product can only be inserted into a project"));
        cx.current[SProjects].insert(s("ID"), target.projectID);
    } else if (header.kind == dumpfile::KindAccessory) {
        if (target.productID.isEmpty())
            throw TDumpFileError(QStringLiteral("An accessory can only be inserted into a product"));
        cx.current[SProducts].insert(s("ID"), target.productID);
    }

    try {
        db::Transaction transaction(projects);
        m_record = 0;
        while (m_pos < m_size) {
            ++m_record;
            insertRecord(cx);
        }
        m_record = 0;
        if (!cx.topSeen)
            fail(QStringLiteral("The file holds no records"));
        // Alternatives among the copied products point at the copies.
        if (cx.kind == dumpfile::KindProject && !cx.productIds.isEmpty()) {
            db::StatementHandle read =
                projects.statement(QStringLiteral("SELECT ID, AlternateFor FROM Products WHERE ProjectID = ? AND "
                                                  "AlternateFor IS NOT NULL AND AlternateFor <> ''"));
            read->clearBindings();
            read->bind(0, cx.inserted.id);
            QList<QPair<QString, QString>> changes;
            while (read->step()) {
                const QString old = read->value(1, db::FieldType::Text).toString().toUpper();
                const auto it = cx.productIds.constFind(old);
                if (it != cx.productIds.constEnd())
                    changes.append({read->value(0, db::FieldType::Text).toString(), it.value()});
            }
            read->reset();
            for (const auto& [row, alternateFor] : std::as_const(changes)) {
                db::StatementHandle update =
                    projects.statement(QStringLiteral("UPDATE Products SET AlternateFor = ? WHERE ID = ?"));
                update->clearBindings();
                update->bind(0, alternateFor);
                update->bind(1, row);
                update->step();
            }
        }
        transaction.commit();
    } catch (const db::DatabaseError& e) {
        m_record = 0;
        throw TDumpFileError(e.message());
    }
    return cx.inserted;
}

} // namespace kiro
