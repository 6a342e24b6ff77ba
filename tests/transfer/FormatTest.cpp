#include "transfer/TransferSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>

using namespace kiro;
using namespace kiro::test;

namespace {

QByteArray le16(int v)
{
    QByteArray b(2, '\0');
    b[0] = char(v & 0xFF);
    b[1] = char((v >> 8) & 0xFF);
    return b;
}
QByteArray le32b(qint32 v)
{
    QByteArray b(4, '\0');
    std::memcpy(b.data(), &v, 4);
    return b;
}
QByteArray f64(double d)
{
    QByteArray b(8, '\0');
    std::memcpy(b.data(), &d, 8);
    return b;
}
QByteArray padded(const QByteArray& text, int size)
{
    return text + QByteArray(size - text.size(), '\0');
}

// 1 January 2000 is day 730120 counted from 1 January of year 1 as day 1.
constexpr double kNoon2000 = 730120.0 * 86400000.0 + 43200250.0;

// A product with one accessory and one log entry, a few fields of each type set.
class TinyItem : public ::testing::Test {
protected:
    void SetUp() override
    {
        a.insert(s("Projects"), {{s("ID"), s("PRJ")}, {s("Name"), s("Station")}});
        a.insert(s("Products"), {{s("ID"), s("P1")},
                                 {s("ProjectID"), s("PRJ")},
                                 {s("Name"), QStringLiteral("Pump \u00e9")},
                                 {s("Qty"), 7},
                                 {s("TotalPrice"), 1.5},
                                 {s("PDB"), true},
                                 {s("Alternate"), true},
                                 {s("AlternateFor"), s("P0")},
                                 {s("Selections"), QStringLiteral("A\r\nB\u20ac")},
                                 {s("TORVA_WMF"), QByteArray("\x00\x01\xFF", 3)}});
        QByteArray groups(208, '\0');
        for (int i = 0; i < 208; ++i)
            groups[i] = char(i);
        a.insert(s("Accessories"), {{s("ID"), s("A1")},
                                    {s("ProductID"), s("P1")},
                                    {s("Name"), s("Valve")},
                                    {s("Qty"), 3},
                                    {s("Group1"), -2},
                                    {s("GroupCodes"), groups}});
        a.insert(s("ProdLog"), {{s("ID"), s("L1")},
                                {s("ParentID"), s("P1")},
                                {s("Date"), QDateTime(QDate(2000, 1, 1), QTime(12, 0, 0, 250))}});
        bytes = writeItem(a.connection(), dumpfile::KindProduct, s("P1"), QStringLiteral("Pump \u00e9"));
        records = parseRecords(bytes);
    }

    ProjectDb a;
    QByteArray bytes;
    std::vector<ParsedRecord> records;
};

} // namespace

TEST_F(TinyItem, MarkerAndHeaderAreLaidOutByteForByte)
{
    QByteArray expected = QByteArrayLiteral("%%KIRO\r\n");
    expected += le32b(1) + le32b(3) + le32b(2) + padded("Pump \xE9", 52) + le32b(0);
    ASSERT_GE(bytes.size(), 76);
    EXPECT_EQ(bytes.left(76).toHex(' '), expected.toHex(' '));
}

TEST_F(TinyItem, RecordsFollowTheRecordOrderWithoutIdsAndLinks)
{
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].component, s("TableProducts"));
    EXPECT_EQ(records[1].component, s("TableAccessories"));
    EXPECT_EQ(records[2].component, s("TableProdLog"));
    EXPECT_EQ(bytes.mid(records[0].begin, 44), padded("TableProducts", 44));
    for (const ParsedRecord& r : records) {
        for (const ParsedField& f : r.fields) {
            EXPECT_EQ(f.padding, QByteArray(5, '\0')) << str(r.component) << "." << str(f.name);
            EXPECT_NE(f.name, s("ProjectID"));
            EXPECT_NE(f.name, s("ProductID"));
            EXPECT_NE(f.name, s("ParentID"));
            EXPECT_NE(f.name, s("AlternateFor")) << "the item travels as a plain item";
            EXPECT_NE(f.name, s("Description")) << "null fields are absent";
            if (f.name == s("ID")) {
                EXPECT_EQ(r.component, s("TableProducts")) << "only the product's ID travels";
            }
        }
    }
}

TEST_F(TinyItem, EachTypeCodeHasItsValueBytes)
{
    struct Case {
        int record;
        const char* field;
        int type;
        int key;
        QByteArray value;
    };
    QByteArray groups(208, '\0');
    for (int i = 0; i < 208; ++i)
        groups[i] = char(i);
    const std::vector<Case> cases = {
        {0, "ID", 1, 1, padded("P1", 51)},
        {0, "Name", 1, 0, padded("Pump \xE9", 51)},
        {0, "Qty", 3, 0, le32b(7)},
        {0, "TotalPrice", 6, 0, f64(1.5)},
        {0, "PDB", 5, 0, le16(1)},
        {0, "Alternate", 5, 0, le16(0)},
        {0, "Selections", 16, 0, QByteArray("A\r\nB\x80")},
        {0, "TORVA_WMF", 15, 0, QByteArray("\x00\x01\xFF", 3)},
        {0, "DBVer", 1, 0, padded("1.4", 11)},
        {1, "Qty", 2, 0, le16(3)},
        {1, "Group1", 3, 0, le32b(-2)},
        {1, "GroupCodes", 12, 0, groups},
        {2, "Date", 11, 0, f64(kNoon2000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        const ParsedField* f = records.at(size_t(c.record)).field(c.field);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->type, c.type);
        EXPECT_EQ(f->key, c.key);
        EXPECT_EQ(f->size, c.value.size());
        EXPECT_EQ(f->value.toHex(' '), c.value.toHex(' '));
    }
}

TEST_F(TinyItem, TheReaderListsTheSameRecordsAndDescriptors)
{
    TDumpFileGet get(bytes, s("tiny.KIRO_PRD"));
    const std::vector<TDumpRecordInfo> listed = get.ListRecords();
    ASSERT_EQ(listed.size(), records.size());
    for (size_t r = 0; r < listed.size(); ++r) {
        EXPECT_EQ(listed[r].component, records[r].component);
        EXPECT_EQ(listed[r].offset, records[r].begin);
        ASSERT_EQ(listed[r].fields.size(), records[r].fields.size());
        for (size_t f = 0; f < listed[r].fields.size(); ++f) {
            EXPECT_EQ(listed[r].fields[f].name, records[r].fields[f].name);
            EXPECT_EQ(listed[r].fields[f].dataSize, records[r].fields[f].size);
            EXPECT_EQ(int(listed[r].fields[f].type), records[r].fields[f].type);
            EXPECT_EQ(int(listed[r].fields[f].key), records[r].fields[f].key);
        }
    }
    TDumpFileGet cut(bytes.left(bytes.size() - 1), s("cut.KIRO_PRD"));
    EXPECT_THROW(cut.ListRecords(), TDumpFileError);
}

TEST_F(TinyItem, TheSameDataGiveTheSameBytes)
{
    EXPECT_EQ(writeItem(a.connection(), dumpfile::KindProduct, s("P1"), QStringLiteral("Pump \u00e9")), bytes);
    // Shorter text in the same field leaves zeros, not the old bytes.
    db::Query(a.connection(), s("UPDATE Products SET Name = 'P' WHERE ID = 'P1'")).execSql();
    const QByteArray shorter = writeItem(a.connection(), dumpfile::KindProduct, s("P1"));
    const ParsedField* name = parseRecords(shorter)[0].field("Name");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->value, padded("P", 51));
}

TEST_F(TinyItem, ReadBackEveryTypeArrivesAsWritten)
{
    ProjectDb b;
    b.insert(s("Projects"), {{s("ID"), s("T")}, {s("Name"), s("Target")}});
    b.insert(s("Products"), {{s("ID"), s("OLD")}, {s("ProjectID"), s("T")}, {s("Order"), 1}});
    TDumpFileGet get(bytes, s("tiny.KIRO_PRD"));
    TDumpFileGet::Target target;
    target.projectID = s("T");
    const TDumpInserted in = get.ReadDocument(b.connection(), target);
    EXPECT_EQ(in.kind, 2);
    EXPECT_EQ(in.parentID, s("T"));
    EXPECT_EQ(in.rows, 3);
    const QString where = QStringLiteral("ID = '%1'").arg(in.id);
    EXPECT_EQ(b.value(s("Products"), s("Name"), where).toString(), QStringLiteral("Pump \u00e9"));
    EXPECT_EQ(b.value(s("Products"), s("Order"), where).toInt(), 2) << "appended at the end";
    EXPECT_EQ(b.value(s("Products"), s("Alternate"), where).toBool(), false);
    EXPECT_EQ(b.value(s("Products"), s("Selections"), where).toString(), QStringLiteral("A\r\nB\u20ac"));
    EXPECT_EQ(b.value(s("Products"), s("TORVA_WMF"), where).toByteArray(), QByteArray("\x00\x01\xFF", 3));
    EXPECT_EQ(b.value(s("Accessories"), s("Group1"), QStringLiteral("ProductID = '%1'").arg(in.id)).toInt(), -2);
    EXPECT_EQ(b.value(s("ProdLog"), s("Date"), QStringLiteral("ParentID = '%1'").arg(in.id)).toDateTime(),
              QDateTime(QDate(2000, 1, 1), QTime(12, 0, 0, 250)));
    ASSERT_EQ(get.rematches().size(), 1);
    EXPECT_EQ(get.rematches()[0].oldValue, s("P1"));
    EXPECT_EQ(get.rematches()[0].newValue, in.id);
}

// Type codes the writer does not use but files of other writers carry.
TEST(TransferRead, OtherTypeCodesConvertIntoTheTargetField)
{
    QByteArray date(4, '\0');
    const qint32 day = 730120;
    std::memcpy(date.data(), &day, 4);
    QByteArray time(4, '\0');
    const qint32 ms = 43200250;
    std::memcpy(time.data(), &ms, 4);
    TDumpFilePut put(QString{});
    put.WriteHeader({1, s("Coded"), 4});
    put.WriteRecord(s("TableProjects"), {{s("Name"), 1, padded("Coded", 51)},
                                         {s("Revision"), 2, le16(-5)},
                                         {s("RevisionFor"), 4, le16(0xFFFF)},
                                         {s("PriceManual"), 7, f64(2.5)},
                                         {s("QuotDate"), 9, date},
                                         {s("QuotValidDate"), 11, f64(kNoon2000)},
                                         {s("QuotNumber"), 10, time},
                                         {s("QuotComments"), 18, QByteArray("x\x80")},
                                         {s("_TOTAL_PROJ_PRICE"), 6, f64(9)},
                                         {s("NoSuchField"), 99, QByteArray("zz")}});
    ProjectDb b;
    TDumpFileGet get(put.bytes(), s("coded.KIRO_PRJ"));
    const TDumpInserted in = get.ReadDocument(b.connection(), {});
    const QString where = QStringLiteral("ID = '%1'").arg(in.id);
    EXPECT_EQ(b.value(s("Projects"), s("Revision"), where).toInt(), -5);
    EXPECT_EQ(b.value(s("Projects"), s("RevisionFor"), where).toInt(), 65535);
    EXPECT_EQ(b.value(s("Projects"), s("PriceManual"), where).toDouble(), 2.5);
    EXPECT_EQ(b.value(s("Projects"), s("QuotDate"), where).toDateTime(), QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
    EXPECT_EQ(b.value(s("Projects"), s("QuotValidDate"), where).toDateTime(),
              QDateTime(QDate(2000, 1, 1), QTime(12, 0, 0, 250)));
    EXPECT_EQ(b.value(s("Projects"), s("QuotNumber"), where).toString(), s("12:00:00.250"));
    EXPECT_EQ(b.value(s("Projects"), s("QuotComments"), where).toString(), QStringLiteral("x\u20ac"));
}

TEST(TransferFileName, ReplacesTheCharactersFileSystemsRefuse)
{
    struct Case {
        QString caption;
        int kind;
        QString expected;
    };
    const std::vector<Case> cases = {
        {s("Station:2"), 1, s("/t/Station_2.KIRO_PRJ")},
        {s("a\"b*c/d:e<f>g?h\\i|j"), 2, s("/t/a_b_c_d_e_f_g_h_i_j.KIRO_PRD")},
        {QStringLiteral("V\u00e4lve\t1"), 4, QStringLiteral("/t/V\u00e4lve\t1.KIRO_ACC")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dumpfile::transferFileName(c.caption, c.kind, s("/t")), c.expected) << str(c.caption);
    EXPECT_TRUE(dumpfile::transferFileName(s("x"), 1).startsWith(QDir::tempPath() + u'/'));
}

TEST(TransferFileRecognition, NeedsTheExtensionAndAValidMarkerAndHeader)
{
    QTemporaryDir dir;
    TDumpFilePut put(QString{});
    put.WriteHeader({2, s("Pump"), 0});
    const QByteArray valid = put.bytes();
    QByteArray badKind = valid;
    badKind[16] = 3;
    struct Case {
        const char* name;
        QByteArray content;
        bool recognised;
    };
    const std::vector<Case> cases = {
        {"Pump.KIRO_PRD", valid, true},
        {"Pump.kiro_prd", valid, true},
        {"Pump.KIRO_ANY", valid, true},
        {"Pump.txt", valid, false},
        {"Pump.KIR", valid, false},
        {"Short.KIRO_PRD", valid.left(75), false},
        {"Marker.KIRO_PRD", "%%KIRX\r\n" + valid.mid(8), false},
        {"Kind.KIRO_PRD", badKind, false},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath(s(c.name));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content);
        f.close();
        TDumpHeader header;
        EXPECT_EQ(IsTransferFile(path, &header), c.recognised) << c.name;
        if (c.recognised) {
            EXPECT_EQ(header.kind, 2);
            EXPECT_EQ(header.name, s("Pump"));
        }
    }
    EXPECT_FALSE(IsTransferFile(dir.filePath(s("missing.KIRO_PRJ"))));
}
