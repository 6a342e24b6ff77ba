#include "pdb/DataPDB.h"

#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "pdb/PdbGenerator.h"
#include "pdb/PdbSchema.h"
#include "support/RecordingInteraction.h"
#include "support/TestWorkspace.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace kiro {
namespace {

using pdb::PdbTable;
using test::RecordingInteraction;
using test::TestWorkspace;

const QString kAlphabet = QStringLiteral("0123456789ABCDEFGHJKLMNPQRSTUVWXYZ");

// One field of a condition: optional groups ("*", "2..15", "1,3,7") before
// a colon, then "*" or code characters.
const QRegularExpression kField(QStringLiteral("^(?:(?:\\*|\\d\\.\\.\\d+|\\d+(?:,\\d+)*)?:)?(?:\\*|[0-9A-HJ-NP-Z]+)$"));

// The demonstration database as the build makes it, read through plain
// queries so that the data is checked independently of the module.
class DemoPdbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pdb::buildPdbFromSources(TestWorkspace::resourcesDir() + "/db/PDB_1.80", m_dir);
        m_db.open(m_dir);
    }

    QList<QVariantMap> rows(const QString& table)
    {
        QList<QVariantMap> result;
        db::Query q(m_db, QStringLiteral("SELECT * FROM %1").arg(m_db.quote(table)));
        for (q.open(); !q.eof(); q.next()) {
            QVariantMap row;
            for (const QString& f : q.fieldNames())
                row.insert(f.toUpper(), q.value(f));
            result << row;
        }
        return result;
    }

    QSet<QString> keywordsWithUK(const QString& table)
    {
        QSet<QString> keys;
        for (const QVariantMap& r : rows(table)) {
            if (!r.value("UK").toString().isEmpty())
                keys << r.value("KEYWORD").toString();
        }
        return keys;
    }

    QString tableOf(const QVariantMap& series, PdbTable kind)
    {
        const QString named = series.value(pdb::seriesColumn(kind)).toString();
        return !named.isEmpty() && m_db.tableExists(named) ? named : pdb::defaultTableName(kind);
    }

    TestWorkspace m_ws;
    QString m_dir = m_ws.path("pdb");
    db::Connection m_db;
};

TEST_F(DemoPdbTest, EveryRuleOfEverySeriesIsWellFormed)
{
    const QList<QVariantMap> main = rows("PDBMain");
    ASSERT_EQ(main.size(), 6);
    const QSet<QString> selectionTexts = keywordsWithUK("LangPDBSelection");
    const QSet<QString> headerTexts = keywordsWithUK("LangPDBHeader");
    const QSet<QString> typeTexts = keywordsWithUK("LangPDBProdInfo");
    const QSet<QString> partTexts = keywordsWithUK("LangPDBParts");
    const QSet<QString> seriesTexts = keywordsWithUK("LangPDBMain");

    for (const QVariantMap& s : main) {
        const QString series = s.value("PUMPSERIE").toString();
        SCOPED_TRACE(series.toStdString());
        EXPECT_EQ(TFormDataPDB::ValidSeries(series), series);
        EXPECT_EQ(s.value("PDBVER").toString(), "1.80");
        EXPECT_TRUE(seriesTexts.contains(s.value("PUMPTEXT").toString()));
        const int positions = s.value("SELECTION1").toInt() + s.value("SELECTION2").toInt();
        EXPECT_GE(positions, 8);
        EXPECT_LE(positions, 16);

        // Conditions: no field beyond the series' positions (16 for the pump's and the siblings' codes).
        auto checkCondition = [&](const QString& table, const QVariantMap& r, const char* column, int maxFields) {
            const QString text = r.value(column).toString();
            if (text.isEmpty())
                return;
            const QStringList fields = text.split(';');
            EXPECT_LE(fields.size(), maxFields) << table.toStdString() << " " << column << " " << text.toStdString();
            for (const QString& f : fields) {
                if (!f.isEmpty()) {
                    EXPECT_TRUE(kField.match(f).hasMatch()) << table.toStdString() << " " << text.toStdString();
                }
            }
        };
        for (PdbTable kind : pdb::allPdbTables()) {
            if (!pdb::hasConditions(kind))
                continue;
            const QString table = tableOf(s, kind);
            for (const QVariantMap& r : rows(table)) {
                if (r.value("PUMPSERIE").toString() != series)
                    continue;
                checkCondition(table, r, "CODES", positions);
                checkCondition(table, r, "PUMPCODES", 16);
                checkCondition(table, r, "ACCECODES", 16);
                EXPECT_FALSE(r.value("SORTORDER").toString().isEmpty()) << table.toStdString();
            }
        }

        // Part types named, parts of known types with texts.
        QSet<int> partTypes;
        for (const QVariantMap& r : rows("PDBProdInfo")) {
            if (r.value("PUMPSERIE").toString() != series)
                continue;
            EXPECT_TRUE(typeTexts.contains(r.value("PNONAME").toString())) << r.value("PNONAME").toString().toStdString();
            if (r.value("CATEGORY").toInt() == 1)
                partTypes << r.value("PNO").toInt();
        }
        for (PdbTable kind : {PdbTable::Parts, PdbTable::PartsX}) {
            for (const QVariantMap& r : rows(tableOf(s, kind))) {
                if (r.value("PUMPSERIE").toString() != series)
                    continue;
                EXPECT_TRUE(partTypes.contains(r.value("PARTTYPE").toInt())) << r.value("NAME").toString().toStdString();
                EXPECT_TRUE(partTexts.contains(r.value("DESCRIPTION").toString())) << r.value("NAME").toString().toStdString();
                const QString special = r.value("SPECIAL").toString();
                EXPECT_TRUE(special.isEmpty() || partTexts.contains(special));
                const QString cls = r.value("CLASS").toString();
                EXPECT_TRUE(cls.isEmpty() || QStringLiteral("ABCDEF").contains(cls)) << cls.toStdString();
            }
        }

        // A header row for every position that has values, and values for every selectable position.
        QHash<int, int> headerRows;
        for (const QVariantMap& r : rows("PDBHeader")) {
            if (r.value("PUMPSERIE").toString() != series)
                continue;
            EXPECT_TRUE(QStringLiteral("SZM").contains(r.value("SINGLESEL").toString()));
            EXPECT_TRUE(headerTexts.contains(r.value("SECTHEADER").toString()));
            ++headerRows[r.value("CODEPOS").toInt()];
        }
        QHash<int, int> values;
        for (const QVariantMap& r : rows(tableOf(s, PdbTable::Selection))) {
            if (r.value("PUMPSERIE").toString() != series)
                continue;
            const int position = r.value("CODEPOS").toInt();
            ++values[position];
            EXPECT_TRUE(headerRows.contains(position)) << "position " << position;
            EXPECT_TRUE(selectionTexts.contains(r.value("SELTEXT").toString())) << r.value("SELTEXT").toString().toStdString();
            const QString code = r.value("CODE").toString();
            EXPECT_TRUE(code.size() == 1 && kAlphabet.contains(code)) << code.toStdString();
        }
        for (int p = 3; p <= positions; ++p) {
            EXPECT_TRUE(headerRows.contains(p)) << "no header row for position " << p;
            EXPECT_GT(values.value(p), 0) << "no values for position " << p;
        }
        for (int p : headerRows.keys())
            EXPECT_TRUE(p >= 3 && p <= positions) << "header beyond the positions: " << p;

        // The factory default of the series.
        int defaults = 0;
        for (const QVariantMap& r : rows("PDBFactDefault")) {
            if (r.value("CODE01").toString() + r.value("CODE02").toString() != series)
                continue;
            ++defaults;
            for (int p = positions + 1; p <= 16; ++p)
                EXPECT_EQ(r.value(pdb::defaultColumn("CODE", p)).toString(), "?");
        }
        EXPECT_EQ(defaults, 1);
    }
}

TEST_F(DemoPdbTest, EveryTranslatedTextHasAnEnglishText)
{
    struct Use {
        const char* table; // a default name or a DB* column
        const char* column;
        const char* language;
    };
    const Use uses[] = {
        {"DBDOCS", "DESCR", "LangPDBDocs"},        {"DBDOCSX", "DESCR", "LangPDBDocs"},
        {"DBCOMM", "NAME", "LangPDBComments"},     {"DBCOMMX", "NAME", "LangPDBComments"},
        {"DBNOTES", "NAME", "LangPDBNotes"},       {"DBNOTESX", "NAME", "LangPDBNotes"},
        {"DBINFO", "NAME", "LangPDBInfo"},         {"DBPRICE", "DESCRIPTION", "LangPDBPrices"},
        {"DBPRICEX", "DESCRIPTION", "LangPDBPrices"},
    };
    for (const QVariantMap& s : rows("PDBMain")) {
        for (const Use& u : uses) {
            const QSet<QString> texts = keywordsWithUK(u.language);
            PdbTable kind;
            ASSERT_TRUE(pdb::tableForSeriesColumn(u.table, kind));
            for (const QVariantMap& r : rows(tableOf(s, kind))) {
                const QString keyword = r.value(u.column).toString();
                if (!keyword.isEmpty()) {
                    EXPECT_TRUE(texts.contains(keyword)) << u.language << ": " << keyword.toStdString();
                }
            }
        }
    }
    // Every language table has a Swedish text wherever it has an English one.
    for (PdbTable kind : pdb::allPdbTables()) {
        if (!pdb::isLanguageTable(kind))
            continue;
        for (const QVariantMap& r : rows(pdb::defaultTableName(kind)))
            EXPECT_FALSE(r.value("SE").toString().isEmpty()) << r.value("KEYWORD").toString().toStdString();
    }
}

TEST_F(DemoPdbTest, QuickProductsCarryCompleteCodesOfTheirSeries)
{
    QHash<QString, int> positions;
    for (const QVariantMap& s : rows("PDBMain"))
        positions.insert(s.value("PUMPSERIE").toString(), s.value("SELECTION1").toInt() + s.value("SELECTION2").toInt());
    const QList<QVariantMap> products = rows("PDBProducts");
    ASSERT_GE(products.size(), 3);
    for (const QVariantMap& p : products) {
        const QString code = p.value("CODE").toString();
        ASSERT_TRUE(positions.contains(code.left(2))) << code.toStdString();
        EXPECT_EQ(code.size(), positions.value(code.left(2))) << code.toStdString();
        for (QChar c : code)
            EXPECT_TRUE(kAlphabet.contains(c)) << code.toStdString();
        EXPECT_GT(p.value("PRICE").toDouble(), 0);
    }
}

TEST_F(DemoPdbTest, TheModuleListsTheDemonstrationSeries)
{
    RecordingInteraction ui;
    TFormDataPDB module;
    ASSERT_TRUE(module.OpenPDB(m_dir));
    EXPECT_TRUE(module.PDBIsCurrent());
    auto listed = [&](bool isAcc, const QString& pump) {
        module.setSeriesContext({{}, isAcc, pump, {}});
        module.PDBListSeries();
        QStringList codes;
        db::Dataset& main = module.table("TableMain");
        main.first();
        while (!main.eof()) {
            codes << main.fieldByName("PUMPSERIE").asString();
            main.next();
        }
        return codes;
    };
    EXPECT_EQ(listed(false, {}), (QStringList{"ES", "MS", "SU", "VL"}));
    EXPECT_EQ(listed(true, "ES"), (QStringList{"BC", "CP"}));
    EXPECT_EQ(listed(true, "MS"), QStringList{});
    ASSERT_TRUE(module.SetActiveLanguage("SE"));
    module.setSeriesContext({"ES", false, {}, {}});
    EXPECT_TRUE(module.PDBBindPartTables());
    EXPECT_TRUE(module.PDBBindPriceTables());
    EXPECT_TRUE(module.PDBBindDocTables());
    EXPECT_TRUE(module.PDBBindCommentTables());
    EXPECT_TRUE(module.PDBBindNoteTables());
    EXPECT_TRUE(module.PDBBindInfoTables());
    EXPECT_TRUE(module.PDBBindSelectionTables());
    EXPECT_TRUE(module.PDBBindHeaderTables());
    EXPECT_EQ(module.table("TablePartsX").tableName(), "ESPartsX");
    EXPECT_EQ(module.TranslateKeyword("TableLangProdInfo", "PT_SEAL"), QString::fromUtf8("Axeltätning"));
    module.setSeriesContext({"VL", false, {}, {}});
    EXPECT_TRUE(module.PDBBindPartTables());
    EXPECT_EQ(module.table("TablePartsX").tableName(), "PDBPartsX");
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messages().join('\n').toStdString();
}

TEST_F(DemoPdbTest, ARebuildKeepsTheUsersDefaults)
{
    pdb::insertRows(m_db, "PDBUserDefault", {"CODE01", "CODE02", "CODE03", "LOCK03"}, {{"E", "S", "2", true}});
    m_db.close();
    pdb::buildPdbFromSources(TestWorkspace::resourcesDir() + "/db/PDB_1.80", m_dir);
    m_db.open(m_dir);
    const QList<QVariantMap> defaults = rows("PDBUserDefault");
    ASSERT_EQ(defaults.size(), 1);
    EXPECT_EQ(defaults.first().value("CODE03").toString(), "2");
    EXPECT_TRUE(defaults.first().value("LOCK03").toBool());
}

TEST(PdbGenerator, WritesASeededSeriesThatTheModuleOpens)
{
    TestWorkspace ws;
    pdb::SyntheticSeriesOptions options;
    options.parts = 2000;
    options.prices = 100;
    const pdb::SyntheticSeriesInfo first = pdb::generateSyntheticSeries(ws.path("a"), options);
    pdb::generateSyntheticSeries(ws.path("b"), options);
    EXPECT_EQ(first.parts, 2000);
    EXPECT_EQ(first.selectionValues, 14 * 30);
    EXPECT_EQ(first.completeCode.size(), 16);

    auto codes = [](const QString& dir) {
        db::Connection c;
        c.open(dir);
        QStringList list;
        db::Query q(c, "SELECT CODES FROM PDBParts ORDER BY SORTORDER");
        for (q.open(); !q.eof(); q.next())
            list << q.value("CODES").toString();
        return list;
    };
    const QStringList a = codes(ws.path("a"));
    EXPECT_EQ(a, codes(ws.path("b"))) << "the same seed gives the same parts";
    ASSERT_EQ(a.size(), 2000);
    for (const QString& condition : a) {
        const QStringList fields = condition.split(';');
        EXPECT_LE(fields.size(), 16);
        for (const QString& f : fields) {
            if (!f.isEmpty()) {
                EXPECT_TRUE(kField.match(f).hasMatch()) << condition.toStdString();
            }
        }
    }

    options.seed = 2;
    pdb::generateSyntheticSeries(ws.path("b"), options);
    EXPECT_NE(a, codes(ws.path("b")));

    RecordingInteraction ui;
    TFormDataPDB module;
    ASSERT_TRUE(module.OpenPDB(ws.path("a")));
    module.setSeriesContext({"ZZ", false, {}, {}});
    ASSERT_TRUE(module.PDBBindPartTables());
    EXPECT_EQ(module.table("TableParts").recordCount(), 2000);
}

} // namespace
} // namespace kiro
