#pragma once

#include "controls/GridModel.h"

#include <QFlags>
#include <QStyleOptionViewItem>
#include <QTableView>

#include <functional>

class QPainter;

namespace kiro {

class GridDelegate;

// The data grid of the detail tabs and dialogs: a table view over a
// GridModel whose current row is the dataset's current record, both ways.
//
// Editing follows the dataset's rules: typing in a cell puts the record into
// edit state (AutoEdit), the cell's value is written when the cell editor
// closes, and the record is posted when the grid leaves the row or on
// Return (Escape without a cell editor cancels). Boolean fields are check
// boxes that a click, F2, Return or Space toggles and posts at once; memo
// fields show their lines and never open a cell editor.
//
// The grid never creates a record from the keyboard (unless PreventAdding
// is switched off): Insert is ignored, Down stops at the last record, and
// Tab after the last editable column goes to the first editable column of
// the next record (of the same record at the end).
//
// hmOnBeforeEditing runs before a key or a click acts on a data cell and
// before a cell editor opens; the handler may change read-only flags or the
// current cell, or return false to refuse. Main thread only.
class ThmDBGrid : public QTableView {
    Q_OBJECT
public:
    enum class Option {
        Editing = 0x1,
        Titles = 0x2,
        Indicator = 0x4,
        ColumnResize = 0x8,
        GridLines = 0x10,
        Tabs = 0x20, // Tab moves between cells instead of to the next control
        RowSelect = 0x40,
        ConfirmDelete = 0x80, // Ctrl+Delete asks before deleting the record
        CancelOnExit = 0x100, // leaving the grid cancels an unchanged new record
    };
    Q_DECLARE_FLAGS(Options, Option)
    // Everything but RowSelect.
    static Options defaultOptions();

    using BeforeEditingHandler = std::function<bool(ThmDBGrid& grid, const db::Field& field, int column)>;
    // Draws a cell that is neither boolean nor memo. `option` is prepared
    // (colours, font, alignment, text); the handler may change it and call
    // defaultDrawCell, or draw on its own.
    using DrawCellHandler =
        std::function<void(ThmDBGrid& grid, QPainter& painter, QStyleOptionViewItem& option, const QModelIndex& index)>;
    using RowColorHandler = GridModel::RowColorHandler;

    explicit ThmDBGrid(QWidget* parent = nullptr);
    ~ThmDBGrid() override;

    void setDataSource(db::DataSource* source);
    db::DataSource* dataSource() const;
    db::Dataset* dataset() const;
    GridModel* gridModel() const { return m_model; }

    void setColumns(const QList<GridColumn>& columns);
    const QList<GridColumn>& columns() const { return m_model->columns(); }
    const GridColumn& gridColumn(int column) const { return m_model->column(column); }
    void setColumnReadOnly(int column, bool readOnly) { m_model->setColumnReadOnly(column, readOnly); }
    void setGridColumnVisible(int column, bool visible);
    void removeGridColumn(int column) { m_model->removeGridColumn(column); }

    void setOptions(Options options);
    Options options() const { return m_options; }
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    void setPreventAdding(bool prevent) { m_preventAdding = prevent; }
    bool preventAdding() const { return m_preventAdding; }

    void setHmOnBeforeEditing(BeforeEditingHandler handler) { m_beforeEditing = std::move(handler); }
    void setOnDrawCell(DrawCellHandler handler);
    void setRowColorHandler(RowColorHandler handler) { m_model->setRowColorHandler(std::move(handler)); }
    void defaultDrawCell(QPainter& painter, const QStyleOptionViewItem& option) const;

    // The data column of the current cell (-1 when there is none) and its field.
    int currentColumn() const;
    void setCurrentColumn(int column);
    db::Field selectedField() const { return m_model->field(currentColumn()); }
    // A field's value in a model row (for row colours and cell drawing).
    QVariant rowValue(int row, const QString& field) const { return m_model->rowValue(row, field); }

    // Moves the dataset to a model row, posting or cancelling the record
    // left as the dataset does. False when refused or failed (shown).
    bool moveToRow(int row);
    // The check-box toggle of the current cell: edit, flip, post.
    bool toggleCurrent();

    // The grid as text: the titles of the visible columns (when titles are
    // shown) and one line per row, cells separated by TAB. Boolean columns
    // are left out, and so are columns empty in every row; when no column is
    // left, only the title line of the columns shown is given. Line breaks
    // inside a cell become blanks. The cursor does not move.
    QString toText() const;

    // One check box, as the style draws it; measured once per process.
    static QSize checkBoxSize();

signals:
    void titleClicked(int column);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    // Typing in a cell that cannot be edited does not jump to a row
    // starting with the typed text: every jump would post the record.
    void keyboardSearch(const QString& search) override;

private:
    friend class GridDelegate;

    bool editingAllowed() const;
    bool fireBeforeEditing(const db::Field& field, int column);
    bool beforeEditorOpens(const QModelIndex& index);
    void editorTextEdited(QWidget* editor);
    void commitOpenEditor();
    void followCursor();
    void applyColumnLayout();
    void tabForward();
    bool handleBooleanPress(QMouseEvent* event);
    void postRecord();
    void cancelRecord();
    void deleteRecord();
    int firstVisibleColumn() const;
    QItemSelectionModel::SelectionFlags selectionFlags() const;

    GridModel* m_model;
    GridDelegate* m_delegate;
    Options m_options;
    bool m_readOnly = false;
    bool m_preventAdding = true;
    BeforeEditingHandler m_beforeEditing;
    DrawCellHandler m_drawCell;
    bool m_following = false;
    bool m_inRowChange = false;
    bool m_pressHandled = false;
    bool m_applyingLayout = false;
    int m_firedCount = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(ThmDBGrid::Options)

// Line i of the result holds the i-th cell of every line of `text`, cells
// separated by TAB; a line with fewer cells gives an empty one.
QString TransposeText(const QString& text);

} // namespace kiro
