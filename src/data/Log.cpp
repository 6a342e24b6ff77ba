#include "data/Log.h"

#include "data/FormData.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"

#include <QDateTime>

namespace kiro {

QString logkind::tableComponent(int kind)
{
    switch (kind) {
    case Project: return QStringLiteral("TableProjLog");
    case Product: return QStringLiteral("TableProdLog");
    case Accessory: return QStringLiteral("TableAccLog");
    default: return {};
    }
}

bool TFormData::AddLogEntry(int kind, const QString& name, const QString& source, const QString& comment,
                            const QString& user, const QString& description, const QString& severity)
{
    const QString component = logkind::tableComponent(kind);
    db::Dataset* log = component.isEmpty() ? nullptr : findTable(component);
    if (!log || !log->isActive())
        return false;
    try {
        if (!log->append())
            return false;
        // The owner comes from the master row; without one the entry would
        // belong to nobody and never be seen again.
        if (log->fieldByName(QStringLiteral("ParentID")).asString().isEmpty()) {
            log->cancel();
            return false;
        }
        log->fieldByName(QStringLiteral("Name")).setValue(name);
        log->fieldByName(QStringLiteral("Source")).setValue(source);
        log->fieldByName(QStringLiteral("Severity")).setValue(severity);
        log->fieldByName(QStringLiteral("Description")).setValue(description);
        log->fieldByName(QStringLiteral("User")).setValue(user);
        log->fieldByName(QStringLiteral("Comment")).setValue(comment);
        db::Field date = log->fieldByName(QStringLiteral("Date"));
        if (date.isNull())
            date.setValue(QDateTime::currentDateTime());
        if (!log->post()) {
            log->cancel();
            return false;
        }
        return true;
    } catch (const std::exception&) {
        try {
            if (log->isActive())
                log->cancel();
        } catch (const std::exception&) {
            // The entry is lost either way; the caller only needs to know.
        }
        return false;
    }
}

} // namespace kiro
