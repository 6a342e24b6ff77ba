#pragma once

#include "controls/FieldLink.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QVariantList>

#include <vector>

class QButtonGroup;
class QRadioButton;

// Controls bound to one field of a data source's current record. Each shows
// the field's value whenever the record or the field changes, and sends
// the user's changes to the record: a change puts the record into edit
// state first (AutoEdit; a control that cannot do so keeps the stored
// value), and the value is in the record before it is posted. A control is
// read-only while its ReadOnly property is set, the dataset is read-only,
// the field is a lookup or calculated field, or the record is not being
// edited and AutoEdit is off; it is disabled while there is no open dataset
// or no such field. The component name of the window definition is the
// control's objectName. Main thread only.
namespace kiro {

// Read-only text of a field (a label, never edited).
class ThmDBStatic : public QLabel {
    Q_OBJECT
public:
    explicit ThmDBStatic(QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source) { m_link.attach(source); }
    db::DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const QString& dataField() const { return m_link.fieldName(); }
    // Kept for the window definitions; the text is never edited.
    void setReadOnly(bool readOnly) { m_link.setReadOnly(readOnly); }
    bool isReadOnly() const { return m_link.readOnly(); }
    FieldLink& link() { return m_link; }

private:
    FieldLink m_link;
};

// A date picker bound to a date-time field. A null value shows as an empty
// picker (the picker's minimum) and an empty picker writes null. A changed
// date goes into the record when the record is posted and when the focus
// leaves the picker; if the field refuses it there, the focus stays.
class ThmDBDateTime : public QDateTimeEdit {
    Q_OBJECT
public:
    explicit ThmDBDateTime(QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source) { m_link.attach(source); }
    db::DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const QString& dataField() const { return m_link.fieldName(); }
    void setReadOnly(bool readOnly) { m_link.setReadOnly(readOnly); }
    bool isReadOnly() const { return m_link.readOnly(); }
    FieldLink& link() { return m_link; }

    // The picker's value for "no date".
    static QDateTime noDate();

signals:
    // A mouse button was pressed on the picker (also when it is read-only).
    void pressed();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void showValue();
    void userChanged();

    FieldLink m_link;
    bool m_loading = false;
};

// A one-line editor; text fields limit the length to the field's width.
// Escape discards a change that is not in the record yet.
class TDBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TDBEdit(QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source) { m_link.attach(source); }
    db::DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const QString& dataField() const { return m_link.fieldName(); }
    void setReadOnly(bool readOnly) { m_link.setReadOnly(readOnly); }
    bool isReadOnly() const { return m_link.readOnly(); }
    FieldLink& link() { return m_link; }

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void userEdited();

    FieldLink m_link;
};

// A multi-line editor for memo and text fields.
class TDBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TDBMemo(QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source) { m_link.attach(source); }
    db::DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const QString& dataField() const { return m_link.fieldName(); }
    void setReadOnly(bool readOnly) { m_link.setReadOnly(readOnly); }
    bool isReadOnly() const { return m_link.readOnly(); }
    FieldLink& link() { return m_link; }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void userEdited();

    FieldLink m_link;
    bool m_loading = false;
};

// A check box. A boolean field is checked when true (null shows unchecked);
// any other field is checked when its text equals the checked value. A
// click writes the field at once.
class TDBCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TDBCheckBox(QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source) { m_link.attach(source); }
    db::DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const QString& dataField() const { return m_link.fieldName(); }
    void setReadOnly(bool readOnly) { m_link.setReadOnly(readOnly); }
    bool isReadOnly() const { return m_link.readOnly(); }
    // What is stored when checked and unchecked (true and false unless set).
    void setValueChecked(const QVariant& value);
    void setValueUnchecked(const QVariant& value);
    FieldLink& link() { return m_link; }

private:
    void showValue();
    void userClicked(bool checked);

    FieldLink m_link;
    QVariant m_checked = true;
    QVariant m_unchecked = false;
};

// A group of radio buttons, one per item, laid out in columns. Item i
// stores storedValues[i], or its text when there is no stored value for it.
// The items are the box's QRadioButton children in order, and the box
// carries the properties "radioGroup" (true) and "storedValues" (the list),
// which the window translation relies on: with stored values, item texts
// can be translated without changing what is stored. A click writes the
// field at once; a value that is no item's checks none.
class TDBRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TDBRadioGroup(QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source) { m_link.attach(source); }
    db::DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const QString& dataField() const { return m_link.fieldName(); }
    void setReadOnly(bool readOnly) { m_link.setReadOnly(readOnly); }
    bool isReadOnly() const { return m_link.readOnly(); }
    FieldLink& link() { return m_link; }

    void setItems(const QStringList& texts);
    QList<QRadioButton*> items() const;
    void setStoredValues(const QStringList& values);
    QStringList storedValues() const;
    void setColumns(int columns);
    int columns() const { return m_columns; }
    // The index of the checked item, -1 when none is.
    int itemIndex() const;

private:
    QString storedValue(int item) const;
    void layoutItems();
    void showValue();
    void applyState();
    void userClicked(int item);

    FieldLink m_link;
    QButtonGroup* m_group;
    int m_columns = 1;
};

// A drop-down list of the rows of another data source (the list source):
// it shows the list field and writes the key field's value into the data
// field. The list is read again when the list dataset's rows change; the
// list's cursor never moves. A data field value that is no row's key shows
// as no selection.
class TDBLookupComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TDBLookupComboBox(QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source) { m_link.attach(source); }
    db::DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const QString& dataField() const { return m_link.fieldName(); }
    void setReadOnly(bool readOnly) { m_link.setReadOnly(readOnly); }
    bool isReadOnly() const { return m_link.readOnly(); }
    FieldLink& link() { return m_link; }

    void setListSource(db::DataSource* source);
    db::DataSource* listSource() const { return m_list.dataSource(); }
    void setKeyField(const QString& field);
    const QString& keyField() const { return m_keyField; }
    void setListField(const QString& field);
    const QString& listField() const { return m_listField; }
    // The key of the selected row (null when none is selected).
    QVariant keyValue() const;

private:
    void fillList(bool force);
    void showValue();
    void applyState();
    void userActivated(int index);

    FieldLink m_link;
    db::FunctionLink m_list;
    QString m_keyField;
    QString m_listField;
    QStringList m_keyTexts;
    QVariantList m_keys;
    const db::Dataset* m_filledFrom = nullptr;
    quint64 m_filledGeneration = ~quint64(0);
    bool m_loading = false;
};

} // namespace kiro
