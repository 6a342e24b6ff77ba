#include "controls/FieldLink.h"

#include "app/core/Messages.h"
#include "db/Abort.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/Value.h"

#include <QDateTime>
#include <QWidget>

namespace kiro {

QString fieldDisplayText(const QVariant& value, db::FieldType type)
{
    if (!value.isValid() || value.isNull()) {
        return {};
    }
    switch (type) {
    case db::FieldType::Boolean: return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case db::FieldType::DateTime: {
        const QDateTime dt =
            value.typeId() == QMetaType::QString ? db::value::parseDateTime(value.toString()) : value.toDateTime();
        if (!dt.isValid()) {
            return {};
        }
        const QTime t = dt.time();
        if (t == QTime(0, 0)) {
            return dt.date().toString(QStringLiteral("yyyy-MM-dd"));
        }
        if (t.second() == 0 && t.msec() == 0) {
            return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        }
        return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    case db::FieldType::Float: return QString::number(value.toDouble(), 'g', 15);
    case db::FieldType::Binary:
    case db::FieldType::Bytes: return {};
    default: return value.toString();
    }
}

void showDataError(const std::exception& error)
{
    if (dynamic_cast<const db::Abort*>(&error)) {
        return;
    }
    const auto* dbError = dynamic_cast<const db::DatabaseError*>(&error);
    const QString text = dbError ? dbError->message() : QString::fromLocal8Bit(error.what());
    try {
        MsgOK(QStringLiteral("%s"), {text});
    } catch (...) {
        // Nothing better can be done from inside an event handler.
    }
}

FieldLink::FieldLink(QWidget* control)
    : m_control(control)
{}

void FieldLink::attach(db::DataSource* source)
{
    setDataSource(source);
    refresh();
}

void FieldLink::setFieldName(const QString& name)
{
    m_fieldName = name;
    refresh();
}

void FieldLink::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    if (onStateChange) {
        onStateChange();
    }
}

db::Field FieldLink::field() const
{
    db::Dataset* ds = dataset();
    if (!ds || !ds->isActive() || m_fieldName.isEmpty()) {
        return {};
    }
    return ds->findField(m_fieldName);
}

bool FieldLink::isActive() const
{
    const db::Dataset* ds = dataset();
    return ds && ds->isActive();
}

bool FieldLink::isEditing() const
{
    const db::Dataset* ds = dataset();
    return ds && (ds->state() == db::DatasetState::Edit || ds->state() == db::DatasetState::Insert);
}

bool FieldLink::canModify() const
{
    const db::Field f = field();
    return f.isValid() && f.kind() == db::FieldKind::Data && !dataset()->isReadOnly();
}

bool FieldLink::canEdit() const
{
    return !m_readOnly && canModify() && (isEditing() || dataSource()->autoEdit());
}

bool FieldLink::startEdit()
{
    if (!canEdit()) {
        return false;
    }
    bool editing = false;
    runGuarded([&] { editing = edit(); });
    return editing;
}

void FieldLink::reset()
{
    m_modified = false;
    if (onDataChange) {
        onDataChange();
    }
}

bool FieldLink::writePending(bool showError)
{
    if (!m_modified || !onUpdateData) {
        return true;
    }
    try {
        m_writing = true;
        onUpdateData();
        m_writing = false;
        m_modified = false;
    } catch (const std::exception& e) {
        m_writing = false;
        if (showError) {
            showDataError(e);
        }
        return false;
    }
    // Show the value as stored (cut to the field's width, numbers as read).
    if (onDataChange) {
        onDataChange();
    }
    return true;
}

void FieldLink::refresh()
{
    stateChanged();
    dataChanged(QString());
}

void FieldLink::dataChanged(const QString& fieldName)
{
    if (m_writing) {
        return;
    }
    bool mine = fieldName.isEmpty() || fieldName.compare(m_fieldName, Qt::CaseInsensitive) == 0;
    if (!mine) {
        // A lookup or calculated field follows fields it does not name.
        const db::Field f = field();
        mine = f.isValid() && f.kind() != db::FieldKind::Data;
    }
    if (!mine) {
        return;
    }
    m_modified = false;
    if (onDataChange) {
        onDataChange();
    }
}

void FieldLink::stateChanged()
{
    followEnabled();
    if (onStateChange) {
        onStateChange();
    }
    if (!isActive()) {
        m_modified = false;
        if (onDataChange) {
            onDataChange();
        }
    }
}

void FieldLink::updateRecord()
{
    if (!m_modified || !onUpdateData) {
        return;
    }
    // A value the field refuses stops the post: the exception reaches the
    // code that posted, the record stays in its editing state and the
    // control keeps the text.
    m_writing = true;
    try {
        onUpdateData();
    } catch (...) {
        m_writing = false;
        throw;
    }
    m_writing = false;
    m_modified = false;
}

void FieldLink::followEnabled()
{
    if (!m_control) {
        return;
    }
    const bool available = field().isValid();
    if (!available) {
        if (!m_control->testAttribute(Qt::WA_ForceDisabled)) {
            m_control->setEnabled(false);
            m_disabledByLink = true;
        }
    } else if (m_disabledByLink) {
        m_disabledByLink = false;
        m_control->setEnabled(true);
    }
}

} // namespace kiro
