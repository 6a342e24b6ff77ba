#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace kiro {

namespace {

const QString CopiedFilesFormat = QStringLiteral("x-special/gnome-copied-files");

} // namespace

QMimeData* FileListMimeData(const QStringList& paths)
{
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    QByteArray copied = "copy";
    for (const QString& path : paths) {
        const QUrl url = QUrl::fromLocalFile(path);
        urls.append(url);
        copied += '\n' + url.toEncoded();
    }
    mime->setUrls(urls);
    mime->setData(CopiedFilesFormat, copied);
    return mime;
}

QStringList FilesOf(const QMimeData* mime)
{
    QStringList files;
    if (!mime)
        return files;
    if (mime->hasUrls()) {
        for (const QUrl& url : mime->urls()) {
            if (url.isLocalFile())
                files.append(url.toLocalFile());
        }
    } else if (mime->hasFormat(CopiedFilesFormat)) {
        const QList<QByteArray> lines = mime->data(CopiedFilesFormat).split('\n');
        for (int i = 1; i < lines.size(); ++i) {
            const QUrl url = QUrl::fromEncoded(lines.at(i).trimmed());
            if (url.isLocalFile())
                files.append(url.toLocalFile());
        }
    }
    return files;
}

bool PutFileOnClipboard(const QString& path)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setMimeData(FileListMimeData({path}));
    return true;
}

QStringList GetClipboardFiles()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? FilesOf(clipboard->mimeData()) : QStringList();
}

} // namespace kiro
