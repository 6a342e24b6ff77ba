#include "data/Schema.h"

#include "db/Connection.h"
#include "db/DatabaseError.h"

#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace db = kiro::db;
namespace schema = kiro::schema;

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

QStringList names(const QList<db::TableDef>& tables)
{
    QStringList out;
    for (const db::TableDef& t : tables)
        out << t.name;
    return out;
}

} // namespace

TEST(Schema, EveryDeclarationIsUsableAndCarriesTheVersionMarker)
{
    ASSERT_EQ(schema::schemaVersion(), QStringLiteral("1.4"));
    QSet<QString> seen;
    for (const db::TableDef& t : schema::allTables()) {
        SCOPED_TRACE(str(t.name));
        EXPECT_NO_THROW(t.validate());
        EXPECT_FALSE(seen.contains(t.name.toLower())) << "declared twice";
        seen.insert(t.name.toLower());

        const db::FieldDef* marker = t.field(QStringLiteral("DBVer"));
        ASSERT_NE(marker, nullptr);
        EXPECT_EQ(marker->type, db::FieldType::Text);
        EXPECT_EQ(marker->size, 10);
        EXPECT_EQ(marker->defaultValue, std::optional<QString>(QStringLiteral("1.4")));
    }
}

TEST(Schema, ProjectDatabaseHoldsTheTwentyFourTablesInOpeningOrder)
{
    const QStringList expected{
        "Projects",       "ProjLog",           "ProjCurrencies", "ProjDiscMarg",  "Products",       "ProdLog",
        "Documents",      "Accessories",       "AccLog",         "DetailPrices",  "DetailAddCosts", "ProdDocuments",
        "ProdParts",      "AccParts",          "ProdSelComm",    "AccSelComm",    "CustomerOrders", "CustomerOrderRows",
        "PurchaseOrders", "PurchaseOrderRows", "ProjAddCosts",   "ProjPackTrans", "ProdTechData",   "AccTechData",
    };
    EXPECT_EQ(names(schema::projectTables()), expected);
    EXPECT_EQ(names(schema::databaseTables(schema::DatabaseKind::Projects)), expected);
}

TEST(Schema, TablesAreFoundByNameIgnoringCase)
{
    EXPECT_EQ(schema::table(QStringLiteral("detailprices")).name, QStringLiteral("DetailPrices"));
    EXPECT_EQ(schema::table(QStringLiteral("PDBOVERRIDE")).name, QStringLiteral("PDBOverride"));
    EXPECT_EQ(schema::table(QStringLiteral("ItemList")).name, QStringLiteral("ItemList"));
    EXPECT_THROW(schema::table(QStringLiteral("NoSuchTable")), db::DatabaseError);
    EXPECT_THROW(schema::table(QString()), db::DatabaseError);
}

// A detail view shows the rows whose link fields equal the master's; the
// index it is ordered by must start with those fields, and a link field must
// be as wide as the identifier it holds or identifiers get cut.
TEST(Schema, MasterDetailLinksAreCoveredByTheDetailIndex)
{
    struct Link {
        const char* detail;
        const char* master;
        QStringList detailFields;
        QStringList masterFields;
        const char* index; // nullptr: any index that starts with the link fields, then `order`
        QStringList order;
    };
    const QStringList id{"ID"};
    const Link links[] = {
        {"Products", "Projects", {"ProjectID"}, id, nullptr, {"ProjectID", "Order"}},
        {"Documents", "Projects", {"ProjectID"}, id, "Project", {}},
        {"ProjCurrencies", "Projects", {"ProjectID"}, id, "Project", {}},
        {"ProjDiscMarg", "Projects", {"ProjectID"}, id, "Project", {}},
        {"ProjAddCosts", "Projects", {"ProjectID"}, id, "Project", {}},
        {"ProjPackTrans", "Projects", {"ProjectID"}, id, "Project", {}},
        {"CustomerOrders", "Projects", {"ProjectID"}, id, "Project", {}},
        {"PurchaseOrders", "Projects", {"ProjectID"}, id, "Project", {}},
        {"ProjLog", "Projects", {"ParentID"}, id, "Parent", {}},
        {"Accessories", "Products", {"ProductID"}, id, nullptr, {"ProductID", "Order"}},
        {"DetailPrices", "Products", {"ProductID"}, id, "Product", {}},
        {"DetailPrices", "Accessories", {"AccessoryID", "ProductID"}, {"ID", "ProductID"}, "Accessory", {}},
        {"DetailAddCosts", "Products", {"ProductID"}, id, "Product", {}},
        {"ProdDocuments", "Products", {"ProductID"}, id, "Product", {}},
        {"ProdTechData", "Products", {"ProductID"}, id, "Product", {}},
        {"ProdParts", "Products", {"ParentID"}, id, "Parent", {}},
        {"ProdSelComm", "Products", {"ParentID"}, id, "Parent", {}},
        {"ProdLog", "Products", {"ParentID"}, id, "Parent", {}},
        {"AccTechData", "Accessories", {"AccessoryID"}, id, "Accessory", {}},
        {"AccParts", "Accessories", {"ParentID"}, id, "Parent", {}},
        {"AccSelComm", "Accessories", {"ParentID"}, id, "Parent", {}},
        {"AccLog", "Accessories", {"ParentID"}, id, "Parent", {}},
        {"CustomerOrderRows", "CustomerOrders", {"OrderID"}, id, "Order", {}},
        {"PurchaseOrderRows", "PurchaseOrders", {"OrderID"}, id, "Order", {}},
    };
    for (const Link& l : links) {
        SCOPED_TRACE(std::string(l.detail) + " -> " + l.master);
        const db::TableDef& detail = schema::table(QString::fromLatin1(l.detail));
        const db::TableDef& master = schema::table(QString::fromLatin1(l.master));
        ASSERT_EQ(l.detailFields.size(), l.masterFields.size());
        for (qsizetype i = 0; i < l.detailFields.size(); ++i) {
            const db::FieldDef* d = detail.field(l.detailFields.at(i));
            const db::FieldDef* m = master.field(l.masterFields.at(i));
            ASSERT_NE(d, nullptr) << str(l.detailFields.at(i));
            ASSERT_NE(m, nullptr) << str(l.masterFields.at(i));
            EXPECT_EQ(d->type, m->type) << str(d->name);
            EXPECT_GE(d->size, m->size) << str(d->name);
        }

        const auto startsWith = [](const QStringList& fields, const QStringList& prefix) {
            if (fields.size() < prefix.size())
                return false;
            for (qsizetype i = 0; i < prefix.size(); ++i)
                if (fields.at(i).compare(prefix.at(i), Qt::CaseInsensitive) != 0)
                    return false;
            return true;
        };
        if (l.index) {
            const db::IndexDef* ix = detail.index(QString::fromLatin1(l.index));
            ASSERT_NE(ix, nullptr) << l.index;
            EXPECT_TRUE(startsWith(ix->fields, l.detailFields)) << str(ix->fields.join(u','));
        } else {
            bool found = false;
            for (const db::IndexDef& ix : detail.indexes)
                found = found || (startsWith(ix.fields, l.order) && startsWith(l.order, l.detailFields));
            EXPECT_TRUE(found) << "no index on " << str(l.order.join(u','));
        }
    }
}

// Defaults the price calculation depends on, stated as rules over every
// table so that a field added later cannot miss them: a currency factor or a
// quantity that started at 0 would silently zero prices, and a flag without
// a default would be neither true nor false in SQL filters such as
// "Alternate = false".
TEST(Schema, NeutralDefaultsForFactorsQuantitiesAndFlags)
{
    const QSet<QString> one{"Qty", "Factor", "Rate", "OneToOne"};
    for (const db::TableDef& t : schema::allTables()) {
        if (t.name == u"ItemList")
            continue;
        for (const db::FieldDef& f : t.fields) {
            SCOPED_TRACE(str(t.name + u'.' + f.name));
            if (f.type == db::FieldType::Boolean) {
                EXPECT_TRUE(f.defaultValue.has_value());
            }
            if (one.contains(f.name) || f.name.endsWith(u"CurrFact")) {
                EXPECT_EQ(f.defaultValue, std::optional<QString>(QStringLiteral("1")));
            }
            if (f.name.contains(u"FactorA") || f.name.contains(u"FactorB") || f.name.endsWith(u"Comm")) {
                EXPECT_NE(f.defaultValue, std::optional<QString>(QStringLiteral("1"))) << "a percentage, not a factor";
            }
        }
    }
}

// Every database is created from the declarations and read back: what the
// file holds must be exactly what was declared, or opening, the template
// database and repair would disagree with the code.
TEST(Schema, EachDatabaseIsCreatedAndReadsBackAsDeclared)
{
    const schema::DatabaseKind kinds[] = {
        schema::DatabaseKind::System,   schema::DatabaseKind::Language, schema::DatabaseKind::Address,
        schema::DatabaseKind::Projects, schema::DatabaseKind::External, schema::DatabaseKind::Spares,
    };
    for (const schema::DatabaseKind kind : kinds) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        db::Connection connection;
        connection.open(dir.path(), db::Connection::OpenMode::CreateIfMissing);
        for (const db::TableDef& t : schema::databaseTables(kind)) {
            SCOPED_TRACE(str(t.name));
            try {
                connection.createTable(t);
                EXPECT_EQ(connection.tableDef(t.name), t);
                EXPECT_EQ(connection.declaredDefault(t.name, QStringLiteral("DBVer")),
                          std::optional<QString>(schema::schemaVersion()));
            } catch (const db::DatabaseError& e) {
                ADD_FAILURE() << str(e.message());
            }
        }
    }
}

// The scratch table takes rows that have no identifier.
TEST(Schema, ItemListTakesRowsWithoutIdentifier)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    db::Connection connection;
    connection.open(dir.path(), db::Connection::OpenMode::CreateIfMissing);
    const db::TableDef itemList = schema::itemListTable();
    QStringList itemFields, partFields;
    for (const db::FieldDef& f : itemList.fields)
        itemFields << f.name;
    for (const db::FieldDef& f : schema::table(QStringLiteral("ProdParts")).fields)
        partFields << f.name;
    EXPECT_EQ(itemFields, partFields);

    connection.createTable(itemList);
    EXPECT_NO_THROW(connection.exec(QStringLiteral("INSERT INTO ItemList (Name) VALUES ('Impeller')")));
    EXPECT_NO_THROW(connection.exec(QStringLiteral("INSERT INTO ItemList (Name) VALUES ('Impeller')")));
}
