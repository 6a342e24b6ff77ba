#pragma once

#include "db/DataSource.h"
#include "db/Field.h"

#include <QPointer>
#include <QString>
#include <QVariant>

#include <exception>
#include <functional>
#include <stdexcept>

class QWidget;

namespace kiro {

// The text a control shows for a typed field value (Field::value(),
// Dataset::rowValue()): dates without a time of day as "yyyy-MM-dd", other
// date-times to the minute (seconds when they are set), numbers as the
// engine writes them, booleans "True"/"False", nothing for null and for
// binary data. The same text typed back into an editor gives the same value.
QString fieldDisplayText(const QVariant& value, db::FieldType type);

// Tells the user about a failed data operation (the engine's message). An
// Abort is a refusal, not an error, and is never shown.
void showDataError(const std::exception& error);

// Runs a data operation started by the user; a failure is shown and gives
// false. Controls call every dataset operation through it, because an
// exception must never leave a Qt event handler.
template <typename Fn>
bool runGuarded(Fn&& fn)
{
    try {
        fn();
        return true;
    } catch (const std::exception& e) {
        showDataError(e);
    } catch (...) {
        showDataError(std::runtime_error("unexpected error"));
    }
    return false;
}

// Binds one control to one field of a data source's current record.
//
// The control assigns the three functions: onDataChange shows the field's
// value (the record moved, the field was set, the dataset opened or closed),
// onStateChange re-reads editing and read-only states, onUpdateData writes
// the control's pending value into field() before the record is posted.
// The value is written only when the control marked itself modified after
// the user changed it; a notification from outside (another row, the field
// set by program code) discards the pending value, so a control never
// writes an old text into a new record.
//
// The link also keeps the control's enabled state: it disables the control
// while there is no open dataset or no such field and enables it again when
// the field is there. A control that was already disabled when the link
// would have disabled it is left to its owner. Main thread only.
class FieldLink : public db::DataLink {
public:
    explicit FieldLink(QWidget* control);

    std::function<void()> onDataChange;
    std::function<void()> onStateChange;
    std::function<void()> onUpdateData;

    // Attaches to another source or field and shows its value at once.
    void attach(db::DataSource* source);
    void setFieldName(const QString& name);
    const QString& fieldName() const { return m_fieldName; }

    // The control's own ReadOnly property.
    void setReadOnly(bool readOnly);
    bool readOnly() const { return m_readOnly; }

    // Invalid while the dataset is closed or has no such field.
    db::Field field() const;
    bool isActive() const;
    bool isEditing() const;
    // The field is a stored field of a writable dataset.
    bool canModify() const;
    // What the user may do now: the control is not read-only, the field can
    // be modified, and the record is being edited or AutoEdit allows it.
    bool canEdit() const;

    // Puts the record into edit state (AutoEdit); false, with the error
    // shown, when that fails, and false without a message when it is refused.
    bool startEdit();
    void setModified() { m_modified = true; }
    bool isModified() const { return m_modified; }
    // Discards the pending value and shows the field's value again.
    void reset();
    // Writes the pending value now (leaving the control). False when the
    // value was refused; `showError` decides whether the user is told.
    bool writePending(bool showError);

    // Notifies the control as if the source had changed (after attaching).
    void refresh();

protected:
    void dataChanged(const QString& field) override;
    void stateChanged() override;
    void updateRecord() override;

private:
    void followEnabled();

    QPointer<QWidget> m_control;
    QString m_fieldName;
    bool m_readOnly = false;
    bool m_modified = false;
    bool m_writing = false;
    bool m_disabledByLink = false;
};

} // namespace kiro
