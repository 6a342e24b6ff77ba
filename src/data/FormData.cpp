#include "data/FormData.h"

#include "app/core/Messages.h"
#include "app/core/Settings.h"

#include <QDir>

namespace kiro {

TFormData::TFormData(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("FormData"));
}

TFormData::~TFormData() = default;

void TFormData::FormDataCreate()
{
    try {
        settings().LoadDatabaseSettings();
    } catch (const SettingsError& e) {
        // The directories are loaded even when writing them back failed.
        MsgOK(QStringLiteral("Could not save settings!\n\n%s"), {e.message()});
    }
    m_privateDirOK = SetupPrivateDir();
    CloseSession();
}

bool TFormData::SetupPrivateDir()
{
    const QString base = QDir(QDir::tempPath()).absolutePath() + QLatin1Char('/');
    QString path;
    for (int n = 1; n <= 9999; ++n) {
        path = base + QStringLiteral("KIRO%1").arg(n, 4, 10, QLatin1Char('0'));
        if (QFileInfo::exists(path))
            continue;
        // mkdir fails when another run created the same name a moment ago;
        // then the next number is tried.
        if (QDir().mkdir(path)) {
            m_privateDir = path + QLatin1Char('/');
            return true;
        }
    }
    MsgOK(QStringLiteral("Couldn't create a private directory (%s)!"), {path});
    return false;
}

bool TFormData::CleanupPrivateDir()
{
    if (!m_privateDirOK || m_privateDir.isEmpty())
        return false;
    QDir dir(m_privateDir);
    if (!dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        return false;
    if (!QDir().rmdir(m_privateDir))
        return false;
    m_privateDirOK = false;
    m_privateDir.clear();
    return true;
}

// The session and the databases are opened by the storage layer once the
// schema exists; until then every open succeeds on an empty session.
bool TFormData::OpenSession()
{
    m_sessionOpen = true;
    return true;
}

bool TFormData::OpenSystem()
{
    return true;
}

bool TFormData::OpenLang()
{
    return true;
}

bool TFormData::OpenAddress()
{
    return true;
}

bool TFormData::OpenProjects()
{
    m_projectsOpen = true;
    return true;
}

bool TFormData::OpenExternal()
{
    return true;
}

bool TFormData::OpenSpares()
{
    return true;
}

bool TFormData::CloseSession()
{
    m_sessionOpen = false;
    m_projectsOpen = false;
    return true;
}

bool TFormData::projectsConnected() const
{
    return m_projectsOpen;
}

QString TFormData::projectsDirectory() const
{
    return m_projectsOpen ? settings().databases().Projects : QString();
}

bool TFormData::UsersFindFullName(const QString&, QString&, QString&)
{
    // No user table yet: every logon name counts as registered.
    return true;
}

} // namespace kiro
