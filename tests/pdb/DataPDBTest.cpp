#include "pdb/DataPDB.h"

#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "pdb/PdbSchema.h"
#include "support/RecordingInteraction.h"
#include "support/TestWorkspace.h"

#include <QDir>

#include <gtest/gtest.h>

namespace kiro {
namespace {

using pdb::PdbTable;
using test::RecordingInteraction;
using test::TestWorkspace;

const QStringList kMainColumns = {"PUMPSERIE", "IMPORTORDER", "PROCENTR", "PUMPTEXT", "PUMPTEXT_LANG", "ISACC",
                                  "ACCVALIDFOR", "DBPARTS", "DBPARTSX", "DBDOCS", "DBDOCSX", "PDBVer"};

// A small product database: two pump series and three accessory series of
// two production centres.
class DataPDBTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Numbered messages show their arguments.
        setMessageLookup([](const QString& key, const QString&) -> std::optional<QString> {
            bool number = false;
            key.toInt(&number);
            return number ? std::optional<QString>(key + QStringLiteral(": %s")) : std::nullopt;
        });
        pdb::createPdbDatabase(m_dir, {"UK", "SE", "DE"});
        m_write.open(m_dir);
        pdb::insertRows(m_write, "PDBMain", kMainColumns,
                        {
                            {"VL", 4, "PXM", "S_VL", "Vertical in-line", false, "", "VLParts", "", "", "", "1.80"},
                            {"ES", 1, "DEM", "S_ES", "End-suction", false, "", "ESParts", "ESPartX", "", "Nope", "1.80"},
                            {"CP", 3, "IEM", "S_CP", "Control panels", true, "", "", "", "", "", "1.80"},
                            {"BC", 2, "DEM", "S_BC", "Baseplates", true, "AB,CD", "", "", "", "", "1.80"},
                            {"MX", 1, "DEM", "S_MX", "Mixers", true, "ES", "", "", "", "", "1.80"},
                        });
        pdb::createSeriesTable(m_write, PdbTable::Parts, "ESParts");
        pdb::insertRows(m_write, "ESParts", {"PUMPSERIE", "PARTTYPE", "SORTORDER", "NAME"}, {{"ES", 1, "001", "P-1"}});
        m_pdb = std::make_unique<TFormDataPDB>();
    }

    db::Dataset& t(const char* name) { return m_pdb->table(QString::fromLatin1(name)); }

    QStringList listedSeries()
    {
        QStringList codes;
        db::Dataset& main = t("TableMain");
        main.first();
        while (!main.eof()) {
            codes << main.fieldByName("PUMPSERIE").asString();
            main.next();
        }
        return codes;
    }

    TestWorkspace m_ws;
    RecordingInteraction m_ui;
    QString m_dir = m_ws.path("pdb");
    db::Connection m_write;
    std::unique_ptr<TFormDataPDB> m_pdb;
};

TEST_F(DataPDBTest, OpensTheDirectoryAndReadsItsVersions)
{
    QString version;
    ASSERT_TRUE(m_pdb->OpenPDB(m_dir, version));
    EXPECT_EQ(version, "1.80");
    EXPECT_TRUE(m_pdb->PDBIsCurrent());
    EXPECT_TRUE(t("TableMain").isActive());
    EXPECT_EQ(m_pdb->PDBGetVersion(), "1.80");
    EXPECT_EQ(m_pdb->PDBGetDBVersion(), "1.4");
    EXPECT_EQ(m_pdb->PDBPath(), m_dir + "/");
    EXPECT_TRUE(m_ui.messages().isEmpty()) << m_ui.messages().join('\n').toStdString();
}

TEST_F(DataPDBTest, AnUnusableDirectoryIsReportedAndLeavesTheConnectionClosed)
{
    m_write.dropTable("PDBMain");
    for (const QString& dir : {m_ws.path("nowhere"), m_dir}) {
        m_ui.clear();
        EXPECT_FALSE(m_pdb->OpenPDB(dir)) << dir.toStdString();
        EXPECT_FALSE(m_pdb->isOpen());
        ASSERT_EQ(m_ui.messages().size(), 1);
        EXPECT_TRUE(m_ui.messages().first().startsWith("Failed to open PDB database!\n"))
            << m_ui.messages().first().toStdString();
        EXPECT_GT(m_ui.messages().first().size(), QString("Failed to open PDB database!\n").size())
            << "the engine's text follows";
    }
}

TEST_F(DataPDBTest, AnOldVersionOpensWithTheSeriesTableClosed)
{
    m_write.exec("UPDATE PDBMain SET PDBVer = '1.9'");
    QString version;
    ASSERT_TRUE(m_pdb->OpenPDB(m_dir, version));
    EXPECT_EQ(version, "1.9");
    EXPECT_FALSE(m_pdb->PDBIsCurrent());
    EXPECT_FALSE(t("TableMain").isActive());
    EXPECT_TRUE(m_ui.messages().isEmpty());
}

TEST_F(DataPDBTest, AMissingVersionColumnReadsAsUnknown)
{
    pdb::createPdbDatabase(m_dir);
    db::TableDef main = pdb::tableDef(PdbTable::Main);
    main.fields.removeIf([](const db::FieldDef& f) { return f.name == "PDBVer"; });
    m_write.createTable(main, true);
    pdb::insertRows(m_write, "PDBMain", {"PUMPSERIE"}, {{"ES"}});
    QString version;
    ASSERT_TRUE(m_pdb->OpenPDB(m_dir, version));
    EXPECT_EQ(version, "?.?");
    EXPECT_FALSE(m_pdb->PDBIsCurrent());
}

TEST(PDBVersion, ComparesMajorAndMinorAsNumbers)
{
    struct Case {
        const char* version;
        bool current; // against the expected 1.80
        bool atLeast14;
    };
    const Case cases[] = {
        {"1.80", true, true},  {"1.100", true, true}, {"1.9", false, true}, {"2.0", true, true},
        {"0.99", false, false}, {"1.4", false, true}, {"1.3", false, false}, {"abc", false, false},
        {"1.x", false, false}, {"1", false, false},   {"", false, false},   {"?.?", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TFormDataPDB::VersionAtLeast(c.version, 1, 80), c.current) << c.version;
        EXPECT_EQ(TFormDataPDB::PDBVersionAtLeast14(c.version), c.atLeast14) << c.version;
    }
}

TEST_F(DataPDBTest, SeriesTablesBindToTheNamesOfTheSeriesRecordOrTheirDefaults)
{
    ASSERT_TRUE(m_pdb->OpenPDB(m_dir));
    m_pdb->setSeriesContext({"es", false, {}, {}});
    ASSERT_TRUE(m_pdb->PDBBindPartTables());
    EXPECT_EQ(t("TableParts").tableName(), "ESParts");
    EXPECT_EQ(t("TableParts").recordCount(), 1);
    EXPECT_EQ(t("TablePartsX").tableName(), "PDBPartsX") << "DBPARTSX names a table that does not exist";
    EXPECT_TRUE(t("TablePartsX").isActive());
    EXPECT_TRUE(t("TableLangParts").isActive());
    EXPECT_TRUE(m_ui.messages().isEmpty()) << m_ui.messages().join('\n').toStdString();

    // Another series: an empty column means the default table.
    m_pdb->setSeriesContext({"VL", false, {}, {}});
    ASSERT_TRUE(m_pdb->PDBBindPartTables());
    EXPECT_EQ(t("TableParts").tableName(), "PDBParts") << "VLParts is not in the file";
    EXPECT_TRUE(m_pdb->PDBBindPartTables({}, "PDBParts", "PDBPartsX")) << "names given by the caller";

    // A series whose kind is not the one listed has no record for the part tables.
    m_pdb->setSeriesContext({"ES", true, {}, {}});
    EXPECT_FALSE(m_pdb->PDBBindPartTables());
    m_pdb->setSeriesContext({"E", false, {}, {}});
    EXPECT_FALSE(m_pdb->PDBBindDocTables()) << "no valid series";
}

TEST_F(DataPDBTest, AGroupWhoseTablesAreMissingTellsWhichDefaultIsMissing)
{
    m_write.dropTable("PDBDocsX");
    ASSERT_TRUE(m_pdb->OpenPDB(m_dir));
    m_pdb->setSeriesContext({"ES", false, {}, {}});
    EXPECT_FALSE(m_pdb->PDBBindDocTables());
    ASSERT_FALSE(m_ui.keys().isEmpty());
    EXPECT_EQ(m_ui.keys().first(), "1011");
    EXPECT_TRUE(m_ui.messages().first().contains(m_dir + "/PDBDocsX")) << m_ui.messages().first().toStdString();
    EXPECT_TRUE(t("TableDocuments").isActive()) << "the main table of the group opened";
    EXPECT_FALSE(t("TableDocumentsX").isActive());

    // The other groups are not affected.
    m_ui.clear();
    EXPECT_TRUE(m_pdb->PDBBindPriceTables());
    EXPECT_TRUE(m_pdb->PDBBindCommentTables());
    EXPECT_TRUE(m_pdb->PDBBindNoteTables());
    EXPECT_TRUE(m_pdb->PDBBindInfoTables());
    EXPECT_TRUE(m_ui.messages().isEmpty()) << m_ui.messages().join('\n').toStdString();
}

TEST_F(DataPDBTest, BindingReopensWhenTheDatabaseWasClosed)
{
    ASSERT_TRUE(m_pdb->OpenPDB(m_dir));
    m_pdb->DatabasePDB().close();
    m_pdb->setSeriesContext({"ES", false, {}, {}});
    EXPECT_TRUE(m_pdb->PDBBindPriceTables());
    EXPECT_TRUE(m_pdb->isOpen());

    // The item's own directory wins over the one opened last.
    m_pdb->setSeriesContext({"ES", false, {}, m_ws.path("nowhere")});
    m_pdb->DatabasePDB().close();
    m_ui.clear();
    EXPECT_FALSE(m_pdb->PDBBindPriceTables());
    EXPECT_EQ(m_ui.messages().size(), 1);
}

TEST_F(DataPDBTest, BindingATableKeepsItOpenWhenItWasOpen)
{
    ASSERT_TRUE(m_pdb->OpenPDB(m_dir));
    db::Dataset& parts = t("TableParts");
    EXPECT_TRUE(m_pdb->PDBBindTable(parts, "ESParts"));
    EXPECT_FALSE(parts.isActive());
    ASSERT_TRUE(m_pdb->PDBOpenTable(parts));
    EXPECT_TRUE(m_pdb->PDBBindTable(parts, "PDBParts"));
    EXPECT_TRUE(parts.isActive());
    EXPECT_EQ(parts.recordCount(), 0);
}

class DataPDBLanguageTest : public DataPDBTest {
protected:
    void SetUp() override
    {
        DataPDBTest::SetUp();
        pdb::insertRows(m_write, "LangPDBMain", {"PRODSERIE", "KeyWord", "UK", "SE", "DE"},
                        {{"ES", "S_ES", "End-suction pumps", "Ändsugande pumpar", "Normpumpen"},
                         {"VL", "S_VL", "In-line pumps", "", ""}});
        pdb::insertRows(m_write, "LangPDBDocs", {"KeyWord", "UK", "SE", "DE"}, {{"D1", "Manual", "Manual SE", "Handbuch"}});
        pdb::insertRows(m_write, "PDBDocs", {"PUMPSERIE", "SORTORDER", "NAME", "DESCR"}, {{"ES", "1", "m.pdf", "D1"}});
        // German is missing from one of the first four tables.
        db::TableDef header = pdb::tableDef(PdbTable::LangHeader, {}, {"UK", "SE"});
        m_write.createTable(header, true);
        ASSERT_TRUE(m_pdb->OpenPDB(m_dir));
        m_pdb->setSeriesContext({"ES", false, {}, {}});
        ASSERT_TRUE(m_pdb->PDBBindDocTables());
    }

    QString pumpText(const char* series)
    {
        EXPECT_TRUE(t("TableMain").locate("PUMPSERIE", series));
        return m_pdb->TableMain_PUMPTEXTGetText();
    }
    QString docText() { return t("TableDocuments").fieldByName("_DESCR").asString(); }
};

TEST_F(DataPDBLanguageTest, LookupsFollowTheLanguageWithFallbackToUKAndTheKeyword)
{
    EXPECT_EQ(pumpText("ES"), "End-suction pumps");
    ASSERT_TRUE(m_pdb->SetActiveLanguage("SE"));
    EXPECT_EQ(m_pdb->PDBLanguage(), "SE");
    EXPECT_EQ(pumpText("ES"), QString::fromUtf8("Ändsugande pumpar"));
    EXPECT_EQ(pumpText("VL"), "In-line pumps") << "no Swedish text: the UK one";
    EXPECT_EQ(pumpText("CP"), "S_CP") << "no text at all: the keyword";
    EXPECT_EQ(docText(), "Manual SE");
    EXPECT_TRUE(t("TableDocuments").isActive()) << "an open table is open again";
    EXPECT_FALSE(t("TableLangHeader").isActive()) << "a closed language table is closed again";

    EXPECT_EQ(m_pdb->TranslateKeyword("TableLangDocs", "D1"), "Manual SE");
    EXPECT_EQ(m_pdb->TranslateKeyword("TableLangMain", "S_VL"), "In-line pumps");
    EXPECT_EQ(m_pdb->TranslateKeyword("TableLangDocs", "D9"), "D9");
    EXPECT_EQ(m_pdb->TranslateKeyword("TableLangDocs", "D9", false), "");
    EXPECT_TRUE(m_ui.messages().isEmpty());
}

TEST_F(DataPDBLanguageTest, ALanguageMissingFromTheHeaderTableStopsTheSwitchThere)
{
    EXPECT_FALSE(m_pdb->SetActiveLanguage("DE"));
    EXPECT_EQ(m_pdb->PDBLanguage(), "DE") << "stored even though the header table lacks it";
    EXPECT_EQ(pumpText("ES"), "Normpumpen") << "the series names were switched before";
    EXPECT_EQ(docText(), "Manual") << "documents keep their language";
    EXPECT_TRUE(m_ui.messages().isEmpty()) << "no message for a missing column";

    EXPECT_FALSE(m_pdb->SetActiveLanguage("FR"));
    EXPECT_EQ(pumpText("ES"), "Normpumpen") << "a language no table has changes nothing";
}

TEST_F(DataPDBLanguageTest, AnEngineErrorWhileSwitchingIsReported)
{
    m_write.dropTable("LangPDBNotes");
    EXPECT_FALSE(m_pdb->SetActiveLanguage("SE"));
    ASSERT_FALSE(m_ui.messages().isEmpty());
    EXPECT_TRUE(m_ui.messages().last().startsWith("Failed to switch PDB language!\n"))
        << m_ui.messages().last().toStdString();
    EXPECT_EQ(docText(), "Manual SE") << "the lookups before the failing one were switched";
}

TEST_F(DataPDBTest, MakeTableFilterBuildsTheSeriesFilter)
{
    struct Case {
        const char* suppliers;
        bool isAcc;
        const char* series;
        int mode;
        const char* filter;
    };
    const Case cases[] = {
        {"", false, "", 0, "(ISACC='False')"},
        {"A1,B2", false, "", 0, "((PROCENTR='A1') OR (PROCENTR='B2')) AND (ISACC='False')"},
        {"DEM", true, "ES", 0, "((PROCENTR='DEM')) AND (ISACC='True')"},
        {"DEM,IEM", false, "ES", 1, "(PUMPSERIE='ES') AND (ISACC='False')"},
        {"DEM", true, "", 1, "(ISACC='True')"},
        {"O'N", false, "", 0, "((PROCENTR='O''N')) AND (ISACC='False')"},
    };
    for (const Case& c : cases) {
        settings().pdb().SuppliersInc = c.suppliers;
        m_pdb->setSeriesContext({c.series, c.isAcc, {}, {}});
        EXPECT_EQ(m_pdb->MakeTableFilter(t("TableMain"), c.mode), c.filter) << c.suppliers << " " << c.mode;
    }
    EXPECT_TRUE(m_ui.messages().isEmpty());
    EXPECT_EQ(m_pdb->MakeTableFilter(t("TableDummy"), 0), "");
    ASSERT_EQ(m_ui.keys(), QStringList{"1016"});
    EXPECT_TRUE(m_ui.messages().first().contains("TableDummy"));
}

TEST_F(DataPDBTest, ListsPumpsByNameAndAccessoriesByOrderForThePump)
{
    settings().pdb().SuppliersInc = "DEM,IEM,PXM";
    ASSERT_TRUE(m_pdb->OpenPDB(m_dir));
    struct Case {
        bool isAcc;
        const char* pumpSeries;
        QStringList listed;
    };
    const Case cases[] = {
        {false, "", {"ES", "VL"}}, // by PUMPTEXT_LANG: End-suction before Vertical
        {true, "", {"MX", "BC", "CP"}},
        {true, "CD", {"BC", "CP"}},
        {true, "ES", {"MX", "CP"}},
        {true, "EF", {"CP"}},
    };
    for (const Case& c : cases) {
        m_pdb->setSeriesContext({{}, c.isAcc, c.pumpSeries, {}});
        m_pdb->PDBListSeries();
        EXPECT_EQ(listedSeries(), c.listed) << c.isAcc << " " << c.pumpSeries;
    }
    settings().pdb().SuppliersInc = "PXM,IEM";
    m_pdb->setSeriesContext({{}, false, {}, {}});
    m_pdb->PDBListSeries();
    EXPECT_EQ(listedSeries(), QStringList{"VL"}) << "only the included production centres";
    EXPECT_TRUE(m_ui.messages().isEmpty()) << m_ui.messages().join('\n').toStdString();
}

} // namespace
} // namespace kiro
