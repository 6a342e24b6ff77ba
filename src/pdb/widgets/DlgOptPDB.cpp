#include "pdb/widgets/DlgOptPDB.h"

#include "app/Translate.h"
#include "app/core/AppContext.h"
#include "app/core/IniFile.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "controls/ThmCheckListBox.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kiro {

QString PDBCentreCodesToNames(const QString& codes)
{
    QString t = codes;
    const std::pair<const char*, const char*> steps[] = {
        {"DEM", "SPLMR"}, {"IEM", "SPIRL"}, {"SEM", "SPNML"}, {"SEM", "SPSWE"},
        {"SPNML", "SPSWE"}, {"SEP", ""}, {"PXM", ""}, {",,", ","},
    };
    for (const auto& [from, to] : steps)
        t.replace(QString::fromLatin1(from), QString::fromLatin1(to), Qt::CaseInsensitive);
    if (t.startsWith(QLatin1Char(',')))
        t.remove(0, 1);
    if (t.endsWith(QLatin1Char(',')))
        t.chop(1);
    return t;
}

QString PDBCentreNameToCode(const QString& name)
{
    const QString n = name.trimmed();
    if (n.compare(QLatin1String("SPLMR"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("DEM");
    if (n.compare(QLatin1String("SPIRL"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("IEM");
    if (n.compare(QLatin1String("SPNML"), Qt::CaseInsensitive) == 0
        || n.compare(QLatin1String("SPSWE"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("SEM");
    return name;
}

TDlgOptPDB::TDlgOptPDB(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgOptPDB"));
    setWindowTitle(QStringLiteral("Options - Manufacturing plant"));
    auto* layout = new QVBoxLayout(this);

    auto* include = new QGroupBox(QStringLiteral("&Include in selections"), this);
    include->setObjectName(QStringLiteral("DlgOptPDBGrpInclude"));
    auto* inc = new QVBoxLayout(include);
    auto* lbl = new QLabel(QStringLiteral("Supp&liers"), include);
    lbl->setObjectName(QStringLiteral("DlgOptPDBLblSuppliers"));
    inc->addWidget(lbl);
    m_suppliers = new ThmCheckListBox(include);
    m_suppliers->setObjectName(QStringLiteral("lstSuppliers"));
    m_suppliers->setMinimumHeight(80);
    lbl->setBuddy(m_suppliers);
    inc->addWidget(m_suppliers);
    m_special = new QCheckBox(QStringLiteral("&Special"), include);
    m_special->setObjectName(QStringLiteral("DlgOptPDBChkSpecial"));
    inc->addWidget(m_special);
    layout->addWidget(include);

    auto* defaults = new QGroupBox(QStringLiteral("Defaults to use on creation"), this);
    defaults->setObjectName(QStringLiteral("DlgOptPDBRgrDefault"));
    auto* def = new QVBoxLayout(defaults);
    const char* texts[] = {"&Nothing", "&Factory defaults", "&User defaults"};
    for (int i = 0; i < 3; ++i) {
        m_default[i] = new QRadioButton(QString::fromLatin1(texts[i]), defaults);
        m_default[i]->setObjectName(QStringLiteral("DlgOptPDBRgrDefault%1").arg(i));
        def->addWidget(m_default[i]);
    }
    layout->addWidget(defaults);

    auto* optimization = new QGroupBox(QStringLiteral("Optimization"), this);
    optimization->setObjectName(QStringLiteral("DlgOptPDBGrpOptimization"));
    auto* opt = new QVBoxLayout(optimization);
    m_classes = new QCheckBox(QStringLiteral("Show &class in selections (slower)"), optimization);
    m_classes->setObjectName(QStringLiteral("DlgOptPDBChkClasses"));
    opt->addWidget(m_classes);
    m_translate = new QCheckBox(QStringLiteral("&Translate always (slower)"), optimization);
    m_translate->setObjectName(QStringLiteral("DlgOptPDBChkTranslate"));
    opt->addWidget(m_translate);
    layout->addWidget(optimization);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("DlgOptPDBBtnOK"));
    m_ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("DlgOptPDBBtnCancel"));
    QPushButton* help = buttons->addButton(QStringLiteral("Help"), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("DlgOptPDBBtnHelp"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TDlgOptPDB::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] { OpenHelp(); });
    connect(m_suppliers, &ThmCheckListBox::clickCheck, this, [this](int) { SetDlgInputOK(); });

    // Filled at once, so that a dialog answered before it is shown shows the settings too.
    FormShow();
}

void TDlgOptPDB::FormShow()
{
    try {
        settings().LoadPDBSettings();
    } catch (const SettingsError&) {
        // Without a settings file the values in memory stand.
    }
    const PDBSettings& pdb = settings().pdb();
    m_suppliers->clear();
    const QStringList all = PDBCentreCodesToNames(pdb.SuppliersAll).split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QStringList inc = PDBCentreCodesToNames(pdb.SuppliersInc).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (int i = 0; i < all.size(); ++i) {
        m_suppliers->addItemText(all[i].trimmed());
        bool ticked = false;
        for (const QString& name : inc)
            ticked = ticked || name.trimmed().compare(all[i].trimmed(), Qt::CaseInsensitive) == 0;
        m_suppliers->setChecked(i, ticked);
    }
    m_special->setChecked(pdb.Special);
    m_default[std::clamp(pdb.Default, 0, 2)]->setChecked(true);
    m_classes->setChecked(pdb.Classes);
    m_translate->setChecked(pdb.Translate);
    if (m_suppliers->count() > 0)
        m_suppliers->setCurrentRow(0);
    SetDlgInputOK();
    SetupAppMode();
}

void TDlgOptPDB::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        m_suppliers->setFocus();
    }
}

bool TDlgOptPDB::IsDlgInputOK() const
{
    for (int i = 0; i < m_suppliers->count(); ++i)
        if (m_suppliers->Checked(i))
            return true;
    return false;
}

void TDlgOptPDB::SetDlgInputOK()
{
    m_ok->setEnabled(IsDlgInputOK());
}

void TDlgOptPDB::SetupAppMode()
{
    m_special->setVisible(app().appMode() == AppContext::Champion);
}

void TDlgOptPDB::accept()
{
    if (!IsDlgInputOK())
        return;
    PDBSettings& pdb = settings().pdb();
    QStringList codes;
    for (int i = 0; i < m_suppliers->count(); ++i)
        if (m_suppliers->Checked(i))
            codes << PDBCentreNameToCode(m_suppliers->itemText(i));
    pdb.SuppliersInc = codes.join(QLatin1Char(','));
    pdb.Special = m_special->isChecked();
    for (int i = 0; i < 3; ++i)
        if (m_default[i]->isChecked())
            pdb.Default = i;
    pdb.Classes = m_classes->isChecked();
    pdb.Translate = m_translate->isChecked();
    try {
        settings().SavePDBSettings();
    } catch (const SettingsError& e) {
        ShowPlainMessage(QString::fromUtf8(e.what()));
    }
    QDialog::accept();
}

} // namespace kiro
