#pragma once

#include "data/SessionRegistry.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace kiro {

namespace db {
class Connection;
class Dataset;
class DataSource;
class Query;
} // namespace db

// The central data module: owns every database connection, table, query
// and data source of the session for the whole run. Other code finds a
// component by its name (TableProducts, SourceProjects, QueryTemp), as the
// transfer file and the report templates do.
//
// It shows no windows: failures are reported through the message service,
// and progress through the progress display. The open operations return
// true on success; on failure they have already told the user. They are
// virtual so that a session can be replaced as a whole (a server database
// later, a failing one in tests).
//
// Main thread only.
class TFormData : public QObject {
    Q_OBJECT
public:
    explicit TFormData(QObject* parent = nullptr);
    ~TFormData() override;

    // Runs once after a successful logon: directory settings, the private
    // directory, and a closed session.
    void FormDataCreate();

    bool privateDirOK() const { return m_privateDirOK; }
    const QString& privateDir() const { return m_privateDir; }
    bool SetupPrivateDir();
    bool CleanupPrivateDir();

    virtual bool OpenSession();
    virtual bool OpenSystem();
    virtual bool OpenLang();
    virtual bool OpenAddress();
    virtual bool OpenProjects();
    virtual bool OpenExternal();
    virtual bool OpenSpares();
    virtual bool CloseSession();
    bool CloseSystem();
    bool CloseLang();
    bool CloseProjects();
    bool CloseAddress();
    bool CloseExternal();
    bool CloseSpares();

    // Opens a table when it is closed and checks its schema-version marker;
    // throws EDBToolsError "Could not open table '%s'!" otherwise.
    void OpenVerifiedTable(db::Dataset& table);

    bool sessionOpen() const { return m_session.isOpen(); }
    const SessionRegistry& session() const { return m_session; }
    // Whether the project database is connected (title and menus follow it).
    virtual bool projectsConnected() const;
    // The directory of the connected project database.
    virtual QString projectsDirectory() const;

    // Looks the logon name up in the user table (exact match): full name
    // and sales company.
    virtual bool UsersFindFullName(const QString& id, QString& name, QString& company);

    // --- components
    // Connections: DatabaseSystem, DatabaseLanguage, DatabaseAddress,
    // DatabaseProjects, DatabaseExternal, DatabaseSpares, DatabasePrivate.
    db::Connection& database(const QString& name) const;
    // Throws db::DatabaseError naming the component when there is none.
    db::Dataset& table(const QString& name) const;
    db::Dataset* findTable(const QString& name) const;
    db::DataSource& source(const QString& name) const;
    db::Query& query(const QString& name) const;
    // Table components in creation order.
    QStringList tableNames() const;
    // The components of the project tables (those carrying Tag 1), in
    // component order; a table viewed twice appears twice.
    QList<db::Dataset*> projectTableComponents() const;
    // The tables a database opens, in opening order.
    QList<db::Dataset*> tablesOf(const db::Connection& connection) const;

    // The identifier of a new row: UTC date and time, four digits and the
    // end of a fresh GUID; 33 characters, never the one returned before.
    static QString SetUniqueID();

    // --- item identity, order and state; the activity log -------------------
    // (declarations of ItemRules.cpp and Log.cpp)
    // --- end of item identity, order and state ------------------------------

    // --- price calculation and the price options -----------------------------
    // (declarations of Pricing.cpp and the option handlers)
    // --- end of price calculation ---------------------------------------------

protected:
    // The connection objects exist for the whole run; open() happens in the
    // open operations.
    struct DatabaseOpen {
        QString progressText;
        QString failureLine;
    };

private:
    struct Component;

    void createComponents();
    db::Dataset& addTable(const QString& name, db::Connection& connection, const QString& tableName,
                          bool projectTable = false);
    db::DataSource& addSource(const QString& name, db::Dataset& dataset);
    void linkDetail(db::Dataset& detail, const QString& masterSource, const QString& masterFields,
                    const QString& index, bool byIndexName);
    void addLookups();
    void bindNewRecordHandlers();

    // Shared steps of the open operations; returns false after reporting.
    bool openDatabase(db::Connection& connection, const QString& directory, const QString& progressText,
                      const QString& failureLine, const std::vector<std::pair<QStringList, int>>& steps,
                      int afterClose, int afterConnect);
    void closeDatabase(db::Connection& connection);

    std::vector<std::unique_ptr<db::Connection>> m_connections;
    QHash<QString, db::Connection*> m_connectionByName;
    std::vector<std::unique_ptr<db::Dataset>> m_tables;
    QHash<QString, db::Dataset*> m_tableByName;
    QList<db::Dataset*> m_projectTables;
    std::vector<std::unique_ptr<db::DataSource>> m_sources;
    QHash<QString, db::DataSource*> m_sourceByName;
    std::vector<std::unique_ptr<db::Query>> m_queries;
    QHash<QString, db::Query*> m_queryByName;

    SessionRegistry m_session;
    bool m_privateDirOK = false;
    QString m_privateDir;
};

} // namespace kiro
