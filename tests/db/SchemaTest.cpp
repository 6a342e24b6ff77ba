#include "DbTestSupport.h"

#include "db/DatabaseError.h"
#include "db/Query.h"
#include "db/Value.h"

#include <QDateTime>

using namespace kiro::db;
using kiro::db::test::DbTest;
using kiro::db::test::itemsTable;

TEST_F(DbTest, StructureReadBackEqualsTheDeclaration)
{
    const TableDef def = itemsTable();
    db().createTable(def);
    EXPECT_TRUE(db().tableExists("items"));
    const TableDef back = db().tableDef("Items");
    EXPECT_EQ(back, def);
    EXPECT_EQ(db().declaredDefault("Items", "dbver"), QString("1.4"));
}

TEST_F(DbTest, OldSchemaMarkerIsReadBack)
{
    TableDef def = itemsTable("Old");
    def.fields.last() = FieldDef::text("DBVer", 10).withDefault("1.22");
    db().createTable(def);
    EXPECT_EQ(db().declaredDefault("Old", "DBVer"), QString("1.22"));
}

TEST_F(DbTest, InvalidDeclarationsAreRefused)
{
    const std::vector<std::pair<const char*, TableDef>> cases = {
        {"no width", {"T", {FieldDef::text("A", 0)}, {}, {}}},
        {"twice", {"T", {FieldDef::integer("A"), FieldDef::integer("a")}, {}, {}}},
        {"unknown key", {"T", {FieldDef::integer("A")}, {"B"}, {}}},
        {"unknown index field", {"T", {FieldDef::integer("A")}, {}, {IndexDef{"I", {"B"}}}}},
        {"bad default", {"T", {FieldDef::integer("A").withDefault("x")}, {}, {}}},
    };
    for (const auto& [what, def] : cases) {
        EXPECT_THROW(db().createTable(def), DatabaseError) << what;
        EXPECT_FALSE(db().tableExists("T")) << what;
    }
}

TEST_F(DbTest, TemplateCreatesEmptyTableOfTheSameStructure)
{
    QTemporaryDir templDir;
    Connection templ;
    templ.open(templDir.path(), Connection::OpenMode::CreateIfMissing);
    templ.createTable(itemsTable());

    db().createTable(itemsTable()); // an existing table of that name is replaced
    addItems({"a,P,1,A"});
    db().createTableFrom(templ, "Items");
    EXPECT_EQ(db().tableDef("Items"), templ.tableDef("Items"));
    Dataset ds(db(), "Items");
    ds.open();
    EXPECT_EQ(ds.recordCount(), 0);
}

TEST_F(DbTest, EmptyAndDrop)
{
    db().createTable(itemsTable());
    addItems({"a,P,1,A", "b,P,2,B"});
    db().emptyTable("Items");
    Dataset ds(db(), "Items");
    ds.open();
    EXPECT_TRUE(ds.isEmpty());
    ds.close();
    db().dropTable("Items");
    EXPECT_FALSE(db().tableExists("Items"));
    EXPECT_THROW(db().emptyTable("Items"), DatabaseError);
}

struct RestructureCase {
    const char* name;
    std::function<void(TableDef&)> change;
    const char* field;    // read back after the change
    QStringList expected; // values of `field` for rows a, b
};

class Restructure : public DbTest, public ::testing::WithParamInterface<RestructureCase> {};

TEST_P(Restructure, KeepsRows)
{
    db().createTable(itemsTable());
    addItems({"a,P,1,Alpha", "b,P,2,Bravissimo"});
    TableDef def = itemsTable();
    GetParam().change(def);
    db().restructureTable(def);
    EXPECT_EQ(db().tableDef("Items"), def);
    Dataset ds(db(), "Items");
    ds.open();
    EXPECT_EQ(column(ds, GetParam().field), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Schema, Restructure,
    ::testing::Values(
        RestructureCase{"narrower text is cut", [](TableDef& d) { d.fields[3].size = 3; }, "Name", {"Alp", "Bra"}},
        RestructureCase{"new column takes its default",
                        [](TableDef& d) { d.fields.append(FieldDef::text("Status", 5).withDefault("10")); },
                        "Status",
                        {"10", "10"}},
        RestructureCase{
            "dropped column, others kept", [](TableDef& d) { d.fields.removeAt(7); }, "Name", {"Alpha", "Bravissimo"}},
        RestructureCase{
            "integer becomes text", [](TableDef& d) { d.fields[2] = FieldDef::text("Order", 5); }, "Order", {"1", "2"}},
        RestructureCase{"names match regardless of case",
                        [](TableDef& d) {
                            d.fields[3].name = "NAME";
                            d.indexes[1].fields = {"NAME"};
                        },
                        "name",
                        {"Alpha", "Bravissimo"}},
        RestructureCase{
            "new marker", [](TableDef& d) { d.fields.last().defaultValue = "1.5"; }, "DBVer", {"1.4", "1.4"}},
        RestructureCase{
            "indexes follow the declaration", [](TableDef& d) { d.indexes.removeFirst(); }, "ID", {"a", "b"}}),
    [](const auto& info) {
        QString n = QString::fromLatin1(info.param.name);
        n.replace(QRegularExpression("[^A-Za-z0-9]"), "_");
        return n.toStdString();
    });

TEST_F(DbTest, RestructureThatCannotConvertLeavesTheTableAsItWas)
{
    db().createTable(itemsTable());
    addItems({"a,P,1,Alpha"});
    TableDef def = itemsTable();
    def.fields[3] = FieldDef::integer("Name");
    EXPECT_THROW(db().restructureTable(def), DatabaseError);
    EXPECT_EQ(db().tableDef("Items"), itemsTable());
    Dataset ds(db(), "Items");
    ds.open();
    EXPECT_EQ(ds.fieldByName("Name").asString(), "Alpha");
}

struct RoundTrip {
    const char* name;
    const char* field;
    QVariant in;
    QVariant out;
};

class TypesRoundTrip : public DbTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(TypesRoundTrip, ThroughTheFile)
{
    db().createTable(itemsTable());
    {
        Dataset ds(db(), "Items");
        ds.open();
        ds.append();
        ds.fieldByName("ID").setValue("k");
        ds.fieldByName(GetParam().field).setValue(GetParam().in);
        ds.post();
    }
    Dataset ds(db(), "Items"); // a second dataset reads what the file holds
    ds.open();
    ASSERT_EQ(ds.recordCount(), 1);
    EXPECT_EQ(ds.fieldByName(GetParam().field).value(), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Schema, TypesRoundTrip,
    ::testing::Values(
        RoundTrip{"quotes", "Name", QString("O'Br\"ie"), QString("O'Br\"ie")},
        RoundTrip{"cut_to_width", "Name", QString("ABCDEFGHIJKLMN"), QString("ABCDEFGHIJ")},
        RoundTrip{"beyond_latin1", "Name", QString::fromUtf8("Łódź Ωμέγα!"), QString::fromUtf8("Łódź Ωμέγα")},
        RoundTrip{"astral_not_split", "Name", QString::fromUtf8("123456789😀x"), QString::fromUtf8("123456789😀")},
        RoundTrip{"long_memo", "Notes", QString(100000, QChar(u'ä')), QString(100000, QChar(u'ä'))},
        RoundTrip{"boolean", "Latest", true, true}, RoundTrip{"boolean_text", "Latest", QString("False"), false},
        RoundTrip{"datetime_ms", "Created", QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 123)),
                  QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 123))},
        RoundTrip{"date_only", "Created", QDate(2024, 1, 5), QDateTime(QDate(2024, 1, 5), QTime(0, 0))},
        RoundTrip{"bytes_padded", "Codes", QByteArray("\x01\x02", 2), QByteArray("\x01\x02\x00\x00", 4)},
        RoundTrip{"bytes_cut", "Codes", QByteArray("\x01\x02\x03\x04\x05", 5), QByteArray("\x01\x02\x03\x04", 4)},
        RoundTrip{"blob_with_zeros", "Picture", QByteArray("a\0b\0", 4), QByteArray("a\0b\0", 4)},
        RoundTrip{"null_float", "Price", QVariant(), QVariant()},
        RoundTrip{"empty_text_is_not_null", "Name", QString(""), QString("")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DbTest, PlainSqlWritesAreCutToWidthToo)
{
    db().createTable(itemsTable());
    db().exec("INSERT INTO Items (ID, Name) VALUES ('a', 'ABCDEFGHIJKLMN')");
    db().exec("UPDATE Items SET ID = 'bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb'");
    Query q(db(), "SELECT ID, Name FROM Items");
    q.open();
    EXPECT_EQ(q.fieldByName("Name").asString(), "ABCDEFGHIJ");
    EXPECT_EQ(q.fieldByName("ID").asString().size(), 20);
}

TEST(Values, DateTimeTextSortsChronologically)
{
    const QString a = value::dateTimeToStorage(QDateTime(QDate(2023, 12, 31), QTime(23, 0)));
    const QString b = value::dateTimeToStorage(QDateTime(QDate(2024, 1, 1), QTime(1, 0)));
    EXPECT_LT(value::compare(a, b), 0);
    EXPECT_THROW(value::toStorage(QString("31.12.2024"), FieldType::DateTime, 0, "D"), DatabaseError);
    EXPECT_THROW(value::toStorage(70000, FieldType::Short, 0, "S"), DatabaseError);
    EXPECT_EQ(value::toStorage(QString(" 12 "), FieldType::Integer, 0, "I"), QVariant(12));
    EXPECT_FALSE(value::toStorage(QString(""), FieldType::Integer, 0, "I").isValid());
}
