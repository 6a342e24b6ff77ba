#include "controls/DBControls.h"

#include "db/Dataset.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTextCursor>

#include <cmath>

namespace kiro {

namespace {

// Buttons and lists have no read-only mode of their own: a read-only one
// keeps its look but no longer takes clicks, keys or the focus.
void setInteractive(QWidget* widget, bool interactive)
{
    static const char* const kPolicy = "kiroFocusPolicy";
    if (!widget->property(kPolicy).isValid()) {
        widget->setProperty(kPolicy, int(widget->focusPolicy()));
    }
    widget->setAttribute(Qt::WA_TransparentForMouseEvents, !interactive);
    widget->setFocusPolicy(interactive ? Qt::FocusPolicy(widget->property(kPolicy).toInt()) : Qt::NoFocus);
}

bool leavesForGood(const QFocusEvent* event)
{
    // A popup of the control itself or another window taking over is not
    // the user leaving the control.
    return event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason;
}

QString fieldText(const db::Field& field)
{
    return field.isValid() ? fieldDisplayText(field.value(), field.type()) : QString();
}

} // namespace

// --- ThmDBStatic -------------------------------------------------------------------------

ThmDBStatic::ThmDBStatic(QWidget* parent)
    : QLabel(parent)
    , m_link(this)
{
    // Field contents are shown as they are, never as markup.
    setTextFormat(Qt::PlainText);
    m_link.setReadOnly(true);
    m_link.onDataChange = [this] { setText(fieldText(m_link.field())); };
    m_link.refresh();
}

// --- ThmDBDateTime -----------------------------------------------------------------------

QDateTime ThmDBDateTime::noDate()
{
    return QDateTime(QDate(1900, 1, 1), QTime(0, 0));
}

ThmDBDateTime::ThmDBDateTime(QWidget* parent)
    : QDateTimeEdit(parent)
    , m_link(this)
{
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    setMinimumDateTime(noDate());
    setSpecialValueText(QStringLiteral(" "));
    m_link.onDataChange = [this] { showValue(); };
    m_link.onStateChange = [this] { QAbstractSpinBox::setReadOnly(m_link.readOnly() || !m_link.canModify()); };
    m_link.onUpdateData = [this] {
        const QDateTime value = dateTime();
        m_link.field().setValue(value <= noDate() ? QVariant() : QVariant(value));
    };
    connect(this, &QDateTimeEdit::dateTimeChanged, this, [this] { userChanged(); });
    m_link.refresh();
}

void ThmDBDateTime::showValue()
{
    const db::Field f = m_link.field();
    QDateTime value;
    try {
        value = f.isValid() && !f.isNull() ? f.asDateTime() : QDateTime();
    } catch (const std::exception&) {
        value = QDateTime(); // text that is no date shows as no date
    }
    m_loading = true;
    setDateTime(value.isValid() && value > noDate() ? value : noDate());
    m_loading = false;
}

void ThmDBDateTime::userChanged()
{
    if (m_loading) {
        return;
    }
    const QDateTime chosen = dateTime();
    if (!m_link.startEdit()) {
        m_link.reset(); // the dataset cannot take the change: show what is stored
        return;
    }
    // Editing an empty dataset appends a record, which shows its own values.
    if (dateTime() != chosen) {
        m_loading = true;
        setDateTime(chosen);
        m_loading = false;
    }
    m_link.setModified();
}

void ThmDBDateTime::focusOutEvent(QFocusEvent* event)
{
    QDateTimeEdit::focusOutEvent(event);
    if (leavesForGood(event) && !m_link.writePending(false)) {
        setFocus();
    }
}

void ThmDBDateTime::mousePressEvent(QMouseEvent* event)
{
    if (!m_link.readOnly()) {
        m_link.startEdit();
    }
    emit pressed();
    QDateTimeEdit::mousePressEvent(event);
}

// --- TDBEdit -----------------------------------------------------------------------------

TDBEdit::TDBEdit(QWidget* parent)
    : QLineEdit(parent)
    , m_link(this)
{
    m_link.onDataChange = [this] { setText(fieldText(m_link.field())); };
    m_link.onStateChange = [this] {
        const db::Field f = m_link.field();
        const bool sized = f.isValid() && f.type() == db::FieldType::Text && f.size() > 0;
        setMaxLength(sized ? f.size() : 32767);
        QLineEdit::setReadOnly(!m_link.canEdit());
    };
    m_link.onUpdateData = [this] { m_link.field().setValue(text()); };
    connect(this, &QLineEdit::textEdited, this, [this] { userEdited(); });
    m_link.refresh();
}

void TDBEdit::userEdited()
{
    const QString typed = text();
    const int position = cursorPosition();
    if (!m_link.startEdit()) {
        m_link.reset();
        return;
    }
    if (text() != typed) {
        setText(typed);
        setCursorPosition(position);
    }
    m_link.setModified();
}

void TDBEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // The value goes into the record on leaving, so that the fields and
    // controls that depend on it follow; a refused value is shown and
    // stays in the control.
    if (leavesForGood(event)) {
        m_link.writePending(true);
    }
}

void TDBEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && m_link.isModified()) {
        m_link.reset();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

// --- TDBMemo -----------------------------------------------------------------------------

TDBMemo::TDBMemo(QWidget* parent)
    : QPlainTextEdit(parent)
    , m_link(this)
{
    m_link.onDataChange = [this] {
        m_loading = true;
        setPlainText(fieldText(m_link.field()));
        m_loading = false;
    };
    m_link.onStateChange = [this] { QPlainTextEdit::setReadOnly(!m_link.canEdit()); };
    m_link.onUpdateData = [this] { m_link.field().setValue(toPlainText()); };
    connect(this, &QPlainTextEdit::textChanged, this, [this] { userEdited(); });
    m_link.refresh();
}

void TDBMemo::userEdited()
{
    if (m_loading) {
        return;
    }
    const QString typed = toPlainText();
    const int position = textCursor().position();
    if (!m_link.startEdit()) {
        m_link.reset();
        return;
    }
    if (toPlainText() != typed) {
        m_loading = true;
        setPlainText(typed);
        QTextCursor cursor = textCursor();
        cursor.setPosition(std::min(position, int(typed.size())));
        setTextCursor(cursor);
        m_loading = false;
    }
    m_link.setModified();
}

void TDBMemo::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    if (leavesForGood(event)) {
        m_link.writePending(true);
    }
}

// --- TDBCheckBox -------------------------------------------------------------------------

TDBCheckBox::TDBCheckBox(QWidget* parent)
    : QCheckBox(parent)
    , m_link(this)
{
    m_link.onDataChange = [this] { showValue(); };
    m_link.onStateChange = [this] { setInteractive(this, m_link.canEdit()); };
    connect(this, &QCheckBox::clicked, this, [this](bool checked) { userClicked(checked); });
    m_link.refresh();
}

void TDBCheckBox::setValueChecked(const QVariant& value)
{
    m_checked = value;
    showValue();
}

void TDBCheckBox::setValueUnchecked(const QVariant& value)
{
    m_unchecked = value;
    showValue();
}

void TDBCheckBox::showValue()
{
    const db::Field f = m_link.field();
    bool checked = false;
    if (f.isValid() && !f.isNull()) {
        if (f.type() == db::FieldType::Boolean) {
            checked = f.asBoolean();
        } else {
            checked = fieldText(f).compare(m_checked.toString(), Qt::CaseInsensitive) == 0;
        }
    }
    setChecked(checked);
}

void TDBCheckBox::userClicked(bool checked)
{
    if (!m_link.startEdit()) {
        showValue();
        return;
    }
    if (!runGuarded([&] { m_link.field().setValue(checked ? m_checked : m_unchecked); })) {
        showValue();
    }
}

// --- TDBRadioGroup -----------------------------------------------------------------------

TDBRadioGroup::TDBRadioGroup(QWidget* parent)
    : QGroupBox(parent)
    , m_link(this)
    , m_group(new QButtonGroup(this))
{
    setProperty("radioGroup", true);
    setProperty("storedValues", QStringList());
    new QGridLayout(this);
    m_link.onDataChange = [this] { showValue(); };
    m_link.onStateChange = [this] { applyState(); };
    connect(m_group, &QButtonGroup::idClicked, this, [this](int item) { userClicked(item); });
    m_link.refresh();
}

QList<QRadioButton*> TDBRadioGroup::items() const
{
    return findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
}

void TDBRadioGroup::setItems(const QStringList& texts)
{
    for (QRadioButton* button : items()) {
        m_group->removeButton(button);
        delete button;
    }
    for (int i = 0; i < texts.size(); ++i) {
        auto* button = new QRadioButton(texts.at(i), this);
        m_group->addButton(button, i);
    }
    layoutItems();
    applyState();
    showValue();
}

void TDBRadioGroup::setStoredValues(const QStringList& values)
{
    setProperty("storedValues", values);
    showValue();
}

QStringList TDBRadioGroup::storedValues() const
{
    return property("storedValues").toStringList();
}

void TDBRadioGroup::setColumns(int columns)
{
    m_columns = std::max(1, columns);
    layoutItems();
}

QString TDBRadioGroup::storedValue(int item) const
{
    const QStringList stored = storedValues();
    if (item < stored.size()) {
        return stored.at(item);
    }
    const QList<QRadioButton*> buttons = items();
    return item < buttons.size() ? buttons.at(item)->text() : QString();
}

int TDBRadioGroup::itemIndex() const
{
    const QList<QRadioButton*> buttons = items();
    for (int i = 0; i < buttons.size(); ++i) {
        if (buttons.at(i)->isChecked()) {
            return i;
        }
    }
    return -1;
}

void TDBRadioGroup::layoutItems()
{
    auto* grid = qobject_cast<QGridLayout*>(layout());
    if (!grid) {
        return;
    }
    while (QLayoutItem* item = grid->takeAt(0)) {
        delete item;
    }
    const QList<QRadioButton*> buttons = items();
    // Items fill each column from the top before the next column starts.
    const int perColumn = std::max(1, int(std::ceil(double(buttons.size()) / m_columns)));
    for (int i = 0; i < buttons.size(); ++i) {
        grid->addWidget(buttons.at(i), i % perColumn, i / perColumn);
    }
}

void TDBRadioGroup::showValue()
{
    const db::Field f = m_link.field();
    const QString value = fieldText(f);
    const QList<QRadioButton*> buttons = items();
    int found = -1;
    if (f.isValid() && !f.isNull()) {
        for (int i = 0; i < buttons.size() && found < 0; ++i) {
            if (storedValue(i) == value) {
                found = i;
            }
        }
    }
    if (found >= 0) {
        buttons.at(found)->setChecked(true);
        return;
    }
    // An exclusive group always keeps one button checked.
    m_group->setExclusive(false);
    for (QRadioButton* button : buttons) {
        button->setChecked(false);
    }
    m_group->setExclusive(true);
}

void TDBRadioGroup::applyState()
{
    const bool interactive = m_link.canEdit();
    for (QRadioButton* button : items()) {
        setInteractive(button, interactive);
    }
}

void TDBRadioGroup::userClicked(int item)
{
    if (!m_link.startEdit()) {
        showValue();
        return;
    }
    if (!runGuarded([&] { m_link.field().setValue(storedValue(item)); })) {
        showValue();
    }
}

// --- TDBLookupComboBox -------------------------------------------------------------------

TDBLookupComboBox::TDBLookupComboBox(QWidget* parent)
    : QComboBox(parent)
    , m_link(this)
{
    setEditable(false);
    m_link.onDataChange = [this] { showValue(); };
    m_link.onStateChange = [this] { applyState(); };
    m_list.onDataChanged = [this](const QString&) { fillList(false); };
    m_list.onStateChanged = [this] { fillList(false); };
    connect(this, &QComboBox::activated, this, [this](int index) { userActivated(index); });
    m_link.refresh();
}

void TDBLookupComboBox::setListSource(db::DataSource* source)
{
    m_list.setDataSource(source);
    fillList(true);
}

void TDBLookupComboBox::setKeyField(const QString& field)
{
    m_keyField = field;
    fillList(true);
}

void TDBLookupComboBox::setListField(const QString& field)
{
    m_listField = field;
    fillList(true);
}

QVariant TDBLookupComboBox::keyValue() const
{
    const int index = currentIndex();
    return index >= 0 && index < m_keys.size() ? m_keys.at(index) : QVariant();
}

void TDBLookupComboBox::fillList(bool force)
{
    db::Dataset* ds = m_list.dataset();
    const bool active = ds && ds->isActive();
    // The list dataset tells of every move of its cursor; only changed rows
    // are worth reading again.
    if (!force && (active ? ds == m_filledFrom && ds->generation() == m_filledGeneration : !m_filledFrom)) {
        return;
    }
    QStringList texts;
    m_keys.clear();
    m_keyTexts.clear();
    if (active) {
        const db::Field key = ds->findField(m_keyField);
        const db::Field shown = ds->findField(m_listField.isEmpty() ? m_keyField : m_listField);
        if (key.isValid() && shown.isValid()) {
            const int rows = ds->recordCount();
            for (int r = 0; r < rows; ++r) {
                const QVariant k = ds->rowValue(r, key.index());
                m_keys << k;
                m_keyTexts << fieldDisplayText(k, key.type());
                texts << fieldDisplayText(ds->rowValue(r, shown.index()), shown.type());
            }
        }
    }
    m_filledFrom = active ? ds : nullptr;
    m_filledGeneration = active ? ds->generation() : ~quint64(0);
    m_loading = true;
    clear();
    addItems(texts);
    m_loading = false;
    showValue();
}

void TDBLookupComboBox::showValue()
{
    const db::Field f = m_link.field();
    const int index = f.isValid() && !f.isNull() ? int(m_keyTexts.indexOf(fieldText(f))) : -1;
    m_loading = true;
    setCurrentIndex(index);
    m_loading = false;
}

void TDBLookupComboBox::applyState()
{
    setInteractive(this, m_link.canEdit());
}

void TDBLookupComboBox::userActivated(int index)
{
    if (m_loading || index < 0 || index >= m_keys.size()) {
        return;
    }
    if (!m_link.startEdit()) {
        showValue();
        return;
    }
    if (!runGuarded([&] { m_link.field().setValue(m_keys.at(index)); })) {
        showValue();
    }
}

} // namespace kiro
