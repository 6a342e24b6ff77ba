#include "app/DialogService.h"
#include "app/FormMain.h"
#include "app/Program.h"
#include "app/core/AppContext.h"
#include "platform/AppIcon.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KIRO"));
    QApplication::setApplicationVersion(kiro::programVersion());
    QApplication::setDesktopFileName(QStringLiteral("kiro"));
    QApplication::setWindowIcon(kiro::applicationIcon());
    kiro::app().setExeDir(QApplication::applicationDirPath());

    kiro::DialogService dialogs;
    kiro::setInteraction(&dialogs);

    kiro::ProgramParts parts;
    if (!kiro::StartProgram(parts))
        return 0;
    parts.main->show();
    const int rc = QApplication::exec();
    kiro::setInteraction(nullptr);
    return rc;
}
