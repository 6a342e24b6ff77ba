#include "dialogs/OptProj.h"

#include "app/DialogService.h"
#include "app/Translate.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

QLabel* label(QWidget* parent, const char* text, const char* name)
{
    auto* l = new QLabel(s(text), parent);
    l->setObjectName(s(name));
    return l;
}

QCheckBox* check(QWidget* parent, const char* text, const char* name, bool checked)
{
    auto* c = new QCheckBox(s(text), parent);
    c->setObjectName(s(name));
    c->setChecked(checked);
    return c;
}

} // namespace

TDlgOptProj::TDlgOptProj(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(s("DlgOptProj"));
    setWindowTitle(s("Options - Project"));
    try {
        settings().LoadProjectSettings();
    } catch (const SettingsError&) {
        // The values the program holds are shown.
    }
    const ProjectSettings& project = settings().project();
    auto* layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(s("DlgOptProjPages"));
    layout->addWidget(m_pages);

    auto* tree = new QWidget(m_pages);
    tree->setObjectName(s("DlgOptProjPageLayout"));
    auto* treeForm = new QFormLayout(tree);
    auto addView = [&](const char* caption, const char* name, const QString& value, const char* legend,
                       const char* legendName) {
        auto* edit = new QLineEdit(value, tree);
        edit->setObjectName(s(name));
        QLabel* l = label(tree, caption, (QByteArray(name) + "Label").constData());
        l->setBuddy(edit);
        treeForm->addRow(l, edit);
        treeForm->addRow(QString(), label(tree, legend, legendName));
        return edit;
    };
    m_projectView =
        addView("&Project view string", "DlgOptProjEditProjView", project.ProjViewStr,
                "@N = project name, @C = customer name, @R = project revision number", "DlgOptProjLegendProj");
    m_productView =
        addView("P&roduct view string", "DlgOptProjEditProdView", project.ProdViewStr,
                "@N = product name, @D = product description, @Q = quantity, @T = product tag", "DlgOptProjLegendProd");
    m_accessoryView = addView("A&ccessory view string", "DlgOptProjEditAccView", project.AccViewStr,
                              "@N = accessory name, @D = accessory description, @Q = quantity, @T = accessory tag",
                              "DlgOptProjLegendAcc");
    m_pages->addTab(tree, s("Project tree &layout"));

    auto* defaults = new QWidget(m_pages);
    defaults->setObjectName(s("DlgOptProjPageDefaults"));
    auto* defaultsLayout = new QVBoxLayout(defaults);
    auto* validityRow = new QHBoxLayout;
    QLabel* validityLabel = label(defaults, "&Quotations is valid for", "DlgOptProjLblValidity");
    m_validity = new QComboBox(defaults);
    m_validity->setObjectName(s("DlgOptProjValidity"));
    m_validity->setEditable(true);
    m_validity->setInsertPolicy(QComboBox::NoInsert);
    for (const QString& entry : project.QuotValList.split(u',', Qt::SkipEmptyParts))
        m_validity->addItem(entry.trimmed());
    m_validity->setEditText(QString::number(project.QuotValTime));
    validityLabel->setBuddy(m_validity);
    validityRow->addWidget(validityLabel);
    validityRow->addWidget(m_validity);
    validityRow->addWidget(label(defaults, "days", "DlgOptProjLblDays"));
    validityRow->addStretch();
    defaultsLayout->addLayout(validityRow);
    m_addOption =
        check(defaults, "Next product is an &additional option", "DlgOptProjCheckAddOption", project.AddOption);
    m_hidePrices = check(defaults, "Next products prices is &hidden", "DlgOptProjCheckHidePrices", project.HidePrices);
    m_hideTechData =
        check(defaults, "Next products &technical data is hidden", "DlgOptProjCheckHideTechData", project.HideTechData);
    m_prevProdUse =
        check(defaults, "Get 'Product use' from previous product", "DlgOptProjCheckPrevProdUse", project.PrevProdUse);
    for (QCheckBox* c : {m_addOption, m_hidePrices, m_hideTechData, m_prevProdUse})
        defaultsLayout->addWidget(c);
    defaultsLayout->addStretch();
    m_pages->addTab(defaults, s("&Default values"));

    auto* box = new QDialogButtonBox(this);
    box->addButton(QDialogButtonBox::Ok)->setObjectName(s("BtnOK"));
    box->addButton(QDialogButtonBox::Cancel)->setObjectName(s("BtnCancel"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);

    m_pages->setCurrentIndex(0);
    m_projectView->setFocus();
}

void TDlgOptProj::accept()
{
    auto refuse = [this](const char* key, int page, QWidget* field) {
        MsgOK(s(key));
        m_pages->setCurrentIndex(page);
        field->setFocus();
    };
    if (m_projectView->text().isEmpty())
        return refuse("14", 0, m_projectView);
    if (m_productView->text().isEmpty())
        return refuse("15", 0, m_productView);
    if (m_accessoryView->text().isEmpty())
        return refuse("16", 0, m_accessoryView);
    const QString validityText = m_validity->currentText().trimmed();
    if (validityText.isEmpty())
        return refuse("17", 1, m_validity);
    bool whole = false;
    const int days = validityText.toInt(&whole);
    if (!whole)
        return refuse("18", 1, m_validity);

    // "045" is kept as 45, and offered next time.
    const QString normalised = QString::number(days);
    if (m_validity->findText(normalised) < 0)
        m_validity->addItem(normalised);
    m_validity->setEditText(normalised);
    QStringList entries;
    for (int i = 0; i < m_validity->count(); ++i)
        entries << m_validity->itemText(i);

    ProjectSettings& project = settings().project();
    project.ProjViewStr = m_projectView->text();
    project.ProdViewStr = m_productView->text();
    project.AccViewStr = m_accessoryView->text();
    project.QuotValTime = days;
    project.QuotValList = entries.join(u',');
    project.AddOption = m_addOption->isChecked();
    project.HidePrices = m_hidePrices->isChecked();
    project.HideTechData = m_hideTechData->isChecked();
    project.PrevProdUse = m_prevProdUse->isChecked();
    try {
        settings().SaveProjectSettings();
    } catch (const SettingsError& e) {
        MsgOK(QStringLiteral("Could not save settings!\n\n%s"), {e.message()});
        return;
    }
    QDialog::accept();
}

bool OptionsProject(const std::function<void()>& relabelTree, QWidget* parent)
{
    TDlgOptProj dialog(parent);
    TranslateForm(dialog);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return false;
    if (relabelTree)
        relabelTree();
    return true;
}

} // namespace kiro
