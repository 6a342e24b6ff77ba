#include "support/TestWorkspace.h"
#include "transfer/TransferSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <cstring>
#include <functional>

using namespace kiro;
using namespace kiro::test;

namespace {

void setInt32(QByteArray& b, qint64 at, qint32 v)
{
    std::memcpy(b.data() + at, &v, 4);
}

// A project of a few records in one database and, in another, the project a
// damaged file must leave exactly as it was.
class DamagedFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        a.insert(s("Projects"), {{s("ID"), s("PRJ")}, {s("Name"), s("Station")}});
        a.insert(s("ProjCurrencies"), {{s("ID"), s("C1")}, {s("ProjectID"), s("PRJ")}, {s("Name"), s("EUR")}});
        a.insert(s("Products"), {{s("ID"), s("P1")}, {s("ProjectID"), s("PRJ")}, {s("Name"), s("Pump")}});
        a.insert(s("DetailPrices"), {{s("ID"), s("D1")}, {s("ProductID"), s("P1")}, {s("Keyword"), s("K")}});
        a.insert(s("Accessories"), {{s("ID"), s("A1")}, {s("ProductID"), s("P1")}, {s("Name"), s("Valve")}});
        a.insert(s("CustomerOrders"), {{s("ID"), s("O1")}, {s("ProjectID"), s("PRJ")}});
        a.insert(s("CustomerOrderRows"), {{s("ID"), s("R1")}, {s("OrderID"), s("O1")}, {s("ProductID"), s("P1")}});
        file = writeItem(a.connection(), dumpfile::KindProject, s("PRJ"), s("Station"), 1);
        records = parseRecords(file);
        ASSERT_EQ(records.size(), 7u);
        b.insert(s("Projects"), {{s("ID"), s("KEEP")}, {s("Name"), s("Kept")}});
        before = b.snapshot();
    }

    // The reader refuses the bytes with a message and inserts nothing.
    void expectRefused(const QByteArray& bytes, const char* what, const QString& words = QString(),
                       bool fullCheck = true)
    {
        SCOPED_TRACE(what);
        try {
            TDumpFileGet get(bytes, s("damaged.KIRO_PRJ"));
            get.ReadDocument(b.connection(), {});
            ADD_FAILURE() << "accepted";
        } catch (const TDumpFileError& e) {
            EXPECT_FALSE(e.message().isEmpty());
            if (!words.isEmpty()) {
                EXPECT_TRUE(e.message().contains(words, Qt::CaseInsensitive)) << str(e.message());
            }
        }
        // The project is the first record: a partial insert always has it.
        if (fullCheck) {
            EXPECT_EQ(b.snapshot(), before);
        } else {
            EXPECT_EQ(b.count(s("Projects")), 1);
        }
    }

    qint64 descriptorOf(int record, const char* field)
    {
        const ParsedRecord& r = records.at(size_t(record));
        for (size_t i = 0; i < r.fields.size(); ++i)
            if (r.fields[i].name == QLatin1String(field))
                return r.begin + 48 + qint64(i) * 52;
        ADD_FAILURE() << field;
        return 0;
    }

    ProjectDb a;
    ProjectDb b;
    QByteArray file;
    std::vector<ParsedRecord> records;
    QStringList before;
};

} // namespace

TEST_F(DamagedFile, ATruncatedFileInsertsNothing)
{
    QSet<qint64> boundaries;
    for (const ParsedRecord& r : records)
        boundaries << r.end;
    // Every cut in the marker, the header and the first record's header and
    // descriptors, then cuts spread over the rest at an odd stride, so that
    // they fall in every part of descriptors and values.
    int cuts = 0;
    for (qint64 cut = 0; cut < file.size(); cut += cut < 400 ? 1 : 53) {
        // A cut between records leaves a shorter file that is whole.
        if (boundaries.contains(cut))
            continue;
        expectRefused(file.left(cut), qPrintable(QStringLiteral("cut at %1").arg(cut)), QString(), false);
        ++cuts;
    }
    EXPECT_GT(cuts, 500);
    EXPECT_EQ(b.snapshot(), before);
}

TEST_F(DamagedFile, SizesCountsNamesAndPlacesThatDoNotFitAreRefused)
{
    const qint64 second = records[1].begin;
    const qint64 nameDescriptor = descriptorOf(0, "Name");
    struct Case {
        const char* what;
        std::function<void(QByteArray&)> damage;
        const char* words;
    };
    const std::vector<Case> cases = {
        {"negative field count", [&](QByteArray& f) { setInt32(f, second + 44, -1); }, "fields"},
        {"huge field count", [&](QByteArray& f) { setInt32(f, second + 44, 0x7FFFFFFF); }, "fields"},
        {"negative data size", [&](QByteArray& f) { setInt32(f, nameDescriptor + 44, -8); }, "negative"},
        {"huge data size", [&](QByteArray& f) { setInt32(f, nameDescriptor + 44, 0x7FFFFFF0); }, "bytes"},
        {"unknown table component", [&](QByteArray& f) { std::memcpy(f.data() + second, "TableUsers\0", 11); },
         "TableUsers"},
        {"unknown type code of a known field", [&](QByteArray& f) { f[nameDescriptor + 48] = char(8); }, "type code"},
        {"float of the wrong size",
         [&](QByteArray& f) {
             const qint64 d = descriptorOf(0, "ProjPriceProducts");
             f[d + 48] = char(6);
             setInt32(f, d + 44, 4);
         },
         "bytes"},
        {"a product record in the project's place",
         [&](QByteArray& f) { std::memcpy(f.data() + records[0].begin, "TableProducts\0", 14); }, "begins"},
        {"the header repeated inside", [&](QByteArray& f) { f.insert(second, f.left(76)); }, "unknown"},
        {"an order row before its order",
         [&](QByteArray& f) { f.insert(records[5].begin, f.mid(records[6].begin, records[6].end - records[6].begin)); },
         "before"},
        {"a second project",
         [&](QByteArray& f) { f.append(f.mid(records[0].begin, records[0].end - records[0].begin)); }, "second"},
        {"an accessory in a project file without its product",
         [&](QByteArray& f) { f.insert(second, f.mid(records[4].begin, records[4].end - records[4].begin)); },
         "before"},
        {"a date-time of day 0", [&](QByteArray& f) { f[descriptorOf(0, "ProjPriceProducts") + 48] = char(11); },
         "not a date"},
        {"garbage", [&](QByteArray& f) { f = f.left(76) + QByteArray(300, char(0xA5)); }, nullptr},
        {"no records", [&](QByteArray& f) { f = f.left(76); }, "no records"},
    };
    for (const Case& c : cases) {
        QByteArray damaged = file;
        c.damage(damaged);
        expectRefused(damaged, c.what, c.words ? s(c.words) : QString());
    }
}

TEST_F(DamagedFile, FieldsAFileMustNotDecideAreIgnored)
{
    // A file that carries the record's ID and links (a foreign writer, or a
    // crafted file) neither reuses the ID nor moves the row elsewhere.
    TDumpFilePut put(QString{});
    put.WriteHeader({2, s("Pump"), 0});
    QByteArray id(51, '\0');
    std::memcpy(id.data(), "KEEP", 4);
    put.WriteRecord(s("TableProducts"), {{s("ID"), 1, id}, {s("ProjectID"), 1, id}, {s("Name"), 1, id}});
    put.WriteRecord(s("TableProdLog"), {{s("ParentID"), 1, id}, {s("ID"), 1, id}});
    TDumpFileGet get(put.bytes(), s("crafted.KIRO_PRD"));
    TDumpFileGet::Target target;
    target.projectID = s("KEEP");
    const TDumpInserted in = get.ReadDocument(b.connection(), target);
    EXPECT_NE(in.id, s("KEEP"));
    EXPECT_EQ(b.count(s("Products"), QStringLiteral("ID = '%1' AND ProjectID = 'KEEP'").arg(in.id)), 1);
    EXPECT_EQ(b.count(s("ProdLog"), QStringLiteral("ParentID = '%1' AND ID <> 'KEEP'").arg(in.id)), 1);
}

// Inputs kept from fuzzing (fuzz/README.md): hand-made ones of the layouts
// the reader must survive, a sample of the corpus, and any input that ever
// made it fail. Each must be refused or read, never crash, and a refused
// one must leave the database as it was.
TEST_F(DamagedFile, FuzzerFindingsStaySolved)
{
    const QString dir = TestWorkspace::resourcesDir() + s("/../tests/transfer/fuzz_cases");
    int n = 0;
    for (QDirIterator it(dir, QDir::Files); it.hasNext();) {
        const QString path = it.next();
        SCOPED_TRACE(str(path));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        ++n;
        try {
            TDumpFileGet get(bytes, path);
            TDumpFileGet::Target target;
            target.projectID = s("KEEP");
            target.productID = s("NONE");
            get.ReadDocument(b.connection(), target);
            before = b.snapshot();
        } catch (const TDumpFileError&) {
            EXPECT_EQ(b.snapshot(), before);
        }
    }
    RecordProperty("cases", n);
}
