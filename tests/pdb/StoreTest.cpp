#include "pdb/Store.h"

#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "pdb/DataPDB.h"
#include "pdb/PDB.h"
#include "pdb/PdbGenerator.h"
#include "pdb/PdbSchema.h"
#include "support/RecordingInteraction.h"
#include "support/TestWorkspace.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace kiro::pdb {
namespace {

using test::RecordingInteraction;
using test::TestWorkspace;

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

// --- the byte blocks, without any database ------------------------------------------------

struct GroupBitCase {
    int position;
    int group;
    int byte; // in the 208-byte block
    int bit;
};

class GroupCodesBytes : public ::testing::TestWithParam<GroupBitCase> {};

TEST_P(GroupCodesBytes, PutsEachGroupAtItsBitAndReadsItBack)
{
    const GroupBitCase c = GetParam();
    GroupSets sets{};
    sets[std::size_t(c.position)].add(c.group);
    const QByteArray bytes = groupCodesToBytes(sets);
    ASSERT_EQ(bytes.size(), kGroupCodesBytes);
    for (int i = 0; i < bytes.size(); ++i)
        EXPECT_EQ(std::uint8_t(bytes[i]), i == c.byte ? (1u << c.bit) : 0u) << "byte " << i;
    EXPECT_EQ(groupCodesFromBytes(bytes), sets);
}

INSTANTIATE_TEST_SUITE_P(Store, GroupCodesBytes,
                         ::testing::Values(GroupBitCase{1, 0, 0, 0}, GroupBitCase{1, 9, 1, 1},
                                           GroupBitCase{2, 2, 13, 2}, GroupBitCase{16, 103, 15 * 13 + 12, 7},
                                           GroupBitCase{7, 64, 6 * 13 + 8, 0}));

struct CharBitCase {
    int position;
    char code;
    int block; // 0: 1to5, 1: 6to10, 2: 11to16
    int byte;
};

class OkValuesBytes : public ::testing::TestWithParam<CharBitCase> {};

TEST_P(OkValuesBytes, PutsEachCharacterAtItsCodeBit)
{
    const CharBitCase c = GetParam();
    CodeMasks sets{};
    sets[std::size_t(c.position)] = codeBit(QChar::fromLatin1(c.code));
    const OkValueBlocks blocks = okValuesToBytes(sets);
    ASSERT_EQ(blocks.values1to5.size(), 160);
    ASSERT_EQ(blocks.values6to10.size(), 160);
    ASSERT_EQ(blocks.values11to16.size(), 192);
    const QByteArray* all[] = {&blocks.values1to5, &blocks.values6to10, &blocks.values11to16};
    for (int b = 0; b < 3; ++b)
        for (int i = 0; i < all[b]->size(); ++i) {
            const unsigned expected = b == c.block && i == c.byte ? 1u << (c.code % 8) : 0u;
            EXPECT_EQ(std::uint8_t(all[b]->at(i)), expected) << "block " << b << " byte " << i;
        }
    EXPECT_EQ(okValuesFromBytes(blocks), sets);
}

INSTANTIATE_TEST_SUITE_P(Store, OkValuesBytes,
                         ::testing::Values(CharBitCase{1, '0', 0, '0' / 8}, CharBitCase{5, 'Z', 0, 4 * 32 + 'Z' / 8},
                                           CharBitCase{6, 'A', 1, 'A' / 8}, CharBitCase{11, '9', 2, '9' / 8},
                                           CharBitCase{16, 'H', 2, 5 * 32 + 'H' / 8}));

TEST(StoreBlocks, AShortStoredBlockLeavesTheRestEmpty)
{
    GroupSets sets{};
    sets[1].add(2);
    sets[3].add(5);
    const QByteArray shortBlock = groupCodesToBytes(sets).left(20); // position 1 whole, 2 partly
    const GroupSets read = groupCodesFromBytes(shortBlock);
    EXPECT_TRUE(read[1].isOnly(2));
    EXPECT_TRUE(read[3].empty());
    EXPECT_TRUE(groupCodesFromBytes(QByteArray()).at(1).empty());
}

// --- storing into a project -----------------------------------------------------------------

// The tree as the store sees it: one selected node of a kind.
class Host : public PDBStoreHost {
public:
    int kind = 2;
    QString pdbDirectoryShown;
    int selectedNodeKind() const override { return kind; }
    void showVersions(const QString&, const QString&, const QString& directory, bool) override
    {
        pdbDirectoryShown = directory;
    }
    std::optional<QList<int>> ticked;
    QStringList offered;
    int restored = 0;
    void accessoryCreated(const QString&) override { kind = 4; }
    std::optional<QList<int>> chooseAccessories(const QStringList& texts) override
    {
        offered = texts;
        return ticked;
    }
    void restoreSelection() override
    {
        kind = 2;
        ++restored;
    }
    void productCreated(const QString&) override { kind = 2; }
};

// The shipped system database, the demonstration product database (and a
// copy of it as the ExtComplex directory), an empty project with one product.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ws.layOutDatabases();
        settings().open(m_ws.workIni());
        m_data.FormDataCreate();
        m_data.bindPricingHandlers();
        m_data.bindItemRuleHandlers();
        ASSERT_TRUE(m_data.OpenSession() && m_data.OpenSystem() && m_data.OpenProjects());
        m_pdbDir = m_ws.exeDir() + s("/PDB_1.80/");
        m_complexDir = m_ws.path("complex") + s("/");
        QDir().mkpath(m_complexDir);
        buildPdbFromSources(TestWorkspace::resourcesDir() + s("/db/PDB_1.80"), m_complexDir);
        settings().databases().PDB = m_pdbDir;
        settings().databases().ExtComplex = m_complexDir;
        app().setCurrentUserID(s("tester"));

        db::Dataset& projects = t("TableProjects");
        projects.append();
        projects.fieldByName(s("Name")).setValue(s("Store"));
        projects.fieldByName(s("ProjCurrency")).setValue(s("EUR"));
        projects.post();
        db::Dataset& c = t("TableCurrencies");
        c.append();
        c.fieldByName(s("Name")).setValue(s("EUR"));
        c.fieldByName(s("Factor")).setValue(1);
        c.fieldByName(s("Rate")).setValue(1);
        c.post();
        m_ui.clear();
    }

    db::Dataset& t(const char* name) { return m_data.table(s(name)); }
    db::Connection& projects() { return m_data.database(s("DatabaseProjects")); }

    int count(const QString& sql, const QString& id)
    {
        db::Query q(projects(), sql);
        q.bindValue(s("id"), id);
        q.open();
        return q.field(0).asInteger();
    }

    // A new product configured from its code and stored through "Update".
    QString storedProduct(const QString& code, bool complex = false)
    {
        const QString id = m_store.CreateProductPDB(complex);
        EXPECT_FALSE(id.isEmpty());
        m_cfg.setArtNrText(code);
        m_cfg.PDARavova(ActArticleNumber);
        EXPECT_EQ(m_cfg.code().left(code.size()), code);
        EXPECT_EQ(m_store.UpdatePDB(false, true), UpdateOutcome::Stored);
        return id;
    }

    QStringList rows(const QString& table, const QString& columns, const QString& owner, const QString& id)
    {
        QStringList out;
        db::Query q(projects(), s("SELECT %1 FROM %2 WHERE %3 = :id ORDER BY rowid").arg(columns, table, owner));
        q.bindValue(s("id"), id);
        for (q.open(); !q.eof(); q.next()) {
            QStringList cells;
            for (int i = 0; i < q.fieldCount(); ++i)
                cells << q.field(i).asString();
            out << cells.join(u'|');
        }
        return out;
    }

    QStringList snapshot()
    {
        QStringList all;
        for (const char* table : {"Products", "ProdParts", "ProdSelComm", "ProdDocuments", "ProdTechData",
                                  "DetailPrices", "ProdLog"}) {
            db::Query q(projects(), s("SELECT * FROM %1 ORDER BY rowid").arg(s(table)));
            for (q.open(); !q.eof(); q.next()) {
                QStringList cells;
                for (int i = 0; i < q.fieldCount(); ++i)
                    cells << q.field(i).asString();
                all << s(table) + u':' + cells.join(u'|');
            }
        }
        return all;
    }

    TestWorkspace m_ws;
    RecordingInteraction m_ui;
    TFormData m_data;
    TFormDataPDB m_dataPDB;
    PDBConfigurator m_cfg;
    Host m_host;
    PDBStore m_store{m_data, m_dataPDB, m_cfg, m_host};
    QString m_pdbDir;
    QString m_complexDir;
};

TEST_F(StoreTest, UpdateWritesTheWholeConfiguration)
{
    const QString id = storedProduct(s("ES1ASS12A4"));
    db::Dataset& p = t("TableProducts");
    EXPECT_EQ(p.fieldByName(s("ProductCode")).asString(), s("ES1ASS12A4??????"));
    EXPECT_EQ(p.fieldByName(s("ProductCodeValid")).asString(), s("ES1.ASS-12A4"));
    EXPECT_TRUE(p.fieldByName(s("PDB")).asBoolean());
    EXPECT_EQ(p.fieldByName(s("TORVA_Locks")).asString(), QString(16, u'F'));
    EXPECT_EQ(p.fieldByName(s("GroupCodes")).asBytes().size(), 208);
    EXPECT_EQ(p.fieldByName(s("PDBPath")).asString(), m_pdbDir.left(50));

    EXPECT_EQ(rows(s("ProdParts"), s("PartNo, ItemNumber"), s("ParentID"), id),
              QStringList({"01|ES-CAS-1-S", "02|ES-IMP-1-S", "03|ES-SEAL-1", "04|ZM-3.0-2P", "05|ES-FLA-ANSI",
                           "09|ES-HEAT-230"}));
    EXPECT_EQ(rows(s("ProdDocuments"), s("Name"), s("ProductID"), id),
              QStringList({"ES_IOM.pdf", "ES25_DS.pdf", "SS_PASS.pdf"}));
    EXPECT_EQ(rows(s("ProdSelComm"), s("Comment"), s("ParentID"), id).size(), 1);
    EXPECT_EQ(rows(s("ProdLog"), s("Source, Description"), s("ParentID"), id), QStringList({"PDB|Changed"}));
    EXPECT_FALSE(rows(s("DetailPrices"), s("Keyword"), s("ProductID"), id).isEmpty());
    // Position 7 gives the shaft seal; the series' other properties get rows without a value.
    QStringList seal;
    {
        db::Query q(projects(), s("SELECT PDBValue, Value, PDB FROM ProdTechData WHERE ProductID = :id AND Property = "
                                  "'ShaftSeal'"));
        q.bindValue(s("id"), id);
        for (q.open(); !q.eof(); q.next())
            seal << q.field(0).asString() << q.field(1).asString() << q.field(2).asString();
    }
    ASSERT_EQ(seal.size(), 3);
    EXPECT_EQ(seal[0], s("1"));
    EXPECT_FALSE(seal[1].isEmpty());
    EXPECT_GT(count(s("SELECT COUNT(*) FROM ProdTechData WHERE ProductID = :id"), id), 3);
    // The notes of the code were shown in one box, after the store.
    EXPECT_EQ(m_ui.keys().filter(s("%s")).size(), 1);
}

TEST_F(StoreTest, LoadingAStoredItemGivesTheSameSelection)
{
    storedProduct(s("ES3BCC24P3"));
    const QString code = m_cfg.code();
    std::vector<QChar> chosen;
    for (int p = 3; p <= m_cfg.positionCount(); ++p)
        chosen.push_back(m_cfg.row(p).chosenEntry() ? m_cfg.row(p).chosenEntry()->code : QChar());

    PDBConfigurator fresh;
    PDBStore again(m_data, m_dataPDB, fresh, m_host);
    for (bool live : {false, true}) {
        SCOPED_TRACE(live ? "live" : "as stored");
        ASSERT_TRUE(again.InitPDB(false, live));
        EXPECT_EQ(fresh.code(), code);
        EXPECT_FALSE(fresh.PDBIsModified());
        for (int p = 3; p <= fresh.positionCount(); ++p) {
            const ListEntry* e = fresh.row(p).chosenEntry();
            if (fresh.row(p).type != u'M') {
                EXPECT_EQ(e ? e->code : QChar(), chosen[std::size_t(p - 3)]) << "position " << p;
            }
        }
    }
}

TEST_F(StoreTest, AFailedStoreLeavesTheItemAsItWas)
{
    const QString id = storedProduct(s("ES1ASS12A4"));
    const QStringList before = snapshot();
    m_cfg.setArtNrText(s("ES3BCC24P3"));
    m_cfg.PDARavova(ActArticleNumber);
    // The part rows are written late, after the record, comments, documents and prices.
    projects().exec(s("CREATE TRIGGER refuse BEFORE INSERT ON ProdParts BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    m_ui.clear();
    EXPECT_FALSE(m_store.StorePDB(StoreFlags::updateComplete()));
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(m_ui.messages().join(u' ').contains(s("disk full")));
    // The tables show the stored item again, and the change is still pending.
    EXPECT_EQ(t("TableProducts").fieldByName(s("ProductCode")).asString(), s("ES1ASS12A4??????"));
    EXPECT_EQ(t("TableProdParts").recordCount(), 6);
    EXPECT_TRUE(m_cfg.PDBIsModified());

    projects().exec(s("DROP TRIGGER refuse"));
    EXPECT_TRUE(m_store.StorePDB(StoreFlags::updateComplete()));
    EXPECT_EQ(count(s("SELECT COUNT(*) FROM Products WHERE ID = :id AND ProductCode LIKE 'ES3BCC24P3%'"), id), 1);
}

TEST_F(StoreTest, ALongDocumentNameIsStoredCutToTwentyCharacters)
{
    {
        db::Connection pdb;
        pdb.open(m_pdbDir);
        insertRows(pdb, s("ESDocs"), {"PROCENTR", "PUMPSERIE", "SORTORDER", "FROMPARTS", "NAME", "DESCR"},
                   {{"DEM", "ES", "00001", false, "ABCDEFGHIJKLMNOPQRSTUVWXY", "DOC_IOM"}});
    }
    const QString id = storedProduct(s("ES1ASS12A4"));
    EXPECT_TRUE(rows(s("ProdDocuments"), s("Name"), s("ProductID"), id).contains(s("ABCDEFGHIJKLMNOPQRST")));
}

TEST_F(StoreTest, AnotherSeriesRemovesOnlyTheTechnicalDataTheUserDidNotAdd)
{
    const QString id = storedProduct(s("ES1ASS12A4"));
    {
        db::Query q(projects(), s("INSERT INTO ProdTechData (ID, ProductID, \"User\", Property, Value) VALUES "
                                  "('user-row', :id, 1, 'Noise', 'mine')"));
        q.bindValue(s("id"), id);
        q.execSql();
    }
    t("TableProdTechData").refresh();
    const QStringList esRows = rows(s("ProdTechData"), s("ID"), s("ProductID"), id).filter(QRegularExpression(s("^(?!user-row$)")));
    ASSERT_FALSE(esRows.isEmpty());

    // The same code again keeps the rows.
    ASSERT_TRUE(m_store.StorePDB(StoreFlags::updateComplete()));
    EXPECT_EQ(rows(s("ProdTechData"), s("ID"), s("ProductID"), id).size(), esRows.size() + 1);

    m_cfg.setArtNrText(s("VL1AC11"));
    m_cfg.PDARavova(ActArticleNumber);
    ASSERT_TRUE(m_store.StorePDB(StoreFlags::updateIncomplete(true)));
    const QStringList after = rows(s("ProdTechData"), s("ID, Value"), s("ProductID"), id);
    EXPECT_TRUE(after.contains(s("user-row|mine")));
    for (const QString& old : esRows)
        EXPECT_TRUE(after.filter(old + u'|').isEmpty()) << old.toStdString();
    EXPECT_EQ(after.size(), esRows.size() + 1); // VL has as many properties as ES
    EXPECT_EQ(t("TableProducts").fieldByName(s("ProductSeries")).asString(), s("VL"));
}

TEST_F(StoreTest, AComplexProductAndItsAccessoriesOpenTheExtComplexDirectory)
{
    const QString product = m_store.CreateProductPDB(true);
    ASSERT_FALSE(product.isEmpty());
    EXPECT_EQ(QDir::cleanPath(m_dataPDB.PDBPath()), QDir::cleanPath(m_complexDir));
    EXPECT_EQ(QDir::cleanPath(m_host.pdbDirectoryShown), QDir::cleanPath(m_complexDir));
    ASSERT_FALSE(m_store.CreateAccessoryPDB(QString()).isEmpty());
    EXPECT_EQ(QDir::cleanPath(m_dataPDB.PDBPath()), QDir::cleanPath(m_complexDir));

    m_host.kind = 1;
    ASSERT_FALSE(m_store.CreateProductPDB(false).isEmpty());
    EXPECT_EQ(QDir::cleanPath(m_dataPDB.PDBPath()), QDir::cleanPath(m_pdbDir));
}

TEST_F(StoreTest, TheTickedAccessoriesOfAPumpAreCreatedAndStoredSilently)
{
    const QString product = storedProduct(s("ES3BCC24P3"));
    m_host.ticked = QList<int>{};
    EXPECT_EQ(m_store.TabPDBBtnAccessoriesClick(), 0); // OK with nothing ticked, as Cancel
    ASSERT_FALSE(m_host.offered.isEmpty());
    m_host.ticked = QList<int>{0};
    m_ui.clear();
    EXPECT_EQ(m_store.TabPDBBtnAccessoriesClick(), 1);
    EXPECT_EQ(m_host.restored, 2);
    const QStringList accessories = rows(s("Accessories"), s("ID, ProductSeries, Name"), s("ProductID"), product);
    ASSERT_EQ(accessories.size(), 1);
    const QString id = accessories[0].section(u'|', 0, 0);
    EXPECT_EQ(accessories[0].section(u'|', 1, 1), s("BC"));
    EXPECT_NE(accessories[0].section(u'|', 2), s("New accessory"));
    EXPECT_FALSE(rows(s("AccParts"), s("ItemNumber"), s("ParentID"), id).isEmpty());
    EXPECT_EQ(rows(s("AccLog"), s("Description"), s("ParentID"), id), QStringList(s("Changed")));
    // The product's documents are the product's own.
    EXPECT_EQ(rows(s("ProdDocuments"), s("Name"), s("ProductID"), product).size(), 2);
    EXPECT_TRUE(m_ui.keys().filter(QRegularExpression(s("^2[5-7]$"))).isEmpty());
}

TEST_F(StoreTest, AnAccessoryNeedsAProductContext)
{
    m_host.kind = 1;
    EXPECT_TRUE(m_store.CreateAccessoryPDB(QString()).isEmpty());
    EXPECT_EQ(m_ui.keys(),
              QStringList(s("Select a product (or details accessory, document etc of a product) in the project tree "
                            "before creating an accessory!")));
}

TEST_F(StoreTest, MessageTwentyEightDecidesAboutThePendingChange)
{
    storedProduct(s("ES1ASS12A4"));
    const QString stored = m_cfg.code();
    struct Case {
        int answer;
        bool allowed;
        bool stillModified;
    };
    for (const Case c : {Case{MsgCodeCancel, false, true}, Case{MsgCodeNo, true, false}}) {
        m_cfg.setArtNrText(s("ES3BCC24P3"));
        m_cfg.PDARavova(ActArticleNumber);
        ASSERT_TRUE(m_cfg.PDBIsModified());
        m_ui.clear();
        m_ui.answer(c.answer);
        EXPECT_EQ(m_store.TabPDBCheckUpdate(), c.allowed);
        EXPECT_EQ(m_ui.keys(), QStringList(s("28")));
        EXPECT_EQ(m_cfg.PDBIsModified(), c.stillModified);
    }
    EXPECT_EQ(m_cfg.code(), stored);
}

} // namespace
} // namespace kiro::pdb
