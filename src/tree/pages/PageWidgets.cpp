#include "tree/pages/PageWidgets.h"

#include "controls/DBControls.h"
#include "controls/TDBNavigator.h"
#include "controls/ThmDBGrid.h"
#include "data/Formula.h"
#include "tree/pages/GridBehaviour.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QToolButton>

namespace kiro {

void SetFieldColor(QWidget& control, bool readOnly)
{
    QPalette palette = control.palette();
    palette.setColor(QPalette::Base, readOnly ? ReadOnlyColor() : EditableColor());
    control.setPalette(palette);
}

QLabel* Caption(const QString& name, const QString& text, QWidget* parent, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

ThmDBStatic* FieldText(const QString& name, db::DataSource& source, const QString& field, QWidget* parent,
                       const char* picture)
{
    auto* text = new ThmDBStatic(parent);
    text->setObjectName(name);
    text->setDataField(field);
    text->setAutoFillBackground(true);
    text->setFrameShape(QFrame::StyledPanel);
    text->setMargin(2);
    QPalette palette = text->palette();
    palette.setColor(QPalette::Window, ReadOnlyColor());
    text->setPalette(palette);
    if (picture) {
        text->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const QString format = QString::fromLatin1(picture);
        FieldLink& link = text->link();
        link.onDataChange = [text, format, &link] {
            const db::Field f = link.field();
            if (!f.isValid() || f.isNull()) {
                text->setText(QString());
                return;
            }
            text->setText(FormatFloat(format, f.asFloat()));
        };
    }
    text->setDataSource(&source);
    return text;
}

TDBEdit* FieldEdit(const QString& name, db::DataSource& source, const QString& field, QWidget* parent, bool readOnly)
{
    auto* edit = new TDBEdit(parent);
    edit->setObjectName(name);
    edit->setDataField(field);
    edit->setReadOnly(readOnly);
    SetFieldColor(*edit, readOnly);
    edit->setDataSource(&source);
    return edit;
}

ThmDBGrid* PageGrid(const QString& name, db::DataSource& source, const QList<GridColumn>& columns, QWidget* parent,
                    int options)
{
    auto* grid = new ThmDBGrid(parent);
    grid->setObjectName(name);
    // The options go first: the selection the source makes follows them.
    if (options >= 0)
        grid->setOptions(ThmDBGrid::Options::fromInt(options));
    grid->setColumns(columns);
    grid->setDataSource(&source);
    GridPreventAdding(*grid);
    PopupGrid(*grid);
    return grid;
}

void KeepSelectionVisible(ThmDBGrid& grid)
{
    QPalette palette = grid.palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    grid.setPalette(palette);
}

TDBNavigator* EditNavigator(const QString& name, db::DataSource& source, QWidget* parent)
{
    auto* navigator = new TDBNavigator(parent);
    navigator->setObjectName(name);
    navigator->setVisibleButtons({TDBNavigator::Button::Insert, TDBNavigator::Button::Delete,
                                  TDBNavigator::Button::Post, TDBNavigator::Button::Cancel});
    navigator->setDataSource(&source);
    return navigator;
}

QToolButton* MoveButton(const QString& name, bool up, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
    button->setToolTip(up ? QStringLiteral("Move selected up") : QStringLiteral("Move selected down"));
    button->setAutoRaise(true);
    button->setFixedSize(24, 22);
    return button;
}

// --- TDBListCombo ----------------------------------------------------------------------------------

TDBListCombo::TDBListCombo(bool editable, QWidget* parent)
    : QComboBox(parent)
    , m_link(this)
{
    setEditable(editable);
    setInsertPolicy(QComboBox::NoInsert);
    m_link.onDataChange = [this] { showValue(); };
    m_link.onStateChange = [this] {
        if (lineEdit()) {
            const db::Field f = m_link.field();
            const bool sized = f.isValid() && f.type() == db::FieldType::Text && f.size() > 0;
            lineEdit()->setMaxLength(sized ? f.size() : 32767);
            lineEdit()->setReadOnly(!m_link.canEdit());
        }
    };
    m_link.onUpdateData = [this] { m_link.field().setValue(currentText()); };
    if (lineEdit())
        connect(lineEdit(), &QLineEdit::textEdited, this, [this] { userTyped(); });
    connect(this, &QComboBox::activated, this, [this](int index) { userPicked(index); });
    m_link.refresh();
}

void TDBListCombo::showValue()
{
    const db::Field f = m_link.field();
    const QString value = f.isValid() ? fieldDisplayText(f.value(), f.type()) : QString();
    m_loading = true;
    const QSignalBlocker block(this);
    if (isEditable()) {
        setEditText(value);
    } else {
        int index = findText(value);
        if (index < 0 && !value.isEmpty()) {
            addItem(value);
            index = count() - 1;
        }
        setCurrentIndex(index);
    }
    m_loading = false;
}

void TDBListCombo::fillList()
{
    if (!m_provider)
        return;
    QStringList entries;
    try {
        entries = m_provider();
    } catch (...) {
        // A list that cannot be read stays as it was.
        return;
    }
    if (m_sorted)
        entries.sort(Qt::CaseInsensitive);
    entries.removeDuplicates();
    const QString text = currentText();
    const QSignalBlocker block(this);
    m_loading = true;
    clear();
    addItems(entries);
    if (isEditable()) {
        setEditText(text);
    } else {
        setCurrentIndex(findText(text));
    }
    m_loading = false;
    if (!isEditable() && currentIndex() < 0)
        showValue(); // the stored value is shown even when it is no entry
}

void TDBListCombo::showPopup()
{
    fillList();
    QComboBox::showPopup();
}

void TDBListCombo::userTyped()
{
    if (m_loading)
        return;
    const QString typed = currentText();
    if (!m_link.startEdit()) {
        m_link.reset();
        return;
    }
    if (currentText() != typed)
        setEditText(typed);
    m_link.setModified();
}

void TDBListCombo::userPicked(int index)
{
    if (m_loading || index < 0)
        return;
    const QString text = itemText(index);
    if (isEditable()) {
        if (!m_link.startEdit()) {
            m_link.reset();
            return;
        }
        setEditText(text);
        m_link.setModified();
        m_link.writePending(true);
        return;
    }
    emit chosen(text);
    // Whatever the owner made of the choice, the box shows what is stored.
    showValue();
}

void TDBListCombo::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    if (isEditable() && event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        m_link.writePending(true);
}

} // namespace kiro
