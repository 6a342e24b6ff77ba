#include "app/core/AppContext.h"
#include "app/core/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using kiro::app;
using kiro::IniFile;
using kiro::settings;
using kiro::SettingsError;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        app().setExeDir(m_dir.filePath("exe"));
        settings().resetToDefaults();
    }
    void TearDown() override
    {
        settings().close();
        settings().resetToDefaults();
        app().reset();
    }

    QString exeDir() const { return app().exeDir(); }
    QString iniPath() const { return m_dir.filePath("KIRO.INI"); }
    void openWith(const QByteArray& text)
    {
        QFile f(iniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        settings().open(iniPath());
    }
    QByteArray contents() const
    {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

TEST_F(SettingsTest, DatabasesWithoutSectionGetDefaultsAndWriteNetDirAndPDB)
{
    openWith("[System]\nLanguage=SE\n");
    settings().LoadDatabaseSettings();
    const auto& d = settings().databases();
    EXPECT_TRUE(d.UseProjDirAsNetDir);
    EXPECT_EQ(d.NetDir, exeDir() + "Projects/");
    EXPECT_EQ(d.Projects, exeDir() + "Projects/");
    EXPECT_EQ(d.System, exeDir() + "System/");
    EXPECT_EQ(d.Language, exeDir() + "Language/");
    EXPECT_EQ(d.PDB, exeDir() + "PDB_1.80/");
    EXPECT_EQ(d.Address, exeDir() + "Address/");
    EXPECT_EQ(d.ExtProds, exeDir() + "External/");
    EXPECT_EQ(d.ExtComplex, exeDir() + "External/");
    EXPECT_EQ(d.Spares, exeDir() + "Spares/");
    EXPECT_EQ(contents(), ("[System]\nLanguage=SE\n\n[Databases]\nNetDir=" + d.NetDir + "\nPDB=" + d.PDB + "\n").toUtf8());

    // The second load finds both keys and writes nothing.
    const QByteArray before = contents();
    settings().LoadDatabaseSettings();
    EXPECT_EQ(contents(), before);
}

TEST_F(SettingsTest, NetDirMissingTakesRawProjectsAndIsNotWrittenBack)
{
    const QByteArray text = "[Databases]\nUseProjDirAsNetDir=0\nProjects=/srv/kiro/projects\nPDB=/srv/pdb\n";
    openWith(text);
    settings().LoadDatabaseSettings();
    const auto& d = settings().databases();
    EXPECT_FALSE(d.UseProjDirAsNetDir);
    EXPECT_EQ(d.NetDir, "/srv/kiro/projects/"); // trailing separator added on load
    EXPECT_EQ(d.Projects, "/srv/kiro/projects/");
    EXPECT_EQ(d.PDB, "/srv/pdb/");
    EXPECT_EQ(contents(), text);
}

TEST_F(SettingsTest, UseProjDirAsNetDirOverridesAStoredNetDir)
{
    openWith("[Databases]\nUseProjDirAsNetDir=5\nNetDir=/net/\nProjects=/p/\nPDB=\n");
    settings().LoadDatabaseSettings();
    EXPECT_EQ(settings().databases().NetDir, "/p/");
    // Only the empty PDB was written; NetDir keeps what the file says.
    EXPECT_EQ(contents(), QByteArray("[Databases]\nUseProjDirAsNetDir=5\nNetDir=/net/\nProjects=/p/\nPDB=")
                              + (exeDir() + "PDB_1.80/").toUtf8() + "\n");
}

TEST_F(SettingsTest, ReadingRulesOfTheGroups)
{
    openWith("[Special]\nZeroMultiple=1\nZeroMultipleSeries=ab, cd\n"
             "[Printouts]\nRTFSize=ten\nRTFFont=\n"
             "[Project]\nProjViewStr=\nQuotValTime=\nFilterValDateFrom=45366.75\n");
    // Booleans and integers default to what the program holds, text to the
    // built-in value.
    settings().pdb().Classes = false;
    settings().project().QuotValTime = 60;
    settings().project().ProdViewStr = "changed";

    settings().LoadSpecialSettings();
    settings().LoadPrintoutSettings();
    settings().LoadProjectSettings();
    settings().LoadPDBSettings();

    EXPECT_TRUE(settings().special().ZeroMultiple);
    EXPECT_EQ(settings().special().ZeroMultipleSeries, "AB, CD");
    EXPECT_EQ(settings().printouts().RTFSize, 10);
    EXPECT_EQ(settings().printouts().RTFFont, "Arial");
    EXPECT_EQ(settings().project().ProjViewStr, "@N:@R");
    EXPECT_EQ(settings().project().ProdViewStr, "@T - @N (@D)");
    EXPECT_EQ(settings().project().QuotValTime, 60);
    EXPECT_FALSE(settings().pdb().Classes);
    EXPECT_EQ(settings().project().FilterValDateFrom, QDate(2024, 3, 15));

    settings().SaveProjectSettings();
    EXPECT_EQ(settings().file().readString("Project", "FilterValDateFrom"), "45366");
    EXPECT_EQ(settings().ReadSettingDefault("Project", "Sorting", "none"), "none"); // saved empty
    EXPECT_EQ(settings().ReadSettingDefault("Project", "Missing", "none"), "none");
}

// Every group saved with values other than the defaults comes back the same,
// under the key names other programs and older files use.
TEST_F(SettingsTest, EveryGroupRoundTrips)
{
    settings().open(iniPath());
    auto& s = settings();
    s.system() = {"SEK", "SE"};
    s.special() = {true, "AB,CD"};
    s.databases() = {false, "/n/", "/s/", "/p/", "/l/", "/pdb/", "/a/", "/e/", "/c/", "/sp/"};
    s.pdb() = {"DEM", "IEM", true, 2, false, false, 2, 5};
    s.project() = {"@C", "@Q", "@O", 90, "10,20", true, true, true, true, "Name", "Jane Doe", true, 3,
                   true, QDate(2024, 1, 1), QDate(2024, 12, 31), true, "C-17"};
    s.printouts() = {"a.QR2", "b.QR2", "c.QR2", "d.QR2", "e.QR2", "f.QR2", "g.QR2", "h.QR2", "i.QR2",
                     "j.QR2", "k.QR2", "Liberation Sans", 12, false, true, true, true, true};
    s.curves() = {false, false};
    const auto expected = std::make_tuple(s.system(), s.special(), s.databases(), s.pdb(), s.project(),
                                          s.printouts(), s.curves());

    s.SaveDatabaseSettings();
    s.SaveSpecialSettings();
    s.SaveProjectSettings();
    s.SaveCurveSettings();
    s.SaveSystemSettings();
    s.SavePDBSettings();
    s.SavePrintoutSettings();

    const std::vector<std::pair<QString, QStringList>> keys = {
        {"Databases",
         {"UseProjDirAsNetDir", "NetDir", "System", "Language", "Projects", "Address", "ExtProds", "ExtComplex",
          "PDB", "Spares"}},
        {"Special", {"ZeroMultiple", "ZeroMultipleSeries"}},
        {"Project",
         {"ProjViewStr", "ProdViewStr", "AccViewStr", "QuotValTime", "QuotValList", "AddOption", "HidePrices",
          "HideTechData", "PrevProdUse", "Sorting", "FilterUser", "FilterRevisionLast", "FilterStatus",
          "FilterValDate", "FilterValDateFrom", "FilterValDateTo", "FilterCustomer", "FilterCustomerID"}},
        {"Curves", {"PreviewCurve", "PreviewCurveMotor"}},
        {"System", {"DefaultCurrency", "Language"}},
        {"PDB",
         {"SuppliersAll", "SuppliersInc", "Special", "Default", "Classes", "Translate", "ExpectedVersionMajor",
          "ExpectedVersionMinor"}},
        {"Printouts",
         {"OverviewQuotation", "ItemNumberList", "DetailedQuotation", "CustomerOrder", "PurchaseOrder",
          "TechnicalData", "Curve", "ExtDetQuot", "ExtTechData", "SpareDetQuot", "SpareTechData", "RTFFont",
          "RTFSize", "RTFHBold", "RTFHItalic", "RTFVBold", "RTFVItalic", "Preview"}},
    };
    IniFile reread(iniPath());
    QStringList sections;
    for (const auto& [section, names] : keys) {
        sections.append(section);
        EXPECT_EQ(reread.keys(section), names) << section.toStdString();
    }
    EXPECT_EQ(reread.sections(), sections);

    s.close();
    s.resetToDefaults();
    s.open(iniPath());
    s.LoadSystemSettings();
    s.LoadSpecialSettings();
    s.LoadProjectSettings();
    s.LoadPDBSettings();
    s.LoadPrintoutSettings();
    s.LoadCurveSettings();
    s.LoadDatabaseSettings();
    EXPECT_TRUE(std::make_tuple(s.system(), s.special(), s.databases(), s.pdb(), s.project(), s.printouts(),
                                s.curves())
                == expected);
}

TEST_F(SettingsTest, ErrorsLeaveValuesAndFileAlone)
{
    EXPECT_THROW(settings().LoadSystemSettings(), SettingsError); // not open
    EXPECT_THROW(settings().file(), SettingsError);

    settings().open(m_dir.filePath("gone/KIRO.INI"));
    settings().LoadSystemSettings(); // a missing file reads as defaults
    EXPECT_EQ(settings().system().DefaultCurrency, "EUR");
    settings().system().Language = "SE";
    EXPECT_THROW(settings().SaveSystemSettings(), SettingsError);
    EXPECT_EQ(settings().system().Language, "SE");

    // A value the file cannot hold stops the whole group before anything is
    // written.
    openWith("[Project]\nSorting=Name\n");
    settings().project().FilterCustomerID = "one\ntwo";
    EXPECT_THROW(settings().SaveProjectSettings(), SettingsError);
    EXPECT_EQ(contents(), QByteArray("[Project]\nSorting=Name\n"));
}

class QuentoTest : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        m_oldHome = qgetenv("XDG_CONFIG_HOME");
        m_oldDirs = qgetenv("XDG_CONFIG_DIRS");
        ASSERT_TRUE(QDir(m_dir.path()).mkpath("home"));
        ASSERT_TRUE(QDir(m_dir.path()).mkpath("etc"));
        qputenv("XDG_CONFIG_HOME", m_dir.filePath("home").toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", m_dir.filePath("etc").toLocal8Bit());
    }
    void TearDown() override
    {
        restore("XDG_CONFIG_HOME", m_oldHome);
        restore("XDG_CONFIG_DIRS", m_oldDirs);
        SettingsTest::TearDown();
    }
    static void restore(const char* name, const QByteArray& value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    void put(const char* relative, const QByteArray& text) const
    {
        QFile f(m_dir.filePath(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    QByteArray m_oldHome, m_oldDirs;
};

TEST_F(QuentoTest, TorvaDefaultPathFromQuentoIni)
{
    EXPECT_EQ(settings().torvaDefaultPath(), "");

    put("etc/quento.ini", "[I3]\nPATH=\nZEK=/opt/torva/torva-\xE9tude\n");
    EXPECT_EQ(settings().torvaDefaultPath(), QString::fromUtf8("/opt/torva/torva-étude"));

    // The user's folder comes before the system's.
    put("home/QUENTO.INI", "[i3]\npath=/home/me/torva\nZEK=/ignored\n");
    EXPECT_EQ(settings().torvaDefaultPath(), "/home/me/torva");
    EXPECT_EQ(kiro::Settings::quentoIniPath(), m_dir.filePath("home/QUENTO.INI"));
}

} // namespace
