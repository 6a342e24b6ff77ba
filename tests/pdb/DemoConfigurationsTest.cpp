#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "db/Connection.h"
#include "pdb/DataPDB.h"
#include "pdb/PDB.h"
#include "support/RecordingInteraction.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <memory>

namespace kiro {
namespace {

using test::RecordingInteraction;
using test::TestWorkspace;

// The demonstration product database as the build lays it out, opened by the
// product database module, and a configurator reading it through the
// module's environment.
class DemoConfigurationsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings().resetToDefaults();
        m_ws.layOutDatabases();
        ASSERT_TRUE(m_module.OpenPDB(m_ws.exeDir() + QStringLiteral("/PDB_1.80")));
    }

    // A live item; an accessory names its pump and the other accessories on it.
    pdb::PDBConfigurator& load(const QString& code, const QString& pumpCode = QString(),
                               const QStringList& siblings = {})
    {
        m_cfg.setEnvironment(m_module.environment());
        pdb::StoredItem item;
        item.series = code.left(2);
        item.code = code;
        item.isAcc = !pumpCode.isEmpty();
        item.pumpCode = pumpCode;
        item.pumpSeries = pumpCode.left(2);
        item.accDepCodes = siblings;
        m_cfg.PDBLoadItem(item, true);
        return m_cfg;
    }

    // What a row offers: the codes of its entries ("@g" after them when they
    // belong to another group than 1, "!" after an invalid one, " auto" when the
    // only value is taken without asking), or a check box per box ("x" ticked,
    // "o" not, upper case when disabled).
    QString offered(int p) const
    {
        const pdb::RowView& row = m_cfg.row(p);
        QString out;
        if (row.type == QLatin1Char('M')) {
            for (const pdb::CheckBoxItem& b : row.boxes) {
                const QChar c = b.ticked ? QLatin1Char('x') : QLatin1Char('o');
                out += b.enabled ? c : c.toUpper();
            }
            return out;
        }
        int group = 1;
        for (const pdb::ListEntry& e : row.entries) {
            out += e.code;
            if (e.invalid)
                out += QLatin1Char('!');
            if (e.group != 1)
                group = e.group;
        }
        if (group != 1)
            out += QStringLiteral("@%1").arg(group);
        if (!row.entries.empty() && !row.enabled)
            out += QStringLiteral(" auto");
        return out;
    }
    QStringList offeredRows() const
    {
        QStringList rows;
        for (int p = 3; p <= m_cfg.positionCount(); ++p)
            rows << offered(p);
        return rows;
    }
    // Part lines as "type name class number", " X" for an extra part, " radio"
    // for one of several parts of a type.
    QStringList partLines() const
    {
        QStringList lines;
        for (const pdb::PartListItem& i : m_cfg.partList().items())
            lines << QStringList{i.no, i.name, i.cls, i.number}.join(QLatin1Char(' '))
                         + (i.extra.isEmpty() ? QString() : QLatin1Char(' ') + i.extra)
                         + (i.radio ? QStringLiteral(" radio") : QString());
        return lines;
    }
    // Prices as "description amount", then "d" and the discount code, and for a
    // percentage "percent% of base".
    QStringList priceLines()
    {
        QStringList list;
        EXPECT_TRUE(m_cfg.PDBGetProductPrices(list));
        QStringList lines;
        for (int i = 0; i + 10 <= list.size(); i += 10) {
            const QString amount = list[i + 6] == MsgText(QStringLiteral("1023")) ? QStringLiteral("ambiguous") : list[i + 6];
            QString line = list[i] + QLatin1Char(' ') + amount + QStringLiteral(" d") + list[i + 7];
            if (!list[i + 8].isEmpty())
                line += QStringLiteral(" %1% of %2").arg(list[i + 8], list[i + 9]);
            lines << line;
        }
        return lines;
    }
    // Documents as "file: description".
    QStringList documents()
    {
        QStringList list;
        EXPECT_TRUE(m_cfg.PDBGetProductDocuments(list));
        QStringList lines;
        for (int i = 0; i + 2 <= list.size(); i += 2)
            lines << list[i] + QStringLiteral(": ") + list[i + 1];
        return lines;
    }

    TestWorkspace m_ws;
    RecordingInteraction m_ui;
    TFormDataPDB m_module;
    pdb::PDBConfigurator m_cfg;
};

TEST_F(DemoConfigurationsTest, TheModuleHandsTheConfiguratorItsDatabaseAndLanguage)
{
    ASSERT_TRUE(m_module.SetActiveLanguage(QStringLiteral("SE")));
    const pdb::PdbEnvironment env = m_module.environment();
    EXPECT_EQ(env.connection, &m_module.DatabasePDB());
    EXPECT_EQ(env.path, m_module.PDBPath());
    EXPECT_TRUE(env.isCurrent);
    EXPECT_EQ(env.version, "1.80");
    EXPECT_EQ(env.dbVersion, m_module.PDBGetDBVersion());
    EXPECT_EQ(env.language, "SE");

    const pdb::PDBConfigurator& cfg = load(QStringLiteral("ES3BCC24P3"));
    EXPECT_EQ(cfg.code(), "ES3BCC24P3??????");
    EXPECT_EQ(cfg.row(3).label, "Pumpstorlek") << "the module's language reaches the rows";
    EXPECT_TRUE(cfg.row(3).enabled);
    EXPECT_TRUE(m_ui.messages().isEmpty()) << m_ui.messages().join('\n').toStdString();
}

TEST_F(DemoConfigurationsTest, AClosedModuleHandsOverADatabaseThatIsNotCurrent)
{
    m_module.DatabasePDB().close();
    const pdb::PdbEnvironment env = m_module.environment();
    EXPECT_EQ(env.connection, &m_module.DatabasePDB()) << "a later open reaches the configurator";
    EXPECT_FALSE(env.isCurrent);
    EXPECT_TRUE(env.version.isEmpty());
    EXPECT_TRUE(env.dbVersion.isEmpty());

    const pdb::PDBConfigurator& cfg = load(QStringLiteral("ES3BCC24P3"));
    EXPECT_FALSE(cfg.databaseCurrent());
    EXPECT_FALSE(cfg.row(3).enabled) << "nothing can be chosen without the database";
}

// The worked examples of the demonstration database's README, as they were
// worked out by hand from its data.
struct Example {
    const char* code;
    const char* pump;     // an accessory: its pump's code
    QStringList siblings; // the other accessories on that pump
    QString articleNumber;
    QStringList offered;  // positions 3 onwards
    bool complete;
    int partListState;
    QStringList parts;
    QStringList prices;
    QStringList documents;
    QStringList comments;
    QStringList notes;
    QString classes; // the selection classes of positions 3 onwards
    QString totalClass;
};

const Example kExamples[] = {
    {"ES3BCC24P3", "", {}, "ES3.BCC-24P3",
     {"1234", "ABC@2", "CDS", "CBS", "123", "4 auto", "PAX", "xxo"},
     true, 1,
     {"01 Pump casing A ES-CAS-3-C", "02 Impeller A ES-IMP-3-C", "03 Shaft seal B ES-SEAL-2 radio",
      "03 Shaft seal B SEALDK-2255 radio", "04 Motor A ZM-11-4P", "06 Drain plug A ES-DRAIN",
      "08 Gauge connections A ES-GAUGE"},
     {"Pump 2350 d1", "Motor 980 d1", "Options ambiguous d", "Packing and documentation 45 d1"},
     {"ES_IOM.pdf: Installation and operating manual", "ES35_DS.pdf: Data sheet frame 35"},
     {},
     {"Pump and motor are aligned at the factory."},
     "AAAABBBB", "B"},
    {"ES1ASS12A4", "", {}, "ES1.ASS-12A4",
     {"1234", "AB", "CDS", "S", "12", "2 auto", "PAX", "oox"},
     true, 0,
     {"01 Pump casing C ES-CAS-1-S", "02 Impeller B ES-IMP-1-S", "03 Shaft seal A ES-SEAL-1",
      "04 Motor A ZM-3.0-2P", "05 Flange adapter C ES-FLA-ANSI", "09 Heater B ES-HEAT-230"},
     {"Pump 1250 d1", "Motor 420 d1", "Options 160 d1", "Stainless steel surcharge 150 d1 12% of Pump",
      "Packing and documentation 45 d1", "ANSI flanges 188 d1 15% of Pump"},
     {"ES_IOM.pdf: Installation and operating manual", "ES25_DS.pdf: Data sheet frame 25",
      "SS_PASS.pdf: Pickling and passivation"},
     {"ANSI flanges: delivery time plus two weeks."},
     {"Stainless steel parts are pickled and passivated.", "Pump and motor are aligned at the factory.",
      "Heater: connect to a separate supply."},
     "AACCCCCC", "C"},
    // Motor 7 comes from the extra parts only: the required motor type reaches
    // no position after it, so positions 9 and 10 allow nothing.
    {"ES4ACC17P0", "", {}, "ES4.ACC-17P0",
     {"1234", "AB@2", "CD", "CBS", "123", "67", "", "ooo"},
     false, 0,
     {"01 Pump casing A ES-CAS-4-C", "02 Impeller A ES-IMP-4-C", "03 Shaft seal A ES-SEAL-1",
      "04 Motor C ZM-45-4P X"},
     {"Pump 3100 d1", "Motor 3400 d1", "Packing and documentation 45 d1"},
     {"ES_IOM.pdf: Installation and operating manual", "ES35_DS.pdf: Data sheet frame 35"},
     {"The 45 kW motor is built to order."},
     {"Pump and motor are aligned at the factory."},
     "BCCCCCCC", "C"},
    {"BC21E111", "ES3BCC24P3", {}, "BC2.1E-111",
     {"2", "123", "ES", "12", "01", "1 auto"},
     true, 0,
     {"01 Baseplate A BP2-1", "02 Coupling A CPL-E-48", "03 Coupling guard A GRD-ST", "04 Foundation bolts A BOLT-M16"},
     {"Baseplate 610 d1", "Coupling 260 d1"},
     {"BC_DIM.pdf: Baseplate dimensions", "CPL_E.pdf: Coupling manual"},
     {"Grout the baseplate after alignment."},
     {},
     "AAAAAA", "A"},
    {"CP25Y5B5MS", "ES3BCC24P3", {"BC21E111"}, "CP2.5Y5-B5MS",
     {"23", "56", "DYF", "56", "WB", "xoxo", "M auto", "ES"},
     true, 0,
     {"01 Enclosure A CP-ENC-2-5", "02 Starter A CP-STR-Y", "03 Mounting kit B CP-MNT-B", "04 Main switch A CP-MS",
      "06 Phase monitor A CP-PHM", "08 Label set A CP-LBL-S"},
     {"Panel 640 d1", "Options 85 d1"},
     {"CP_WIRE.pdf: Wiring diagram"},
     {},
     {},
     "AAAABBBB", "B"},
};

TEST_F(DemoConfigurationsTest, TheWorkedExamplesOfTheReadme)
{
    for (const Example& x : kExamples) {
        SCOPED_TRACE(x.code);
        const QString code = QString::fromLatin1(x.code);
        load(code, QString::fromLatin1(x.pump), x.siblings);
        EXPECT_EQ(m_cfg.articleNumberText(), x.articleNumber);
        EXPECT_EQ(offeredRows(), x.offered);
        EXPECT_EQ(m_cfg.selectionClasses().mid(2, m_cfg.positionCount() - 2), x.classes);
        EXPECT_EQ(m_cfg.totalClass(), x.totalClass);
        for (int p = 3; p <= m_cfg.positionCount(); ++p) {
            const pdb::ListEntry* chosen = m_cfg.row(p).chosenEntry();
            if (m_cfg.positionType(p) != QLatin1Char('M') && !m_cfg.row(p).entries.empty()) {
                EXPECT_TRUE(chosen && chosen->code == code.at(p - 1)) << "position " << p;
            }
        }
        int state = -1;
        EXPECT_EQ(m_cfg.PDBCheckComplete(state) == 0, x.complete);
        m_cfg.FillPartItems(false);
        EXPECT_EQ(m_cfg.PDBPartListState(), x.partListState);
        EXPECT_EQ(partLines(), x.parts);
        EXPECT_EQ(priceLines(), x.prices);
        EXPECT_EQ(documents(), x.documents);
        QStringList comments;
        EXPECT_TRUE(m_cfg.PDBGetProductComments(comments));
        EXPECT_EQ(comments, x.comments);
        QStringList notes;
        EXPECT_EQ(m_cfg.PDBGetProductNotes(notes), !x.notes.isEmpty());
        EXPECT_EQ(notes, x.notes);
    }
    EXPECT_TRUE(m_ui.messages().isEmpty()) << m_ui.messages().join('\n').toStdString();
}

TEST_F(DemoConfigurationsTest, TheMainMotorOfTheLargestSizeLeavesTheLaterPositionsOpen)
{
    load(QStringLiteral("ES4ACC16P0"));
    EXPECT_EQ(offeredRows().mid(5), QStringList({"67", "PAX", "ooo"}));
    int state = -1;
    EXPECT_EQ(m_cfg.PDBCheckComplete(state), 0);
}

TEST_F(DemoConfigurationsTest, TheFactoryDefaultLocksTheFlanges)
{
    load(QStringLiteral("ES"));
    ASSERT_TRUE(m_cfg.PDARavova(pdb::ActFactoryDefault));
    EXPECT_EQ(m_cfg.code(), "ES??CC1?P0??????");
    EXPECT_EQ(m_cfg.userLocks(), "FFFFFFFFTFFFFFFF");
    EXPECT_TRUE(m_ui.messages().isEmpty()) << m_ui.messages().join('\n').toStdString();
}

TEST_F(DemoConfigurationsTest, APartDocumentFollowsTheTickedRadioButton)
{
    load(QStringLiteral("ES3BCC24P3"));
    m_cfg.FillPartItems(false);
    ASSERT_EQ(m_cfg.partList().items().at(2).number, "ES-SEAL-2");
    const QString sheet = QStringLiteral("SEAL2_DS.pdf: Shaft seal data sheet");
    m_cfg.partList().tick(2, true);
    EXPECT_TRUE(documents().contains(sheet));
    m_cfg.partList().tick(3, true);
    EXPECT_FALSE(documents().contains(sheet)) << "SEALDK-2255 has no data sheet";
}

TEST_F(DemoConfigurationsTest, TheInformationTextsOfTheirRows)
{
    load(QStringLiteral("ES3BCC24P3"));
    EXPECT_EQ(m_cfg.infoTexts(2), QStringList{"ES pumps follow EN 733 for sizes and duty points."});
    EXPECT_EQ(m_cfg.infoTexts(3), QStringList{"Sizes 50-250 and 65-315 use bearing frame 35."});
    load(QStringLiteral("ES1ASS12A4"));
    EXPECT_TRUE(m_cfg.infoTexts(3).isEmpty()) << "frame 25";
}

TEST_F(DemoConfigurationsTest, ASpecialPartIsListedOnlyWithTheSpecialSetting)
{
    settings().pdb().Special = true;
    load(QStringLiteral("ES1ASS12A4"));
    m_cfg.FillPartItems(false);
    const QStringList lines = partLines();
    EXPECT_EQ(lines.mid(5), QStringList({"09 Heater B ES-HEAT-230 radio", "09 Heater C ES-HEAT-115 radio"}));
}

TEST_F(DemoConfigurationsTest, TheLookAheadShowsTheBronzeImpellerOfTheLargestSizeInvalid)
{
    load(QStringLiteral("ES4ACC17P0"));
    m_cfg.PDBClassLookAhead(6);
    EXPECT_EQ(offered(6), "CB!S");
    const pdb::ListEntry& bronze = m_cfg.row(6).entries.at(1);
    EXPECT_EQ(bronze.classText, "F");
    load(QStringLiteral("ES3BCC24P3"));
    m_cfg.PDBClassLookAhead(6);
    EXPECT_EQ(offered(6), "CBS") << "bronze is fine below size 4";
}

TEST_F(DemoConfigurationsTest, AControlPanelWithoutABaseplateOnThePumpOffersNothing)
{
    load(QStringLiteral("CP25Y5B5MS"), QStringLiteral("ES3BCC24P3"));
    for (int p : {3, 4, 5, 6, 7, 9, 10})
        EXPECT_TRUE(m_cfg.row(p).entries.empty()) << "position " << p;
    int state = -1;
    EXPECT_NE(m_cfg.PDBCheckComplete(state), 0);
}

} // namespace
} // namespace kiro
