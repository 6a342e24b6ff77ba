#include "transfer/TransferSupport.h"

#include "data/FormData.h"
#include "db/DataSource.h"
#include "db/Dataset.h"

using namespace kiro;
using namespace kiro::test;

namespace {

// A project with rows in every table, every field set: two products (the
// second an alternative for the first), each with accessories, prices,
// costs, documents, technical data, parts, comments and logs; customer and
// purchase orders whose rows name a product of the project or one that is
// not in it.
class FixtureProject {
public:
    explicit FixtureProject(ProjectDb& db)
        : m_db(db)
    {
        add("Projects", {{s("ID"), s("PRJ")}});
        for (const char* t : {"ProjCurrencies", "ProjCurrencies", "ProjDiscMarg", "ProjDiscMarg", "Documents",
                              "ProjAddCosts", "ProjPackTrans"})
            add(t, {{s("ProjectID"), s("PRJ")}});
        addProduct(s("P1"), 1, QString());
        addProduct(s("P2"), 2, s("P1"));
        add("CustomerOrders", {{s("ID"), s("CO")}, {s("ProjectID"), s("PRJ")}});
        add("CustomerOrderRows", {{s("OrderID"), s("CO")}, {s("ProductID"), s("P2")}});
        add("CustomerOrderRows", {{s("OrderID"), s("CO")}, {s("ProductID"), s("GONE")}});
        add("PurchaseOrders", {{s("ID"), s("PO")}, {s("ProjectID"), s("PRJ")}});
        add("PurchaseOrderRows", {{s("OrderID"), s("PO")}, {s("ProductID"), s("p1")}});
        add("ProjLog", {{s("ParentID"), s("PRJ")}});
        add("ProjLog", {{s("ParentID"), s("PRJ")}});
    }

private:
    void add(const char* table, QVariantMap links)
    {
        if (!links.contains(s("ID")))
            links.insert(s("ID"), QStringLiteral("R%1").arg(m_row));
        m_db.insert(s(table), fullRow(s(table), m_row++, links));
    }
    void addProduct(const QString& id, int order, const QString& alternateFor)
    {
        add("Products", {{s("ID"), id},
                         {s("ProjectID"), s("PRJ")},
                         {s("Order"), 3 - order},
                         {s("AlternateFor"), alternateFor},
                         {s("Alternate"), !alternateFor.isEmpty()}});
        for (const char* t : {"ProdTechData", "ProdTechData", "ProdDocuments", "DetailAddCosts"})
            add(t, {{s("ProductID"), id}});
        add("DetailPrices", {{s("ProductID"), id}, {s("AccessoryID"), s("")}});
        add("DetailPrices", {{s("ProductID"), id}});
        for (const char* t : {"ProdParts", "ProdParts", "ProdLog", "ProdSelComm"})
            add(t, {{s("ParentID"), id}});
        for (int a = 1; a <= 2; ++a) {
            const QString acc = id + QStringLiteral("A%1").arg(a);
            add("Accessories", {{s("ID"), acc}, {s("ProductID"), id}, {s("Order"), a}});
            add("DetailPrices", {{s("ProductID"), id}, {s("AccessoryID"), acc}});
            add("DetailPrices", {{s("ProductID"), id}, {s("AccessoryID"), acc}});
            add("AccTechData", {{s("AccessoryID"), acc}});
            for (const char* t : {"AccParts", "AccLog", "AccSelComm"})
                add(t, {{s("ParentID"), acc}});
        }
    }

    ProjectDb& m_db;
    int m_row = 1;
};

// The item's rows as text, walked down the record order from one row: every
// field but identifiers and links, each row under its parent. References to
// products show the referenced product's Name, so that copies compare equal.
class TreeDump {
public:
    explicit TreeDump(db::Connection& connection)
        : m_connection(connection)
    {
        for (const dumpfile::RecordTable& t : dumpfile::recordOrder())
            m_order << t;
    }

    QStringList walk(const QString& component, const QString& id)
    {
        QStringList lines;
        const dumpfile::RecordTable& t = find(component);
        db::Query q(m_connection, QStringLiteral("SELECT * FROM %1 WHERE ID = :id").arg(t.table));
        q.bindValue(s("id"), id);
        q.open();
        EXPECT_FALSE(q.eof()) << str(component) << " " << str(id);
        if (!q.eof())
            emitRow(t, q, lines);
        return lines;
    }

private:
    const dumpfile::RecordTable& find(const QString& component)
    {
        for (const dumpfile::RecordTable& t : std::as_const(m_order))
            if (t.component == component)
                return t;
        ADD_FAILURE() << str(component);
        return m_order.first();
    }

    QString productName(const QString& id)
    {
        db::Query q(m_connection, s("SELECT Name FROM Products WHERE ID = :id COLLATE NOCASE"));
        q.bindValue(s("id"), id);
        q.open();
        return q.eof() ? QStringLiteral("<%1>").arg(id) : q.field(0).asString();
    }

    void emitRow(const dumpfile::RecordTable& t, db::Query& q, QStringList& lines)
    {
        QStringList cells;
        QHash<QString, QString> own;
        for (int c = 0; c < q.fieldCount(); ++c) {
            const db::Field f = q.field(c);
            own.insert(f.name(), f.asString());
            if (f.name() == s("ProductID") && t.table.endsWith(s("OrderRows")))
                cells << s("ProductID=") + productName(f.asString());
            else if (f.name() == s("AlternateFor"))
                cells << s("AlternateFor=") + (f.asString().isEmpty() ? QString() : productName(f.asString()));
            else if (!isIdOrLink(f.name()))
                cells << f.name() + u'=' + f.asString();
        }
        lines << t.component + u':' + cells.join(u'|');
        for (const dumpfile::RecordTable& child : std::as_const(m_order)) {
            if (child.parent != t.component)
                continue;
            QStringList where;
            for (const QString& link : child.linkFields)
                where << link + QStringLiteral(" = :") + link;
            if (child.component == s("TableProdPrices"))
                where << s("(AccessoryID IS NULL OR AccessoryID = '')");
            const bool ordered = child.table == s("Products") || child.table == s("Accessories");
            db::Query rows(m_connection,
                           QStringLiteral("SELECT * FROM %1 WHERE %2 ORDER BY %3rowid")
                               .arg(child.table, where.join(s(" AND ")), ordered ? s("\"Order\", ") : QString()));
            for (int i = 0; i < child.linkFields.size(); ++i)
                rows.bindValue(child.linkFields[i], own.value(child.parentFields[i]));
            std::vector<QStringList> childLines;
            for (rows.open(); !rows.eof(); rows.next()) {
                QStringList sub;
                emitRow(child, rows, sub);
                lines << sub;
            }
        }
    }

    db::Connection& m_connection;
    QList<dumpfile::RecordTable> m_order;
};

int rowsInAllTables(ProjectDb& db)
{
    int n = 0;
    for (const db::TableDef& def : schema::projectTables())
        n += db.count(def.name);
    return n;
}

} // namespace

TEST(TransferRoundTrip, AProjectArrivesInAnotherDatabaseWithEveryFieldOfEveryTable)
{
    ProjectDb a;
    FixtureProject fixture(a);
    const QByteArray file = writeItem(a.connection(), dumpfile::KindProject, s("PRJ"), s("Station"), 3);

    ProjectDb b;
    TDumpFileGet get(file, s("Station.KIRO_PRJ"));
    EXPECT_EQ(get.ReadHeader().revision, 3);
    const TDumpInserted in = get.ReadDocument(b.connection(), {});
    EXPECT_EQ(in.kind, 1);
    EXPECT_EQ(in.rows, rowsInAllTables(a));
    EXPECT_EQ(rowsInAllTables(b), rowsInAllTables(a)) << "every row arrived, none elsewhere";

    const QStringList source = TreeDump(a.connection()).walk(s("TableProjects"), s("PRJ"));
    const QStringList copy = TreeDump(b.connection()).walk(s("TableProjects"), in.id);
    ASSERT_EQ(copy.size(), source.size());
    for (int i = 0; i < source.size(); ++i) {
        QString expected = source[i];
        // The order row whose product is not in the file points at "?".
        expected.replace(s("ProductID=<GONE>"), s("ProductID=<?>"));
        EXPECT_EQ(str(copy[i]), str(expected)) << "line " << i;
    }
    EXPECT_TRUE(source.join(u'\n').contains(s("ProductID=<GONE>")));

    // All rows are new; the alternative points at the copy of its product.
    EXPECT_EQ(b.count(s("Products"), s("ID IN ('P1','P2')")), 0);
    const QString p1 = b.value(s("Products"), s("ID"), s("\"Order\" = 2")).toString();
    EXPECT_EQ(b.value(s("Products"), s("AlternateFor"), s("\"Order\" = 1")).toString(), p1);
    EXPECT_EQ(b.value(s("PurchaseOrderRows"), s("ProductID"), s("1 = 1")).toString(), p1)
        << "the product is matched without regard to case";
}

TEST(TransferRoundTrip, AProductAndAnAccessoryGoToTheEndOfTheirTargetsLists)
{
    ProjectDb a;
    FixtureProject fixture(a);
    ProjectDb b;
    b.insert(s("Projects"), {{s("ID"), s("T")}});
    b.insert(s("Products"), {{s("ID"), s("TP")}, {s("ProjectID"), s("T")}, {s("Order"), 1}});

    // P2 is an alternative in its project; the copy is a plain product.
    TDumpFileGet product(writeItem(a.connection(), dumpfile::KindProduct, s("P2")), s("P2.KIRO_PRD"));
    TDumpFileGet::Target intoProject;
    intoProject.projectID = s("T");
    const TDumpInserted p = product.ReadDocument(b.connection(), intoProject);
    const QString where = QStringLiteral("ID = '%1'").arg(p.id);
    EXPECT_EQ(p.parentID, s("T"));
    EXPECT_EQ(b.value(s("Products"), s("ProjectID"), where).toString(), s("T"));
    EXPECT_EQ(b.value(s("Products"), s("Order"), where).toInt(), 2);
    EXPECT_FALSE(b.value(s("Products"), s("Alternate"), where).toBool());
    EXPECT_EQ(b.value(s("Products"), s("AlternateFor"), where).toString(), QString());
    EXPECT_EQ(a.value(s("Products"), s("AlternateFor"), s("ID = 'P2'")).toString(), s("P1"))
        << "the source keeps its alternative";
    QStringList source = TreeDump(a.connection()).walk(s("TableProducts"), s("P2"));
    QStringList copy = TreeDump(b.connection()).walk(s("TableProducts"), p.id);
    ASSERT_EQ(copy.size(), source.size());
    for (int i = 1; i < source.size(); ++i)
        EXPECT_EQ(str(copy[i]), str(source[i]));
    // Accessory price rows hang under the new product and its new accessories.
    EXPECT_EQ(b.count(s("DetailPrices"), QStringLiteral("ProductID = '%1'").arg(p.id)), 6);
    EXPECT_EQ(b.count(s("DetailPrices"), QStringLiteral("ProductID = '%1' AND AccessoryID IN "
                                                        "(SELECT ID FROM Accessories WHERE ProductID = '%1')")
                                             .arg(p.id)),
              4);

    TDumpFileGet accessory(writeItem(a.connection(), dumpfile::KindAccessory, s("P1A2")), s("A.KIRO_ACC"));
    TDumpFileGet::Target intoProduct;
    intoProduct.productID = s("TP");
    const TDumpInserted acc = accessory.ReadDocument(b.connection(), intoProduct);
    EXPECT_EQ(acc.parentID, s("TP"));
    EXPECT_EQ(b.value(s("Accessories"), s("Order"), QStringLiteral("ID = '%1'").arg(acc.id)).toInt(), 1);
    EXPECT_EQ(b.count(s("DetailPrices"),
                      QStringLiteral("ProductID = 'TP' AND AccessoryID = '%1' AND Alternate = 0").arg(acc.id)),
              2);
    source = TreeDump(a.connection()).walk(s("TableAccessories"), s("P1A2"));
    copy = TreeDump(b.connection()).walk(s("TableAccessories"), acc.id);
    ASSERT_EQ(copy.size(), source.size());
    for (int i = 2; i < source.size(); ++i) {
        QString expected = source[i];
        if (expected.startsWith(s("TableAccPrices:")))
            expected.replace(s("|Alternate=True|"), s("|Alternate=False|")); // they carry the accessory's flags
        EXPECT_EQ(str(copy[i]), str(expected));
    }
}

TEST(TransferRoundTrip, ANullFieldIsAbsentAndTakesTheTargetsDefault)
{
    ProjectDb a;
    a.insert(s("Projects"), {{s("ID"), s("PRJ")}, {s("Name"), s("N")}});
    a.insert(s("ProjCurrencies"), {{s("ID"), s("C")},
                                   {s("ProjectID"), s("PRJ")},
                                   {s("Name"), s("EUR")},
                                   {s("Rate"), QVariant()},
                                   {s("DBVer"), QVariant()}});
    const QByteArray file = writeItem(a.connection(), dumpfile::KindProject, s("PRJ"));
    const ParsedRecord currency = parseRecords(file).at(1);
    EXPECT_EQ(currency.field("Rate"), nullptr);
    EXPECT_EQ(currency.field("DBVer"), nullptr);
    ProjectDb b;
    TDumpFileGet get(file, s("x"));
    get.ReadDocument(b.connection(), {});
    EXPECT_EQ(b.value(s("ProjCurrencies"), s("Rate"), s("Name = 'EUR'")).toDouble(), 1.0);
    EXPECT_EQ(b.value(s("ProjCurrencies"), s("DBVer"), s("Name = 'EUR'")).toString(), s("1.4"));
}

TEST(TransferRoundTrip, TheRecordOrderMatchesTheDataModulesTableLinks)
{
    // The reader attaches each record to the one before it in the record
    // order; that must be the master the data module links the table to,
    // on the same fields.
    TFormData data;
    for (const dumpfile::RecordTable& t : dumpfile::recordOrder()) {
        SCOPED_TRACE(str(t.component));
        db::Dataset& table = data.table(t.component);
        EXPECT_EQ(table.tableName(), t.table);
        if (t.parent.isEmpty()) {
            EXPECT_EQ(table.masterSource(), nullptr);
            continue;
        }
        ASSERT_NE(table.masterSource(), nullptr);
        EXPECT_EQ(table.masterSource()->dataset()->name(), t.parent);
        EXPECT_EQ(table.masterFields(), t.parentFields.join(u';'));
        QStringList detail = table.indexFieldNames().split(u';', Qt::SkipEmptyParts);
        if (detail.isEmpty())
            detail = schema::table(t.table).index(table.indexName())->fields;
        EXPECT_EQ(detail.mid(0, t.linkFields.size()), t.linkFields);
    }
}
