#include "tree/pages/GridBehaviour.h"

#include "app/DialogService.h"
#include "app/Translate.h"
#include "controls/FieldLink.h"
#include "controls/ThmDBGrid.h"
#include "data/Formula.h"
#include "db/DataSource.h"
#include "db/Dataset.h"
#include "dialogs/OptDiscMarg.h"
#include "tree/pages/DlgAltProdAcc.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

QColor paletteColor(QPalette::ColorRole role)
{
    return QApplication::palette().color(QPalette::Active, role);
}

} // namespace

// --- colours ---------------------------------------------------------------------------------------

QColor ReadOnlyColor()
{
    return paletteColor(QPalette::ToolTipBase);
}

QColor EditableColor()
{
    return paletteColor(QPalette::Base);
}

QColor CheckBoxColor()
{
    return paletteColor(QPalette::Button);
}

GridColumn PageColumn(const QString& field, const QString& title, bool readOnly, int width)
{
    GridColumn c = GridColumn::of(field, title, width);
    c.readOnly = readOnly;
    c.color = readOnly ? ReadOnlyColor() : EditableColor();
    return c;
}

GridColumn CheckColumn(const QString& field, const QString& title, bool readOnly, int width)
{
    GridColumn c = GridColumn::of(field, title, width);
    c.readOnly = readOnly;
    c.color = CheckBoxColor();
    return c;
}

GridColumn NumberColumn(const QString& field, const QString& title, bool readOnly, const char* picture, int width)
{
    GridColumn c = PageColumn(field, title, readOnly, width);
    const QString format = QString::fromLatin1(picture);
    c.format = [format](const QVariant& value) -> QString {
        if (value.isNull() || !value.isValid())
            return {};
        bool ok = false;
        const double number = value.toDouble(&ok);
        return ok ? FormatFloat(format, number) : value.toString();
    };
    return c;
}

// --- keys ------------------------------------------------------------------------------------------

void GridPreventAdding(ThmDBGrid& grid)
{
    grid.setPreventAdding(true);
    grid.setOptions(grid.options() | ThmDBGrid::Option::Tabs);
}

// --- drawing ---------------------------------------------------------------------------------------

QColor AltAddRowColor(const ThmDBGrid& grid, int row)
{
    if (grid.rowValue(row, s("AddOption")).toBool())
        return kAddOptionTextColor;
    if (grid.rowValue(row, s("Alternate")).toBool())
        return kAlternateTextColor;
    return {};
}

void DrawAltAddGrid(ThmDBGrid& grid)
{
    grid.setRowColorHandler([g = &grid](int row) { return AltAddRowColor(*g, row); });
}

void DrawTechDataGrid(ThmDBGrid& grid)
{
    grid.setOnDrawCell([](ThmDBGrid& g, QPainter& painter, QStyleOptionViewItem& option, const QModelIndex& index) {
        const QString field = g.gridColumn(index.column()).field;
        const int row = index.row();
        const bool user = g.rowValue(row, s("User")).toBool();
        const bool pdb = g.rowValue(row, s("PDB")).toBool();
        const bool unitColumn = field == QLatin1String("_UNIT");
        const bool noUnit = unitColumn && g.rowValue(row, s("_UNIT")).toString().trimmed().isEmpty();
        const bool info = (user && (unitColumn || field == QLatin1String("_PROP"))) ||
                          (!user && pdb && field == QLatin1String("Value"));
        if (info || noUnit)
            option.backgroundBrush = ReadOnlyColor();
        g.defaultDrawCell(painter, option);
        if (noUnit) {
            painter.setPen(option.palette.color(QPalette::Text));
            painter.drawLine(option.rect.topLeft(), option.rect.bottomRight());
        }
    });
}

// --- alternatives ----------------------------------------------------------------------------------

bool GridAlternate(TFormData& data, ThmDBGrid& grid, int column, QWidget* parent)
{
    if (column < 0 || column >= grid.columns().size())
        return false;
    const QString field = grid.gridColumn(column).field;
    const bool products = field == QLatin1String("_ALTER_PROD");
    if (!products && field != QLatin1String("_ALTER_ACC"))
        return false;
    db::Dataset* items = grid.dataset();
    if (!items || !items->isActive() || items->isEmpty())
        return false;
    db::Dataset& candidates = data.table(products ? s("TableAltProducts") : s("TableAltAccessories"));
    db::DataSource& candidateSource = data.source(products ? s("SourceAltProducts") : s("SourceAltAccessories"));
    bool stored = false;
    runGuarded([&] {
        if (!items->checkBrowseMode())
            return;
        const QString itemID = items->fieldByName(s("ID")).asString();
        // Other workstations or other views may have changed which items
        // are free to be stood in for.
        items->refresh();
        if (!candidates.isActive())
            candidates.open();
        candidates.refresh();
        if (!items->locate(s("ID"), itemID) || candidates.isEmpty())
            return;
        const QString alternateFor = items->fieldByName(s("AlternateFor")).asString();
        if (alternateFor.isEmpty() || !candidates.locate(s("ID"), alternateFor))
            candidates.first();

        TDlgAltProdAcc dialog(candidateSource, parent ? parent : grid.window());
        TranslateForm(dialog);
        if (ExecDialog(dialog) != QDialog::Accepted || candidates.isEmpty())
            return;
        const QString chosen = candidates.fieldByName(s("ID")).asString();
        items->edit();
        items->fieldByName(s("AlternateFor")).setValue(chosen);
        stored = items->post();
        items->refresh();
        candidates.refresh();
    });
    return stored;
}

void ConnectGridAlternate(TFormData& data, ThmDBGrid& grid)
{
    QObject::connect(&grid, &ThmDBGrid::clicked, &grid, [&data, g = &grid](const QModelIndex& index) {
        if (index.isValid())
            GridAlternate(data, *g, index.column());
    });
}

bool GridBeforeEditingAlternate(ThmDBGrid& grid, const db::Field& field, int column)
{
    Q_UNUSED(column);
    if (!field.isValid() || field.name() != QLatin1String("Alternate"))
        return true;
    // The key handler names the field left and the column reached; the
    // column to lock is the one that shows the flag.
    for (int c = 0; c < grid.columns().size(); ++c) {
        if (grid.gridColumn(c).field == QLatin1String("Alternate"))
            grid.setColumnReadOnly(c, !field.asBoolean());
    }
    return true;
}

// --- title clicks ----------------------------------------------------------------------------------

bool InputColumnValue(const QString& caption, const QString& prompt, QString& value)
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(s("DlgInput"));
    dialog.setWindowTitle(caption);
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(prompt, &dialog);
    label->setObjectName(s("Prompt"));
    label->setWordWrap(true);
    auto* edit = new QLineEdit(value, &dialog);
    edit->setObjectName(s("Input"));
    edit->setMinimumWidth(320);
    layout->addWidget(label);
    layout->addWidget(edit);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QDialogButtonBox::Ok)->setObjectName(s("BtnOK"));
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(s("BtnCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    TranslateForm(dialog);
    edit->selectAll();
    edit->setFocus();
    if (ExecDialog(dialog) != QDialog::Accepted)
        return false;
    value = edit->text();
    return true;
}

TFormData::ColumnAction GridTitleClick(TFormData& data, ThmDBGrid& grid, TFormData::PriceGrid kind, int column,
                                       const TitleClickHooks& hooks)
{
    using Action = TFormData::ColumnAction;
    if (column < 0 || column >= grid.columns().size())
        return Action::None;
    const QString field = grid.gridColumn(column).field;
    const QString title = grid.model()->headerData(column, Qt::Horizontal).toString();
    const TFormData::ValueInput input = hooks.input ? hooks.input : TFormData::ValueInput(InputColumnValue);
    Action action = Action::None;
    if (!runGuarded([&] { action = data.SetProjectFactor(kind, field, title, input); }))
        return Action::Failed;
    if (action == Action::OpenDiscounts) {
        if (hooks.openDiscounts)
            hooks.openDiscounts();
        else
            OptionsDiscounts(data, true, true, grid.window());
    }
    return action;
}

void ConnectTitleClicks(TFormData& data, ThmDBGrid& grid, TFormData::PriceGrid kind,
                        std::function<TitleClickHooks()> hooks)
{
    QObject::connect(&grid, &ThmDBGrid::titleClicked, &grid, [&data, g = &grid, kind, hooks](int column) {
        GridTitleClick(data, *g, kind, column, hooks ? hooks() : TitleClickHooks{});
    });
}

bool TechDataTitleClick(ThmDBGrid& grid, int column, const std::function<void()>& openUnits)
{
    if (column < 0 || column >= grid.columns().size() || grid.gridColumn(column).field != QLatin1String("_UNIT"))
        return false;
    if (openUnits)
        openUnits();
    return true;
}

// --- lookup columns picked from a list -------------------------------------------------------------

bool PickLookupValue(ThmDBGrid& grid, const QString& keyField, const QString& value)
{
    db::Dataset* ds = grid.dataset();
    if (!ds || !ds->isActive() || ds->isEmpty() || ds->isReadOnly() || grid.isReadOnly() ||
        !(grid.options() & ThmDBGrid::Option::Editing))
        return false;
    bool stored = false;
    runGuarded([&] {
        const bool editing = ds->state() == db::DatasetState::Edit || ds->state() == db::DatasetState::Insert;
        if (!editing && !ds->edit())
            return;
        ds->fieldByName(keyField).setValue(value);
        // A change handler may have posted the row already.
        stored = ds->state() == db::DatasetState::Browse || ds->post();
    });
    return stored;
}

namespace {

void offerLookupEntries(ThmDBGrid& grid, const QModelIndex& index, const QString& keyField,
                        const std::function<QStringList()>& entries)
{
    QStringList names;
    try {
        names = entries ? entries() : QStringList();
    } catch (...) {
        return;
    }
    if (names.isEmpty())
        return;
    auto* menu = new QMenu(&grid);
    menu->setObjectName(QStringLiteral("PopupLookupPick"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const QString& name : std::as_const(names)) {
        QAction* action = menu->addAction(name);
        QObject::connect(action, &QAction::triggered, &grid,
                         [g = &grid, keyField, name] { PickLookupValue(*g, keyField, name); });
    }
    menu->popup(grid.viewport()->mapToGlobal(grid.visualRect(index).bottomLeft()));
}

class LookupKeyFilter : public QObject {
public:
    LookupKeyFilter(ThmDBGrid& grid, QString lookupField, QString keyField, std::function<QStringList()> entries)
        : QObject(&grid)
        , m_grid(&grid)
        , m_lookupField(std::move(lookupField))
        , m_keyField(std::move(keyField))
        , m_entries(std::move(entries))
    {}

    void offer(const QModelIndex& index)
    {
        if (!index.isValid() || m_grid->gridColumn(index.column()).field != m_lookupField ||
            index.row() != m_grid->gridModel()->currentRow())
            return;
        offerLookupEntries(*m_grid, index, m_keyField, m_entries);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_grid && event->type() == QEvent::KeyPress) {
            auto* e = static_cast<QKeyEvent*>(event);
            const bool pick = (e->key() == Qt::Key_F2 && e->modifiers() == Qt::NoModifier) ||
                              (e->key() == Qt::Key_Down && e->modifiers() == Qt::AltModifier);
            const QModelIndex index = m_grid->currentIndex();
            if (pick && index.isValid() && m_grid->gridColumn(index.column()).field == m_lookupField) {
                offer(index);
                return true;
            }
        }
        return false;
    }

private:
    ThmDBGrid* m_grid;
    QString m_lookupField;
    QString m_keyField;
    std::function<QStringList()> m_entries;
};

} // namespace

void LookupPickColumn(ThmDBGrid& grid, const QString& lookupField, const QString& keyField,
                      std::function<QStringList()> entries)
{
    auto* filter = new LookupKeyFilter(grid, lookupField, keyField, std::move(entries));
    grid.installEventFilter(filter);
    QObject::connect(&grid, &ThmDBGrid::clicked, filter, [filter](const QModelIndex& index) { filter->offer(index); });
}

// --- columns dragged out ---------------------------------------------------------------------------

namespace {

// Follows a drag of a column title and takes the column out of the grid
// when the title is dropped left of or above the grid.
class DragOutFilter : public QObject {
public:
    DragOutFilter(ThmDBGrid& grid)
        : QObject(&grid)
        , m_grid(&grid)
    {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        Q_UNUSED(watched);
        QHeaderView* header = m_grid->horizontalHeader();
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(event);
            m_section = e->button() == Qt::LeftButton ? header->logicalIndexAt(e->position().toPoint()) : -1;
            m_pressAt = e->position().toPoint();
            m_dragging = false;
            break;
        }
        case QEvent::MouseMove: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (m_section >= 0 && (e->position().toPoint() - m_pressAt).manhattanLength() >=
                                      QApplication::startDragDistance())
                m_dragging = true;
            break;
        }
        case QEvent::MouseButtonRelease: {
            auto* e = static_cast<QMouseEvent*>(event);
            const int section = m_section;
            const bool dragged = m_dragging;
            m_section = -1;
            m_dragging = false;
            if (e->button() != Qt::LeftButton || section < 0 || !dragged)
                break;
            const QPoint at = m_grid->mapFromGlobal(e->globalPosition().toPoint());
            if (at.x() >= 0 && at.y() >= 0)
                break;
            // The header finishes its own drop first; the column goes after.
            QPointer<ThmDBGrid> grid = m_grid;
            const QString field = m_grid->gridColumn(section).field;
            QMetaObject::invokeMethod(
                m_grid,
                [grid, section, field] {
                    if (!grid || section >= grid->columns().size() || grid->gridColumn(section).field != field)
                        return;
                    try {
                        grid->removeGridColumn(section);
                    } catch (...) {
                        // A column that cannot be removed stays.
                    }
                },
                Qt::QueuedConnection);
            break;
        }
        default: break;
        }
        return false;
    }

private:
    ThmDBGrid* m_grid;
    int m_section = -1;
    QPoint m_pressAt;
    bool m_dragging = false;
};

} // namespace

void RemoveColumnsDraggedOut(ThmDBGrid& grid)
{
    grid.horizontalHeader()->setSectionsMovable(true);
    grid.horizontalHeader()->viewport()->installEventFilter(new DragOutFilter(grid));
}

// --- copying ---------------------------------------------------------------------------------------

QString ControlToText(const ThmDBGrid& grid, bool techData)
{
    try {
        const QString text = grid.toText();
        if (!techData || text.isEmpty())
            return text;
        QStringList kept;
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            if (!line.section(QLatin1Char('\t'), 1, 1).trimmed().isEmpty())
                kept << line;
        }
        return kept.join(QLatin1Char('\n'));
    } catch (...) {
        return {};
    }
}

bool CopyTextToClipboard(const QString& text)
{
    if (text.isEmpty())
        return false;
    QApplication::clipboard()->setText(text);
    return true;
}

QMenu* PopupGrid(ThmDBGrid& grid, bool techData, std::function<QString()> text)
{
    auto* menu = new QMenu(&grid);
    menu->setObjectName(s("PopupGrid"));
    QAction* copy = menu->addAction(s("Copy"));
    copy->setObjectName(s("PopupGridCopyNormal"));
    QAction* transformed = menu->addAction(s("Copy (transformed)"));
    transformed->setObjectName(s("PopupGridCopyTransformed"));

    auto produce = [g = &grid, techData, text]() -> QString {
        try {
            return text ? text() : ControlToText(*g, techData);
        } catch (...) {
            return {};
        }
    };
    QObject::connect(copy, &QAction::triggered, &grid, [produce] { CopyTextToClipboard(produce()); });
    QObject::connect(transformed, &QAction::triggered, &grid,
                     [produce] { CopyTextToClipboard(TransposeText(produce())); });
    grid.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&grid, &QWidget::customContextMenuRequested, menu,
                     [menu, g = &grid](const QPoint& at) { menu->popup(g->viewport()->mapToGlobal(at)); });
    return menu;
}

} // namespace kiro
