#pragma once

#include <QObject>
#include <QString>

namespace kiro {

// The central data module: owns every database connection and table of the
// session for the whole run. It shows no windows; failures are reported
// through the message service. Main thread only.
//
// The open and close operations return true on success; on failure they
// have already told the user. Each is virtual so that a session can be
// replaced as a whole (a server database later, a failing one in tests).
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

    // Whether the project database is connected (title and menus follow it).
    virtual bool projectsConnected() const;
    // The directory of the connected project database.
    virtual QString projectsDirectory() const;

    // Looks the logon name up in the user table: full name and sales company.
    virtual bool UsersFindFullName(const QString& id, QString& name, QString& company);

protected:
    bool m_sessionOpen = false;
    bool m_projectsOpen = false;

private:
    bool m_privateDirOK = false;
    QString m_privateDir;
};

} // namespace kiro
