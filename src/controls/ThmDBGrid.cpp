#include "controls/ThmDBGrid.h"

#include "app/core/Messages.h"
#include "controls/FieldLink.h"
#include "db/Dataset.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyle>
#include <QStyledItemDelegate>

#include <vector>

namespace kiro {

namespace {

const char* const kEditedProperty = "kiroEdited";

bool isEdited(const QWidget* editor)
{
    return editor && editor->property(kEditedProperty).toBool();
}

bool isEditingState(const db::Dataset* ds)
{
    return ds && (ds->state() == db::DatasetState::Edit || ds->state() == db::DatasetState::Insert);
}

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text;
}

} // namespace

// Draws check boxes and memo cells itself, hands the other cells to the
// grid's drawing hook, and edits every other field as text. An editor
// writes only when the user typed into it, so opening and leaving a cell
// never puts the record into edit state.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(ThmDBGrid& grid)
        : QStyledItemDelegate(&grid)
        , m_grid(grid)
    {}

    void setCellColor(const QColor& color) { m_cellColor = color; }
    QLineEdit* openEditor() const { return m_editor; }
    QModelIndex openEditorIndex() const { return m_editorIndex; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const GridModel& model = *m_grid.gridModel();
        if (model.isBooleanColumn(index.column())) {
            drawCheckCell(*painter, opt, index);
        } else if (model.isMemoColumn(index.column())) {
            drawMemoCell(*painter, opt, index);
        } else if (m_grid.m_drawCell) {
            painter->save();
            try {
                m_grid.m_drawCell(m_grid, *painter, opt, index);
            } catch (...) {
                // A failing owner drawing leaves the cell as the default draws it.
                painter->restore();
                painter->save();
                m_grid.defaultDrawCell(*painter, opt);
            }
            painter->restore();
        } else {
            m_grid.defaultDrawCell(*painter, opt);
        }
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        Q_UNUSED(option);
        if (!m_grid.beforeEditorOpens(index)) {
            return nullptr;
        }
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        QPalette palette = editor->palette();
        palette.setColor(QPalette::Base, m_cellColor);
        editor->setPalette(palette);
        const db::Field field = m_grid.gridModel()->field(index.column());
        if (field.isValid() && field.type() == db::FieldType::Text && field.size() > 0) {
            editor->setMaxLength(field.size());
        }
        editor->setAlignment(Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()));
        QObject::connect(editor, &QLineEdit::textEdited, &m_grid,
                         [grid = &m_grid, editor] { grid->editorTextEdited(editor); });
        m_editor = editor;
        m_editorIndex = index;
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        // The record changing under an editor the user typed into must not
        // take the typed text away.
        if (isEdited(editor)) {
            return;
        }
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            line->setText(index.data(Qt::EditRole).toString());
        }
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line || !isEdited(line)) {
            return;
        }
        if (model->setData(index, line->text(), Qt::EditRole)) {
            line->setProperty(kEditedProperty, false);
        }
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        if (editor == m_editor) {
            m_editor = nullptr;
            m_editorIndex = QPersistentModelIndex();
        }
        QStyledItemDelegate::destroyEditor(editor, index);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->backgroundBrush.style() == Qt::NoBrush) {
            option->backgroundBrush = m_cellColor;
        }
    }

private:
    QPalette::ColorGroup colorGroup(const QStyleOptionViewItem& opt) const
    {
        if (!(opt.state & QStyle::State_Enabled)) {
            return QPalette::Disabled;
        }
        return (opt.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
    }

    void fillCell(QPainter& painter, const QStyleOptionViewItem& opt) const
    {
        const bool selected = opt.state & QStyle::State_Selected;
        painter.fillRect(opt.rect,
                         selected ? opt.palette.brush(colorGroup(opt), QPalette::Highlight) : opt.backgroundBrush);
    }

    void drawFocus(QPainter& painter, const QStyleOptionViewItem& opt) const
    {
        if (!(opt.state & QStyle::State_HasFocus)) {
            return;
        }
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(opt);
        focus.rect = opt.rect.adjusted(1, 1, -1, -1);
        focus.backgroundColor = opt.palette.color(
            colorGroup(opt), (opt.state & QStyle::State_Selected) ? QPalette::Highlight : QPalette::Base);
        m_grid.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, &m_grid);
    }

    void drawCheckCell(QPainter& painter, const QStyleOptionViewItem& opt, const QModelIndex& index) const
    {
        fillCell(painter, opt);
        drawFocus(painter, opt);
        QStyleOptionButton box;
        box.QStyleOption::operator=(opt);
        box.rect = QStyle::alignedRect(opt.direction, Qt::AlignCenter, ThmDBGrid::checkBoxSize(), opt.rect);
        const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        box.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
        m_grid.style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &painter, &m_grid);
    }

    void drawMemoCell(QPainter& painter, const QStyleOptionViewItem& opt, const QModelIndex& index) const
    {
        fillCell(painter, opt);
        drawFocus(painter, opt);
        const bool selected = opt.state & QStyle::State_Selected;
        painter.save();
        painter.setClipRect(opt.rect);
        painter.setFont(opt.font);
        painter.setPen(opt.palette.color(colorGroup(opt), selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(opt.rect.adjusted(2, 3, -2, 0), Qt::AlignLeft | Qt::AlignTop,
                         index.data(Qt::DisplayRole).toString());
        painter.restore();
    }

    ThmDBGrid& m_grid;
    QColor m_cellColor;
    mutable QPointer<QLineEdit> m_editor;
    mutable QPersistentModelIndex m_editorIndex;
};

// --- ThmDBGrid ---------------------------------------------------------------------------

ThmDBGrid::Options ThmDBGrid::defaultOptions()
{
    return Option::Editing | Option::Titles | Option::Indicator | Option::ColumnResize | Option::GridLines |
           Option::Tabs | Option::ConfirmDelete | Option::CancelOnExit;
}

QSize ThmDBGrid::checkBoxSize()
{
    static const QSize size = [] {
        const QStyle* style = QApplication::style();
        return QSize(style->pixelMetric(QStyle::PM_IndicatorWidth), style->pixelMetric(QStyle::PM_IndicatorHeight));
    }();
    return size;
}

ThmDBGrid::ThmDBGrid(QWidget* parent)
    : QTableView(parent)
    , m_model(new GridModel(this))
    , m_delegate(new GridDelegate(*this))
    , m_options(defaultOptions())
{
    checkBoxSize();
    setModel(m_model);
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setWordWrap(false);

    // Uniform row heights keep thousands of rows cheap to lay out.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(fontMetrics().height() + 4);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);

    // The area beyond the last row and column shows the work-space colour;
    // the cells keep the usual base colour.
    QPalette palette = viewport()->palette();
    m_delegate->setCellColor(palette.color(QPalette::Base));
    palette.setColor(QPalette::Base, palette.color(QPalette::Dark));
    viewport()->setPalette(palette);

    connect(m_model, &GridModel::cursorMoved, this, &ThmDBGrid::followCursor);
    connect(m_model, &QAbstractItemModel::modelReset, this, &ThmDBGrid::applyColumnLayout);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &ThmDBGrid::titleClicked);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (!m_applyingLayout && size > 0) {
            m_model->setColumnWidth(column, size); // a width the user chose survives a reset
        }
    });
    m_model->setUpdateRecordHandler([this] { commitOpenEditor(); });
    setOptions(m_options);
}

ThmDBGrid::~ThmDBGrid()
{
    m_model->setUpdateRecordHandler({});
}

void ThmDBGrid::setDataSource(db::DataSource* source)
{
    m_model->setDataSource(source);
}

db::DataSource* ThmDBGrid::dataSource() const
{
    return m_model->dataSource();
}

db::Dataset* ThmDBGrid::dataset() const
{
    return m_model->dataset();
}

void ThmDBGrid::setColumns(const QList<GridColumn>& columns)
{
    m_model->setColumns(columns);
}

void ThmDBGrid::setGridColumnVisible(int column, bool visible)
{
    m_model->setColumnVisible(column, visible);
    setColumnHidden(column, !visible);
}

void ThmDBGrid::setOptions(Options options)
{
    m_options = options;
    horizontalHeader()->setVisible(options & Option::Titles);
    verticalHeader()->setVisible(options & Option::Indicator);
    horizontalHeader()->setSectionResizeMode(options & Option::ColumnResize ? QHeaderView::Interactive
                                                                            : QHeaderView::Fixed);
    setShowGrid(options & Option::GridLines);
    setTabKeyNavigation(options & Option::Tabs);
    setSelectionBehavior(options & Option::RowSelect ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    m_model->setEditable(editingAllowed());
}

void ThmDBGrid::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    m_model->setEditable(editingAllowed());
}

bool ThmDBGrid::editingAllowed() const
{
    return (m_options & Option::Editing) && !m_readOnly;
}

void ThmDBGrid::setOnDrawCell(DrawCellHandler handler)
{
    m_drawCell = std::move(handler);
    viewport()->update();
}

void ThmDBGrid::defaultDrawCell(QPainter& painter, const QStyleOptionViewItem& option) const
{
    style()->drawControl(QStyle::CE_ItemViewItem, &option, &painter, this);
}

int ThmDBGrid::currentColumn() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.column() : -1;
}

QItemSelectionModel::SelectionFlags ThmDBGrid::selectionFlags() const
{
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
    if (m_options & Option::RowSelect) {
        flags |= QItemSelectionModel::Rows;
    }
    return flags;
}

void ThmDBGrid::setCurrentColumn(int column)
{
    const int row = m_model->currentRow();
    if (row < 0 || row >= m_model->rowCount() || column < 0 || column >= m_model->columnCount()) {
        return;
    }
    const QModelIndex index = m_model->index(row, column);
    if (index != currentIndex()) {
        selectionModel()->setCurrentIndex(index, selectionFlags());
    }
    scrollTo(index);
}

int ThmDBGrid::firstVisibleColumn() const
{
    const QHeaderView* header = horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!isColumnHidden(logical)) {
            return logical;
        }
    }
    return -1;
}

void ThmDBGrid::applyColumnLayout()
{
    m_applyingLayout = true;
    const QList<GridColumn>& columns = m_model->columns();
    for (int i = 0; i < columns.size(); ++i) {
        setColumnHidden(i, !columns.at(i).visible);
        if (columns.at(i).width > 0) {
            setColumnWidth(i, columns.at(i).width);
        }
    }
    m_applyingLayout = false;
}

void ThmDBGrid::followCursor()
{
    const int row = m_model->currentRow();
    if (row < 0 || row >= m_model->rowCount()) {
        return;
    }
    int column = currentColumn();
    if (column < 0 || isColumnHidden(column)) {
        column = firstVisibleColumn();
    }
    if (column < 0) {
        return;
    }
    const QModelIndex index = m_model->index(row, column);
    const bool rowChanged = currentIndex().row() != row;
    if (index != currentIndex() || !selectionModel()->isSelected(index)) {
        m_following = true;
        selectionModel()->setCurrentIndex(index, selectionFlags());
        m_following = false;
    }
    if (rowChanged) {
        scrollTo(index);
    }
}

bool ThmDBGrid::moveToRow(int row)
{
    db::Dataset* ds = dataset();
    if (!ds || !ds->isActive() || row < 0 || row >= m_model->rowCount()) {
        return false;
    }
    const int current = m_model->currentRow();
    if (row == current) {
        return true;
    }
    bool moved = false;
    runGuarded([&] {
        // The row is counted among the stored rows as they are now. Posting
        // the record being left can take it out of its place and put it
        // back elsewhere (index order) or drop it (filter); the target is
        // adjusted so that the grid lands on the row the user chose.
        const bool inserting = ds->state() == db::DatasetState::Insert;
        int target = inserting && row > current ? row - 1 : row;
        if (isEditingState(ds)) {
            const int before = ds->recordCount();
            const int edited = inserting ? -1 : current;
            if (!ds->checkBrowseMode()) {
                return;
            }
            const bool kept = ds->recordCount() == (inserting ? before + 1 : before);
            if (!inserting && target > edited) {
                --target;
            }
            if (kept && target >= ds->recNo() - 1) {
                ++target;
            }
        }
        if (ds->isEmpty()) {
            return;
        }
        target = std::clamp(target, 0, ds->recordCount() - 1);
        moved = ds->setRecNo(target + 1);
    });
    followCursor();
    return moved;
}

void ThmDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    // Qt closes a cell editor left for another row with SubmitModelCache;
    // the record is posted by the move below, not by the editor closing.
    m_inRowChange = current.row() != previous.row();
    QTableView::currentChanged(current, previous);
    m_inRowChange = false;
    if (m_following || !current.isValid()) {
        return;
    }
    if (current.row() != m_model->currentRow()) {
        moveToRow(current.row());
    }
}

void ThmDBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    switch (hint) {
    case QAbstractItemDelegate::SubmitModelCache: // Return in the editor
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        if (!m_inRowChange) {
            postRecord();
        }
        return;
    case QAbstractItemDelegate::EditNextItem: // Tab in the editor
        if (m_preventAdding && (m_options & Option::Tabs)) {
            QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
            tabForward();
            return;
        }
        break;
    case QAbstractItemDelegate::RevertModelCache: { // Escape in the editor
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        db::Dataset* ds = dataset();
        if (ds && ds->state() == db::DatasetState::Edit && !ds->isModified()) {
            runGuarded([&] { ds->cancel(); });
        }
        return;
    }
    default: break;
    }
    QTableView::closeEditor(editor, hint);
}

void ThmDBGrid::keyboardSearch(const QString& search)
{
    Q_UNUSED(search);
}

bool ThmDBGrid::fireBeforeEditing(const db::Field& field, int column)
{
    ++m_firedCount;
    if (!m_beforeEditing || !field.isValid()) {
        return true;
    }
    bool allowed = true;
    if (!runGuarded([&] { allowed = m_beforeEditing(*this, field, column); })) {
        allowed = false;
    }
    return allowed;
}

bool ThmDBGrid::beforeEditorOpens(const QModelIndex& index)
{
    const int column = index.column();
    if (!fireBeforeEditing(m_model->field(column), column)) {
        return false;
    }
    // The handler may just have made the column read-only.
    return index.row() == m_model->currentRow() && m_model->canEditCell(column) && !m_model->isBooleanColumn(column) &&
           !m_model->isMemoColumn(column);
}

void ThmDBGrid::editorTextEdited(QWidget* editor)
{
    editor->setProperty(kEditedProperty, true);
    if (isEditingState(dataset())) {
        return;
    }
    // The first key typed puts the record into edit state, so that leaving
    // the record from anywhere (a navigator, another control) writes the
    // text first.
    bool editing = false;
    runGuarded([&] { editing = m_model->startEdit(); });
    if (!editing) {
        editor->setProperty(kEditedProperty, false);
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void ThmDBGrid::commitOpenEditor()
{
    QLineEdit* editor = m_delegate->openEditor();
    if (!isEdited(editor)) {
        return;
    }
    const QModelIndex index = m_delegate->openEditorIndex();
    if (!index.isValid()) {
        return;
    }
    // Called while the dataset posts: a value the field refuses stops the
    // post, and the editor keeps the text.
    m_model->writeCell(index.row(), index.column(), editor->text());
    editor->setProperty(kEditedProperty, false);
}

void ThmDBGrid::postRecord()
{
    db::Dataset* ds = dataset();
    if (isEditingState(ds)) {
        runGuarded([&] { ds->post(); });
    }
}

void ThmDBGrid::cancelRecord()
{
    db::Dataset* ds = dataset();
    if (isEditingState(ds)) {
        runGuarded([&] { ds->cancel(); });
    }
}

void ThmDBGrid::deleteRecord()
{
    db::Dataset* ds = dataset();
    if (!editingAllowed() || !ds || !ds->isActive() || ds->isReadOnly() || ds->isEmpty()) {
        return;
    }
    runGuarded([&] {
        if ((m_options & Option::ConfirmDelete) &&
            MsgDialog(QStringLiteral("Delete record?"), {}, MsgCodeOK, {MsgCodeOK, MsgCodeCancel}) != MsgCodeOK) {
            return;
        }
        ds->deleteRecord();
    });
}

bool ThmDBGrid::toggleCurrent()
{
    const int column = currentColumn();
    if (column < 0 || column >= m_model->columnCount() || m_model->isColumnReadOnly(column) ||
        !m_model->isBooleanColumn(column)) {
        return false;
    }
    bool done = false;
    // A post that fails is shown and leaves the record in edit state with
    // the new value, so that the user can correct it or cancel.
    runGuarded([&] {
        if (!m_model->startEdit()) {
            return;
        }
        db::Field field = m_model->field(column);
        field.setValue(!field.asBoolean());
        done = dataset()->post();
    });
    return done;
}

void ThmDBGrid::tabForward()
{
    const int row = m_model->currentRow();
    const int column = currentColumn();
    if (row < 0 || column < 0) {
        return;
    }
    std::vector<int> visible;
    const QHeaderView* header = horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!isColumnHidden(logical)) {
            visible.push_back(logical);
        }
    }
    const int count = int(visible.size());
    int first = -1;
    for (int i = 0; i < count - 1; ++i) {
        if (!m_model->isColumnReadOnly(visible[size_t(i)])) {
            first = i;
            break;
        }
    }
    int last = -1;
    for (int i = count - 1; i >= 1; --i) {
        if (!m_model->isColumnReadOnly(visible[size_t(i)])) {
            last = i;
            break;
        }
    }
    const int position = int(std::find(visible.begin(), visible.end(), column) - visible.begin());
    if (last < 0 || position >= last) {
        setCurrentColumn(first >= 0 ? visible[size_t(first)] : column);
        if (row + 1 < m_model->rowCount()) {
            moveToRow(row + 1);
        }
    } else {
        setCurrentColumn(visible[size_t(position + 1)]);
    }
}

void ThmDBGrid::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta) {
        QTableView::keyPressEvent(event);
        return;
    }
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool plain = modifiers == Qt::NoModifier;
    const bool returnKey = key == Qt::Key_Return || key == Qt::Key_Enter;
    const int column = currentColumn();
    const bool onRecord = column >= 0 && currentIndex().row() == m_model->currentRow();
    m_firedCount = 0;

    if (onRecord && plain && m_model->isBooleanColumn(column) &&
        (key == Qt::Key_F2 || returnKey || key == Qt::Key_Space)) {
        if (fireBeforeEditing(m_model->field(column), column)) {
            toggleCurrent();
        }
        event->accept();
        return;
    }

    const db::Field before = selectedField();
    bool handled = true;
    if (m_preventAdding && key == Qt::Key_Insert) {
        // No record is created from the keyboard.
    } else if (m_preventAdding && key == Qt::Key_Down && plain) {
        const int row = m_model->currentRow();
        if (row >= 0 && row + 1 < m_model->rowCount()) {
            moveToRow(row + 1);
        }
    } else if (m_preventAdding && key == Qt::Key_Tab && plain && (m_options & Option::Tabs)) {
        tabForward();
    } else if (returnKey && plain && isEditingState(dataset())) {
        postRecord();
    } else if (key == Qt::Key_Escape && plain && isEditingState(dataset())) {
        cancelRecord();
    } else if (key == Qt::Key_Delete && modifiers == Qt::ControlModifier) {
        deleteRecord();
    } else {
        handled = false;
        QTableView::keyPressEvent(event);
    }
    if (handled) {
        event->accept();
    }
    // The owner hears of every key in a cell; a cell editor that opened on
    // the key has already asked.
    if (m_firedCount == 0 && currentColumn() >= 0) {
        fireBeforeEditing(before, currentColumn());
    }
}

bool ThmDBGrid::handleBooleanPress(QMouseEvent* event)
{
    if (!editingAllowed()) {
        return false; // not even the row is selected
    }
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!moveToRow(index.row())) {
        return false;
    }
    setFocus(Qt::MouseFocusReason);
    setCurrentColumn(index.column());
    const int column = index.column();
    if (fireBeforeEditing(m_model->field(column), column) && !m_model->isColumnReadOnly(column)) {
        return toggleCurrent();
    }
    return false;
}

void ThmDBGrid::mousePressEvent(QMouseEvent* event)
{
    m_pressHandled = false;
    m_firedCount = 0;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && m_model->isBooleanColumn(index.column())) {
        m_pressHandled = true;
        handleBooleanPress(event);
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
    // A refused move keeps the record: the selection goes back to it.
    if (currentIndex().isValid() && currentIndex().row() != m_model->currentRow()) {
        followCursor();
    }
    if (index.isValid()) {
        fireBeforeEditing(m_model->field(index.column()), index.column());
    }
}

void ThmDBGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_pressHandled) {
        m_pressHandled = false;
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
}

void ThmDBGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && m_model->isBooleanColumn(index.column())) {
        // The second click of a double click is a click too.
        m_pressHandled = true;
        m_firedCount = 0;
        handleBooleanPress(event);
        emit doubleClicked(index);
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void ThmDBGrid::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    if (!(m_options & Option::CancelOnExit) || event->reason() == Qt::PopupFocusReason ||
        event->reason() == Qt::ActiveWindowFocusReason) {
        return;
    }
    const QWidget* focus = QApplication::focusWidget();
    if (focus && isAncestorOf(focus)) {
        return; // a cell editor took the focus
    }
    db::Dataset* ds = dataset();
    if (ds && ds->state() == db::DatasetState::Insert && !ds->isModified()) {
        runGuarded([&] { ds->cancel(); });
    }
}

QString ThmDBGrid::toText() const
{
    std::vector<int> columns;
    const QHeaderView* header = horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!isColumnHidden(logical) && !m_model->isBooleanColumn(logical)) {
            columns.push_back(logical);
        }
    }
    const bool titles = m_options & Option::Titles;
    auto titleLine = [&](const std::vector<int>& shown) {
        QStringList cells;
        for (int c : shown) {
            cells << oneLine(m_model->headerData(c, Qt::Horizontal).toString());
        }
        return cells.join(QLatin1Char('\t'));
    };

    const int rows = m_model->rowCount();
    std::vector<QStringList> cells(static_cast<size_t>(rows));
    std::vector<bool> filled(columns.size(), false);
    for (int r = 0; r < rows; ++r) {
        for (size_t c = 0; c < columns.size(); ++c) {
            const QString text = oneLine(m_model->cellText(r, columns[c]));
            filled[c] = filled[c] || !text.trimmed().isEmpty();
            cells[size_t(r)] << text;
        }
    }
    std::vector<int> kept;
    std::vector<size_t> keptAt;
    for (size_t c = 0; c < columns.size(); ++c) {
        if (filled[c]) {
            kept.push_back(columns[c]);
            keptAt.push_back(c);
        }
    }
    if (kept.empty()) {
        return titles ? titleLine(columns) : QString();
    }
    QStringList lines;
    if (titles) {
        lines << titleLine(kept);
    }
    for (const QStringList& row : cells) {
        QStringList line;
        for (size_t c : keptAt) {
            line << row.at(qsizetype(c));
        }
        lines << line.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

QString TransposeText(const QString& text)
{
    if (text.isEmpty()) {
        return {};
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty()) {
        lines.removeLast(); // a closing line break ends the last line, it adds none
    }
    std::vector<QStringList> rows;
    qsizetype width = 0;
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        rows.push_back(line.split(QLatin1Char('\t')));
        width = std::max(width, rows.back().size());
    }
    QStringList result;
    for (qsizetype i = 0; i < width; ++i) {
        QStringList line;
        for (const QStringList& row : rows) {
            line << row.value(i);
        }
        result << line.join(QLatin1Char('\t'));
    }
    return result.join(QLatin1Char('\n'));
}

} // namespace kiro
