#include "data/SessionRegistry.h"

#include "db/DatabaseError.h"

#include <QDir>
#include <QFile>
#include <QCoreApplication>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace kiro {

namespace {

QString hostName()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("localhost") : name;
}

SessionRegistry::Session readSession(const QString& path)
{
    SessionRegistry::Session s;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return s;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const int eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = line.left(eq).trimmed();
        const QString value = QString::fromUtf8(line.mid(eq + 1).trimmed());
        if (key == "user")
            s.user = value;
        else if (key == "host")
            s.host = value;
        else if (key == "pid")
            s.pid = value.toLongLong();
        else if (key == "started")
            s.started = QDateTime::fromString(value, Qt::ISODate);
    }
    s.file = path;
    return s;
}

bool processGone(const SessionRegistry::Session& s)
{
    return s.host == hostName() && s.pid > 0 && ::kill(pid_t(s.pid), 0) != 0 && errno == ESRCH;
}

} // namespace

SessionRegistry::~SessionRegistry()
{
    close();
}

void SessionRegistry::open(const QString& lockDirectory, const QString& user)
{
    close();
    QDir dir(lockDirectory);
    if (lockDirectory.isEmpty() || !dir.exists())
        throw db::DatabaseError(QStringLiteral("The lock directory '%1' does not exist.").arg(lockDirectory));
    const QString folder = dir.absoluteFilePath(folderName());
    if (!QDir().mkpath(folder))
        throw db::DatabaseError(QStringLiteral("Could not write to the lock directory '%1'.").arg(lockDirectory));

    const QString file = folder + QStringLiteral("/%1-%2.session").arg(hostName()).arg(QCoreApplication::applicationPid());
    QSaveFile out(file);
    const QByteArray text = "user=" + user.toUtf8() + "\nhost=" + hostName().toUtf8()
                            + "\npid=" + QByteArray::number(QCoreApplication::applicationPid()) + "\nstarted="
                            + QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toUtf8() + "\n";
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit())
        throw db::DatabaseError(
            QStringLiteral("Could not write to the lock directory '%1': %2").arg(lockDirectory, out.errorString()));
    m_directory = dir.absolutePath() + QLatin1Char('/');
    m_file = file;
}

void SessionRegistry::close()
{
    if (!m_file.isEmpty())
        QFile::remove(m_file);
    m_file.clear();
    m_directory.clear();
}

QList<SessionRegistry::Session> SessionRegistry::otherSessions() const
{
    if (m_directory.isEmpty())
        return {};
    return sessionsIn(m_directory, m_file);
}

QList<SessionRegistry::Session> SessionRegistry::sessionsIn(const QString& lockDirectory, const QString& except)
{
    QList<Session> result;
    QDir folder(QDir(lockDirectory).absoluteFilePath(folderName()));
    for (const QString& name : folder.entryList({QStringLiteral("*.session")}, QDir::Files)) {
        const QString path = folder.absoluteFilePath(name);
        if (path == except)
            continue;
        Session s = readSession(path);
        if (processGone(s)) {
            QFile::remove(path); // left behind by a run that crashed
            continue;
        }
        result.append(s);
    }
    return result;
}

} // namespace kiro
