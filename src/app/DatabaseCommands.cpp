// The Database menu of the main window: directories, selecting, creating,
// emptying and closing the project database, and repairing a table.

#include "app/DialogService.h"
#include "app/FormMain.h"
#include "app/InputText.h"
#include "app/Translate.h"
#include "app/core/AppContext.h"
#include "app/core/Interaction.h"
#include "app/core/Messages.h"
#include "app/core/MsgFormat.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "data/SessionRegistry.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "dialogs/OptDB.h"
#include "dialogs/SelDir.h"
#include "tree/ProjectTree.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace kiro {

namespace {

// Settings writes that fail are reported; the program goes on with the
// values it holds.
template <typename Fn>
void reportingSettingsErrors(Fn fn)
{
    try {
        fn();
    } catch (const SettingsError& e) {
        MsgOK(QStringLiteral("Could not save settings!\n\n%s"), {e.message()});
    }
}

// Names the other users working in a database directory; empty when none.
QString othersWorkingIn(const TFormData* data, const QString& directory)
{
    QStringList names;
    const QString own = data ? data->session().file() : QString();
    for (const SessionRegistry::Session& s : SessionRegistry::sessionsIn(directory, own))
        names << QStringLiteral("%1 (%2)").arg(s.user, s.host);
    return names.join(QStringLiteral(", "));
}

bool sameDirectory(const QString& a, const QString& b)
{
    return !a.isEmpty() && !b.isEmpty() && QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath();
}

// The distinct project table names, in the data module's order.
QStringList projectTableNames(const TFormData& data)
{
    QStringList names;
    for (db::Dataset* t : data.projectTableComponents()) {
        if (!names.contains(t->tableName()))
            names << t->tableName();
    }
    return names;
}

QString templateDirectory()
{
    return app().templateDir();
}

} // namespace

void TFormMain::DatabaseDirectories()
{
    TDlgOptDB dialog(this);
    TranslateForm(dialog);
    reportingSettingsErrors([] { settings().LoadDatabaseSettings(); });
    dialog.load(settings().databases(), m_data ? m_data->privateDir() : QString());
    if (ExecDialog(dialog) != QDialog::Accepted)
        return;
    dialog.store(settings().databases());
    reportingSettingsErrors([] { settings().SaveDatabaseSettings(); });
    CloseMain();
    SetupMain();
}

void TFormMain::DatabaseProjectSelect()
{
    QString path = settings().databases().Projects;
    if (!ExecuteSelDir(path, false))
        return;
    CloseMain();
    settings().databases().Projects = path;
    reportingSettingsErrors([] {
        settings().SaveDatabaseSettings();
        settings().LoadDatabaseSettings();
    });
    SetupMain();
}

void TFormMain::DatabaseProjectClose()
{
    CloseMain();
}

void TFormMain::DatabaseProjectNew()
{
    if (!m_data)
        return;
    QString path = app().workDir();
    if (!ExecuteSelDir(path, true))
        return;
    if (const QString others = othersWorkingIn(m_data, path); !others.isEmpty()) {
        MsgOK(QStringLiteral("The project database in '%s' is in use by %s!"), {QDir::toNativeSeparators(path), others});
        return;
    }
    // Replacing the tables of the database that is open here: it is closed
    // first and opened again afterwards, so that no view shows rows that
    // are gone.
    const bool reopen = m_data->projectsConnected() && sameDirectory(path, m_data->projectsDirectory());
    if (reopen)
        CloseMain();

    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString target = QDir::toNativeSeparators(path);
    try {
        db::Connection templates;
        templates.open(templateDirectory());
        db::Connection database;
        database.open(path, db::Connection::OpenMode::CreateIfMissing);
        // All or nothing: a table that cannot be made leaves the database
        // as it was.
        db::Transaction transaction(database);
        for (db::Dataset* t : m_data->projectTableComponents()) {
            target = QDir::toNativeSeparators(database.databasePath()) + QStringLiteral(" : ") + t->tableName();
            database.createTableFrom(templates, t->tableName(), true);
        }
        transaction.commit();
        QApplication::restoreOverrideCursor();
    } catch (const db::DatabaseError& e) {
        QApplication::restoreOverrideCursor();
        MsgOK(QStringLiteral("%s\n\n%s"), {formatMessage(MsgText(QStringLiteral("Could not create: %s")), {target}), e.message()});
    }
    if (reopen)
        SetupMain();
}

void TFormMain::DatabaseProjectEmpty()
{
    if (!m_data || !m_data->projectsConnected())
        return;
    if (MsgNoYes(QStringLiteral("31")) != MsgCodeYes)
        return;
    db::Connection& projects = m_data->database(QStringLiteral("DatabaseProjects"));
    if (const QString others = othersWorkingIn(m_data, projects.directory()); !others.isEmpty()) {
        MsgOK(QStringLiteral("The project database in '%s' is in use by %s!"),
              {QDir::toNativeSeparators(projects.directory()), others});
        return;
    }
    const QList<db::Dataset*> tables = m_data->projectTableComponents();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        for (db::Dataset* t : tables) {
            t->disableControls();
            t->close();
        }
        {
            db::Transaction transaction(projects);
            for (const QString& name : projectTableNames(*m_data))
                projects.emptyTable(name);
            transaction.commit();
        }
        for (db::Dataset* t : tables) {
            m_data->OpenVerifiedTable(*t);
            t->enableControls();
        }
        QApplication::restoreOverrideCursor();
    } catch (const db::DatabaseError& e) {
        for (db::Dataset* t : tables) {
            if (t->controlsDisabled())
                t->enableControls();
        }
        QApplication::restoreOverrideCursor();
        MsgOK(QStringLiteral("%s\n\n%s"), {MsgText(QStringLiteral("Failed to open project database!")), e.message()});
        CloseMain();
        return;
    }
    if (m_projectTree)
        m_projectTree->DBGetProjects();
}

void TFormMain::DatabaseRepair()
{
    static QString lastFolder;
    FileRequest request;
    request.kind = FileRequest::Kind::OpenFile;
    request.caption = MsgText(QStringLiteral("Select table to repair"));
    request.directory = lastFolder.isEmpty() ? settings().databases().Projects : lastFolder;
    request.filter = MsgText(QStringLiteral("KIRO database (database.sqlite)")) + QStringLiteral(";;")
                     + MsgText(QStringLiteral("All files (*)"));
    request.mustExist = true;
    const QStringList chosen = interaction().chooseFiles(request);
    if (chosen.isEmpty())
        return;
    const QFileInfo file(chosen.first());
    lastFolder = file.absolutePath();

    try {
        db::Connection templates;
        templates.open(templateDirectory());
        db::Connection database;
        database.open(file.absolutePath());

        QString table;
        if (!ChooseItem(request.caption, MsgText(QStringLiteral("Table")), projectTableNames(*m_data), table))
            return;
        const QString tablePath = QDir::toNativeSeparators(database.databasePath()) + QStringLiteral(" : ") + table;
        const QString templatePath =
            QDir::toNativeSeparators(templates.databasePath()) + QStringLiteral(" : ") + table;
        if (MsgNoYes(QStringLiteral("Do you want to repair table:\n%s\n  by using template:\n%s ?"),
                     {tablePath, templatePath})
            != MsgCodeYes)
            return;
        const db::TableDef structure = templates.tableDef(table);
        if (database.tableExists(table))
            database.restructureTable(structure);
        else
            database.createTable(structure);
        ShowPlainMessage(QStringLiteral("Successfully repaired!"));
    } catch (const db::DatabaseError& e) {
        MsgOK(QStringLiteral("%s\n\n%s"), {QDir::toNativeSeparators(file.absoluteFilePath()), e.message()});
    }
}

} // namespace kiro
