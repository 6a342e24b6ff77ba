#include "platform/OfficePreview.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

namespace kiro {

namespace {

QString cacheRoot()
{
    return QDir::tempPath() + QStringLiteral("/kiro-preview-") + qEnvironmentVariable("USER", QStringLiteral("user"));
}

} // namespace

OfficePreview::OfficePreview(QObject* parent)
    : QObject(parent)
{
}

OfficePreview::~OfficePreview()
{
    cancel();
}

QString OfficePreview::converterProgram()
{
    for (const char* name : {"soffice", "libreoffice"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

QString OfficePreview::cachedPdfFor(const QString& document) const
{
    const QFileInfo info(document);
    const QByteArray key = QStringLiteral("%1|%2|%3")
                               .arg(info.absoluteFilePath())
                               .arg(info.size())
                               .arg(info.lastModified().toMSecsSinceEpoch())
                               .toUtf8();
    const QString hash = QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex());
    return cacheRoot() + QLatin1Char('/') + hash + QLatin1Char('/') + info.completeBaseName()
           + QStringLiteral(".pdf");
}

bool OfficePreview::busy() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

void OfficePreview::cancel()
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(2000);
        m_process->deleteLater();
    }
    m_process = nullptr;
}

void OfficePreview::request(const QString& document)
{
    cancel();
    m_document = document;
    const QString pdf = cachedPdfFor(document);
    if (QFileInfo::exists(pdf)) {
        QTimer::singleShot(0, this, [this, document, pdf] {
            if (m_document == document)
                Q_EMIT ready(document, pdf);
        });
        return;
    }
    const QString program = converterProgram();
    if (program.isEmpty()) {
        QTimer::singleShot(0, this, [this, document] {
            Q_EMIT failed(document, QStringLiteral("LibreOffice is not installed, so office documents cannot be "
                                                   "previewed. Open the document in its own application."));
        });
        return;
    }
    m_outDir = QFileInfo(pdf).absolutePath();
    QDir().mkpath(m_outDir);
    // Its own profile keeps the conversion apart from an office session the
    // user has open, which would otherwise take the job over or refuse it.
    const QString profile = QUrl::fromLocalFile(cacheRoot() + QStringLiteral("/profile")).toString();
    m_process = new QProcess(this);
    m_process->setProgram(program);
    m_process->setArguments({QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                             QStringLiteral("--norestore"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                             QStringLiteral("--outdir"), m_outDir, QFileInfo(document).absoluteFilePath()});
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus) { finish(exitCode); });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(-1);
    });
    QPointer<QProcess> started = m_process;
    QTimer::singleShot(m_timeoutMs, this, [this, started] {
        if (started && started == m_process && busy())
            m_process->kill();
    });
    m_process->start();
}

void OfficePreview::finish(int exitCode)
{
    if (!m_process)
        return;
    const QString output = QString::fromLocal8Bit(m_process->readAll()).trimmed();
    m_process->deleteLater();
    m_process = nullptr;
    const QString pdf = cachedPdfFor(m_document);
    if (exitCode == 0 && QFileInfo::exists(pdf)) {
        Q_EMIT ready(m_document, pdf);
        return;
    }
    QString reason = QStringLiteral("The document could not be converted for the preview.");
    if (!output.isEmpty())
        reason += QLatin1Char('\n') + output.left(400);
    Q_EMIT failed(m_document, reason);
}

} // namespace kiro
