#include "app/core/Settings.h"

#include "app/core/AppContext.h"

#include <QDir>
#include <QStandardPaths>

#include <array>
#include <utility>

namespace kiro {

namespace {

const QString kSystem = QStringLiteral("System");
const QString kSpecial = QStringLiteral("Special");
const QString kDatabases = QStringLiteral("Databases");
const QString kPDB = QStringLiteral("PDB");
const QString kProject = QStringLiteral("Project");
const QString kPrintouts = QStringLiteral("Printouts");
const QString kCurves = QStringLiteral("Curves");

// Section Databases in the order its keys are read, each key with the
// folder beside the program that is its default.
struct DirKey {
    const char* key;
    QString DatabaseSettings::*member;
};
constexpr std::array<DirKey, 9> kDirKeys = {{
    {"NetDir", &DatabaseSettings::NetDir},
    {"System", &DatabaseSettings::System},
    {"Projects", &DatabaseSettings::Projects},
    {"Language", &DatabaseSettings::Language},
    {"PDB", &DatabaseSettings::PDB},
    {"Address", &DatabaseSettings::Address},
    {"ExtProds", &DatabaseSettings::ExtProds},
    {"ExtComplex", &DatabaseSettings::ExtComplex},
    {"Spares", &DatabaseSettings::Spares},
}};

QString defaultFolder(const QString& key)
{
    if (key.compare(QLatin1String("PDB"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("PDB_%1.%2").arg(kPDBVersionMajor).arg(kPDBVersionMinor);
    if (key.compare(QLatin1String("ExtProds"), Qt::CaseInsensitive) == 0
        || key.compare(QLatin1String("ExtComplex"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("External");
    for (const char* name : {"System", "Projects", "Language", "Address", "Spares"}) {
        if (key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return QLatin1String(name);
    }
    return {};
}

} // namespace

Settings::Settings() = default;
Settings::~Settings() = default;

void Settings::open(const QString& path)
{
    m_file = std::make_unique<IniFile>(path, IniFile::Encoding::Utf8);
}

void Settings::close()
{
    m_file.reset();
}

IniFile& Settings::file()
{
    return const_cast<IniFile&>(std::as_const(*this).file());
}

const IniFile& Settings::file() const
{
    if (!m_file)
        throw SettingsError(QStringLiteral("The settings file is not open."));
    return *m_file;
}

void Settings::resetToDefaults()
{
    m_system = {};
    m_special = {};
    m_databases = {};
    m_pdb = {};
    m_project = {};
    m_printouts = {};
    m_curves = {};
}

QString Settings::ReadSettingDefault(const QString& section, const QString& key, const QString& def) const
{
    const QString value = file().readString(section, key);
    return value.isEmpty() ? def : value;
}

QString Settings::DefaultDatabaseDir(const QString& key) const
{
    if (key.compare(QLatin1String("NetDir"), Qt::CaseInsensitive) == 0)
        return m_file ? m_file->readString(kDatabases, QStringLiteral("Projects")) : QString();
    const QString folder = defaultFolder(key);
    return folder.isEmpty() ? QString() : app().exeDir() + folder + QLatin1Char('/');
}

// ----------------------------------------------------------------- System --

void Settings::LoadSystemSettings()
{
    const SystemSettings builtIn;
    m_system.DefaultCurrency = ReadSettingDefault(kSystem, QStringLiteral("DefaultCurrency"), builtIn.DefaultCurrency);
    m_system.Language = ReadSettingDefault(kSystem, QStringLiteral("Language"), builtIn.Language);
}

void Settings::SaveSystemSettings()
{
    IniFile& f = file();
    IniFile::Batch batch(f);
    f.writeString(kSystem, QStringLiteral("DefaultCurrency"), m_system.DefaultCurrency);
    f.writeString(kSystem, QStringLiteral("Language"), m_system.Language);
    batch.commit();
}

// ---------------------------------------------------------------- Special --

void Settings::LoadSpecialSettings()
{
    const IniFile& f = file();
    m_special.ZeroMultiple = f.readBool(kSpecial, QStringLiteral("ZeroMultiple"), m_special.ZeroMultiple);
    m_special.ZeroMultipleSeries = ReadSettingDefault(kSpecial, QStringLiteral("ZeroMultipleSeries"), {}).toUpper();
}

void Settings::SaveSpecialSettings()
{
    IniFile& f = file();
    IniFile::Batch batch(f);
    f.writeBool(kSpecial, QStringLiteral("ZeroMultiple"), m_special.ZeroMultiple);
    f.writeString(kSpecial, QStringLiteral("ZeroMultipleSeries"), m_special.ZeroMultipleSeries);
    batch.commit();
}

// -------------------------------------------------------------- Databases --

void Settings::LoadDatabaseSettings()
{
    IniFile& f = file();
    IniFile::Batch batch(f);
    DatabaseSettings& d = m_databases;
    d.UseProjDirAsNetDir = f.readBool(kDatabases, QStringLiteral("UseProjDirAsNetDir"), d.UseProjDirAsNetDir);
    for (const DirKey& k : kDirKeys) {
        const QString key = QLatin1String(k.key);
        d.*k.member = ReadSettingDefault(kDatabases, key, DefaultDatabaseDir(key));
    }
    const bool netDirEmpty = d.NetDir.isEmpty();
    // Callers append file names to directories; a value typed into the file
    // without the final separator must work as well.
    for (const DirKey& k : kDirKeys)
        d.*k.member = AppContext::withSlash(d.*k.member);
    if (d.UseProjDirAsNetDir)
        d.NetDir = d.Projects;
    if (netDirEmpty)
        f.writeString(kDatabases, QStringLiteral("NetDir"), d.NetDir);
    if (f.readString(kDatabases, QStringLiteral("PDB")).isEmpty())
        f.writeString(kDatabases, QStringLiteral("PDB"), d.PDB);
    batch.commit();
}

void Settings::SaveDatabaseSettings()
{
    IniFile& f = file();
    IniFile::Batch batch(f);
    const DatabaseSettings& d = m_databases;
    f.writeBool(kDatabases, QStringLiteral("UseProjDirAsNetDir"), d.UseProjDirAsNetDir);
    f.writeString(kDatabases, QStringLiteral("NetDir"), d.NetDir);
    f.writeString(kDatabases, QStringLiteral("System"), d.System);
    f.writeString(kDatabases, QStringLiteral("Language"), d.Language);
    f.writeString(kDatabases, QStringLiteral("Projects"), d.Projects);
    f.writeString(kDatabases, QStringLiteral("Address"), d.Address);
    f.writeString(kDatabases, QStringLiteral("ExtProds"), d.ExtProds);
    f.writeString(kDatabases, QStringLiteral("ExtComplex"), d.ExtComplex);
    f.writeString(kDatabases, QStringLiteral("PDB"), d.PDB);
    f.writeString(kDatabases, QStringLiteral("Spares"), d.Spares);
    batch.commit();
}

// -------------------------------------------------------------------- PDB --

void Settings::LoadPDBSettings()
{
    const IniFile& f = file();
    const PDBSettings builtIn;
    PDBSettings& p = m_pdb;
    p.SuppliersAll = ReadSettingDefault(kPDB, QStringLiteral("SuppliersAll"), builtIn.SuppliersAll);
    p.SuppliersInc = ReadSettingDefault(kPDB, QStringLiteral("SuppliersInc"), builtIn.SuppliersInc);
    p.Special = f.readBool(kPDB, QStringLiteral("Special"), p.Special);
    p.Default = f.readInteger(kPDB, QStringLiteral("Default"), p.Default);
    p.Classes = f.readBool(kPDB, QStringLiteral("Classes"), p.Classes);
    p.Translate = f.readBool(kPDB, QStringLiteral("Translate"), p.Translate);
    p.ExpectedVersionMajor = f.readInteger(kPDB, QStringLiteral("ExpectedVersionMajor"), p.ExpectedVersionMajor);
    p.ExpectedVersionMinor = f.readInteger(kPDB, QStringLiteral("ExpectedVersionMinor"), p.ExpectedVersionMinor);
}

void Settings::SavePDBSettings()
{
    IniFile& f = file();
    IniFile::Batch batch(f);
    const PDBSettings& p = m_pdb;
    f.writeString(kPDB, QStringLiteral("SuppliersAll"), p.SuppliersAll);
    f.writeString(kPDB, QStringLiteral("SuppliersInc"), p.SuppliersInc);
    f.writeBool(kPDB, QStringLiteral("Special"), p.Special);
    f.writeInteger(kPDB, QStringLiteral("Default"), p.Default);
    f.writeBool(kPDB, QStringLiteral("Classes"), p.Classes);
    f.writeBool(kPDB, QStringLiteral("Translate"), p.Translate);
    f.writeInteger(kPDB, QStringLiteral("ExpectedVersionMajor"), p.ExpectedVersionMajor);
    f.writeInteger(kPDB, QStringLiteral("ExpectedVersionMinor"), p.ExpectedVersionMinor);
    batch.commit();
}

// ---------------------------------------------------------------- Project --

void Settings::LoadProjectSettings()
{
    const IniFile& f = file();
    const ProjectSettings builtIn;
    ProjectSettings& p = m_project;
    const auto text = [&](const char* key, const QString& def) {
        return ReadSettingDefault(kProject, QLatin1String(key), def);
    };
    const auto flag = [&](const char* key, bool def) { return f.readBool(kProject, QLatin1String(key), def); };
    p.ProjViewStr = text("ProjViewStr", builtIn.ProjViewStr);
    p.ProdViewStr = text("ProdViewStr", builtIn.ProdViewStr);
    p.AccViewStr = text("AccViewStr", builtIn.AccViewStr);
    p.QuotValTime = f.readInteger(kProject, QStringLiteral("QuotValTime"), p.QuotValTime);
    p.QuotValList = text("QuotValList", builtIn.QuotValList);
    p.AddOption = flag("AddOption", p.AddOption);
    p.HidePrices = flag("HidePrices", p.HidePrices);
    p.HideTechData = flag("HideTechData", p.HideTechData);
    p.PrevProdUse = flag("PrevProdUse", p.PrevProdUse);
    p.Sorting = text("Sorting", builtIn.Sorting);
    p.FilterUser = text("FilterUser", builtIn.FilterUser);
    p.FilterRevisionLast = flag("FilterRevisionLast", p.FilterRevisionLast);
    p.FilterStatus = f.readInteger(kProject, QStringLiteral("FilterStatus"), p.FilterStatus);
    p.FilterValDate = flag("FilterValDate", p.FilterValDate);
    p.FilterValDateFrom = f.readDate(kProject, QStringLiteral("FilterValDateFrom"), p.FilterValDateFrom);
    p.FilterValDateTo = f.readDate(kProject, QStringLiteral("FilterValDateTo"), p.FilterValDateTo);
    p.FilterCustomer = flag("FilterCustomer", p.FilterCustomer);
    p.FilterCustomerID = text("FilterCustomerID", builtIn.FilterCustomerID);
}

void Settings::SaveProjectSettings()
{
    IniFile& f = file();
    IniFile::Batch batch(f);
    const ProjectSettings& p = m_project;
    const auto text = [&](const char* key, const QString& value) {
        f.writeString(kProject, QLatin1String(key), value);
    };
    const auto flag = [&](const char* key, bool value) { f.writeBool(kProject, QLatin1String(key), value); };
    text("ProjViewStr", p.ProjViewStr);
    text("ProdViewStr", p.ProdViewStr);
    text("AccViewStr", p.AccViewStr);
    f.writeInteger(kProject, QStringLiteral("QuotValTime"), p.QuotValTime);
    text("QuotValList", p.QuotValList);
    flag("AddOption", p.AddOption);
    flag("HidePrices", p.HidePrices);
    flag("HideTechData", p.HideTechData);
    flag("PrevProdUse", p.PrevProdUse);
    text("Sorting", p.Sorting);
    text("FilterUser", p.FilterUser);
    flag("FilterRevisionLast", p.FilterRevisionLast);
    f.writeInteger(kProject, QStringLiteral("FilterStatus"), p.FilterStatus);
    flag("FilterValDate", p.FilterValDate);
    f.writeDate(kProject, QStringLiteral("FilterValDateFrom"), p.FilterValDateFrom);
    f.writeDate(kProject, QStringLiteral("FilterValDateTo"), p.FilterValDateTo);
    flag("FilterCustomer", p.FilterCustomer);
    text("FilterCustomerID", p.FilterCustomerID);
    batch.commit();
}

// -------------------------------------------------------------- Printouts --

void Settings::LoadPrintoutSettings()
{
    const IniFile& f = file();
    const PrintoutSettings builtIn;
    PrintoutSettings& p = m_printouts;
    const auto text = [&](const char* key, const QString& def) {
        return ReadSettingDefault(kPrintouts, QLatin1String(key), def);
    };
    const auto flag = [&](const char* key, bool def) { return f.readBool(kPrintouts, QLatin1String(key), def); };
    p.OverviewQuotation = text("OverviewQuotation", builtIn.OverviewQuotation);
    p.ItemNumberList = text("ItemNumberList", builtIn.ItemNumberList);
    p.DetailedQuotation = text("DetailedQuotation", builtIn.DetailedQuotation);
    p.CustomerOrder = text("CustomerOrder", builtIn.CustomerOrder);
    p.PurchaseOrder = text("PurchaseOrder", builtIn.PurchaseOrder);
    p.TechnicalData = text("TechnicalData", builtIn.TechnicalData);
    p.Curve = text("Curve", builtIn.Curve);
    p.ExtDetQuot = text("ExtDetQuot", builtIn.ExtDetQuot);
    p.ExtTechData = text("ExtTechData", builtIn.ExtTechData);
    p.SpareDetQuot = text("SpareDetQuot", builtIn.SpareDetQuot);
    p.SpareTechData = text("SpareTechData", builtIn.SpareTechData);
    p.RTFFont = text("RTFFont", builtIn.RTFFont);
    p.RTFSize = f.readInteger(kPrintouts, QStringLiteral("RTFSize"), p.RTFSize);
    p.RTFHBold = flag("RTFHBold", p.RTFHBold);
    p.RTFHItalic = flag("RTFHItalic", p.RTFHItalic);
    p.RTFVBold = flag("RTFVBold", p.RTFVBold);
    p.RTFVItalic = flag("RTFVItalic", p.RTFVItalic);
    p.Preview = flag("Preview", p.Preview);
}

void Settings::SavePrintoutSettings()
{
    IniFile& f = file();
    IniFile::Batch batch(f);
    const PrintoutSettings& p = m_printouts;
    const auto text = [&](const char* key, const QString& value) {
        f.writeString(kPrintouts, QLatin1String(key), value);
    };
    const auto flag = [&](const char* key, bool value) { f.writeBool(kPrintouts, QLatin1String(key), value); };
    text("OverviewQuotation", p.OverviewQuotation);
    text("ItemNumberList", p.ItemNumberList);
    text("DetailedQuotation", p.DetailedQuotation);
    text("CustomerOrder", p.CustomerOrder);
    text("PurchaseOrder", p.PurchaseOrder);
    text("TechnicalData", p.TechnicalData);
    text("Curve", p.Curve);
    text("ExtDetQuot", p.ExtDetQuot);
    text("ExtTechData", p.ExtTechData);
    text("SpareDetQuot", p.SpareDetQuot);
    text("SpareTechData", p.SpareTechData);
    text("RTFFont", p.RTFFont);
    f.writeInteger(kPrintouts, QStringLiteral("RTFSize"), p.RTFSize);
    flag("RTFHBold", p.RTFHBold);
    flag("RTFHItalic", p.RTFHItalic);
    flag("RTFVBold", p.RTFVBold);
    flag("RTFVItalic", p.RTFVItalic);
    flag("Preview", p.Preview);
    batch.commit();
    // The report designer reads these keys itself; the commit above already
    // replaced the file, this only stops our own cache from outliving it.
    f.flush();
}

// ----------------------------------------------------------------- Curves --

void Settings::LoadCurveSettings()
{
    const IniFile& f = file();
    m_curves.PreviewCurve = f.readBool(kCurves, QStringLiteral("PreviewCurve"), m_curves.PreviewCurve);
    m_curves.PreviewCurveMotor = f.readBool(kCurves, QStringLiteral("PreviewCurveMotor"), m_curves.PreviewCurveMotor);
}

void Settings::SaveCurveSettings()
{
    IniFile& f = file();
    IniFile::Batch batch(f);
    f.writeBool(kCurves, QStringLiteral("PreviewCurve"), m_curves.PreviewCurve);
    f.writeBool(kCurves, QStringLiteral("PreviewCurveMotor"), m_curves.PreviewCurveMotor);
    batch.commit();
}

// ------------------------------------------------------- outside programs --

QString Settings::quentoIniPath()
{
    const QString name = QStringLiteral("QUENTO.INI");
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
        // Name filters match without regard to case; the exact spelling wins.
        const QStringList found = QDir(dir).entryList({name}, QDir::Files | QDir::Readable, QDir::Name);
        if (found.isEmpty())
            continue;
        const QString pick = found.contains(name) ? name : found.first();
        return QDir(dir).filePath(pick);
    }
    return {};
}

QString Settings::torvaDefaultPath() const
{
    const QString path = quentoIniPath();
    if (path.isEmpty())
        return {};
    const IniFile quento(path, IniFile::Encoding::Cp1252);
    const QString section = QStringLiteral("I3");
    const QString value = quento.readString(section, QStringLiteral("PATH"));
    return value.isEmpty() ? quento.readString(section, QStringLiteral("ZEK")) : value;
}

QString Settings::dovDefaultPath() const
{
    return app().exeDir() + QStringLiteral("DOV/DOV.PDF");
}

Settings& settings()
{
    static Settings instance;
    return instance;
}

} // namespace kiro
