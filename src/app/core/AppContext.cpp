#include "app/core/AppContext.h"

namespace kiro {

QString AppContext::withSlash(const QString& dir)
{
    if (dir.isEmpty() || dir.endsWith(QLatin1Char('/')))
        return dir;
    return dir + QLatin1Char('/');
}

AppContext& app()
{
    static AppContext context;
    return context;
}

QString programName()
{
    return QStringLiteral("KIRO");
}

QString programVersion()
{
    return QStringLiteral(KIRO_VERSION_STRING);
}

} // namespace kiro
