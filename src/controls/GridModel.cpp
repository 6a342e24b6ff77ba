#include "controls/GridModel.h"

#include "controls/FieldLink.h"
#include "db/Dataset.h"

#include <QBrush>
#include <QFont>

namespace kiro {

namespace {

bool isNumber(db::FieldType type)
{
    return type == db::FieldType::Integer || type == db::FieldType::Short || type == db::FieldType::Float;
}

bool isEditing(const db::Dataset* ds)
{
    return ds && (ds->state() == db::DatasetState::Edit || ds->state() == db::DatasetState::Insert);
}

} // namespace

class GridModel::Link : public db::DataLink {
public:
    explicit Link(GridModel& model)
        : m_model(model)
    {}

protected:
    void dataChanged(const QString&) override { m_model.sync(true); }
    void stateChanged() override { m_model.sync(false); }
    void updateRecord() override
    {
        if (m_model.m_updateRecord) {
            m_model.m_updateRecord();
        }
    }

private:
    GridModel& m_model;
};

GridModel::GridModel(QObject* parent)
    : QAbstractTableModel(parent)
    , m_link(std::make_unique<Link>(*this))
{}

GridModel::~GridModel() = default;

void GridModel::setDataSource(db::DataSource* source)
{
    m_link->setDataSource(source);
    rebuild();
}

db::DataSource* GridModel::dataSource() const
{
    return m_link->dataSource();
}

db::Dataset* GridModel::dataset() const
{
    return m_link->dataset();
}

void GridModel::setColumns(const QList<GridColumn>& columns)
{
    m_defaultColumns = columns.isEmpty();
    m_columns = columns;
    rebuild();
}

const GridColumn& GridModel::column(int column) const
{
    static const GridColumn none;
    return column >= 0 && column < m_columns.size() ? m_columns.at(column) : none;
}

void GridModel::setColumnReadOnly(int column, bool readOnly)
{
    if (column >= 0 && column < m_columns.size()) {
        m_columns[column].readOnly = readOnly;
    }
}

void GridModel::setColumnWidth(int column, int width)
{
    if (column >= 0 && column < m_columns.size()) {
        m_columns[column].width = width;
    }
}

void GridModel::setColumnVisible(int column, bool visible)
{
    if (column >= 0 && column < m_columns.size()) {
        m_columns[column].visible = visible;
    }
}

void GridModel::removeGridColumn(int column)
{
    if (column < 0 || column >= m_columns.size()) {
        return;
    }
    beginRemoveColumns(QModelIndex(), column, column);
    m_columns.removeAt(column);
    if (size_t(column) < m_fieldIndexes.size()) {
        m_fieldIndexes.erase(m_fieldIndexes.begin() + column);
    }
    m_defaultColumns = false;
    endRemoveColumns();
}

void GridModel::setEditable(bool editable)
{
    m_editable = editable;
}

void GridModel::setRowColorHandler(RowColorHandler handler)
{
    m_rowColor = std::move(handler);
    if (m_shape.rows > 0 && !m_columns.isEmpty()) {
        emit dataChanged(index(0, 0), index(m_shape.rows - 1, int(m_columns.size()) - 1), {Qt::ForegroundRole});
    }
}

db::Field GridModel::field(int column) const
{
    db::Dataset* ds = dataset();
    if (!ds || !ds->isActive() || column < 0 || size_t(column) >= m_fieldIndexes.size()) {
        return {};
    }
    const int index = m_fieldIndexes[size_t(column)];
    if (index < 0 || index >= ds->fieldCount()) {
        return {};
    }
    return ds->field(index);
}

db::FieldType GridModel::fieldType(int column) const
{
    const db::Field f = field(column);
    return f.isValid() ? f.type() : db::FieldType::Text;
}

bool GridModel::isBooleanColumn(int column) const
{
    const db::Field f = field(column);
    return f.isValid() && f.type() == db::FieldType::Boolean;
}

bool GridModel::isMemoColumn(int column) const
{
    const db::Field f = field(column);
    return f.isValid() && f.type() == db::FieldType::Memo;
}

bool GridModel::isColumnReadOnly(int column) const
{
    if (!m_editable || column < 0 || column >= m_columns.size() || m_columns.at(column).readOnly) {
        return true;
    }
    const db::Field f = field(column);
    return !f.isValid() || f.kind() != db::FieldKind::Data || dataset()->isReadOnly();
}

bool GridModel::canEditCell(int column) const
{
    if (isColumnReadOnly(column)) {
        return false;
    }
    return isEditing(dataset()) || dataSource()->autoEdit();
}

int GridModel::currentRow() const
{
    const db::Dataset* ds = dataset();
    if (!ds || !ds->isActive()) {
        return -1;
    }
    return ds->recNo() - 1;
}

QVariant GridModel::valueAt(int row, int fieldIndex) const
{
    db::Dataset* ds = dataset();
    if (!ds || !ds->isActive() || fieldIndex < 0 || fieldIndex >= ds->fieldCount()) {
        return {};
    }
    // The record being edited or inserted lives in the buffer, which the
    // field handles read; the new record is shown at its place and pushes
    // the rows after it down by one.
    const db::DatasetState state = ds->state();
    const int current = ds->recNo() - 1;
    if (state == db::DatasetState::Insert) {
        if (row == current) {
            return ds->field(fieldIndex).value();
        }
        if (row > current) {
            --row;
        }
    } else if (state == db::DatasetState::Edit && row == current) {
        return ds->field(fieldIndex).value();
    }
    return ds->rowValue(row, fieldIndex);
}

QVariant GridModel::cellValue(int row, int column) const
{
    if (column < 0 || size_t(column) >= m_fieldIndexes.size()) {
        return {};
    }
    return valueAt(row, m_fieldIndexes[size_t(column)]);
}

QString GridModel::cellText(int row, int column) const
{
    const QVariant value = cellValue(row, column);
    const GridColumn& c = this->column(column);
    if (c.format) {
        return c.format(value);
    }
    return fieldDisplayText(value, fieldType(column));
}

QVariant GridModel::rowValue(int row, const QString& fieldName) const
{
    db::Dataset* ds = dataset();
    if (!ds || !ds->isActive()) {
        return {};
    }
    const db::Field f = ds->findField(fieldName);
    return f.isValid() ? valueAt(row, f.index()) : QVariant();
}

bool GridModel::startEdit()
{
    return m_link->edit();
}

bool GridModel::writeCell(int row, int column, const QVariant& value)
{
    if (row != currentRow() || !canEditCell(column)) {
        return false;
    }
    if (!startEdit()) {
        return false;
    }
    db::Field f = field(column);
    if (!f.isValid()) {
        return false;
    }
    f.setValue(value);
    return true;
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shape.rows;
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= m_columns.size()) {
        return {};
    }
    const int row = index.row();
    const int col = index.column();
    const GridColumn& c = m_columns.at(col);
    try {
        switch (role) {
        case Qt::DisplayRole:
            if (isBooleanColumn(col)) {
                return {};
            }
            return cellText(row, col);
        case Qt::EditRole: return fieldDisplayText(cellValue(row, col), fieldType(col));
        case Qt::CheckStateRole:
            if (!isBooleanColumn(col)) {
                return {};
            }
            return cellValue(row, col).toBool() ? Qt::Checked : Qt::Unchecked;
        case Qt::TextAlignmentRole: {
            if (c.alignment) {
                return int(c.alignment);
            }
            const Qt::Alignment horizontal = isNumber(fieldType(col)) ? Qt::AlignRight : Qt::AlignLeft;
            return int(horizontal | Qt::AlignVCenter);
        }
        case Qt::BackgroundRole:
            if (c.color.isValid()) {
                return QBrush(c.color);
            }
            return {};
        case Qt::ForegroundRole:
            if (m_rowColor) {
                const QColor color = m_rowColor(row);
                if (color.isValid()) {
                    return QBrush(color);
                }
            }
            return {};
        default: return {};
        }
    } catch (...) {
        // A row that cannot be read (a lookup gone, a handler failing) shows empty.
        return {};
    }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole) {
        return false;
    }
    bool written = false;
    runGuarded([&] { written = writeCell(index.row(), index.column(), value); });
    return written;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const int col = index.column();
    // Check boxes toggle through the grid, memo texts are never edited in a cell.
    if (canEditCell(col) && !isBooleanColumn(col) && !isMemoColumn(col)) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role != Qt::DisplayRole) {
            return {};
        }
        const db::Dataset* ds = dataset();
        if (!ds || section != currentRow()) {
            return QString();
        }
        switch (ds->state()) {
        case db::DatasetState::Edit: return QStringLiteral("\u270E");
        case db::DatasetState::Insert: return QStringLiteral("*");
        default: return QStringLiteral("\u25B6");
        }
    }
    if (section < 0 || section >= m_columns.size()) {
        return {};
    }
    const GridColumn& c = m_columns.at(section);
    switch (role) {
    case Qt::DisplayRole: return c.title.isEmpty() ? c.field : c.title;
    case Qt::FontRole:
        if (c.titleBold) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    default: return {};
    }
}

bool GridModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role)
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size() ||
        (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return false;
    }
    m_columns[section].title = value.toString();
    emit headerDataChanged(Qt::Horizontal, section, section);
    return true;
}

GridModel::Shape GridModel::currentShape() const
{
    Shape s;
    const db::Dataset* ds = dataset();
    s.dataset = ds;
    if (!ds || !ds->isActive()) {
        return s;
    }
    s.active = true;
    const bool inserting = ds->state() == db::DatasetState::Insert;
    s.rows = ds->recordCount() + (inserting ? 1 : 0);
    s.current = ds->recNo() - 1;
    s.insertRow = inserting ? s.current : -1;
    s.generation = ds->generation();
    return s;
}

std::vector<int> GridModel::resolveFields(QList<GridColumn>* defaults) const
{
    db::Dataset* ds = dataset();
    const bool active = ds && ds->isActive();
    std::vector<int> indexes;
    if (defaults) {
        defaults->clear();
        if (active) {
            const QStringList names = ds->fieldNames();
            for (int i = 0; i < names.size(); ++i) {
                defaults->append(GridColumn::of(names.at(i)));
                indexes.push_back(i);
            }
        }
        return indexes;
    }
    indexes.reserve(size_t(m_columns.size()));
    for (const GridColumn& c : m_columns) {
        const db::Field f = active && !c.field.isEmpty() ? ds->findField(c.field) : db::Field();
        indexes.push_back(f.isValid() ? f.index() : -1);
    }
    return indexes;
}

void GridModel::rebuild()
{
    beginResetModel();
    QList<GridColumn> defaults;
    m_fieldIndexes = resolveFields(m_defaultColumns ? &defaults : nullptr);
    if (m_defaultColumns) {
        m_columns = defaults;
    }
    m_shape = currentShape();
    endResetModel();
    emit cursorMoved();
}

void GridModel::sync(bool repaintCurrent)
{
    const Shape now = currentShape();
    QList<GridColumn> defaults;
    const std::vector<int> indexes = resolveFields(m_defaultColumns ? &defaults : nullptr);
    bool structural = now.dataset != m_shape.dataset || now.active != m_shape.active || now.rows != m_shape.rows ||
                      indexes != m_fieldIndexes;
    if (m_defaultColumns && !structural) {
        for (int i = 0; i < defaults.size() && !structural; ++i) {
            structural = defaults.at(i).field != m_columns.value(i).field;
        }
    }
    if (structural) {
        beginResetModel();
        if (m_defaultColumns) {
            m_columns = defaults;
        }
        m_fieldIndexes = indexes;
        m_shape = now;
        endResetModel();
        emit cursorMoved();
        return;
    }
    const Shape old = m_shape;
    m_shape = now;
    if (now.generation != old.generation || now.insertRow != old.insertRow) {
        // The rows were written or read again, or a new record took its
        // place among them: any row may show other values.
        if (now.rows > 0 && !m_columns.isEmpty()) {
            emit dataChanged(index(0, 0), index(now.rows - 1, int(m_columns.size()) - 1));
            emitIndicatorChanged(0, now.rows - 1);
        }
    } else if (old.current != now.current) {
        emitRowChanged(old.current);
        emitRowChanged(now.current);
        emitIndicatorChanged(old.current, old.current);
        emitIndicatorChanged(now.current, now.current);
    } else {
        if (repaintCurrent) {
            emitRowChanged(now.current);
        }
        emitIndicatorChanged(now.current, now.current);
    }
    emit cursorMoved();
}

void GridModel::emitRowChanged(int row)
{
    if (row >= 0 && row < m_shape.rows && !m_columns.isEmpty()) {
        emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
    }
}

void GridModel::emitIndicatorChanged(int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, m_shape.rows - 1);
    if (first <= last) {
        emit headerDataChanged(Qt::Vertical, first, last);
    }
}

} // namespace kiro
