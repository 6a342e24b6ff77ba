#pragma once

#include <QString>

namespace kiro {

// The process-wide values every part of the program shares: who is logged
// on, in which access mode, and where the program and its settings live.
// Directory values always end with '/'.
//
// One instance exists per process (app()); tests reset it between cases.
// Main thread only.
class AppContext {
public:
    enum Mode : int { NotLoggedOn = 0, Standard = 1, Champion = 2 };

    int appMode() const { return m_appMode; }
    void setAppMode(int mode) { m_appMode = mode; }

    const QString& currentUserID() const { return m_currentUserID; }
    void setCurrentUserID(const QString& id) { m_currentUserID = id; }
    const QString& currentUserName() const { return m_currentUserName; }
    void setCurrentUserName(const QString& name) { m_currentUserName = name; }
    const QString& currentUserCompany() const { return m_currentUserCompany; }
    void setCurrentUserCompany(const QString& company) { m_currentUserCompany = company; }

    // The start directory, which holds KIRO.INI.
    const QString& workDir() const { return m_workDir; }
    void setWorkDir(const QString& dir) { m_workDir = withSlash(dir); }
    // The folder of the program file, which holds the shipped data.
    const QString& exeDir() const { return m_exeDir; }
    void setExeDir(const QString& dir) { m_exeDir = withSlash(dir); }

    QString printoutDir() const { return m_exeDir + QStringLiteral("Printouts/"); }
    QString templateDir() const { return m_exeDir + QStringLiteral("Templates/"); }
    QString helpDir() const { return m_exeDir + QStringLiteral("Help/"); }

    // The application title (task bar text); the main window's caption
    // follows it.
    const QString& applicationTitle() const { return m_applicationTitle; }
    void setApplicationTitle(const QString& title) { m_applicationTitle = title; }

    void reset() { *this = AppContext(); }

    static QString withSlash(const QString& dir);

private:
    int m_appMode = Standard;
    QString m_currentUserID;
    QString m_currentUserName;
    QString m_currentUserCompany;
    QString m_workDir;
    QString m_exeDir;
    QString m_applicationTitle;
};

AppContext& app();

// Program name and version as shown in the logon dialog's status line.
QString programName();
QString programVersion();

} // namespace kiro
