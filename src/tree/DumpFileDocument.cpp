#include "tree/DumpFileDocument.h"

#include "app/core/Messages.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "tree/DumpFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

const char* itemTable(int kind)
{
    switch (kind) {
    case dumpfile::KindProject: return "Projects";
    case dumpfile::KindProduct: return "Products";
    case dumpfile::KindAccessory: return "Accessories";
    default: return nullptr;
    }
}

// The rows the tables show are read again from the file; an unposted
// record is dropped (a failed insert has rolled back underneath it).
void rereadProjectTables(TFormData& data)
{
    for (db::Dataset* t : data.tablesOf(data.database(s("DatabaseProjects")))) {
        try {
            if (!t->isActive())
                continue;
            if (t->state() != db::DatasetState::Browse)
                t->cancel();
            t->refresh();
        } catch (const db::DatabaseError&) {
            // The table shows what it had; the next move of its master reads it.
        }
    }
}

void postPendingEdits(TFormData& data)
{
    for (db::Dataset* t : data.projectTableComponents()) {
        if (t->isActive() && t->state() != db::DatasetState::Browse && !t->checkBrowseMode())
            throw TDumpFileError(QStringLiteral("The changes in %1 could not be saved").arg(t->name()));
    }
}

// Positions a table on a row it shows.
bool locateId(db::Dataset& table, const QString& id)
{
    return table.isActive() && table.locate(s("ID"), id);
}

QStringList projectsNamed(db::Connection& projects, const QString& name, int revision)
{
    db::Query q(projects, s("SELECT ID FROM Projects WHERE Name = :Name AND Revision = :Revision"));
    q.bindValue(s("Name"), name);
    q.bindValue(s("Revision"), revision);
    QStringList ids;
    for (q.open(); !q.eof(); q.next())
        ids << q.value(s("ID")).toString();
    return ids;
}

} // namespace

QString CreateKIROFile(TFormData& data, int kind, const QString& id, const QString& caption, const QString& directory)
{
    const char* table = itemTable(kind);
    if (!table)
        throw TDumpFileError(QStringLiteral("Items of kind %1 have no transfer file").arg(kind));
    db::Connection& projects = data.database(s("DatabaseProjects"));
    if (!projects.isOpen())
        throw TDumpFileError(QStringLiteral("The project database is not open"));
    postPendingEdits(data);

    TDumpHeader header;
    header.kind = kind;
    try {
        db::Query q(projects, kind == dumpfile::KindProject
                                  ? s("SELECT Name, Revision FROM Projects WHERE ID = :id")
                                  : QStringLiteral("SELECT Name, 0 AS Revision FROM %1 WHERE ID = :id").arg(s(table)));
        q.bindValue(s("id"), id);
        q.open();
        if (q.eof())
            throw TDumpFileError(QStringLiteral("There is no %1 with the ID %2").arg(s(table), id));
        header.name = q.value(s("Name")).toString();
        header.revision = q.value(s("Revision")).toInt();
    } catch (const db::DatabaseError& e) {
        throw TDumpFileError(e.message());
    }

    const QString path = dumpfile::transferFileName(caption.isEmpty() ? header.name : caption, kind, directory);
    const QString dir = QFileInfo(path).absolutePath();
    // Written beside its final name first: a reader never sees half a file,
    // and a failure leaves the previous file of that name as it was.
    QTemporaryFile temporary(dir + s("/uoxXXXXXX"));
    if (!temporary.open())
        throw TDumpFileError(QStringLiteral("Could not create a file in %1: %2")
                                 .arg(QDir::toNativeSeparators(dir), temporary.errorString()));
    const QString temporaryPath = temporary.fileName();
    temporary.close();

    TDumpFilePut put(temporaryPath);
    put.WriteHeader(header);
    put.WriteItem(projects, kind, id);
    put.finish();
    if (QFileInfo::exists(path) && !QFile::remove(path))
        throw TDumpFileError(QStringLiteral("Could not replace %1").arg(QDir::toNativeSeparators(path)));
    if (!QFile::rename(temporaryPath, path))
        throw TDumpFileError(QStringLiteral("Could not write %1").arg(QDir::toNativeSeparators(path)));
    temporary.setAutoRemove(false);
    return path;
}

TInsertResult InsertDocument(TFormData& data, const TInsertTarget& target, const QString& file,
                             const TInsertOptions& options)
{
    TInsertResult result;
    if (!QFileInfo::exists(file))
        return result;
    const std::optional<TDumpHeader> header = ReadDumpHeader(file);
    if (!header) {
        result.outcome = TInsertResult::Outcome::NotTransferFile;
        return result;
    }
    result.kind = header->kind;

    TDumpFileGet::Target into;
    QStringList replace;
    db::Connection& projects = data.database(s("DatabaseProjects"));
    auto failed = [&](const QString& error) {
        result.outcome = TInsertResult::Outcome::Failed;
        result.error = error;
        result.replacedProjects.clear();
        MsgOK(QStringLiteral("The file '%s' could not be inserted!\n\n%s"), {QDir::toNativeSeparators(file), error});
        return result;
    };
    if (!projects.isOpen())
        return failed(QStringLiteral("The project database is not open"));

    switch (header->kind) {
    case dumpfile::KindProject: {
        QString name = header->name;
        while (options.ask) {
            QStringList existing;
            try {
                existing = projectsNamed(projects, name, header->revision);
            } catch (const db::DatabaseError& e) {
                return failed(e.message());
            }
            for (const QString& id : std::as_const(replace))
                existing.removeAll(id);
            if (existing.isEmpty())
                break;
            const int answer = MsgNoYesCancel(
                s("A project called '%s' with revision '%d' already exists!\r\nSelect 'Yes' to overwrite!\r\n"
                  "Select 'No' to enter a new name!\r\nSelect 'Cancel' to abort operation!"),
                {name, header->revision});
            if (answer == MsgCodeYes) {
                replace << existing.first();
                continue;
            }
            QString entered = name;
            if (answer != MsgCodeNo || !options.inputText ||
                !options.inputText(MsgText(s("Enter a new project name")), entered)) {
                result.outcome = TInsertResult::Outcome::Cancelled;
                return result;
            }
            name = entered;
        }
        if (name != header->name)
            into.newName = name;
        break;
    }
    case dumpfile::KindProduct:
        if ((target.nodeKind != 1 && target.nodeKind != 102) || target.projectID.isEmpty()) {
            result.outcome = TInsertResult::Outcome::Ignored;
            return result;
        }
        into.projectID = target.projectID;
        break;
    case dumpfile::KindAccessory:
        if ((target.nodeKind != 2 && target.nodeKind != 104) || target.productID.isEmpty()) {
            result.outcome = TInsertResult::Outcome::Ignored;
            return result;
        }
        into.productID = target.productID;
        break;
    }

    TDumpInserted inserted;
    try {
        postPendingEdits(data);
        db::Transaction transaction(projects);
        // The projects to overwrite go in the same transaction as the copy
        // arrives: a file that turns out to be damaged loses nothing.
        db::Dataset& projectTable = data.table(s("TableProjects"));
        for (const QString& id : std::as_const(replace)) {
            const bool filtered = projectTable.isFiltered();
            projectTable.setFiltered(false);
            const bool found = locateId(projectTable, id);
            const bool deleted = found && data.DeleteProjectRow();
            projectTable.setFiltered(filtered);
            if (!deleted) {
                transaction.rollback();
                rereadProjectTables(data);
                result.outcome = TInsertResult::Outcome::Failed;
                // DeleteProjectRow has told the user why; a project that is
                // not there any more is simply not overwritten.
                if (found)
                    return result;
                return failed(QStringLiteral("The project to overwrite is no longer there"));
            }
        }
        TDumpFileGet reader(file);
        reader.ReadHeader();
        inserted = reader.ReadDocument(projects, into);
        transaction.commit();
    } catch (const TDumpFileError& e) {
        rereadProjectTables(data);
        return failed(e.message());
    } catch (const db::DatabaseError& e) {
        rereadProjectTables(data);
        return failed(e.message());
    }

    result.outcome = TInsertResult::Outcome::Inserted;
    result.id = inserted.id;
    result.parentID = inserted.parentID;
    result.replacedProjects = replace;
    rereadProjectTables(data);

    // The tables stand on the new item, and the sums above it take it in.
    try {
        db::Dataset& projectTable = data.table(s("TableProjects"));
        db::Dataset& products = data.table(s("TableProducts"));
        switch (inserted.kind) {
        case dumpfile::KindProject:
            if (locateId(projectTable, inserted.id)) {
                data.RecalculateAllProducts();
                data.RecalculateProject();
                if (products.isActive())
                    products.first();
            }
            break;
        case dumpfile::KindProduct:
            if (projectTable.isActive() && projectTable.fieldByName(s("ID")).asString() != inserted.parentID)
                locateId(projectTable, inserted.parentID);
            if (locateId(products, inserted.id) && products.edit()) {
                // Posting the product runs the project sums.
                db::Field order = products.fieldByName(s("Order"));
                order.setValue(order.asInteger());
                products.post();
            }
            break;
        case dumpfile::KindAccessory: {
            db::Dataset& accessories = data.table(s("TableAccessories"));
            if (products.isActive() && !products.isEmpty() &&
                products.fieldByName(s("ID")).asString() != inserted.parentID)
                locateId(products, inserted.parentID);
            if (products.isActive() && !products.isEmpty() &&
                products.fieldByName(s("ID")).asString() == inserted.parentID) {
                data.UpdateProductTotals();
                locateId(accessories, inserted.id);
            }
            break;
        }
        }
    } catch (const db::DatabaseError& e) {
        // The item is in; only the sums could not follow.
        MsgOK(QStringLiteral("%s"), {e.message()});
    }
    return result;
}

} // namespace kiro
