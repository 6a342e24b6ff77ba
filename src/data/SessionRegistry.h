#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

namespace kiro {

// Who else is working on a shared project directory. Every session leaves a
// small file in the lock directory (NetDir) naming user, host, process and
// start time, and removes it when it ends; a file left by a process that no
// longer runs on this host is cleaned up. Exclusive operations ask
// otherSessions() before they start. Main thread only.
class SessionRegistry {
public:
    struct Session {
        QString user;
        QString host;
        qint64 pid = 0;
        QDateTime started;
        QString file;
    };

    SessionRegistry() = default;
    ~SessionRegistry();
    SessionRegistry(const SessionRegistry&) = delete;
    SessionRegistry& operator=(const SessionRegistry&) = delete;

    // Registers this process in `lockDirectory`; throws db::DatabaseError
    // when the directory is missing or cannot be written.
    void open(const QString& lockDirectory, const QString& user);
    void close();
    bool isOpen() const { return !m_file.isEmpty(); }
    const QString& lockDirectory() const { return m_directory; }
    // This session's file in the lock directory.
    const QString& file() const { return m_file; }

    // The sessions registered there by other processes.
    QList<Session> otherSessions() const;
    // The sessions registered in a lock directory, but for the one whose
    // file is `except`; files of processes gone from this host are removed.
    static QList<Session> sessionsIn(const QString& lockDirectory, const QString& except = QString());

    static QString folderName() { return QStringLiteral(".kiro-sessions"); }

private:
    QString m_directory;
    QString m_file;
};

} // namespace kiro
