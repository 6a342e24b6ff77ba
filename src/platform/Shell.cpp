#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace kiro {

namespace {

ShellOpener& opener()
{
    static ShellOpener current;
    return current;
}

} // namespace

bool ShellOpen(const QString& path)
{
    if (path.isEmpty())
        return false;
    if (opener())
        return opener()(path);
    // A document name may also be a link (http:, mailto:); a plain path is a file.
    const QUrl url = path.contains(QLatin1String("://")) ? QUrl(path) : QUrl::fromLocalFile(path);
    return QDesktopServices::openUrl(url);
}

void setShellOpener(ShellOpener opener_)
{
    opener() = std::move(opener_);
}

} // namespace kiro
