#include "controls/ThmCheckListBox.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <stdexcept>

namespace kiro {

namespace {

// The item values are kept under roles of their own, beside the text.
enum ItemRole : int {
    RoleHasRecord = Qt::UserRole + 100,
    RoleState,
    RoleDisabled,
    RoleRadio,
    RoleGroup,
    RoleData,
};

const QColor kDisabledText(128, 128, 128);

} // namespace

// Draws the mark and hands the text to the list (or its owner).
class ThmCheckListDelegate : public QStyledItemDelegate {
public:
    explicit ThmCheckListDelegate(ThmCheckListBox* list)
        : QStyledItemDelegate(list)
        , m_list(list)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        m_list->paintItem(*painter, option, index.row());
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const int h = m_list->itemHeight();
        size.setHeight(h);
        return size;
    }

private:
    ThmCheckListBox* m_list;
};

ThmCheckListBox::ThmCheckListBox(QWidget* parent)
    : QListWidget(parent)
{
    setItemDelegate(new ThmCheckListDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void ThmCheckListBox::setShowCheckboxes(bool show)
{
    if (m_showCheckboxes == show)
        return;
    m_showCheckboxes = show;
    viewport()->update();
}

void ThmCheckListBox::setFlat(bool flat)
{
    if (m_flat == flat)
        return;
    m_flat = flat;
    viewport()->update();
}

int ThmCheckListBox::itemHeight() const
{
    if (m_itemHeight > 0)
        return m_itemHeight;
    return fontMetrics().boundingRect(QStringLiteral("Wg")).height();
}

void ThmCheckListBox::setItemHeight(int height)
{
    m_itemHeight = std::max(0, height);
    // The uniform size is cached by the view until the items are laid out again.
    doItemsLayout();
}

void ThmCheckListBox::setTextColor(const QColor& color)
{
    m_textColor = color;
    viewport()->update();
}

int ThmCheckListBox::checkColumnWidth() const
{
    if (!m_showCheckboxes)
        return 0;
    return style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) + 2;
}

void ThmCheckListBox::addItemText(const QString& text)
{
    addItem(text);
}

QString ThmCheckListBox::itemText(int index) const
{
    return checkedItem(index)->text();
}

QListWidgetItem* ThmCheckListBox::checkedItem(int index) const
{
    QListWidgetItem* it = index >= 0 && index < count() ? item(index) : nullptr;
    if (!it)
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return it;
}

int ThmCheckListBox::State(int index) const
{
    const QVariant v = checkedItem(index)->data(RoleState);
    return v.isValid() ? v.toInt() : StateUnchecked;
}

void ThmCheckListBox::setState(int index, int state)
{
    QListWidgetItem* it = checkedItem(index);
    state = std::clamp(state, int(StateUnchecked), int(StateGrayed));
    if (State(index) == state && it->data(RoleHasRecord).isValid())
        return;
    it->setData(RoleHasRecord, true);
    it->setData(RoleState, state);
}

bool ThmCheckListBox::Disabled(int index) const
{
    return checkedItem(index)->data(RoleDisabled).toBool();
}

void ThmCheckListBox::setDisabled(int index, bool disabled)
{
    QListWidgetItem* it = checkedItem(index);
    it->setData(RoleHasRecord, true);
    if (Disabled(index) != disabled)
        it->setData(RoleDisabled, disabled);
}

bool ThmCheckListBox::Radio(int index) const
{
    return checkedItem(index)->data(RoleRadio).toBool();
}

void ThmCheckListBox::setRadio(int index, bool radio)
{
    QListWidgetItem* it = checkedItem(index);
    it->setData(RoleHasRecord, true);
    if (Radio(index) != radio)
        it->setData(RoleRadio, radio);
}

int ThmCheckListBox::Group(int index) const
{
    const QVariant v = checkedItem(index)->data(RoleGroup);
    return v.isValid() ? v.toInt() : -1;
}

void ThmCheckListBox::setGroup(int index, int group)
{
    QListWidgetItem* it = checkedItem(index);
    it->setData(RoleHasRecord, true);
    it->setData(RoleGroup, group);
}

int ThmCheckListBox::ItemData(int index) const
{
    return checkedItem(index)->data(RoleData).toInt();
}

void ThmCheckListBox::setItemData(int index, int data)
{
    QListWidgetItem* it = checkedItem(index);
    it->setData(RoleHasRecord, true);
    it->setData(RoleData, data);
}

void ThmCheckListBox::UpdateRadioGroups()
{
    QHash<int, int> members;
    for (int i = 0; i < count(); ++i) {
        setRadio(i, false);
        ++members[Group(i)];
    }
    for (int i = 0; i < count(); ++i)
        if (members.value(Group(i)) > 1)
            setRadio(i, true);
}

void ThmCheckListBox::ToggleMark(int index)
{
    if (index < 0 || index >= count() || Disabled(index))
        return;
    if (Radio(index)) {
        const int group = Group(index);
        for (int i = 0; i < count(); ++i)
            if (i != index && Radio(i) && Group(i) == group)
                setState(i, StateUnchecked);
        setState(index, StateChecked);
    } else {
        switch (State(index)) {
        case StateUnchecked:
            setState(index, m_allowGrayed ? StateGrayed : StateChecked);
            break;
        case StateChecked:
            setState(index, StateUnchecked);
            break;
        default:
            setState(index, StateChecked);
            break;
        }
    }
    emit clickCheck(index);
}

void ThmCheckListBox::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex at = indexAt(event->position().toPoint());
    QListWidget::mousePressEvent(event);
    if (m_showCheckboxes && at.isValid() && event->button() == Qt::LeftButton) {
        const QRect r = visualRect(at);
        if (event->position().x() < r.left() + checkColumnWidth())
            ToggleMark(at.row());
    }
}

void ThmCheckListBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A quick second press in the check column is a second change of the
    // mark, as a press is; elsewhere it is a double click.
    const QModelIndex at = indexAt(event->position().toPoint());
    if (m_showCheckboxes && at.isValid() && event->button() == Qt::LeftButton
        && event->position().x() < visualRect(at).left() + checkColumnWidth()) {
        ToggleMark(at.row());
        return;
    }
    QListWidget::mouseDoubleClickEvent(event);
}

void ThmCheckListBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && m_showCheckboxes && currentRow() >= 0) {
        ToggleMark(currentRow());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void ThmCheckListBox::paintItem(QPainter& painter, const QStyleOptionViewItem& option, int index) const
{
    const QRect rect = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    painter.save();
    painter.fillRect(rect, selected ? option.palette.highlight() : option.palette.base());
    const bool disabled = Disabled(index) || !isEnabled();
    int textLeft = rect.left();
    if (m_showCheckboxes) {
        const int w = checkColumnWidth();
        QStyleOptionButton mark;
        const int side = std::min({style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this),
                                   rect.height(), w});
        mark.rect = QRect(rect.left() + (w - side) / 2, rect.top() + (rect.height() - side) / 2, side, side);
        mark.state = disabled ? QStyle::State_None : QStyle::State_Enabled;
        const int st = State(index);
        const bool radio = Radio(index);
        if (radio)
            mark.state |= st != StateUnchecked ? QStyle::State_On : QStyle::State_Off;
        else if (st == StateChecked)
            mark.state |= QStyle::State_On;
        else if (st == StateGrayed)
            mark.state |= QStyle::State_NoChange;
        else
            mark.state |= QStyle::State_Off;
        if (!m_flat)
            mark.state |= QStyle::State_Raised;
        mark.palette = option.palette;
        style()->drawPrimitive(radio ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox, &mark,
                               &painter, this);
        textLeft += w;
    }
    const QRect textRect(textLeft, rect.top(), rect.right() - textLeft + 1, rect.height());
    QColor color = m_textColor.isValid() ? m_textColor : option.palette.color(QPalette::Text);
    if (selected)
        color = option.palette.color(QPalette::HighlightedText);
    if (disabled)
        color = kDisabledText;
    painter.setPen(color);
    if (m_drawText) {
        m_drawText(painter, index, textRect, option.state);
    } else {
        painter.setFont(option.font);
        painter.drawText(textRect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         item(index)->text());
    }
    painter.restore();
}

// --- ThmHeaderCheckListBox ---------------------------------------------------

ThmHeaderCheckListBox::ThmHeaderCheckListBox(QWidget* parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    resize(150, 100);
    m_headerModel = new QStandardItemModel(0, 0, this);
    m_header = new QHeaderView(Qt::Horizontal, this);
    m_header->setModel(m_headerModel);
    m_header->setSectionsClickable(false);
    m_header->setStretchLastSection(false);
    m_header->setMinimumSectionSize(4);
    m_header->setFixedHeight(17);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list = new ThmCheckListBox(this);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setDrawTextHandler([this](QPainter& painter, int index, const QRect& rect, QStyle::State state) {
        drawRow(painter, index, rect, state);
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(m_list);
    // The list shows the new widths while the border is dragged.
    connect(m_header, &QHeaderView::sectionResized, m_list->viewport(), qOverload<>(&QWidget::update));
    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit clicked(m_list->row(item)); });
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { emit doubleClicked(m_list->row(item)); });
    connect(m_list, &ThmCheckListBox::clickCheck, this, &ThmHeaderCheckListBox::clickCheck);
    setShowCheckboxes(true);
}

void ThmHeaderCheckListBox::setSections(const QList<Section>& sections)
{
    const bool check = m_list->showCheckboxes();
    m_headerModel->setColumnCount(0);
    m_headerModel->setColumnCount(int(sections.size()) + (check ? 1 : 0));
    int col = 0;
    if (check) {
        m_headerModel->setHeaderData(0, Qt::Horizontal, QString());
        m_header->resizeSection(0, CheckSectionWidth);
        m_header->setSectionResizeMode(0, QHeaderView::Fixed);
        col = 1;
    }
    m_checkSection = check;
    for (const Section& s : sections) {
        m_headerModel->setHeaderData(col, Qt::Horizontal, s.text);
        m_headerModel->setHeaderData(col, Qt::Horizontal, int(s.alignment | Qt::AlignVCenter), Qt::TextAlignmentRole);
        m_header->setSectionResizeMode(col, QHeaderView::Interactive);
        m_header->resizeSection(col, s.width);
        ++col;
    }
    m_list->viewport()->update();
}

int ThmHeaderCheckListBox::sectionCount() const
{
    return m_headerModel->columnCount();
}

QString ThmHeaderCheckListBox::sectionText(int section) const
{
    return m_headerModel->headerData(section, Qt::Horizontal).toString();
}

int ThmHeaderCheckListBox::sectionWidth(int section) const
{
    return m_header->sectionSize(section);
}

void ThmHeaderCheckListBox::setSectionWidth(int section, int width)
{
    m_header->resizeSection(section, width);
}

void ThmHeaderCheckListBox::setShowCheckboxes(bool show)
{
    const bool had = m_checkSection;
    m_list->setShowCheckboxes(show);
    m_checkSection = show;
    if (show && !had) {
        m_headerModel->insertColumn(0);
        m_headerModel->setHeaderData(0, Qt::Horizontal, QString());
        m_header->resizeSection(0, CheckSectionWidth);
        m_header->setSectionResizeMode(0, QHeaderView::Fixed);
    } else if (!show && had) {
        m_headerModel->removeColumn(0);
    }
    m_list->viewport()->update();
}

void ThmHeaderCheckListBox::setShowHeader(bool show)
{
    m_showHeader = show;
    m_header->setVisible(show);
    m_header->setFixedHeight(show ? 17 : 0);
}

void ThmHeaderCheckListBox::setDelimChar(QChar c)
{
    m_delim = c;
    m_list->viewport()->update();
}

void ThmHeaderCheckListBox::setSepColor(const QColor& color)
{
    m_sepColor = color;
    m_list->viewport()->update();
}

void ThmHeaderCheckListBox::setLBStyle(LBStyle style)
{
    m_style = style;
    m_list->viewport()->update();
}

QString ThmHeaderCheckListBox::CellText(int index, int col) const
{
    if (index < 0 || index >= m_list->count() || col < 0)
        return QString();
    const QStringList fields = m_list->item(index)->text().split(m_delim);
    return col < fields.size() ? fields.at(col) : QString();
}

void ThmHeaderCheckListBox::drawRow(QPainter& painter, int index, const QRect& rect, QStyle::State state)
{
    // The check column belongs to the list; rect starts where it ends.
    const int rowLeft = rect.left() - m_list->checkColumnWidth();
    const int first = m_list->showCheckboxes() ? 1 : 0;
    const QStringList fields = m_list->item(index)->text().split(m_delim);
    const QPen textPen = painter.pen();
    const int offset = -m_header->offset();
    int field = 0;
    for (int s = first; s < sectionCount(); ++s, ++field) {
        const int left = rowLeft + m_header->sectionPosition(s) + offset;
        const int right = left + m_header->sectionSize(s);
        const QRect cell(left, rect.top(), right - left, rect.height());
        if (m_style == hlbOwnerDraw && m_drawCell) {
            painter.save();
            m_drawCell(painter, index, s, cell, state);
            painter.restore();
        } else {
            const auto align = Qt::Alignment(
                m_headerModel->headerData(s, Qt::Horizontal, Qt::TextAlignmentRole).toInt());
            painter.setPen(textPen);
            painter.drawText(cell.adjusted(2, 0, -2, 0),
                             Qt::Alignment(align & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter
                                 | Qt::TextSingleLine,
                             field < fields.size() ? fields.at(field) : QString());
        }
        painter.setPen(m_sepColor);
        if (s > first)
            painter.drawLine(left, rect.top(), left, rect.bottom());
        if (s == sectionCount() - 1)
            painter.drawLine(right - 1, rect.top(), right - 1, rect.bottom());
    }
    painter.setPen(textPen);
}

void ThmHeaderCheckListBox::relayout()
{
    m_list->viewport()->update();
}

void ThmHeaderCheckListBox::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    relayout();
}

} // namespace kiro
