#pragma once

#include "db/DataSource.h"
#include "db/Field.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace kiro {

// One column of a data grid.
struct GridColumn {
    QString field;
    QString title;  // empty: the field name
    int width = -1; // pixels; negative: the grid's default width
    bool readOnly = false;
    QColor color;            // cell background; invalid: the grid's cell colour
    Qt::Alignment alignment; // empty: numbers to the right, everything else to the left
    bool visible = true;
    bool titleBold = false;
    // The cell text of a value (null included); empty: fieldDisplayText.
    std::function<QString(const QVariant& value)> format;

    static GridColumn of(const QString& field, const QString& title = QString(), int width = -1)
    {
        GridColumn c;
        c.field = field;
        c.title = title;
        c.width = width;
        return c;
    }
};

// The rows of a data source's dataset as a table model: one row per record
// shown, in the dataset's order, plus the new record at its place while one
// is being inserted; one column per GridColumn (one per field when no
// columns are given).
//
// Rows other than the current one are read with Dataset::rowValue, so
// drawing thousands of rows never moves the cursor. The current record is
// read from the record buffer while it is edited. The model resets only
// when the number of rows or the fields change; a field that changes
// repaints its row, a post that keeps the row count repaints the rows, a
// move repaints the two rows concerned.
//
// Writing goes to the current record only (the grid moves the cursor
// first). Main thread only.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using RowColorHandler = std::function<QColor(int row)>;

    explicit GridModel(QObject* parent = nullptr);
    ~GridModel() override;

    void setDataSource(db::DataSource* source);
    db::DataSource* dataSource() const;
    db::Dataset* dataset() const;

    void setColumns(const QList<GridColumn>& columns);
    const QList<GridColumn>& columns() const { return m_columns; }
    const GridColumn& column(int column) const;
    void setColumnReadOnly(int column, bool readOnly);
    void setColumnWidth(int column, int width);
    void setColumnVisible(int column, bool visible);
    void removeGridColumn(int column);

    // The grid's editing switch (its Editing option and ReadOnly property).
    void setEditable(bool editable);
    bool isEditable() const { return m_editable; }

    // The text colour of a row (invalid: the usual colour).
    void setRowColorHandler(RowColorHandler handler);
    // Runs when the dataset is about to post, so that a value still in a
    // cell editor reaches the record; an exception it throws stops the post.
    void setUpdateRecordHandler(std::function<void()> handler) { m_updateRecord = std::move(handler); }

    // The current record's field shown in a column; invalid when there is none.
    db::Field field(int column) const;
    db::FieldType fieldType(int column) const;
    bool isBooleanColumn(int column) const;
    bool isMemoColumn(int column) const;
    // The column cannot change its field: read-only column, grid or
    // dataset, no stored field behind it.
    bool isColumnReadOnly(int column) const;
    // The user may change the cell now (also AutoEdit or an edit in progress).
    bool canEditCell(int column) const;

    // The model row of the current record; -1 when there is none.
    int currentRow() const;
    // The typed value of a cell and its text as shown.
    QVariant cellValue(int row, int column) const;
    QString cellText(int row, int column) const;
    // The value of any field of the dataset in a row.
    QVariant rowValue(int row, const QString& field) const;

    // Puts the current record into edit state (AutoEdit); exceptions pass.
    bool startEdit();
    // Writes a cell of the current record; exceptions pass, false when the
    // cell cannot be written (another row, read-only, edit refused).
    bool writeCell(int row, int column, const QVariant& value);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;

signals:
    // The current record changed, or the rows did (after a reset too).
    void cursorMoved();

private:
    class Link;
    struct Shape {
        const db::Dataset* dataset = nullptr;
        bool active = false;
        int rows = 0;
        int insertRow = -1;
        int current = -1;
        quint64 generation = 0;
    };

    QVariant valueAt(int row, int fieldIndex) const;
    Shape currentShape() const;
    std::vector<int> resolveFields(QList<GridColumn>* defaults) const;
    void sync(bool repaintCurrent);
    void rebuild();
    void emitRowChanged(int row);
    void emitIndicatorChanged(int first, int last);

    std::unique_ptr<Link> m_link;
    QList<GridColumn> m_columns;
    bool m_defaultColumns = true; // no columns given: one per field
    std::vector<int> m_fieldIndexes;
    Shape m_shape;
    bool m_editable = true;
    RowColorHandler m_rowColor;
    std::function<void()> m_updateRecord;
};

} // namespace kiro
