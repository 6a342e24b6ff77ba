#include "app/core/Cp1252.h"
#include "app/core/IniFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using kiro::IniFile;
using kiro::SettingsError;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path() const { return m_dir.filePath(QStringLiteral("test.ini")); }

    // Another program replacing the file, as editors and profile writers do.
    void writeOutside(const QByteArray& bytes) const
    {
        QSaveFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        ASSERT_TRUE(f.commit());
    }
    QByteArray contents() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

TEST_F(IniFileTest, WritesKeepForeignLinesAndOrder)
{
    writeOutside("; written by hand\n"
                 "orphan=1\n"
                 "[System]\n"
                 "  Language = SE  \n"
                 "# a note\n"
                 "Unknown=keep me\n"
                 "\n"
                 "; about printouts\n"
                 "[Printouts]\n"
                 "Curve=Curve.QR2\n");
    IniFile ini(path());
    ini.writeString("system", "LANGUAGE", "UK");     // existing key: in place, file's spelling
    ini.writeString("System", "DefaultCurrency", "SEK"); // new key: after the section's last key
    ini.writeString("Curves", "PreviewCurve", "1");  // new section: at the end
    EXPECT_EQ(contents(), QByteArray("; written by hand\n"
                                     "orphan=1\n"
                                     "[System]\n"
                                     "Language=UK\n"
                                     "# a note\n"
                                     "Unknown=keep me\n"
                                     "DefaultCurrency=SEK\n"
                                     "\n"
                                     "; about printouts\n"
                                     "[Printouts]\n"
                                     "Curve=Curve.QR2\n"
                                     "\n"
                                     "[Curves]\n"
                                     "PreviewCurve=1\n"));
}

TEST_F(IniFileTest, LookupIsCaseInsensitiveTrimmedAndFirstKeyWins)
{
    writeOutside("top=before any section\n"
                 "[Databases]\n"
                 "Projects =  \"/srv/kiro projects/\"  \n"
                 "projects=second\n"
                 "Empty=\n"
                 "[databases]\n"
                 "Spares=/srv/spares/\n");
    const IniFile ini(path());
    EXPECT_EQ(ini.readString("DATABASES", "projects"), "\"/srv/kiro projects/\"");
    EXPECT_EQ(ini.readString("Databases", "Spares"), "/srv/spares/");
    EXPECT_EQ(ini.readString("Databases", "Empty", "def"), "");
    EXPECT_EQ(ini.readString("Databases", "Missing", "def"), "def");
    EXPECT_FALSE(ini.hasKey("Databases", "top"));
    EXPECT_EQ(ini.sections(), QStringList({"Databases"}));
    EXPECT_EQ(ini.keys("databases"), QStringList({"Projects", "Empty", "Spares"}));
}

struct BoolCase {
    const char* raw;
    std::optional<bool> value; // nullopt: the default is returned
};

class IniFileBoolTest : public IniFileTest, public ::testing::WithParamInterface<BoolCase> {};

TEST_P(IniFileBoolTest, ReadsAnyNonZeroIntegerAsTrue)
{
    writeOutside(QByteArray("[S]\nK=") + GetParam().raw + "\n");
    const IniFile ini(path());
    for (const bool def : {false, true})
        EXPECT_EQ(ini.readBool("S", "K", def), GetParam().value.value_or(def)) << "default " << def;
}

INSTANTIATE_TEST_SUITE_P(Values, IniFileBoolTest,
                         ::testing::Values(BoolCase{"1", true}, BoolCase{"0", false}, BoolCase{"5", true},
                                           BoolCase{"-1", true}, BoolCase{" 0 ", false},
                                           BoolCase{"yes", std::nullopt}, BoolCase{"", std::nullopt},
                                           BoolCase{"true", std::nullopt}));

TEST_F(IniFileTest, IntegersAndDates)
{
    writeOutside("[S]\nA=abc\nB=12abc\nC=99999999999\nD= -7 \nE=0x10\n"
                 "D1=45366.75\nD2=0\nD3=-1.25\nD4=soon\n");
    IniFile ini(path());
    for (const char* key : {"A", "B", "C", "E", "Missing"})
        EXPECT_EQ(ini.readInteger("S", key, 42), 42) << key;
    EXPECT_EQ(ini.readInteger("S", "D", 42), -7);

    const QDate def(2000, 1, 1);
    EXPECT_EQ(ini.readDate("S", "D1", def), QDate(2024, 3, 15)); // time of day dropped
    EXPECT_EQ(ini.readDate("S", "D2", def), QDate(1899, 12, 30));
    EXPECT_EQ(ini.readDate("S", "D3", def), QDate(1899, 12, 29));
    EXPECT_EQ(ini.readDate("S", "D4", def), def);

    ini.writeDate("S", "D1", QDate(2024, 3, 15));
    ini.writeBool("S", "T", true);
    ini.writeInteger("S", "N", -3);
    EXPECT_EQ(ini.readString("S", "D1"), "45366");
    EXPECT_EQ(ini.readString("S", "T"), "1");
    EXPECT_EQ(ini.readString("S", "N"), "-3");
}

TEST_F(IniFileTest, SeesAndKeepsOutsideChanges)
{
    writeOutside("[S]\nA=1\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readString("S", "A"), "1");

    writeOutside("[S]\nA=changed\nB=new\n");
    EXPECT_EQ(ini.readString("S", "A"), "changed");

    // An edit in place (same inode) between two of our writes.
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[S]\nA=edited in place, longer\nB=new\n");
    f.close();
    ini.writeString("S", "C", "ours");
    EXPECT_EQ(contents(), QByteArray("[S]\nA=edited in place, longer\nB=new\nC=ours\n"));
}

TEST_F(IniFileTest, MissingFileAndMissingFolder)
{
    IniFile ini(path());
    EXPECT_FALSE(ini.exists());
    EXPECT_EQ(ini.readString("S", "A", "def"), "def");
    ini.writeString("S", "A", "1");
    EXPECT_TRUE(ini.exists());
    EXPECT_EQ(contents(), QByteArray("[S]\nA=1\n"));

    IniFile lost(m_dir.filePath("no/such/folder/KIRO.INI"));
    try {
        lost.writeString("S", "A", "1");
        FAIL() << "expected SettingsError";
    } catch (const SettingsError& e) {
        EXPECT_TRUE(e.message().contains("does not exist")) << e.message().toStdString();
    }
    EXPECT_FALSE(QDir(m_dir.filePath("no")).exists());
}

TEST_F(IniFileTest, RefusesWhatWouldBreakTheLineFormat)
{
    writeOutside("[S]\nA=1\n");
    IniFile ini(path());
    EXPECT_THROW(ini.writeString("S", "A", "two\nlines"), SettingsError);
    EXPECT_THROW(ini.writeString("S", "A", "cr\r"), SettingsError);
    EXPECT_THROW(ini.writeString("S", "A=B", "1"), SettingsError);
    EXPECT_THROW(ini.writeString("S", "", "1"), SettingsError);
    EXPECT_THROW(ini.writeString("S]", "A", "1"), SettingsError);
    EXPECT_THROW(ini.writeString("S", "[A", "1"), SettingsError);
    EXPECT_EQ(contents(), QByteArray("[S]\nA=1\n"));
    EXPECT_EQ(ini.readString("S", "A"), "1");
}

TEST_F(IniFileTest, BatchWritesOnceOrNotAtAll)
{
    writeOutside("[S]\nA=1\n");
    IniFile ini(path());
    {
        IniFile::Batch batch(ini);
        ini.writeString("S", "A", "2");
        ini.writeString("S", "B", "3");
        EXPECT_EQ(ini.readString("S", "B"), "3");
        EXPECT_EQ(contents(), QByteArray("[S]\nA=1\n"));
        // destroyed without commit
    }
    EXPECT_EQ(contents(), QByteArray("[S]\nA=1\n"));
    EXPECT_EQ(ini.readString("S", "B", "none"), "none");

    IniFile::Batch batch(ini);
    ini.writeString("S", "A", "2");
    ini.writeString("S", "B", "3");
    batch.commit();
    EXPECT_EQ(contents(), QByteArray("[S]\nA=2\nB=3\n"));
}

TEST_F(IniFileTest, DeleteKeyAndEraseSection)
{
    writeOutside("[A]\nx=1\n; comment of A\nX=2\ny=3\n[B]\nz=4\n[a]\nx=5\n");
    IniFile ini(path());
    ini.deleteKey("a", "X");
    EXPECT_EQ(contents(), QByteArray("[A]\n; comment of A\ny=3\n[B]\nz=4\n[a]\n"));
    ini.eraseSection("A");
    EXPECT_EQ(contents(), QByteArray("[B]\nz=4\n"));
    ini.deleteKey("B", "missing"); // no change, no error
    EXPECT_EQ(ini.keys("B"), QStringList({"z"}));
}

TEST_F(IniFileTest, EncodingsBomAndLineEndsSurviveAWrite)
{
    // A UTF-8 file with a byte order mark and CRLF, one line of which still
    // carries Windows-1252 bytes from an older installation.
    writeOutside("\xEF\xBB\xBF[S]\r\nName=Gr\xC3\xB6\xC3\x9F" "e\r\nOld=caf\xE9 \x80\r\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readString("S", "Name"), QString::fromUtf8("Größe"));
    EXPECT_EQ(ini.readString("S", "Old"), QString::fromUtf8("café €"));
    ini.writeString("S", "New", QString::fromUtf8("Ω"));
    EXPECT_EQ(contents(), QByteArray("\xEF\xBB\xBF[S]\r\nName=Gr\xC3\xB6\xC3\x9F" "e\r\nOld=caf\xE9 \x80\r\n"
                                     "New=\xCE\xA9\r\n"));

    IniFile legacy(m_dir.filePath("legacy.ini"), IniFile::Encoding::Cp1252);
    legacy.writeString("I3", "PATH", QString::fromUtf8("C:\\Programme\\Pumpen – Auswahl Ω"));
    QFile f(legacy.path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[I3]\nPATH=C:\\Programme\\Pumpen \x96 Auswahl ?\n"));
}

TEST(Cp1252Test, EveryByteRoundTrips)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(kiro::toCp1252(kiro::fromCp1252(all)), all);
    EXPECT_EQ(kiro::fromCp1252("\x80\x9F\xFF"), QString::fromUtf8("€Ÿÿ"));
    EXPECT_EQ(kiro::toCp1252(QString::fromUtf8("€ 😀 ж")), QByteArray("\x80 ? ?"));
}

} // namespace
