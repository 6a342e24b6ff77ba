#pragma once

#include "app/core/IniFile.h"

#include <QDate>
#include <QString>

#include <memory>

namespace kiro {

// The settings groups of KIRO.INI, one struct per section, each member named
// as its key and initialised with its built-in default. Directory values end
// with '/' once loaded.

// The product database version this program expects; also names the default
// PDB folder ("PDB_1.80").
inline constexpr int kPDBVersionMajor = 1;
inline constexpr int kPDBVersionMinor = 80;

struct SystemSettings {
    QString DefaultCurrency = QStringLiteral("EUR");
    QString Language = QStringLiteral("UK");
    bool operator==(const SystemSettings&) const = default;
};

struct SpecialSettings {
    bool ZeroMultiple = false;
    QString ZeroMultipleSeries; // held in upper case
    bool operator==(const SpecialSettings&) const = default;
};

struct DatabaseSettings {
    bool UseProjDirAsNetDir = true;
    QString NetDir;
    QString System;
    QString Projects;
    QString Language;
    QString PDB;
    QString Address;
    QString ExtProds;
    QString ExtComplex;
    QString Spares;
    bool operator==(const DatabaseSettings&) const = default;
};

struct PDBSettings {
    QString SuppliersAll = QStringLiteral("DEM,IEM,SEM,SEP,PXM");
    QString SuppliersInc = QStringLiteral("DEM,IEM,SEM,SEP,PXM");
    bool Special = false;
    int Default = 0; // 0 nothing, 1 factory defaults, 2 user defaults
    bool Classes = true;
    bool Translate = true;
    int ExpectedVersionMajor = kPDBVersionMajor;
    int ExpectedVersionMinor = kPDBVersionMinor;
    bool operator==(const PDBSettings&) const = default;
};

struct ProjectSettings {
    QString ProjViewStr = QStringLiteral("@N:@R");
    QString ProdViewStr = QStringLiteral("@T - @N (@D)");
    QString AccViewStr = QStringLiteral("@T - @N (@D)");
    int QuotValTime = 30;
    QString QuotValList = QStringLiteral("30,60,90");
    bool AddOption = false;
    bool HidePrices = false;
    bool HideTechData = false;
    bool PrevProdUse = false;
    QString Sorting; // empty, "Name" or "QuotCustName"
    QString FilterUser;
    bool FilterRevisionLast = false;
    int FilterStatus = 0;
    bool FilterValDate = false;
    QDate FilterValDateFrom = IniFile::dayZero();
    QDate FilterValDateTo = IniFile::dayZero();
    bool FilterCustomer = false;
    QString FilterCustomerID;
    bool operator==(const ProjectSettings&) const = default;
};

struct PrintoutSettings {
    QString OverviewQuotation = QStringLiteral("OverQuot.QR2");
    QString ItemNumberList = QStringLiteral("ItemList.QR2");
    QString DetailedQuotation = QStringLiteral("DetQuot.QR2");
    QString CustomerOrder = QStringLiteral("CustOrd.QR2");
    QString PurchaseOrder = QStringLiteral("PurchOrd.QR2");
    QString TechnicalData = QStringLiteral("TechData.QR2");
    QString Curve = QStringLiteral("Curve.QR2");
    QString ExtDetQuot = QStringLiteral("DetQuot.QR2");
    QString ExtTechData = QStringLiteral("TechData.QR2");
    QString SpareDetQuot = QStringLiteral("DetQuot.QR2");
    QString SpareTechData = QStringLiteral("TechData.QR2");
    QString RTFFont = QStringLiteral("Arial");
    int RTFSize = 10;
    bool RTFHBold = true;
    bool RTFHItalic = false;
    bool RTFVBold = false;
    bool RTFVItalic = false;
    bool Preview = false;
    bool operator==(const PrintoutSettings&) const = default;
};

struct CurveSettings {
    bool PreviewCurve = true;
    bool PreviewCurveMotor = true;
    bool operator==(const CurveSettings&) const = default;
};

// The program's settings file and the groups loaded from it. Each group has
// one load and one save; a save writes its whole section in one atomic
// replacement of the file. Loads and saves throw SettingsError when the file
// is not open or cannot be written (LoadDatabaseSettings writes NetDir and PDB
// back; its values are loaded before that write is tried).
//
// Text settings read through ReadSettingDefault (missing or empty gives the
// built-in default); booleans, integers and dates default to the member's
// current value, so loading again keeps what the program holds when the file
// lacks a key.
//
// The default TORVA path comes from QUENTO.INI, which on this platform is
// looked for in the user's and then the system's configuration folders
// (QStandardPaths::GenericConfigLocation: $XDG_CONFIG_HOME, usually
// ~/.config, then $XDG_CONFIG_DIRS, usually /etc/xdg), the name matched
// without regard to letter case, read as Windows-1252.
//
// One instance per process (settings()). Main thread only.
class Settings {
public:
    Settings();
    ~Settings();

    // A missing file simply yields defaults; it is created by the first write.
    void open(const QString& path);
    void close();
    bool isOpen() const { return m_file != nullptr; }
    IniFile& file();
    const IniFile& file() const;

    // Every group back to its built-in values; the file is untouched.
    void resetToDefaults();

    QString ReadSettingDefault(const QString& section, const QString& key, const QString& def) const;
    // The default of a key of section Databases; for NetDir the raw value of
    // key Projects (possibly empty).
    QString DefaultDatabaseDir(const QString& key) const;

    void LoadSystemSettings();
    void SaveSystemSettings();
    void LoadSpecialSettings();
    void SaveSpecialSettings();
    void LoadDatabaseSettings();
    void SaveDatabaseSettings();
    void LoadPDBSettings();
    void SavePDBSettings();
    void LoadProjectSettings();
    void SaveProjectSettings();
    void LoadPrintoutSettings();
    void SavePrintoutSettings(); // the values are on disk for other programs when it returns
    void LoadCurveSettings();
    void SaveCurveSettings();

    SystemSettings& system() { return m_system; }
    const SystemSettings& system() const { return m_system; }
    SpecialSettings& special() { return m_special; }
    const SpecialSettings& special() const { return m_special; }
    DatabaseSettings& databases() { return m_databases; }
    const DatabaseSettings& databases() const { return m_databases; }
    PDBSettings& pdb() { return m_pdb; }
    const PDBSettings& pdb() const { return m_pdb; }
    ProjectSettings& project() { return m_project; }
    const ProjectSettings& project() const { return m_project; }
    PrintoutSettings& printouts() { return m_printouts; }
    const PrintoutSettings& printouts() const { return m_printouts; }
    CurveSettings& curves() { return m_curves; }
    const CurveSettings& curves() const { return m_curves; }

    // Default of TORVA / Path: QUENTO.INI, section I3, key PATH, or when that
    // is empty key ZEK; empty when there is no such file.
    QString torvaDefaultPath() const;
    // Where QUENTO.INI was found; empty when nowhere.
    static QString quentoIniPath();
    // Default of DOV / Path.
    QString dovDefaultPath() const;

private:
    std::unique_ptr<IniFile> m_file;
    SystemSettings m_system;
    SpecialSettings m_special;
    DatabaseSettings m_databases;
    PDBSettings m_pdb;
    ProjectSettings m_project;
    PrintoutSettings m_printouts;
    CurveSettings m_curves;
};

Settings& settings();

} // namespace kiro
