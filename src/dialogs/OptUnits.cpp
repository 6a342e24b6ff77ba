#include "dialogs/OptUnits.h"

#include "app/DialogService.h"
#include "app/Translate.h"
#include "app/core/Messages.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "dialogs/OptCurr.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

// The unit cell offers the units of the row's unit type.
class UnitDelegate : public QStyledItemDelegate {
public:
    UnitDelegate(QObject* parent, db::Dataset& unitTypes, db::Dataset& units)
        : QStyledItemDelegate(parent)
        , m_unitTypes(unitTypes)
        , m_units(units)
    {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        auto* combo = new QComboBox(parent);
        combo->setObjectName(s("DlgOptUnitsUnitEditor"));
        if (!m_unitTypes.isActive() || !m_units.isActive() || index.row() >= m_unitTypes.recordCount())
            return combo;
        const QString type = m_unitTypes.rowValue(index.row(), m_unitTypes.fieldByName(s("Type")).index()).toString();
        const int unitColumn = m_units.fieldByName(s("Unit")).index();
        const int typeColumn = m_units.fieldByName(s("UnitType")).index();
        for (int r = 0; r < m_units.recordCount(); ++r) {
            if (m_units.rowValue(r, typeColumn).toString().compare(type, Qt::CaseInsensitive) == 0)
                combo->addItem(m_units.rowValue(r, unitColumn).toString());
        }
        return combo;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* combo = static_cast<QComboBox*>(editor);
        combo->setCurrentIndex(combo->findText(index.data().toString()));
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        auto* combo = static_cast<QComboBox*>(editor);
        if (combo->currentIndex() >= 0)
            model->setData(index, combo->currentText());
    }

private:
    db::Dataset& m_unitTypes;
    db::Dataset& m_units;
};

} // namespace

TDlgOptUnits::TDlgOptUnits(TFormData& data, bool projectSelected, bool itemSelected, bool accessorySelected,
                           QWidget* parent)
    : QDialog(parent)
    , m_data(data)
    , m_accessorySelected(accessorySelected)
{
    setObjectName(s("DlgOptUnits"));
    setWindowTitle(s("Options - Units"));
    auto* layout = new QVBoxLayout(this);
    m_grid = new TOptionGrid(this, {TOptionGrid::column(s("Show"), s("S"), false, QString(), true),
                                    TOptionGrid::column(s("_PROP"), s("Property"), true),
                                    TOptionGrid::column(s("Unit"), s("Unit")),
                                    TOptionGrid::column(s("Format"), s("Format"))});
    m_grid->setObjectName(s("DlgOptUnitsGrid"));
    layout->addWidget(m_grid);

    auto* buttons = new QHBoxLayout;
    auto* si = new QPushButton(s("Set &SI-units"), this);
    si->setObjectName(s("DlgOptUnitsBtnSI"));
    auto* us = new QPushButton(s("Set &US-units"), this);
    us->setObjectName(s("DlgOptUnitsBtnUS"));
    connect(si, &QPushButton::clicked, this, [this] { setStandardUnits(true); });
    connect(us, &QPushButton::clicked, this, [this] { setStandardUnits(false); });
    buttons->addWidget(si);
    buttons->addWidget(us);
    buttons->addStretch();
    layout->addLayout(buttons);

    m_group = new QGroupBox(s("Apply as system default and"), this);
    m_group->setObjectName(s("DlgOptUnitsApply"));
    auto* groupLayout = new QVBoxLayout(m_group);
    m_nothing = new QRadioButton(s("nothing else"), m_group);
    m_nothing->setObjectName(s("DlgOptUnitsApplyNothing"));
    m_product = new QRadioButton(s("this product"), m_group);
    m_product->setObjectName(s("DlgOptUnitsApplyProduct"));
    m_project = new QRadioButton(s("this project"), m_group);
    m_project->setObjectName(s("DlgOptUnitsApplyProject"));
    for (QRadioButton* b : {m_nothing, m_product, m_project})
        groupLayout->addWidget(b);
    m_group->setEnabled(projectSelected);
    m_product->setEnabled(projectSelected && itemSelected);
    (projectSelected && itemSelected ? m_product : m_nothing)->setChecked(true);
    layout->addWidget(m_group);

    auto* box = new QDialogButtonBox(this);
    box->addButton(QDialogButtonBox::Ok)->setObjectName(s("BtnOK"));
    box->addButton(QDialogButtonBox::Cancel)->setObjectName(s("BtnCancel"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);

    db::Dataset& unitTypes = data.table(s("TableUnitTypes"));
    // The selector offers the units of the row's own type, as the units
    // view filtered to that type would.
    m_grid->setItemDelegateForColumn(2, new UnitDelegate(m_grid, unitTypes, data.table(s("TableUnits"))));
    m_grid->setDataset(&unitTypes);
    if (unitTypes.isActive() && !unitTypes.isEmpty()) {
        unitTypes.first();
        m_grid->setCurrentCell(0, 2); // the unit column
    }
}

QRadioButton* TDlgOptUnits::applyButton(Apply apply) const
{
    return apply == Apply::Product ? m_product : apply == Apply::Project ? m_project : m_nothing;
}

TDlgOptUnits::Apply TDlgOptUnits::apply() const
{
    if (!m_group->isEnabled())
        return Apply::Nothing;
    if (m_product->isChecked() && m_product->isEnabled())
        return Apply::Product;
    return m_project->isChecked() ? Apply::Project : Apply::Nothing;
}

void TDlgOptUnits::setStandardUnits(bool si)
{
    db::Dataset& unitTypes = m_data.table(s("TableUnitTypes"));
    db::Dataset& units = m_data.table(s("TableUnits"));
    if (!unitTypes.isActive() || !units.isActive())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString filter = units.filter();
    const bool filtered = units.isFiltered();
    const auto filterRecord = units.onFilterRecord();
    const db::Bookmark mark = unitTypes.bookmark();
    try {
        units.setOnFilterRecord({});
        units.setFilter(si ? s("SI = true") : s("US = true"));
        units.setFiltered(true);
        for (unitTypes.first(); !unitTypes.eof(); unitTypes.next()) {
            const QString type = unitTypes.fieldByName(s("Type")).asString();
            if (!units.locate(s("UnitType"), type, db::LocateOption::CaseInsensitive))
                continue;
            unitTypes.edit();
            unitTypes.fieldByName(s("Unit")).setValue(units.fieldByName(s("Unit")).asString());
            unitTypes.post();
        }
    } catch (const db::DatabaseError& e) {
        unitTypes.cancel();
        MsgOK(QStringLiteral("%s"), {e.message()});
    }
    try {
        units.setFiltered(false);
        units.setFilter(filter);
        units.setOnFilterRecord(filterRecord);
        units.setFiltered(filtered);
        if (unitTypes.bookmarkValid(mark))
            unitTypes.gotoBookmark(mark);
    } catch (const db::DatabaseError&) {
    }
    QApplication::restoreOverrideCursor();
    m_grid->reload();
}

void TDlgOptUnits::applyTo(db::Dataset& techData)
{
    if (!techData.isActive())
        return;
    db::Dataset& unitTypes = m_data.table(s("TableUnitTypes"));
    for (techData.first(); !techData.eof(); techData.next()) {
        const QVariant found =
            unitTypes.lookup(s("Property"), techData.fieldByName(s("Property")).asString(), s("Unit;Show"));
        if (!found.isValid())
            continue;
        const QVariantList values = found.toList();
        techData.edit();
        // The unit's change converts the value.
        techData.fieldByName(s("Unit")).setValue(values.value(0));
        techData.fieldByName(s("Show")).setValue(values.value(1));
        techData.post();
    }
}

void TDlgOptUnits::accept()
{
    const Apply what = apply();
    if (what != Apply::Nothing) {
        db::Dataset& products = m_data.table(s("TableProducts"));
        db::Dataset& accessories = m_data.table(s("TableAccessories"));
        db::Dataset& prodTech = m_data.table(s("TableProdTechData"));
        db::Dataset& accTech = m_data.table(s("TableAccTechData"));
        const db::Bookmark productMark = products.bookmark();
        const db::Bookmark accessoryMark = accessories.bookmark();
        auto allAccessories = [&] {
            for (accessories.first(); !accessories.eof(); accessories.next())
                applyTo(accTech);
        };
        try {
            db::Transaction t(m_data.database(s("DatabaseProjects")));
            if (what == Apply::Product) {
                applyTo(m_accessorySelected ? accTech : prodTech);
                allAccessories();
            } else {
                for (products.first(); !products.eof(); products.next()) {
                    applyTo(prodTech);
                    allAccessories();
                }
            }
            t.commit();
        } catch (const db::DatabaseError& e) {
            for (db::Dataset* d : {&products, &accessories, &prodTech, &accTech}) {
                if (d->isActive()) {
                    d->cancel();
                    d->refresh();
                }
            }
            MsgOK(QStringLiteral("%s\n\n%s"), {MsgText(s("Could not apply the units!")), e.message()});
        }
        if (products.isActive() && products.bookmarkValid(productMark))
            products.gotoBookmark(productMark);
        if (accessories.isActive() && accessories.bookmarkValid(accessoryMark))
            accessories.gotoBookmark(accessoryMark);
    }
    QDialog::accept();
}

bool OptionUnits(TFormData& data, bool projectSelected, bool itemSelected, bool accessorySelected, QWidget* parent)
{
    TDlgOptUnits dialog(data, projectSelected, itemSelected, accessorySelected, parent);
    TranslateForm(dialog);
    return ExecDialog(dialog) == QDialog::Accepted;
}

} // namespace kiro
